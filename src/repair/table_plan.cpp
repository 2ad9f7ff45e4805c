#include "repair/table_plan.h"

#include <algorithm>
#include <string>

#include "base/text_routines.h"
#include "db/database.h"
#include "db/sql_text.h"

namespace {

WideString parameter(std::int32_t number) {
    WideString placeholder = u"?";   // appended, not u"?" + ...: GCC 12 warns falsely on that form (-Wrestrict)
    return placeholder.append(decimalText(number));
}

}  // namespace

WideString TablePlan::keyColumns() const {
    return quotedNameList(StringArray(readColumns.begin(), readColumns.begin() + keyColumnCount));
}

WideString TablePlan::collatedKeyColumn(std::int32_t i) const {
    const WideString column = quotedName(readColumns[static_cast<std::size_t>(i)]);
    const WideString& collation = keyCollations[static_cast<std::size_t>(i)];
    return collation.empty() ? column : column + u" COLLATE " + quotedName(collation);
}

WideString TablePlan::collatedKeyColumns() const {
    WideString columns;
    for (std::int32_t i = 0; i < keyColumnCount; ++i) columns += (i ? u", " : u"") + collatedKeyColumn(i);
    return columns;
}

WideString TablePlan::keyOrder() const {
    WideString order;
    for (std::int32_t i = 0; i < keyColumnCount; ++i) {
        if (i > 0) order += u", ";
        order += collatedKeyColumn(i) + (keyDescending[static_cast<std::size_t>(i)] ? u" DESC" : u"");
    }
    return order;
}

WideString TablePlan::rangeCondition(bool hasLower, bool hasUpper) const {
    if (!hasLower && !hasUpper) return u"1";
    if (!hasUpper) return keyFrom(1);
    if (!hasLower) return keyBefore(1);
    return keyFrom(1) + u" AND " + keyBefore(keyColumnCount + 1);
}

bool TablePlan::isAscending() const {
    return std::none_of(keyDescending.begin(), keyDescending.end(), [](bool descending) { return descending; });
}

// A row value lets SQLite seek in the table's own b-tree.
WideString TablePlan::keyCompared(const char16_t* comparison, std::int32_t firstParameter) const {
    WideString values;
    for (std::int32_t i = 0; i < keyColumnCount; ++i) values += (i ? u", " : u"") + parameter(firstParameter + i);
    return u"(" + collatedKeyColumns() + u") " + comparison + u" (" + values + u")";
}

WideString TablePlan::keyBefore(std::int32_t firstParameter) const {
    return isAscending() ? keyCompared(u"<", firstParameter) : u"NOT " + keyFrom(firstParameter);
}

WideString TablePlan::keyFrom(std::int32_t firstParameter) const {
    if (isAscending()) return keyCompared(u">=", firstParameter);
    // Mixed directions: at or after the key in the table's order, spelt out column by column.
    WideString condition, equalSoFar;
    for (std::int32_t i = 0; i < keyColumnCount; ++i) {
        const WideString column = collatedKeyColumn(i);
        const WideString value = parameter(firstParameter + i);
        condition += u"(" + equalSoFar + column + (keyDescending[static_cast<std::size_t>(i)] ? u" < " : u" > ") + value + u") OR ";
        equalSoFar += column + u" = " + value + u" AND ";
    }
    return u"(" + condition + u"(" + equalSoFar + u"1))";
}

bool readTableShapes(rg_MoKuai_class_sqliteShuJuKu& source, TableShapes& shapes) {
    shapes.clear();
    TypedPage tables;
    if (!source.queryPage(u"SELECT t.name, t.type, t.wr, coalesce(instr(lower(s.sql), 'replace'), 1) FROM pragma_table_list t "
                          u"LEFT JOIN main.sqlite_schema s ON s.type = 'table' AND s.name = t.name WHERE t.schema = 'main'",
                          tables))
        return false;
    for (std::int64_t row = 0; row < tables.rowCount(); ++row) {
        TableShape shape;
        const std::string_view type = tables.value(row, 1).bytes;
        if (type == "virtual") shape.kind = TablePlan::Kind::virtualTable;
        else if (tables.value(row, 2).integer != 0) shape.kind = TablePlan::Kind::withoutRowid;
        shape.isShadow = type == "shadow";
        shape.mayReplaceRows = tables.value(row, 3).integer != 0;
        shapes[fromUtf8(tables.value(row, 0).bytes)] = shape;
    }
    return true;
}

