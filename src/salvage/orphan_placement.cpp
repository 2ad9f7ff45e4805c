#include "salvage/orphan_placement.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>

#include "db/database.h"
#include "db/sql_text.h"
#include "salvage/stored_tables.h"

namespace {

// One b-tree of lost_and_found: its top page, its rows, whether its cells carry rowids (a table's
// b-tree) and the fewest and most fields of its records.
struct OrphanTree {
    std::int64_t root = 0;
    std::int64_t rows = 0;
    bool hasRowids = false;
    bool isMixed = false;
    std::int64_t fewestFields = 0;
    std::int64_t mostFields = 0;
};

// What the storage class of a STRICT column's value may be, or empty for ANY.
std::optional<std::u16string_view> strictClasses(const WideString& type) {
    if (type == u"INT" || type == u"INTEGER") return u"'integer'";
    if (type == u"REAL") return u"'real', 'integer'";   // a whole REAL may be stored as an integer
    if (type == u"TEXT") return u"'text'";
    if (type == u"BLOB") return u"'blob'";
    return std::nullopt;
}

class Placement {
public:
    Placement(rg_MoKuai_class_sqliteShuJuKu& salvaged, const std::map<WideString, std::int64_t>& rootHints, SalvageReport& report)
        : salvaged(salvaged), rootHints(rootHints), report(report), orphans(u"main." + quotedName(report.lostAndFound)) {}

    void run() {
        for (StoredTable& table : readStoredTables(salvaged, u"main"))
            if (table.name != report.lostAndFound && !table.hasComputedColumns) tables.push_back(std::move(table));
        for (StoredTable& table : readSqliteTables(salvaged, u"main")) tables.push_back(std::move(table));
        for (const StoredTable& table : tables)
            if (table.isSqliteOwned) moveOutMisshapenRows(table);
        fieldColumns = readFieldColumns();
        if (fieldColumns <= 0) return;
        // Every step reads one b-tree's rows: without this index, each would read all of them.
        const WideString byTree = u"main." + quotedName(report.lostAndFound + u"_by_tree");
        const bool isIndexed = salvaged.execSql(u"CREATE INDEX " + byTree + u" ON " + quotedName(report.lostAndFound) + u" (rootpgno, nfield)");
        // Tables' b-trees first: an index's entries are told from rows by the rows they name.
        std::vector<OrphanTree> trees = readTrees();
        std::stable_partition(trees.begin(), trees.end(), [](const OrphanTree& tree) { return tree.hasRowids; });
        // First among the tables that may have lost rows; then, for what is left, among all: a
        // table whose b-tree checks clean may still have lost a subtree it never pointed to (its
        // root swapped with a leaf), and its figures are then no longer sure.
        for (const bool onlyLosers : {true, false}) {
            for (const OrphanTree& tree : trees) {
                if (tree.isMixed || settled.contains(tree.root)) continue;
                // An index's entries say nothing that the rows and the rebuilt index do not.
                if (!tree.hasRowids && isIndexOfPlacedRows(tree)) {
                    settled.insert(tree.root);
                    continue;
                }
                const StoredTable* table = onlyFittingTable(tree, onlyLosers);
                if (table && copy(tree, *table)) {
                    if (SalvagedTable* entry = listed(*table)) entry->placedRows += tree.rows;
                    heldRows(table->name) += tree.rows;
                    settled.insert(tree.root);
                }
            }
        }
        removeSettledTrees(trees.size());
        keepIndexEntriesApart();
        // Only the index made here (a name the user's schema took leaves that index alone); gone
        // with its table when every tree found its place.
        if (isIndexed) (void)salvaged.execSql(u"DROP INDEX IF EXISTS " + byTree);
        if (salvaged.queryInteger(u"SELECT count(*) FROM " + orphans) == 0) (void)salvaged.execSql(u"DROP TABLE IF EXISTS " + orphans);
    }

private:
    std::int64_t readFieldColumns() {
        const std::string name = toUtf8(report.lostAndFound);
        const TypedValue parameter[] = {textValue(name)};
        return salvaged.queryInteger(u"SELECT count(*) - 4 FROM pragma_table_info(?1, 'main')", parameter).value_or(0);
    }

