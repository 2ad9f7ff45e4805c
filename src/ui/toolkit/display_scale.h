// The display scale factor: design pixels (96 DPI) to device pixels.
#pragma once

// Effective DPI divided by 96, never below 1.0 (so 72 DPI gives 1.0, 120 gives 1.25).
double scaleForDpi(unsigned dpi);

// The vertical effective DPI of the monitor nearest the desktop window through SHCore.dll's
// GetDpiForMonitor, loaded at run time; without SHCore.dll or its function, or when it answers 0,
// LOGPIXELSY of the desktop's device context.
unsigned queryDisplayDpi();

// The process's scale factor: 1.0 until setDisplayScale; main thread only.
double displayScale();
void setDisplayScale(double scale);

// A design-pixel value in device pixels: trunc(value × scale + 0.5).
int scaledBy(int designValue, double scale);
int scaled(int designValue);
