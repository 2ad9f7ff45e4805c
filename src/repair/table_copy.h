// Copying one table's rows from the run's source to its target in pages of pageSize rows, one
// worker per page, and confirming the row count afterwards.
#pragma once

#include <cstdint>
#include <optional>

#include "base/wide_string.h"
#include "platform/platform.h"

class RepairRun;

// Copies the table's rows and returns true when the target then holds as many rows as the source
// counted, when the source table is empty, or when exempt is 1. False, with a failure event, when
// the counts differ, when the table cannot be read or was not created in the target. A virtual
// table has no rows of its own (its shadow tables carry them): it only has to exist in the target.
// Raises progress events while it copies. Returns only after every worker of the table has ended.
bool copyTable(RepairRun& run, const WideString& table, std::int32_t exempt);

// Body of a page worker of the active run: parameter is column count, "||", table name, "||",
// page index.
void copyPage(WideString parameter);

// Starts the page workers; the run's page thread unless a test replaces it (nullptr restores it).
using PageThreadStarter = bool (*)(platform::ThreadRoutine routine, const std::optional<WideString>& parameter);
void setPageThreadStarter(PageThreadStarter starter);
