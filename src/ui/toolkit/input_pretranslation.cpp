// Offering queued input to the toolkit windows on the way from the target up to its top window.
#include "ui/toolkit/input_pretranslation.h"

#include "ui/toolkit/private_messages.h"

namespace {

bool isInput(UINT message) {
    return (message >= WM_MOUSEMOVE && message <= WM_MOUSEHWHEEL) || (message >= WM_KEYDOWN && message <= WM_UNICHAR);
}

}  // namespace

bool preTranslateInput(MSG& message) {
    if (!isInput(message.message)) return false;
    for (HWND target = message.hwnd; target; target = GetParent(target)) {
        if (GetWindowLongPtrW(target, GWLP_USERDATA) == kToolkitMagic &&
            SendMessageW(target, kMessagePreTranslate, reinterpret_cast<WPARAM>(&message), kToolkitMagic) == kToolkitMagic)
            return true;
        if (!(GetWindowLongW(target, GWL_STYLE) & WS_CHILD)) break;
    }
    return false;
}
