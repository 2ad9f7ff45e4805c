#include "db/private_copy.h"

#include <filesystem>
#include <fstream>

#include "base/text_routines.h"
#include "db/sqlite_api.h"
#include "db/sqlite_handles.h"
#include "platform/platform.h"

namespace {

constexpr char16_t kFolderPrefix[] = u"dovrane-";
constexpr const char16_t* kCompanions[] = {u"-journal", u"-wal"};
// What SQLite may leave beside the copy: its companions and the -wal's index.
constexpr const char16_t* kCopyFiles[] = {u"", u"-journal", u"-wal", u"-shm"};
constexpr int kFolderAttempts = 100;

bool hasCompanion(const WideString& sourcePath) {
    for (const char16_t* suffix : kCompanions)
        if (platform::pathExists(sourcePath + suffix)) return true;
    return false;
}

// A new folder under the system's temporary folder, made exclusively, so that no one else's folder
// is taken; its path ending in a separator, or empty with the reason in error.
WideString makePrivateFolder(platform::FileError& error) {
    const WideString base = platform::temporaryFolder() + kFolderPrefix + decimalText(platform::currentThreadId()) + u"-" +
                            decimalText(static_cast<std::int64_t>(platform::tickCount()));
    for (int attempt = 0; attempt < kFolderAttempts; ++attempt) {
        const WideString folder = base + u"-" + decimalText(attempt);
        error = platform::createNewFolder(folder);
        if (error == platform::FileError::none) return folder + platform::kPathSeparator;
        if (error != platform::FileError::exists) return {};
    }
    return {};
}

bool sameBytes(const WideString& one, const WideString& other) {
    std::ifstream first(std::filesystem::path(platform::systemPath(one)), std::ios::binary),
        second(std::filesystem::path(platform::systemPath(other)), std::ios::binary);
    if (!first || !second) return false;
    constexpr std::size_t kChunk = 1 << 16;
    std::string firstChunk(kChunk, '\0'), secondChunk(kChunk, '\0');
    for (;;) {
        first.read(firstChunk.data(), kChunk);
        second.read(secondChunk.data(), kChunk);
        if (first.gcount() != second.gcount()) return false;
        if (first.gcount() == 0) return true;
        if (firstChunk.compare(0, static_cast<std::size_t>(first.gcount()), secondChunk, 0, static_cast<std::size_t>(second.gcount())) != 0)
            return false;
    }
}

// What SQLite makes of the copy when it reads it, opened for writing as any program opens it.
struct Settling {
    int result = SQLITE_CANTOPEN;   // of reading the schema: SQLITE_ROW, or the failure's code
    bool rolledBack = false;
};

Settling settle(const WideString& copyPath, const WideString& sourcePath, bool hasJournal) {
    Settling settled;
    platform::Library library;
    rg_ZiDingYi_sqliteHanShu api;
    if (!loadSqliteLibrary(library, api)) return settled;
    WideString error;   // the result code says enough
    const Connection connection = openOwnConnection(api, sqliteFileName(copyPath), SQLITE_OPEN_READWRITE, error);
    if (!connection.isOpen()) return settled;
    // The copy is scratch: syncing it would put every byte just copied on the disk, which costs
    // far more than the copy. Refused, it only costs time.
    (void)api.exec(connection.get(), "PRAGMA synchronous = OFF", nullptr, nullptr, nullptr);
    {
        // The first read takes the shared lock, and with it SQLite rolls a hot journal back.
        sqlite3_stmt* prepared = nullptr;
        settled.result = api.prepareV2(connection.get(), "SELECT COUNT(*) FROM sqlite_master", -1, &prepared, nullptr);
        const Statement statement(prepared, api.finalize);
        if (statement.isOpen()) settled.result = api.step(statement.get());
    }
    // Compared before the connection closes: closing a WAL database moves the -wal's rows into the
    // file, which is no rollback. A journal SQLite played back is gone (the copy's journal mode is
    // DELETE); it may have held no page that differs.
    settled.rolledBack = hasJournal && !platform::pathExists(copyPath + u"-journal") && !sameBytes(copyPath, sourcePath);
    return settled;
}

// A journal that is still there was not hot, unless reading stopped before SQLite could judge it:
// damage (corruption, not a database) is found only after the journal is dealt with.
bool journalDealtWith(const WideString& copyPath, int result) {
    return !platform::pathExists(copyPath + u"-journal") || result == SQLITE_ROW || result == SQLITE_CORRUPT || result == SQLITE_NOTADB;
}

}  // namespace

PrivateCopy::PrivateCopy(const WideString& sourcePath) : path(sourcePath) {
    if (!hasCompanion(sourcePath)) return;
    folder = makePrivateFolder(copyFailure);
    if (folder.empty()) {
        failed = Failure::notCopied;
        return;
    }
    path = folder + platform::fileNameOf(sourcePath);
    copyFailure = platform::copyFile(sourcePath, path);
    for (const char16_t* suffix : kCompanions) {
        if (copyFailure != platform::FileError::none || !platform::pathExists(sourcePath + suffix)) continue;
        copyFailure = platform::copyFile(sourcePath + suffix, path + suffix);
        // A companion gone meanwhile was ended by its program: the source's version, which its
        // readers compare before and after, changed with it.
        if (!platform::pathExists(sourcePath + suffix)) copyFailure = platform::FileError::none;
    }
    if (copyFailure != platform::FileError::none) {
        failed = Failure::notCopied;
        return;
    }
    const Settling settled = settle(path, sourcePath, platform::pathExists(path + u"-journal"));
    rolledBack = settled.rolledBack;
    if (!journalDealtWith(path, settled.result)) failed = Failure::notRolledBack;
}

PrivateCopy::~PrivateCopy() {
    if (folder.empty()) return;
    for (const char16_t* suffix : kCopyFiles) (void)platform::deleteFile(path + suffix);   // absent ones fail, as they may
    // Tolerated: a file SQLite left under another name keeps the folder, a scratch copy in the
    // temporary folder, and nothing beside the source.
    (void)platform::deleteFolder(folder);
}
