// The files of one repair run: their stamped names, each unique in its folder; moves that keep a
// database together with SQLite's companion files (-wal, -shm, -journal); the swap; and the
// version of the source that tells whether anything wrote to it meanwhile.
#pragma once

#include <functional>
#include <initializer_list>
#include <string>

#include "base/wide_string.h"
#include "platform/platform.h"

inline constexpr char16_t kTempPrefix[] = u"临时数据库-";
inline constexpr char16_t kBackupPrefix[] = u"原数据库备份-";
inline constexpr char16_t kRepairedPrefix[] = u"已修复数据库-";

// The local date and time now as 14 digits, yyyyMMddHHmmss.
WideString timeStamp();

// prefix + a fresh stamp + ".db", or, when that name or a companion of it is taken in the folder,
// prefix + stamp + "-2" + ".db", "-3", and so on: the first name free of both.
WideString freeStampedName(const WideString& folder, const char16_t* prefix);
// Creates a new empty file under the first free stamped name (with extension in place of ".db"),
// exclusively: never an existing file, even one that appears between the look and the creation.
// Its name, or empty with the reason in error when no file can be created in the folder.
WideString createStampedFile(const WideString& folder, const char16_t* prefix, platform::FileError& error,
                             const char16_t* extension = u".db");

// One file of a set named under one stamp: its name's prefix and extension, and whether the file
// is created with the set or its name is only found free, for a file that comes later.
struct StampedFile {
    const char16_t* prefix;
    const char16_t* extension;
    bool isCreated = true;
};
// Creates a new empty file for each of files that is created, all under the same stamp (with the
// same "-2", "-3" where needed), exclusively, as createStampedFile does, where every name of the set
// is free of a file and its companions. Their names in the same order, or none (and no file left)
// with the reason in error.
StringArray createStampedFiles(const WideString& folder, std::initializer_list<StampedFile> files, platform::FileError& error);

// Moves folder/oldName to folder/newName together with every companion that exists, each to
// newName + its suffix. Never overwrites, and moves nothing while a companion of newName exists.
// When any of the moves fails, those already made are moved back and the result is false, so that
// a database never lands apart from its companions, nor beside companions of another.
bool moveDatabaseInFolder(const WideString& folder, const WideString& oldName, const WideString& newName);

// Puts the rebuilt database under the source's name and keeps the source, with its companions,
// under backupName. The source's main file gets backupName first (a second name for the same
// file), then its companions follow it, then the rebuilt file takes the source's name: at every
// moment one name holds the whole source (its main file with its -wal), backupName never holds a
// companion without the main file, and the rebuilt file never lies beside the source's -wal,
// which SQLite would replay over it. False, with everything as it was, when backupName is taken or
// another process holds the source or a companion open. afterStep, when given, is called after
// each change to the folder with its number from 1, the last being the rebuilt file's arrival:
// tests stop the swap there.
bool swapInRebuilt(const WideString& folder, const WideString& sourceName, const WideString& rebuiltName,
                   const WideString& backupName, const std::function<void(int step)>& afterStep = {});

// Deletes a database file and its companions; failures are tolerated (nothing of value is lost).
void deleteDatabaseFiles(const WideString& path);

// What identifies the database at path as it is now: the identity, size and last write of its file,
// its header (whose change counter every commit outside WAL raises), and the last commit that
// SQLite reads from its -wal (the log's salts, the frame's number and checksum). Equal versions
// mean that nothing was committed to the database in between; a program that only read it, and
// so left an empty -wal and a -shm beside it or removed them again, changes nothing.
std::string databaseVersion(const WideString& path);
