#include "ui/message_boxes.h"

#include <atomic>

#include "ui/main_window_texts.h"

namespace {

const wchar_t* wide(const WideString& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

int showBox(HWND owner, const WideString& text, UINT buttonsAndPlacement) {
    const HWND focus = GetFocus();
    const int answer = MessageBoxW(owner, wide(text), reinterpret_cast<const wchar_t*>(kBoxCaption), buttonsAndPlacement);
    if (focus && IsWindow(focus)) SetFocus(focus);
    return answer;
}

// The run box being shown: at most one at a time, on the run's thread.
struct RunBox {
    HWND window = nullptr;       // the window whose run it is about
    HWND userWindow = nullptr;   // the foreground window when the box came, when it is not this program's
    bool placed = false;         // centred on it and made topmost
};
std::atomic<RunBox*> runBox{nullptr};

// Whether the user works with this program: the foreground window is window, one it owns, or a box
// of the calling thread.
bool isUserHere(HWND window) {
    const HWND foreground = GetForegroundWindow();
    return foreground && (foreground == window || GetAncestor(foreground, GA_ROOTOWNER) == window ||
                          GetWindowThreadProcessId(foreground, nullptr) == GetCurrentThreadId());
}

// Whether the user is acting now: a mouse button or Alt (switching windows) is down.
bool isUserActing() {
    for (const int key : {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON, VK_MENU})
        if (GetAsyncKeyState(key) & 0x8000) return true;
    return false;
}

void centreOn(HWND box, HWND window) {
    RECT boxArea, windowArea;
    if (!GetWindowRect(box, &boxArea) || !GetWindowRect(window, &windowArea)) return;
    const int width = boxArea.right - boxArea.left, height = boxArea.bottom - boxArea.top;
    const int left = (windowArea.left + windowArea.right - width) / 2, top = (windowArea.top + windowArea.bottom - height) / 2;
    SetWindowPos(box, HWND_TOPMOST, left, top, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
}

// Places the box when it first asks to be activated, and, while the user works in another window,
// refuses every activation the user did not ask for (a click on the box, Alt to switch windows).
LRESULT CALLBACK watchActivation(int code, WPARAM wParam, LPARAM lParam) {
    RunBox* box = runBox.load();
    if (code == HCBT_ACTIVATE && box) {
        if (!box->placed) {
            box->placed = true;
            centreOn(reinterpret_cast<HWND>(wParam), box->window);
        }
        if (box->userWindow && !isUserActing()) {
            // Wine lets the foreground go before it asks: it goes back to the window the user works in.
            if (GetForegroundWindow() != box->userWindow && IsWindow(box->userWindow)) SetForegroundWindow(box->userWindow);
            return 1;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

int showRunBoxWith(HWND window, const WideString& text, UINT buttons) {
    RunBox box;
    box.window = window;
    if (!isUserHere(window)) box.userWindow = GetForegroundWindow();
    runBox = &box;
    const HHOOK activation = SetWindowsHookExW(WH_CBT, watchActivation, nullptr, GetCurrentThreadId());
    if (box.userWindow) {
        FLASHWINFO flash{sizeof flash, window, FLASHW_TRAY | FLASHW_TIMERNOFG, 0, 0};
        FlashWindowEx(&flash);
    }
    // MB_SYSTEMMODAL is MB_APPLMODAL with the topmost style, and disables no window when the box has
    // no owner; Wine 8 makes a box topmost only through it.
    const int answer = MessageBoxW(nullptr, wide(text), reinterpret_cast<const wchar_t*>(kBoxCaption), buttons | MB_SYSTEMMODAL);
    if (activation) UnhookWindowsHookEx(activation);
    runBox = nullptr;
    return answer;
}

HWND freeOwner() {
    const HWND active = GetActiveWindow();
    return active ? active : GetDesktopWindow();
}

}  // namespace

void showWindowBox(HWND window, const WideString& text) {
    (void)showBox(window, text, MB_OK);
}

void showFreeBox(const WideString& text) {
    (void)showBox(freeOwner(), text, MB_OK);
}

void showRunBox(HWND window, const WideString& text) { (void)showRunBoxWith(window, text, MB_OK); }

bool askRunBox(HWND window, const WideString& text) { return showRunBoxWith(window, text, MB_YESNO | MB_DEFBUTTON2) == IDYES; }
