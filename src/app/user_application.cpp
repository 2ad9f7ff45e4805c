// The application classes' default operations and the window program's start-up.
#include "app/user_application.h"

#include "platform/platform.h"
#include "ui/toolkit/win32_text.h"
#include "ui/toolkit/window_module.h"

bool UserApplication::messagePreFilter(MSG&) { return true; }

bool UserApplication::idleHook(int) { return false; }

void UserApplication::exitHook() {}

WideString dataFolderText(const WideString& executablePath) {
    const std::size_t lastSeparator = executablePath.rfind(u'\\');
    const WideString folder = lastSeparator == WideString::npos ? WideString() : executablePath.substr(0, lastSeparator + 1);
    return folder + u"\\data";
}

bool rg_ChuangKouChengXuLei::start() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    platform::setLibraryFolder(dataFolderText(length ? fromWide(path, length) : WideString()));

    CreationParameters placement;
    placement.x = placement.y = placement.width = placement.height = static_cast<int>(CW_USEDEFAULT);
    CVWnd_WinForm& window = mainWindow();
    if (window.create(placement)) windowModule().mainWindowHandle = window.handle();
    return true;
}
