// Label painting: background, picture, then the text in its colour, font and alignment.
#include "ui/toolkit/label.h"

#include "ui/toolkit/background_picture.h"
#include "ui/toolkit/win32_text.h"

void CVWnd_Label::repaint() {
    if (window) InvalidateRect(window, nullptr, FALSE);
}

void CVWnd_Label::setTextColour(COLORREF colour) {
    textColour = colour;
    repaint();
}

void CVWnd_Label::setBackgroundColour(COLORREF colour) {
    background = colour;
    repaint();
}

void CVWnd_Label::setTransparent(bool on) {
    transparent = on;
    repaint();
}

void CVWnd_Label::setAlignment(int horizontal, int vertical) {
    horizontalAlignment = horizontal;
    verticalAlignment = vertical;
    repaint();
}

void CVWnd_Label::setMultiLine(bool on) {
    multiLine = on;
    repaint();
}

void CVWnd_Label::setBackgroundPicture(HBITMAP replacement, int mode) {
    if (replacement != picture.get()) picture = OwnedBitmap(replacement);
    pictureMode = mode;
    repaint();
}

LRESULT CVWnd_Label::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
    case WM_PRINTCLIENT: return paintMessage(message, wParam);
    case WM_GETDLGCODE: return DLGC_STATIC;
    case WM_WINDOWPOSCHANGED:
        if (transparent && !(reinterpret_cast<const WINDOWPOS*>(lParam)->flags & SWP_NOMOVE)) InvalidateRect(window, nullptr, TRUE);
        break;
    default: break;
    }
    return WindowObject::handleMessage(message, wParam, lParam);
}

void CVWnd_Label::paintClient(HDC dc, const RECT& update) {
    RECT client{};
    GetClientRect(window, &client);
    if (!transparent) {
        const OwnedBrush brush(CreateSolidBrush(resolvedColour(background, COLOR_BTNFACE)));
        FillRect(dc, &update, brush.get());
    }
    if (picture) drawBackgroundPicture(dc, picture.get(), pictureMode, client, update);

    const WideString caption = text();
    if (caption.empty()) return;
    const SelectedObject selection(dc, font() ? static_cast<HGDIOBJ>(font()) : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, resolvedColour(textColour, COLOR_WINDOWTEXT));
    UINT format = DT_NOPREFIX;
    format |= horizontalAlignment == kAlignCentre ? DT_CENTER : (horizontalAlignment == kAlignEnd ? DT_RIGHT : DT_LEFT);
    if (multiLine)
        format |= DT_WORDBREAK | DT_VCENTER;
    else
        format |= DT_SINGLELINE | (verticalAlignment == kAlignCentre ? DT_VCENTER : (verticalAlignment == kAlignEnd ? DT_BOTTOM : DT_TOP));
    DrawTextW(dc, wide(caption), static_cast<int>(caption.size()), &client, format);
}
