// The main thread's message loop: idle hook once per idle period, pre-translation, dispatch.
#pragma once

#include <windows.h>

#include "app/user_application.h"
#include "ui/toolkit/window_module.h"

class MainMessageLoop final : public MessagePump {
public:
    // owner (may be null) gets the pre-filter and the idle hook; it must outlive the loop.
    explicit MainMessageLoop(UserApplication* owner) : owner(owner) {}

    // Runs until WM_QUIT and returns its wParam.
    int run();
    // The owner's pre-filter, then the toolkit's input pre-translation; true claims the message.
    bool preTranslateMessage(MSG& message) override;

private:
    UserApplication* owner;
};
