// The form's creation (styles, caption, size and position), its properties, shapes, tray icon and
// modal run.
#include "ui/toolkit/form.h"

#include <iterator>

#include "ui/toolkit/app_instance.h"
#include "ui/toolkit/input_pretranslation.h"
#include "ui/toolkit/private_messages.h"
#include "ui/toolkit/win32_text.h"
#include "ui/toolkit/window_module.h"

namespace {

constexpr char16_t kProgramName[] = u"Dovrane";
constexpr UINT kProgramIcon = 100;
constexpr UINT kTrayIconId = 100;
constexpr DWORD kFrameExtendedStyles = WS_EX_DLGMODALFRAME | WS_EX_TOOLWINDOW | WS_EX_CLIENTEDGE;
constexpr DWORD kDefaultFormStyle = WS_VISIBLE | WS_CLIPSIBLINGS;

// The monitor a top-level form is placed on: its parent's, else the main window's, else the
// primary screen.
RECT placementArea(HWND parent) {
    const HWND reference = parent ? parent : windowModule().mainWindowHandle;
    if (reference && IsWindow(reference)) {
        MONITORINFO info{};
        info.cbSize = sizeof info;
        if (GetMonitorInfoW(MonitorFromWindow(reference, MONITOR_DEFAULTTONEAREST), &info)) return info.rcMonitor;
    }
    return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

// Where a default-placed top-level window goes when a shown window of the same class (of this
// program or of another copy of it) already has its top left corner there: down and right by a
// caption's height, as Windows cascades its windows, and back to the area's top left corner once
// the window would leave the area.
void cascadeFromTwins(const std::wstring& className, const RECT& area, int& x, int& y, int width, int height) {
    const int step = GetSystemMetrics(SM_CYCAPTION);
    const auto isTaken = [&] {
        for (HWND twin = FindWindowExW(nullptr, nullptr, className.c_str(), nullptr); twin;
             twin = FindWindowExW(nullptr, twin, className.c_str(), nullptr)) {
            RECT bounds;
            if (IsWindowVisible(twin) && GetWindowRect(twin, &bounds) && bounds.left == x && bounds.top == y) return true;
        }
        return false;
    };
    constexpr int kMostSteps = 32;   // a screen full of copies ends the search
    for (int steps = 0; steps < kMostSteps && isTaken(); ++steps) {
        x += step;
        y += step;
        if (x + width > area.right || y + height > area.bottom) {
            x = area.left;
            y = area.top;
        }
    }
}

}  // namespace

CVWnd_WinForm::CVWnd_WinForm() : ContainerWindow(events) { storedStyle = kDefaultFormStyle; }

CVWnd_WinForm::~CVWnd_WinForm() { destroyWindow(); }

WindowObject::NativeWindowRequest CVWnd_WinForm::creationRequest(const CreationParameters& parameters) {
    NativeWindowRequest request = WindowObject::creationRequest(parameters);
    DWORD& style = request.style;
    DWORD& extendedStyle = request.extendedStyle;
    if (borderStyle != kBorderNone) {
        if (!request.title.empty() || controlBox) style |= WS_CAPTION;
        style |= WS_DLGFRAME;
        if (controlBox) style |= WS_SYSMENU | WS_BORDER;
        switch (borderStyle) {
        case kBorderSizable: style |= WS_THICKFRAME; break;
        case kBorderSizableTool: style |= WS_THICKFRAME; extendedStyle |= WS_EX_TOOLWINDOW; break;
        case kBorderFixedTool: extendedStyle |= WS_EX_TOOLWINDOW; break;
        case kBorderSizableEdge: style |= WS_THICKFRAME; extendedStyle |= WS_EX_CLIENTEDGE; break;
        case kBorderFixedEdge: extendedStyle |= WS_EX_CLIENTEDGE; break;
        default: break;
        }
    }
    if (maximizeBox) style |= WS_MAXIMIZEBOX;
    if (minimizeBox) style |= WS_MINIMIZEBOX;
    if (initialState == kStateMinimized) style |= WS_MINIMIZE;
    if (initialState == kStateMaximized) style |= WS_MAXIMIZE;
    if (request.title.empty() && controlBox) request.title = kProgramName;
    extendedStyle |= WS_EX_CONTROLPARENT;
    resolveSize(parameters, request);
    resolvePosition(parameters, request);
    return request;
}

void CVWnd_WinForm::resolveSize(const CreationParameters& parameters, NativeWindowRequest& request) {
    if (parameters.width != static_cast<int>(CW_USEDEFAULT) && parameters.height != static_cast<int>(CW_USEDEFAULT)) return;
    const int width = clientWidth(), height = clientHeight();
    request.width = request.height = 0;
    if (width <= 0 || height <= 0) return;
    RECT area{0, 0, width, height};
    AdjustWindowRectEx(&area, request.style, FALSE, request.extendedStyle);
    request.width = area.right - area.left;
    request.height = area.bottom - area.top;
}

void CVWnd_WinForm::resolvePosition(const CreationParameters& parameters, NativeWindowRequest& request) {
    const bool defaultX = parameters.x == static_cast<int>(CW_USEDEFAULT);
    const bool defaultY = parameters.y == static_cast<int>(CW_USEDEFAULT);
    if (!defaultX && !defaultY) return;
    const bool child = (request.style & WS_CHILD) != 0;
    if (defaultX) request.x = child ? 0 : (GetSystemMetrics(SM_CXSCREEN) - request.width) / 2;
    if (defaultY) request.y = child ? 0 : (GetSystemMetrics(SM_CYSCREEN) - request.height) / 2;
    if (parameters.parent && !(request.style & WS_POPUP)) return;
    const RECT area = placementArea(parameters.parent);
    if (initialState == kStateCentred) {
        request.x = area.left + (area.right - area.left - request.width) / 2;
        request.y = area.top + (area.bottom - area.top - request.height) / 2;
    } else {
        request.x += area.left;
        request.y += area.top;
    }
    if (!parameters.parent) cascadeFromTwins(ownClassName(kindName()), area, request.x, request.y, request.width, request.height);
}

void CVWnd_WinForm::afterCreate() {
    updateCaption();
    const HICON shown = icon ? icon : LoadIconW(appInstance().resourceModule(), MAKEINTRESOURCEW(kProgramIcon));
    SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(shown));
    SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(shown));
    if (shape != kShapeRectangle) applyShape();
    if (alwaysOnTop) SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (!movable) DeleteMenu(GetSystemMenu(window, FALSE), SC_MOVE, MF_BYCOMMAND);
    applyInitialState();
}

