// The program's start-up: its window, and the files it was started with.
#include "app/startup_class.h"

#include "ui/toolkit/app_instance.h"
#include "ui/toolkit/win32_text.h"

bool rg_startup_class::start() {
    const bool started = rg_ChuangKouChengXuLei::start();
    if (!window.handle()) return started;
    const AppInstance& process = appInstance();
    StringArray files;
    for (int index = 1; index < process.argumentCount; ++index) files.push_back(fromWide(process.arguments[index]));
    window.openFiles(files);
    return started;
}
