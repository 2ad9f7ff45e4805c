// Values arrive in the rebuilt database exactly as the source stored them: storage class, bits and bytes.
#include <gtest/gtest.h>

#include <string_view>

#include "fixtures/damaged_database.h"
#include "repair/result_texts.h"
#include "repair_run.h"
#include "support/temp_folder.h"

namespace {

using namespace std::string_view_literals;

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

}  // namespace
