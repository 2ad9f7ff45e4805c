#include "salvage/page_bytes.h"

#include <algorithm>

namespace page_bytes {

std::int64_t bigEndian(std::string_view page, std::size_t offset, std::size_t bytes) {
    if (offset + bytes > page.size()) return -1;
    std::int64_t value = 0;
    for (std::size_t i = 0; i < bytes; ++i) value = value << 8 | static_cast<unsigned char>(page[offset + i]);
    return value;
}

bool readVarint(std::string_view page, std::size_t& offset, std::int64_t& value) {
    std::uint64_t bits = 0;
    for (int i = 0; i < 9; ++i) {
        if (offset >= page.size()) return false;
        const auto byte = static_cast<unsigned char>(page[offset++]);
        if (i == 8) {
            value = static_cast<std::int64_t>(bits << 8 | byte);
            return true;
        }
        bits = bits << 7 | (byte & 0x7f);
        if (!(byte & 0x80)) break;
    }
    value = static_cast<std::int64_t>(bits);
    return true;
}

TablePage::TablePage(std::string_view page, std::int64_t pageNumber) : bytes(page) {
    constexpr std::size_t kFileHeader = 100;
    header = pageNumber == 1 ? kFileHeader : 0;
    if (header >= bytes.size()) return;
    const auto found = static_cast<unsigned char>(bytes[header]);
    if (found != kTableLeaf && found != kTableInterior) return;
    kind = found;
    cells = std::max<std::int64_t>(bigEndian(bytes, header + 3, 2), 0);
}

std::optional<std::size_t> TablePage::cellStart(std::int64_t cell) const {
    const std::size_t pointers = header + (isLeaf() ? 8 : 12);
    if (cell < 0 || cell >= cells) return std::nullopt;
    const std::int64_t start = bigEndian(bytes, pointers + 2 * static_cast<std::size_t>(cell), 2);
    // A cell lies after the pointer array and inside the page.
    if (start < static_cast<std::int64_t>(pointers + 2 * static_cast<std::size_t>(cells)) || start >= static_cast<std::int64_t>(bytes.size()))
        return std::nullopt;
    return static_cast<std::size_t>(start);
}

std::optional<std::int64_t> TablePage::rowidOf(std::int64_t cell) const {
    const auto start = cellStart(cell);
    if (!start) return std::nullopt;
    std::size_t offset = *start;
    std::int64_t skipped = 0, rowid = 0;
    if (isLeaf() ? !readVarint(bytes, offset, skipped) : (offset += 4) > bytes.size()) return std::nullopt;
    if (!readVarint(bytes, offset, rowid)) return std::nullopt;
    return rowid;
}

std::optional<std::int64_t> TablePage::childOf(std::int64_t cell) const {
    if (!isInterior()) return std::nullopt;
    if (cell == cells) return bigEndian(bytes, header + 8, 4);
    const auto start = cellStart(cell);
    if (!start) return std::nullopt;
    const std::int64_t child = bigEndian(bytes, *start, 4);
    return child > 0 ? std::optional<std::int64_t>(child) : std::nullopt;
}

}  // namespace page_bytes
