// Where the window's boxes appear, and that a box of a run that ends while the user types into
// another program leaves that program the keyboard, yet answers a click once the user turns to it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <utility>

#include "fixtures/damaged_database.h"
#include "main_window_driver.h"
#include "support/child_process.h"
#include "support/temp_folder.h"
#include "window_driver.h"

namespace {

constexpr wchar_t kTypistClass[] = L"DovraneTestTypist";

LRESULT CALLBACK typistProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
}

// Another program the user types into: a window in the screen's top left corner, away from the
// main window, whose multi-line edit box has the keyboard. Runs until the window is closed.
int typeIntoAnotherProgram(const std::vector<std::string>&) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = typistProcedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kTypistClass;
    RegisterClassW(&windowClass);
    const HWND window = CreateWindowExW(0, kTypistClass, L"typist", WS_POPUP | WS_BORDER | WS_VISIBLE, 0, 0, 300, 200,
                                        nullptr, nullptr, windowClass.hInstance, nullptr);
    const HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_WANTRETURN, 0, 0, 300,
                                      200, window, nullptr, windowClass.hInstance, nullptr);
    SetForegroundWindow(window);
    SetFocus(edit);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
CHILD_ROLE("typist", typeIntoAnotherProgram);

// The typist in a process of its own, with the foreground and the keyboard; closed when it goes.
class OtherProgram {
public:
    OtherProgram() : child("typist", {}) {
        pumpUntil([this] {
            window = FindWindowW(kTypistClass, nullptr);
            edit = FindWindowExW(window, nullptr, L"Edit", nullptr);
            return edit && GetForegroundWindow() == window;
        }, 60000);
    }
    OtherProgram(const OtherProgram&) = delete;
    OtherProgram& operator=(const OtherProgram&) = delete;
    ~OtherProgram() {
        PostMessageW(window, WM_CLOSE, 0, 0);
        child.wait();
    }

    bool hasForeground() const { return window && GetForegroundWindow() == window; }

    // Types "n" and Enter through the system's input, as a user would; true once the other
    // program's edit box shows them, each time one line more.
    bool typeNAndEnter() {
        const WORD keys[] = {'N', VK_RETURN};
        INPUT inputs[4] = {};
        for (int i = 0; i < 4; ++i) {
            inputs[i].type = INPUT_KEYBOARD;
            inputs[i].ki.wVk = keys[i / 2];
            inputs[i].ki.dwFlags = i % 2 ? KEYEVENTF_KEYUP : 0;
        }
        SendInput(4, inputs, sizeof(INPUT));
        typed += u"n\r\n";
        return pumpUntil([this] { return text() == typed; }, 10000);
    }

    // WM_GETTEXT, which Windows carries to the other process.
    WideString text() const {
        wchar_t buffer[256] = {};
        DWORD_PTR length = 0;
        SendMessageTimeoutW(edit, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 5000, &length);
        return WideString(reinterpret_cast<const char16_t*>(buffer), length);
    }

private:
    ChildProcess child;
    HWND window = nullptr;
    HWND edit = nullptr;
    WideString typed;
};

// A window with the shop database dropped on it, one leaf page of its orders garbled: a run ends
// with the failure and the question whether to salvage, both held open by the test until it
// answers them. Another program has the foreground and the keyboard as the run starts.
class RunBehindAnotherProgram : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(writeShopDatabase(path, 5000));
        ASSERT_TRUE(garbleLeafPage(path, u"orders"));
        dropFiles(opened.handle(), {path});
        opened.boxes.forget();
        opened.boxes.hold(failure);
        opened.boxes.hold(question);
        other.emplace();
        ASSERT_TRUE(other->hasForeground());
    }

    // The failure and its cause: the garbled page held 108 of the 5000 orders.
    const WideString failure = u"修复失败:数据异常\n修复失败,表orders中有行无法读取,原数据库数量:5000,新表数量:4892";
    const WideString question = kSalvageQuestion;
    TempFolder folder;
    const WideString path = folder / u"shop.db";
    OpenMainWindow opened;
    std::optional<OtherProgram> other;
};

