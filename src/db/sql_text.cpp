#include "db/sql_text.h"

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
