// The edit box's typed input modes: on leaving the box its text is normalised to the mode's type.
#pragma once

#include "base/wide_string.h"

enum InputMode : int {
    kInputPlain = 0,
    kInputReadOnly = 1,
    kInputPassword = 2,
    kInputByte = 3,      // integer clamped to 0..255
    kInputShort = 4,     // integer clamped to -32768..32767
    kInputInteger = 5,   // 32-bit integer
    kInputFloat = 6,     // shown with "%.6G"
    kInputDouble = 7,    // shown with "%.13G"
};

bool isTypedInputMode(int mode);

// The text as the mode shows it: leading white space skipped, the number read as far as it goes
// (nothing readable is 0), clamped to the type's range and written back in its format. Texts of
// the plain, read-only and password modes are returned unchanged.
WideString normalisedInput(int mode, const WideString& text);
