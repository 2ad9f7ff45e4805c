// Local date and time texts on Linux: OLE automation dates turned into calendar fields, formatted
// by the picture letters of GetDateFormatW and GetTimeFormatW.
#include <time.h>

#include <chrono>
#include <cmath>

#include "platform/platform.h"

namespace platform {

namespace {

// The range VariantTimeToSystemTime accepts: 1 January 100 to 31 December 9999.
constexpr double kFirstMoment = -657434.0;
constexpr double kEndMoment = 2958466.0;
constexpr int kSecondsPerDay = 86400;
constexpr int kFirstFormattedYear = 1601;
// Each part must fit, with a terminating zero, in the 40 characters Windows formats it into.
constexpr std::size_t kTextBufferLength = 40;

struct CalendarTime {
    int year, month, day, weekday;   // weekday 0 = Sunday
    int hour, minute, second;
};

CalendarTime calendarOfDay(std::chrono::sys_days day, int secondOfDay) {
    const std::chrono::year_month_day date(day);
    const std::chrono::weekday weekday(day);
    return {static_cast<int>(date.year()), static_cast<int>(static_cast<unsigned>(date.month())),
            static_cast<int>(static_cast<unsigned>(date.day())), static_cast<int>(weekday.c_encoding()),
            secondOfDay / 3600, secondOfDay / 60 % 60, secondOfDay % 60};
}

// An OLE date counts days from 30 December 1899; its fraction is the time of day, also for
// negative dates (-1.25 is 29 December 1899, 6:00). Times round to the nearest second.
std::optional<CalendarTime> calendarOfMoment(double moment) {
    if (!(moment > kFirstMoment - 1.0 && moment < kEndMoment)) return std::nullopt;
    const double wholeDays = std::trunc(moment);
    auto secondOfDay = static_cast<int>(std::lround(std::fabs(moment - wholeDays) * kSecondsPerDay));
    auto day = std::chrono::sys_days(std::chrono::year(1899) / 12 / 30) + std::chrono::days(static_cast<int>(wholeDays));
    if (secondOfDay >= kSecondsPerDay) {
        secondOfDay -= kSecondsPerDay;
        day += std::chrono::days(1);
    }
    return calendarOfDay(day, secondOfDay);
}

CalendarTime localNow() {
    const time_t now = time(nullptr);
    tm local{};
    localtime_r(&now, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_wday,
            local.tm_hour, local.tm_min, local.tm_sec};
}

void appendNumber(WideString& out, int value, std::size_t minimumDigits) {
    WideString digits = decimalText(value);
    if (digits.size() < minimumDigits) digits.insert(0, minimumDigits - digits.size(), u'0');
    out += digits;
}

const char* const kDayNames[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
const char* const kMonthNames[] = {"January", "February", "March", "April", "May", "June", "July",
                                   "August", "September", "October", "November", "December"};

void appendName(WideString& out, const char* name, bool abbreviated) {
    const WideString whole = asciiText(name);
    out += abbreviated ? whole.substr(0, 3) : whole;
}

// One run of a date letter (d, M, y); false when the letter is not one. Names are English.
bool appendDateField(WideString& out, char16_t letter, std::size_t count, const CalendarTime& time) {
    switch (letter) {
    case u'd':
        if (count <= 2) appendNumber(out, time.day, count);
        else appendName(out, kDayNames[time.weekday], count == 3);
        return true;
    case u'M':
        if (count <= 2) appendNumber(out, time.month, count);
        else appendName(out, kMonthNames[time.month - 1], count == 3);
        return true;
    case u'y':
        if (count <= 2) appendNumber(out, time.year % 100, count);
        else appendNumber(out, time.year, 1);
        return true;
    default:
        return false;
    }
}

// One run of a time letter (h, H, m, s, t); false when the letter is not one.
bool appendTimeField(WideString& out, char16_t letter, std::size_t count, const CalendarTime& time) {
    const std::size_t width = count >= 2 ? 2 : 1;
    switch (letter) {
    case u'h':
        appendNumber(out, time.hour % 12 == 0 ? 12 : time.hour % 12, width);
        return true;
    case u'H':
        appendNumber(out, time.hour, width);
        return true;
    case u'm':
        appendNumber(out, time.minute, width);
        return true;
    case u's':
        appendNumber(out, time.second, width);
        return true;
    case u't':
        out += WideString(time.hour < 12 ? u"AM" : u"PM").substr(0, width);
        return true;
    default:
        return false;
    }
}

using FieldWriter = bool (*)(WideString&, char16_t, std::size_t, const CalendarTime&);

// Runs of field letters become fields; text in single quotes ('' for a quote) and every other
// character are copied as they stand. A text too long for its buffer is left out.
WideString formatted(const WideString& picture, const CalendarTime& time, FieldWriter appendField) {
    WideString out;
    for (std::size_t i = 0; i < picture.size();) {
        const char16_t letter = picture[i];
        if (letter == u'\'') {
            for (++i; i < picture.size(); ++i) {
                if (picture[i] != u'\'') out += picture[i];
                else if (i + 1 < picture.size() && picture[i + 1] == u'\'') out += picture[++i];
                else break;
            }
            ++i;
            continue;
        }
        std::size_t count = 1;
        while (i + count < picture.size() && picture[i + count] == letter) ++count;
        if (!appendField(out, letter, count, time)) out.append(count, letter);
        i += count;
    }
    return out.size() < kTextBufferLength ? out : WideString();
}

}  // namespace

WideString dateTimeText(double moment, const WideString& datePicture, const WideString& timePicture) {
    std::optional<CalendarTime> time;
    if (moment == -1.0) time = localNow();
    else time = calendarOfMoment(moment);
    if (!time) return {};
    // GetDateFormatW refuses years before the Gregorian calendar's 1601; the time part stays.
    const WideString dateText = time->year < kFirstFormattedYear ? WideString() : formatted(datePicture, *time, appendDateField);
    return dateText + formatted(timePicture, *time, appendTimeField);
}

}  // namespace platform
