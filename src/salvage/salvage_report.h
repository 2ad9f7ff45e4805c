// What a salvage saved and lost, table by table, for people (text, and the summary a box shows)
// and for scripts (JSON). Every verdict the front ends show comes from here, so the box, the
// command line and the files never disagree.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/wide_string.h"

struct SalvagedTable {
    WideString name;
    // The rows the source is known to have held: the largest count it still gives, from the table
    // or any of its indexes; empty when none can be read.
    std::optional<std::int64_t> sourceRows;
    std::int64_t salvagedRows = 0;
    // sourceRows − salvagedRows when the source's count is known (never below 0).
    std::optional<std::int64_t> lostRows() const;
};

struct SalvageReport {
    WideString source;
    WideString salvaged;   // empty when nothing was salvaged
    std::vector<SalvagedTable> tables;
    std::int64_t lostAndFoundRows = 0;
    StringArray objectsNotRebuilt;
    WideString failure;   // why the salvage failed; empty when it ran
    // Whether SQLite's check found the source sound. A damaged source may give back every row with
    // a value changed (a broken overflow chain), which no count shows: nothing is then known not lost.
    bool isSourceSound = false;
    // Whether the source's list of tables could be read. When it could not, no table is known and
    // no count can say what was lost.
    bool isSchemaRead = false;

    // True only when it is known that nothing was lost: a sound source whose tables are known, every
    // table's count known and whole, no row without a table, every object rebuilt. A report that
    // cannot know never says so.
    bool isNothingLost() const;
    std::int64_t salvagedRows() const;
    // The rows known to be lost, and whether some loss could not be counted.
    std::int64_t knownLostRows() const;
    bool hasUncountedLoss() const;

    // For people, in Chinese: the tables a line each, the totals, what else is known (rows without a
    // table, counts that are unknown, a damaged source), the verdict and what to do next. Lines end
    // in "\n".
    WideString text() const;
    // The same verdict, totals, facts and next step without the tables, for a message box;
    // reportPath, when not empty, is named as the place of the whole report.
    WideString summary(const WideString& reportPath) const;
    // For scripts: {"source", "salvaged", "tables": [{"name", "source_rows", "salvaged_rows",
    // "lost_rows"}], "lost_and_found_rows", "objects_not_rebuilt", "source_sound", "schema_read",
    // "nothing_lost"}, UTF-8; unknown counts are null.
    std::string json() const;
};
