#include "jobs/database_files.h"

#include <filesystem>
#include <fstream>
#include <vector>

#include "db/write_ahead_log.h"
#include "platform/platform.h"

namespace {

// The -wal first: in a swap, the rows it alone holds join the backup's main file before anything else moves.
const char16_t* const kCompanionSuffixes[] = {u"-wal", u"-journal", u"-shm"};
constexpr std::size_t kHeaderBytes = 100;
// More runs than this in one folder within one second do not happen; the bound keeps a folder
// that refuses every name from looping forever.
constexpr int kMaxNameTries = 1000;

WideString withSeparator(const WideString& folder) {
    return !folder.empty() && folder.back() == platform::kPathSeparator ? folder : folder + platform::kPathSeparator;
}

bool isTakenWithCompanions(const WideString& base, const WideString& name) {
    if (platform::pathExists(base + name)) return true;
    for (const char16_t* suffix : kCompanionSuffixes)
        if (platform::pathExists(base + name + suffix)) return true;
    return false;
}

WideString stampedName(const char16_t* prefix, const WideString& stamp, int number, const char16_t* extension = u".db") {
    WideString name = prefix + stamp;
    if (number > 1) name.append(u"-").append(decimalText(number));
    return name.append(extension);
}

// The file's first bytes; fewer (or none) when it is shorter or cannot be read.
std::string headerOf(const WideString& path) {
    std::ifstream file(std::filesystem::path(platform::systemPath(path)), std::ios::binary);
    std::string header(kHeaderBytes, '\0');
    file.read(header.data(), static_cast<std::streamsize>(header.size()));
    header.resize(static_cast<std::size_t>(file.gcount()));
    return header;
}

}  // namespace

WideString timeStamp() { return platform::dateTimeText(-1.0, u"yyyyMMdd", u"HHmmss"); }

WideString freeStampedName(const WideString& folder, const char16_t* prefix) {
    const WideString base = withSeparator(folder);
    const WideString stamp = timeStamp();
    int number = 1;
    while (number < kMaxNameTries && isTakenWithCompanions(base, stampedName(prefix, stamp, number))) ++number;
    return stampedName(prefix, stamp, number);
}

StringArray createStampedFiles(const WideString& folder, std::initializer_list<StampedFile> files, platform::FileError& error) {
    const WideString base = withSeparator(folder);
    const WideString stamp = timeStamp();
    for (int number = 1; number <= kMaxNameTries; ++number) {
        StringArray names, created;
        for (const StampedFile& file : files) {
            const WideString name = stampedName(file.prefix, stamp, number, file.extension);
            error = isTakenWithCompanions(base, name) ? platform::FileError::exists
                    : file.isCreated                  ? platform::createNewFile(base + name)
                                                      : platform::FileError::none;
            if (error != platform::FileError::none) break;
            names.push_back(name);
            if (file.isCreated) created.push_back(name);
        }
        if (names.size() == files.size()) return names;
        for (const WideString& name : created) (void)platform::deleteFile(base + name);
        if (error != platform::FileError::exists) return {};   // taken: the next number
    }
    return {};
}

WideString createStampedFile(const WideString& folder, const char16_t* prefix, platform::FileError& error, const char16_t* extension) {
    const StringArray created = createStampedFiles(folder, {{prefix, extension}}, error);
    return created.empty() ? WideString() : created.front();
}

bool moveDatabaseInFolder(const WideString& folder, const WideString& oldName, const WideString& newName) {
    const WideString base = withSeparator(folder);
    // A companion already under the new name would be taken for the moved database's own: SQLite
    // would replay a stale -wal over it.
    for (const char16_t* suffix : kCompanionSuffixes)
        if (platform::pathExists(base + newName + suffix)) return false;
    if (!platform::moveInFolder(folder, oldName, newName)) return false;
    std::vector<const char16_t*> moved;
    for (const char16_t* suffix : kCompanionSuffixes) {
        if (!platform::pathExists(base + oldName + suffix)) continue;
        if (platform::moveInFolder(folder, oldName + suffix, newName + suffix)) {
            moved.push_back(suffix);
            continue;
        }
        // Undo, best effort: the database and its companions stay together under the old name.
        for (const char16_t* undone : moved) (void)platform::moveInFolder(folder, newName + undone, oldName + undone);
        (void)platform::moveInFolder(folder, newName, oldName);
        return false;
    }
    return true;
}

bool swapInRebuilt(const WideString& folder, const WideString& sourceName, const WideString& rebuiltName,
                   const WideString& backupName, const std::function<void(int step)>& afterStep) {
    const WideString base = withSeparator(folder);
    if (isTakenWithCompanions(base, backupName)) return false;
    int step = 0;
    const auto stepDone = [&] {
        if (afterStep) afterStep(++step);
    };
    std::vector<const char16_t*> moved;
    platform::BeforeReplacing moveCompanions;
    moveCompanions.undo = [&] {
        for (const char16_t* suffix : moved) (void)platform::moveInFolder(folder, backupName + suffix, sourceName + suffix);
        moved.clear();
    };
    // The main file is under both names now. The companions are refused while another process
    // holds them, as the source itself is.
    moveCompanions.act = [&] {
        stepDone();
        for (const char16_t* suffix : kCompanionSuffixes) {
            if (!platform::pathExists(base + sourceName + suffix)) continue;
            if (!platform::moveInFolder(folder, sourceName + suffix, backupName + suffix)) {
                moveCompanions.undo();
                return false;
            }
            moved.push_back(suffix);
            stepDone();
        }
        return true;
    };
    if (!platform::replaceFile(base + sourceName, base + rebuiltName, base + backupName, moveCompanions)) return false;
    stepDone();
    return true;
}

void deleteDatabaseFiles(const WideString& path) {
    (void)platform::deleteFile(path);
    for (const char16_t* suffix : kCompanionSuffixes) (void)platform::deleteFile(path + suffix);
}

std::string databaseVersion(const WideString& path) {
    // A reader creates an empty -wal and a -shm, and the last one to close deletes them again: only
    // a commit in the -wal counts, and the -shm never does.
    const WriteAheadLogSummary log = summarizeWriteAheadLog(path + u"-wal");
    std::string version = platform::fileVersion(path) + "|" + headerOf(path);
    if (log.lastCommitFrame == 0) return version;
    for (const std::uint32_t number : {log.salts[0], log.salts[1], log.lastCommitFrame, log.checksums[0], log.checksums[1]})
        version += "|" + std::to_string(number);
    return version;
}
