// What the lines of SQLite's integrity check of the source mean for the rebuilt file. The rebuild
// writes every b-tree anew from the rows it reads, so damage in an index, in the free-space list or
// in the pointer map of an auto-vacuum file is what it repairs; damage in a table's own b-tree, an
// index that shares (almost) nothing with its table, or table pages no b-tree reaches mean that
// rows may be missing or wrong.
#pragma once

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "base/wide_string.h"

class rg_MoKuai_class_sqliteShuJuKu;

struct StructureFindings {
    bool ran = false;            // false when the check could not run; why in failure
    WideString failure;
    StringArray damagedTables;   // tables whose own b-tree is damaged
    // Tables that are not the b-tree their indexes were built from: almost every row is missing
    // from an index that is itself sound (a table whose root was swapped with another's).
    StringArray strayTables;
    // Damage in table pages that no table can be named for (pages no b-tree reaches any more while
    // the free-space list is sound, the schema table's own b-tree, findings that say no place).
    bool hasUnplacedTableDamage = false;
    StringArray damagedFullTextIndexes;   // full-text tables whose index the check found damaged
    bool hasFreeSpaceDamage = false;   // the free-space list or the pointer map, dropped by the rebuild
    std::int64_t findingCount = 0;     // every finding, whatever it means
};

// Sorts the findings of one or more checks of the source. Reads the schema's roots once.
class FindingSorter {
public:
    explicit FindingSorter(rg_MoKuai_class_sqliteShuJuKu& source);
    // Files one line of the check's output.
    void add(const WideString& line);
    // Decides what the lines that depend on each other mean, given each table's row count (looked
    // up through rowsOf), and gives the findings.
    template <typename RowCount>
    StructureFindings finish(RowCount rowsOf);

private:
    struct Root {
        WideString name;
        WideString table;   // the table of an index; the table itself for a table
        bool isTable = false;
    };
    StructureFindings findingsSoFar();
    void addInTree(std::int64_t root, const WideString& detail);
    bool isFreePage(std::int64_t page);
    bool isTablePage(std::int64_t page);

    rg_MoKuai_class_sqliteShuJuKu& source;
    std::unordered_map<std::int64_t, Root> roots;   // a root two objects claim is left out (damage)
    std::unordered_map<std::u16string, std::u16string> tableOfIndex;
    std::unordered_set<std::u16string> damagedIndexes;
    std::unordered_map<std::u16string, std::int64_t> missingFromIndex;   // per index
    std::vector<std::int64_t> pagesNeverUsed;
    std::optional<std::unordered_set<std::int64_t>> freePages;   // read when first needed
    StructureFindings findings;
};

template <typename RowCount>
StructureFindings FindingSorter::finish(RowCount rowsOf) {
    for (const auto& [index, missing] : missingFromIndex) {
        if (damagedIndexes.contains(index)) continue;   // entries lost with its own pages
        const WideString table = tableOfIndex[index];
        const std::optional<std::int64_t> rows = rowsOf(table);
        if (!rows || missing * 2 > *rows) {
            bool known = false;
            for (const WideString& name : findings.strayTables) known = known || name == table;
            if (!known) findings.strayTables.push_back(table);
        }
    }
    return findingsSoFar();
}