// Keys typed into the other program meanwhile stay there: Enter would close the failure box, "n"
// answer No, and an Enter on the question would answer its default, which is No.
TEST_F(RunBehindAnotherProgram, theBoxesOfARunLeaveTheKeyboardToTheProgramTheUserTypesInto) {
    ASSERT_TRUE(other->typeNAndEnter()) << "before any box: " << toUtf8(other->text());

    clickMiddle(opened.control(kStartButtonId));
    size_t shown = 0;
    for (const WideString& text : {failure, question}) {
        const std::string name = toUtf8(text);
        ASSERT_TRUE(opened.boxes.waitForBoxes(++shown, 60000)) << name;
        const SeenBox box = opened.boxes.seen().back();
        ASSERT_EQ(text, box.text);
        EXPECT_TRUE(other->hasForeground()) << name;
        EXPECT_TRUE(other->typeNAndEnter()) << name << ": the other program has " << toUtf8(other->text());
        EXPECT_TRUE(IsWindowVisible(box.box)) << name << ": still open";
        EXPECT_EQ(opened.handle(), box.owner) << name;
        if (text == question) {
            EXPECT_EQ(BS_DEFPUSHBUTTON, GetWindowLongW(GetDlgItem(box.box, IDNO), GWL_STYLE) & BS_TYPEMASK);
        }
        opened.boxes.release(text);
    }
    EXPECT_TRUE(pumpUntil([&] { return opened.text(kStartButtonId) == u"开始修复"; }, 10000));
    for (const WideString& name : folder.fileNames()) EXPECT_FALSE(name.starts_with(u"抢救数据库-")) << toUtf8(name);
}

// A press on a box's button through the system's input, as the user's mouse gives it.
void clickButtonOf(HWND box, int button) {
    RECT area;
    GetWindowRect(GetDlgItem(box, button), &area);
    clickOnScreen(POINT{(area.left + area.right) / 2, (area.top + area.bottom) / 2});
}

// The boxes wait behind the other program, yet the user who turns to one answers it with a click:
// the failure's OK, then the question's No, which ends the run.
TEST_F(RunBehindAnotherProgram, aBoxShownBehindAnotherProgramIsAnsweredByAClickOnIt) {
    clickMiddle(opened.control(kStartButtonId));
    size_t shown = 0;
    for (const auto& [text, button] : {std::pair{failure, IDOK}, std::pair{question, IDNO}}) {
        const std::string name = toUtf8(text);
        ASSERT_TRUE(opened.boxes.waitForBoxes(++shown, 60000)) << name;
        const SeenBox box = opened.boxes.seen().back();
        ASSERT_EQ(text, box.text);
        if (text == failure) {
            EXPECT_TRUE(other->hasForeground()) << name << ": shown behind the other program";
        }
        clickButtonOf(box.box, button);
        EXPECT_TRUE(pumpUntil([&] { return !IsWindow(box.box); }, 10000)) << name << ": still open after the click";
        opened.boxes.release(text);
    }
    EXPECT_TRUE(pumpUntil([&] { return opened.text(kStartButtonId) == u"开始修复"; }, 10000));
    EXPECT_EQ(2u, opened.boxes.seen().size());
}

// A box is centred on its window wherever the window is, and moved only as far as it must be to
// stay in the screen's work area when the window is partly off the screen.
TEST(MainWindowBoxes, aBoxIsCentredOnItsWindowInsideTheWorkArea) {
    OpenMainWindow opened;
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    RECT frame;
    GetWindowRect(opened.handle(), &frame);
    const LONG width = frame.right - frame.left;
    const LONG height = frame.bottom - frame.top;
    enum class Expected { centred, inTopLeftCorner, inBottomRightCorner };
    struct Place {
        const char* name;
        POINT corner;
        Expected box;
    };
    const Place places[] = {
        {"upper left", {work.left + 40, work.top + 120}, Expected::centred},
        {"lower right", {work.right - width - 60, work.bottom - height - 90}, Expected::centred},
        {"partly off the top left", {work.left - width + 100, work.top - height + 20}, Expected::inTopLeftCorner},
        {"partly off the bottom right", {work.right - 100, work.bottom - 20}, Expected::inBottomRightCorner},
    };
    for (const Place& place : places) {
        SetWindowPos(opened.handle(), nullptr, place.corner.x, place.corner.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        opened.boxes.forget();
        dropFiles(opened.handle(), {u"D:\\data\\a.db", u"D:\\data\\b.db"});
        ASSERT_EQ(1u, opened.boxes.seen().size()) << place.name;
        const RECT box = opened.boxes.seen()[0].area;
        const std::string where = std::string(place.name) + ": box at (" + std::to_string(box.left) + ", " +
                                  std::to_string(box.top) + ")-(" + std::to_string(box.right) + ", " + std::to_string(box.bottom) + ")";
        switch (place.box) {
        case Expected::centred:
            EXPECT_LE(std::abs((box.left + box.right) / 2 - (place.corner.x + width / 2)), 1) << where;
            EXPECT_LE(std::abs((box.top + box.bottom) / 2 - (place.corner.y + height / 2)), 1) << where;
            break;
        case Expected::inTopLeftCorner:
            EXPECT_TRUE(box.left == work.left && box.top == work.top) << where;
            break;
        case Expected::inBottomRightCorner:
            EXPECT_TRUE(box.right == work.right && box.bottom == work.bottom) << where;
            break;
        }
    }
}

}  // namespace
