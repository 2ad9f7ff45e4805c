#include "repair/progress_line.h"

WideString progressLine(std::int32_t kind, const WideString& name, std::int32_t total, std::int32_t done,
                        const WideString& text) {
    WideString line = u"修复进度:";
    if (kind != 1) line += u" 表名称:" + name + u"    " + decimalText(total) + u"/" + decimalText(done) + u"    ";
    return line + text;
}
