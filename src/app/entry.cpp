// The entry routine's steps in their order, the start-up guard and the shutdown.
#include "app/entry.h"

#include <commctrl.h>
#include <objbase.h>

#include <new>

#include "app/app_exception.h"
#include "app/main_message_loop.h"
#include "platform/platform.h"
#include "ui/toolkit/app_instance.h"
#include "ui/toolkit/display_scale.h"
#include "ui/toolkit/win32_text.h"
#include "ui/toolkit/window_module.h"

namespace {

constexpr UINT kFailureExitCode = 0xFFFFFFFF;   // -1
constexpr char16_t kGuardCaption[] = u"运行时异常";
constexpr char16_t kUnmanagedExceptionText[] = u"程序在运行时抛出了未被管理的异常";

[[noreturn]] void endAfterFailedAllocation() { ExitProcess(kFailureExitCode); }

// Per-monitor DPI awareness through SHCore.dll when it has SetProcessDpiAwareness; the result is
// not looked at, since the scale is measured afterwards either way.
void becomeDpiAware() {
    const platform::Library shcore = platform::Library::load(u"SHCore.dll");
    if (void* symbol = shcore.symbol("SetProcessDpiAwareness")) {
        constexpr int kPerMonitorAware = 2;
        reinterpret_cast<HRESULT(WINAPI*)(int)>(symbol)(kPerMonitorAware);
    }
}

void showGuardBox(const WideString& text) { MessageBoxW(nullptr, wide(text), wide(kGuardCaption), MB_ICONERROR); }

int runMessageLoop(UserApplication& application) {
    const bool isWindowProgram = dynamic_cast<rg_ChuangKouChengXuLei*>(&application) != nullptr;
    int exitCode = 0;
    if (windowModule().mainWindowHandle) {
        MainMessageLoop loop(isWindowProgram ? &application : nullptr);
        windowModule().registerLoop(GetCurrentThreadId(), &loop);
        exitCode = loop.run();
        windowModule().unregisterLoop(GetCurrentThreadId());
    }
    if (isWindowProgram) application.exitHook();
    return exitCode;
}

}  // namespace

WideString appExceptionText(std::int32_t code, const WideString& description) {
    return u"俘获到异常,代码值为: " + decimalText(code) + u", 描述为: " + description;
}

bool runGuarded(UserApplication& application) {
    if (IsDebuggerPresent()) return application.start();
    try {
        return application.start();
    } catch (const AppException& exception) {
        showGuardBox(appExceptionText(exception.code, exception.description));
    } catch (...) {
        showGuardBox(kUnmanagedExceptionText);
    }
    ExitProcess(kFailureExitCode);
}

int runProgram(HINSTANCE instance, int argumentCount, wchar_t** arguments, ApplicationFactory makeApplication) {
    std::set_new_handler(endAfterFailedAllocation);
    if (!instance) instance = GetModuleHandleW(nullptr);
    const INITCOMMONCONTROLSEX controls{8, 0xFF};
    InitCommonControlsEx(&controls);
    windowModule().initialise();

    AppInstance& process = appInstance();
    process.moduleInstance = instance;
    process.argumentCount = argumentCount;
    process.arguments = arguments;
    process.mainThreadId = GetCurrentThreadId();
    process.comInitialised = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    becomeDpiAware();
    setDisplayScale(scaleForDpi(queryDisplayDpi()));

    std::unique_ptr<UserApplication> application = makeApplication();
    if (!application) ExitProcess(kFailureExitCode);
    const int exitCode = runGuarded(*application) ? runMessageLoop(*application) : static_cast<int>(kFailureExitCode);

    // Shutdown: the application object (and with it the main window), then GDI+. COM ends with
    // the application instance at process exit.
    application.reset();
    process.shutdownGdiplus();
    return exitCode;
}
