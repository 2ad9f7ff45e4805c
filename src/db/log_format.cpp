#include "db/log_format.h"

namespace log_format {

namespace {

std::uint32_t littleEndianWord(const unsigned char* bytes) {
    return std::uint32_t{bytes[3]} << 24 | std::uint32_t{bytes[2]} << 16 | std::uint32_t{bytes[1]} << 8 | bytes[0];
}

}  // namespace

Checksum continuedChecksum(Checksum sum, const unsigned char* bytes, std::size_t size, bool bigEndianWords) {
    const auto word = bigEndianWords ? bigEndianWord : littleEndianWord;
    for (std::size_t at = 0; at + 8 <= size; at += 8) {
        sum.first += word(bytes + at) + sum.second;
        sum.second += word(bytes + at + 4) + sum.first;
    }
    return sum;
}

Checksum frameChecksum(Checksum previous, const unsigned char* frame, std::size_t pageBytes, bool bigEndianWords) {
    const Checksum checksum = continuedChecksum(previous, frame, kFrameSummedBytes, bigEndianWords);
    return continuedChecksum(checksum, frame + kFrameHeaderBytes, pageBytes, bigEndianWords);
}

}  // namespace log_format
