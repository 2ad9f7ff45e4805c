// SQLite's integrity check of the source, run on a thread of its own while the rows are copied.
// Reading rows through SQL cannot see some damage: a table whose root page was swapped with another
// reads back another table's rows, "consistently"; a broken overflow chain hands back wrong bytes
// without an error. The check sees both; structure_findings.h says what its findings mean.
#pragma once

#include "repair/structure_findings.h"

// Starts the check of the active run's source and tables on a thread of its own (on this one, when
// no thread can start).
void startStructureCheck();
// Waits for the check started last, dispatching messages, and gives its findings.
StructureFindings structureCheckFindings();
