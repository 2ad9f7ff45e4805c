// The program's application object: a window program whose only member is its main window.
#pragma once

#include "app/user_application.h"
#include "ui/main_window.h"

class rg_startup_class final : public rg_ChuangKouChengXuLei {
public:
    // The window program's start-up; then the files named on the command line (a database dropped
    // on the program's icon, or opened with it) go to the main window.
    bool start() override;

protected:
    CVWnd_WinForm& mainWindow() override { return window; }

private:
    rg_win_Zhu window;
};
