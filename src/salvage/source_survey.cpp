#include "salvage/source_survey.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>

#include "base/text_routines.h"
#include "db/check_findings.h"
#include "db/database.h"
#include "db/foreign_trees.h"
#include "db/sql_text.h"
#include "db/page_format.h"

namespace {

// The user's objects in a database's schema, read once: type, name, table, root page, in schema order.
std::vector<SchemaObject> readSchema(rg_MoKuai_class_sqliteShuJuKu& source, bool& isRead) {
    TypedPage rows;
    // A schema that cannot be read gives the objects read before the damage.
    isRead = source.queryPage(u"SELECT type, name, tbl_name, rootpage FROM sqlite_master WHERE name NOT LIKE 'sqlite\\_%' ESCAPE '\\'", rows)
                 .complete;
    std::vector<SchemaObject> objects;
    for (std::int64_t row = 0; row < rows.rowCount(); ++row)
        objects.push_back({std::string(rows.value(row, 0).bytes), fromUtf8(rows.value(row, 1).bytes), fromUtf8(rows.value(row, 2).bytes),
                           rows.value(row, 3).integer});
    return objects;
}

// The largest count the source gives for the table, from its own b-tree or any of its indexes, and
// the name of the b-tree that gave it. count(1) walks the named index, where count(*) would count
// the table's own b-tree whatever index is named.
void countLargest(rg_MoKuai_class_sqliteShuJuKu& source, const std::vector<SchemaObject>& schema, SalvagedTable& table) {
    const WideString from = u" FROM " + quotedName(table.name);
    table.sourceRows = source.queryInteger(u"SELECT count(1)" + from + u" NOT INDEXED");
    if (table.sourceRows) table.sourceRowsFrom = table.name;
    for (const SchemaObject& index : schema) {
        if (index.type != "index" || index.table != table.name) continue;
        const auto counted = source.queryInteger(u"SELECT count(1)" + from + u" INDEXED BY " + quotedName(index.name));
        if (counted && (!table.sourceRows || *counted > *table.sourceRows)) {
            table.sourceRows = counted;
            table.sourceRowsFrom = index.name;
        }
    }
}

// The rowid of cell `cell` of a table's leaf page, read from the page's bytes; false when the page
// is no table leaf or the cell cannot be read.
bool rowidOfCell(rg_MoKuai_class_sqliteShuJuKu& source, std::int64_t pageNumber, std::int64_t cell, std::int64_t& rowid) {
    std::string bytes;
    if (!page_format::readPage(source, "main", pageNumber, bytes)) return false;
    const page_format::BTreePage page(bytes, pageNumber);
    const auto read = page.isLeaf() ? page.rowidOf(cell) : std::nullopt;
    if (read) rowid = *read;
    return read.has_value();
}

// Reads SQLite's check of the table and its indexes. A finding in an index's own b-tree, a value
// its index holds twice or a NULL in a NOT NULL column leave the table's b-tree as it was. Rows the
// table and an index that checks clean disagree on mean that the table's b-tree is not the one the
// index was built from (a page or a root swapped). Anything else concerns the table's own b-tree;
// a finding that names a cell of it names a row whose content is damaged.
TableCheck checkTable(rg_MoKuai_class_sqliteShuJuKu& source, const std::vector<SchemaObject>& schema, const WideString& table) {
    using Kind = CheckFinding::Kind;
    std::int64_t root = 0;
    std::map<WideString, std::int64_t> indexRoots;
    for (const SchemaObject& object : schema) {
        if (object.type == "table" && object.name == table) root = object.rootPage;
        if (object.type == "index" && object.table == table) indexRoots[object.name] = object.rootPage;
    }
    TableCheck check;
    check.isClean = true;
    check.hasFindings = false;
    if (root == 0) return check;   // a virtual table: its shadow tables are checked as tables of their own
    std::vector<CheckFinding> findings;
    std::int64_t lineCount = 0;
    check.isClean = readTableCheckFindings(source, table, findings, lineCount).complete;
    check.hasFindings = !check.isClean || !findings.empty();
    std::set<WideString> damagedIndexes;
    for (const CheckFinding& finding : findings) {
        for (const auto& [index, indexRoot] : indexRoots)
            if (finding.tree == indexRoot || (finding.kind == Kind::indexEntryDamaged && finding.index == index)) damagedIndexes.insert(index);
    }
    std::vector<std::int64_t>& suspects = check.suspectRowids;
    for (const CheckFinding& finding : findings) {
        if (finding.kind == Kind::nonUnique || finding.kind == Kind::stopped || finding.detail.starts_with(u"NULL value in ")) continue;
        if (finding.tree != 0 && finding.tree != root) continue;   // an index's own b-tree
        if ((finding.kind == Kind::missingFromIndex || finding.kind == Kind::wrongEntryCount || finding.kind == Kind::indexEntryDamaged) &&
            damagedIndexes.contains(finding.index))
            continue;
        check.isClean = false;
        // A cell of the table's own b-tree whose content is damaged.
        std::int64_t rowid = 0;
        if (finding.tree == root && finding.cell >= 0 && rowidOfCell(source, finding.page, finding.cell, rowid)) suspects.push_back(rowid);
    }
    std::sort(suspects.begin(), suspects.end());
    suspects.erase(std::unique(suspects.begin(), suspects.end()), suspects.end());
    return check;
}

}  // namespace

SourceSurvey surveySource(const WideString& sourcePath, ShortFileReading shortFileReading, SalvageReport& report) {
    rg_MoKuai_class_sqliteShuJuKu source;
    (void)source.connectReadOnly(sourcePath, shortFileReading);   // an unreadable source leaves every count unknown
    SourceSurvey survey;
    survey.schema = readSchema(source, report.isSchemaRead);
    const std::vector<SchemaObject>& schema = survey.schema;
    TypedPage check;
    report.isSourceSound = source.queryPage(u"PRAGMA quick_check(1)", check) && check.rowCount() == 1 && check.value(0, 0).bytes == "ok";
    for (const std::string_view type : {"table", "index", "view", "trigger"})
        for (const SchemaObject& object : schema)
            if (object.type == type) survey.objects.push_back(object.name);
    for (const SchemaObject& object : schema) {
        if (object.type != "table") continue;
        SalvagedTable table;
        table.name = object.name;
        countLargest(source, schema, table);
        report.tables.push_back(std::move(table));
    }
    return survey;
}

std::map<WideString, TableCheck> checkSourceTables(const WideString& sourcePath, ShortFileReading shortFileReading,
                                                   const std::vector<SchemaObject>& schema) {
    rg_MoKuai_class_sqliteShuJuKu source;
    (void)source.connectReadOnly(sourcePath, shortFileReading);   // a source that cannot be opened leaves no table clean
    std::map<WideString, TableCheck> checks;
    for (const SchemaObject& object : schema)
        if (object.type == "table") checks[object.name] = checkTable(source, schema, object.name);
    // A table that reads a b-tree that cannot be its own checks clean and is not: its rows are
    // another table's.
    const std::vector<SchemaObject> objects = readSchemaObjects(source);
    SourceMap map;
    if (!map.read(source, "main", objects)) return checks;
    for (const WideString& table : foreignTrees(map, objects, TableLimits(source, objects))) {
        const auto check = checks.find(table);
        if (check == checks.end()) continue;
        check->second.isClean = false;
        check->second.hasFindings = true;
    }
    return checks;
}
