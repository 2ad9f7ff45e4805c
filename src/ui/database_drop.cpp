#include "ui/database_drop.h"

#include "platform/platform.h"

bool hasDatabaseExtension(const WideString& path) {
    WideString extension = platform::fileExtensionOf(path);
    for (char16_t& unit : extension)
        if (unit >= u'A' && unit <= u'Z') unit = static_cast<char16_t>(unit - u'A' + u'a');
    return extension == u"db";
}
