// The tables of a database as their rows are stored in its b-trees: each table's columns in the
// order its records hold them and its key. What places an orphaned page's rows in their table and
// what names a lost row both read them from here.
#pragma once

#include <cstdint>
#include <vector>

#include "base/wide_string.h"

class rg_MoKuai_class_sqliteShuJuKu;

struct StoredColumn {
    WideString name;
    WideString type;   // as declared, upper case
    bool isNotNull = false;
};

struct StoredTable {
    WideString name;
    // In record order: a table without rowid stores its primary key's columns first.
    std::vector<StoredColumn> columns;
    bool isWithoutRowid = false;
    bool isStrict = false;
    // The INTEGER PRIMARY KEY column that names the rowid, stored as NULL in the record; -1 when none.
    std::int32_t rowidAlias = -1;
    // A table without rowid: its first keyColumns stored columns are its primary key.
    std::size_t keyColumns = 0;
    // The table's root page in the schema it was read from; 0 when unknown.
    std::int64_t rootPage = 0;
    // Columns that are computed or hidden make a record's fields and the columns differ: such a
    // table takes no orphaned rows.
    bool hasComputedColumns = false;

    // The stored columns' names, quoted, in record order; the rowid alias left out.
    StringArray storedNames() const;
};

// "c0", "c1", ...: the column that holds a record's field `field`, in lost_and_found as SQLite's
// recovery names them, and in a listing of records.
WideString fieldColumn(std::size_t field);

// The ordinary tables of the schema `schema` ("main", or the name a database is attached under),
// in schema order: no virtual table, no SQLite table. A schema that cannot be read gives the tables
// read before the damage.
std::vector<StoredTable> readStoredTables(rg_MoKuai_class_sqliteShuJuKu& database, const WideString& schema);
