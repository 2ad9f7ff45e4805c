// Which file a path leads to on Linux, and which version of it is there now.
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "platform/platform.h"

namespace platform {

WideString resolvedPath(const WideString& path) {
    if (path.empty()) return {};
    const std::string name = toUtf8(path);
    const std::unique_ptr<char, decltype(&free)> resolved(realpath(name.c_str(), nullptr), &free);
    if (resolved) return fromUtf8(resolved.get());
    // GetFullPathNameW's answer on Windows: absolute and without "." or "..", links left alone.
    std::error_code failed;
    const std::filesystem::path absolute = std::filesystem::absolute(name, failed);
    if (failed) return path;   // there is no current folder to stand on
    return fromUtf8(absolute.lexically_normal().string());
}

std::string fileVersion(const WideString& path) {
    struct stat status {};
    if (path.empty() || stat(toUtf8(path).c_str(), &status) != 0) return {};
    return std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino) + ":" + std::to_string(status.st_size) +
           ":" + std::to_string(status.st_mtim.tv_sec) + "." + std::to_string(status.st_mtim.tv_nsec);
}

}  // namespace platform
