// The program's application object: a window program whose only member is its main window.
#pragma once

#include "app/plain_main_window.h"
#include "app/user_application.h"

class rg_startup_class final : public rg_ChuangKouChengXuLei {
protected:
    CVWnd_WinForm& mainWindow() override { return window; }

private:
    PlainMainWindow window;
};
