// The window's two message boxes: an OK button, no icon, the caption "信息:". Both give the
// keyboard focus back to the window that had it before, when that window still exists.
#pragma once

#include <windows.h>

#include "base/wide_string.h"

// Owned by window: modal to it. Returns when the user has pressed OK.
void showWindowBox(HWND window, const WideString& text);

// Owned by the calling thread's active window, or by the desktop when the thread has none; from a
// thread without windows the box blocks no window of the program.
void showFreeBox(const WideString& text);

// A box about the run that window started, shown from the run's thread: topmost, so that a click
// on the window cannot bury it, and centred on window; no window is disabled, so the window stays
// usable meanwhile. It never takes the keyboard from another program: when the user works in a
// window that is not this one's, the box shows without becoming active and window's taskbar button
// flashes until the user comes back. Returns when the user has pressed OK.
void showRunBox(HWND window, const WideString& text);

// A question shown as showRunBox shows its box, with Yes and No, No the default. True for Yes.
bool askRunBox(HWND window, const WideString& text);
