#include "salvage/lost_rows.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>

#include "db/database.h"
#include "db/sql_text.h"
#include "salvage/lost_pages.h"
#include "salvage/stored_tables.h"

namespace {

// A value as JSON: numbers as numbers, text as a string, a blob as a string of its hex digits.
std::string jsonValue(const TypedValue& value) {
    char number[32];
    switch (value.storageClass) {
    case StorageClass::integer: return std::to_string(value.integer);
    case StorageClass::real: std::snprintf(number, sizeof number, "%.17g", value.real); return number;
    case StorageClass::null: return "null";
    case StorageClass::text: return jsonText(value.bytes);
    case StorageClass::blob: {
        std::string hex = "\"x'";
        for (const char byte : value.bytes) {
            std::snprintf(number, sizeof number, "%02x", static_cast<unsigned char>(byte));
            hex += number;
        }
        return hex + "'\"";
    }
    }
    return "null";
}

// A value for people: text as it is, anything else as in JSON.
WideString valueText(const TypedValue& value) {
    return value.storageClass == StorageClass::text ? fromUtf8(value.bytes) : fromUtf8(jsonValue(value));
}

// An index of the source on the table: its name and the table's columns it holds (an index on an
// expression holds none that can be named).
struct SourceIndex {
    WideString name;
    StringArray columns;
};

std::vector<SourceIndex> readIndexes(rg_MoKuai_class_sqliteShuJuKu& salvaged, const WideString& table) {
    const std::string name = toUtf8(table);
    const TypedValue parameter[] = {textValue(name)};
    TypedPage rows;
    (void)salvaged.queryPage(u"SELECT index_list.name, index_info.name FROM src.sqlite_schema AS index_list, pragma_index_info(index_list.name, 'src') AS index_info "
                             u"WHERE index_list.type = 'index' AND index_list.tbl_name = ?1 ORDER BY index_list.name, index_info.seqno",
                             rows, parameter);
    std::vector<SourceIndex> indexes;
    for (std::int64_t row = 0; row < rows.rowCount(); ++row) {
        const WideString index = fromUtf8(rows.value(row, 0).bytes);
        if (indexes.empty() || indexes.back().name != index) indexes.push_back({index, {}});
        if (rows.value(row, 1).storageClass == StorageClass::text) indexes.back().columns.push_back(fromUtf8(rows.value(row, 1).bytes));
    }
    return indexes;
}

// The key's columns as the source names them: the rowid, or the primary key's columns.
StringArray keyColumns(const StoredTable& table) {
    if (!table.isWithoutRowid) return {u"rowid"};
    StringArray names;
    for (std::size_t column = 0; column < table.keyColumns; ++column) names.push_back(table.columns[column].name);
    return names;
}

WideString columnList(const StringArray& names) {
    WideString list;
    for (const WideString& name : names) list += (list.empty() ? u"" : u", ") + (name == u"rowid" ? name : quotedName(name));
    return list;
}

// The index's entries whose row the salvaged table lacks: the columns named (the key's first) as
// c0, c1, ... Read in the key's order, each lookup in the salvaged table lands next to the last
// one: in the index's own order they would read its pages from the disk again and again.
WideString missingEntries(const StoredTable& table, const WideString& index, const StringArray& columns, bool isOrdered) {
    const StringArray keys = keyColumns(table);
    WideString named, order, sameKey;
    for (std::size_t column = 0; column < columns.size(); ++column) {
        const WideString alias = fieldColumn(column);
        named += (column ? u", " : u"") + (columns[column] == u"rowid" ? columns[column] : quotedName(columns[column])) + u" AS " + alias;
        if (column >= keys.size()) continue;
        order += (column ? u", " : u"") + alias;
        sameKey += WideString(column ? u" AND " : u"") + u"held." + (keys[column] == u"rowid" ? keys[column] : quotedName(keys[column])) + u" = lost." + alias;
    }
    // Materialized: flattened into the outer query, the entries would be looked up in the index's order.
    return u"WITH lost AS " + WideString(isOrdered ? u"MATERIALIZED " : u"") + u"(SELECT " + named + u" FROM src." + quotedName(table.name) +
           u" INDEXED BY " + quotedName(index) + (isOrdered ? u" ORDER BY " + order : WideString()) + u") SELECT * FROM lost WHERE NOT EXISTS (SELECT 1 FROM main." +
           quotedName(table.name) + u" AS held WHERE " + sameKey + u")";
}

// Whether the index and the key hold every column the table stores.
bool holdsEveryColumn(const StoredTable& table, const SourceIndex& index) {
    const StringArray keys = keyColumns(table);
    for (const WideString& column : table.storedNames())
        if (std::find(index.columns.begin(), index.columns.end(), column) == index.columns.end() &&
            std::find(keys.begin(), keys.end(), column) == keys.end())
            return false;
    return true;
}

// The key ranges of the table's pages that could not be read and of which no row came back.
void nameLostPages(rg_MoKuai_class_sqliteShuJuKu& salvaged, const StoredTable& table, SalvagedTable& salvagedTable) {
    const std::string name = toUtf8(table.name);
    const TypedValue parameter[] = {textValue(name)};
    const auto root = salvaged.queryInteger(u"SELECT rootpage FROM src.sqlite_schema WHERE type = 'table' AND name = ?1", parameter);
    if (!root) return;
    for (const RowidRange& range : lostRowidRanges(salvaged, *root)) {
        const TypedValue bounds[] = {integerValue(range.first.value_or(INT64_MIN)), integerValue(range.last.value_or(INT64_MAX))};
        if (salvaged.queryInteger(u"SELECT count(*) FROM main." + quotedName(table.name) + u" WHERE rowid BETWEEN ?1 AND ?2", bounds) == 0)
            salvagedTable.lostKeyRanges.push_back(range.text());
    }
}

// The row named by the key in the first columns of a page's row: a rowid, or the primary key's values.
KnownRow knownRow(const StoredTable& table, const TypedPage& rows, std::int64_t row) {
    KnownRow named;
    const std::size_t keys = table.isWithoutRowid ? table.keyColumns : 1;
    for (std::size_t column = 0; column < keys; ++column) {
        const TypedValue value = rows.value(row, static_cast<std::int32_t>(column));
        named.key += (column ? ", " : "") + jsonValue(value);
        named.keyText += (column ? u", " : u"") + valueText(value);
    }
    if (table.isWithoutRowid) {
        named.key = "[" + named.key + "]";
        named.keyText = u"(" + named.keyText + u")";
    } else {
        named.keyText = u"rowid " + named.keyText;
    }
    named.values = "{}";
    return named;
}

void restoreTableRows(rg_MoKuai_class_sqliteShuJuKu& salvaged, const StoredTable& table, std::int64_t, SalvagedTable& salvagedTable) {
    const StringArray keys = keyColumns(table);
    for (const SourceIndex& index : readIndexes(salvaged, table.name)) {
        if (!holdsEveryColumn(table, index)) continue;
        StringArray columns = keys;
        for (const WideString& column : table.storedNames())
            if (std::find(keys.begin(), keys.end(), column) == keys.end()) columns.push_back(column);
        // One statement: the rows come back all or none, their values never leaving SQLite; it
        // returns their keys, by which the report names them.
        TypedPage restored;
        if (!salvaged.queryPage(u"INSERT INTO main." + quotedName(table.name) + u" (" + columnList(columns) + u") " +
                                    missingEntries(table, index.name, columns, true) + u" RETURNING " + columnList(keys),
                                restored))
            continue;
        salvagedTable.restoredRows += restored.rowCount();
        for (std::int64_t row = 0; row < restored.rowCount(); ++row) salvagedTable.restoredRowKeys.push_back(knownRow(table, restored, row));
    }
}

void nameTableRows(rg_MoKuai_class_sqliteShuJuKu& salvaged, const StoredTable& table, std::int64_t held, SalvagedTable& salvagedTable) {
    const std::vector<SourceIndex> indexes = readIndexes(salvaged, table.name);
    const StringArray keys = keyColumns(table);
    std::map<std::string, KnownRow> known;   // by the key's JSON
    for (const SourceIndex& index : indexes) {
        StringArray columns = keys;
        for (const WideString& column : index.columns)
            if (std::find(keys.begin(), keys.end(), column) == keys.end()) columns.push_back(column);
        TypedPage rows;
        // A damaged index cannot be read in order; out of order, it gives the entries read before the damage.
        if (!salvaged.queryPage(missingEntries(table, index.name, columns, true), rows)) {
            rows.clear(0);
            (void)salvaged.queryPage(missingEntries(table, index.name, columns, false), rows);
        }
        for (std::int64_t row = 0; row < rows.rowCount(); ++row) {
            const KnownRow named = knownRow(table, rows, row);
            KnownRow& entry = known[named.key];
            entry.key = named.key;
            entry.keyText = named.keyText;
            for (std::size_t column = keys.size(); column < columns.size(); ++column) {
                const std::string field = jsonText(toUtf8(columns[column])) + ": ";
                if (entry.values.find(field) == std::string::npos)
                    entry.values += (entry.values.empty() ? "" : ", ") + field + jsonValue(rows.value(row, static_cast<std::int32_t>(column)));
            }
        }
    }
    for (auto& [key, row] : known) {
        row.values = "{" + row.values + "}";
        salvagedTable.lostRowsKnown.push_back(std::move(row));
    }
    if (!table.isWithoutRowid) {
        std::sort(salvagedTable.lostRowsKnown.begin(), salvagedTable.lostRowsKnown.end(),
                  [](const KnownRow& a, const KnownRow& b) { return std::stoll(a.key) < std::stoll(b.key); });
        // Where the indexes name every lost row, the pages' ranges say nothing more.
        const std::optional<std::int64_t> lost = salvagedTable.sourceRows ? std::optional<std::int64_t>(*salvagedTable.sourceRows - held) : std::nullopt;
        if (!lost || *lost > static_cast<std::int64_t>(salvagedTable.lostRowsKnown.size())) nameLostPages(salvaged, table, salvagedTable);
    }
}

// Runs `step` for every table of the report that may have lost rows: its count short or unknown,
// or its b-tree damaged; with the rows the salvaged table holds.
template <typename Step>
void forTablesThatMayHaveLostRows(rg_MoKuai_class_sqliteShuJuKu& salvaged, SalvageReport& report, Step step) {
    const WriterLock serving(salvaged);
    for (const StoredTable& table : readStoredTables(salvaged, u"main")) {
        SalvagedTable* listed = report.table(table.name);
        if (!listed) continue;
        const auto held = salvaged.queryInteger(u"SELECT count(*) FROM main." + quotedName(table.name));
        if (!held || !listed->mayHaveLostRows(*held)) continue;
        step(salvaged, table, *held, *listed);
    }
}

}  // namespace

void restoreRowsFromIndexes(rg_MoKuai_class_sqliteShuJuKu& salvaged, SalvageReport& report) {
    forTablesThatMayHaveLostRows(salvaged, report, restoreTableRows);
}

void nameLostRows(rg_MoKuai_class_sqliteShuJuKu& salvaged, SalvageReport& report) {
    forTablesThatMayHaveLostRows(salvaged, report, nameTableRows);
}
