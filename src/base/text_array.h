// The runtime's text array object: one row of column texts as queries deliver it.
#pragma once

#include "base/wide_string.h"

class rg_WenBenShuZuLei {
public:
    rg_WenBenShuZuLei() = default;
    explicit rg_WenBenShuZuLei(StringArray values) : items(std::move(values)) {}

    StringArray items;
};
