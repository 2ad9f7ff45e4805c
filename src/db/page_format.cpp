#include "db/page_format.h"

#include <algorithm>

#include "db/database.h"

namespace page_format {

namespace {

constexpr std::size_t kFileHeaderBytes = 100;
// The byte range SQLite locks starts at 1 GiB; the page that holds it is never used.
constexpr std::int64_t kLockByteOffset = 1073741824;

}  // namespace

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

bool readPage(rg_MoKuai_class_sqliteShuJuKu& database, std::string_view schema, std::int64_t pageNumber, std::string& bytes) {
    const TypedValue parameters[] = {integerValue(pageNumber), textValue(schema)};
    TypedPage rows;
    if (!database.queryPage(u"SELECT data FROM sqlite_dbpage(?2) WHERE pgno = ?1", rows, parameters) || rows.rowCount() != 1) return false;
    bytes.assign(rows.value(0, 0).bytes);
    return !bytes.empty();
}

bool FileHeader::read(std::string_view firstPage) {
    pageSize = bigEndian(firstPage, 16, 2);
    if (pageSize == 1) pageSize = 65536;
    if (pageSize < 512 || firstPage.size() < kFileHeaderBytes) return false;
    usableSize = pageSize - static_cast<unsigned char>(firstPage[20]);
    pageCount = bigEndian(firstPage, 28, 4);
    isPageCountValid = pageCount > 0 && bigEndian(firstPage, 24, 4) == bigEndian(firstPage, 92, 4);
    firstFreeTrunk = bigEndian(firstPage, 32, 4);
    freePageCount = bigEndian(firstPage, 36, 4);
    isAutoVacuum = bigEndian(firstPage, 52, 4) != 0;
    return usableSize >= 480;
}

bool FileHeader::isLockBytePage(std::int64_t page) const { return pageSize > 0 && page == kLockByteOffset / pageSize + 1; }

bool FileHeader::isPointerMapPage(std::int64_t page) const {
    if (!isAutoVacuum || page < 2) return false;
    const std::int64_t pagesPerMap = usableSize / 5 + 1;
    std::int64_t mapPage = (page - 2) / pagesPerMap * pagesPerMap + 2;
    if (isLockBytePage(mapPage)) ++mapPage;
    return mapPage == page;
}

BTreePage::BTreePage(std::string_view page, std::int64_t pageNumber, std::int64_t usableSize)
    : bytes(page), usable(usableSize > 0 ? std::min<std::int64_t>(usableSize, static_cast<std::int64_t>(page.size())) : static_cast<std::int64_t>(page.size())) {
    header = pageNumber == 1 ? kFileHeaderBytes : 0;
    if (header >= bytes.size()) return;
    const auto found = static_cast<unsigned char>(bytes[header]);
    if (found != kTableLeaf && found != kTableInterior && found != kIndexLeaf && found != kIndexInterior) return;
    kind = found;
    cells = std::max<std::int64_t>(bigEndian(bytes, header + 3, 2), 0);
}

std::optional<std::size_t> BTreePage::cellStart(std::int64_t cell) const {
    const std::size_t pointers = header + (isLeaf() ? 8 : 12);
    if (!isBTree() || cell < 0 || cell >= cells) return std::nullopt;
    const std::int64_t start = bigEndian(bytes, pointers + 2 * static_cast<std::size_t>(cell), 2);
    // A cell lies after the pointer array and inside the page.
    if (start < static_cast<std::int64_t>(pointers + 2 * static_cast<std::size_t>(cells)) || start >= static_cast<std::int64_t>(bytes.size()))
        return std::nullopt;
    return static_cast<std::size_t>(start);
}

std::optional<std::int64_t> BTreePage::rowidOf(std::int64_t cell) const { return cellAt(cell).rowid; }

std::optional<std::int64_t> BTreePage::childOf(std::int64_t cell) const {
    if (!isInterior()) return std::nullopt;
    if (cell == cells) return bigEndian(bytes, header + 8, 4);
    const auto start = cellStart(cell);
    if (!start) return std::nullopt;
    const std::int64_t child = bigEndian(bytes, *start, 4);
    return child > 0 ? std::optional<std::int64_t>(child) : std::nullopt;
}

bool BTreePage::payloadOf(std::int64_t cell, std::size_t& start, std::int64_t& size, std::int64_t& rowid) const {
    const auto cellAt = cellStart(cell);
    if (!cellAt || kind == kTableInterior) return false;
    start = *cellAt + (kind == kIndexInterior ? 4 : 0);
    if (!readVarint(bytes, start, size) || size < 0) return false;
    return kind != kTableLeaf || readVarint(bytes, start, rowid);
}

std::optional<std::int64_t> BTreePage::fieldsAt(std::size_t start, std::int64_t size) const {
    std::size_t offset = start;
    std::int64_t headerSize = 0;
    if (!readVarint(bytes, offset, headerSize) || headerSize < 1 || headerSize > size) return std::nullopt;
    const std::size_t headerEnd = start + static_cast<std::size_t>(headerSize);
    if (headerEnd > bytes.size()) return std::nullopt;
    const std::string_view header = bytes.substr(0, headerEnd);
    std::int64_t fields = 0, serialType = 0;
    while (offset < headerEnd) {
        if (!readVarint(header, offset, serialType)) return std::nullopt;
        ++fields;
    }
    return fields;
}

std::int64_t BTreePage::overflowAt(std::size_t start, std::int64_t size) const {
    // How much of a record stays on the page, as SQLite decides it.
    const std::int64_t maxLocal = kind == kTableLeaf ? usable - 35 : (usable - 12) * 64 / 255 - 23;
    const std::int64_t minLocal = (usable - 12) * 32 / 255 - 23;
    if (size <= maxLocal) return 0;
    const std::int64_t surplus = minLocal + (size - minLocal) % (usable - 4);
    const std::int64_t local = surplus <= maxLocal ? surplus : minLocal;
    return std::max<std::int64_t>(bigEndian(bytes, start + static_cast<std::size_t>(local), 4), 0);
}

BTreePage::Cell BTreePage::cellAt(std::int64_t cell) const {
    Cell read;
    const auto start = cellStart(cell);
    if (!start) return read;
    if (isInterior()) read.child = std::max<std::int64_t>(bigEndian(bytes, *start, 4), 0);
    if (kind == kTableInterior) {
        std::size_t offset = *start + 4;
        std::int64_t rowid = 0;
        if (readVarint(bytes, offset, rowid)) read.rowid = rowid;
        return read;
    }
    std::size_t payload = 0;
    std::int64_t size = 0, rowid = 0;
    if (!payloadOf(cell, payload, size, rowid)) return read;
    if (kind == kTableLeaf) read.rowid = rowid;
    read.fields = fieldsAt(payload, size);
    read.overflow = overflowAt(payload, size);
    return read;
}

}  // namespace page_format
