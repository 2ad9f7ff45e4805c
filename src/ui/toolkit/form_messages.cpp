// The form's message handling and its pre-translation of queued input: close queries, activation,
// dropped files, the tray icon, Escape, drag-to-move and dialog-style navigation.
#include <windowsx.h>

#include <string>

#include "ui/toolkit/form.h"
#include "ui/toolkit/private_messages.h"
#include "ui/toolkit/win32_text.h"

namespace {

constexpr UINT kTrayIconId = 100;

bool isEditWindow(HWND target) {
    wchar_t name[16] = {};
    return target && GetClassNameW(target, name, 16) && lstrcmpiW(name, L"Edit") == 0;
}

}  // namespace

LRESULT CVWnd_WinForm::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: return onCreate();
    case WM_CLOSE: return onClose();
    case WM_QUERYENDSESSION: return closeAllowed() ? TRUE : FALSE;
    case WM_GETMINMAXINFO: return onMinMaxInfo(*reinterpret_cast<MINMAXINFO*>(lParam));
    case WM_ACTIVATE: return onActivate(wParam);
    case WM_DESTROY: return onDestroy(wParam, lParam);
    case WM_DROPFILES: return onDropFiles(reinterpret_cast<HDROP>(wParam));
    case WM_MENUSELECT: events.menuSelect.raise(*this, LOWORD(wParam), HIWORD(wParam)); break;
    case WM_SIZE: if (shape != kShapeRectangle) applyShape(); break;
    case WM_PAINT:
    case WM_PRINTCLIENT: return onPaint(message, wParam);
    case WM_ICONERASEBKGND: return TRUE;
    case kMessageTrayIcon: return onTrayIcon(lParam);
    default: break;
    }
    return WindowObject::handleMessage(message, wParam, lParam);
}

LRESULT CVWnd_WinForm::onCreate() {
    buildControls();
    events.created.raise(*this);
    return 0;
}

bool CVWnd_WinForm::closeAllowed() {
    if (events.closeQuery.raise(*this) != 0) return false;
    return events.closeConfirm.raise(*this) == 0;
}

LRESULT CVWnd_WinForm::onClose() {
    const HWND self = window;
    if (!closeAllowed() || !self || !IsWindow(self)) return 0;
    if (inModalRun)
        endModal(-1);
    else
        DestroyWindow(self);
    return 0;
}

LRESULT CVWnd_WinForm::onMinMaxInfo(MINMAXINFO& info) {
    info.ptMinTrackSize = POINT{1, 1};
    rg_ChuangKouWeiZhiXianZhiXinXi limits{info.ptMinTrackSize, info.ptMaxTrackSize};
    events.minMaxInfo.raise(*this, limits);
    info.ptMinTrackSize = limits.minimumTrackSize;
    info.ptMaxTrackSize = limits.maximumTrackSize;
    return 0;
}

LRESULT CVWnd_WinForm::onActivate(WPARAM wParam) {
    if (LOWORD(wParam) == WA_INACTIVE) {
        events.deactivated.raise(*this);
    } else if (!activatedBefore) {
        activatedBefore = true;
        events.firstActivated.raise(*this);
    } else {
        events.activated.raise(*this);
    }
    return callBase(WM_ACTIVATE, wParam, 0);
}

LRESULT CVWnd_WinForm::onDestroy(WPARAM wParam, LPARAM lParam) {
    if (trayIconShown) {
        NOTIFYICONDATAW data{};
        data.cbSize = sizeof data;
        data.hWnd = window;
        data.uID = kTrayIconId;
        Shell_NotifyIconW(NIM_DELETE, &data);
        trayIconShown = false;
    }
    if (inModalRun) endModal(modalResult);
    return callBase(WM_DESTROY, wParam, lParam);
}

LRESULT CVWnd_WinForm::onDropFiles(HDROP drop) {
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    StringArray paths;
    for (UINT index = 0; index < count; ++index) {
        // Asked for its length first, a path past MAX_PATH arrives whole.
        const UINT length = DragQueryFileW(drop, index, nullptr, 0);
        if (length == 0) continue;
        std::wstring path(length + 1, L'\0');
        if (DragQueryFileW(drop, index, path.data(), length + 1) == length) paths.push_back(fromWide(path.data(), length));
    }
    DragFinish(drop);
    if (!paths.empty()) events.filesDropped.raise(*this, paths);
    return 0;
}

LRESULT CVWnd_WinForm::onTrayIcon(LPARAM mouseMessage) {
    switch (mouseMessage) {
    case WM_LBUTTONUP: events.trayMouse.raise(*this, 1); break;
    case WM_LBUTTONDBLCLK: events.trayMouse.raise(*this, 2); break;
    case WM_RBUTTONUP:
    case WM_CONTEXTMENU: events.trayMouse.raise(*this, 3); break;
    default: break;
    }
    return 0;
}

LRESULT CVWnd_WinForm::onPaint(UINT message, WPARAM wParam) {
    const HICON shown = reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, ICON_BIG, 0));
    if (!IsIconic(window) || !shown) return paintMessage(message, wParam);
    const PaintScope paint(window);
    RECT client{};
    GetClientRect(window, &client);
    DefWindowProcW(window, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(paint.get()), 0);
    DrawIcon(paint.get(), (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2,
             (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2, shown);
    return 0;
}

bool CVWnd_WinForm::isDragTarget(HWND target) const {
    if (target == window) return true;
    return IsChild(window, target) && (SendMessageW(target, WM_GETDLGCODE, 0, 0) & DLGC_STATIC);
}

bool CVWnd_WinForm::preTranslate(MSG& message) {
    const HWND self = window;
    if (events.messagePreFilter.raise(*this, &message) != 0 || !IsWindow(self)) return true;
    if (message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN) {
        if (!IsWindowEnabled(message.hwnd)) return false;
        if (message.wParam == VK_ESCAPE) {
            if (!closeOnEscape) return false;
            PostMessageW(window, WM_CLOSE, 0, 0);
            return true;
        }
    }
    if (dragToMove && message.message == WM_LBUTTONDOWN && isDragTarget(message.hwnd)) {
        PostMessageW(window, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(message.pt.x, message.pt.y));
        return true;
    }
    if (message.message == WM_KEYDOWN) {
        // Clipboard keys and Enter stay with the focused window; Tab and Shift+Tab leave an edit box.
        const WPARAM key = message.wParam;
        const bool control = GetKeyState(VK_CONTROL) < 0;
        if (control && (key == 'A' || key == 'C' || key == 'V' || key == 'X') && isEditWindow(message.hwnd)) return false;
        if (key == VK_RETURN) return false;
        if (key == VK_TAB && isEditWindow(message.hwnd)) {
            if (const HWND next = GetNextDlgTabItem(window, message.hwnd, GetKeyState(VK_SHIFT) < 0)) SetFocus(next);
            return true;
        }
    }
    return IsDialogMessageW(window, &message) != FALSE;
}
