// The application classes: the runtime's application base, the program, and the window program
// whose start-up creates the main window. The entry routine creates one object of the chain and
// calls these operations on the main thread.
#pragma once

#include <windows.h>

#include "ui/toolkit/form.h"

class UserApplication {
public:
    virtual ~UserApplication() = default;
    // The start-up operation, run under the guard of runGuarded. True runs the message loop when
    // a main window exists.
    virtual bool start() = 0;
    // Given each queued message before the toolkit's pre-translation; false claims it.
    virtual bool messagePreFilter(MSG& message);
    // Called once per idle period with 0; true asks for more idle work.
    virtual bool idleHook(int idleCount);
    // Called once after the message loop ends.
    virtual void exitHook();
};

class rg_ChengXuLei : public UserApplication {};

// A program with a main window: start() puts the data folder beside the executable on the DLL
// search path, creates the main window at its default position and size and, when it exists,
// records it as the window module's main window.
class rg_ChuangKouChengXuLei : public rg_ChengXuLei {
public:
    bool start() override;

protected:
    virtual CVWnd_WinForm& mainWindow() = 0;
};

// The DLL folder for an executable path: the text up to and including its last backslash, then
// "\data" (so C:\Tools\Dovrane.exe gives C:\Tools\\data, which Windows reads as C:\Tools\data).
WideString dataFolderText(const WideString& executablePath);
