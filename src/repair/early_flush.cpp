#include "repair/early_flush.h"

#include <system_error>

#include "platform/platform.h"

void EarlyFlush::start(const WideString& path) {
    wait();
    try {
        // A failed flush is tolerated: the one before the swap is the one that counts.
        flushing = std::thread([path] { (void)platform::flushFile(path); });
    } catch (const std::system_error&) {
    }
}

void EarlyFlush::wait() {
    if (flushing.joinable()) flushing.join();
}
