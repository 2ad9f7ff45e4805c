// Display scale: the arithmetic apart from the system query, so each DPI can be checked alone.
#include "ui/toolkit/display_scale.h"

#include <windows.h>

#include "platform/platform.h"
#include "ui/toolkit/gdi_owners.h"

namespace {

double processScale = 1.0;

}  // namespace

double scaleForDpi(unsigned dpi) {
    const double scale = dpi / 96.0;
    return scale < 1.0 ? 1.0 : scale;
}

unsigned queryDisplayDpi() {
    const HWND desktop = GetDesktopWindow();
    {
        using GetDpiForMonitorFunction = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
        const platform::Library shcore = platform::Library::load(u"SHCore.dll");
        if (void* symbol = shcore.symbol("GetDpiForMonitor")) {
            const auto getDpiForMonitor = reinterpret_cast<GetDpiForMonitorFunction>(symbol);
            UINT horizontal = 0, vertical = 0;
            constexpr int kEffectiveDpi = 0;   // MDT_EFFECTIVE_DPI
            if (getDpiForMonitor(MonitorFromWindow(desktop, MONITOR_DEFAULTTONEAREST), kEffectiveDpi, &horizontal,
                                 &vertical) == S_OK &&
                vertical != 0)
                return vertical;
        }
    }
    const WindowDC dc(desktop);
    const int dpi = GetDeviceCaps(dc.get(), LOGPIXELSY);
    return dpi > 0 ? static_cast<unsigned>(dpi) : 96;
}

double displayScale() { return processScale; }

void setDisplayScale(double scale) { processScale = scale < 1.0 ? 1.0 : scale; }

int scaledBy(int designValue, double scale) { return static_cast<int>(designValue * scale + 0.5); }

int scaled(int designValue) { return scaledBy(designValue, processScale); }
