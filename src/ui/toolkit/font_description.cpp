// Parsing a font description into a LOGFONTW.
#include "ui/toolkit/font_description.h"

#include <algorithm>
#include <cstdlib>

#include <vector>

namespace {

constexpr std::size_t kFieldCount = 7;

bool isTrimmed(char16_t c) { return c <= u' ' || c == u'\u3000'; }

WideString trimmed(const WideString& text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && isTrimmed(text[begin])) ++begin;
    while (end > begin && isTrimmed(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

std::vector<WideString> descriptionFields(const WideString& description) {
    std::vector<WideString> fields;
    std::size_t start = 0;
    while (fields.size() < kFieldCount) {
        const std::size_t comma = description.find(u',', start);
        fields.push_back(trimmed(description.substr(start, comma == WideString::npos ? WideString::npos : comma - start)));
        if (comma == WideString::npos) break;
        start = comma + 1;
    }
    return fields;
}

int screenPixelsPerInch() {
    const WindowDC screen;
    return GetDeviceCaps(screen.get(), LOGPIXELSY);
}

LOGFONTW baseFont() {
    LOGFONTW font{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfOutPrecision = 0;
    font.lfClipPrecision = 0;
    font.lfQuality = PROOF_QUALITY;
    font.lfPitchAndFamily = 0;
    return font;
}

bool isOn(const WideString& field) { return field == u"1"; }

}  // namespace

LOGFONTW fontFromDescription(const WideString& description) {
    LOGFONTW font = baseFont();
    const std::vector<WideString> fields = descriptionFields(description);
    const auto field = [&fields](std::size_t index) { return index < fields.size() ? fields[index] : WideString(); };

    if (const WideString face = field(0); !face.empty()) {
        const std::size_t length = std::min<std::size_t>(face.size(), LF_FACESIZE - 1);
        std::copy_n(face.begin(), length, reinterpret_cast<char16_t*>(font.lfFaceName));
        font.lfFaceName[length] = L'\0';
    }
    if (fields.size() > 1) {
        const int points = std::abs(decimalValue(field(1)));
        const int height = static_cast<int>(screenPixelsPerInch() * static_cast<double>(points) / 72.0 + 0.5);
        if (height > 0) font.lfHeight = -height;
    }
    if (fields.size() > 2) font.lfWeight = isOn(field(2)) ? FW_BOLD : FW_NORMAL;
    if (fields.size() > 3) font.lfItalic = isOn(field(3));
    if (fields.size() > 4) font.lfUnderline = isOn(field(4));
    if (fields.size() > 5) font.lfStrikeOut = isOn(field(5));
    if (const WideString angle = field(6); !angle.empty()) {
        int tenths = decimalValue(angle) % 3600;
        if (tenths < 0) tenths += 3600;
        font.lfEscapement = tenths;
        font.lfOrientation = tenths;
    }
    return font;
}

LOGFONTW defaultControlFont() {
    LOGFONTW font{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
    font.lfHeight = -static_cast<int>(screenPixelsPerInch() * 9 / 72.0);
    return font;
}

OwnedFont createFont(const LOGFONTW& font) { return OwnedFont(CreateFontIndirectW(&font)); }

OwnedFont copyFont(HFONT font) {
    LOGFONTW description{};
    if (!font || GetObjectW(font, sizeof description, &description) == 0) return OwnedFont();
    return createFont(description);
}
