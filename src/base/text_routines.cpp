// Text search and split, as the repair job and the worker parameters use them.
#include "base/text_routines.h"

std::int64_t findText(std::u16string_view text, std::u16string_view pattern, std::int64_t start, bool backward) {
    const auto length = static_cast<std::int64_t>(text.size());
    if (start > length) return -1;
    if (pattern.empty()) return start >= 0 ? start : (backward ? length : 0);
    if (!backward) {
        const std::size_t found = text.find(pattern, static_cast<std::size_t>(start < 0 ? 0 : start));
        return found == std::u16string_view::npos ? -1 : static_cast<std::int64_t>(found);
    }
    const std::u16string_view region = start < 0 ? text : text.substr(0, static_cast<std::size_t>(start));
    const std::size_t found = region.rfind(pattern);
    return found == std::u16string_view::npos ? -1 : static_cast<std::int64_t>(found);
}

WideString textBeforeLast(std::u16string_view text, std::u16string_view separator) {
    const std::int64_t found = findText(text, separator, -1, true);
    return found < 0 ? WideString() : WideString(text.substr(0, static_cast<std::size_t>(found)));
}

namespace {

bool isTrimmed(char16_t c) { return c <= 0x20 || c == 0x3000; }

std::u16string_view trimmed(std::u16string_view piece) {
    while (!piece.empty() && isTrimmed(piece.front())) piece.remove_prefix(1);
    while (!piece.empty() && isTrimmed(piece.back())) piece.remove_suffix(1);
    return piece;
}

}  // namespace

std::int32_t splitText(std::u16string_view text, std::u16string_view separator, StringArray& parts) {
    parts.clear();
    if (separator.empty()) {
        parts.emplace_back(text);
        return 1;
    }
    std::size_t begin = 0;
    while (true) {
        const std::size_t end = text.find(separator, begin);
        const std::u16string_view piece = trimmed(text.substr(begin, end == std::u16string_view::npos ? end : end - begin));
        if (!piece.empty()) parts.emplace_back(piece);
        if (end == std::u16string_view::npos) break;
        begin = end + separator.size();
    }
    return static_cast<std::int32_t>(parts.size());
}

WideString asciiLower(std::u16string_view text) {
    WideString lower(text);
    for (char16_t& c : lower)
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    return lower;
}
