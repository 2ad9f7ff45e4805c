// A database in WAL mode keeps its newest commits in its -wal until a checkpoint copies them into
// the main file. A database that is to be kept as one file (a backup) has them merged first.
#pragma once

#include "base/wide_string.h"

// When a -wal lies beside the database at path, opens the database for writing, copies every
// committed frame of the -wal into the main file and closes it, which removes the -wal and the
// -shm: the main file alone then holds every commit. Only for a file that no program uses any
// more: it writes to it. True when no -wal remains (at once when there was none); false, with the
// -wal left as it was or with what was not copied, when the library cannot be loaded or the
// database cannot be opened, read or checkpointed.
bool mergeWriteAheadLog(const WideString& path);
