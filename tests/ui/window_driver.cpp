#include "window_driver.h"

#include <shlobj.h>

#include <cstdlib>
#include <cstring>

#include "ui/toolkit/input_pretranslation.h"

bool pumpUntil(const std::function<bool()>& done, int timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
    while (!done()) {
        if (GetTickCount64() >= deadline) return done();
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (preTranslateInput(message)) continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

void pumpFor(int milliseconds) {
    pumpUntil([] { return false; }, milliseconds);
}

void dropFiles(HWND window, const StringArray& paths) {
    size_t characters = 1;
    for (const WideString& path : paths) characters += path.size() + 1;
    const size_t size = sizeof(DROPFILES) + characters * sizeof(wchar_t);
    HGLOBAL block = GlobalAlloc(GHND, size);
    auto* header = static_cast<DROPFILES*>(GlobalLock(block));
    header->pFiles = sizeof(DROPFILES);
    header->pt = POINT{10, 10};
    header->fNC = FALSE;
    header->fWide = TRUE;
    auto* list = reinterpret_cast<wchar_t*>(reinterpret_cast<char*>(header) + sizeof(DROPFILES));
    for (const WideString& path : paths) {
        std::memcpy(list, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
        list += path.size() + 1;
    }
    *list = L'\0';
    GlobalUnlock(block);
    SendMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(block), 0);
}

void clickAt(HWND control, int x, int y) {
    const LPARAM point = MAKELPARAM(x, y);
    SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, point);
    SendMessageW(control, WM_LBUTTONUP, 0, point);
}

void clickMiddle(HWND control) {
    RECT client;
    GetClientRect(control, &client);
    clickAt(control, client.right / 2, client.bottom / 2);
}

void clickOnScreen(POINT point) {
    // Absolute coordinates run from 0 to 65535 across the primary screen.
    const LONG x = MulDiv(point.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
    const LONG y = MulDiv(point.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
    INPUT inputs[3] = {};
    const DWORD flags[3] = {MOUSEEVENTF_MOVE, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP};
    for (int i = 0; i < 3; ++i) {
        inputs[i].type = INPUT_MOUSE;
        inputs[i].mi.dx = x;
        inputs[i].mi.dy = y;
        inputs[i].mi.dwFlags = flags[i] | MOUSEEVENTF_ABSOLUTE;
    }
    SendInput(3, inputs, sizeof(INPUT));
}

namespace {
// The window whose button release is awaited, and whether it came: hook procedures take no context.
HWND releaseTarget = nullptr;
bool releaseReceived = false;

LRESULT CALLBACK noteRelease(int code, WPARAM removal, LPARAM lParam) {
    const auto* message = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && removal == PM_REMOVE && message->message == WM_LBUTTONUP && message->hwnd == releaseTarget)
        releaseReceived = true;
    return CallNextHookEx(nullptr, code, removal, lParam);
}
}  // namespace

bool clickOnScreenUntilReceived(POINT point, HWND target, int timeoutMs) {
    releaseTarget = target;
    releaseReceived = false;
    const HHOOK hook = SetWindowsHookExW(WH_GETMESSAGE, noteRelease, nullptr, GetCurrentThreadId());
    clickOnScreen(point);
    const bool received = pumpUntil([] { return releaseReceived; }, timeoutMs);
    UnhookWindowsHookEx(hook);
    releaseTarget = nullptr;
    return received;
}

void hoverMiddle(HWND control) {
    RECT client;
    GetClientRect(control, &client);
    POINT middle{client.right / 2, client.bottom / 2};
    POINT onScreen = middle;
    ClientToScreen(control, &onScreen);
    SetCursorPos(onScreen.x, onScreen.y);
    SendMessageW(control, WM_MOUSEMOVE, 0, MAKELPARAM(middle.x, middle.y));
}

WideString controlText(HWND control) {
    const int length = GetWindowTextLengthW(control);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int read = GetWindowTextW(control, text.data(), length + 1);
    return WideString(reinterpret_cast<const char16_t*>(text.data()), static_cast<size_t>(read));
}

namespace {
struct ControlSearch {
    int id;
    HWND found;
};
BOOL CALLBACK matchId(HWND window, LPARAM search) {
    auto* wanted = reinterpret_cast<ControlSearch*>(search);
    if (GetDlgCtrlID(window) != wanted->id) return TRUE;
    wanted->found = window;
    return FALSE;
}
}  // namespace

HWND findControl(HWND window, int id) {
    ControlSearch search{id, nullptr};
    EnumChildWindows(window, matchId, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

RECT rectangleIn(HWND window, HWND control) {
    RECT rectangle;
    GetClientRect(control, &rectangle);
    MapWindowPoints(control, window, reinterpret_cast<POINT*>(&rectangle), 2);
    return rectangle;
}

ScreenPixels::ScreenPixels(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    // Wine paints into a surface of its own and puts it on the screen from the message loop.
    pumpFor(100);
    RECT frame;
    GetWindowRect(window, &frame);
    columns = frame.right - frame.left;
    rows = frame.bottom - frame.top;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = columns;
    info.bmiHeader.biHeight = -rows;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, columns, rows, screen, frame.left, frame.top, SRCCOPY);
    GdiFlush();
    pixels.assign(static_cast<const std::uint32_t*>(bits), static_cast<const std::uint32_t*>(bits) + columns * rows);
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

Rgb ScreenPixels::at(int x, int y) const {
    const std::uint32_t pixel = pixels[static_cast<size_t>(y * columns + x)];
    return Rgb{static_cast<int>((pixel >> 16) & 0xFF), static_cast<int>((pixel >> 8) & 0xFF),
               static_cast<int>(pixel & 0xFF)};
}

int ScreenPixels::count(Rgb colour, int x, int y, int width, int height, int tolerance) const {
    int matching = 0;
    for (int row = y; row < y + height; ++row)
        for (int column = x; column < x + width; ++column) {
            const Rgb pixel = at(column, row);
            if (std::abs(pixel.red - colour.red) <= tolerance && std::abs(pixel.green - colour.green) <= tolerance &&
                std::abs(pixel.blue - colour.blue) <= tolerance)
                ++matching;
        }
    return matching;
}
