#include "ui/message_boxes.h"

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

// MB_SYSTEMMODAL is MB_APPLMODAL with the topmost style, so it changes nothing on Windows; Wine
// 8 ignores MB_TOPMOST and makes a box topmost only through it.
constexpr UINT kTopmost = MB_TOPMOST | MB_SETFOREGROUND | MB_SYSTEMMODAL;

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

void showTopmostFreeBox(const WideString& text) {
    (void)showBox(freeOwner(), text, MB_OK | kTopmost);
}

bool askTopmostFreeBox(const WideString& text) {
    return showBox(freeOwner(), text, MB_YESNO | kTopmost) == IDYES;
}