    // The recovery writes a table's b-tree into the table the schema names for it: where the schema
    // points SQLite's own table at another table's page, rows of no shape its writer gives land
    // there. They go to lost_and_found as the b-tree of that page, lost_and_found made or widened
    // for them, and are placed from there as any orphaned rows are.
    void moveOutMisshapenRows(const StoredTable& table) {
        const WideString held = u"main." + quotedName(table.name);
        const WideString misfit = fixedShapeMisfit(table, [&table](std::size_t field) { return quotedName(table.columns[field].name); });
        if (misfit.empty() || salvaged.queryInteger(u"SELECT count(*) FROM " + held + u" WHERE " + misfit).value_or(0) == 0) return;
        const std::string name = toUtf8(table.name);
        const TypedValue parameter[] = {textValue(name)};
        const std::int64_t root = salvaged.queryInteger(u"SELECT rootpage FROM src.sqlite_schema WHERE type = 'table' AND name = ?1", parameter).value_or(0);
        if (!salvaged.execSql(u"SAVEPOINT moving")) return;
        std::int64_t fields = readFieldColumns();
        bool moved = fields >= 0 || salvaged.execSql(u"CREATE TABLE " + orphans + u" (rootpgno INTEGER, pgno INTEGER, nfield INTEGER, id INTEGER)");
        for (fields = std::max<std::int64_t>(fields, 0); moved && fields < static_cast<std::int64_t>(table.columns.size()); ++fields)
            moved = salvaged.execSql(u"ALTER TABLE " + orphans + u" ADD COLUMN " + fieldColumn(static_cast<std::size_t>(fields)));
        WideString columns, values;
        for (std::size_t field = 0; field < table.columns.size(); ++field) {
            columns += u", " + fieldColumn(field);
            values += static_cast<std::int32_t>(field) == table.rowidAlias ? WideString(u", NULL") : u", " + quotedName(table.columns[field].name);
        }
        const TypedValue page[] = {integerValue(root), integerValue(static_cast<std::int64_t>(table.columns.size()))};
        moved = moved &&
                salvaged.execBound(u"INSERT INTO " + orphans + u" (rootpgno, nfield, id" + columns + u") SELECT ?1, ?2, " +
                                       (table.isWithoutRowid ? u"NULL" : u"rowid") + values + u" FROM " + held + u" WHERE " + misfit,
                                   page)
                    .complete &&
                salvaged.execSql(u"DELETE FROM " + held + u" WHERE " + misfit);
        if (!moved) (void)salvaged.execSql(u"ROLLBACK TO moving");
        (void)salvaged.execSql(u"RELEASE moving");   // failed, the rows stay where the recovery wrote them
    }

    std::vector<OrphanTree> readTrees() {
        TypedPage rows;
        (void)salvaged.queryPage(u"SELECT rootpgno, count(*), count(id), min(nfield), max(nfield) FROM " + orphans + u" GROUP BY rootpgno",
                                 rows);
        std::vector<OrphanTree> trees;
        for (std::int64_t row = 0; row < rows.rowCount(); ++row) {
            const std::int64_t count = rows.value(row, 1).integer, withRowid = rows.value(row, 2).integer;
            trees.push_back({rows.value(row, 0).integer, count, withRowid == count, withRowid != 0 && withRowid != count, rows.value(row, 3).integer,
                             rows.value(row, 4).integer});
        }
        return trees;
    }

    // A table whose damage may have cost it rows. A table the source did not list (a schema taken
    // from another copy) may have lost any.
    bool mayHaveLostRows(const StoredTable& table) {
        const SalvagedTable* known = report.table(table.name);
        return !known || known->mayHaveLostRows(heldRows(table.name));
    }

    // The rows the salvaged table holds, counted once and kept up to date as trees are copied in.
    std::int64_t& heldRows(const WideString& table) {
        const auto counted = held.find(table);
        if (counted != held.end()) return counted->second;
        return held[table] = salvaged.queryInteger(u"SELECT count(*) FROM main." + quotedName(table)).value_or(0);
    }

