// Puts a salvaged database in the place of its damaged source, when the user asks for it: the
// source and its companions are kept as 原数据库备份-<stamp>.db beside it, as a repair keeps them,
// and the source's path holds a whole database at every moment.
#pragma once

#include "base/wide_string.h"
#include "salvage/salvage_job.h"

struct SalvagedSwap {
    bool isSwapped = false;
    // For people, in Chinese: where the source was kept; or why nothing changed, and where the
    // salvaged database waits.
    WideString text;
};

// Swaps outcome's salvaged database in at its source's path, once: nothing changes when there is
// no salvaged database, when another process holds the source open, or when something was
// committed to the source since the salvage read it.
SalvagedSwap useSalvagedDatabase(const SalvageOutcome& outcome);
