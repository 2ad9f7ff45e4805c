// Drives real windows from a test as a user would: dropped files, mouse presses, pixels on screen,
// and a message pump for the waits in between.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "base/wide_string.h"

// Dispatches the calling thread's messages, offering input to the toolkit first as the program's
// message loop does, until done() is true or timeoutMs pass; done()'s answer.
bool pumpUntil(const std::function<bool()>& done, int timeoutMs);
// Dispatches the calling thread's messages for milliseconds.
void pumpFor(int milliseconds);

// Sends window a WM_DROPFILES whose DROPFILES block in global memory lists paths (wide) in order,
// dropped at client point (10, 10). The receiver frees the block with DragFinish.
void dropFiles(HWND window, const StringArray& paths);

// A left-button press and release at a client point of control, as the mouse sends them.
void clickAt(HWND control, int x, int y);
// The same at the middle of control's client area.
void clickMiddle(HWND control);
// A left click through the system's input (SendInput) at a point of the screen: it reaches the
// window that shows there and, as a user's click does, activates its top-level window.
void clickOnScreen(POINT point);
// clickOnScreen, then dispatches this thread's messages until target has received the button's
// release: true, or false when timeoutMs pass first.
bool clickOnScreenUntilReceived(POINT point, HWND target, int timeoutMs);
// Moves the cursor onto control's middle and sends it the WM_MOUSEMOVE a user's move gives.
void hoverMiddle(HWND control);

WideString controlText(HWND control);
// The control of that id among window's descendants, or null.
HWND findControl(HWND window, int id);

struct Rgb {
    int red, green, blue;
    bool operator==(const Rgb&) const = default;
};

// The pixels of a window's whole rectangle as they are on screen, read back after a full repaint.
class ScreenPixels {
public:
    explicit ScreenPixels(HWND window);
    Rgb at(int x, int y) const;
    int width() const { return columns; }
    int height() const { return rows; }
    // How many pixels of the rectangle (x, y, width, height) have this colour, each channel within
    // tolerance of it (text is drawn smoothed, so only the cores of its strokes are exact).
    int count(Rgb colour, int x, int y, int width, int height, int tolerance = 0) const;

private:
    int columns = 0;
    int rows = 0;
    std::vector<std::uint32_t> pixels;
};

// Client rectangle of control in the coordinates of window's client area.
RECT rectangleIn(HWND window, HWND control);
