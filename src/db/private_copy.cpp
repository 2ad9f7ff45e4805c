#include "db/private_copy.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "base/text_routines.h"
#include "db/log_merge.h"
#include "db/sqlite_api.h"
#include "db/sqlite_handles.h"
#include "platform/platform.h"

namespace {

// A private folder is named kFolderPrefix + its process's identifier + "-" + a tick count + "-" + an
// attempt's number: a later run tells from the name whether its owner still runs.
constexpr char16_t kFolderPrefix[] = u"dovrane-copy-";
constexpr const char16_t* kCompanions[] = {u"-journal", u"-wal"};
// What SQLite may leave beside the copy: its companions and the -wal's index.
constexpr const char16_t* kCopyFiles[] = {u"", u"-journal", u"-wal", u"-shm"};
constexpr int kFolderAttempts = 100;
// A process identifier has at most 10 digits (32 bits) on either system.
constexpr std::size_t kMostOwnerDigits = 10;

bool hasCompanion(const WideString& sourcePath) {
    for (const char16_t* suffix : kCompanions)
        if (platform::pathExists(sourcePath + suffix)) return true;
    return false;
}

// A new folder under the system's temporary folder, made exclusively, so that no one else's folder
// is taken; its path ending in a separator, or empty with the reason in error.
WideString makePrivateFolder(platform::FileError& error) {
    const WideString base = platform::temporaryFolder() + kFolderPrefix + decimalText(platform::currentProcessId()) + u"-" +
                            decimalText(static_cast<std::int64_t>(platform::tickCount()));
    for (int attempt = 0; attempt < kFolderAttempts; ++attempt) {
        const WideString folder = base + u"-" + decimalText(attempt);
        error = platform::createNewFolder(folder);
        if (error == platform::FileError::none) return folder + platform::kPathSeparator;
        if (error != platform::FileError::exists) return {};
    }
    return {};
}

// The process that made the private folder of that name; 0 when the name is no private folder's.
std::int64_t ownerOf(const WideString& name) {
    const std::size_t start = std::size(kFolderPrefix) - 1;
    if (!name.starts_with(kFolderPrefix)) return 0;
    std::int64_t owner = 0;
    std::size_t at = start;
    for (; at < name.size() && at - start < kMostOwnerDigits && name[at] >= u'0' && name[at] <= u'9'; ++at)
        owner = owner * 10 + (name[at] - u'0');
    return at > start && at < name.size() && name[at] == u'-' ? owner : 0;
}

// The names of the entries of folder; those that can be read when the listing breaks off.
StringArray entriesOf(const WideString& folder, bool foldersOnly) {
    StringArray names;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(std::filesystem::path(platform::systemPath(folder)), error), end; !error && entry != end;
         entry.increment(error)) {
        // A link is never followed: what it leads to belongs to no run.
        std::error_code typeError;
        if (!foldersOnly || entry->symlink_status(typeError).type() == std::filesystem::file_type::directory)
            names.push_back(entry->path().filename().u16string());
    }
    return names;
}

// Deletes the private folders, with the copies in them, of earlier runs that were stopped before
// they could (a kill, a power cut): each is as large as the database it copied. A folder whose
// process still runs is another run's and stays. Tolerated when a deletion fails: a file some
// program still holds keeps its folder until a later run tries again.
void sweepAbandonedFolders() {
    const WideString temporary = platform::temporaryFolder();
    for (const WideString& name : entriesOf(temporary, true)) {
        const std::int64_t owner = ownerOf(name);
        if (owner == 0 || platform::isProcessRunning(owner)) continue;
        const WideString folder = temporary + name + platform::kPathSeparator;
        for (const WideString& file : entriesOf(folder, false)) (void)platform::deleteFile(folder + file);
        (void)platform::deleteFolder(folder);
    }
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
    bool isJournalDealtWith = false;
    bool rolledBack = false;
};

Settling settle(const WideString& copyPath, const WideString& sourcePath, bool hasJournal) {
    Settling settled;
    settled.isJournalDealtWith = !hasJournal;
    platform::Library library;
    rg_ZiDingYi_sqliteHanShu api;
    if (!loadSqliteLibrary(library, api)) return settled;
    WideString error;   // the result code says enough
    const Connection connection = openOwnConnection(api, sqliteFileName(copyPath), SQLITE_OPEN_READWRITE, error);
    if (!connection.isOpen()) return settled;
    // The copy is scratch: syncing it would put every byte just copied on the disk, which costs
    // far more than the copy. Refused, it only costs time.
    (void)api.exec(connection.get(), "PRAGMA synchronous = OFF", nullptr, nullptr, nullptr);
    settled.isJournalDealtWith = settlesJournal(api, connection.get(), copyPath);
    // Compared before the connection closes: closing a WAL database moves the -wal's rows into the
    // file, which is no rollback. A journal SQLite played back is gone (the copy's journal mode is
    // DELETE); it may have held no page that differs.
    settled.rolledBack = hasJournal && !platform::pathExists(copyPath + u"-journal") && !sameBytes(copyPath, sourcePath);
    return settled;
}

}  // namespace

PrivateCopy::PrivateCopy(const WideString& sourcePath) : path(sourcePath) {
    if (!hasCompanion(sourcePath)) return;
    sweepAbandonedFolders();
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
    if (!settled.isJournalDealtWith) failed = Failure::notRolledBack;
}

PrivateCopy::~PrivateCopy() {
    if (folder.empty()) return;
    for (const char16_t* suffix : kCopyFiles) (void)platform::deleteFile(path + suffix);   // absent ones fail, as they may
    // Tolerated: a file SQLite left under another name keeps the folder, a scratch copy in the
    // temporary folder, and nothing beside the source.
    (void)platform::deleteFolder(folder);
}
