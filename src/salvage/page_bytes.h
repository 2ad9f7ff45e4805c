// Reading a b-tree page's bytes as SQLite lays them out: big-endian numbers, variable-length
// integers, the page header and its cell pointers. Every read is bounded by the page: a damaged
// page gives false, never a read past its end.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace page_bytes {

inline constexpr unsigned char kTableInterior = 0x05;
inline constexpr unsigned char kTableLeaf = 0x0d;

// A big-endian number of `bytes` bytes at offset, or -1 past the page's end.
std::int64_t bigEndian(std::string_view page, std::size_t offset, std::size_t bytes);
// SQLite's variable-length integer at offset, moving offset past it; false past the page's end.
bool readVarint(std::string_view page, std::size_t& offset, std::int64_t& value);

// A table b-tree page's header: its kind and its cells, each cell's start checked to lie in the page.
class TablePage {
public:
    // pageNumber 1 has the file header before its page header.
    TablePage(std::string_view page, std::int64_t pageNumber);
    bool isLeaf() const { return kind == kTableLeaf; }
    bool isInterior() const { return kind == kTableInterior; }
    std::int64_t cellCount() const { return cells; }
    // The rowid of a cell (a leaf's row's, an interior cell's divider); empty when it cannot be read.
    std::optional<std::int64_t> rowidOf(std::int64_t cell) const;
    // The child page of an interior cell; cellCount() names the right-most child. Empty when unreadable.
    std::optional<std::int64_t> childOf(std::int64_t cell) const;

private:
    std::optional<std::size_t> cellStart(std::int64_t cell) const;
    std::string_view bytes;
    std::size_t header = 0;
    unsigned char kind = 0;
    std::int64_t cells = 0;
};

}  // namespace page_bytes
