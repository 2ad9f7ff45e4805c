#include "db/foreign_trees.h"

#include <algorithm>
#include <unordered_set>

#include "db/database.h"

TableLimits::TableLimits(rg_MoKuai_class_sqliteShuJuKu& database, const std::vector<SchemaObject>& objects) {
    TypedPage rows;
    (void)database.queryPage(u"SELECT m.name, count(*) FROM sqlite_master AS m, pragma_table_xinfo(m.name) AS c "
                             u"WHERE m.type = 'table' AND c.hidden IN (0, 3) GROUP BY m.name",
                             rows);   // unread: no table's width known, none judged by it
    for (std::int64_t row = 0; row < rows.rowCount(); ++row) columns[fromUtf8(rows.value(row, 0).bytes)] = rows.value(row, 1).integer;
    const bool hasSequence = std::any_of(objects.begin(), objects.end(), [](const SchemaObject& object) { return object.name == u"sqlite_sequence"; });
    if (!hasSequence) return;
    (void)database.queryPage(u"SELECT name, seq FROM sqlite_sequence", rows);   // unread: no counter known
    for (std::int64_t row = 0; row < rows.rowCount(); ++row)
        if (rows.value(row, 1).storageClass == StorageClass::integer) counters[fromUtf8(rows.value(row, 0).bytes)] = rows.value(row, 1).integer;
}

std::int64_t TableLimits::storedColumns(const WideString& table) const {
    const auto found = columns.find(table);
    return found == columns.end() ? 0 : found->second;
}

std::optional<std::int64_t> TableLimits::counter(const WideString& table) const {
    const auto found = counters.find(table);
    return found == counters.end() ? std::nullopt : std::optional<std::int64_t>(found->second);
}

StringArray foreignTrees(const SourceMap& map, const std::vector<SchemaObject>& objects, const TableLimits& limits) {
    std::unordered_map<std::int64_t, int> claims;
    for (const SchemaObject& object : objects)
        if (object.rootPage > 1) ++claims[object.rootPage];
    StringArray tables;
    for (std::size_t object = 0; object < objects.size(); ++object) {
        const SchemaObject& table = objects[object];
        if (table.type != "table" || table.rootPage < 2) continue;
        const SourceMap::TreeShape& shape = map.treeOf(object);
        const std::int64_t columns = limits.storedColumns(table.name);
        const auto counter = limits.counter(table.name);
        if (claims[table.rootPage] > 1 || (columns > 0 && shape.widestRecord > columns) || (counter && shape.hasKeys && shape.highestKey > *counter))
            tables.push_back(table.name);
    }
    return tables;
}
