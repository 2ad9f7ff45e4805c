// Files and paths on Linux, behaving as their Windows counterparts do: a move or a copy never
// overwrites, and a move is refused while another process has the source open, as Windows refuses
// to move a file that another process holds.
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/posix/file_holders.h"
#include "platform/posix/owned_descriptor.h"

namespace platform {

const char16_t kPathSeparator = u'/';
const char* const kSqliteVfs = nullptr;

// Linux has no shorter limit for some calls than for others: every path goes as it is.
WideString systemPath(const WideString& path) { return path; }

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

FileError fileErrorOf(int error) {
    switch (error) {
    case EEXIST: return FileError::exists;
    case ENOSPC:
    case EDQUOT: return FileError::noSpace;
    case EACCES:
    case EPERM:
    case EROFS: return FileError::noPermission;
    default: return FileError::other;
    }
}

// Writes all of bytes; errno tells why when it could not.
bool writeAll(int descriptor, const char* bytes, std::size_t size) {
    while (size > 0) {
        const ssize_t written = write(descriptor, bytes, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            if (written == 0) errno = ENOSPC;
            return false;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// Copies what is left of in to out; errno tells why when it could not. copy_file_range lets the
// kernel copy (or share the blocks, on filesystems that can); where it cannot, plain reads and
// writes do.
bool copyContents(int in, int out) {
    constexpr std::size_t kChunk = 1 << 20;
    bool kernelCopies = true;
    std::vector<char> buffer;
    for (;;) {
        if (kernelCopies) {
            const ssize_t copied = copy_file_range(in, nullptr, out, nullptr, kChunk, 0);
            if (copied > 0) continue;
            if (copied == 0) return true;
            if (errno == EINTR) continue;
            if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP) return false;
            kernelCopies = false;
            buffer.resize(kChunk);
        }
        const ssize_t read = ::read(in, buffer.data(), buffer.size());
        if (read < 0 && errno == EINTR) continue;
        if (read < 0) return false;
        if (read == 0) return true;
        if (!writeAll(out, buffer.data(), static_cast<std::size_t>(read))) return false;
    }
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
    return file ? FileError::none : fileErrorOf(errno);
}

WideString temporaryFolder() {
    const char* variable = getenv("TMPDIR");
    std::string folder = variable && *variable ? variable : "/tmp";
    if (folder.back() != '/') folder += '/';
    return fromUtf8(folder);
}

FileError createNewFolder(const WideString& path) {
    if (path.empty()) return FileError::other;
    return mkdir(toUtf8(path).c_str(), 0700) == 0 ? FileError::none : fileErrorOf(errno);
}

bool deleteFolder(const WideString& path) { return !path.empty() && rmdir(toUtf8(path).c_str()) == 0; }

FileError copyFile(const WideString& from, const WideString& to) {
    const OwnedDescriptor in(open(toUtf8(from).c_str(), O_RDONLY | O_CLOEXEC));
    if (!in) return FileError::other;
    const std::string target = toUtf8(to);
    OwnedDescriptor out(open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!out) return fileErrorOf(errno);
    // Not flushed: the copy is a scratch file. A full disk shows at a write or, on a network
    // filesystem, at the close.
    bool copied = copyContents(in.get(), out.get());
    int error = copied ? 0 : errno;
    if (close(out.take()) != 0 && copied) {
        copied = false;
        error = errno;
    }
    if (copied) return FileError::none;
    unlink(target.c_str());
    return fileErrorOf(error);
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
