// How one table's rows are read and written: which columns travel, which key orders and splits
// the rows into pages, and the statements built from them. Every name is quoted; every value is
// bound to a placeholder.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/wide_string.h"
#include "db/typed_page.h"

class rg_MoKuai_class_sqliteShuJuKu;

struct TablePlan {
    enum class Kind { ordinary, withoutRowid, virtualTable };
    Kind kind = Kind::ordinary;
    WideString quotedTable;
    // Key columns first (the rowid of an ordinary table, the primary key of a WITHOUT ROWID
    // table), then the other stored columns; generated columns are left out: the rebuilt table
    // computes them.
    StringArray readColumns;
    // The STORED generated columns. They are never written, but folded into both digests: the
    // source's as it stored them, the rebuilt table's as it computed them, so that a value the
    // table's definition now computes otherwise shows as a changed row. VIRTUAL ones are computed
    // alike on both sides and left out.
    StringArray storedGeneratedColumns;
    // No key at all: an ordinary table whose rowid columns called rowid, _rowid_ and oid hide.
    bool isRowidHidden = false;
    std::int32_t keyColumnCount = 0;
    // Sort order of each key column as the table stores it: true for DESC.
    std::vector<bool> keyDescending;
    // The collation of each key column in the key (which may differ from the column's own), so
    // that ranges are ordered and compared as the b-tree stores them, and read with one walk of it.
    StringArray keyCollations;
    // A row the table stored may be removed by a later insert: its CREATE statement holds the word
    // REPLACE (an ON CONFLICT REPLACE clause has it; the copy's own INSERTs never replace), or it
    // could not be read. Such a table is read back whole after its last page; any other table page
    // by page, while the page is still in the cache.
    bool mayReplaceRows = true;

    // The condition of a page's key range: rows at or after the lower boundary (when hasLower)
    // and before the upper one (when hasUpper), in the table's own order. Its placeholders take
    // the lower boundary's key values, then the upper's; "1" for a range without boundaries.
    WideString rangeCondition(bool hasLower, bool hasUpper) const;
    // The key columns, quoted and comma-separated.
    WideString keyColumns() const;
    // The key columns, each with its collation in the key, quoted and comma-separated.
    WideString collatedKeyColumns() const;
    // The key columns in the table's own order (for ORDER BY).
    WideString keyOrder() const;

private:
    bool isAscending() const;
    WideString collatedKeyColumn(std::int32_t i) const;
    WideString keyCompared(const char16_t* comparison, std::int32_t firstParameter) const;
    WideString keyFrom(std::int32_t firstParameter) const;
    WideString keyBefore(std::int32_t firstParameter) const;
};

// What the schema says of a table, read for all tables at once (per table, the schema would be
// searched once for every table: quadratic in the number of tables).
struct TableShape {
    TablePlan::Kind kind = TablePlan::Kind::ordinary;
    bool isShadow = false;   // a table a virtual table keeps its contents in
    bool mayReplaceRows = true;   // as TablePlan::mayReplaceRows
};
using TableShapes = std::unordered_map<std::u16string, TableShape>;
// The shapes of every table of source's main schema; false when they cannot be read.
bool readTableShapes(rg_MoKuai_class_sqliteShuJuKu& source, TableShapes& shapes);

// Reads the table's columns from source. False when they cannot be read.
bool planTable(rg_MoKuai_class_sqliteShuJuKu& source, const WideString& table, const TableShape& shape, TablePlan& plan);

