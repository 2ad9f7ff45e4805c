// Which tables are exempt from the row-count comparison.
#pragma once

#include "base/wide_string.h"

// True when list is exactly "*", or when "," + list + "," contains "," + table + ",": whole
// names, case-sensitive, nothing trimmed.
bool isExemptTable(const WideString& list, const WideString& table);
