// Child processes on Linux: the test program re-executed through /proc/self/exe, or another program.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/child_process.h"

extern char** environ;

ChildProcess::ChildProcess(const char* role, const std::vector<std::string>& arguments) {
    std::vector<std::string> words{"--child-role", role};
    words.insert(words.end(), arguments.begin(), arguments.end());
    start(u"/proc/self/exe", words, {});
}

ChildProcess::ChildProcess(const WideString& program, const std::vector<std::string>& arguments, const WideString& outputPath) {
    start(program, arguments, outputPath);
}

void ChildProcess::start(const WideString& program, const std::vector<std::string>& arguments, const WideString& outputPath) {
    const std::string programPath = toUtf8(program);
    std::vector<std::string> words{programPath};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!outputPath.empty())
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, toUtf8(outputPath).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    pid_t pid = 0;
    if (posix_spawn(&pid, programPath.c_str(), &actions, nullptr, argv.data(), environ) == 0) processId = pid;
    posix_spawn_file_actions_destroy(&actions);
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
