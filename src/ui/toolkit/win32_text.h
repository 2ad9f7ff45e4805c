// WideString and the wide-character Windows calls: on Windows wchar_t is 16 bits, so the UTF-16
// code units pass through unchanged.
#pragma once

#include <windows.h>

#include <string_view>

#include "base/wide_string.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide characters are UTF-16 code units");

inline const wchar_t* wide(const WideString& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

inline WideString fromWide(const wchar_t* text, std::size_t length) {
    return WideString(reinterpret_cast<const char16_t*>(text), length);
}

inline WideString fromWide(const wchar_t* text) { return text ? fromWide(text, wcslen(text)) : WideString(); }

// The text of a window (GetWindowTextW); empty for no window.
WideString windowText(HWND window);
