#include "db/write_ahead_log.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/platform.h"

namespace {

// The header: magic, format version, page size, checkpoint sequence, two salts, two checksums of
// the 24 bytes before them. A frame's header: page number, database size after a commit (0 in
// other frames), the two salts, two running checksums over the frame header's first 8 bytes and
// the page. Every field is a big-endian 32-bit number.
constexpr std::uint32_t kMagic = 0x377f0682;   // the low bit set: checksum words are big-endian
constexpr std::uint32_t kFormatVersion = 3007000;
constexpr std::size_t kHeaderBytes = 32;
constexpr std::size_t kHeaderSummedBytes = 24;
constexpr std::size_t kFrameHeaderBytes = 24;
constexpr std::size_t kFrameSummedBytes = 8;
constexpr std::size_t kSaltsAt = 16;
constexpr std::size_t kFrameSaltsAt = 8;
constexpr std::size_t kFrameChecksumsAt = 16;
constexpr std::uint32_t kSmallestPage = 512;
constexpr std::uint32_t kLargestPage = 65536;

std::uint32_t bigEndianWord(const unsigned char* bytes) {
    return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 | std::uint32_t{bytes[2]} << 8 | bytes[3];
}

std::uint32_t littleEndianWord(const unsigned char* bytes) {
    return std::uint32_t{bytes[3]} << 24 | std::uint32_t{bytes[2]} << 16 | std::uint32_t{bytes[1]} << 8 | bytes[0];
}

struct Checksum {
    std::uint32_t first = 0;
    std::uint32_t second = 0;
    bool operator==(const Checksum&) const = default;
};

// SQLite's log checksum, continued from sum over size bytes (a multiple of 8): a Fibonacci-weighted
// sum of 32-bit words, taken in the byte order the magic names whatever the machine's own is.
Checksum continuedChecksum(Checksum sum, const unsigned char* bytes, std::size_t size, bool bigEndianWords) {
    const auto word = bigEndianWords ? bigEndianWord : littleEndianWord;
    for (std::size_t at = 0; at + 8 <= size; at += 8) {
        sum.first += word(bytes + at) + sum.second;
        sum.second += word(bytes + at + 4) + sum.first;
    }
    return sum;
}

Checksum storedChecksum(const unsigned char* bytes) { return {bigEndianWord(bytes), bigEndianWord(bytes + 4)}; }

bool isPageSize(std::uint32_t bytes) { return bytes >= kSmallestPage && bytes <= kLargestPage && (bytes & (bytes - 1)) == 0; }

bool readExactly(std::ifstream& file, unsigned char* bytes, std::size_t size) {
    return static_cast<bool>(file.read(reinterpret_cast<char*>(bytes), static_cast<std::streamsize>(size)));
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
    const bool bigEndianWords = (magic & 1u) != 0;
    const std::uint32_t pageBytes = bigEndianWord(header + 8);
    const Checksum headerChecksum = continuedChecksum({}, header, kHeaderSummedBytes, bigEndianWords);
    if (!isPageSize(pageBytes) || headerChecksum != storedChecksum(header + kHeaderSummedBytes)) {
        // SQLite reads none of the log then, and every frame behind the header is lost with it.
        std::vector<unsigned char> frame(kFrameHeaderBytes + (isPageSize(pageBytes) ? pageBytes : kSmallestPage));
        summary.hasUnreadableCommits = readExactly(file, frame.data(), frame.size());
        return summary;
    }

    std::vector<unsigned char> frame(kFrameHeaderBytes + pageBytes);
    Checksum running = headerChecksum;
    bool stopped = false;
    // A last frame cut short is not one: SQLite reads whole frames only.
    for (std::uint32_t number = 1; readExactly(file, frame.data(), frame.size()); ++number) {
        const bool hasOwnSalts = std::memcmp(frame.data() + kFrameSaltsAt, header + kSaltsAt, 8) == 0;
        const bool isCommit = bigEndianWord(frame.data() + 4) != 0;
        // A transaction that rewrites a frame of its own in place leaves the checksums from there on
        // stale until it commits: behind the stop, only a commit frame is a commit lost.
        if (stopped) {
            if (!hasOwnSalts || !isCommit) continue;
            summary.hasUnreadableCommits = true;
            break;
        }
        Checksum checksum = continuedChecksum(running, frame.data(), kFrameSummedBytes, bigEndianWords);
        checksum = continuedChecksum(checksum, frame.data() + kFrameHeaderBytes, pageBytes, bigEndianWords);
        if (!hasOwnSalts || bigEndianWord(frame.data()) == 0 || checksum != storedChecksum(frame.data() + kFrameChecksumsAt)) {
            stopped = true;
            continue;
        }
        running = checksum;
        if (!isCommit) continue;
        summary.lastCommitFrame = number;
        summary.checksums[0] = checksum.first;
        summary.checksums[1] = checksum.second;
    }
    if (summary.lastCommitFrame != 0) {
        summary.salts[0] = bigEndianWord(header + kSaltsAt);
        summary.salts[1] = bigEndianWord(header + kSaltsAt + 4);
    }
    return summary;
}
