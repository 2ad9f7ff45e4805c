// The form of a path that Windows takes at any length, without long paths switched on.
#include <gtest/gtest.h>

#include "platform/platform.h"

namespace {

TEST(SystemPath, aPathPastAFoldersLimitIsMadeAbsoluteWithTheExtendedPrefix) {
    const WideString longest = u"C:\\" + WideString(244, u'库');   // 247 characters: the most a folder may have
    const WideString tail = WideString(130, u'a') + u"\\" + WideString(130, u'b') + u".db";
    struct Case {
        const char* name;
        WideString path;
        WideString form;
    };
    const Case cases[] = {
        {"short", u"C:\\data\\shop.db", u"C:\\data\\shop.db"},
        {"short with slashes", u"C:/data/../shop.db", u"C:/data/../shop.db"},   // left to the system's parsing
        {"as long as a folder may be", longest, longest},
        {"one longer", longest + u"x", u"\\\\?\\" + longest + u"x"},
        {"long", u"D:\\" + tail, u"\\\\?\\D:\\" + tail},
        {"long, with slashes and dots", u"D:/x/./y/../" + tail, u"\\\\?\\D:\\x\\" + tail},
        {"long, on a share", u"\\\\server\\share\\" + tail, u"\\\\?\\UNC\\server\\share\\" + tail},
        {"long, already in the form", u"\\\\?\\D:\\" + tail, u"\\\\?\\D:\\" + tail},
    };
    for (const Case& c : cases) EXPECT_EQ(c.form, platform::systemPath(c.path)) << c.name;
}

}  // namespace
