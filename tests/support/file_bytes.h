// A file's whole content, for tests that compare a file before and after, or read what a program wrote.
#pragma once

#include <string>

#include "base/wide_string.h"

// The file's bytes; empty when it cannot be read.
std::string fileBytes(const WideString& path);
