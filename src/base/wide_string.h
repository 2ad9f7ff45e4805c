// The runtime's text and buffer types, and the one conversion between UTF-8 and UTF-16.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Text as UTF-16 code units; positions and lengths count code units. c_str() gives the terminating zero.
using WideString = std::u16string;
using StringArray = std::vector<WideString>;
// Raw bytes with a length, for example a path as UTF-8 with its terminating zero.
using ByteBuffer = std::vector<unsigned char>;

// UTF-16 to UTF-8. A lone surrogate becomes U+FFFD; never fails.
std::string toUtf8(std::u16string_view text);
// UTF-8 to UTF-16. Every invalid or truncated sequence becomes one U+FFFD; never fails.
WideString fromUtf8(std::string_view bytes);
// The bytes of a text as UTF-8 followed by one zero byte; the buffer's length counts the zero.
ByteBuffer utf8WithZero(std::u16string_view text);

// A number in plain decimal digits, with a leading minus when negative.
WideString decimalText(std::int64_t value);
// Decimal value of a text: leading white space skipped, an optional sign, digits up to the first
// other character. No digit gives 0; values beyond 32 bits are cut to the low 32 bits.
std::int32_t decimalValue(std::u16string_view text);

// An ASCII text as WideString, for literals and messages that are plain ASCII.
WideString asciiText(std::string_view text);
