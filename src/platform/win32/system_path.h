// A path as the kernel's file calls of this folder hand it to Windows: systemPath's form, which
// takes any length, as the wide text those calls read.
#pragma once

#include "platform/platform.h"

namespace platform {

// GetFullPathNameW, which takes any length: absolute, '/' written '\', "." and ".." gone, as
// Windows reads a path before it opens it. Empty on failure.
WideString fullPathOf(const WideString& path);

class SystemPath {
public:
    explicit SystemPath(const WideString& path) : text(systemPath(path)) {}
    const wchar_t* get() const { return reinterpret_cast<const wchar_t*>(text.c_str()); }

private:
    WideString text;
};

}  // namespace platform
