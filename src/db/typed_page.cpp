// Storage of a typed page: one array of cells and one buffer for all their bytes, so that reading
// a page allocates a few times per page rather than once per value.
#include "db/typed_page.h"

void TypedPage::clear(std::int32_t columnCount) {
    columns = columnCount;
    cells.clear();
    content.clear();
}

std::int64_t TypedPage::rowCount() const {
    if (columns <= 0) return 0;
    return static_cast<std::int64_t>(cells.size() / static_cast<std::size_t>(columns));
}

TypedValue TypedPage::value(std::int64_t row, std::int32_t column) const {
    const Cell& cell = cells[static_cast<std::size_t>(row) * static_cast<std::size_t>(columns) +
                             static_cast<std::size_t>(column)];
    TypedValue result{cell.storageClass, cell.integer, cell.real, {}};
    if (cell.storageClass == StorageClass::text || cell.storageClass == StorageClass::blob)
        result.bytes = std::string_view(content).substr(cell.offset, cell.size);
    return result;
}

void TypedPage::appendNull() { cells.push_back(Cell{StorageClass::null, 0, 0, 0, 0}); }

void TypedPage::appendInteger(std::int64_t value) { cells.push_back(Cell{StorageClass::integer, value, 0, 0, 0}); }

void TypedPage::appendReal(double value) { cells.push_back(Cell{StorageClass::real, 0, value, 0, 0}); }

void TypedPage::appendText(std::string_view utf8) { appendBytes(StorageClass::text, utf8); }

void TypedPage::appendBlob(std::string_view bytes) { appendBytes(StorageClass::blob, bytes); }

void TypedPage::appendBytes(StorageClass storageClass, std::string_view bytes) {
    cells.push_back(Cell{storageClass, 0, 0, content.size(), bytes.size()});
    content.append(bytes);
}
