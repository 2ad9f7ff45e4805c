// Processes on Linux: the calling one, and whether another still runs.
#include <errno.h>
#include <signal.h>
#include <unistd.h>

#include <climits>
#include <fstream>
#include <string>

#include "platform/platform.h"

namespace platform {

std::int64_t currentProcessId() { return getpid(); }

bool isProcessRunning(std::int64_t processId) {
    // kill() with 0 or a negative number signals a whole group: never a question about one process.
    if (processId <= 0 || processId > INT_MAX) return false;
    // EPERM: the process exists, but belongs to another user.
    if (kill(static_cast<pid_t>(processId), 0) != 0 && errno != EPERM) return false;
    // An ended process whose exit status its parent has not collected (a zombie) still takes
    // signals; Windows says an ended process has ended whoever holds its handle. Its state, the
    // field after the parenthesised name in /proc/<pid>/stat, is Z (X as it goes).
    std::ifstream stat("/proc/" + std::to_string(processId) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) return true;   // no /proc to ask: the signal's answer stands
    const std::size_t nameEnd = line.rfind(')');
    if (nameEnd == std::string::npos || nameEnd + 2 >= line.size()) return true;
    const char state = line[nameEnd + 2];
    return state != 'Z' && state != 'X';
}

}  // namespace platform