    // Whether every row of the tree fits the table: a field for each column at most, the rowid
    // alias stored as NULL, no NULL in a NOT NULL column, a STRICT column's storage class, and no
    // key the table already holds.
    bool fits(const OrphanTree& tree, const StoredTable& table, bool onlyLosers) {
        if (tree.hasRowids == table.isWithoutRowid || tree.mostFields > static_cast<std::int64_t>(table.columns.size()) || tree.fewestFields < 1 ||
            static_cast<std::int64_t>(table.keyColumns) > tree.fewestFields || (onlyLosers && !mayHaveLostRows(table)))
            return false;
        // SQLite's own tables never gain columns: every record holds each of them.
        if (table.isSqliteOwned && tree.fewestFields != static_cast<std::int64_t>(table.columns.size())) return false;
        WideString misfits = fixedShapeMisfit(table, [](std::size_t field) { return u"orphan." + fieldColumn(field); });
        const auto orMisfit = [&misfits](const WideString& condition) { misfits += (misfits.empty() ? u"" : u" OR ") + condition; };
        for (std::size_t field = 0; field < table.columns.size() && static_cast<std::int64_t>(field) < fieldColumns; ++field) {
            const StoredColumn& column = table.columns[field];
            const WideString value = u"orphan." + fieldColumn(field);
            if (static_cast<std::int32_t>(field) == table.rowidAlias) orMisfit(value + u" IS NOT NULL");
            if (column.isNotNull) orMisfit(u"(orphan.nfield > " + decimalText(static_cast<std::int64_t>(field)) + u" AND " + value + u" IS NULL)");
            if (const auto classes = table.isStrict ? strictClasses(column.type) : std::nullopt)
                orMisfit(u"typeof(" + value + u") NOT IN ('null', " + WideString(*classes) + u")");
        }
        WideString sameKey = u"SELECT 1 FROM main." + quotedName(table.name) + u" AS held WHERE ";
        if (table.isWithoutRowid) {
            for (std::size_t field = 0; field < table.keyColumns; ++field)
                sameKey += (field ? u" AND held." : u"held.") + quotedName(table.columns[field].name) + u" = orphan." + fieldColumn(field);
        } else {
            sameKey += u"held.rowid = orphan.id";
        }
        orMisfit(u"EXISTS (" + sameKey + u")");
        const TypedValue root[] = {integerValue(tree.root)};
        return salvaged.queryInteger(u"SELECT count(*) FROM " + orphans + u" AS orphan WHERE rootpgno = ?1 AND (" + misfits + u")", root) ==
               0;
    }

    // Whether the source's intact indexes on the table hold the tree's rows: an entry for each of
    // its rowids with the values the row holds in the indexed columns. True when one that could be
    // read whole holds them all; false when one holds other values or lacks a rowid (the rows are
    // then another table's); empty when no index could be read whole.
    std::optional<bool> indexesHoldRows(const OrphanTree& tree, const StoredTable& table) {
        const std::string name = toUtf8(table.name);
        const TypedValue parameter[] = {textValue(name)};
        TypedPage indexes;
        (void)salvaged.queryPage(u"SELECT name FROM src.sqlite_schema WHERE type = 'index' AND tbl_name = ?1", indexes, parameter);
        std::optional<bool> held;
        for (std::int64_t row = 0; row < indexes.rowCount(); ++row) {
            const IndexEntries& entries = knownEntries(table, fromUtf8(indexes.value(row, 0).bytes));
            if (entries.table.empty()) continue;
            WideString sameValues;
            for (std::size_t value = 0; value < entries.fields.size(); ++value) {
                const std::int64_t field = entries.fields[value];
                const WideString held = u"entry.v" + decimalText(static_cast<std::int64_t>(value));
                // A record written before its table gained a column lacks the field: it holds the default.
                if (field == table.rowidAlias) sameValues += u" AND " + held + u" = orphan.id";
                else sameValues += u" AND (orphan.nfield <= " + decimalText(field) + u" OR " + held + u" IS orphan." + fieldColumn(static_cast<std::size_t>(field)) + u")";
            }
            const TypedValue root[] = {integerValue(tree.root)};
            const auto unheld = salvaged.queryInteger(u"SELECT count(*) FROM " + orphans + u" AS orphan WHERE rootpgno = ?1 AND NOT EXISTS (SELECT 1 FROM " +
                                                          entries.table + u" AS entry WHERE entry.id = orphan.id" + sameValues + u")",
                                                      root);
            if (!unheld) continue;
            if (*unheld > 0) return false;
            held = true;
        }
        return held;
    }

