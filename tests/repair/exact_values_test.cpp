// Values arrive in the rebuilt database exactly as the source stored them: storage class, bits and bytes.
#include <gtest/gtest.h>

#include <string_view>

#include "fixtures/damaged_database.h"
#include "repair/result_texts.h"
#include "repair_run.h"
#include "support/temp_folder.h"

namespace {

using namespace std::string_view_literals;

// text as an SQL string literal, for the schema texts the tests plant.
WideString sqlLiteral(const WideString& text) {
    WideString literal = u"'";
    for (const char16_t c : text) literal += c == u'\'' ? WideString(u"''") : WideString(1, c);
    return literal + u"'";
}

struct ValueCase {
    const char* column;    // anything: no type; measure: REAL; amount: INTEGER
    const char* literal;
    std::string_view stored;   // as exactRows writes it
};

const ValueCase kValueCases[] = {
    {"anything", "NULL", "null"},
    {"anything", "''", "text:"},
    {"anything", "'NULL'", "text:NULL"},
    {"anything", "X''", "blob:"},
    {"anything", "X'00FF000A'", "blob:00ff000a"},
    {"anything", "9223372036854775807", "integer:9223372036854775807"},
    {"anything", "-9223372036854775808", "integer:-9223372036854775808"},
    {"anything", "0.1", "real:3fb999999999999a"},
    {"anything", "-0.0", "real:8000000000000000"},
    {"anything", "1.0", "real:3ff0000000000000"},
    {"anything", "1.7976931348623157e308", "real:7fefffffffffffff"},
    {"anything", "4.9406564584124654e-324", "real:0000000000000001"},
    {"anything", "9e999", "real:7ff0000000000000"},
    {"anything", "'42'", "text:42"},
    {"anything", "' 42 '", "text: 42 "},
    {"anything", "'Zoë 张伟 🙂 O''Brien \"x\"'", "text:Zoë 张伟 🙂 O'Brien \"x\""},
    {"anything", "CAST(X'61006200' AS TEXT)", "text:a\0b\0"sv},
    {"measure", "3.0", "real:4008000000000000"},
    {"measure", "'2.5'", "real:4004000000000000"},
    {"amount", "'42'", "integer:42"},
};

TEST(ExactValues, everyValueKeepsItsStorageClassAndItsBits) {
    TempFolder folder;
    const WideString path = folder / u"values.db";
    StringArray statements = {u"CREATE TABLE v (id INTEGER PRIMARY KEY, anything, measure REAL, amount INTEGER)",
                              u"INSERT INTO v (id, anything) VALUES (1000, randomblob(100000))"};
    for (std::size_t i = 0; i < std::size(kValueCases); ++i)
        statements.push_back(u"INSERT INTO v (id, " + asciiText(kValueCases[i].column) + u") VALUES (" + decimalText(static_cast<std::int64_t>(i)) +
                             u", " + fromUtf8(kValueCases[i].literal) + u")");
    ASSERT_TRUE(writeDatabase(path, statements));
    const auto expectStoredValues = [](const WideString& database) {
        for (std::size_t i = 0; i < std::size(kValueCases); ++i) {
            const ValueCase& c = kValueCases[i];
            const WideString query = u"SELECT " + asciiText(c.column) + u" FROM v WHERE id = " + decimalText(static_cast<std::int64_t>(i));
            EXPECT_EQ(c.stored, exactValue(database, query)) << c.literal;
        }
    };
    {
        SCOPED_TRACE("source");
        expectStoredValues(path);
    }
    const std::vector<std::string> sourceRows = exactRows(path, u"SELECT * FROM v ORDER BY id");

    ASSERT_EQ(WideString(kResultRepaired), repair(path));
    expectStoredValues(path);
    EXPECT_EQ(sourceRows, exactRows(path, u"SELECT * FROM v ORDER BY id"));
}

// Keys that cannot be written as SQL literals (a NUL inside a text, bytes that are not UTF-8) lie
// on the page boundaries: every row still arrives, in an exempt table as in a checked one.
TEST(ExactValues, keysOfAnyBytesAddressTheirPages) {
    for (const char16_t* table : {u"labels", u"report"}) {
        SCOPED_TRACE(toUtf8(table));
        TempFolder folder;
        const WideString path = folder / u"keys.db";
        const WideString name = table;
        ASSERT_TRUE(writeDatabase(path, {
            u"CREATE TABLE " + name + u" (key TEXT PRIMARY KEY, v) WITHOUT ROWID",
            // Rows 1001 and 2001 in key order are the first rows of pages 2 and 3.
            numbersUpTo(2500) + u"INSERT INTO " + name + u" SELECT printf('k%05d', i) || CASE i WHEN 1001 THEN CAST(X'006E756C' AS TEXT) "
                                u"WHEN 2001 THEN CAST(X'FF' AS TEXT) ELSE '' END, i FROM n",
        }));
        const WideString everyRow = u"SELECT key, v FROM " + name + u" ORDER BY key";
        const std::vector<std::string> sourceRows = exactRows(path, everyRow);
        ASSERT_EQ(2500u, sourceRows.size());

        ProgressLog log;
        EXPECT_EQ(WideString(kResultRepaired), repair(path)) << describe(log.events);
        EXPECT_EQ(sourceRows, exactRows(path, everyRow));
    }
}

// A table whose schema was changed under its rows holds values its declared type would convert
// (or replace) when they are written again, or a stored generated column whose values the new
// definition would compute otherwise: the rebuilt table's rows then differ from the rows read.
// A checked table fails and the source stays as it was; an exempt table is repaired and the
// difference is said.
TEST(ExactValues, aValueTheRebuiltTableWouldChangeFailsACheckedTableAndIsReportedInAnExemptOne) {
    struct Case {
        const char* what;
        const char16_t* value;          // stored in v of row 1200 under the first definition
        const char16_t* definition;     // the table's, as the rows were written: what follows "CREATE TABLE name ("
        const char16_t* laterDefinition;   // the table's, as its schema says afterwards
        const char16_t* table;
        bool isKept;
    };
    const Case cases[] = {
        {"zero-padded text in an INTEGER column", u"'01234'", u"id INTEGER PRIMARY KEY, v)", u"id INTEGER PRIMARY KEY, v INTEGER)", u"codes",
         false},
        {"the same in an exempt table", u"'01234'", u"id INTEGER PRIMARY KEY, v)", u"id INTEGER PRIMARY KEY, v INTEGER)", u"report", false},
        {"an integer in a TEXT column", u"5", u"id INTEGER PRIMARY KEY, v)", u"id INTEGER PRIMARY KEY, v TEXT)", u"codes", false},
        {"a whole real in a NUMERIC column", u"3.0", u"id INTEGER PRIMARY KEY, v)", u"id INTEGER PRIMARY KEY, v NUMERIC)", u"codes", false},
        {"zero-padded text in a STRICT INTEGER column", u"'0123'", u"id INTEGER PRIMARY KEY, v)", u"id INTEGER PRIMARY KEY, v INTEGER) STRICT",
         u"codes", false},
        {"an integer in a STRICT TEXT column", u"5", u"id INTEGER PRIMARY KEY, v)", u"id INTEGER PRIMARY KEY, v TEXT) STRICT", u"codes", false},
        {"NULL in a NOT NULL column that replaces it by its default", u"NULL", u"id INTEGER PRIMARY KEY, v)",
         u"id INTEGER PRIMARY KEY, v TEXT NOT NULL ON CONFLICT REPLACE DEFAULT 'x')", u"codes", false},
        {"text that is no number, in an INTEGER column", u"'138-0000'", u"id INTEGER PRIMARY KEY, v)", u"id INTEGER PRIMARY KEY, v INTEGER)",
         u"codes", true},
        {"a blob in a REAL column", u"X'3132'", u"id INTEGER PRIMARY KEY, v)", u"id INTEGER PRIMARY KEY, v REAL)", u"codes", true},
        {"a stored generated column whose expression changed", u"'abc'", u"id INTEGER PRIMARY KEY, v, g AS (lower(v)) STORED)",
         u"id INTEGER PRIMARY KEY, v, g AS (upper(v)) STORED)", u"codes", false},
        {"a changed stored generated column in an exempt table", u"'abc'", u"id INTEGER PRIMARY KEY, v, g AS (lower(v)) STORED)",
         u"id INTEGER PRIMARY KEY, v, g AS (upper(v)) STORED)", u"report", false},
        {"a changed stored generated column in a WITHOUT ROWID table", u"'abc'", u"id INTEGER PRIMARY KEY, v, g AS (lower(v)) STORED) WITHOUT ROWID",
         u"id INTEGER PRIMARY KEY, v, g AS (upper(v)) STORED) WITHOUT ROWID", u"codes", false},
        {"a changed stored generated column where columns hide the rowid", u"'abc'", u"id, rowid, oid, _rowid_, v, g AS (lower(v)) STORED)",
         u"id, rowid, oid, _rowid_, v, g AS (upper(v)) STORED)", u"codes", false},
        {"stored and virtual generated columns as the definition computes them", u"'abc'",
         u"id INTEGER PRIMARY KEY, v, g AS (upper(v)) STORED, h AS (v || 'x') VIRTUAL) WITHOUT ROWID",
         u"id INTEGER PRIMARY KEY, v, g AS (upper(v)) STORED, h AS (v || 'x') VIRTUAL) WITHOUT ROWID", u"codes", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const WideString path = folder / u"typed.db";
        const WideString table = c.table;
        ASSERT_TRUE(writeDatabase(path, {
            u"CREATE TABLE " + table + u" (" + c.definition,
            numbersUpTo(1500) + u"INSERT INTO " + table + u" (id, v) SELECT i, CASE WHEN i = 1200 THEN " + c.value + u" ELSE i END FROM n",
            u"PRAGMA writable_schema = ON",
            u"UPDATE sqlite_master SET sql = " + sqlLiteral(u"CREATE TABLE " + table + u" (" + c.laterDefinition) + u" WHERE name = '" + table + u"'",
            u"PRAGMA writable_schema = OFF",
        }));
        const WideString everyRow = u"SELECT * FROM " + table + u" ORDER BY id";
        const std::vector<std::string> sourceRows = exactRows(path, everyRow);
        const std::string sourceBytes = fileBytes(path);

        ProgressLog log;
        const WideString result = repair(path);
        if (c.isKept) {
            EXPECT_EQ(WideString(kResultRepaired), result) << describe(log.events);
            EXPECT_EQ(sourceRows, exactRows(path, everyRow));
            continue;
        }
        const std::vector<ProgressEvent> events = log.about(table);
        ASSERT_FALSE(events.empty());
        if (table == u"report") {
            EXPECT_EQ(WideString(kResultRepaired), result);
            EXPECT_EQ(u"免检表report: 新表中的行与原数据库读出的行不一致", events.back().text) << describe(log.events);
            continue;
        }
        EXPECT_EQ(WideString(kResultDataAnomaly), result);
        EXPECT_EQ(u"修复失败,新表中的行与原数据库读出的行不一致:" + table, events.back().text) << describe(log.events);
        EXPECT_EQ(sourceBytes, fileBytes(path));
        EXPECT_EQ((std::vector<std::string>{"typed.db"}), filesWithoutStamps(folder.path()));
    }
}

// A unique key that replaces on conflict, over an index that missed a duplicate: the rebuilt table
// would drop one of the two rows while every INSERT reports success.
TEST(ExactValues, aDuplicateThatAReplacingKeyWouldDropFailsTheTable) {
    for (const char16_t* key : {u"code TEXT UNIQUE ON CONFLICT REPLACE", u"code TEXT PRIMARY KEY ON CONFLICT REPLACE"}) {
        SCOPED_TRACE(toUtf8(key));
        TempFolder folder;
        const WideString path = folder / u"codes.db";
        // The duplicate is stored while the index is an ordinary one; then the schema makes it the key's.
        ASSERT_TRUE(writeDatabase(path, {
            u"CREATE TABLE codes (id INTEGER, code TEXT)",
            u"CREATE INDEX codes_code ON codes (code)",
            numbersUpTo(1500) + u"INSERT INTO codes (id, code) SELECT i, CASE WHEN i = 1200 THEN 'c7' ELSE 'c' || i END FROM n",
            u"PRAGMA writable_schema = ON",
            u"UPDATE sqlite_master SET name = 'sqlite_autoindex_codes_1', sql = NULL WHERE name = 'codes_code'",
            u"UPDATE sqlite_master SET sql = 'CREATE TABLE codes (id INTEGER, " + WideString(key) + u")' WHERE name = 'codes'",
            u"PRAGMA writable_schema = OFF",
        }));
        ASSERT_EQ("integer:1500", exactValue(path, u"SELECT COUNT(*) FROM codes NOT INDEXED"));
        const std::string sourceBytes = fileBytes(path);

        ProgressLog log;
        EXPECT_EQ(WideString(kResultDataAnomaly), repair(path)) << describe(log.events);
        EXPECT_EQ(sourceBytes, fileBytes(path));
        EXPECT_EQ((std::vector<std::string>{"codes.db"}), filesWithoutStamps(folder.path()));
    }
}

// Rows far larger than a page of rows should take in memory arrive whole.
TEST(ExactValues, rowsOfManyMegabytesArriveWhole) {
    TempFolder folder;
    const WideString path = folder / u"attachments.db";
    ASSERT_TRUE(writeDatabase(path, {u"CREATE TABLE attachments (id INTEGER PRIMARY KEY, body BLOB)",
                                     numbersUpTo(3) + u"INSERT INTO attachments SELECT i, randomblob(6000000) FROM n"}));
    const WideString digests = u"SELECT id, length(body), hex(substr(body, 1, 16)), hex(substr(body, -16)) FROM attachments ORDER BY id";
    const std::vector<std::string> sourceRows = exactRows(path, digests);
    const std::string sourceBodies = exactValue(path, u"SELECT group_concat(hex(body), '') FROM attachments");

    ASSERT_EQ(WideString(kResultRepaired), repair(path));
    EXPECT_EQ(sourceRows, exactRows(path, digests));
    EXPECT_EQ(sourceBodies, exactValue(path, u"SELECT group_concat(hex(body), '') FROM attachments"));
}

}  // namespace
