#include "jobs/job_progress.h"

WideString progressLine(const char16_t* label, std::int32_t kind, const WideString& name, std::int32_t total, std::int32_t done,
                        const WideString& text) {
    WideString line = label + WideString(u":");
    if (kind != kProgressMessage) line += u" 表名称:" + name + u"    " + decimalText(total) + u"/" + decimalText(done) + u"    ";
    return line + text;
}
