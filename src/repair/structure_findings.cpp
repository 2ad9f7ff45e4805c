#include "repair/structure_findings.h"

#include <algorithm>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include "base/text_routines.h"
#include "db/database.h"
#include "db/foreign_trees.h"
#include "db/page_format.h"
#include "db/sql_text.h"

namespace {

using Kind = CheckFinding::Kind;

void addOnce(StringArray& names, const WideString& name) {
    if (!isNamed(names, name)) names.push_back(name);
}

// How many of keys the table's own b-tree holds, with the table's name for its rowid (empty: no
// name is left for it); empty when it cannot be asked.
std::optional<std::int64_t> heldKeys(rg_MoKuai_class_sqliteShuJuKu& source, const WideString& table, const std::optional<WideString>& rowidName,
                                     const std::vector<std::int64_t>& keys) {
    if (!rowidName) return std::nullopt;
    std::string list = "[";
    for (const std::int64_t key : keys) list += (list.size() > 1 ? "," : "") + std::to_string(key);
    list += "]";
    const TypedValue listParameter[] = {textValue(list)};
    return source.queryInteger(u"SELECT count(*) FROM " + quotedName(table) + u" NOT INDEXED WHERE " + *rowidName +
                                   u" IN (SELECT value FROM json_each(?1))",
                               listParameter);
}

// The table's name for its rowid, from its columns; empty when every name is a column's or the
// columns cannot be read.
std::optional<WideString> rowidNameOf(rg_MoKuai_class_sqliteShuJuKu& source, const WideString& table) {
    const std::string name = toUtf8(table);
    const TypedValue nameParameter[] = {textValue(name)};
    TypedPage columns;
    if (!source.queryPage(u"SELECT name FROM pragma_table_xinfo(?1)", columns, nameParameter)) return std::nullopt;
    StringArray names;
    for (std::int64_t row = 0; row < columns.rowCount(); ++row) names.push_back(fromUtf8(columns.value(row, 0).bytes));
    return freeRowidName(names);
}

class Judgement {
public:
    Judgement(rg_MoKuai_class_sqliteShuJuKu& source, const SourceMap& map, bool isMapRead, const std::vector<SchemaObject>& objects)
        : source(source), limits(source, objects), map(map), isMapRead(isMapRead), objects(objects) {
        std::unordered_set<std::int64_t> claimedTwice;
        for (std::size_t object = 0; object < objects.size(); ++object) {
            objectByName.emplace(objects[object].name, object);
            const std::int64_t root = objects[object].rootPage;
            if (root > 1 && !objectByRoot.emplace(root, object).second) claimedTwice.insert(root);
        }
        // A root two objects claim is named for neither: each reads the same b-tree.
        for (const std::int64_t root : claimedTwice) objectByRoot.erase(root);
    }

    void add(const CheckFinding& finding) {
        if (finding.kind == Kind::stopped) return;
        ++findings.findingCount;
        switch (finding.kind) {
        case Kind::treeStructure: addInTree(finding); break;
        case Kind::rootReference:
            // The free-space list named a b-tree's root before the b-tree was reached: the page is
            // the b-tree's (checked again on its own), the list's claim is its damage.
            if (isMapRead && map.isNamedByFreeList(finding.page) && map.isTreePage(finding.page)) findings.hasFreeSpaceDamage = true;
            else findings.hasUnplacedTableDamage = true;
            break;
        case Kind::freeList:
        case Kind::pointerMap: findings.hasFreeSpaceDamage = true; break;
        case Kind::neverUsed: hasPagesNeverUsed = true; break;
        case Kind::missingFromIndex:
        case Kind::wrongEntryCount: indexesAtOdds.push_back(finding.index); break;
        case Kind::indexEntryDamaged: damagedIndexes.insert(finding.index); break;
        case Kind::fullTextIndex:
            if (!finding.table.empty()) addOnce(findings.damagedFullTextIndexes, finding.table);
            break;
        // Rows their table refuses or would convert, and values an index holds twice, show in the
        // rebuilt table's count and digest.
        case Kind::nonUnique:
        case Kind::rowValue:
        case Kind::fullTextUnchecked:
        case Kind::stopped: break;
        case Kind::other: findings.hasUnplacedTableDamage = true; break;
        }
    }

    StructureFindings finish() {
        // An index whose own b-tree is sound is a witness: rows it names that the table does not
        // hold with the same values, or rows it lacks, mean the table's rows are not the ones the
        // index was built from (a lost write, a page or a root exchanged).
        for (const WideString& index : indexesAtOdds) {
            const auto found = objectByName.find(index);
            if (damagedIndexes.contains(index) || found == objectByName.end()) continue;
            const WideString& table = objects[found->second].table;
            if (!findings.hasDiscordantIndex(table) && !isNamed(findings.damagedTables, table)) findings.discordantIndexes.emplace_back(table, index);
        }
        if (isMapRead) {
            for (const WideString& table : foreignTrees(map, objects, limits)) addOnce(findings.strayTables, table);
            judgeLoosePages();
        } else if (hasPagesNeverUsed) {
            findings.hasUnplacedTableDamage = true;
        }
        return findings;
    }

private:
    void addInTree(const CheckFinding& finding) {
        // The free-space list is checked first: a page it shares with a b-tree is found again in the
        // b-tree, and is the b-tree's (checked again on its own where the check stopped there).
        if (finding.secondReference > 0 && isMapRead && map.isNamedByFreeList(finding.secondReference)) {
            findings.hasFreeSpaceDamage = true;
            return;
        }
        const auto found = objectByRoot.find(finding.tree);
        if (found == objectByRoot.end()) {
            findings.hasUnplacedTableDamage = true;
            return;
        }
        const SchemaObject& object = objects[found->second];
        if (object.type == "table") addOnce(findings.damagedTables, object.name);
        else damagedIndexes.insert(object.name);
    }

