// What the damaged source still tells before anything is recovered, read-only: its tables and
// objects, each table's largest count and the b-tree that gave it, whether each table's own b-tree
// checks clean, and the rows SQLite's check finds damaged in a readable cell (a broken overflow
// chain): those may come back with part of their content cut or patched.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "base/wide_string.h"
#include "db/database.h"
#include "db/source_map.h"
#include "salvage/salvage_report.h"

struct SourceSurvey {
    std::vector<SchemaObject> schema;   // as far as it could be read, in schema order
    StringArray objects;                // tables, then indexes, views and triggers
};

// What SQLite's check of one table says of its own b-tree.
struct TableCheck {
    bool isClean = false;
    // Whether the check found anything at all, in the table's b-tree or its indexes'.
    bool hasFindings = true;
    // The rowids of the table's cells that a finding names and that could be read.
    std::vector<std::int64_t> suspectRowids;
};

// Fills the report's source side (its tables with their counts, isSchemaRead, isSourceSound) from
// the database at sourcePath, opened read-only, a file cut short as shortFileReading says.
SourceSurvey surveySource(const WideString& sourcePath, ShortFileReading shortFileReading, SalvageReport& report);
// Checks each table of the schema with SQLite's check of it and its indexes, on a connection of its
// own: it may run on another thread while the source is read elsewhere. A table is clean when no
// finding concerns its own b-tree.
std::map<WideString, TableCheck> checkSourceTables(const WideString& sourcePath, ShortFileReading shortFileReading,
                                                   const std::vector<SchemaObject>& schema);
