// Dovrane.exe's entry point: the frame runs the program's application object.
#include <windows.h>

#include "app/entry.h"
#include "app/startup_class.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    return runProgram(instance, __argc, __wargv, [] { return std::unique_ptr<UserApplication>(new rg_startup_class()); });
}