    // Whether the tree is an index of the salvaged database: each entry holds, field by field, the
    // indexed columns and the key of a row its table holds.
    bool isIndexOfPlacedRows(const OrphanTree& tree) {
        TypedPage indexes;
        (void)salvaged.queryPage(u"SELECT list.name, info.name, list.tbl_name FROM main.sqlite_schema AS list, pragma_index_xinfo(list.name, 'main') AS info "
                                 u"WHERE list.type = 'index' ORDER BY list.name, info.seqno",
                                 indexes);
        for (std::int64_t row = 0; row < indexes.rowCount();) {
            const std::string_view index = indexes.value(row, 0).bytes;
            const WideString table = fromUtf8(indexes.value(row, 2).bytes);
            WideString sameRow;
            std::size_t field = 0;
            bool isNamed = true;
            for (; row < indexes.rowCount() && indexes.value(row, 0).bytes == index; ++row, ++field) {
                // An expression has no name; the rowid of a rowid table's entry has none either.
                const TypedValue column = indexes.value(row, 1);
                const WideString held = column.storageClass == StorageClass::text ? u"held." + quotedName(fromUtf8(column.bytes)) : WideString(u"held.rowid");
                isNamed = isNamed && (column.storageClass == StorageClass::text || row + 1 == indexes.rowCount() || indexes.value(row + 1, 0).bytes != index);
                sameRow += (sameRow.empty() ? u"" : u" AND ") + held + u" IS orphan." + fieldColumn(field);
            }
            if (!isNamed || static_cast<std::int64_t>(field) != tree.fewestFields || tree.mostFields != tree.fewestFields ||
                static_cast<std::int64_t>(field) > fieldColumns)
                continue;
            const TypedValue root[] = {integerValue(tree.root)};
            if (salvaged.queryInteger(u"SELECT count(*) FROM " + orphans + u" AS orphan WHERE rootpgno = ?1 AND NOT EXISTS (SELECT 1 FROM main." +
                                          quotedName(table) + u" AS held WHERE " + sameRow + u")",
                                      root) == 0)
                return true;
        }
        return false;
    }

    // The entries an index of the source holds, read whole once into a temporary table: each rowid
    // (id) with the values of the indexed columns (v0, v1, ...) and where the table's records store
    // them. Its table's name is empty when the index cannot be read whole or indexes an expression.
    struct IndexEntries {
        WideString table;
        std::vector<std::int64_t> fields;
    };

    const IndexEntries& knownEntries(const StoredTable& table, const WideString& index) {
        const auto cached = indexEntries.find(index);
        if (cached != indexEntries.end()) return cached->second;
        IndexEntries& entries = indexEntries[index];
        const std::string name = toUtf8(index);
        const TypedValue parameter[] = {textValue(name)};
        TypedPage columns;
        if (!salvaged.queryPage(u"SELECT name FROM pragma_index_info(?1, 'src') ORDER BY seqno", columns, parameter)) return entries;
        WideString created = u"id INTEGER PRIMARY KEY", read = u"rowid";
        std::vector<std::int64_t> fields;
        for (std::int64_t row = 0; row < columns.rowCount(); ++row) {
            if (columns.value(row, 0).storageClass != StorageClass::text) return entries;
            const WideString column = fromUtf8(columns.value(row, 0).bytes);
            const auto stored = std::find_if(table.columns.begin(), table.columns.end(), [&](const StoredColumn& each) { return each.name == column; });
            if (stored == table.columns.end()) return entries;
            fields.push_back(stored - table.columns.begin());
            created += u", v" + decimalText(row);
            read += u", " + quotedName(column);
        }
        const WideString entriesTable = u"temp.index_entries_" + decimalText(static_cast<std::int64_t>(indexEntries.size()));
        if (salvaged.execSql(u"CREATE TABLE " + entriesTable + u" (" + created + u")") &&
            salvaged.execSql(u"INSERT OR IGNORE INTO " + entriesTable + u" SELECT " + read + u" FROM src." + quotedName(table.name) + u" INDEXED BY " +
                             quotedName(index) + u" ORDER BY 1"))   // in order, each lands after the last
            entries = {entriesTable, std::move(fields)};
        return entries;
    }

