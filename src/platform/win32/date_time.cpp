// Local date and time texts on Windows: VariantTimeToSystemTime, then GetDateFormatW and
// GetTimeFormatW with the caller's pictures.
#include <windows.h>
#include <oleauto.h>

#include <cmath>

#include "platform/platform.h"

namespace platform {

namespace {

constexpr int kTextBufferLength = 40;

const wchar_t* wide(const WideString& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

}  // namespace

WideString dateTimeText(double moment, const WideString& datePicture, const WideString& timePicture) {
    if (std::isnan(moment)) return {};   // not a moment; the conversion's answer to it is not defined
    if (moment == -1.0) {
        SYSTEMTIME now;
        GetLocalTime(&now);
        if (!SystemTimeToVariantTime(&now, &moment)) return {};
    }
    SYSTEMTIME time;
    if (!VariantTimeToSystemTime(moment, &time)) return {};
    wchar_t dateText[kTextBufferLength] = {};
    wchar_t timeText[kTextBufferLength] = {};
    // A part that does not fit its buffer is left out.
    if (!GetDateFormatW(0, 0, &time, wide(datePicture), dateText, kTextBufferLength)) dateText[0] = 0;
    if (!GetTimeFormatW(0, 0, &time, wide(timePicture), timeText, kTextBufferLength)) timeText[0] = 0;
    return WideString(reinterpret_cast<const char16_t*>(dateText)) + reinterpret_cast<const char16_t*>(timeText);
}

}  // namespace platform
