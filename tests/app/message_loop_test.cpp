// The main message loop: its result, the idle rule and the owner's pre-filter; and the DLL
// folder text of start-up.
#include <gtest/gtest.h>

#include "app/main_message_loop.h"

namespace {

// A message-only window that counts what reaches it.
struct Receiver {
    static inline int dispatched = 0;
    static inline bool timerFired = false;
    HWND window = nullptr;

    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_APP) ++dispatched;
        if (message == WM_TIMER) {
            KillTimer(window, wParam);
            timerFired = true;
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }
    Receiver() {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = procedure;
        windowClass.lpszClassName = L"DovraneLoopTest";
        RegisterClassW(&windowClass);
        window = CreateWindowExW(0, L"DovraneLoopTest", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        dispatched = 0;
        timerFired = false;
    }
    ~Receiver() { DestroyWindow(window); }
};

class ScriptedProgram : public rg_ChengXuLei {
public:
    explicit ScriptedProgram(HWND receiver) : receiver(receiver) {}
    bool start() override { return true; }
    bool messagePreFilter(MSG& message) override { return message.message != WM_APP || message.wParam != 99; }
    bool idleHook(int idleCount) override {
        idleCounts.push_back(idleCount);
        timerFiredBeforeIdle.push_back(Receiver::timerFired);
        if (idleCounts.size() == 1) {
            PostMessageW(receiver, WM_APP, 99, 0);   // claimed by the pre-filter: never dispatched
            PostMessageW(receiver, WM_APP, 1, 0);
        } else if (idleCounts.size() == 2) {
            // A mouse move does not start an idle period; the timer's tick after it does.
            PostMessageW(receiver, WM_MOUSEMOVE, 0, 0);
            SetTimer(receiver, 1, 50, nullptr);
        } else {
            PostQuitMessage(7);
        }
        return false;
    }

    std::vector<int> idleCounts;
    std::vector<bool> timerFiredBeforeIdle;

private:
    HWND receiver;
};

TEST(MainMessageLoop, runsIdleOncePerPeriodAndEndsWithTheQuitCode) {
    Receiver receiver;
    ScriptedProgram program(receiver.window);
    MainMessageLoop loop(&program);
    EXPECT_EQ(7, loop.run());
    ASSERT_EQ(3u, program.idleCounts.size());
    EXPECT_EQ((std::vector<int>{0, 0, 0}), program.idleCounts);
    EXPECT_TRUE(program.timerFiredBeforeIdle[2]);   // no idle period between the mouse move and the tick
    EXPECT_EQ(1, Receiver::dispatched);             // the claimed WM_APP never reached the window
}

TEST(StartUp, theDataFolderTextKeepsTheDoubledBackslash) {
    struct Case {
        const char16_t* executable;
        const char16_t* folder;
    };
    const Case cases[] = {{u"C:\\Tools\\Dovrane.exe", u"C:\\Tools\\\\data"},
                          {u"", u"\\data"},   // GetModuleFileNameW failed: the data folder at the drive's root
                          {u"Dovrane.exe", u"\\data"}};
    for (const Case& c : cases) EXPECT_EQ(WideString(c.folder), dataFolderText(c.executable)) << toUtf8(c.executable);
}

}  // namespace
