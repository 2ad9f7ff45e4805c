#include "repair/repair_run.h"

#include "repair/exempt_tables.h"

bool RepairRun::isExempt(const WideString& table) const { return isExemptTable(exemptTables, table); }
