// The program's application object: a window program whose only member is its main window.
#pragma once

#include "app/user_application.h"
#include "ui/main_window.h"

class rg_startup_class final : public rg_ChuangKouChengXuLei {
protected:
    CVWnd_WinForm& mainWindow() override { return window; }

private:
    rg_win_Zhu window;
};
