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

// A free box shown topmost and brought to the foreground: no window that is not topmost, the
// program's own included, can come over it.
void showTopmostFreeBox(const WideString& text);

// A question with Yes and No buttons, shown as showTopmostFreeBox shows its box. True for Yes.
bool askTopmostFreeBox(const WideString& text);
