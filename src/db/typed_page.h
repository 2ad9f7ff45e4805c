// A page of rows with every value kept exactly as SQLite stored it: its storage class and its
// content (integers and reals bit for bit, text and blobs byte for byte, NULL apart from '').
// Plain C++ data, so a page read on one thread may be moved to another and written there.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// SQLite's storage classes, with SQLite's codes.
enum class StorageClass : std::uint8_t { integer = 1, real = 2, text = 3, blob = 4, null = 5 };

// One value of a page. bytes (text as UTF-8, or the blob) points into the page and is valid while
// the page lives and is not changed; integer and real are 0 unless the storage class is theirs.
struct TypedValue {
    StorageClass storageClass = StorageClass::null;
    std::int64_t integer = 0;
    double real = 0;
    std::string_view bytes;
};

// A text value over utf8, which must outlive it: for binding a name or a word as a parameter.
inline TypedValue textValue(std::string_view utf8) { return TypedValue{StorageClass::text, 0, 0, utf8}; }
// An integer value: for binding a number as a parameter.
inline TypedValue integerValue(std::int64_t value) { return TypedValue{StorageClass::integer, value, 0, {}}; }

// Rows of a fixed number of columns, stored row after row. Values are appended in row order; a row
// is complete after columnCount() values.
class TypedPage {
public:
    explicit TypedPage(std::int32_t columnCount = 0) : columns(columnCount) {}

    // Empties the page and sets the number of columns of its rows.
    void clear(std::int32_t columnCount);
    std::int32_t columnCount() const { return columns; }
    // Complete rows.
    std::int64_t rowCount() const;
    // The value of a complete row's column; row < rowCount(), column < columnCount().
    TypedValue value(std::int64_t row, std::int32_t column) const;

    void appendNull();
    void appendInteger(std::int64_t value);
    void appendReal(double value);
    void appendText(std::string_view utf8);
    void appendBlob(std::string_view bytes);

private:
    struct Cell {
        StorageClass storageClass;
        std::int64_t integer;
        double real;
        std::size_t offset;   // into content, for text and blob
        std::size_t size;
    };
    void appendBytes(StorageClass storageClass, std::string_view bytes);

    std::int32_t columns;
    std::vector<Cell> cells;
    std::string content;   // every text and blob of the page, back to back
};
