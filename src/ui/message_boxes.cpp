// MessageBoxW makes the boxes; a hook on the showing thread finds each box as it is created and
// puts it in place before it is shown, owned and centred as its kind asks, and keeps a box of a
// window from being activated while another program has the foreground.
#include "ui/message_boxes.h"

#include <commctrl.h>

#include <algorithm>
#include <string_view>
#include <utility>

#include "platform/win32/owned_handle.h"
#include "ui/main_window_texts.h"
#include "ui/toolkit/win32_text.h"

namespace {

struct UnhookHook {
    static bool isHandle(HHOOK hook) { return hook != nullptr; }
    void operator()(HHOOK hook) const { UnhookWindowsHookEx(hook); }
};
using OwnedHook = platform::Owned<HHOOK, UnhookHook>;

// How one box is put in place.
// A box that belongs to a window is topmost: Wine without a window manager raises a window
// clicked on over the windows it owns, and a box shown while another is open comes over it.
struct Placement {
    HWND window = nullptr;      // the window the box belongs to; null: MessageBoxW's own place
    bool becomesOwned = false;  // owned by window once created, without being modal to it
    bool isRefusal = false;     // marked, for closeRefusalBoxes
    HWND box = nullptr;         // found by the hook
};

// The property that marks a refusal box: any thread may close it.
constexpr wchar_t kRefusalMark[] = L"Dovrane.Refusal";

// The box this thread is showing: the hook procedure gets no context of its own. A box shown
// while another is open on the same thread takes its place until it is answered.
thread_local Placement* showing = nullptr;

bool isProgramInForeground() {
    DWORD process = 0;
    GetWindowThreadProcessId(GetForegroundWindow(), &process);
    return process == GetCurrentProcessId();
}

// A box of a window leaves the foreground to the program the user works in. One without (the
// start-up tip, before the window) is the program's first and comes to the foreground as it starts.
bool mustStayInBackground(const Placement& placement) {
    return placement.window && !isProgramInForeground();
}

// FLASHW_TRAY | FLASHW_TIMERNOFG: the taskbar button flashes, then stays highlighted until the
// window comes to the foreground or FLASHW_STOP ends it.
void flashTaskbarButton(HWND window, DWORD flags) {
    FLASHWINFO flash{sizeof flash, window, flags, 0, 0};
    FlashWindowEx(&flash);
}

// Topmost and centred on window, moved as little as needed to stay inside the work area of
// window's screen.
void placeOver(HWND box, HWND window) {
    RECT boxArea, windowArea;
    GetWindowRect(box, &boxArea);
    GetWindowRect(window, &windowArea);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    const LONG width = boxArea.right - boxArea.left;
    const LONG height = boxArea.bottom - boxArea.top;
    LONG x = (windowArea.left + windowArea.right - width) / 2;
    LONG y = (windowArea.top + windowArea.bottom - height) / 2;
    x = std::max(work.left, std::min(x, work.right - width));
    y = std::max(work.top, std::min(y, work.bottom - height));
    SetWindowPos(box, HWND_TOPMOST, x, y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
}

LRESULT CALLBACK placeBox(HWND box, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    const Placement& placement = *reinterpret_cast<const Placement*>(data);
    switch (message) {
    case WM_INITDIALOG: {
        // MessageBoxW sizes the box and centres it on the screen, and only then shows it.
        const LRESULT result = DefSubclassProc(box, message, wParam, lParam);
        if (placement.isRefusal) SetPropW(box, kRefusalMark, box);
        if (placement.window && IsWindow(placement.window)) {
            if (placement.becomesOwned) SetWindowLongPtrW(box, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(placement.window));
            placeOver(box, placement.window);
        }
        return result;
    }
    case WM_WINDOWPOSCHANGING: {
        // Showing the box would bring it to the foreground, which a click on the box does
        // without passing here: the user can still answer it with the keyboard.
        auto* position = reinterpret_cast<WINDOWPOS*>(lParam);
        if (!(position->flags & SWP_NOACTIVATE) && mustStayInBackground(placement)) {
            position->flags |= SWP_NOACTIVATE;
            if (IsWindow(placement.window)) flashTaskbarButton(placement.window, FLASHW_TRAY | FLASHW_TIMERNOFG);
        }
        break;
    }
    case WM_ACTIVATE:
        // The user has turned to the box: the window's button has nothing left to ask for, even
        // though the window itself may never come to the foreground.
        if (LOWORD(wParam) != WA_INACTIVE && placement.window && IsWindow(placement.window))
            flashTaskbarButton(placement.window, FLASHW_STOP);
        break;
    case WM_NCDESTROY:
        RemovePropW(box, kRefusalMark);
        RemoveWindowSubclass(box, placeBox, 0);
        break;
    default: break;
    }
    return DefSubclassProc(box, message, wParam, lParam);
}

bool isMessageBox(HWND window) {
    wchar_t name[16] = {};
    return GetClassNameW(window, name, 16) > 0 && std::wstring_view(name) == L"#32770";
}

LRESULT CALLBACK watchBox(int code, WPARAM wParam, LPARAM lParam) {
    const auto window = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_CREATEWND && showing && !showing->box && isMessageBox(window)) {
        showing->box = window;
        SetWindowSubclass(window, placeBox, 0, reinterpret_cast<DWORD_PTR>(showing));
    }
    // The box sets its focus on its default button, which makes it its thread's active window; an
    // active box that closes hands the foreground to its owner. Refused while another program is in
    // the foreground, so that keys typed there never reach the box, unless a click on the box
    // activates it: the user has turned to it. A refused click would be dropped (the system eats
    // the button press of a window it could not activate), leaving the box unanswerable.
    if (code == HCBT_ACTIVATE && showing && window == showing->box && mustStayInBackground(*showing)) {
        const auto* activation = reinterpret_cast<const CBTACTIVATESTRUCT*>(lParam);
        if (!activation->fMouse) return 1;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

int showBox(HWND modalOwner, Placement placement, const WideString& text, UINT buttons) {
    const HWND focus = GetFocus();
    Placement* const outer = std::exchange(showing, &placement);
    int answer = 0;
    {
        const OwnedHook hook(SetWindowsHookExW(WH_CBT, watchBox, nullptr, GetCurrentThreadId()));
        answer = MessageBoxW(modalOwner, wide(text), wide(kBoxCaption), buttons);
    }
    showing = outer;
    if (focus && IsWindow(focus)) SetFocus(focus);
    return answer;
}

}  // namespace

void showWindowBox(HWND window, const WideString& text) {
    (void)showBox(window, Placement{window}, text, MB_OK);
}

void showRefusalBox(HWND window, const WideString& text) {
    (void)showBox(window, Placement{.window = window, .isRefusal = true}, text, MB_OK);
}

void closeRefusalBoxes(HWND window) {
    // A refusal is shown on the window's thread, as a reply to the user's press there.
    EnumThreadWindows(GetWindowThreadProcessId(window, nullptr), [](HWND box, LPARAM) -> BOOL {
        if (GetPropW(box, kRefusalMark))
            PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
        return TRUE;
    }, 0);
}

void showFreeBox(const WideString& text) {
    const HWND active = GetActiveWindow();
    (void)showBox(active ? active : GetDesktopWindow(), Placement{active}, text, MB_OK);
}

void showResultBox(HWND window, const WideString& text) {
    (void)showBox(nullptr, Placement{window, true}, text, MB_OK);
}

bool askResultQuestion(HWND window, const WideString& text) {
    return showBox(nullptr, Placement{window, true}, text, MB_YESNO | MB_DEFBUTTON2) == IDYES;
}
