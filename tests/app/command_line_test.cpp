// The program started with a file on its command line, as Windows starts it for a database dropped
// on its icon or opened with it, each run in a process of its own.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/entry.h"
#include "app/startup_class.h"
#include "platform/platform.h"
#include "support/child_process.h"
#include "ui/toolkit/win32_text.h"

namespace {

constexpr int kPanelId = 101;
constexpr int kPathBoxId = 104;

// Dovrane with the role's arguments after its name. They are read from the wide command line, as
// Dovrane reads its own: the narrow ones have lost what the code page cannot write.
int startWithArguments(const std::vector<std::string>&) {
    const StringArray roleWords = platform::commandLineArguments(0, nullptr);   // --child-role NAME ARGUMENT...
    std::vector<std::wstring> words{L"Dovrane.exe"};
    for (std::size_t index = 2; index < roleWords.size(); ++index) words.emplace_back(roleWords[index].begin(), roleWords[index].end());
    std::vector<wchar_t*> argv;
    for (std::wstring& word : words) argv.push_back(word.data());
    return runProgram(nullptr, static_cast<int>(argv.size()), argv.data(),
                      [] { return std::unique_ptr<UserApplication>(new rg_startup_class()); });
}
CHILD_ROLE("start-with-arguments", startWithArguments);

// Polls done until it is true or 30 s pass; done's answer.
bool waitUntil(const std::function<bool()>& done) {
    const ULONGLONG deadline = GetTickCount64() + 30000;
    while (!done()) {
        if (GetTickCount64() >= deadline) return done();
        Sleep(50);
    }
    return true;
}

// WM_GETTEXT, which Windows carries to the other process.
WideString textOf(HWND window) {
    wchar_t text[512] = {};
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 1000, &length))
        return u"(no answer)";
    return fromWide(text, length);
}

// Waits for the child's next box with this text (the start-up tip, a refusal) and presses OK.
bool answerBox(const WideString& text) {
    HWND box = nullptr;
    const bool shown = waitUntil([&] {
        box = FindWindowW(L"#32770", L"信息:");
        return box && IsWindowVisible(box) && textOf(GetDlgItem(box, 0xFFFF)) == text;   // the box's message
    });
    if (shown) PostMessageW(box, WM_COMMAND, IDOK, 0);
    return shown;
}

TEST(CommandLine, aDatabaseOnTheCommandLineIsInThePathBoxAndAnythingElseShowsTheDropsBox) {
    struct Case {
        std::vector<std::string> arguments;
        const char16_t* pathBox;
        const char16_t* box;   // null: none besides the start-up tip
    };
    const Case cases[] = {
        {{"D:\\数据\\shop.DB"}, u"D:\\数据\\shop.DB", nullptr},
        {{"D:\\数据\\notes.txt"}, u"", u"当前文件不是数据库文件请选择 *.db文件"},
        {{"D:\\数据\\a.db", "D:\\数据\\b.db"}, u"", u"数据库修复只支持单个文件"},
    };
    for (const Case& c : cases) {
        const std::string name = c.arguments.front() + " and " + std::to_string(c.arguments.size() - 1) + " more";
        ChildProcess child("start-with-arguments", c.arguments);
        ASSERT_TRUE(answerBox(u"温馨提示:\n修复前请先复制备份数据库,以免造成数据丢失")) << name;
        HWND window = nullptr;
        ASSERT_TRUE(waitUntil([&] { return (window = FindWindowW(nullptr, L"Dovrane")) != nullptr && IsWindowVisible(window); }))
            << name;
        if (c.box) {
            EXPECT_TRUE(answerBox(c.box)) << name;
        }
        const HWND pathBox = GetDlgItem(GetDlgItem(window, kPanelId), kPathBoxId);
        EXPECT_TRUE(waitUntil([&] { return textOf(pathBox) == c.pathBox; })) << name << ": " << toUtf8(textOf(pathBox));
        PostMessageW(window, WM_CLOSE, 0, 0);
        EXPECT_EQ(0, child.wait()) << name;
    }
}

}  // namespace
