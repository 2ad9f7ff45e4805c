// Shared pieces of the toolkit tests: a form whose size and controls a test chooses, message
// pumping, and pixels read back from a rendered window.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "ui/toolkit/form.h"

// A form whose design client size and controls come from the test.
class TestForm : public CVWnd_WinForm {
public:
    // Hidden unless the test shows it (see createPlainForm).
    TestForm() { setWindowStyle(WS_CLIPSIBLINGS); }

    int designWidth = 0;
    int designHeight = 0;
    std::function<void(TestForm&)> build;

    int clientWidth() override { return designWidth; }
    int clientHeight() override { return designHeight; }

protected:
    void buildControls() override {
        if (build) build(*this);
    }
};

// Creation parameters of a child control of parent at a rectangle.
CreationParameters childAt(HWND parent, int x, int y, int width, int height, int controlId = -1);
// A borderless top-level form of the client size at (x, y) on the screen. Only tests that read
// pixels or the mouse need it shown: under Wine destroying a shown top-level window takes 2 s.
bool createPlainForm(TestForm& form, int x, int y, int width, int height, bool shown = false);
// Default position and size: the form's client size, centred.
CreationParameters defaultPlacement();

// Dispatches what is queued for this thread, for a short while.
void pumpMessages(int milliseconds = 50);

// The client area of a window as it shows on the screen, read through its device context after a
// full repaint.
class Snapshot {
public:
    explicit Snapshot(HWND window);
    COLORREF pixel(int x, int y) const;
    int width() const { return columns; }
    int height() const { return rows; }
    // How many pixels of the rectangle [left, right) × [top, bottom) have the colour.
    int count(COLORREF colour, int left, int top, int right, int bottom) const;

private:
    int columns = 0;
    int rows = 0;
    std::vector<COLORREF> pixels;
};
