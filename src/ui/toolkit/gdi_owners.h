// One owner per GDI or USER handle: fonts, bitmaps, brushes, pens, regions, device contexts and
// image lists are released by the destructor of the object that holds them, never by hand. The
// owner template is the platform layer's; the releasers of the window handles are here.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "platform/win32/owned_handle.h"

using platform::Owned;

struct DeleteGdiObject {
    static bool isHandle(HGDIOBJ object) { return object != nullptr; }
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
struct DeleteMemoryDC {
    static bool isHandle(HDC dc) { return dc != nullptr; }
    void operator()(HDC dc) const { DeleteDC(dc); }
};
struct DestroyImageList {
    static bool isHandle(HIMAGELIST list) { return list != nullptr; }
    void operator()(HIMAGELIST list) const { ImageList_Destroy(list); }
};

struct DestroyWindowHandle {
    static bool isHandle(HWND window) { return window != nullptr; }
    void operator()(HWND window) const { DestroyWindow(window); }
};

using OwnedFont = Owned<HFONT, DeleteGdiObject>;
using OwnedBitmap = Owned<HBITMAP, DeleteGdiObject>;
using OwnedBrush = Owned<HBRUSH, DeleteGdiObject>;
using OwnedPen = Owned<HPEN, DeleteGdiObject>;
using OwnedRegion = Owned<HRGN, DeleteGdiObject>;
using OwnedMemoryDC = Owned<HDC, DeleteMemoryDC>;
using OwnedImageList = Owned<HIMAGELIST, DestroyImageList>;
// A window this object made for itself (a tooltip, spin arrows), not a toolkit window.
using OwnedWindow = Owned<HWND, DestroyWindowHandle>;

// A window's client (GetDC) or whole-window (GetWindowDC) device context, or the screen's,
// released with ReleaseDC.
class WindowDC {
public:
    explicit WindowDC(HWND window = nullptr, bool wholeWindow = false)
        : window(window), dc(wholeWindow ? GetWindowDC(window) : GetDC(window)) {}
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    ~WindowDC() {
        if (dc) ReleaseDC(window, dc);
    }
    HDC get() const { return dc; }

private:
    HWND window;
    HDC dc;
};

// Selects an object into a device context and puts the previous one back when it goes.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc(dc), previous(object ? SelectObject(dc, object) : nullptr) {}
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    ~SelectedObject() {
        if (previous) SelectObject(dc, previous);
    }

private:
    HDC dc;
    HGDIOBJ previous;
};

// BeginPaint and EndPaint of one WM_PAINT.
class PaintScope {
public:
    explicit PaintScope(HWND window) : window(window) { dc = BeginPaint(window, &paint); }
    PaintScope(const PaintScope&) = delete;
    PaintScope& operator=(const PaintScope&) = delete;
    ~PaintScope() { EndPaint(window, &paint); }
    HDC get() const { return dc; }

private:
    HWND window;
    PAINTSTRUCT paint{};
    HDC dc = nullptr;
};

// A memory DC holding a bitmap compatible with another DC, for painting without flicker.
class OffscreenCanvas {
public:
    OffscreenCanvas(HDC compatibleWith, int width, int height)
        : dc(CreateCompatibleDC(compatibleWith)),
          bitmap(CreateCompatibleBitmap(compatibleWith, width, height)),
          selection(dc.get(), bitmap.get()) {}
    HDC get() const { return dc.get(); }
    bool isReady() const { return dc && bitmap; }

private:
    OwnedMemoryDC dc;
    OwnedBitmap bitmap;
    SelectedObject selection;
};

// Whether the bitmap is a DIB section of 32 bits per pixel (drawn with per-pixel alpha).
bool isAlphaDibSection(HBITMAP bitmap);
