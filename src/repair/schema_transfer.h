// Carrying the source's schema over to the target: the tables before the rows; the indexes, views,
// triggers and the header values applications rely on after them. An index built over the copied
// rows costs a fraction of one kept up to date row by row, and no trigger fires during the copy.
#pragma once

class RepairRun;

// Replays the source's CREATE TABLE texts (virtual tables included; their shadow tables are made by
// the virtual table and emptied, to receive the source's contents) on the target, in one
// transaction, word for word. Fills run.tables with the names of the tables whose rows are to be
// copied, in schema order (SQLite's own sqlite_ tables are left out), and run.late with what
// copyLateSchema creates. False, with nothing written and the cause noted in the run, when the
// schema cannot be read completely or holds no table.
bool copySchema(RepairRun& run);

// After the rows: the indexes, then the views and triggers, each in schema order, PRAGMA
// user_version and application_id, the sqlite_sequence values (so that AUTOINCREMENT never reuses
// an id), and every full-text index built anew from its contents. False, with a failure event
// naming it, when an index, view or trigger could not be created in the target (a UNIQUE index
// over rows that break it, for example) or a full-text index could not be rebuilt.
bool copyLateSchema(RepairRun& run);
