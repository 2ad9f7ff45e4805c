// waitPumping keeps the calling thread's windows answering while it waits.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/platform.h"

namespace {

constexpr UINT kPing = WM_APP + 1;
std::atomic<int> pingsHandled{0};

LRESULT CALLBACK countingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kPing) {
        ++pingsHandled;
        return 42;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

class PingWindow {
public:
    PingWindow() {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = countingProcedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"DovranePingWindow";
        RegisterClassW(&windowClass);
        // A message-only window: it has a queue and a procedure, and needs no display.
        window = CreateWindowExW(0, L"DovranePingWindow", L"ping", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    }
    ~PingWindow() {
        if (window) DestroyWindow(window);
    }
    HWND window = nullptr;
};

TEST(WaitPumping, keepsTheThreadsWindowResponsive) {
    PingWindow target;
    ASSERT_NE(nullptr, target.window);
    pingsHandled = 0;
    LRESULT answer = 0;
    std::atomic<bool> sent{false};
    std::thread sender([&] {
        Sleep(50);
        PostMessageW(target.window, kPing, 0, 0);
        answer = SendMessageW(target.window, kPing, 0, 0);   // returns only once the window has answered
        sent = true;
    });
    platform::waitPumping(300, 1);
    const bool answeredDuringTheWait = sent;
    sender.join();
    EXPECT_TRUE(answeredDuringTheWait);
    EXPECT_EQ(42, answer);
    EXPECT_EQ(2, pingsHandled.load());
}

TEST(WaitPumping, withoutPumpingMessagesWait) {
    PingWindow target;
    ASSERT_NE(nullptr, target.window);
    pingsHandled = 0;
    PostMessageW(target.window, kPing, 0, 0);
    platform::waitPumping(50, 0);
    EXPECT_EQ(0, pingsHandled.load());
    platform::waitPumping(50, 1);
    EXPECT_EQ(1, pingsHandled.load());
}

}  // namespace
