// What a salvage saved and lost, table by table, for people (text) and for scripts (JSON). Both
// front ends show the one report this builds.
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

    // True only when it is known that nothing was lost: a sound source, every table's count known
    // and whole, no row without a table, every object rebuilt. A report that cannot know never says so.
    bool isNothingLost() const;
    std::int64_t salvagedRows() const;
    // The rows known to be lost, and whether some loss could not be counted.
    std::int64_t knownLostRows() const;
    bool hasUncountedLoss() const;

    // For people: one line per fact, in Chinese.
    WideString text() const;
    // For scripts: {"source", "salvaged", "tables": [{"name", "source_rows", "salvaged_rows",
    // "lost_rows"}], "lost_and_found_rows", "objects_not_rebuilt", "source_sound"}, UTF-8; unknown
    // counts are null.
    std::string json() const;
};
