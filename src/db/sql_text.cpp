#include "db/sql_text.h"

#include <algorithm>

#include "base/text_routines.h"

WideString quotedName(const WideString& name) {
    WideString result(1, u'"');
    for (const char16_t c : name) {
        result += c;
        if (c == u'"') result += c;
    }
    return result + u'"';
}

WideString quotedNameList(const StringArray& names) {
    WideString list;
    for (const WideString& name : names) {
        if (!list.empty()) list += u", ";
        list += quotedName(name);
    }
    return list;
}

std::optional<WideString> freeRowidName(const StringArray& columnNames) {
    for (const char16_t* candidate : {u"rowid", u"_rowid_", u"oid"}) {
        const WideString lower = asciiLower(candidate);
        if (std::none_of(columnNames.begin(), columnNames.end(), [&](const WideString& name) { return asciiLower(name) == lower; })) return WideString(candidate);
    }
    return std::nullopt;
}
