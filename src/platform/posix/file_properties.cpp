// What a file is besides its bytes on Linux: its type, its permission bits and its owner.
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/platform.h"
#include "platform/posix/owned_descriptor.h"

namespace platform {

bool isRegularFile(const WideString& path) {
    struct stat status {};
    return !path.empty() && stat(toUtf8(path).c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

bool copyFileProperties(const WideString& from, const WideString& to) {
    struct stat source {};
    if (stat(toUtf8(from).c_str(), &source) != 0) return false;
    const OwnedDescriptor file(open(toUtf8(to).c_str(), O_RDONLY | O_CLOEXEC));
    if (!file) return false;
    // Only root may give a file away; anyone else keeps the file as theirs, which is no failure.
    if (fchown(file.get(), source.st_uid, source.st_gid) != 0 && errno != EPERM) return false;
    // After the owner: a change of owner clears the set-user and set-group bits.
    return fchmod(file.get(), source.st_mode & 07777) == 0;
}

}  // namespace platform
