// Message pumping and pixel snapshots for the toolkit tests.
#include "toolkit/window_fixture.h"

#include "ui/toolkit/gdi_owners.h"

CreationParameters childAt(HWND parent, int x, int y, int width, int height, int controlId) {
    CreationParameters parameters;
    parameters.parent = parent;
    parameters.x = x;
    parameters.y = y;
    parameters.width = width;
    parameters.height = height;
    parameters.controlId = controlId;
    return parameters;
}

CreationParameters defaultPlacement() {
    CreationParameters parameters;
    parameters.x = parameters.y = parameters.width = parameters.height = static_cast<int>(CW_USEDEFAULT);
    return parameters;
}

bool createPlainForm(TestForm& form, int x, int y, int width, int height, bool shown) {
    form.setBorderStyle(CVWnd_WinForm::kBorderNone);
    if (shown) form.setWindowStyle(WS_CLIPSIBLINGS | WS_VISIBLE);
    form.designWidth = width;
    form.designHeight = height;
    CreationParameters parameters;
    parameters.x = x;
    parameters.y = y;
    parameters.width = parameters.height = static_cast<int>(CW_USEDEFAULT);
    if (!form.create(parameters)) return false;
    if (shown) SetWindowPos(form.handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    pumpMessages();
    return true;
}

void pumpMessages(int milliseconds) {
    const DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
    do {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(5);
    } while (static_cast<int>(end - GetTickCount()) > 0);
}

Snapshot::Snapshot(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    pumpMessages(30);
    RECT client{};
    GetClientRect(window, &client);
    columns = client.right;
    rows = client.bottom;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = columns;
    info.bmiHeader.biHeight = -rows;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const WindowDC windowDc(window);
    const OwnedBitmap bitmap(CreateDIBSection(windowDc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    const OwnedMemoryDC memory(CreateCompatibleDC(windowDc.get()));
    {
        const SelectedObject selection(memory.get(), bitmap.get());
        BitBlt(memory.get(), 0, 0, columns, rows, windowDc.get(), 0, 0, SRCCOPY);
        GdiFlush();
    }
    pixels.resize(static_cast<std::size_t>(columns) * rows);
    const auto* source = static_cast<const DWORD*>(bits);
    for (std::size_t i = 0; i < pixels.size() && source; ++i)
        pixels[i] = RGB((source[i] >> 16) & 0xFF, (source[i] >> 8) & 0xFF, source[i] & 0xFF);
}

COLORREF Snapshot::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= columns || y >= rows) return CLR_INVALID;
    return pixels[static_cast<std::size_t>(y) * columns + x];
}

int Snapshot::count(COLORREF colour, int left, int top, int right, int bottom) const {
    int found = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            if (pixel(x, y) == colour) ++found;
    return found;
}
