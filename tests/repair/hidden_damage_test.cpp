// Damage that reading rows through SQL does not show: a table that reads back fewer rows without an
// error, a value whose overflow chain is broken. SQLite's structural check of the source sees it,
// and the repair fails rather than promise rows it cannot vouch for.
#include <gtest/gtest.h>

#include "fixtures/damaged_database.h"
#include "repair/result_texts.h"
#include "repair_run.h"
#include "support/temp_folder.h"

namespace {

StringArray notesTable(const WideString& name) {
    return {u"CREATE TABLE " + name + u" (id INTEGER PRIMARY KEY, body TEXT, attachment BLOB)",
            numbersUpTo(2500) + u"INSERT INTO " + name + u" (body) SELECT printf('note %05d %.100c', i, 'x') FROM n",
            u"UPDATE " + name + u" SET attachment = randomblob(20000) WHERE id = 7"};
}

TEST(HiddenDamage, aTableWhoseBTreeIsDamagedFailsTheRunUnlessItIsExempt) {
    struct Case {
        const char* what;
        const char16_t* table;
        bool (*damage)(const WideString& path, const WideString& table);
        const char16_t* result;
        const char16_t* line;   // the kind-1 event that names the damage
    };
    const Case cases[] = {
        {"root swapped with a leaf", u"notes", swapRootWithLeaf, kResultDataAnomaly, u"修复失败,数据库有无法确定所属表的数据损坏"},
        {"overflow chain broken", u"notes", breakOverflowChain, kResultDataAnomaly, u"修复失败,表的存储结构损坏,行数据不可信:notes"},
        {"overflow chain broken in an exempt table", u"report", breakOverflowChain, kResultRepaired, u"免检表report存储结构损坏,可能缺少行"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const WideString path = folder / u"notes.db";
        ASSERT_TRUE(writeDatabase(path, notesTable(c.table)));
        ASSERT_TRUE(c.damage(path, c.table));
        const std::string sourceBytes = fileBytes(path);

        ProgressLog log;
        EXPECT_EQ(WideString(c.result), repair(path));
        bool named = false;
        for (const ProgressEvent& event : log.events) named = named || (event.kind == 1 && event.text == c.line);
        EXPECT_TRUE(named) << describe(log.events);
        if (c.result == std::u16string_view(kResultDataAnomaly)) {
            EXPECT_EQ((std::vector<std::string>{"notes.db"}), filesWithoutStamps(folder.path()));
            EXPECT_EQ(sourceBytes, fileBytes(path));
        }
    }
}

// A page whose read fails part way keeps the rows before the damage: an exempt table loses no more
// than the damage itself took.
TEST(HiddenDamage, aPageWhoseReadFailsPartWayKeepsTheRowsBeforeTheDamage) {
    TempFolder folder;
    const WideString path = folder / u"notes.db";
    ASSERT_TRUE(writeDatabase(path, {u"CREATE TABLE report (id INTEGER PRIMARY KEY, body TEXT)",
                                     numbersUpTo(3000) + u"INSERT INTO report (body) SELECT printf('note %05d %.100c', i, 'x') FROM n"}));
    // The last leaf: the third page's rows before it can be read, the ones on it cannot.
    ASSERT_TRUE(garbleLeafPage(path, u"report"));
    const WideString everyRow = u"SELECT * FROM report NOT INDEXED ORDER BY id";
    const std::vector<std::string> readable = exactRows(path, everyRow);   // up to the damage
    ASSERT_GT(readable.size(), 2000u);
    ASSERT_LT(readable.size(), 3000u);

    ProgressLog log;
    EXPECT_EQ(WideString(kResultRepaired), repair(path));
    EXPECT_EQ(readable, exactRows(path, everyRow));
    const WideString loss = u"免检表report: 原数据库数量:3000新表数量:" + decimalText(static_cast<std::int64_t>(readable.size()));
    bool said = false;
    for (const ProgressEvent& event : log.events) said = said || (event.kind == 1 && event.text == loss);
    EXPECT_TRUE(said) << describe(log.events);
}

}  // namespace
