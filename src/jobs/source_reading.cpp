#include "jobs/source_reading.h"

#include "db/cut_short_file.h"
#include "db/read_only_opening.h"
#include "db/sqlite_api.h"
#include "jobs/database_files.h"

SourceReading::Failure SourceReading::check(const WideString& path) {
    // Without its database library the program can do nothing.
    if (!isSqliteLibraryUsable()) return Failure::libraryUnusable;
    if (!platform::pathExists(path)) return Failure::notFound;
    // A pipe would hang the first read, and a folder would get the job's files in its parent.
    if (!platform::isRegularFile(path)) return Failure::notAFile;
    resolved = platform::resolvedPath(path);
    sourceFolder = platform::folderOf(resolved);
    // SQLite stops reading a -wal at its first damaged frame and reads the rows as they were
    // before, without an error: the commits past that frame are read here or nowhere.
    if (isWalDatabase(resolved)) logSummary = summarizeWriteAheadLog(resolved + u"-wal");
    sourceVersion = databaseVersion(resolved);
    return Failure::none;
}

SourceReading::Failure SourceReading::open() {
    copy.emplace(resolved);
    if (copy->failure() == PrivateCopy::Failure::notCopied) return Failure::notCopied;
    if (copy->failure() == PrivateCopy::Failure::notRolledBack) return Failure::notRolledBack;
    isShort = ::isCutShort(copy->readPath());
    return Failure::none;
}