bool planTable(rg_MoKuai_class_sqliteShuJuKu& source, const WideString& table, const TableShape& shape, TablePlan& plan) {
    plan = TablePlan{};
    plan.quotedTable = quotedName(table);
    plan.kind = shape.kind;
    plan.mayReplaceRows = shape.mayReplaceRows;
    if (plan.kind == TablePlan::Kind::virtualTable) return true;
    const std::string name = toUtf8(table);
    const TypedValue nameValue[] = {textValue(name)};

    // hidden: 0 for a stored column, 2 for a VIRTUAL generated one, 3 for a STORED one; pk: place in
    // the primary key.
    TypedPage columns;
    if (!source.queryPage(u"SELECT name, hidden, pk FROM pragma_table_xinfo(?1)", columns, nameValue) || columns.rowCount() == 0)
        return false;
    StringArray allNames, stored, primaryKey;
    for (std::int64_t row = 0; row < columns.rowCount(); ++row) {
        const WideString columnName = fromUtf8(columns.value(row, 0).bytes);
        allNames.push_back(columnName);
        if (columns.value(row, 1).integer == 0) stored.push_back(columnName);
        if (columns.value(row, 1).integer == 3) plan.storedGeneratedColumns.push_back(columnName);
        if (columns.value(row, 2).integer > 0) primaryKey.push_back(columnName);
    }
    const auto keyIndexes = source.queryInteger(u"SELECT COUNT(*) FROM pragma_index_list(?1) WHERE origin = 'pk'", nameValue);
    if (!keyIndexes) return false;

    if (plan.kind == TablePlan::Kind::ordinary) {
        // The rowid travels as the INTEGER PRIMARY KEY column that names it (a one-column primary
        // key without an index of its own), or else under a name of its own that no column hides.
        WideString rowid;
        if (primaryKey.size() == 1 && *keyIndexes == 0) {
            rowid = primaryKey.front();
        } else {
            const std::optional<WideString> free = freeRowidName(allNames);
            if (!free) {
                // Columns called rowid, _rowid_ and oid leave SQL no name for the rowid: the rows
                // are copied in the b-tree's own (rowid) order with every stored column, in one
                // range, and the rebuilt table numbers them anew.
                plan.readColumns = stored;
                plan.isRowidHidden = true;
                return true;
            }
            rowid = *free;
        }
        plan.readColumns.push_back(rowid);
        plan.keyColumnCount = 1;
        plan.keyDescending.push_back(false);
        plan.keyCollations.emplace_back();
        for (const WideString& columnName : stored) {
            if (columnName == rowid) continue;
            plan.readColumns.push_back(columnName);
        }
        return true;
    }

    TypedPage keyOrder;   // the primary key's columns and their sort order, from its index
    if (!source.queryPage(u"SELECT name, desc, coll FROM pragma_index_xinfo((SELECT name FROM pragma_index_list(?1) WHERE origin = 'pk')) "
                          u"WHERE key = 1 ORDER BY seqno",
                          keyOrder, nameValue) ||
        keyOrder.rowCount() == 0)
        return false;
    for (std::int64_t row = 0; row < keyOrder.rowCount(); ++row) {
        plan.readColumns.push_back(fromUtf8(keyOrder.value(row, 0).bytes));
        plan.keyDescending.push_back(keyOrder.value(row, 1).integer != 0);
        plan.keyCollations.push_back(fromUtf8(keyOrder.value(row, 2).bytes));
    }
    plan.keyColumnCount = static_cast<std::int32_t>(plan.readColumns.size());
    for (const WideString& columnName : stored) {
        if (std::find(plan.readColumns.begin(), plan.readColumns.end(), columnName) != plan.readColumns.end()) continue;
        plan.readColumns.push_back(columnName);
    }
    return true;
}
