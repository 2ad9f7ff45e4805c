#include "salvage/source_survey.h"

#include <algorithm>
#include <cstdint>
#include <map>

#include "base/text_routines.h"
#include "db/database.h"
#include "db/sql_text.h"
#include "salvage/page_bytes.h"

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
    const TypedValue parameter[] = {integerValue(pageNumber)};
    TypedPage rows;
    if (!source.queryPage(u"SELECT data FROM sqlite_dbpage WHERE pgno = ?1", rows, parameter) || rows.rowCount() != 1) return false;
    const page_bytes::TablePage page(rows.value(0, 0).bytes, pageNumber);
    const auto read = page.isLeaf() ? page.rowidOf(cell) : std::nullopt;
    if (read) rowid = *read;
    return read.has_value();
}

// A decimal number without sign that fills the whole text.
bool parseDecimal(std::u16string_view text, std::int64_t& value) {
    value = 0;
    for (const char16_t digit : text) {
        if (digit < u'0' || digit > u'9' || value > (INT64_MAX - 9) / 10) return false;
        value = value * 10 + (digit - u'0');
    }
    return !text.empty();
}

// The index a finding about an index's entries names ("row 5 missing from index i", "wrong # of
// entries in index i"), or empty.
WideString indexOfEntries(const WideString& finding) {
    for (const char16_t* words : {u"missing from index ", u"wrong # of entries in index "}) {
        const std::int64_t at = findText(finding, words, 0, false);
        if (at >= 0) return finding.substr(static_cast<std::size_t>(at) + std::u16string_view(words).size());
    }
    return {};
}

// Reads SQLite's check of the table and its indexes. A finding in an index's own b-tree, a value
// its index holds twice or a NULL in a NOT NULL column leave the table's b-tree as it was. Rows the
// table and an index that checks clean disagree on mean that the table's b-tree is not the one the
// index was built from (a page or a root swapped). Anything else concerns the table's own b-tree;
// a finding that names a cell of it names a row whose content is damaged.
TableCheck checkTable(rg_MoKuai_class_sqliteShuJuKu& source, const std::vector<SchemaObject>& schema, const WideString& table) {
    std::int64_t root = 0;
    std::map<WideString, WideString> indexTrees;   // "Tree R " of each index, by name
    for (const SchemaObject& object : schema) {
        if (object.type == "table" && object.name == table) root = object.rootPage;
        if (object.type == "index" && object.table == table) indexTrees[object.name] = u"Tree " + decimalText(object.rootPage) + u" ";
    }
    TableCheck check;
    check.isClean = true;
    check.hasFindings = false;
    if (root == 0) return check;   // a virtual table: its shadow tables are checked as tables of their own
    const std::string name = toUtf8(table);
    const TypedValue parameter[] = {textValue(name)};
    TypedPage rows;
    check.isClean = source.queryPage(u"SELECT * FROM pragma_integrity_check(?1)", rows, parameter).complete;
    StringArray findings;
    for (std::int64_t row = 0; row < rows.rowCount(); ++row) {
        StringArray lines;
        (void)splitText(fromUtf8(rows.value(row, 0).bytes), u"\n", lines);
        findings.insert(findings.end(), lines.begin(), lines.end());
    }
    const auto isInTree = [&](const WideString& tree) {
        return std::any_of(findings.begin(), findings.end(), [&](const WideString& finding) { return finding.starts_with(tree); });
    };
    std::vector<std::int64_t>& suspects = check.suspectRowids;
    const WideString ownTree = u"Tree " + decimalText(root) + u" page ";
    check.hasFindings = !check.isClean || findings != StringArray{u"ok"};
    for (const WideString& finding : findings) {
        if (finding == u"ok" || finding.starts_with(u"*** in database ") || findText(finding, u"non-unique entry in index ", 0, false) >= 0 ||
            finding.starts_with(u"NULL value in "))
            continue;
        if (std::any_of(indexTrees.begin(), indexTrees.end(), [&](const auto& index) { return finding.starts_with(index.second); })) continue;
        const WideString index = indexOfEntries(finding);
        const auto tree = indexTrees.find(index);
        if (!index.empty() && tree != indexTrees.end() && isInTree(tree->second)) continue;
        check.isClean = false;
        // "Tree R page P cell C: ...": a cell of the table's own b-tree whose content is damaged.
        if (!finding.starts_with(ownTree)) continue;
        StringArray words;
        (void)splitText(finding.substr(ownTree.size()), u" ", words);
        std::int64_t page = 0, cell = 0, rowid = 0;
        if (words.size() >= 3 && words[1] == u"cell" && parseDecimal(words[0], page) && parseDecimal(words[2].substr(0, words[2].size() - 1), cell) &&
            rowidOfCell(source, page, cell, rowid))
            suspects.push_back(rowid);
    }
    std::sort(suspects.begin(), suspects.end());
    suspects.erase(std::unique(suspects.begin(), suspects.end()), suspects.end());
    return check;
}

}  // namespace

SourceSurvey surveySource(const WideString& sourcePath, SalvageReport& report) {
    rg_MoKuai_class_sqliteShuJuKu source;
    (void)source.connectReadOnly(sourcePath);   // an unreadable source leaves every count unknown
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

std::map<WideString, TableCheck> checkSourceTables(const WideString& sourcePath, const std::vector<SchemaObject>& schema) {
    rg_MoKuai_class_sqliteShuJuKu source;
    (void)source.connectReadOnly(sourcePath);   // a source that cannot be opened leaves no table clean
    std::map<WideString, TableCheck> checks;
    for (const SchemaObject& object : schema)
        if (object.type == "table") checks[object.name] = checkTable(source, schema, object.name);
    return checks;
}
