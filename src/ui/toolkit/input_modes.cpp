// Reading and writing the typed modes' numbers.
#include "ui/toolkit/input_modes.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

long long clampedInteger(const std::string& text, long long minimum, long long maximum) {
    const long long value = std::strtoll(text.c_str(), nullptr, 10);
    return std::clamp(value, minimum, maximum);
}

std::string formatted(const char* format, double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

}  // namespace

bool isTypedInputMode(int mode) { return mode >= kInputByte && mode <= kInputDouble; }

WideString normalisedInput(int mode, const WideString& text) {
    if (!isTypedInputMode(mode)) return text;
    const std::string narrow = toUtf8(text);
    switch (mode) {
    case kInputByte: return asciiText(std::to_string(clampedInteger(narrow, 0, 255)));
    case kInputShort: return asciiText(std::to_string(clampedInteger(narrow, -32768, 32767)));
    case kInputInteger: return asciiText(std::to_string(clampedInteger(narrow, INT32_MIN, INT32_MAX)));
    case kInputFloat: return asciiText(formatted("%.6G", static_cast<float>(std::strtod(narrow.c_str(), nullptr))));
    default: return asciiText(formatted("%.13G", std::strtod(narrow.c_str(), nullptr)));
    }
}
