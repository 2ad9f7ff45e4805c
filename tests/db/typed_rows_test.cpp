// The exact copy path: typed pages read from one database and written into another.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "db/database_fixture.h"

namespace {

std::string describeValue(const TypedValue& value) {
    switch (value.storageClass) {
    case StorageClass::integer: return "integer " + std::to_string(value.integer);
    case StorageClass::real: return "real " + std::to_string(value.real);
    case StorageClass::text: return "text '" + std::string(value.bytes) + "'";
    case StorageClass::blob: return "blob of " + std::to_string(value.bytes.size()) + " bytes";
    case StorageClass::null: return "null";
    }
    return "?";
}

bool sameValue(const TypedValue& a, const TypedValue& b) {
    return a.storageClass == b.storageClass && a.integer == b.integer &&
           std::memcmp(&a.real, &b.real, sizeof a.real) == 0 && a.bytes == b.bytes;
}

void expectSamePages(const TypedPage& expected, const TypedPage& actual) {
    ASSERT_EQ(expected.columnCount(), actual.columnCount());
    ASSERT_EQ(expected.rowCount(), actual.rowCount());
    for (std::int64_t row = 0; row < expected.rowCount(); ++row)
        for (std::int32_t column = 0; column < expected.columnCount(); ++column)
            EXPECT_TRUE(sameValue(expected.value(row, column), actual.value(row, column)))
                << "row " << row << " column " << column << ": " << describeValue(expected.value(row, column)) << " became "
                << describeValue(actual.value(row, column));
}

// A source database (the fixture's) and a target database beside it.
class TypedRowsTest : public DatabaseTest {
protected:
    void SetUp() override {
        DatabaseTest::SetUp();
        ASSERT_TRUE(target.connect(folder / u"target.db"));
    }
    PageWriteResult insertIntoTarget(const WideString& statement, const TypedPage& page) {
        target.lock(0);
        const PageWriteResult result = target.insertPage(statement, page);
        target.unlock(0);
        return result;
    }
    // Writes page into the target and expects every row to read back exactly through select.
    void expectExactCopy(const TypedPage& page, const WideString& insert, const WideString& select) {
        const PageWriteResult written = insertIntoTarget(insert, page);
        EXPECT_TRUE(written.committed);
        EXPECT_EQ(page.rowCount(), written.insertedRows);
        TypedPage copied;
        ASSERT_TRUE(target.queryPage(select, copied));
        expectSamePages(page, copied);
    }
    bool writeTarget(const StringArray& statements) {
        target.lock(0);
        const bool committed = target.execBatch(statements);
        target.unlock(0);
        return committed;
    }

