#include "ui/message_boxes.h"

#include "ui/main_window_texts.h"

namespace {

const wchar_t* wide(const WideString& text) {
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

void showBox(HWND owner, const WideString& text) {
    const HWND focus = GetFocus();
    MessageBoxW(owner, wide(text), reinterpret_cast<const wchar_t*>(kBoxCaption), MB_OK);
    if (focus && IsWindow(focus)) SetFocus(focus);
}

}  // namespace

void showWindowBox(HWND window, const WideString& text) {
    showBox(window, text);
}

void showFreeBox(const WideString& text) {
    HWND owner = GetActiveWindow();
    if (!owner) owner = GetDesktopWindow();
    showBox(owner, text);
}
