// What the salvaged database keeps of its source besides its rows and objects, as a rebuilt one
// does: page size, auto-vacuum, user_version, application_id and journal mode. SQLite's recovery
// takes the encoding, page size, auto-vacuum, user_version and application_id from the header it
// reads, and leaves the journal mode at SQLite's default (a rollback journal).
#pragma once

#include "base/wide_string.h"
#include "db/database.h"

// Gives the salvaged database at salvagedPath each of those values of the source at sourcePath
// that it lacks: a page size or auto-vacuum through a VACUUM of the salvaged file, WAL when the
// source is in WAL. The source is only read. Values the source no longer gives (a damaged header)
// are left as the recovery set them; the encoding, which no database changes after its creation,
// is the recovery's. A source cut short is read as shortFileReading says. False when a value that
// differs could not be set.
bool keepSourceSettings(const WideString& sourcePath, const WideString& salvagedPath,
                        ShortFileReading shortFileReading = ShortFileReading::refused);
