// Date and time texts from OLE automation dates and pictures.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/platform.h"

namespace {

constexpr double kMorning = 46082.37855324074;   // 1 March 2026, 09:05:07 (a Sunday)
constexpr double kEvening = 46082.87855324074;   // 1 March 2026, 21:05:07

TEST(DateTimeText, formatsAFixedMomentByItsPictures) {
    struct Case { double moment; const char16_t* date; const char16_t* time; const char16_t* text; };
    const Case cases[] = {
        {kMorning, u"yyyyMMdd", u"HHmmss", u"20260301090507"},
        {kMorning, u"yyyy-MM-dd", u" HH:mm:ss", u"2026-03-01 09:05:07"},
        {kMorning, u"d/M/yy", u"H.m.s", u"1/3/269.5.7"},
        {kMorning, u"y", u"", u"26"},
        {kEvening, u"", u"HH hh h", u"21 09 9"},
        {kEvening, u"", u"H:mm", u"21:05"},
        {kMorning, u"'yy' yyyy", u"'HH' HH", u"yy 2026HH 09"},
        {36525.0, u"yyyyMMdd", u"HHmmss", u"19991231000000"},
        {36525.999999, u"yyyyMMdd", u"HHmmss", u"20000101000000"},   // rounds to the nearest second
        {-1.25, u"yyyyMMdd", u"HHmmss", u"18991229060000"},            // the fraction is the time of day
        {-657434.5, u"yyyyMMdd", u"HHmmss", u"120000"},                // 1 January 100: no date text before 1601
        {2958465.9999, u"yyyyMMdd", u"HHmmss", u"99991231235951"},
        {kMorning, u"yyy-yyyyy", u"", u"2026-2026"},
        {kMorning, u"x'it''s'z", u"'HH'", u"xit'szHH"},               // quoted text, '' for a quote
        {kMorning, u"dd HH", u"HH yyyy", u"01 HH09 yyyy"},            // each part knows only its own letters
    };
    for (const Case& c : cases)
        EXPECT_EQ(WideString(c.text), platform::dateTimeText(c.moment, c.date, c.time)) << c.moment << " " << toUtf8(c.date);
}

TEST(DateTimeText, nowGivesFourteenDigits) {
    const WideString text = platform::dateTimeText(-1.0, u"yyyyMMdd", u"HHmmss");
    ASSERT_EQ(14u, text.size()) << toUtf8(text);
    for (const char16_t c : text) EXPECT_TRUE(c >= u'0' && c <= u'9') << toUtf8(text);
    EXPECT_GE(text.substr(0, 4), u"2025");
}

TEST(DateTimeText, unconvertibleMomentsGiveEmptyText) {
    for (const double moment : {1e7, -1e7, std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()})
        EXPECT_EQ(u"", platform::dateTimeText(moment, u"yyyyMMdd", u"HHmmss")) << moment;
}

}  // namespace
