// What Linux says of a file (stat), for tests of permission bits and owners.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <gtest/gtest.h>

#include "base/wide_string.h"

// The owner that root can give a file away to: Debian's "nobody".
inline constexpr uid_t kNobody = 65534;

// stat of the file at path; a failure fails the test, and the status is then all zero.
inline struct stat statusOf(const WideString& path) {
    struct stat status {};
    EXPECT_EQ(0, stat(toUtf8(path).c_str(), &status)) << toUtf8(path);
    return status;
}
