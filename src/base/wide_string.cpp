// UTF-8 and UTF-16 conversion by hand: the standard codecvt facets are deprecated and throw on bad input.
#include "base/wide_string.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void appendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

void appendUtf16(WideString& out, char32_t code) {
    if (code < 0x10000) {
        out += static_cast<char16_t>(code);
    } else {
        code -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (code >> 10));
        out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
    }
}

bool isHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Decodes one UTF-8 sequence at bytes[i]; advances i past it. Rejects overlong forms,
// surrogates and values above U+10FFFF, consuming only the bytes that were valid so far.
char32_t decodeOne(std::string_view bytes, std::size_t& i) {
    const unsigned char lead = static_cast<unsigned char>(bytes[i++]);
    if (lead < 0x80) return lead;
    int extra = 0;
    char32_t code = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) { extra = 1; code = lead & 0x1F; minimum = 0x80; }
    else if ((lead & 0xF0) == 0xE0) { extra = 2; code = lead & 0x0F; minimum = 0x800; }
    else if ((lead & 0xF8) == 0xF0) { extra = 3; code = lead & 0x07; minimum = 0x10000; }
    else return kReplacement;
    for (int k = 0; k < extra; ++k) {
        if (i >= bytes.size()) return kReplacement;
        const unsigned char next = static_cast<unsigned char>(bytes[i]);
        if ((next & 0xC0) != 0x80) return kReplacement;
        code = (code << 6) | (next & 0x3F);
        ++i;
    }
    if (code < minimum || code > 0x10FFFF || isHighSurrogate(code) || isLowSurrogate(code)) return kReplacement;
    return code;
}

}  // namespace

std::string toUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size() * 3);
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t code = text[i];
        if (isHighSurrogate(code) && i + 1 < text.size() && isLowSurrogate(text[i + 1])) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (isHighSurrogate(code) || isLowSurrogate(code)) {
            code = kReplacement;
        }
        appendUtf8(out, code);
    }
    return out;
}

WideString fromUtf8(std::string_view bytes) {
    WideString out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) appendUtf16(out, decodeOne(bytes, i));
    return out;
}

ByteBuffer utf8WithZero(std::u16string_view text) {
    const std::string utf8 = toUtf8(text);
    ByteBuffer buffer(utf8.begin(), utf8.end());
    buffer.push_back(0);
    return buffer;
}

WideString decimalText(std::int64_t value) {
    return asciiText(std::to_string(value));
}

std::int32_t decimalValue(std::u16string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
    std::uint32_t value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) value = value * 10 + (text[i] - u'0');
    return static_cast<std::int32_t>(negative ? 0u - value : value);
}

WideString asciiText(std::string_view text) {
    return WideString(text.begin(), text.end());
}
