// An order-independent digest of a set of rows: every value's storage class and exact content
// (integers and reals bit for bit, text in the database's own encoding and blobs byte for byte),
// folded row by row inside SQLite by the dovrane_fold() function. Two tables whose digests are
// equal hold the same rows, whatever order they were read or written in.
#pragma once

#include <cstdint>

#include "db/sqlite_api.h"

struct RowDigest {
    // The sum of the rows' 128-bit hashes, lane by lane, and the number of rows.
    std::uint64_t low = 0;
    std::uint64_t high = 0;
    std::int64_t rows = 0;

    void add(const RowDigest& other);
    bool operator==(const RowDigest&) const = default;
};

// The SQL function: dovrane_fold(digest, returned, value, ...) folds one row of values into the
// RowDigest bound (sqlite3_bind_pointer, type kRowDigestPointerType) to its first argument and
// gives back returned unchanged, so that it can stand in for a column of an INSERT ... SELECT and
// fold exactly the rows the statement hands on. Without a digest bound it fails the statement.
inline constexpr char kRowFoldFunction[] = "dovrane_fold";
inline constexpr char kRowDigestPointerType[] = "dovrane_row_digest";

// Registers dovrane_fold on connection through api, which must outlive the connection. False
// when SQLite refuses it.
bool registerRowFold(const rg_ZiDingYi_sqliteHanShu& api, sqlite3* connection);
