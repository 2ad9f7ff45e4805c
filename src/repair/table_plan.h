// How one table's rows are read and written: which columns travel, which key orders and splits
// the rows into pages, and the statements built from them. Every name is quoted.
#pragma once

#include <cstdint>
#include <vector>

#include "base/wide_string.h"
#include "db/typed_page.h"

class rg_MoKuai_class_sqliteShuJuKu;

struct TablePlan {
    enum class Kind { ordinary, withoutRowid, virtualTable };
    Kind kind = Kind::ordinary;
    WideString quotedTable;
    // Key columns first (the rowid of an ordinary table, the primary key of a WITHOUT ROWID
    // table), then the other stored columns; generated columns are left out.
    StringArray readColumns;
    std::int32_t keyColumnCount = 0;
    // Sort order of each key column as the table stores it: true for DESC.
    std::vector<bool> keyDescending;

    // INSERT of the read columns with one ? each.
    WideString insertStatement() const;
    // Conditions that hold for rows whose key is at or after, or before, the key in a row of keys
    // (its first keyColumnCount values), in the table's own order.
    WideString keyFrom(const TypedPage& keys, std::int64_t row) const;
    WideString keyBefore(const TypedPage& keys, std::int64_t row) const;
    // The key columns, quoted and comma-separated.
    WideString keyColumns() const;
    // The key columns in the table's own order (for ORDER BY).
    WideString keyOrder() const;

private:
    bool isAscending() const;
    WideString keyCompared(const char16_t* comparison, const TypedPage& keys, std::int64_t row) const;
};

// Reads the table's kind and columns from source. False when they cannot be read, or when an
// ordinary table's rowid cannot be named because columns called rowid, _rowid_ and oid hide it.
bool planTable(rg_MoKuai_class_sqliteShuJuKu& source, const WideString& table, TablePlan& plan);