    // The one table the tree fits; onlyLosers: among the tables that may have lost rows. Otherwise
    // every table it fits loses its verified figures: the rows may be its.
    const StoredTable* onlyFittingTable(const OrphanTree& tree, bool onlyLosers) {
        std::vector<const StoredTable*> fitting;
        for (const StoredTable& table : tables)
            if (fits(tree, table, onlyLosers)) fitting.push_back(&table);
        if (!onlyLosers)
            for (const StoredTable* table : fitting)
                if (SalvagedTable* entry = listed(*table)) entry->verified = false;
        // A record holds every column of its table unless columns were added after it was written.
        const auto exact = [&](const StoredTable* table) { return static_cast<std::int64_t>(table->columns.size()) == tree.mostFields; };
        if (std::any_of(fitting.begin(), fitting.end(), exact)) std::erase_if(fitting, [&](const StoredTable* table) { return !exact(table); });
        if (tree.hasRowids) {
            std::vector<std::pair<const StoredTable*, std::optional<bool>>> named;
            for (const StoredTable* table : fitting) named.emplace_back(table, indexesHoldRows(tree, *table));
            std::erase_if(named, [](const auto& entry) { return entry.second == false; });
            if (std::any_of(named.begin(), named.end(), [](const auto& entry) { return entry.second == true; }))
                std::erase_if(named, [](const auto& entry) { return !entry.second; });
            fitting.clear();
            for (const auto& [table, isNamed] : named) fitting.push_back(table);
        }
        if (fitting.size() > 1) {
            const auto isRoot = [&](const StoredTable* table) {
                const auto hint = rootHints.find(table->name);
                return hint != rootHints.end() && hint->second == tree.root;
            };
            if (std::count_if(fitting.begin(), fitting.end(), isRoot) == 1) std::erase_if(fitting, [&](const StoredTable* table) { return !isRoot(table); });
        }
        if (!onlyLosers && tree.hasRowids && fitting.size() > 1) {
            StringArray names;
            for (const StoredTable* table : fitting) names.push_back(table->name);
            report.addUndecidedRows(names, tree.rows);
        }
        return fitting.size() == 1 ? fitting.front() : nullptr;
    }

    // Copies the tree's rows into the table, each with its rowid, the fields it has and the
    // defaults of columns added after it was written; all or nothing.
    bool copy(const OrphanTree& tree, const StoredTable& table) {
        if (!salvaged.execSql(u"SAVEPOINT placing")) return false;
        bool moved = true;
        for (std::int64_t fields = tree.fewestFields; moved && fields <= tree.mostFields; ++fields) {
            StringArray names;
            WideString values = table.isWithoutRowid ? WideString() : WideString(u"id");
            if (!table.isWithoutRowid) names.push_back(u"rowid");
            for (std::int64_t field = 0; field < fields; ++field) {
                if (field == table.rowidAlias) continue;
                names.push_back(table.columns[static_cast<std::size_t>(field)].name);
                values += (values.empty() ? u"" : u", ") + fieldColumn(static_cast<std::size_t>(field));
            }
            WideString columns;
            for (const WideString& name : names) columns += (columns.empty() ? u"" : u", ") + (name == u"rowid" ? name : quotedName(name));
            const TypedValue parameters[] = {integerValue(tree.root), integerValue(fields)};
            moved = salvaged
                        .execBound(u"INSERT INTO main." + quotedName(table.name) + u" (" + columns + u") SELECT " + values + u" FROM " +
                                       orphans + u" WHERE rootpgno = ?1 AND nfield = ?2",
                                   parameters)
                        .complete;
        }
        if (!moved) (void)salvaged.execSql(u"ROLLBACK TO placing");
        return salvaged.execSql(u"RELEASE placing") && moved;
    }

