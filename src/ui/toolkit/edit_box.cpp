// The edit box's colours, input mode, border and vertical centring of a single line: the client
// area is cut to the text's height in WM_NCCALCSIZE and the band around it painted in WM_NCPAINT.
#include "ui/toolkit/edit_box.h"

#include "ui/toolkit/private_messages.h"

#include <commctrl.h>

namespace {

constexpr DWORD kEdgeExtendedStyles = WS_EX_DLGMODALFRAME | WS_EX_CLIENTEDGE | WS_EX_STATICEDGE;   // 0x20201

}  // namespace

CVWnd_Edit::CVWnd_Edit() : WindowObject(events), backgroundBrush(CreateSolidBrush(0xFFFFFF)) {
    storedStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP | ES_AUTOHSCROLL;
}

void CVWnd_Edit::setTextColour(COLORREF colour) {
    textColour = colour;
    if (window) InvalidateRect(window, nullptr, FALSE);
}

void CVWnd_Edit::setBackgroundColour(COLORREF colour) {
    background = colour;
    backgroundBrush = OwnedBrush(CreateSolidBrush(resolvedColour(colour, COLOR_BTNFACE)));
    if (window) InvalidateRect(window, nullptr, FALSE);
}

void CVWnd_Edit::setInputMode(int mode) {
    inputMode = mode;
    applyInputMode();
}

void CVWnd_Edit::setBorderStyle(int style) {
    borderStyle = style;
    applyBorderStyle();
}

void CVWnd_Edit::showTextEnd() {
    if (!window) return;
    const int length = GetWindowTextLengthW(window);
    SendMessageW(window, EM_SETSEL, length, length);
    SendMessageW(window, EM_SCROLLCARET, 0, 0);
}

WindowObject::NativeWindowRequest CVWnd_Edit::creationRequest(const CreationParameters& parameters) {
    NativeWindowRequest request = WindowObject::creationRequest(parameters);
    if (multiLine) request.style |= ES_MULTILINE | ES_AUTOVSCROLL;
    return request;
}

void CVWnd_Edit::afterCreate() {
    applyBorderStyle();
    applyInputMode();
    if (wantsSpin) createSpin();
}

void CVWnd_Edit::setSpinArrows(int minimum, int maximum, bool automatic) {
    spin.minimum = minimum;
    spin.maximum = maximum;
    spin.automatic = automatic;
    wantsSpin = true;
    if (window && !spin.handle()) createSpin();
}

// The arrows sit against the box's right edge, as tall as the box, and start visible and enabled
// as the box is.
void CVWnd_Edit::createSpin() {
    RECT bounds{};
    GetWindowRect(window, &bounds);
    const HWND parent = GetParent(window);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&bounds), 2);
    CreationParameters parameters;
    parameters.parent = parent;
    parameters.x = bounds.right;
    parameters.y = bounds.top;
    parameters.width = GetSystemMetrics(SM_CXVSCROLL);
    parameters.height = bounds.bottom - bounds.top;
    parameters.style = WS_CHILD | (static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)) & (WS_VISIBLE | WS_DISABLED));
    parameters.controlId = id + 1000;
    spin.create(parameters);
}

void CEditSpin::afterCreate() { SendMessageW(window, UDM_SETRANGE32, minimum, maximum); }

LRESULT CEditSpin::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kReflectedBase + WM_NOTIFY && reinterpret_cast<const NMHDR*>(lParam)->code == UDN_DELTAPOS) {
        step(reinterpret_cast<const NMUPDOWN*>(lParam)->iDelta > 0 ? 1 : -1);
        return TRUE;   // the box holds the value; the control keeps no position of its own
    }
    return WindowObject::handleMessage(message, wParam, lParam);
}

void CEditSpin::step(int delta) {
    if (!automatic) {
        edit.events.spinStep.raise(edit, delta);
        return;
    }
    int value = decimalValue(edit.text()) + delta;
    if (value > maximum) value = minimum;
    if (value < minimum) value = maximum;
    edit.setText(decimalText(value));
    SendMessageW(edit.handle(), EM_SETSEL, 0, -1);
    SendMessageW(edit.handle(), EM_SCROLLCARET, 0, 0);
    SetFocus(edit.handle());
}

void CVWnd_Edit::applyInputMode() {
    if (!window) return;
    SendMessageW(window, EM_SETPASSWORDCHAR, inputMode == kInputPassword ? L'*' : 0, 0);
    SendMessageW(window, EM_SETREADONLY, inputMode == kInputReadOnly, 0);
    InvalidateRect(window, nullptr, TRUE);
}

