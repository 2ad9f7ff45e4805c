// The files of one repair run: their stamped names, and moves that keep a database together
// with SQLite's companion files (-wal, -shm, -journal).
#pragma once

#include "base/wide_string.h"

// The local date and time now as 14 digits, yyyyMMddHHmmss.
WideString timeStamp();
// "临时数据库-", "原数据库备份-" and "已修复数据库-", each + a fresh stamp + ".db".
WideString tempDatabaseName();
WideString backupDatabaseName();
WideString repairedDatabaseName();

// The path made absolute against the current folder, with the platform's separators, so that its
// folder is the one the file lies in; the path as given when it cannot be resolved.
WideString fullPathOf(const WideString& path);

// Moves folder/oldName to folder/newName together with every companion that exists, each to
// newName + its suffix. Never overwrites, and moves nothing while a companion of newName exists.
// When any of the moves fails, those already made are moved back and the result is false, so that
// a database never lands apart from its companions, nor beside companions of another.
bool moveDatabaseInFolder(const WideString& folder, const WideString& oldName, const WideString& newName);

// Deletes a database file and its companions; failures are tolerated (nothing of value is lost).
void deleteDatabaseFiles(const WideString& path);
