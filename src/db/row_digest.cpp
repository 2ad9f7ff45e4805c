// Each value is written with its storage class and length in front of its content, so that no two
// different rows can be spelt the same, and a row's hash is XXH3-128 of what is written. Everything
// lives on the stack: nothing is allocated per row, and no thread keeps state of its own (a
// thread_local with a destructor deadlocks winpthreads' exit when a detached thread ends at the
// same moment).
#include "db/row_digest.h"

#include <atomic>
#include <cstring>

#define XXH_INLINE_ALL
#include <xxhash.h>

namespace {

// The function's user data is the record of bound entry points, and reading it takes an entry point
// of its own: this one, stored by every registration. Every binding is of the same library file,
// loaded once per process, so they all give the same address.
std::atomic<decltype(&sqlite3_user_data)> userDataEntry{nullptr};

// One row's hash. A row that fits in the buffer is hashed in one call; a longer one streams through
// XXH3's state, which gives the same hash for the same bytes however they are split.
class RowHasher {
public:
    void append(const void* bytes, std::size_t size) {
        if (size == 0) return;
        if (used + size <= sizeof buffer) {
            std::memcpy(buffer + used, bytes, size);
            used += size;
            return;
        }
        if (!isStreaming) {
            (void)XXH3_128bits_reset(&state);   // fails only without a state
            isStreaming = true;
        }
        (void)XXH3_128bits_update(&state, buffer, used);
        used = 0;
        (void)XXH3_128bits_update(&state, bytes, size);
    }
    template <typename Number>
    void appendNumber(Number number) {
        append(&number, sizeof number);
    }
    XXH128_hash_t finish() {
        if (!isStreaming) return XXH3_128bits(buffer, used);
        (void)XXH3_128bits_update(&state, buffer, used);
        return XXH3_128bits_digest(&state);
    }

private:
    char buffer[2048];
    std::size_t used = 0;
    bool isStreaming = false;
    XXH3_state_t state;
};

// The exact content of a text or blob, read without converting it: text in the encoding it is
// stored in, so that the argument is left as it came (it may be the value handed back).
const void* contentOf(const rg_ZiDingYi_sqliteHanShu& api, sqlite3_value* value, int type, std::size_t& size) {
    if (type == SQLITE_BLOB) {
        const void* bytes = api.valueBlob(value);
        size = static_cast<std::size_t>(api.valueBytes(value));
        return bytes;
    }
    switch (api.valueEncoding(value)) {
    case SQLITE_UTF16LE:
    case SQLITE_UTF16BE: {
        const void* bytes = api.valueEncoding(value) == SQLITE_UTF16LE ? api.valueText16le(value) : api.valueText16be(value);
        size = static_cast<std::size_t>(api.valueBytes16(value));
        return bytes;
    }
    default: {
        const void* bytes = api.valueText(value);
        size = static_cast<std::size_t>(api.valueBytes(value));
        return bytes;
    }
    }
}

void appendValue(const rg_ZiDingYi_sqliteHanShu& api, RowHasher& row, sqlite3_value* value) {
    const int type = api.valueType(value);
    row.appendNumber(static_cast<unsigned char>(type));
    switch (type) {
    case SQLITE_INTEGER:
        row.appendNumber(static_cast<std::int64_t>(api.valueInt64(value)));
        return;
    case SQLITE_FLOAT:
        row.appendNumber(api.valueDouble(value));   // its bits: -0.0 and 0.0 differ
        return;
    case SQLITE_TEXT:
    case SQLITE_BLOB: {
        std::size_t size = 0;
        const void* bytes = contentOf(api, value, type, size);
        row.appendNumber(static_cast<std::uint64_t>(size));
        row.append(bytes, size);
        return;
    }
    default:
        return;
    }
}

void foldRow(sqlite3_context* context, int argumentCount, sqlite3_value** arguments) {
    const auto& api = *static_cast<const rg_ZiDingYi_sqliteHanShu*>(userDataEntry.load()(context));
    auto* digest = argumentCount >= 2 ? static_cast<RowDigest*>(api.valuePointer(arguments[0], kRowDigestPointerType)) : nullptr;
    if (!digest) {
        api.resultError(context, "dovrane_fold: no row digest bound", -1);
        return;
    }
    RowHasher row;
    for (int i = 2; i < argumentCount; ++i) appendValue(api, row, arguments[i]);
    const XXH128_hash_t hash = row.finish();
    digest->add(RowDigest{hash.low64, hash.high64, 1});
    api.resultValue(context, arguments[1]);
}

}  // namespace

void RowDigest::add(const RowDigest& other) {
    // Sums wrap: addition modulo 2^64 in each lane keeps the digest independent of the order.
    low += other.low;
    high += other.high;
    rows += other.rows;
}

bool registerRowFold(const rg_ZiDingYi_sqliteHanShu& api, sqlite3* connection) {
    userDataEntry = api.userData;
    // Not deterministic: SQLite must call it once for every row, never factor it out.
    return api.createFunctionV2(connection, kRowFoldFunction, -1, SQLITE_UTF8 | SQLITE_DIRECTONLY, const_cast<rg_ZiDingYi_sqliteHanShu*>(&api),
                                &foldRow, nullptr, nullptr, nullptr) == SQLITE_OK;
}
