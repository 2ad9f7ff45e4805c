// The tables of a database as their rows are stored in its b-trees: each table's columns in the
// order its records hold them and its key. What places an orphaned page's rows in their table and
// what names a lost row both read them from here.
#pragma once

#include <cstdint>
#include <functional>
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
    // A table SQLite or a virtual table's module writes (sqlite_sequence, sqlite_stat1, a full-text
    // index's shadow tables): it takes only rows of the shape its writer gives them.
    bool isSqliteOwned = false;

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
// SQLite's own tables of the schema that hold rows (sqlite_sequence, sqlite_stat1, sqlite_stat4),
// in schema order.
std::vector<StoredTable> readSqliteTables(rg_MoKuai_class_sqliteShuJuKu& database, const WideString& schema);

// The condition, in SQL, that a row breaks when it is not of the fixed shape the table's writer
// gives its rows; `field(n)` is the SQL of the row's field n. Empty for a table without a fixed
// shape. sqlite_sequence: a text name and an integer; sqlite_stat1: text, text or NULL, text;
// sqlite_stat4: five texts and a blob; a shadow table: no NULL but in its rowid alias and in the
// columns of rows the module copies from its user (an index's content, an R-Tree's extra columns).
WideString fixedShapeMisfit(const StoredTable& table, const std::function<WideString(std::size_t field)>& field);