    // A page no b-tree reaches is freed space when the free-space list may have lost it; it may be
    // a table's lost rows when its records fit the table, the table lacks its keys, and the pages
    // nothing reaches are more than the list lost. With the list whole, any key the table lacks
    // counts; with pages lost to a broken list, only keys inside the table's own range, since freed
    // rows beyond its ends are what a table that shrank leaves.
    void judgeLoosePages() {
        const std::int64_t lost = map.freePagesLost();
        if (map.unreachedPageCount() <= lost) return;
        for (const SourceMap::LoosePage& page : map.loosePages()) {
            for (std::size_t object = 0; object < objects.size(); ++object) {
                const SchemaObject& table = objects[object];
                if (table.type != "table" || table.rootPage < 2 || page.widestRecord == 0) continue;
                const SourceMap::TreeShape& shape = map.treeOf(object);
                const std::int64_t columns = limits.storedColumns(table.name);
                if (page.widestRecord > columns) continue;
                if (page.kind == page_format::kTableLeaf && !shape.isIndexKind) {
                    if (lacksKeys(table.name, shape, page.keys, lost > 0)) addOnce(findings.looseRowTables, table.name);
                } else if (page.kind == page_format::kIndexLeaf && shape.isIndexKind && page.widestRecord == columns) {
                    // A table without rowid keeps whole rows in pages of an index's kind.
                    addOnce(findings.looseRowTables, table.name);
                }
            }
        }
    }

    // Whether the table lacks any of keys (only those inside its own key range, where freed rows
    // may lie outside it).
    bool lacksKeys(const WideString& table, const SourceMap::TreeShape& shape, const std::vector<std::int64_t>& keys, bool onlyInsideRange) {
        std::vector<std::int64_t> asked;
        for (const std::int64_t key : keys)
            if (!onlyInsideRange || (shape.hasKeys && key >= shape.lowestKey && key <= shape.highestKey)) asked.push_back(key);
        if (asked.empty()) return false;
        const auto named = rowidNames.find(table);
        const std::optional<WideString>& rowidName =
            named != rowidNames.end() ? named->second : rowidNames.emplace(table, rowidNameOf(source, table)).first->second;
        const auto held = heldKeys(source, table, rowidName, asked);
        return !held || *held < static_cast<std::int64_t>(asked.size());
    }

    rg_MoKuai_class_sqliteShuJuKu& source;
    TableLimits limits;
    const SourceMap& map;
    bool isMapRead;
    const std::vector<SchemaObject>& objects;
    std::unordered_map<std::int64_t, std::size_t> objectByRoot;
    std::unordered_map<std::u16string, std::size_t> objectByName;
    std::unordered_map<std::u16string, std::optional<WideString>> rowidNames;   // asked once per table
    std::unordered_set<std::u16string> damagedIndexes;
    std::vector<WideString> indexesAtOdds;
    bool hasPagesNeverUsed = false;
    StructureFindings findings;
};

}  // namespace

bool isNamed(const StringArray& names, const WideString& name) { return std::find(names.begin(), names.end(), name) != names.end(); }

bool StructureFindings::hasDiscordantIndex(const WideString& table) const {
    return std::any_of(discordantIndexes.begin(), discordantIndexes.end(), [&](const auto& pair) { return pair.first == table; });
}

bool StructureFindings::hasDamageIn(const WideString& table) const {
    return isNamed(damagedTables, table) || isNamed(strayTables, table) || isNamed(looseRowTables, table) || hasDiscordantIndex(table);
}

StringArray tablesToCheckAgain(const std::vector<CheckFinding>& findings, const SourceMap& map, const std::vector<SchemaObject>& objects) {
    StringArray tables;
    for (const CheckFinding& finding : findings) {
        std::int64_t root = 0;
        if (finding.kind == Kind::rootReference && map.isNamedByFreeList(finding.page)) root = finding.page;
        if (finding.kind == Kind::treeStructure && map.isNamedByFreeList(finding.secondReference)) root = finding.tree;
        if (root == 0) continue;
        for (const SchemaObject& object : objects)
            if (object.rootPage == root) addOnce(tables, object.table);
    }
    return tables;
}

StructureFindings judgeStructure(rg_MoKuai_class_sqliteShuJuKu& source, const std::vector<CheckFinding>& findings, const SourceMap& map,
                                 bool isMapRead, const std::vector<SchemaObject>& objects) {
    Judgement judgement(source, map, isMapRead, objects);
    for (const CheckFinding& finding : findings) judgement.add(finding);
    return judgement.finish();
}
