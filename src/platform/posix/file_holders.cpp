// Finds the holders of a file through /proc/<pid>/fd, whose entries lead to the open files.
#include "platform/posix/file_holders.h"

#include <dirent.h>
#include <unistd.h>

#include <string>

namespace platform {

namespace {

bool isNumber(const char* text) {
    if (*text == '\0') return false;
    for (; *text; ++text)
        if (*text < '0' || *text > '9') return false;
    return true;
}

}  // namespace

bool isOpenInOtherProcess(const struct stat& file) {
    DIR* processes = opendir("/proc");
    if (!processes) return false;
    const std::string self = std::to_string(getpid());
    bool found = false;
    while (!found) {
        const dirent* process = readdir(processes);
        if (!process) break;
        if (!isNumber(process->d_name) || self == process->d_name) continue;
        const std::string descriptorFolder = std::string("/proc/") + process->d_name + "/fd";
        DIR* descriptors = opendir(descriptorFolder.c_str());
        if (!descriptors) continue;
        while (const dirent* descriptor = readdir(descriptors)) {
            if (!isNumber(descriptor->d_name)) continue;
            struct stat target {};
            if (stat((descriptorFolder + "/" + descriptor->d_name).c_str(), &target) == 0 &&
                target.st_dev == file.st_dev && target.st_ino == file.st_ino) {
                found = true;
                break;
            }
        }
        closedir(descriptors);
    }
    closedir(processes);
    return found;
}

}  // namespace platform