    rg_MoKuai_class_sqliteShuJuKu target;
    MessageLog targetMessages{target};
};

TEST_F(TypedRowsTest, everyStorageClassRoundTripsExactly) {
    // A column without affinity keeps each value's storage class as it was stored.
    ASSERT_TRUE(write({u"CREATE TABLE source(v)",
                       u"INSERT INTO source VALUES (NULL), (''), (x''), (x'00FF0041'), (9223372036854775807), "
                       u"(-9223372036854775808), (0), ('42'), (42), ('4.0'), (1.0), (0.1 + 0.2), (1e308), (4.9e-324), "
                       u"(-2.5e-7), ('é数据'), (CAST(x'610062' AS TEXT)), (' padded ')"}));
    TypedPage page;
    ASSERT_TRUE(database.queryPage(u"SELECT v FROM source ORDER BY rowid", page));
    ASSERT_EQ(1, page.columnCount());
    ASSERT_EQ(18, page.rowCount());
    EXPECT_EQ(StorageClass::null, page.value(0, 0).storageClass);
    EXPECT_EQ(StorageClass::text, page.value(1, 0).storageClass);
    EXPECT_EQ(StorageClass::blob, page.value(2, 0).storageClass);
    EXPECT_EQ(std::string_view("\0\xFF\0A", 4), page.value(3, 0).bytes);
    EXPECT_EQ(INT64_MAX, page.value(4, 0).integer);
    EXPECT_EQ(StorageClass::text, page.value(7, 0).storageClass);
    EXPECT_EQ(StorageClass::real, page.value(10, 0).storageClass);
    EXPECT_EQ(0.1 + 0.2, page.value(11, 0).real);
    EXPECT_EQ(std::string_view("a\0b", 3), page.value(16, 0).bytes);

    ASSERT_TRUE(writeTarget({u"CREATE TABLE copy(v)"}));
    expectExactCopy(page, u"INSERT INTO copy(v) VALUES (?)", u"SELECT v FROM copy ORDER BY rowid");
    EXPECT_TRUE(messages.take().empty());
    EXPECT_TRUE(targetMessages.take().empty());
}

TEST_F(TypedRowsTest, typedColumnsAndManyColumnsCopyExactly) {
    ASSERT_TRUE(write({u"CREATE TABLE t(id INTEGER PRIMARY KEY, name TEXT, price REAL, body BLOB, n NUMERIC, loose)",
                       u"INSERT INTO t VALUES (-5, 'a''b', 19.99, x'00', '12', NULL)",
                       u"INSERT INTO t VALUES (7, NULL, 3, '', 'twelve', 1.5)",
                       u"INSERT INTO t VALUES (9000000000, '', -0.5, NULL, 1e20, x'')"}));
    ASSERT_TRUE(writeTarget({u"CREATE TABLE t(id INTEGER PRIMARY KEY, name TEXT, price REAL, body BLOB, n NUMERIC, loose)"}));
    TypedPage page;
    ASSERT_TRUE(database.queryPage(u"SELECT * FROM t ORDER BY id", page));
    ASSERT_EQ(3, page.rowCount());
    expectExactCopy(page, u"INSERT INTO t VALUES (?, ?, ?, ?, ?, ?)", u"SELECT * FROM t ORDER BY id");
}

TEST_F(TypedRowsTest, queryPageReportsAStatementThatCannotBePrepared) {
    TypedPage page(3);
    page.appendInteger(1);
    EXPECT_FALSE(database.queryPage(u"SELECT * FROM missing", page));
    EXPECT_EQ(0, page.rowCount());
    expectOneDiagnostic(messages, 1, u"查询返回数组", u"[语句:SELECT * FROM missing][错误:no such table: missing]");

    EXPECT_TRUE(database.queryPage(u"SELECT 1, 2 WHERE 0", page));   // no row is a complete, empty result
    EXPECT_EQ(2, page.columnCount());
    EXPECT_EQ(0, page.rowCount());
    EXPECT_EQ(0, database.activeReaders());
}

TEST_F(TypedRowsTest, queryIntegerTellsFailureFromZero) {
    ASSERT_TRUE(write({u"CREATE TABLE empty_table(x)"}));
    EXPECT_EQ(std::optional<std::int64_t>(0), database.queryInteger(u"SELECT COUNT(*) FROM empty_table NOT INDEXED"));
    EXPECT_EQ(std::optional<std::int64_t>(0), database.queryInteger(u"SELECT max(rowid) FROM empty_table"));   // NULL
    EXPECT_EQ(std::optional<std::int64_t>(INT64_MIN), database.queryInteger(u"SELECT -9223372036854775808"));
    EXPECT_TRUE(messages.take().empty());

    struct Case { const char16_t* statement; const char16_t* line; };
    const Case failures[] = {
        {u"SELECT COUNT(*) FROM missing", u"[语句:SELECT COUNT(*) FROM missing][错误:no such table: missing]"},
        {u"SELECT 1 WHERE 0", u"[语句:SELECT 1 WHERE 0][错误:查询失败]"},
    };
    for (const Case& c : failures) {
        EXPECT_FALSE(database.queryInteger(c.statement)) << toUtf8(c.statement);
        expectOneDiagnostic(messages, 1, u"查询数量", c.line);
    }
}

// Overwrites one page of a database file with bytes that are no b-tree page.
void garblePage(const WideString& path, std::int64_t pageNumber, std::int64_t pageSize) {
    std::fstream file(std::filesystem::path(path), std::ios::in | std::ios::out | std::ios::binary);
    file.seekp((pageNumber - 1) * pageSize);
    const std::string garbage(static_cast<std::size_t>(pageSize), '\xEE');
    file.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
}

TEST(TypedRowsCorrupt, aReadThatMeetsADamagedPageFailsInsteadOfLookingShort) {
    TempFolder folder;
    const WideString path = folder / u"damaged.db";
    {
        rg_MoKuai_class_sqliteShuJuKu builder;
        ASSERT_TRUE(builder.connect(path));
        builder.lock(0);
        ASSERT_TRUE(builder.execBatch({u"CREATE TABLE t(id INTEGER PRIMARY KEY, body TEXT)",
                                       u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
                                       u"INSERT INTO t(body) SELECT hex(randomblob(100)) FROM n"}));
        builder.unlock(0);
    }   // the last connection's close checkpoints the log into the file and removes it
    garblePage(path, 50, 4096);   // a leaf page of t, in the middle of its rows

    rg_MoKuai_class_sqliteShuJuKu database;
    MessageLog messages(database);
    ASSERT_TRUE(database.connect(path));
    TypedPage page;
    EXPECT_FALSE(database.queryPage(u"SELECT * FROM t", page));
    EXPECT_GT(page.rowCount(), 0) << "the rows before the damage are kept";
    EXPECT_LT(page.rowCount(), 2000);
    EXPECT_FALSE(database.queryInteger(u"SELECT COUNT(*) FROM t NOT INDEXED"));
    const std::vector<Diagnostic> diagnostics = messages.take();
    ASSERT_EQ(2u, diagnostics.size()) << describe(diagnostics);
    EXPECT_EQ(u"[语句:SELECT * FROM t][错误:database disk image is malformed]", diagnostics[0].message);
    EXPECT_EQ(u"[语句:SELECT COUNT(*) FROM t NOT INDEXED][错误:database disk image is malformed]", diagnostics[1].message);
}

TEST_F(TypedRowsTest, aFailingRowIsReportedAndSkippedWhileTheOthersCommit) {
    ASSERT_TRUE(writeTarget({u"CREATE TABLE t(id INTEGER PRIMARY KEY, name TEXT NOT NULL)",
                             u"INSERT INTO t VALUES (2, 'already there')"}));
    TypedPage page(2);
    for (const auto& [id, name] : {std::pair{1, "a"}, {2, "clash"}, {3, "c"}}) {
        page.appendInteger(id);
        page.appendText(name);
    }
    page.appendInteger(4);
    page.appendNull();
    const PageWriteResult written = insertIntoTarget(u"INSERT INTO t VALUES (?, ?)", page);
    EXPECT_TRUE(written.committed);
    EXPECT_EQ(2, written.insertedRows);
    EXPECT_EQ(3, target.queryCount(u"t", u""));
    const std::vector<Diagnostic> diagnostics = targetMessages.take();
    ASSERT_EQ(2u, diagnostics.size()) << describe(diagnostics);
    EXPECT_EQ(u"执行sql", diagnostics[0].label);
    EXPECT_EQ(u"[语句:INSERT INTO t VALUES (?, ?)][错误:UNIQUE constraint failed: t.id]", diagnostics[0].message);
    EXPECT_EQ(u"[语句:INSERT INTO t VALUES (?, ?)][错误:NOT NULL constraint failed: t.name]", diagnostics[1].message);
}

TEST_F(TypedRowsTest, anInsertThatDoesNotFitThePageWritesNothing) {
    ASSERT_TRUE(writeTarget({u"CREATE TABLE t(a, b)"}));
    TypedPage page(2);
    page.appendInteger(1);
    page.appendInteger(2);
    struct Case { const char16_t* statement; const char16_t* line; };
    const Case cases[] = {
        {u"INSERT INTO t(a) VALUES (?)", u"[语句:INSERT INTO t(a) VALUES (?)][错误:参数个数与列数不符]"},
        {u"INSERT INTO t VALUES (?, ? + ?)", u"[语句:INSERT INTO t VALUES (?, ? + ?)][错误:参数个数与列数不符]"},
        {u"INSERT INTO missing VALUES (?, ?)", u"[语句:INSERT INTO missing VALUES (?, ?)][错误:no such table: missing]"},
    };
    for (const Case& c : cases) {
        const PageWriteResult written = insertIntoTarget(c.statement, page);
        EXPECT_FALSE(written.committed) << toUtf8(c.statement);
        EXPECT_EQ(0, written.insertedRows);
        expectOneDiagnostic(targetMessages, 1, u"执行sql", c.line);
    }
    EXPECT_EQ(0, target.queryCount(u"t", u""));
    // No transaction was left open.
    EXPECT_TRUE(writeTarget({u"INSERT INTO t VALUES (1, 2)"}));

    const PageWriteResult empty = insertIntoTarget(u"INSERT INTO t VALUES (?, ?)", TypedPage(2));
    EXPECT_TRUE(empty.committed);
    EXPECT_EQ(0, empty.insertedRows);
    EXPECT_TRUE(targetMessages.take().empty());
}

TEST_F(TypedRowsTest, aCommitThatFailsLeavesNoRowAndIsReported) {
    ASSERT_TRUE(writeTarget(kDeferredForeignKeyTables));
    TypedPage page(1);
    page.appendInteger(7);
    target.lock(0);
    ASSERT_TRUE(target.execSql(u"PRAGMA foreign_keys = ON"));
    const PageWriteResult written = target.insertPage(u"INSERT INTO child VALUES (?)", page);
    target.unlock(0);
    EXPECT_FALSE(written.committed);
    EXPECT_EQ(0, written.insertedRows);
    EXPECT_EQ(0, target.queryCount(u"child", u""));
    const std::vector<Diagnostic> diagnostics = targetMessages.take();
    ASSERT_FALSE(diagnostics.empty());
    EXPECT_EQ(u"批量执行sql", diagnostics.back().label);
    EXPECT_EQ(u"[语句:COMMIT TRANSACTION][错误:提交事务失败]", diagnostics.back().message);
}

TEST_F(TypedRowsTest, aFullDatabaseNeverCountsRowsThatAreNotThere) {
    ASSERT_TRUE(writeTarget({u"CREATE TABLE t(body BLOB)"}));
    TypedPage page(1);
    const std::string body(3000, 'x');
    for (int row = 0; row < 200; ++row) page.appendBlob(body);
    target.lock(0);
    ASSERT_TRUE(target.execSql(u"PRAGMA max_page_count = 60"));
    const PageWriteResult written = target.insertPage(u"INSERT INTO t VALUES (?)", page);
    target.unlock(0);
    EXPECT_LT(written.insertedRows, 200);
    EXPECT_FALSE(targetMessages.take().empty());
    EXPECT_EQ(written.committed ? written.insertedRows : 0, target.queryCount(u"t", u""))
        << "committed " << written.committed << ", inserted " << written.insertedRows;
}

TEST_F(TypedRowsTest, pagesReadOnManyThreadsAreWrittenUnderTheWriterLock) {
    ASSERT_TRUE(write({u"CREATE TABLE source(id INTEGER PRIMARY KEY, label TEXT, amount REAL, payload BLOB)",
                       u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 8000) "
                       u"INSERT INTO source SELECT i, 'row ' || i, i / 7.0, CASE WHEN i % 3 THEN randomblob(i % 40) END FROM n"}));
    ASSERT_TRUE(writeTarget({u"CREATE TABLE source(id INTEGER PRIMARY KEY, label TEXT, amount REAL, payload BLOB)"}));
    constexpr int kThreads = 8;
    std::vector<std::thread> workers;
    std::atomic<int> failures{0};
    for (int worker = 0; worker < kThreads; ++worker) {
        workers.emplace_back([&, worker] {
            for (int part = worker; part < 16; part += kThreads) {
                TypedPage page;
                if (!database.queryPage(u"SELECT * FROM source WHERE id % 16 = " + decimalText(part), page)) ++failures;
                target.lock(0);
                if (!target.insertPage(u"INSERT INTO source VALUES (?, ?, ?, ?)", page).committed) ++failures;
                target.unlock(0);
            }
        });
    }
    for (std::thread& worker : workers) worker.join();
    EXPECT_EQ(0, failures);
    TypedPage expected;
    TypedPage copied;
    ASSERT_TRUE(database.queryPage(u"SELECT * FROM source ORDER BY id", expected));
    ASSERT_TRUE(target.queryPage(u"SELECT * FROM source ORDER BY id", copied));
    EXPECT_EQ(8000, copied.rowCount());
    expectSamePages(expected, copied);
    EXPECT_EQ(0, database.activeReaders());
    EXPECT_TRUE(targetMessages.take().empty());
}

}  // namespace