void CVWnd_WinForm::applyInitialState() {
    if (initialState < kStateNormal) initialState = kStateNormal;
    if (initialState > kStateMaximized) initialState = kStateMaximized;
    const DWORD style = static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
    if (!(style & WS_VISIBLE) || (style & WS_CHILD)) return;
    switch (initialState) {
    case kStateMinimized: ShowWindow(window, SW_MINIMIZE); break;
    case kStateMaximized: ShowWindow(window, SW_MAXIMIZE); break;
    case kStateCentred: {
        if (IsIconic(window) || IsZoomed(window)) ShowWindow(window, SW_RESTORE);
        RECT bounds{};
        GetWindowRect(window, &bounds);
        const RECT area = placementArea(GetParent(window));
        const int x = area.left + (area.right - area.left - (bounds.right - bounds.left)) / 2;
        const int y = area.top + (area.bottom - area.top - (bounds.bottom - bounds.top)) / 2;
        if (x != bounds.left || y != bounds.top)
            SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        break;
    }
    default: ShowWindow(window, SW_SHOWNORMAL); break;
    }
}

// The caption bar shows with a frame when the control box is on or the title says more than the
// program's name; border style 0 never has one.
void CVWnd_WinForm::updateCaption() {
    if (!window) return;
    if (borderStyle == kBorderNone) {
        changeStyle(GWL_STYLE, 0, WS_CAPTION);
        return;
    }
    const WideString title = text();
    const bool caption = controlBox || (!title.empty() && title != kProgramName);
    changeStyle(GWL_STYLE, caption ? WS_CAPTION : WS_DLGFRAME, caption ? 0 : WS_BORDER);
}

void CVWnd_WinForm::setTitle(const WideString& title) {
    setText(title);
    updateCaption();
}

void CVWnd_WinForm::setBorderStyle(int style) {
    borderStyle = style;
    if (!window || style != kBorderNone) return;
    changeStyle(GWL_EXSTYLE, 0, kFrameExtendedStyles);
    changeStyle(GWL_STYLE, 0, WS_THICKFRAME | WS_DLGFRAME);
    updateCaption();
}

void CVWnd_WinForm::setShape(int value) {
    shape = value < kShapeRectangle ? kShapeRectangle : (value > kShapeRoundedRectangle ? kShapeRoundedRectangle : value);
    if (window) applyShape();
}

void CVWnd_WinForm::applyShape() {
    RECT bounds{};
    GetWindowRect(window, &bounds);
    const int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
    OwnedRegion region;
    if (shape == kShapeEllipse) {
        region = OwnedRegion(CreateEllipticRgn(0, 0, width, height));
    } else if (shape == kShapeRoundedRectangle) {
        const int corner = width / 5 < height / 5 ? width / 5 : height / 5;
        region = OwnedRegion(CreateRoundRectRgn(0, 0, width, height, corner, corner));
    }
    // The system owns a region once SetWindowRgn accepts it; a refused one is deleted here.
    if (SetWindowRgn(window, region.get(), TRUE)) region.take();
}

bool CVWnd_WinForm::showTrayIcon(HICON trayIcon, const WideString& tip) {
    if (!window) return false;
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = window;
    data.uID = kTrayIconId;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = kMessageTrayIcon;
    data.hIcon = trayIcon;
    lstrcpynW(data.szTip, wide(tip), static_cast<int>(std::size(data.szTip)));
    trayIconShown = Shell_NotifyIconW(trayIconShown ? NIM_MODIFY : NIM_ADD, &data) != FALSE || trayIconShown;
    return trayIconShown;
}

int CVWnd_WinForm::runModal(HWND owner) {
    if (!window) {
        CreationParameters parameters;
        parameters.parent = owner;
        parameters.x = parameters.y = parameters.width = parameters.height = static_cast<int>(CW_USEDEFAULT);
        parameters.style = storedStyle | WS_POPUP;
        if (!create(parameters)) return -1;
    }
    const bool ownerEnabled = owner && IsWindowEnabled(owner);
    if (ownerEnabled) EnableWindow(owner, FALSE);
    ShowWindow(window, SW_SHOW);
    inModalRun = true;
    modalEnded = false;
    modalResult = -1;
    MessagePump* const pump = windowModule().loopOf(GetCurrentThreadId());
    MSG message{};
    while (!modalEnded && window) {
        const BOOL received = GetMessageW(&message, nullptr, 0, 0);
        if (received == 0) {
            PostQuitMessage(static_cast<int>(message.wParam));   // the outer loop must end too
            break;
        }
        if (received == -1) continue;
        if (pump ? pump->preTranslateMessage(message) : preTranslateInput(message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    inModalRun = false;
    if (ownerEnabled) EnableWindow(owner, TRUE);
    destroyWindow();
    return modalResult;
}

void CVWnd_WinForm::endModal(int result) {
    modalResult = result;
    modalEnded = true;
}
