// Statements through the main connection and text queries through reader connections.
#include <gtest/gtest.h>

#include <filesystem>

#include "db/database_fixture.h"

namespace {

class StatementsTest : public DatabaseTest {};

TEST_F(StatementsTest, execSqlRunsEveryStatementOfItsTextAndEmptyTextSucceeds) {
    database.lock(0);
    EXPECT_TRUE(database.execSql(u"CREATE TABLE t(x); INSERT INTO t VALUES (1); INSERT INTO t VALUES (2)"));
    EXPECT_TRUE(database.execSql(u""));
    database.unlock(0);
    EXPECT_EQ(2, database.queryCount(u"t", u""));
    EXPECT_TRUE(messages.take().empty());
}

TEST_F(StatementsTest, execSqlReportsSqliteErrorTextDecodedAsUtf8) {
    database.lock(0);
    EXPECT_FALSE(database.execSql(u"INSERT INTO 数据 VALUES (1)"));
    database.unlock(0);
    expectOneDiagnostic(messages, 1, u"执行sql", u"[语句:INSERT INTO 数据 VALUES (1)][错误:no such table: 数据]");
}

TEST_F(StatementsTest, execBatchWithAnEmptyListRunsNothingNotEvenBegin) {
    database.lock(0);
    EXPECT_FALSE(database.execBatch({}));
    // Had BEGIN run, a transaction would be open and this would fail.
    EXPECT_TRUE(database.execSql(u"BEGIN TRANSACTION"));
    EXPECT_TRUE(database.execSql(u"ROLLBACK TRANSACTION"));
    database.unlock(0);
    EXPECT_TRUE(messages.take().empty());
}

TEST_F(StatementsTest, execBatchCommitsTheGoodStatementsAroundABadOne) {
    ASSERT_TRUE(write({u"CREATE TABLE t(id INTEGER PRIMARY KEY, name TEXT)"}));
    EXPECT_TRUE(write({u"INSERT INTO t VALUES (1, 'a')", u"INSERT INTO t VALUES (1, 'duplicate')", u"INSERT INTO t VALUES (2, 'b')",
                       u"INSERT INTO t VALUES (3, 'c'"}));
    EXPECT_EQ(2, database.queryCount(u"t", u""));
    EXPECT_EQ("a", field(u"SELECT name FROM t WHERE id = 1"));
    const std::vector<Diagnostic> diagnostics = messages.take();
    ASSERT_EQ(2u, diagnostics.size()) << describe(diagnostics);
    EXPECT_EQ(u"[语句:INSERT INTO t VALUES (1, 'duplicate')][错误:UNIQUE constraint failed: t.id]", diagnostics[0].message);
    EXPECT_EQ(u"执行sql", diagnostics[1].label);
    EXPECT_EQ(u"[语句:INSERT INTO t VALUES (3, 'c'][错误:incomplete input]", diagnostics[1].message);
}

TEST_F(StatementsTest, execBatchRollsBackAndReportsACommitThatFails) {
    ASSERT_TRUE(write(kDeferredForeignKeyTables));
    database.lock(0);
    ASSERT_TRUE(database.execSql(u"PRAGMA foreign_keys = ON"));
    EXPECT_FALSE(database.execBatch({u"INSERT INTO child VALUES (7)"}));
    EXPECT_TRUE(database.execSql(u"BEGIN TRANSACTION")) << "the failed transaction was left open";
    EXPECT_TRUE(database.execSql(u"ROLLBACK TRANSACTION"));
    database.unlock(0);
    EXPECT_EQ(0, database.queryCount(u"child", u""));
    const std::vector<Diagnostic> diagnostics = messages.take();
    ASSERT_EQ(2u, diagnostics.size()) << describe(diagnostics);
    EXPECT_EQ(u"[语句:COMMIT TRANSACTION][错误:FOREIGN KEY constraint failed]", diagnostics[0].message);
    EXPECT_EQ(1, diagnostics[1].kind);
    EXPECT_EQ(u"批量执行sql", diagnostics[1].label);
    EXPECT_EQ(u"[语句:COMMIT TRANSACTION][错误:提交事务失败]", diagnostics[1].message);
}

TEST_F(StatementsTest, execBatchCheckpointsTheLogIntoTheDatabaseFile) {
    ASSERT_TRUE(write({u"CREATE TABLE t(x)", u"INSERT INTO t VALUES (zeroblob(100000))"}));
    // 25 pages stay far below SQLite's automatic checkpoint: only the batch's checkpoint put
    // them in the database file while the connections are open.
    EXPECT_GT(std::filesystem::file_size(std::filesystem::path(databasePath)), 100000u);
}

TEST_F(StatementsTest, queryCountComposesItsStatementFromTheTextsVerbatim) {
    ASSERT_TRUE(write({u"CREATE TABLE t(x)", u"INSERT INTO t VALUES (1)", u"INSERT INTO t VALUES (5)"}));
    EXPECT_EQ(2, database.queryCount(u"t", u""));
    EXPECT_EQ(1, database.queryCount(u"t", u"x > 2"));
    EXPECT_EQ(5, database.queryCount(u"PRAGMA_TABLE_INFO('sqlite_master')", u""));
    EXPECT_TRUE(messages.take().empty());

    struct Case { const char16_t* table; const char16_t* condition; const char16_t* line; };
    const Case failures[] = {
        {u"missing", u"", u"[语句:SELECT COUNT(*) FROM missing][错误:查询失败]"},
        {u"missing", u"x > 1", u"[语句:SELECT COUNT(*) FROM missing WHERE x > 1][错误:查询失败]"},
        {u"t", u"no_such_column = 1", u"[语句:SELECT COUNT(*) FROM t WHERE no_such_column = 1][错误:查询失败]"},
    };
    for (const Case& c : failures) {
        EXPECT_EQ(0, database.queryCount(c.table, c.condition));
        expectOneDiagnostic(messages, 1, u"查询数量", c.line);
    }
    EXPECT_EQ(0, database.activeReaders()) << "a failed query kept its reader";
}

TEST_F(StatementsTest, queryArrayReadsTheCallersColumnCountAsTexts) {
    ASSERT_TRUE(write({u"CREATE TABLE t(a, b)", u"INSERT INTO t VALUES (1, 'x')", u"INSERT INTO t VALUES (2.5, NULL)"}));
    std::vector<rg_WenBenShuZuLei> rows;
    ASSERT_EQ(2, database.queryArray(3, u"SELECT a, b FROM t ORDER BY a", rows));
    EXPECT_EQ(StringArray({u"1", u"x", u""}), rows[0].items);   // beyond the statement's columns: empty
    EXPECT_EQ(StringArray({u"2.5", u"", u""}), rows[1].items);  // NULL reads as empty text
    ASSERT_EQ(2, database.queryArray(1, u"SELECT a, b FROM t", rows));
    EXPECT_EQ(StringArray({u"1"}), rows[0].items);
    ASSERT_EQ(2, database.queryArray(0, u"SELECT a, b FROM t", rows));
    EXPECT_TRUE(rows[1].items.empty());

    EXPECT_EQ(0, database.queryArray(2, u"SELECT a, b FROM t WHERE a > 10", rows));
    EXPECT_TRUE(rows.empty());
    EXPECT_TRUE(messages.take().empty());
    EXPECT_EQ(0, database.queryArray(2, u"SELECT nothing FROM t", rows));
    expectOneDiagnostic(messages, 1, u"查询返回数组", u"[语句:SELECT nothing FROM t][错误:查询失败]");
}

TEST_F(StatementsTest, queryFieldFillsItsOutputsUpToTheFirstOmittedOne) {
    WideString a = u"-", b = u"-", c = u"-", e = u"-";
    EXPECT_TRUE(database.queryField(u"SELECT 'a', 'b', 'c', 'd', 'e'", a));
    EXPECT_EQ(u"a", a);
    EXPECT_TRUE(database.queryField(u"SELECT 1, 2, 3, 4, 5", a, {&b, &c, nullptr, &e}));
    EXPECT_EQ((StringArray{u"1", u"2", u"3", u"-"}), (StringArray{a, b, c, e}));

    // No row: false, no diagnostic, the given outputs emptied and the rest left alone.
    EXPECT_FALSE(database.queryField(u"SELECT 1, 2 WHERE 0", a, {&b, nullptr, &e}));
    EXPECT_EQ((StringArray{u"", u"", u"3", u"-"}), (StringArray{a, b, c, e}));
    EXPECT_TRUE(messages.take().empty());

    WideString second = u"-";
    EXPECT_FALSE(database.queryField(u"SELECT FROM", a, {&second}));
    EXPECT_EQ(u"", second);
    expectOneDiagnostic(messages, 1, u"查询返回字段", u"[语句:SELECT FROM][错误:查询失败]");
}

TEST_F(StatementsTest, columnTextDecodesUtf8AndCutsAtAZeroByte) {
    WideString null = u"-", chinese, cut, blobText;
    ASSERT_TRUE(database.queryField(u"SELECT NULL, CAST(x'E695B0E68DAE' AS TEXT), CAST(x'41004200' AS TEXT), x'4243'", null,
                                    {&chinese, &cut, &blobText}));
    EXPECT_EQ(u"", null);
    EXPECT_EQ(u"\u6570\u636E", chinese);
    EXPECT_EQ(u"A", cut);
    EXPECT_EQ(u"BC", blobText);
}

}  // namespace
