// Rows of pages that lost their parent, put back in their own table. SQLite's recovery writes the
// cells of every page that no table's b-tree reaches into lost_and_found, a b-tree (its top page,
// rootpgno) at a time. Such a b-tree still holds one table's rows: it goes to the one table whose
// shape its rows fit (field count, the rowid alias stored as NULL, NOT NULL and STRICT columns),
// whose damage left room for them (the source counts more rows than came back, or the table's
// b-tree did not check clean), whose rows do not already hold its keys, and whose intact indexes
// hold every one of its rows (an entry for its rowid with the values its indexed columns hold: an
// index with other values for those rowids says the rows are another table's); between tables that
// fit alike, the one whose root page it is. A b-tree that fits no table or several stays in
// lost_and_found, and the report names the tables it could belong to. SQLite's own tables
// (sqlite_sequence, sqlite_stat1, sqlite_stat4, virtual tables' shadow tables) take only rows of the
// shape their writer gives them; rows of another shape that the recovery wrote into them move to
// lost_and_found first. Entries of index pages that no table without rowid takes are index entries,
// not rows: they move to lost_and_found_index_entries. (The names are report.lostAndFound's.)
#pragma once

#include <map>

#include "base/wide_string.h"
#include "salvage/salvage_report.h"

class rg_MoKuai_class_sqliteShuJuKu;

// salvaged: the salvaged database, connected for building with the source attached as "src".
// rootHints: where a table's b-tree is known to start (another copy's schema), by table name.
// Counts each table's placed rows in report.tables (a table the report does not list is added, but
// none of SQLite's own), the rows that fit several tables in report.undecidedRows and the entries
// kept apart in report.indexEntriesApart.
void placeOrphanedRows(rg_MoKuai_class_sqliteShuJuKu& salvaged, const std::map<WideString, std::int64_t>& rootHints, SalvageReport& report);
