#include "repair/table_plan.h"

#include <algorithm>

#include "db/database.h"
#include "repair/sql_text.h"

namespace {

constexpr const char16_t* kRowidNames[] = {u"rowid", u"_rowid_", u"oid"};

bool sameNameIgnoringCase(const WideString& a, const WideString& b) {
    const auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char16_t x, char16_t y) { return lower(x) == lower(y); });
}

}  // namespace

WideString TablePlan::keyColumns() const {
    return quotedNameList(StringArray(readColumns.begin(), readColumns.begin() + keyColumnCount));
}

WideString TablePlan::insertStatement() const {
    WideString placeholders;
    for (std::size_t i = 0; i < readColumns.size(); ++i) placeholders += i == 0 ? u"?" : u", ?";
    return u"INSERT INTO " + quotedTable + u" (" + quotedNameList(readColumns) + u") VALUES (" + placeholders + u")";
}

WideString TablePlan::keyOrder() const {
    WideString order;
    for (std::int32_t i = 0; i < keyColumnCount; ++i) {
        if (i > 0) order += u", ";
        order += quotedName(readColumns[static_cast<std::size_t>(i)]) + (keyDescending[static_cast<std::size_t>(i)] ? u" DESC" : u"");
    }
    return order;
}

bool TablePlan::isAscending() const {
    return std::none_of(keyDescending.begin(), keyDescending.end(), [](bool descending) { return descending; });
}

// A row value lets SQLite seek in the table's own b-tree.
WideString TablePlan::keyCompared(const char16_t* comparison, const TypedPage& keys, std::int64_t row) const {
    WideString columns, values;
    for (std::int32_t i = 0; i < keyColumnCount; ++i) {
        columns += (i ? u", " : u"") + quotedName(readColumns[static_cast<std::size_t>(i)]);
        values += (i ? u", " : u"") + valueLiteral(keys.value(row, i));
    }
    return u"(" + columns + u") " + comparison + u" (" + values + u")";
}

WideString TablePlan::keyBefore(const TypedPage& keys, std::int64_t row) const {
    return isAscending() ? keyCompared(u"<", keys, row) : u"NOT " + keyFrom(keys, row);
}

WideString TablePlan::keyFrom(const TypedPage& keys, std::int64_t row) const {
    if (isAscending()) return keyCompared(u">=", keys, row);
    // Mixed directions: at or after the key in the table's order, spelt out column by column.
    WideString condition, equalSoFar;
    for (std::int32_t i = 0; i < keyColumnCount; ++i) {
        const WideString column = quotedName(readColumns[static_cast<std::size_t>(i)]);
        const WideString value = valueLiteral(keys.value(row, i));
        condition += u"(" + equalSoFar + column + (keyDescending[static_cast<std::size_t>(i)] ? u" < " : u" > ") + value + u") OR ";
        equalSoFar += column + u" = " + value + u" AND ";
    }
    return u"(" + condition + u"(" + equalSoFar + u"1))";
}

bool planTable(rg_MoKuai_class_sqliteShuJuKu& source, const WideString& table, TablePlan& plan) {
    plan = TablePlan{};
    plan.quotedTable = quotedName(table);
    TypedPage info;
    if (!source.queryPage(u"SELECT type, wr FROM pragma_table_list(" + stringLiteral(table) + u") WHERE schema = 'main'", info) ||
        info.rowCount() != 1)
        return false;
    if (info.value(0, 0).bytes == "virtual") {
        plan.kind = TablePlan::Kind::virtualTable;
        return true;
    }
    plan.kind = info.value(0, 1).integer != 0 ? TablePlan::Kind::withoutRowid : TablePlan::Kind::ordinary;

    // hidden: 0 for a stored column, 2 and 3 for generated ones; pk: place in the primary key.
    TypedPage columns;
    if (!source.queryPage(u"SELECT name, hidden, pk FROM pragma_table_xinfo(" + stringLiteral(table) + u")", columns) ||
        columns.rowCount() == 0)
        return false;
    StringArray allNames, stored, primaryKey;
    for (std::int64_t row = 0; row < columns.rowCount(); ++row) {
        const WideString name = fromUtf8(columns.value(row, 0).bytes);
        allNames.push_back(name);
        if (columns.value(row, 1).integer == 0) stored.push_back(name);
        if (columns.value(row, 2).integer > 0) primaryKey.push_back(name);
    }
    const auto keyIndexes = source.queryInteger(u"SELECT COUNT(*) FROM pragma_index_list(" + stringLiteral(table) + u") WHERE origin = 'pk'");
    if (!keyIndexes) return false;

    if (plan.kind == TablePlan::Kind::ordinary) {
        // The rowid travels as the INTEGER PRIMARY KEY column that names it (a one-column primary
        // key without an index of its own), or else under a name of its own that no column hides.
        WideString rowid;
        if (primaryKey.size() == 1 && *keyIndexes == 0) {
            rowid = primaryKey.front();
        } else {
            const auto free = std::find_if(std::begin(kRowidNames), std::end(kRowidNames), [&](const char16_t* candidate) {
                return std::none_of(allNames.begin(), allNames.end(), [&](const WideString& n) { return sameNameIgnoringCase(n, candidate); });
            });
            if (free == std::end(kRowidNames)) return false;
            rowid = *free;
        }
        plan.readColumns.push_back(rowid);
        plan.keyColumnCount = 1;
        plan.keyDescending.push_back(false);
        for (const WideString& name : stored)
            if (name != rowid) plan.readColumns.push_back(name);
        return true;
    }

    TypedPage keyOrder;   // the primary key's columns and their sort order, from its index
    if (!source.queryPage(u"SELECT name, desc FROM pragma_index_xinfo((SELECT name FROM pragma_index_list(" +
                              stringLiteral(table) + u") WHERE origin = 'pk')) WHERE key = 1 ORDER BY seqno",
                          keyOrder) ||
        keyOrder.rowCount() == 0)
        return false;
    for (std::int64_t row = 0; row < keyOrder.rowCount(); ++row) {
        plan.readColumns.push_back(fromUtf8(keyOrder.value(row, 0).bytes));
        plan.keyDescending.push_back(keyOrder.value(row, 1).integer != 0);
    }
    plan.keyColumnCount = static_cast<std::int32_t>(plan.readColumns.size());
    for (const WideString& name : stored)
        if (std::find(plan.readColumns.begin(), plan.readColumns.end(), name) == plan.readColumns.end()) plan.readColumns.push_back(name);
    return true;
}
