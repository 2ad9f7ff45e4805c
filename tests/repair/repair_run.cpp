#include "repair_run.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "db/database.h"
#include "db/integrity_check.h"
#include "db/sqlite_api.h"
#include "db/sqlite_handles.h"

namespace {

std::string hexOf(std::string_view bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (const char byte : bytes) {
        text += digits[static_cast<unsigned char>(byte) >> 4];
        text += digits[static_cast<unsigned char>(byte) & 0xF];
    }
    return text;
}

std::string exactText(const TypedValue& value) {
    switch (value.storageClass) {
    case StorageClass::integer: return "integer:" + std::to_string(value.integer);
    case StorageClass::real: {
        char bits[sizeof value.real];
        std::memcpy(bits, &value.real, sizeof bits);
        std::string bigEndian(std::rbegin(bits), std::rend(bits));   // both platforms are little-endian
        return "real:" + hexOf(bigEndian);
    }
    case StorageClass::text: return "text:" + std::string(value.bytes);
    case StorageClass::blob: return "blob:" + hexOf(value.bytes);
    case StorageClass::null: break;
    }
    return "null";
}

}  // namespace

ProgressLog::ProgressLog() {
    repairJob.repairProgress.subscribe(receiver, 0,
                                       [this](rg_mk_class_sqliteshjk_xf&, std::int32_t, std::int32_t kind, const WideString& name,
                                              std::int32_t total, std::int32_t done, const WideString& text) {
                                           events.push_back(ProgressEvent{kind, name, total, done, text});
                                           if (onEvent) onEvent(events.back());
                                           return 0;
                                       });
}

std::vector<ProgressEvent> ProgressLog::about(const WideString& name) const {
    std::vector<ProgressEvent> found;
    std::copy_if(events.begin(), events.end(), std::back_inserter(found), [&](const ProgressEvent& e) { return e.name == name; });
    return found;
}

bool ProgressLog::saidLine(const WideString& text) const {
    return std::any_of(events.begin(), events.end(), [&](const ProgressEvent& event) { return event.kind == 1 && event.text == text; });
}

std::vector<std::string> ProgressLog::jobEvents() const {
    std::vector<std::string> texts;
    for (const ProgressEvent& event : about(u"数据库")) texts.push_back(std::to_string(event.kind) + " " + toUtf8(event.text));
    return texts;
}

std::string describe(const std::vector<ProgressEvent>& events) {
    std::ostringstream text;
    for (const ProgressEvent& e : events)
        text << e.kind << " " << toUtf8(e.name) << " " << e.total << "/" << e.done << " " << toUtf8(e.text) << "\n";
    return text.str();
}

WideString repair(const WideString& path, const WideString& exemptTables) {
    return repairJob.repairDatabase(path, kRowsPerPage, exemptTables);
}

std::vector<std::string> exactRows(const WideString& path, const WideString& statement) {
    rg_MoKuai_class_sqliteShuJuKu database;
    (void)database.connectReadOnly(path);
    TypedPage page;
    (void)database.queryPage(statement, page);   // the rows before a failure are what a reader gets
    std::vector<std::string> rows;
    for (std::int64_t row = 0; row < page.rowCount(); ++row) {
        std::string text;
        for (std::int32_t column = 0; column < page.columnCount(); ++column)
            text += (column ? " | " : "") + exactText(page.value(row, column));
        rows.push_back(text);
    }
    return rows;
}

std::string exactValue(const WideString& path, const WideString& statement) {
    rg_MoKuai_class_sqliteShuJuKu database;
    (void)database.connectReadOnly(path);
    TypedPage page;
    (void)database.queryPage(statement, page);
    return page.rowCount() > 0 ? exactText(page.value(0, 0)) : "(none)";
}

std::vector<std::string> filesWithoutStamps(const WideString& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(folder))) {
        std::string name = toUtf8(entry.path().filename().u16string());
        for (std::size_t start = 0; start + 14 <= name.size(); ++start) {
            if (std::all_of(name.begin() + static_cast<std::ptrdiff_t>(start), name.begin() + static_cast<std::ptrdiff_t>(start) + 14,
                            [](char c) { return c >= '0' && c <= '9'; })) {
                name.replace(start, 14, "<stamp>");
                break;
            }
        }
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string fileBytes(const WideString& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

WideString numbersUpTo(std::int32_t count) {
    const WideString last = decimalText(count);
    return u"WITH RECURSIVE n(i) AS (SELECT 1 WHERE " + last + u" > 0 UNION ALL SELECT i + 1 FROM n WHERE i < " + last + u") ";
}

bool passesIntegrityCheck(const WideString& path) {
    StringArray findings;
    return checkIntegrity(path, findings) && findings == StringArray{u"ok"};
}

struct PlainConnection::Parts {
    platform::Library library;
    rg_ZiDingYi_sqliteHanShu api;
    Connection connection;
};

PlainConnection::PlainConnection(const WideString& path) : parts(new Parts) {
    if (!loadSqliteLibrary(parts->library, parts->api)) return;
    const ByteBuffer name = utf8WithZero(path);
    sqlite3* handle = nullptr;
    (void)parts->api.openV2(reinterpret_cast<const char*>(name.data()), &handle, SQLITE_OPEN_READWRITE, nullptr);
    parts->connection = Connection(handle, parts->api.close);
    if (handle) (void)parts->api.busyTimeout(handle, 10000);   // as programs do, it waits for a lock a reader holds
}

PlainConnection::~PlainConnection() {
    parts->connection.reset();
    delete parts;
}

bool PlainConnection::exec(const WideString& statements) {
    if (!parts->connection.isOpen()) return false;
    const ByteBuffer text = utf8WithZero(statements);
    return parts->api.exec(parts->connection.get(), reinterpret_cast<const char*>(text.data()), nullptr, nullptr, nullptr) == SQLITE_OK;
}

void writeFile(const WideString& path, const std::string& text) { std::ofstream(std::filesystem::path(path), std::ios::binary) << text; }
