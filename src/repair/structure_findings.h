// What the source's own evidence says of the rebuilt file: SQLite's check of the source (parsed
// once, db/check_findings) weighed against the map of its pages (db/source_map). The rebuild writes
// every b-tree anew from the rows it reads, so damage in an index's own b-tree, in the free-space
// list or in the pointer map is what it repairs. A table fails when its own b-tree is damaged, when
// an index whose own b-tree is sound disagrees with it (that index is a witness of the rows the
// table should hold), when its b-tree holds records wider than the table or rowids above its
// AUTOINCREMENT counter (the b-tree is not the table's), or when pages no b-tree reaches hold rows
// of its shape that it lacks and that freed space cannot explain.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "base/wide_string.h"
#include "db/check_findings.h"
#include "db/source_map.h"

class rg_MoKuai_class_sqliteShuJuKu;

struct StructureFindings {
    bool ran = false;            // false when the check could not run; why in failure
    WideString failure;
    StringArray damagedTables;   // tables whose own b-tree is damaged
    // Tables and an index of theirs, sound in its own b-tree, whose entries name rows the table does
    // not hold with the same values (or that the table holds and it lacks).
    std::vector<std::pair<WideString, WideString>> discordantIndexes;
    // Tables whose b-tree holds what cannot be theirs: records with more fields than the table has
    // columns, or a rowid above the table's AUTOINCREMENT counter.
    StringArray strayTables;
    // Tables that may have lost rows to pages no b-tree reaches.
    StringArray looseRowTables;
    // Damage in table pages that no table can be named for (pages no b-tree reaches while the
    // free-space list is whole, the schema table's own b-tree, findings that say no place).
    bool hasUnplacedTableDamage = false;
    StringArray damagedFullTextIndexes;   // full-text tables whose index the check found damaged
    bool hasFreeSpaceDamage = false;   // the free-space list or the pointer map, dropped by the rebuild
    std::int64_t findingCount = 0;     // every finding, whatever it means

    bool hasDiscordantIndex(const WideString& table) const;
    // Whether the table's own b-tree is damaged or not the table's, rows of it were lost to pages no
    // b-tree reaches, or an index whose own b-tree is sound is at odds with it.
    bool hasDamageIn(const WideString& table) const;
};

// Whether names holds name.
bool isNamed(const StringArray& names, const WideString& name);

// The tables whose b-tree the whole-file check skipped or cut short because the free-space list
// names one of its pages: they are checked again on their own, where the list is not read.
StringArray tablesToCheckAgain(const std::vector<CheckFinding>& findings, const SourceMap& map, const std::vector<SchemaObject>& objects);

// Weighs the findings against the map (isMapRead false: the map could not be read, and pages no
// b-tree reaches are judged from the check alone). Reads the source for what only it can say: each
// table's columns, its AUTOINCREMENT counter, and whether it holds given rowids.
StructureFindings judgeStructure(rg_MoKuai_class_sqliteShuJuKu& source, const std::vector<CheckFinding>& findings, const SourceMap& map,
                                 bool isMapRead, const std::vector<SchemaObject>& objects);
