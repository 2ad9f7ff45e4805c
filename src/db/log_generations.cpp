#include "db/log_generations.h"

#include <cstring>
#include <filesystem>
#include <string_view>

#include "platform/platform.h"

using namespace log_format;

namespace {

constexpr std::u16string_view kLogSuffix = u"-wal";

std::ifstream openForReading(const WideString& path) {
    return std::ifstream(std::filesystem::path(platform::systemPath(path)), std::ios::binary);
}

bool readAt(std::ifstream& file, std::uint64_t offset, std::vector<unsigned char>& bytes) {
    file.clear();   // a short read before leaves the stream failed
    return file.seekg(static_cast<std::streamoff>(offset)) &&
           file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

EarlierGenerations::EarlierGenerations(const WideString& logPath, std::uint32_t pageBytes, bool bigEndianWords)
    : logPath(logPath), pageBytes(pageBytes), bigEndianWords(bigEndianWords) {}

void EarlierGenerations::takeReadFrame(const unsigned char* frame) {
    uncommittedReadPages.push_back(pageNumber(frame));
    const std::uint32_t pagesAfter = pagesAfterCommit(frame);
    if (pagesAfter == 0) return;
    newerPages.insert(uncommittedReadPages.begin(), uncommittedReadPages.end());
    uncommittedReadPages.clear();
    databasePages = pagesAfter;
}

void EarlierGenerations::takeEarlierFrame(const unsigned char* frame, std::uint64_t offset) {
    if (verdict != Verdict::open) return;
    const bool continuesRun = run.hasFrame && std::memcmp(run.salts, frame + kFrameSaltsAt, kSaltBytes) == 0;
    if (!continuesRun) {
        endRun();
        if (verdict != Verdict::open) return;
        std::memcpy(run.salts, frame + kFrameSaltsAt, kSaltBytes);
        run.hasFrame = true;
    } else if (frameChecksum(run.lastStored, frame, pageBytes, bigEndianWords) != frameStoredChecksum(frame)) {
        // The first frame of a run continues one that a newer generation overwrote, and cannot be
        // checked; from the first that fails on, the run's frames are not the log SQLite wrote.
        run.isBroken = true;
    }
    run.lastStored = frameStoredChecksum(frame);
    const std::uint32_t page = pageNumber(frame);
    if (page == 0) run.isBroken = true;
    if (run.isBroken) return;
    run.uncommitted[page] = offset;
    const std::uint32_t pagesAfter = pagesAfterCommit(frame);
    if (pagesAfter == 0) return;
    for (const auto& [uncommittedPage, at] : run.uncommitted) run.lastImages[uncommittedPage] = at;
    run.uncommitted.clear();
    run.databasePages = pagesAfter;
}

void EarlierGenerations::endRun() {
    if (run.hasFrame && verdict == Verdict::open) judge();
    run = Run{};
}

// The newest run with a page to compare decides: SQLite starts the log again only once a checkpoint
// has written every frame of it into the main file, so when that run's pages are there, the older
// runs' pages were written before it began. A run whose every page a newer frame rewrites decides
// nothing, and its pages supersede those of the runs behind it.
void EarlierGenerations::judge() {
    bool hasCompared = false;
    for (const auto& [page, offset] : run.lastImages) {
        if (!mustMainFileHold(page, run)) continue;
        hasCompared = true;
        if (!mainFileHolds(page, offset)) {
            verdict = Verdict::unreadable;
            return;
        }
    }
    if (hasCompared) {
        verdict = Verdict::stale;
        return;
    }
    for (const auto& entry : run.lastImages) newerPages.insert(entry.first);
}

// Not a page a newer frame rewrites, nor one past the database's end after the run's last commit
// or after the last commit SQLite reads: that page was given back when the file shrank, and a
// checkpoint cut it off the main file.
bool EarlierGenerations::mustMainFileHold(std::uint32_t page, const Run& earlierRun) const {
    return !newerPages.contains(page) && page <= earlierRun.databasePages && (databasePages == 0 || page <= databasePages);
}

// The main file is only read, and a page it does not hold whole is not held.
bool EarlierGenerations::mainFileHolds(std::uint32_t page, std::uint64_t offset) {
    if (!log.is_open()) {
        log = openForReading(logPath);
        const bool isLogName = logPath.size() > kLogSuffix.size() && logPath.ends_with(kLogSuffix);
        mainFile = openForReading(isLogName ? logPath.substr(0, logPath.size() - kLogSuffix.size()) : WideString());
        logPage.resize(pageBytes);
        mainPage.resize(pageBytes);
    }
    return readAt(log, offset + kFrameHeaderBytes, logPage) && readAt(mainFile, std::uint64_t{page - 1} * pageBytes, mainPage) &&
           logPage == mainPage;
}
