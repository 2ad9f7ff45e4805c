// Which dropped paths the window takes as a database to repair.
#pragma once

#include "base/wide_string.h"

// True when the path's extension (PathFindExtensionW's rules) is "db" in any letter case. Only
// A to Z count as letters to fold, so "ＤＢ" or a path without a dot is not a database.
bool hasDatabaseExtension(const WideString& path);
