// Container painting: the update box filled with the background colour, then the picture.
#include "ui/toolkit/container.h"

#include "ui/toolkit/background_picture.h"

void ContainerWindow::setBackgroundColour(COLORREF colour) {
    background = colour;
    if (window) InvalidateRect(window, nullptr, FALSE);
}

void ContainerWindow::setBackgroundPicture(HBITMAP replacement, int mode) {
    if (replacement != picture.get()) picture = OwnedBitmap(replacement);
    pictureMode = mode;
    if (window) InvalidateRect(window, nullptr, FALSE);
}

void ContainerWindow::paintClient(HDC dc, const RECT& update) {
    const OwnedBrush brush(CreateSolidBrush(resolvedColour(background, COLOR_BTNFACE)));
    FillRect(dc, &update, brush.get());
    if (!picture) return;
    RECT client{};
    GetClientRect(window, &client);
    drawBackgroundPicture(dc, picture.get(), pictureMode, client, update);
}

LRESULT CVWnd_Container::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
    case WM_PRINTCLIENT: return paintMessage(message, wParam);
    default: return WindowObject::handleMessage(message, wParam, lParam);
    }
}
