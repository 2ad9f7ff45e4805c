// Inserts the same 100,000 rows (an integer, two texts, a real, a blob) twice, in pages of 1000
// under the writer lock: once through the typed batch writer, once as text INSERT statements
// through execBatch. Prints both times, for each synchronous setting the repair uses.
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "db/database.h"
#include "platform/platform.h"

namespace {

constexpr int kRows = 100000;
constexpr int kRowsPerPage = 1000;
constexpr char16_t kCreateTable[] = u"CREATE TABLE items(id INTEGER PRIMARY KEY, name TEXT, note TEXT, price REAL, digest BLOB)";

struct Row {
    std::int64_t id;
    std::string name;
    std::string note;
    double price;
    std::string digest;
};

std::vector<Row> makeRows() {
    std::vector<Row> rows;
    rows.reserve(kRows);
    for (int i = 1; i <= kRows; ++i) {
        std::string digest(16, '\0');
        for (int b = 0; b < 16; ++b) digest[static_cast<std::size_t>(b)] = static_cast<char>((i * 131 + b * 17) & 0xFF);
        char name[32];
        std::snprintf(name, sizeof name, "name-%08d", i);
        rows.push_back(Row{i, name, "note " + std::to_string(i * 7919 % 100003) + " o'clock, 数据", i * 0.25 + 0.1, digest});
    }
    return rows;
}

std::vector<TypedPage> typedPages(const std::vector<Row>& rows) {
    std::vector<TypedPage> pages;
    for (std::size_t first = 0; first < rows.size(); first += kRowsPerPage) {
        TypedPage page(5);
        for (std::size_t i = first; i < first + kRowsPerPage && i < rows.size(); ++i) {
            page.appendInteger(rows[i].id);
            page.appendText(rows[i].name);
            page.appendText(rows[i].note);
            page.appendReal(rows[i].price);
            page.appendBlob(rows[i].digest);
        }
        pages.push_back(std::move(page));
    }
    return pages;
}

std::string quoted(const std::string& text) {
    std::string literal = "'";
    for (const char c : text) literal += c == '\'' ? std::string("''") : std::string(1, c);
    return literal + "'";
}

std::vector<StringArray> textPages(const std::vector<Row>& rows) {
    std::vector<StringArray> pages;
    for (std::size_t first = 0; first < rows.size(); first += kRowsPerPage) {
        StringArray page;
        for (std::size_t i = first; i < first + kRowsPerPage && i < rows.size(); ++i) {
            const Row& row = rows[i];
            char price[32];
            std::snprintf(price, sizeof price, "%.17g", row.price);
            std::string blob = "X'";
            for (const char c : row.digest) {
                char hex[3];
                std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned char>(c));
                blob += hex;
            }
            page.push_back(fromUtf8("INSERT INTO items VALUES (" + std::to_string(row.id) + "," + quoted(row.name) + "," +
                                    quoted(row.note) + "," + price + "," + blob + "')"));
        }
        pages.push_back(std::move(page));
    }
    return pages;
}

// Connects a fresh database at path with the table, or reports why not.
bool prepareDatabase(rg_MoKuai_class_sqliteShuJuKu& database, const std::filesystem::path& path, int synchronousChoice) {
    for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(path.string() + suffix);
    database.connect(path.u16string(), std::nullopt, synchronousChoice);
    database.lock(0);
    const bool created = database.execBatch({kCreateTable});
    database.unlock(0);
    if (!created) std::fprintf(stderr, "cannot create %s\n", path.string().c_str());
    return created;
}

template <typename WritePage>
double timeWrites(rg_MoKuai_class_sqliteShuJuKu& database, std::size_t pageCount, WritePage writePage) {
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t page = 0; page < pageCount; ++page) {
        database.lock(0);
        writePage(page);
        database.unlock(0);
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    platform::setLibraryFolder(platform::executableFolder() + u"data");
    const std::filesystem::path folder = argc > 1 ? std::filesystem::path(argv[1]) : std::filesystem::temp_directory_path();
    const std::vector<Row> rows = makeRows();
    const std::vector<TypedPage> typed = typedPages(rows);
    const std::vector<StringArray> texts = textPages(rows);

    std::printf("%d rows in pages of %d, under lock/unlock, one transaction and checkpoint per page\n", kRows, kRowsPerPage);
    for (const auto& [choice, label] : {std::pair{0, "FULL"}, std::pair{2, "OFF"}}) {
        rg_MoKuai_class_sqliteShuJuKu typedDb;
        rg_MoKuai_class_sqliteShuJuKu textDb;
        if (!prepareDatabase(typedDb, folder / "bench-typed.db", choice) || !prepareDatabase(textDb, folder / "bench-text.db", choice))
            return 1;
        std::int64_t inserted = 0;
        const double typedSeconds = timeWrites(typedDb, typed.size(), [&](std::size_t page) {
            inserted += typedDb.insertPage(u"INSERT INTO items VALUES (?, ?, ?, ?, ?)", typed[page]).insertedRows;
        });
        const double textSeconds = timeWrites(textDb, texts.size(), [&](std::size_t page) { (void)textDb.execBatch(texts[page]); });
        const std::int32_t typedCount = typedDb.queryCount(u"items", u"");
        const std::int32_t textCount = textDb.queryCount(u"items", u"");
        std::printf("synchronous %-4s  typed batch writer %7.3f s (%" PRId64 " inserted, %d rows)   "
                    "text INSERTs via execBatch %7.3f s (%d rows)   ratio %.2f\n",
                    label, typedSeconds, inserted, typedCount, textSeconds, textCount, textSeconds / typedSeconds);
        if (typedCount != kRows || textCount != kRows) return 1;
    }
    return 0;
}
