// Colour properties: COLORREF values (0x00BBGGRR), with kSystemColour standing for the system
// colour of the role (for example COLOR_BTNFACE for a background).
#pragma once

#include <windows.h>

constexpr COLORREF kSystemColour = 0xFF000000;
constexpr COLORREF kNoFill = 0xFFFFFFFF;

inline COLORREF resolvedColour(COLORREF colour, int systemIndex) {
    return colour == kSystemColour ? GetSysColor(systemIndex) : colour;
}
