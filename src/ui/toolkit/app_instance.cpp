// The application instance's state: module, COM and the once-per-process start of GDI+.
#include "ui/toolkit/app_instance.h"

#include <objbase.h>
// GDI+'s headers need min and max in scope.
#include <algorithm>
using std::max;
using std::min;
#include <gdiplus.h>

AppInstance::~AppInstance() {
    shutdownGdiplus();
    if (comInitialised) CoUninitialize();
}

HINSTANCE AppInstance::resourceModule() const { return moduleInstance ? moduleInstance : GetModuleHandleW(nullptr); }

bool AppInstance::ensureGdiplus() {
    std::lock_guard<std::mutex> guard(gdiplusLock);
    if (gdiplusToken != 0) return true;
    const Gdiplus::GdiplusStartupInput input;   // version 1, no debug callback, background thread
    ULONG_PTR token = 0;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return false;
    gdiplusToken = token;
    return true;
}

void AppInstance::shutdownGdiplus() {
    std::lock_guard<std::mutex> guard(gdiplusLock);
    if (gdiplusToken == 0) return;
    Gdiplus::GdiplusShutdown(gdiplusToken);
    gdiplusToken = 0;
}

AppInstance& appInstance() {
    static AppInstance instance;
    return instance;
}
