// The rows a table lost, by name. An intact index of the source still holds an entry for each of
// its table's rows: its key (the rowid, or a table without rowid's primary key) and the indexed
// columns' values. Each entry whose row did not come back names a lost row; where one index holds
// every column, the row itself comes back from it, flagged as restored from an index.
#pragma once

#include "salvage/salvage_report.h"

class rg_MoKuai_class_sqliteShuJuKu;

// salvaged: the salvaged database, connected for building with the source attached as "src". Both
// steps serve every table of the report that may have lost rows (its count short or unknown, or
// its b-tree damaged).
// Writes back the rows that one index holds whole, counted in restoredRows.
void restoreRowsFromIndexes(rg_MoKuai_class_sqliteShuJuKu& salvaged, SalvageReport& report);
// Only reads: lists the lost rows that any index knows in lostRowsKnown, in key order, and where
// the indexes do not know them all, the key ranges of the table's unreadable pages.
void nameLostRows(rg_MoKuai_class_sqliteShuJuKu& salvaged, SalvageReport& report);
