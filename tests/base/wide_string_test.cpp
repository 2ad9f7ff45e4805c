#include <gtest/gtest.h>

#include "base/wide_string.h"

namespace {

TEST(WideString, utf8RoundTripsEveryPlane) {
    const WideString text = u"abc\u00e9\u6570\u636e\U0001F600";
    EXPECT_EQ(text, fromUtf8(toUtf8(text)));
    EXPECT_EQ("\xE6\x95\xB0\xE6\x8D\xAE", toUtf8(u"\u6570\u636e"));
}

struct BadInput { const char* name; std::string bytes; WideString expected; };

TEST(WideString, invalidUtf8BecomesReplacementCharacters) {
    const BadInput cases[] = {
        {"lone continuation", "a\x80" "b", u"a\uFFFDb"},
        {"truncated at end", "a\xE6\x95", u"a\uFFFD"},
        {"cut by a new lead byte", "\xE6" "a", u"\uFFFDa"},
        {"overlong slash", "\xC0\xAF", u"\uFFFD"},
        {"encoded surrogate", "\xED\xA0\x80" "x", u"\uFFFDx"},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", u"\uFFFD"},
        {"bad lead byte", "\xFF", u"\uFFFD"},
        {"zero byte kept", std::string("a\0b", 3), WideString(u"a\0b", 3)},
    };
    for (const BadInput& c : cases) EXPECT_EQ(c.expected, fromUtf8(c.bytes)) << c.name;
}

TEST(WideString, loneSurrogatesBecomeReplacementCharacters) {
    EXPECT_EQ("\xEF\xBF\xBD" "a", toUtf8(WideString(u"\xD800") + u"a"));
    WideString trailing = u"a";
    trailing += u'\xDC00';
    EXPECT_EQ("a\xEF\xBF\xBD", toUtf8(trailing));
}

TEST(WideString, utf8WithZeroCountsTheZero) {
    const ByteBuffer bytes = utf8WithZero(u"C:\\data\\test.db");
    ASSERT_EQ(16u, bytes.size());
    EXPECT_EQ(0, bytes.back());
    EXPECT_EQ(ByteBuffer{0}, utf8WithZero(u""));
}

struct DecimalCase { const char16_t* text; std::int32_t value; };

TEST(WideString, decimalValueReadsLeadingDigits) {
    const DecimalCase cases[] = {
        {u"3", 3}, {u"  42abc", 42}, {u"-7", -7}, {u"", 0}, {u"x1", 0}, {u"2147483647", 2147483647},
    };
    for (const DecimalCase& c : cases) EXPECT_EQ(c.value, decimalValue(c.text)) << toUtf8(c.text);
    EXPECT_EQ(u"-2147483648", decimalText(-2147483648LL));
}

}  // namespace
