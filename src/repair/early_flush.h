// The rebuilt file's rows on their way to disk while its indexes, views and triggers are built, on
// a thread of its own: the flush before the swap then has little more than the indexes to write.
#pragma once

#include <thread>

#include "base/wide_string.h"

class EarlyFlush {
public:
    EarlyFlush() = default;
    EarlyFlush(const EarlyFlush&) = delete;
    EarlyFlush& operator=(const EarlyFlush&) = delete;
    ~EarlyFlush() { wait(); }

    // Starts flushing what is written of the file at path. Nothing happens when no thread can
    // start: the flush before the swap writes it all then.
    void start(const WideString& path);
    // Returns once the flush has ended: before the file is deleted, moved or flushed again.
    void wait();

private:
    std::thread flushing;
};
