// Whole files for the file tests to write and read back, and a second process that holds one open.
#pragma once

#include <string>

#include "base/wide_string.h"

void writeFile(const WideString& file, const std::string& content);
// The file's bytes; empty when it cannot be read.
std::string readFile(const WideString& file);

// Child role "hold-file-open" PATH READY: opens PATH for reading, creates the file READY once it
// has, and holds PATH open until killed. On Windows the C runtime opens files without
// FILE_SHARE_DELETE, as SQLite does, so the file cannot be moved or replaced meanwhile.
