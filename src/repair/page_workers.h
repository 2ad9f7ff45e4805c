// The thread that runs a repair's page workers. A thread of its own for every page of 1000 rows
// costs more than the page where threads are dear (Wine clears and pages in about a megabyte of
// stack for every new thread); pages write one after another in page order anyway, so one thread
// that runs the started workers in the order they were started changes nothing the copy does.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

#include "base/wide_string.h"
#include "platform/platform.h"

class PageWorkers {
public:
    PageWorkers() = default;
    PageWorkers(const PageWorkers&) = delete;
    PageWorkers& operator=(const PageWorkers&) = delete;
    // Runs what was started and not yet run, then ends the thread.
    ~PageWorkers();

    // Runs routine(parameter) on the thread, after every worker started before it. The thread
    // starts with the first worker. False, and the worker never runs, when no thread can start.
    bool start(platform::ThreadRoutine routine, WideString parameter);

private:
    void serve();

    std::mutex lock;
    std::condition_variable workArrived;
    std::deque<std::pair<platform::ThreadRoutine, WideString>> waiting;   // guarded by lock
    bool isClosing = false;                                               // guarded by lock
    std::thread thread;
};