    // The trees whose rows are in their table, or which were an index's, leave lost_and_found in
    // one statement. Should it fail, their rows stay there as well: twice, never lost.
    void removeSettledTrees(std::size_t trees) {
        if (settled.size() == trees) {
            (void)salvaged.execSql(u"DROP TABLE " + orphans);
            return;
        }
        if (settled.empty() || !salvaged.execSql(u"CREATE TEMP TABLE settled_trees (root INTEGER PRIMARY KEY)")) return;
        for (const std::int64_t root : settled) {
            const TypedValue parameter[] = {integerValue(root)};
            (void)salvaged.execBound(u"INSERT INTO temp.settled_trees VALUES (?1)", parameter);
        }
        (void)salvaged.execSql(u"DELETE FROM " + orphans + u" WHERE rootpgno IN (SELECT root FROM temp.settled_trees)");
    }

    // Entries of index pages that no table took leave lost_and_found for a table of their own.
    void keepIndexEntriesApart() {
        const WideString entries = u"main." + quotedName(report.indexEntriesTable());
        const WideString ofIndexTrees = u" WHERE rootpgno IN (SELECT rootpgno FROM " + orphans + u" GROUP BY rootpgno HAVING count(id) = 0)";
        const auto apart = salvaged.queryInteger(u"SELECT count(*) FROM " + orphans + ofIndexTrees);
        if (!apart || *apart == 0) return;
        if (!salvaged.execSql(u"SAVEPOINT apart")) return;
        const bool moved = salvaged.execSql(u"CREATE TABLE " + entries + u" AS SELECT * FROM " + orphans + ofIndexTrees) &&
                           salvaged.execSql(u"DELETE FROM " + orphans + ofIndexTrees);
        if (!moved) (void)salvaged.execSql(u"ROLLBACK TO apart");
        if (salvaged.execSql(u"RELEASE apart") && moved) report.indexEntriesApart = *apart;
    }

    // The table's entry in the report, added when the source did not list it; null for SQLite's own
    // tables, whose rows are no user's.
    SalvagedTable* listed(const StoredTable& table) {
        if (SalvagedTable* known = report.table(table.name)) return known;
        if (table.isSqliteOwned && table.name.starts_with(u"sqlite_")) return nullptr;
        SalvagedTable added;
        added.name = table.name;
        added.verified = false;   // the source did not list it: nothing checked its b-tree
        report.tables.push_back(std::move(added));
        return &report.tables.back();
    }

    rg_MoKuai_class_sqliteShuJuKu& salvaged;
    const std::map<WideString, std::int64_t>& rootHints;
    SalvageReport& report;
    const WideString orphans;   // the table lost_and_found, by its schema and name
    std::int64_t fieldColumns = 0;
    std::vector<StoredTable> tables;
    std::map<WideString, IndexEntries> indexEntries;   // see knownEntries, by index name
    std::set<std::int64_t> settled;                 // trees whose rows are in their table, or an index's
    std::map<WideString, std::int64_t> held;        // see heldRows
};

}  // namespace

void placeOrphanedRows(rg_MoKuai_class_sqliteShuJuKu& salvaged, const std::map<WideString, std::int64_t>& rootHints, SalvageReport& report) {
    const WriterLock writing(salvaged);
    // The user's triggers would fire on rows put back: they go for the placement and come back as they were.
    TypedPage triggers;
    (void)salvaged.queryPage(u"SELECT name, sql FROM main.sqlite_schema WHERE type = 'trigger'", triggers);
    for (std::int64_t row = 0; row < triggers.rowCount(); ++row)
        (void)salvaged.execSql(u"DROP TRIGGER main." + quotedName(fromUtf8(triggers.value(row, 0).bytes)));
    Placement(salvaged, rootHints, report).run();
    for (std::int64_t row = 0; row < triggers.rowCount(); ++row) (void)salvaged.execSql(fromUtf8(triggers.value(row, 1).bytes));   // one that fails is named as not rebuilt
}
