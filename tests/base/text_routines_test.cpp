#include <gtest/gtest.h>

#include "base/text_routines.h"

namespace {

struct FindCase { const char16_t* text; const char16_t* pattern; std::int64_t start; bool backward; std::int64_t expected; };

TEST(TextRoutines, findTextForwardAndBackward) {
    const FindCase cases[] = {
        {u"3||users||2", u"||", 0, false, 1},
        {u"3||users||2", u"||", -1, true, 8},
        {u"3||users||2", u"||", 2, false, 8},
        {u"3||users||2", u"||", 8, true, 1},    // a match must begin before the start to count backward
        {u"3||users||2", u"||", 9, true, 1},    // ... and end within it
        {u"3||users||2", u"||", 10, true, 8},
        {u"abc", u"x", 0, false, -1},
        {u"abc", u"", 2, false, 2},
        {u"abc", u"", -5, false, 0},
        {u"abc", u"", -5, true, 3},
        {u"abc", u"a", 4, false, -1},          // a start beyond the text
        {u"abc", u"a", -3, false, 0},
        {u"aBc", u"b", 0, false, -1},          // case-sensitive
        {u"数据库.db", u".", -1, true, 3},
    };
    for (const FindCase& c : cases)
        EXPECT_EQ(c.expected, findText(c.text, c.pattern, c.start, c.backward))
            << toUtf8(c.text) << " / " << toUtf8(c.pattern) << " from " << c.start << (c.backward ? " backward" : "");
}

TEST(TextRoutines, textBeforeLastCutsAtTheLastSeparator) {
    EXPECT_EQ(u"C:\\a", textBeforeLast(u"C:\\a\\b.db", u"\\"));
    EXPECT_EQ(u"", textBeforeLast(u"b.db", u"\\"));
    EXPECT_EQ(u"", textBeforeLast(u"\\b.db", u"\\"));
}

struct SplitCase { const char16_t* text; const char16_t* separator; StringArray parts; };

TEST(TextRoutines, splitTextTrimsAndDropsEmptyPieces) {
    const SplitCase cases[] = {
        {u"3||users||2", u"||", {u"3", u"users", u"2"}},
        {u"a||||\u0020b\u0020||", u"||", {u"a", u"b"}},
        {u"\u3000x\t||\ny", u"||", {u"x", u"y"}},
        {u" whole text ", u"", {u" whole text "}},
        {u"", u",", {}},
        {u"query_share,report", u",", {u"query_share", u"report"}},
    };
    for (const SplitCase& c : cases) {
        StringArray parts{u"left over"};
        EXPECT_EQ(static_cast<std::int32_t>(c.parts.size()), splitText(c.text, c.separator, parts)) << toUtf8(c.text);
        EXPECT_EQ(c.parts, parts) << toUtf8(c.text);
    }
}

}  // namespace
