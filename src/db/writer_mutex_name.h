// The name of a database file's writer mutex, shared by every process that connects to the file.
#pragma once

#include <optional>

#include "base/wide_string.h"

// givenBase + "sqlite" when a base is given; otherwise the MD5 of pathBytes (the UTF-8 path with
// its terminating zero) as 32 lower-case hexadecimal digits + "sqlite". When the digest cannot be
// computed the name is "sqlite" alone.
WideString writerMutexName(const ByteBuffer& pathBytes, const std::optional<WideString>& givenBase);
