#include "repair/database_files.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/platform.h"

namespace {

const char16_t* const kCompanionSuffixes[] = {u"-wal", u"-shm", u"-journal"};

WideString stampedName(const char16_t* prefix) { return prefix + timeStamp() + u".db"; }

WideString withSeparator(const WideString& folder) {
    return !folder.empty() && folder.back() == platform::kPathSeparator ? folder : folder + platform::kPathSeparator;
}

}  // namespace

WideString timeStamp() { return platform::dateTimeText(-1.0, u"yyyyMMdd", u"HHmmss"); }

WideString tempDatabaseName() { return stampedName(u"临时数据库-"); }
WideString backupDatabaseName() { return stampedName(u"原数据库备份-"); }
WideString repairedDatabaseName() { return stampedName(u"已修复数据库-"); }

WideString fullPathOf(const WideString& path) {
    std::error_code error;
    std::filesystem::path full = std::filesystem::absolute(std::filesystem::path(path), error);
    return error ? path : full.make_preferred().u16string();
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

void deleteDatabaseFiles(const WideString& path) {
    (void)platform::deleteFile(path);
    for (const char16_t* suffix : kCompanionSuffixes) (void)platform::deleteFile(path + suffix);
}
