// A test program can start itself again in a named role, to hold a lock or a file open from a
// second process while the test acts in the first, or start another program of the build.
#pragma once

#include <string>
#include <vector>

#include "base/wide_string.h"

using ChildRole = int (*)(const std::vector<std::string>& arguments);

// Registers role under name; call it from a static initialiser (see CHILD_ROLE).
bool registerChildRole(const char* name, ChildRole role);
#define CHILD_ROLE(name, function) static const bool childRole_##function = registerChildRole(name, function)

// When the command line is "--child-role NAME ARG...", runs that role and returns its exit code;
// otherwise -1.
int runChildRoleIfAsked(int argc, char** argv);

// This test program started again in a role. The destructor waits for it to end; call kill()
// first for a role that runs until it is stopped.
class ChildProcess {
public:
    ChildProcess(const char* role, const std::vector<std::string>& arguments);
    // The program at path with arguments, its standard output written to a new file at outputPath;
    // it shares the test's standard error.
    ChildProcess(const WideString& program, const std::vector<std::string>& arguments, const WideString& outputPath);
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    bool isRunning() const;
    // The child's process identifier; 0 when it could not be started.
    long id() const { return processId; }
    // Waits for the child's end; its exit code, or -1 if it could not be started.
    int wait();
    void kill();

private:
    // Starts program with arguments, its standard output to outputPath when that is not empty.
    void start(const WideString& program, const std::vector<std::string>& arguments, const WideString& outputPath);

    void* handle = nullptr;
    long processId = 0;
    int exitCode = -1;
    bool ended = false;
};

// Polls until path exists or timeoutMs pass; true when it exists.
bool waitForFile(const WideString& path, int timeoutMs);
