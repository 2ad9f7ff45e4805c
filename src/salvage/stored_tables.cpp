#include "salvage/stored_tables.h"

#include <algorithm>

#include "db/database.h"
#include "db/sql_text.h"

StringArray StoredTable::storedNames() const {
    StringArray names;
    for (std::size_t column = 0; column < columns.size(); ++column)
        if (static_cast<std::int32_t>(column) != rowidAlias) names.push_back(columns[column].name);
    return names;
}

WideString fieldColumn(std::size_t field) {
    WideString name = decimalText(static_cast<std::int64_t>(field));
    return name.insert(0, 1, u'c');   // not u"c" + ...: GCC 12 warns of an overlap that cannot happen
}

namespace {

// Orders the columns as the record stores them and finds the key: a table without rowid stores its
// primary key's columns first, in the key's order; a rowid table whose one key column is declared
// exactly INTEGER stores that column as the rowid.
void readColumns(rg_MoKuai_class_sqliteShuJuKu& database, const WideString& schema, StoredTable& table) {
    const std::string name = toUtf8(table.name), schemaName = toUtf8(schema);
    const TypedValue parameters[] = {textValue(name), textValue(schemaName)};
    TypedPage rows;
    (void)database.queryPage(u"SELECT name, upper(type), \"notnull\", pk, hidden FROM pragma_table_xinfo(?1, ?2) ORDER BY cid", rows, parameters);
    std::vector<std::pair<std::int64_t, StoredColumn>> keyed;
    std::int32_t keyCount = 0, keyColumn = -1;
    for (std::int64_t row = 0; row < rows.rowCount(); ++row) {
        StoredColumn column{fromUtf8(rows.value(row, 0).bytes), fromUtf8(rows.value(row, 1).bytes), rows.value(row, 2).integer != 0};
        const std::int64_t keyPosition = rows.value(row, 3).integer;
        if (rows.value(row, 4).integer != 0) table.hasComputedColumns = true;
        if (keyPosition > 0) {
            ++keyCount;
            keyColumn = static_cast<std::int32_t>(row);
        }
        if (keyPosition > 0 && table.isWithoutRowid) keyed.emplace_back(keyPosition, std::move(column));
        else table.columns.push_back(std::move(column));
    }
    if (table.isWithoutRowid) {
        std::sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        std::vector<StoredColumn> stored;
        for (auto& [position, column] : keyed) stored.push_back(std::move(column));
        stored.insert(stored.end(), table.columns.begin(), table.columns.end());
        table.columns = std::move(stored);
        table.keyColumns = keyed.size();
    } else if (keyCount == 1 && table.columns[static_cast<std::size_t>(keyColumn)].type == u"INTEGER") {
        table.rowidAlias = keyColumn;
    }
}

}  // namespace

namespace {

// The tables of the schema that `which` (SQL over pragma_table_list's row, "list") picks.
std::vector<StoredTable> readTables(rg_MoKuai_class_sqliteShuJuKu& database, const WideString& schema, const WideString& which) {
    const std::string schemaName = toUtf8(schema);
    const TypedValue parameter[] = {textValue(schemaName)};
    TypedPage rows;
    (void)database.queryPage(u"SELECT list.name, list.wr, list.strict, objects.rootpage, list.type = 'shadow' OR list.name LIKE 'sqlite\\_%' ESCAPE '\\' "
                                 u"FROM pragma_table_list AS list JOIN " +
                                 quotedName(schema) +
                                 u".sqlite_schema AS objects ON objects.name = list.name AND objects.type = 'table' "
                                 u"WHERE list.schema = ?1 AND " + which + u" ORDER BY objects.rowid",
                             rows, parameter);
    std::vector<StoredTable> tables;
    for (std::int64_t row = 0; row < rows.rowCount(); ++row) {
        StoredTable table;
        table.name = fromUtf8(rows.value(row, 0).bytes);
        table.isWithoutRowid = rows.value(row, 1).integer != 0;
        table.isStrict = rows.value(row, 2).integer != 0;
        table.rootPage = rows.value(row, 3).integer;
        table.isSqliteOwned = rows.value(row, 4).integer != 0;
        readColumns(database, schema, table);
        tables.push_back(std::move(table));
    }
    return tables;
}

}  // namespace

std::vector<StoredTable> readStoredTables(rg_MoKuai_class_sqliteShuJuKu& database, const WideString& schema) {
    return readTables(database, schema, u"list.type IN ('table', 'shadow') AND list.name NOT LIKE 'sqlite\\_%' ESCAPE '\\'");
}

std::vector<StoredTable> readSqliteTables(rg_MoKuai_class_sqliteShuJuKu& database, const WideString& schema) {
    return readTables(database, schema, u"list.name IN ('sqlite_sequence', 'sqlite_stat1', 'sqlite_stat4')");
}

WideString fixedShapeMisfit(const StoredTable& table, const std::function<WideString(std::size_t field)>& field) {
    if (!table.isSqliteOwned) return {};
    WideString misfits;
    const auto orMisfit = [&misfits](const WideString& condition) { misfits += (misfits.empty() ? u"" : u" OR ") + condition; };
    const auto mustBe = [&](std::size_t at, const char16_t* classes) { orMisfit(u"typeof(" + field(at) + u") NOT IN (" + classes + u")"); };
    if (table.name == u"sqlite_sequence") {
        mustBe(0, u"'text'");
        mustBe(1, u"'integer'");
    } else if (table.name == u"sqlite_stat1") {
        mustBe(0, u"'text'");
        mustBe(1, u"'text', 'null'");
        mustBe(2, u"'text'");
    } else if (table.name == u"sqlite_stat4") {
        for (std::size_t at = 0; at < 5; ++at) mustBe(at, u"'text'");
        mustBe(5, u"'blob'");
    } else {
        const bool isContent = table.name.ends_with(u"_content"), isRtreeRowids = table.name.ends_with(u"_rowid");
        for (std::size_t at = 0; at < table.columns.size(); ++at) {
            const bool mayBeNull = (isContent && at >= 1) || (isRtreeRowids && at >= 2);
            if (static_cast<std::int32_t>(at) != table.rowidAlias && !mayBeNull) orMisfit(field(at) + u" IS NULL");
        }
    }
    return misfits;
}
