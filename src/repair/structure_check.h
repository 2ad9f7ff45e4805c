// SQLite's structural check of the source (PRAGMA quick_check), run on a thread of its own while
// the rows are copied, and what its findings mean for the rebuilt file. Reading rows through SQL
// cannot see some damage: a table whose root page was swapped with another reads back fewer rows,
// "consistently"; a broken overflow chain hands back wrong bytes without an error. The check sees
// both. Damage in an index or in the freelist is what the rebuild repairs; damage in a table's
// b-tree means its rows cannot be trusted.
#pragma once

#include "base/wide_string.h"

class RepairRun;

struct StructureFindings {
    bool ran = false;            // false when the check could not run to its end; why in failure
    WideString failure;
    StringArray damagedTables;   // tables whose own b-tree is damaged
    // Damage in table b-tree pages that no table can be named for (pages no b-tree reaches any
    // more, the schema table's own b-tree, findings the check does not explain).
    bool hasUnplacedTableDamage = false;
};

// Starts the check of the active run's source and tables on a thread of its own (on this one, when
// no thread can start). Besides SQLite's check, it looks for values each table would change.
void startStructureCheck();
// Waits for the check started last, dispatching messages, and gives its findings.
StructureFindings structureCheckFindings();
