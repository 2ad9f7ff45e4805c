// The runtime's exception: a code and a description. The start-up guard reports it with both.
#pragma once

#include <cstdint>

#include "base/wide_string.h"

struct AppException {
    std::int32_t code;
    WideString description;
};
