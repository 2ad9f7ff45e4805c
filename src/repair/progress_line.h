// The one-line form of a repair progress event, as the window's hint label and the command line show it.
#pragma once

#include <cstdint>

#include "base/wide_string.h"

// "修复进度:" + text for kind 1; otherwise "修复进度: 表名称:" + name + four blanks + total + "/" +
// done + four blanks + text.
WideString progressLine(std::int32_t kind, const WideString& name, std::int32_t total, std::int32_t done,
                        const WideString& text);
