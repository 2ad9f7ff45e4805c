#include "main_window_driver.h"

#include "ui/toolkit/display_scale.h"
#include "window_driver.h"

OpenMainWindow::OpenMainWindow(std::unique_ptr<rg_win_Zhu> made) : window(std::move(made)) {
    setDisplayScale(scaleForDpi(queryDisplayDpi()));
    CreationParameters placement;
    placement.x = placement.y = placement.width = placement.height = static_cast<int>(CW_USEDEFAULT);
    window->create(placement);
    pumpFor(50);
}

HWND OpenMainWindow::control(int id) const {
    return findControl(handle(), id);
}

WideString OpenMainWindow::text(int id) const {
    return controlText(control(id));
}

std::string joined(const std::vector<WideString>& lines) {
    std::string text;
    for (const WideString& line : lines) text += toUtf8(line) + "\n";
    return text;
}

namespace {
// One watch at a time: the hook procedure takes no context of its own.
HWND watchedWindow = nullptr;
std::function<void(const WideString&)> watcher;
}  // namespace

TextWatch::TextWatch(HWND window, std::function<void(const WideString&)> seen) {
    watchedWindow = window;
    watcher = std::move(seen);
    handle = SetWindowsHookExW(WH_CALLWNDPROC, hook, nullptr, GetCurrentThreadId());
}

TextWatch::~TextWatch() {
    UnhookWindowsHookEx(handle);
    watchedWindow = nullptr;
    watcher = nullptr;
}

LRESULT CALLBACK TextWatch::hook(int code, WPARAM wParam, LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_SETTEXT && call->hwnd == watchedWindow && watcher && call->lParam)
        watcher(WideString(reinterpret_cast<const char16_t*>(call->lParam)));
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
