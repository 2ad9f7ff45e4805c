#include "repair/exempt_tables.h"

#include "base/text_routines.h"

bool isExemptTable(const WideString& list, const WideString& table) {
    if (list == u"*") return true;
    return findText(u"," + list + u",", u"," + table + u",", 0, false) >= 0;
}
