// The main window of a build without the repair window: a fixed form with the program's name and
// a line that sends the user to the command-line program. Closing it ends the program.
#pragma once

#include "ui/toolkit/form.h"
#include "ui/toolkit/label.h"

class PlainMainWindow final : public CVWnd_WinForm {
public:
    PlainMainWindow();

    int clientWidth() override;
    int clientHeight() override;

protected:
    void buildControls() override;

private:
    CVWnd_Label titleLabel;
    CVWnd_Label noteLabel;
};
