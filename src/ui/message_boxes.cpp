#include "ui/message_boxes.h"

#include "ui/main_window_texts.h"

namespace {

const wchar_t* wide(const WideString& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

void showBox(HWND owner, const WideString& text, UINT placement) {
    const HWND focus = GetFocus();
    MessageBoxW(owner, wide(text), reinterpret_cast<const wchar_t*>(kBoxCaption), MB_OK | placement);
    if (focus && IsWindow(focus)) SetFocus(focus);
}

HWND freeOwner() {
    const HWND active = GetActiveWindow();
    return active ? active : GetDesktopWindow();
}

}  // namespace

void showWindowBox(HWND window, const WideString& text) {
    showBox(window, text, 0);
}

void showFreeBox(const WideString& text) {
    showBox(freeOwner(), text, 0);
}

void showTopmostFreeBox(const WideString& text) {
    // MB_SYSTEMMODAL is MB_APPLMODAL with the topmost style, so it changes nothing on Windows; Wine
    // 8 ignores MB_TOPMOST and makes a box topmost only through it.
    showBox(freeOwner(), text, MB_TOPMOST | MB_SETFOREGROUND | MB_SYSTEMMODAL);
}
