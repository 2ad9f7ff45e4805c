// Files and paths on Linux, behaving as their Windows counterparts do: a move never overwrites
// and is refused while another process has the source open, as Windows refuses to move a file
// that another process holds.
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/platform.h"
#include "platform/posix/file_holders.h"
#include "platform/posix/owned_descriptor.h"

namespace platform {

const char16_t kPathSeparator = u'/';

namespace {

// A rename that fails instead of replacing; filesystems without RENAME_NOREPLACE get a hard
// link and an unlink, which fails just the same on a taken name.
bool renameWithoutReplacing(const std::string& from, const std::string& to) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return false;
    if (link(from.c_str(), to.c_str()) != 0) return false;
    if (unlink(from.c_str()) == 0) return true;
    unlink(to.c_str());   // leave things as they were: the source keeps its name
    return false;
}

}  // namespace

bool pathExists(const WideString& path) {
    struct stat status {};
    return !path.empty() && stat(toUtf8(path).c_str(), &status) == 0;
}

bool deleteFile(const WideString& path) {
    struct stat status {};
    const std::string name = toUtf8(path);
    // DeleteFileW refuses folders; unlink would too, but say so plainly.
    if (lstat(name.c_str(), &status) != 0 || S_ISDIR(status.st_mode)) return false;
    return unlink(name.c_str()) == 0;
}

bool flushFile(const WideString& path) {
    const OwnedDescriptor file(open(toUtf8(path).c_str(), O_WRONLY | O_CLOEXEC));
    return file && fsync(file.get()) == 0;
}

bool moveFile(const WideString& from, const WideString& to) {
    const std::string source = toUtf8(from);
    struct stat status {};
    if (from.empty() || to.empty() || lstat(source.c_str(), &status) != 0) return false;
    if (!S_ISDIR(status.st_mode) && isOpenInOtherProcess(status)) return false;
    return renameWithoutReplacing(source, toUtf8(to));
}

FileError createNewFile(const WideString& path) {
    // O_EXCL refuses any existing name, a dangling symbolic link included, so no file is opened
    // that someone else put there.
    const OwnedDescriptor file(open(toUtf8(path).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (file) return FileError::none;
    switch (errno) {
    case EEXIST: return FileError::exists;
    case ENOSPC:
    case EDQUOT: return FileError::noSpace;
    case EACCES:
    case EPERM:
    case EROFS: return FileError::noPermission;
    default: return FileError::other;
    }
}

// PathFindExtensionW's rules with '/' for the separator: the extension starts at the last dot
// of the path, but a separator or a blank after that dot means there is none. The text ends at
// its first zero, as a C string does.
WideString fileExtensionOf(const WideString& path) {
    std::size_t lastDot = WideString::npos;
    for (std::size_t i = 0; i < path.size() && path[i] != 0; ++i) {
        if (path[i] == kPathSeparator || path[i] == u' ') lastDot = WideString::npos;
        else if (path[i] == u'.') lastDot = i;
    }
    return lastDot == WideString::npos ? WideString() : WideString(path.c_str() + lastDot + 1);
}

}  // namespace platform
