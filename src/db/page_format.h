// Reading SQLite's file format as SQLite lays it out: the file header, big-endian numbers,
// variable-length integers, a b-tree page's header, its cells and the records they start. Every
// read is bounded by the page: a damaged page gives an empty answer, never a read past its end.
// Pages are read through SQLite's own sqlite_dbpage, so a -wal's newer pages count.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class rg_MoKuai_class_sqliteShuJuKu;

namespace page_format {

inline constexpr unsigned char kIndexInterior = 0x02;
inline constexpr unsigned char kTableInterior = 0x05;
inline constexpr unsigned char kIndexLeaf = 0x0a;
inline constexpr unsigned char kTableLeaf = 0x0d;

// The big-endian 32-bit number at bytes, which the caller has checked to hold four.
inline std::uint32_t bigEndianWord(const unsigned char* bytes) {
    return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 | std::uint32_t{bytes[2]} << 8 | bytes[3];
}
// A big-endian number of `bytes` bytes at offset, or -1 past the page's end.
std::int64_t bigEndian(std::string_view page, std::size_t offset, std::size_t bytes);
// SQLite's variable-length integer at offset, moving offset past it; false past the page's end.
bool readVarint(std::string_view page, std::size_t& offset, std::int64_t& value);

// Page pageNumber of the database attached as schema ("main", "src"), read through the
// connection's view of the file; false when it cannot be read.
bool readPage(rg_MoKuai_class_sqliteShuJuKu& database, std::string_view schema, std::int64_t pageNumber, std::string& bytes);

// The numbers of the file header (page 1's first 100 bytes) that say how the file is laid out.
struct FileHeader {
    std::int64_t pageSize = 0;
    std::int64_t usableSize = 0;        // the page size less the bytes each page reserves
    std::int64_t pageCount = 0;         // as the header states it
    // Whether SQLite believes pageCount: it is not 0 and the file was last written by a version
    // that keeps it (the change counter equals the version-valid-for number).
    bool isPageCountValid = false;
    std::int64_t firstFreeTrunk = 0;
    std::int64_t freePageCount = 0;     // as the header promises it
    bool isAutoVacuum = false;          // pointer-map pages among the pages
    // Reads page 1's bytes; false when they hold no usable header.
    bool read(std::string_view firstPage);
    // Whether page is a pointer-map page of an auto-vacuum file, or the page that holds the lock bytes.
    bool isPointerMapPage(std::int64_t page) const;
    bool isLockBytePage(std::int64_t page) const;
};

// A b-tree page's header and its cells, each cell's start checked to lie in the page.
class BTreePage {
public:
    // pageNumber 1 has the file header before its page header. usableSize 0: the whole page.
    BTreePage(std::string_view page, std::int64_t pageNumber, std::int64_t usableSize = 0);
    bool isBTree() const { return kind != 0; }
    bool isTable() const { return kind == kTableLeaf || kind == kTableInterior; }
    bool isLeaf() const { return kind == kTableLeaf || kind == kIndexLeaf; }
    bool isInterior() const { return kind == kTableInterior || kind == kIndexInterior; }
    unsigned char pageKind() const { return kind; }
    std::int64_t cellCount() const { return cells; }
    // The rowid of a table page's cell (a leaf's row's, an interior cell's divider); empty when it
    // cannot be read or the page is an index page.
    std::optional<std::int64_t> rowidOf(std::int64_t cell) const;
    // The child page of an interior cell; cellCount() names the right-most child. Empty when unreadable.
    std::optional<std::int64_t> childOf(std::int64_t cell) const;
    // What a cell tells, read in one pass: its rowid (a table page's), its child (an interior
    // page's), the field count of its record (a table leaf's row, an index entry; empty when the
    // record's header does not lie whole on the page) and the first overflow page of a record that
    // does not fit on the page (0: it fits), each empty or 0 where the cell cannot be read.
    struct Cell {
        std::optional<std::int64_t> rowid;
        std::int64_t child = 0;
        std::optional<std::int64_t> fields;
        std::int64_t overflow = 0;
    };
    Cell cellAt(std::int64_t cell) const;

private:
    std::optional<std::size_t> cellStart(std::int64_t cell) const;
    // Where a cell's record starts and how long the whole record is; the rowid of a table leaf's cell.
    bool payloadOf(std::int64_t cell, std::size_t& start, std::int64_t& size, std::int64_t& rowid) const;
    std::optional<std::int64_t> fieldsAt(std::size_t start, std::int64_t size) const;
    std::int64_t overflowAt(std::size_t start, std::int64_t size) const;

    std::string_view bytes;
    std::int64_t usable = 0;
    std::size_t header = 0;
    unsigned char kind = 0;
    std::int64_t cells = 0;
};

}  // namespace page_format
