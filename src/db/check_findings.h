// SQLite's integrity check, read once: each line of its output parsed into what it is about (a
// b-tree's page and cell, the free-space list, the pointer map, a page no b-tree reaches, an index's
// entries against its table, a row against its table's constraints, a full-text index). Both jobs
// decide from these fields, never from a line's wording.
#pragma once

#include <cstdint>
#include <vector>

#include "base/wide_string.h"
#include "db/database.h"

struct CheckFinding {
    enum class Kind {
        treeStructure,     // in a b-tree: "Tree R page P [cell C]: ..."
        rootReference,     // a root page (page) met a second time or out of range, before its tree's name is known
        freeList,          // "Freelist: ..."
        pointerMap,        // an auto-vacuum file's pointer map
        neverUsed,         // "Page P: never used"
        missingFromIndex,  // "row N missing from index I"
        indexEntryDamaged, // an index entry that cannot be read as one
        wrongEntryCount,   // "wrong # of entries in index I"
        nonUnique,         // "non-unique entry in index I"
        rowValue,          // a row its table's constraints or column types refuse
        fullTextIndex,     // a full-text table's index found damaged (table names it, when the line does)
        fullTextUnchecked, // a contentless full-text index that cannot be checked at all
        stopped,           // the check stopped at a record it could not read
        other,
    };
    Kind kind = Kind::other;
    std::int64_t tree = 0;   // the root page of the b-tree the finding is in, 0 when it names none
    std::int64_t page = 0;   // the page it names (in a tree, a second reference, never used), or 0
    std::int64_t cell = -1;  // the cell of that page, or -1
    std::int64_t secondReference = 0;   // a page met a second time ("2nd reference to page N"), or 0
    std::int64_t rowid = 0;  // the row a row finding names
    WideString index;        // the index of an entries finding
    WideString table;        // the full-text table of a full-text finding
    WideString detail;       // the line after its "Tree R page P: " prefix
};

// Parses one line of the check's output; empty lines and "ok" give nothing.
bool parseCheckFinding(const WideString& line, CheckFinding& finding);

// Runs one form of the check (its statement and parameters as for queryPage) and adds the findings
// of every line of every row to findings; lineCount counts the lines.
QueryOutcome readCheckFindings(rg_MoKuai_class_sqliteShuJuKu& database, const WideString& statement, std::span<const TypedValue> parameters,
                               std::vector<CheckFinding>& findings, std::int64_t& lineCount);

// SQLite's check of one table and its indexes (which does not read the free-space list), its
// findings added as readCheckFindings adds them.
QueryOutcome readTableCheckFindings(rg_MoKuai_class_sqliteShuJuKu& database, const WideString& table, std::vector<CheckFinding>& findings,
                                    std::int64_t& lineCount);
