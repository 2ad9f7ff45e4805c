#include "db/write_ahead_log.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "db/log_format.h"
#include "db/log_generations.h"
#include "platform/platform.h"

using namespace log_format;

namespace {

constexpr std::uint32_t kSmallestPage = 512;
constexpr std::uint32_t kLargestPage = 65536;

bool isPageSize(std::uint32_t bytes) { return bytes >= kSmallestPage && bytes <= kLargestPage && (bytes & (bytes - 1)) == 0; }

bool readExactly(std::ifstream& file, unsigned char* bytes, std::size_t size) {
    return static_cast<bool>(file.read(reinterpret_cast<char*>(bytes), static_cast<std::streamsize>(size)));
}

// SQLite writes the frames that follow one its transaction rewrote in place with zero salts and
// checksums, and fills them in once the commit frame is written: until then they are that
// transaction's, and a commit frame among them is one a crash stopped.
bool isAwaitingChecksums(const unsigned char* frame) {
    constexpr unsigned char kNone[kSaltBytes * 2] = {};
    return std::memcmp(frame + kFrameSaltsAt, kNone, sizeof kNone) == 0;
}

// A frame of the generation the header starts: under its salts, or still without any.
bool isOwnFrame(const unsigned char* frame, const unsigned char* header) {
    return std::memcmp(frame + kFrameSaltsAt, header + kSaltsAt, kSaltBytes) == 0 || isAwaitingChecksums(frame);
}

// Reads the frames behind the header into summary, as SQLite does; header is valid.
void summarizeFrames(std::ifstream& file, const unsigned char* header, const WideString& logPath, WriteAheadLogSummary& summary) {
    const bool bigEndianWords = (bigEndianWord(header) & 1u) != 0;
    const std::uint32_t pageBytes = bigEndianWord(header + 8);
    std::vector<unsigned char> frame(kFrameHeaderBytes + pageBytes);
    EarlierGenerations earlier(logPath, pageBytes, bigEndianWords);
    Checksum running = continuedChecksum({}, header, kHeaderSummedBytes, bigEndianWords);
    bool stopped = false;
    // A last frame cut short is not one: SQLite reads whole frames only.
    for (std::uint32_t number = 1; readExactly(file, frame.data(), frame.size()); ++number) {
        const bool isOwn = isOwnFrame(frame.data(), header);
        const bool isCommit = pagesAfterCommit(frame.data()) != 0;
        if (!stopped) {
            const Checksum checksum = frameChecksum(running, frame.data(), pageBytes, bigEndianWords);
            if (isOwn && pageNumber(frame.data()) != 0 && checksum == frameStoredChecksum(frame.data())) {
                running = checksum;
                earlier.takeReadFrame(frame.data());
                if (!isCommit) continue;
                summary.lastCommitFrame = number;
                summary.checksums[0] = checksum.first;
                summary.checksums[1] = checksum.second;
                continue;
            }
            stopped = true;
            if (isOwn) {
                summary.hasUnappliedLastCommit = isCommit;
                continue;
            }
        } else if (isOwn) {
            // A transaction that rewrites a frame of its own in place leaves that frame's checksums
            // stale and the frames after it without any until it commits: behind the stop, only a
            // commit frame is a commit lost, unless it too is still without checksums.
            earlier.endRun();
            if (!isCommit) continue;
            if (isAwaitingChecksums(frame.data())) {
                summary.hasUnappliedLastCommit = true;
                continue;
            }
            summary.hasUnreadableCommits = true;
            summary.hasUnappliedLastCommit = false;   // the damaged commit was not the last
            return;
        }
        earlier.takeEarlierFrame(frame.data(), kHeaderBytes + std::uint64_t{number - 1} * frame.size());
    }
    // A commit frame cut short by the end of the file, its frame header whole, is one a crash stopped.
    if (static_cast<std::size_t>(file.gcount()) >= kFrameHeaderBytes && isOwnFrame(frame.data(), header) && pagesAfterCommit(frame.data()) != 0)
        summary.hasUnappliedLastCommit = true;
    earlier.endRun();
    summary.hasUnreadableCommits = earlier.hasUnreadableCommits();
}

}  // namespace

WriteAheadLogSummary summarizeWriteAheadLog(const WideString& logPath) {
    WriteAheadLogSummary summary;
    std::ifstream file(std::filesystem::path(platform::systemPath(logPath)), std::ios::binary);
    unsigned char header[kHeaderBytes];
    if (!readExactly(file, header, sizeof header)) return summary;
    const std::uint32_t magic = bigEndianWord(header);
    // SQLite takes a wrong magic for an empty log, and refuses the database over a wrong version.
    if ((magic & ~1u) != kMagic || bigEndianWord(header + 4) != kFormatVersion) return summary;
    const std::uint32_t pageBytes = bigEndianWord(header + 8);
    const Checksum headerChecksum = continuedChecksum({}, header, kHeaderSummedBytes, (magic & 1u) != 0);
    if (!isPageSize(pageBytes) || headerChecksum != storedChecksum(header + kHeaderSummedBytes)) {
        // SQLite reads none of the log then, and every frame behind the header is lost with it.
        std::vector<unsigned char> frame(kFrameHeaderBytes + (isPageSize(pageBytes) ? pageBytes : kSmallestPage));
        summary.hasUnreadableCommits = readExactly(file, frame.data(), frame.size());
        return summary;
    }
    summarizeFrames(file, header, logPath, summary);
    if (summary.lastCommitFrame != 0) {
        summary.salts[0] = bigEndianWord(header + kSaltsAt);
        summary.salts[1] = bigEndianWord(header + kSaltsAt + 4);
    }
    return summary;
}
