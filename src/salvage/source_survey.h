// What the damaged source still tells before anything is recovered, read-only: its tables and
// objects, each table's largest count and the b-tree that gave it, whether each table's own b-tree
// checks clean, and the rows SQLite's check finds damaged in a readable cell (a broken overflow
// chain): those may come back with part of their content cut or patched.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "base/wide_string.h"
#include "salvage/salvage_report.h"

struct SourceSurvey {
    StringArray objects;   // tables, then indexes, views and triggers
    // Per table, the rowids of cells that SQLite's check named and that could be read.
    std::map<WideString, std::vector<std::int64_t>> suspectRowids;
};

// Fills the report's source side (its tables with their counts and verified flags, isSchemaRead,
// isSourceSound) from the database at sourcePath, opened read-only.
SourceSurvey surveySource(const WideString& sourcePath, SalvageReport& report);
