// Times the private copy a database with a journal or a -wal beside it is read through: making the
// folder, copying the file and its companion, SQLite's settling of the copy, and deleting it all.
// Usage: private_copy DATABASE RUNS; prints each run's milliseconds and the best.
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "db/private_copy.h"
#include "platform/platform.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: private_copy DATABASE RUNS\n");
        return 2;
    }
    platform::setLibraryFolder(platform::executableFolder() + u"data");
    const WideString path = fromUtf8(argv[1]);
    const int runs = std::atoi(argv[2]);
    double best = 0;
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        {
            const PrivateCopy reading(path);
            if (reading.failure() != PrivateCopy::Failure::none || reading.readPath() == path) {
                std::fprintf(stderr, "no private copy was made\n");
                return 1;
            }
        }
        const double milliseconds = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        std::printf("run %d: %.0f ms\n", run + 1, milliseconds);
        if (run == 0 || milliseconds < best) best = milliseconds;
    }
    std::printf("best: %.0f ms\n", best);
    return 0;
}