void CVWnd_Edit::applyBorderStyle() {
    if (!window) return;
    switch (borderStyle) {
    case kBorderSingleLine:
        changeStyle(GWL_STYLE, WS_BORDER, 0);
        changeStyle(GWL_EXSTYLE, 0, kEdgeExtendedStyles);
        break;
    case kBorderSunken:
        changeStyle(GWL_STYLE, 0, WS_BORDER);
        changeStyle(GWL_EXSTYLE, WS_EX_CLIENTEDGE, WS_EX_DLGMODALFRAME | WS_EX_STATICEDGE);
        break;
    default:
        changeStyle(GWL_STYLE, 0, WS_BORDER);
        changeStyle(GWL_EXSTYLE, 0, kEdgeExtendedStyles);
        break;
    }
}

LRESULT CVWnd_Edit::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case kReflectedBase + WM_CTLCOLOREDIT:
    case kReflectedBase + WM_CTLCOLORSTATIC: return onColourMessage(reinterpret_cast<HDC>(wParam));
    case WM_SETFONT: return onSetFont(wParam, lParam);
    case WM_NCCALCSIZE: return onCalculateSize(wParam, lParam);
    case WM_NCPAINT: return onNonClientPaint(wParam, lParam);
    case WM_NCHITTEST: return onHitTest(wParam, lParam);
    case WM_KILLFOCUS: return onKillFocus(wParam, lParam);
    default: return WindowObject::handleMessage(message, wParam, lParam);
    }
}

LRESULT CVWnd_Edit::onKillFocus(WPARAM wParam, LPARAM lParam) {
    if (isTypedInputMode(inputMode)) {
        const WideString shown = text(), normalised = normalisedInput(inputMode, shown);
        if (normalised != shown) setText(normalised);
    }
    return WindowObject::handleMessage(WM_KILLFOCUS, wParam, lParam);
}

LRESULT CVWnd_Edit::onColourMessage(HDC dc) {
    SetTextColor(dc, textColour);
    SetBkColor(dc, resolvedColour(background, COLOR_BTNFACE));
    return reinterpret_cast<LRESULT>(backgroundBrush.get());
}

LRESULT CVWnd_Edit::onSetFont(WPARAM wParam, LPARAM lParam) {
    const LRESULT result = WindowObject::handleMessage(WM_SETFONT, wParam, lParam);
    if (multiLine) return result;
    {
        const WindowDC screen;
        const SelectedObject selection(screen.get(), reinterpret_cast<HGDIOBJ>(wParam));
        TEXTMETRICW metrics{};
        textHeight = GetTextMetricsW(screen.get(), &metrics) ? metrics.tmHeight : 0;
    }
    RECT bounds{};
    GetWindowRect(window, &bounds);
    const int needed = textHeight + 2 * GetSystemMetrics(SM_CYEDGE) + 2;
    if (bounds.bottom - bounds.top < needed)
        SetWindowPos(window, nullptr, 0, 0, bounds.right - bounds.left, needed, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    return result;
}

LRESULT CVWnd_Edit::onCalculateSize(WPARAM wParam, LPARAM lParam) {
    const LRESULT result = callBase(WM_NCCALCSIZE, wParam, lParam);
    if (multiLine || textHeight <= 0) return result;
    RECT& client = *reinterpret_cast<RECT*>(lParam);   // rgrc[0] when wParam is TRUE
    if (client.bottom - client.top > textHeight) {
        client.top += (client.bottom - client.top - textHeight) / 2;
        client.bottom = client.top + textHeight;
    }
    return result;
}

LRESULT CVWnd_Edit::onNonClientPaint(WPARAM wParam, LPARAM lParam) {
    if (!multiLine && textHeight > 0) {
        const WindowDC frame(window, true);
        const HDC dc = frame.get();
        RECT bounds{}, client{};
        GetWindowRect(window, &bounds);
        GetClientRect(window, &client);
        MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
        OffsetRect(&client, -bounds.left, -bounds.top);
        OffsetRect(&bounds, -bounds.left, -bounds.top);
        ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);
        FillRect(dc, &bounds, backgroundBrush.get());
    }
    return callBase(WM_NCPAINT, wParam, lParam);
}

LRESULT CVWnd_Edit::onHitTest(WPARAM wParam, LPARAM lParam) {
    const LRESULT result = callBase(WM_NCHITTEST, wParam, lParam);
    if (multiLine || result == HTCLIENT) return result;
    POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ScreenToClient(window, &point);
    RECT client{};
    GetClientRect(window, &client);
    return PtInRect(&client, point) ? result : HTBORDER;
}
