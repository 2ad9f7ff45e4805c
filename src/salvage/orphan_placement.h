// Rows of pages that lost their parent, put back in their own table. SQLite's recovery writes the
// cells of every page that no table's b-tree reaches into lost_and_found, a b-tree (its top page,
// rootpgno) at a time. Such a b-tree still holds one table's rows: it goes to the one table whose
// shape its rows fit (field count, the rowid alias stored as NULL, NOT NULL and STRICT columns),
// whose damage left room for them (the source counts more rows than came back, or the table's
// b-tree did not check clean), whose rows do not already hold its keys, and whose intact indexes
// name every one of its rowids; between tables that fit alike, the one whose root page it is.
// A b-tree that fits no table or several stays in lost_and_found. Entries of index pages that no
// table without rowid takes are index entries, not rows: they move to lost_and_found_index_entries.
// (The names are report.lostAndFound's.)
#pragma once

#include <map>

#include "base/wide_string.h"
#include "salvage/salvage_report.h"

class rg_MoKuai_class_sqliteShuJuKu;

// salvaged: the salvaged database, connected for building with the source attached as "src".
// rootHints: where a table's b-tree is known to start (another copy's schema), by table name.
// Counts each table's placed rows in report.tables (a table the report does not list is added) and
// the entries kept apart in report.indexEntriesApart.
void placeOrphanedRows(rg_MoKuai_class_sqliteShuJuKu& salvaged, const std::map<WideString, std::int64_t>& rootHints, SalvageReport& report);
