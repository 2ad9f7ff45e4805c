#include "repair/sql_text.h"

#include <charconv>
#include <cmath>

namespace {

WideString quotedWith(char16_t quote, const WideString& text) {
    WideString result(1, quote);
    for (const char16_t c : text) {
        result += c;
        if (c == quote) result += c;
    }
    return result + quote;
}

WideString hexOf(std::string_view bytes) {
    static const char16_t digits[] = u"0123456789ABCDEF";
    WideString text;
    for (const char byte : bytes) {
        text += digits[static_cast<unsigned char>(byte) >> 4];
        text += digits[static_cast<unsigned char>(byte) & 0xF];
    }
    return text;
}

}  // namespace

WideString quotedName(const WideString& name) { return quotedWith(u'"', name); }

WideString stringLiteral(const WideString& text) { return quotedWith(u'\'', text); }

WideString quotedNameList(const StringArray& names) {
    WideString list;
    for (const WideString& name : names) {
        if (!list.empty()) list += u", ";
        list += quotedName(name);
    }
    return list;
}

WideString valueLiteral(const TypedValue& value) {
    switch (value.storageClass) {
    case StorageClass::integer: return decimalText(value.integer);
    case StorageClass::real: {
        if (std::isinf(value.real)) return value.real > 0 ? u"9e999" : u"-9e999";
        char digits[32];
        const auto end = std::to_chars(digits, digits + sizeof digits, value.real).ptr;   // shortest exact form
        return asciiText(std::string_view(digits, static_cast<std::size_t>(end - digits)));
    }
    case StorageClass::text: return stringLiteral(fromUtf8(value.bytes));
    case StorageClass::blob: return u"X'" + hexOf(value.bytes) + u"'";
    case StorageClass::null: break;
    }
    return u"NULL";
}
