// The layout of a -wal as SQLite writes it, and the running checksum that chains its frames.
#pragma once

#include <cstddef>
#include <cstdint>

#include "db/page_format.h"

namespace log_format {

// The header: magic, format version, page size, checkpoint sequence, two salts, two checksums of
// the 24 bytes before them. A frame's header: page number, database size after a commit (0 in
// other frames), the two salts, two running checksums over the frame header's first 8 bytes and
// the page. Every field is a big-endian 32-bit number.
inline constexpr std::uint32_t kMagic = 0x377f0682;   // the low bit set: checksum words are big-endian
inline constexpr std::uint32_t kFormatVersion = 3007000;
inline constexpr std::size_t kHeaderBytes = 32;
inline constexpr std::size_t kHeaderSummedBytes = 24;
inline constexpr std::size_t kFrameHeaderBytes = 24;
inline constexpr std::size_t kFrameSummedBytes = 8;
inline constexpr std::size_t kSaltsAt = 16;
inline constexpr std::size_t kFrameSaltsAt = 8;
inline constexpr std::size_t kFrameChecksumsAt = 16;
inline constexpr std::size_t kSaltBytes = 8;

using page_format::bigEndianWord;

struct Checksum {
    std::uint32_t first = 0;
    std::uint32_t second = 0;
    bool operator==(const Checksum&) const = default;
};

// SQLite's log checksum, continued from sum over size bytes (a multiple of 8): a Fibonacci-weighted
// sum of 32-bit words, taken in the byte order the magic names whatever the machine's own is.
Checksum continuedChecksum(Checksum sum, const unsigned char* bytes, std::size_t size, bool bigEndianWords);

// The running checksum a frame of pageBytes ends in when the frame before it ended in previous.
Checksum frameChecksum(Checksum previous, const unsigned char* frame, std::size_t pageBytes, bool bigEndianWords);

inline Checksum storedChecksum(const unsigned char* bytes) { return {bigEndianWord(bytes), bigEndianWord(bytes + 4)}; }

// A frame's fields.
inline std::uint32_t pageNumber(const unsigned char* frame) { return bigEndianWord(frame); }
inline std::uint32_t pagesAfterCommit(const unsigned char* frame) { return bigEndianWord(frame + 4); }   // 0: no commit
inline Checksum frameStoredChecksum(const unsigned char* frame) { return storedChecksum(frame + kFrameChecksumsAt); }

}  // namespace log_format
