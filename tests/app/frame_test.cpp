// The whole frame in a process of its own: the entry routine with a window program whose main
// window throws while it is created, closes itself, or cannot be created.
#include <gtest/gtest.h>

#include <stdexcept>

#include "app/app_exception.h"
#include "app/entry.h"
#include "support/child_process.h"
#include "ui/toolkit/win32_text.h"

namespace {

enum class Behaviour { throwRuntimeError, throwAppException, closeItself, failCreation };

class ScriptedWindow : public CVWnd_WinForm {
public:
    explicit ScriptedWindow(Behaviour behaviour) : behaviour(behaviour) { setBorderStyle(kBorderNone); }
    int clientWidth() override { return 200; }
    int clientHeight() override { return 50; }

protected:
    void buildControls() override {
        if (behaviour == Behaviour::throwRuntimeError) throw std::runtime_error("no controls");
        if (behaviour == Behaviour::throwAppException) throw AppException{42, u"磁盘已满"};
        if (behaviour == Behaviour::closeItself) PostMessageW(handle(), WM_CLOSE, 0, 0);
    }
    NativeWindowRequest creationRequest(const CreationParameters& parameters) override {
        NativeWindowRequest request = CVWnd_WinForm::creationRequest(parameters);
        if (behaviour == Behaviour::failCreation) request.parent = reinterpret_cast<HWND>(0x7FFFDEAD);   // no such window
        return request;
    }

private:
    Behaviour behaviour;
};

class ScriptedProgram : public rg_ChuangKouChengXuLei {
public:
    static inline Behaviour next = Behaviour::closeItself;
    void exitHook() override { exitHookRan = true; }
    static inline bool exitHookRan = false;

protected:
    CVWnd_WinForm& mainWindow() override { return window; }

private:
    ScriptedWindow window{next};
};

int runScripted(Behaviour behaviour) {
    ScriptedProgram::next = behaviour;
    const int exitCode = runProgram(nullptr, 0, nullptr, [] { return std::unique_ptr<UserApplication>(new ScriptedProgram()); });
    // The exit hook runs only after a message loop; tell the parent through the exit code.
    return behaviour == Behaviour::closeItself && !ScriptedProgram::exitHookRan ? 3 : exitCode;
}

int throwingStart(const std::vector<std::string>&) { return runScripted(Behaviour::throwRuntimeError); }
int appExceptionStart(const std::vector<std::string>&) { return runScripted(Behaviour::throwAppException); }
int closingWindow(const std::vector<std::string>&) { return runScripted(Behaviour::closeItself); }
int failedWindow(const std::vector<std::string>&) { return runScripted(Behaviour::failCreation); }
CHILD_ROLE("throwing-start", throwingStart);
CHILD_ROLE("app-exception-start", appExceptionStart);
CHILD_ROLE("closing-window", closingWindow);
CHILD_ROLE("failed-window", failedWindow);

// Waits for the guard's box in another process, reads its text and presses OK.
WideString answerGuardBox() {
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (const HWND box = FindWindowW(L"#32770", L"运行时异常")) {
            wchar_t text[256] = {};
            GetDlgItemTextW(box, 0xFFFF, text, 256);   // the message text of a message box
            PostMessageW(box, WM_COMMAND, IDOK, 0);
            return fromWide(text);
        }
        Sleep(50);
    }
    return u"(no box)";
}

TEST(StartUpGuard, anExceptionWhileTheMainWindowIsCreatedShowsTheBoxAndEndsWithMinusOne) {
    struct Case {
        const char* role;
        const char16_t* text;
    };
    const Case cases[] = {{"throwing-start", u"程序在运行时抛出了未被管理的异常"},
                          {"app-exception-start", u"俘获到异常,代码值为: 42, 描述为: 磁盘已满"}};
    for (const Case& c : cases) {
        ChildProcess child(c.role, {});
        EXPECT_EQ(WideString(c.text), answerGuardBox()) << c.role;
        EXPECT_EQ(0xFFFFFFFFu, static_cast<unsigned>(child.wait())) << c.role;
    }
}

TEST(StartUpGuard, theBoxTextOfAnAppException) {
    EXPECT_EQ(u"俘获到异常,代码值为: -7, 描述为: x", appExceptionText(-7, u"x"));
}

TEST(Shutdown, destroyingTheMainWindowEndsTheLoopWithZeroAfterTheExitHook) {
    ChildProcess child("closing-window", {});
    EXPECT_EQ(0, child.wait());
}

TEST(Shutdown, aMainWindowThatCannotBeCreatedEndsTheProgramWithZero) {
    ChildProcess child("failed-window", {});
    EXPECT_EQ(0, child.wait());
}

}  // namespace
