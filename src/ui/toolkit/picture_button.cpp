// The picture button's states, capture rules and flicker-free painting through one memory bitmap.
#include "ui/toolkit/picture_button.h"

#include <windowsx.h>

void CVWnd_PicButton::setPicture(int slot, HBITMAP picture) {
    if (slot < kNormal || slot > kDisabled) return;
    if (picture != pictures[slot].get()) pictures[slot] = OwnedBitmap(picture);
    refresh(false);
}

void CVWnd_PicButton::setBackgroundColour(COLORREF colour) {
    background = colour;
    if (window) InvalidateRect(window, nullptr, FALSE);
}

void CVWnd_PicButton::setTransparentColour(COLORREF colour) {
    transparentColour = colour;
    refresh(false);
}

void CVWnd_PicButton::setToggleMode(bool on) {
    toggleMode = on;
    if (on) changeState(checked ? kPressed : kNormal);
}

void CVWnd_PicButton::setChecked(bool on) {
    checked = on;
    if (toggleMode) changeState(checked ? kPressed : kNormal);
}

void CVWnd_PicButton::afterCreate() {
    if (toggleMode) state = checked ? kPressed : kNormal;
    refresh(false);
}

HBITMAP CVWnd_PicButton::shownPicture() const {
    int slot = state;
    if (window && !IsWindowEnabled(window) && pictures[kDisabled]) slot = kDisabled;
    return pictures[slot] ? pictures[slot].get() : pictures[kNormal].get();
}

void CVWnd_PicButton::refresh(bool stateChanged) {
    if (!window) return;
    OwnedRegion region;
    if (transparentColour != kSystemColour && shownPicture()) {
        RECT client{};
        GetClientRect(window, &client);
        region = OwnedRegion(regionFromPicture(shownPicture(), transparentColour, client.right, client.bottom));
    }
    // The system owns a region SetWindowRgn accepts; a refused one is deleted here and the button
    // stays rectangular.
    if (SetWindowRgn(window, region.get(), TRUE)) region.take();
    InvalidateRect(window, nullptr, TRUE);
    if (stateChanged) UpdateWindow(window);
}

void CVWnd_PicButton::changeState(int next) {
    if (next == state) return;
    state = next;
    refresh(true);
}

bool CVWnd_PicButton::isInside(LPARAM lParam) const {
    RECT client{};
    GetClientRect(window, &client);
    const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    return PtInRect(&client, point) != FALSE;
}

LRESULT CVWnd_PicButton::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
    case WM_PRINTCLIENT: return paintMessage(message, wParam);
    case WM_ERASEBKGND: return TRUE;   // the paint covers the whole client area
    case WM_LBUTTONDOWN: onLeftButtonDown(lParam); break;
    case WM_MOUSEMOVE: onMouseMove(wParam, lParam); break;
    case WM_LBUTTONUP: onLeftButtonUp(lParam); break;
    case WM_ENABLE: refresh(false); break;
    default: break;
    }
    return WindowObject::handleMessage(message, wParam, lParam);
}

LRESULT CVWnd_PicButton::onLeftButtonDown(LPARAM lParam) {
    if (toggleMode || !IsWindowEnabled(window) || !isInside(lParam)) return 0;
    changeState(kPressed);
    SetCapture(window);
    return 0;
}

// Holding the capture while the cursor is over the button is what lets it see the cursor leave.
LRESULT CVWnd_PicButton::onMouseMove(WPARAM wParam, LPARAM lParam) {
    if (toggleMode || !IsWindowEnabled(window)) {
        if (GetCapture() == window) ReleaseCapture();
        return 0;
    }
    POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ClientToScreen(window, &point);
    const HWND under = WindowFromPoint(point);
    if (under == window || (!under && isInside(lParam))) {
        if (GetCapture() != window) SetCapture(window);
        changeState((wParam & MK_LBUTTON) ? kPressed : kHover);
    } else {
        if (!(wParam & MK_LBUTTON) && GetCapture() == window) ReleaseCapture();
        changeState(kNormal);
    }
    return 0;
}

LRESULT CVWnd_PicButton::onLeftButtonUp(LPARAM lParam) {
    if (GetCapture() == window) ReleaseCapture();
    if (!isInside(lParam) || !IsWindowEnabled(window)) return 0;
    if (toggleMode) {
        checked = !checked;
        changeState(checked ? kPressed : kNormal);
    } else {
        changeState(kNormal);
    }
    events.click.raise(*this);
    return 0;
}

void CVWnd_PicButton::paintClient(HDC dc, const RECT&) {
    RECT client{};
    GetClientRect(window, &client);
    const OffscreenCanvas canvas(dc, client.right, client.bottom);
    if (!canvas.isReady()) return;
    const OwnedBrush brush(CreateSolidBrush(resolvedColour(background, COLOR_BTNFACE)));
    FillRect(canvas.get(), &client, brush.get());
    if (const HBITMAP picture = shownPicture()) {
        BITMAP description{};
        GetObjectW(picture, sizeof description, &description);
        const int height = description.bmHeight < 0 ? -description.bmHeight : description.bmHeight;
        const OwnedMemoryDC source(CreateCompatibleDC(dc));
        const SelectedObject selection(source.get(), picture);
        SetStretchBltMode(canvas.get(), COLORONCOLOR);
        if (isAlphaDibSection(picture)) {
            const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
            GdiAlphaBlend(canvas.get(), 0, 0, client.right, client.bottom, source.get(), 0, 0, description.bmWidth, height, blend);
        } else {
            StretchBlt(canvas.get(), 0, 0, client.right, client.bottom, source.get(), 0, 0, description.bmWidth, height, SRCCOPY);
        }
    }
    BitBlt(dc, 0, 0, client.right, client.bottom, canvas.get(), 0, 0, SRCCOPY);
}
