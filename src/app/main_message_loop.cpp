// The message loop. Mouse moves, paints, non-client mouse moves and system timer ticks do not
// start a new idle period; every other message does.
#include "app/main_message_loop.h"

#include "ui/toolkit/input_pretranslation.h"

namespace {

constexpr UINT kSystemTimer = 0x0118;

bool startsIdlePeriod(UINT message) {
    return message != WM_PAINT && message != WM_NCMOUSEMOVE && message != kSystemTimer && message != WM_MOUSEMOVE;
}

}  // namespace

int MainMessageLoop::run() {
    bool idle = true;
    MSG message{};
    for (;;) {
        if (idle && !PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE)) {
            if (owner) owner->idleHook(0);
            idle = false;
        }
        const BOOL received = GetMessageW(&message, nullptr, 0, 0);
        if (received == -1) continue;
        if (received == 0) return static_cast<int>(message.wParam);
        if (!preTranslateMessage(message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (startsIdlePeriod(message.message)) idle = true;
    }
}

bool MainMessageLoop::preTranslateMessage(MSG& message) {
    if (owner && !owner->messagePreFilter(message)) return true;
    return preTranslateInput(message);
}
