// What the rebuilt file keeps of the source besides its rows: the way it reclaims free pages and the
// query planner's statistics, as SQLite's VACUUM keeps them.
#include <gtest/gtest.h>

#include "fixtures/damaged_database.h"
#include "repair/result_texts.h"
#include "repair_run.h"
#include "support/temp_folder.h"

namespace {

TEST(KeptProperties, autoVacuumIsKept) {
    struct Case {
        const char16_t* mode;
        const char* value;
    };
    const Case cases[] = {{u"FULL", "integer:1"}, {u"INCREMENTAL", "integer:2"}, {u"NONE", "integer:0"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(toUtf8(c.mode));
        TempFolder folder;
        const WideString path = folder / u"notes.db";
        writeFile(path, "");
        {
            // Set before the first table, the only time SQLite lets it be switched on.
            PlainConnection connection(path);
            ASSERT_TRUE(connection.exec(u"PRAGMA auto_vacuum = " + WideString(c.mode) + u"; CREATE TABLE notes (id INTEGER PRIMARY KEY, body TEXT); " +
                                        numbersUpTo(500) + u"INSERT INTO notes (body) SELECT 'note ' || i FROM n"));
        }
        ASSERT_EQ(c.value, exactValue(path, u"PRAGMA auto_vacuum"));

        EXPECT_EQ(WideString(kResultRepaired), repair(path));
        EXPECT_EQ(c.value, exactValue(path, u"PRAGMA auto_vacuum"));
        EXPECT_EQ("integer:500", exactValue(path, u"SELECT COUNT(*) FROM notes"));
        EXPECT_TRUE(passesIntegrityCheck(path));
    }
}

TEST(KeptProperties, thePlannersStatisticsAreKept) {
    TempFolder folder;
    const WideString path = folder / u"shop.db";
    ASSERT_TRUE(writeShopDatabase(path, 1500));
    {
        // sqlite_stat4 as a SQLite built to keep samples writes it; the bundled one does not, so
        // the test writes it by hand, its sample a blob.
        PlainConnection connection(path);
        ASSERT_TRUE(connection.exec(u"ANALYZE; PRAGMA writable_schema = ON; CREATE TABLE sqlite_stat4(tbl,idx,neq,nlt,ndlt,sample); "
                                    u"PRAGMA writable_schema = OFF; INSERT INTO sqlite_stat4 VALUES "
                                    u"('orders', 'orders_by_customer', '500 1 1', '0 0 0', '0 0 0', X'0401010f6974656d'), "
                                    u"('orders', 'orders_by_customer', '500 1 1', '500 600 600', '1 600 600', X'0401020f')"));
    }
    const WideString stat1 = u"SELECT * FROM sqlite_stat1 ORDER BY tbl, idx", stat4 = u"SELECT * FROM sqlite_stat4 ORDER BY nlt";
    const std::vector<std::string> planned = exactRows(path, stat1), sampled = exactRows(path, stat4);
    ASSERT_FALSE(planned.empty());
    ASSERT_EQ(2u, sampled.size());

    ProgressLog log;
    EXPECT_EQ(WideString(kResultRepaired), repair(path)) << describe(log.events);
    EXPECT_EQ(planned, exactRows(path, stat1));
    EXPECT_EQ(sampled, exactRows(path, stat4));
    EXPECT_TRUE(passesIntegrityCheck(path));
}

}  // namespace
