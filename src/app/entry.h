// The program's entry routine as a callable frame: what wWinMain does, with the application
// object supplied by the caller.
#pragma once

#include <windows.h>

#include <memory>

#include "app/user_application.h"

using ApplicationFactory = std::unique_ptr<UserApplication> (*)();

// Common controls, the window module, COM, per-monitor DPI awareness, the display scale, the
// application object, the guarded start, the message loop while a main window exists, and the
// shutdown. Returns the exit code: WM_QUIT's wParam, 0 when no main window was created.
int runProgram(HINSTANCE instance, int argumentCount, wchar_t** arguments, ApplicationFactory makeApplication);

// Runs application.start(). Without a debugger, an exception escaping it is shown in a
// "运行时异常" box and the process ends at once with exit code -1; under a debugger it propagates.
bool runGuarded(UserApplication& application);

// The text of the box for an AppException.
WideString appExceptionText(std::int32_t code, const WideString& description);
