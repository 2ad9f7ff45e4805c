// Which tables read a b-tree that cannot be theirs: records with more fields than the table has
// stored columns (no ALTER TABLE makes a record wider), a rowid above the table's AUTOINCREMENT
// counter (every rowid stored raises it), or a root page another object of the schema claims too.
// SQLite's check sees none of these: a table whose root was exchanged with another's reads back
// the other's rows without an error.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/wide_string.h"
#include "db/source_map.h"

class rg_MoKuai_class_sqliteShuJuKu;

// What the schema lets each table's b-tree hold, read once for every table.
class TableLimits {
public:
    // Reads the stored columns of every table and, when the schema has sqlite_sequence, every counter.
    TableLimits(rg_MoKuai_class_sqliteShuJuKu& database, const std::vector<SchemaObject>& objects);
    // The fields a record of the table holds at most: every column but the computed-only ones; 0 when unknown.
    std::int64_t storedColumns(const WideString& table) const;
    std::optional<std::int64_t> counter(const WideString& table) const;

private:
    std::unordered_map<std::u16string, std::int64_t> columns;
    std::unordered_map<std::u16string, std::int64_t> counters;
};

StringArray foreignTrees(const SourceMap& map, const std::vector<SchemaObject>& objects, const TableLimits& limits);
