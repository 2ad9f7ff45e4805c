// Child processes on Linux: the test program re-executed through /proc/self/exe.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/child_process.h"

extern char** environ;

ChildProcess::ChildProcess(const char* role, const std::vector<std::string>& arguments) {
    std::vector<std::string> words{"/proc/self/exe", "--child-role", role};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, "/proc/self/exe", nullptr, nullptr, argv.data(), environ) == 0) processId = pid;
}

ChildProcess::~ChildProcess() { wait(); }

bool ChildProcess::isRunning() const {
    if (processId == 0 || ended) return false;
    // waitid, since waitpid does not take WNOWAIT: the child stays waitable for wait().
    siginfo_t info{};
    if (waitid(P_PID, static_cast<id_t>(processId), &info, WEXITED | WNOHANG | WNOWAIT) != 0) return false;
    return info.si_pid == 0;
}

int ChildProcess::wait() {
    if (processId == 0) return -1;
    if (!ended) {
        int status = 0;
        waitpid(static_cast<pid_t>(processId), &status, 0);
        exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        ended = true;
    }
    return exitCode;
}

void ChildProcess::kill() {
    if (processId != 0 && !ended) ::kill(static_cast<pid_t>(processId), SIGKILL);
    wait();
}
