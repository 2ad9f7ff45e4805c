// The window's message boxes: an OK button (Yes and No for a question), no icon, the caption
// "信息:". A box that belongs to a window is centred on that window, inside its screen's work area,
// and topmost, so that neither the window nor a box of its shown earlier covers it.
// Shown while another program is in the foreground, such a box leaves the foreground and the
// keyboard to that program: it is shown without being activated and the window's taskbar button
// flashes instead, so that keys typed elsewhere never answer it. A click on the box activates it,
// as a click on the window does, and stops the flashing. Every box gives the keyboard focus back
// to the window that had it before, when that window still exists.
#pragma once

#include <windows.h>

#include "base/wide_string.h"

// Owned by window and modal to it. Returns when the user has pressed OK.
void showWindowBox(HWND window, const WideString& text);

// A refusal of what the window cannot do while a run goes on, shown as showWindowBox shows its
// box. Returns when the user has pressed OK or closeRefusalBoxes has closed it.
void showRefusalBox(HWND window, const WideString& text);
// Closes the refusal boxes open on window's thread, from any thread: what they refused can be done
// again. Each box closes once its message loop takes the OK posted to it.
void closeRefusalBoxes(HWND window);

// Owned by the calling thread's active window, or by the desktop when the thread has none: then
// centred on the screen, as the start-up tip is, shown before the window.
void showFreeBox(const WideString& text);

// The end of a run that window started, from the run's own thread: owned by window yet not modal
// to it, so that the window stays usable while the box is open. window null or gone: no owner,
// centred on the screen.
void showResultBox(HWND window, const WideString& text);

// A question at the end of a run, shown as showResultBox shows its box, with Yes and No. No is the
// default button, so that a key pressed without reading the question starts nothing. True for Yes.
bool askResultQuestion(HWND window, const WideString& text);
