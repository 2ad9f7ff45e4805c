// What the window says after a run: the result with its cause, the salvage offered only where rows
// could not be read, and the salvage's box with the report's own verdict, followed by the offer of
// another copy's schema when the salvage could not read the source's, then of the salvaged database's use.
#include <gtest/gtest.h>

#include "fixtures/damaged_database.h"
#include "main_window_driver.h"
#include "support/temp_folder.h"
#include "window_driver.h"

namespace {

bool writeShopWithGarbledOrders(const WideString& path) { return writeShopDatabase(path, 3000) && garbleLeafPage(path, u"orders"); }
bool writeShopWithGarbledSchema(const WideString& path) { return writeShopDatabase(path, 3000) && garbleFirstPage(path); }
bool writeShopWithARetypedColumn(const WideString& path) { return writeShopDatabase(path, 3000) && addRetypedColumn(path); }

TEST(MainWindowOutcome, theResultCarriesItsCauseAndTheSalvageIsOfferedOnlyWhereRowsCouldNotBeRead) {
    struct Case {
        const char* what;
        bool (*write)(const WideString& path);
        std::u16string result;           // the result box's text, by its beginning
        std::u16string salvageVerdict;   // the salvage box's first lines, by their beginning; empty: no salvage offered
        bool asksForSchemaCopy;          // the salvage could not read the schema: another copy's is offered
    };
    const Case cases[] = {
        {"a garbled table page", writeShopWithGarbledOrders, u"修复失败:数据异常\n修复失败,表orders中有行无法读取,原数据库数量:3000,新表数量:",
         u"抢救完成:部分数据丢失或无法确认。\n原有 3003 行,抢救 ", false},
        {"a garbled schema page", writeShopWithGarbledSchema, u"修复失败:数据库读取错误\n修复失败,无法读取数据库结构(",
         u"抢救完成:部分数据丢失或无法确认。\n原有行数未知,抢救 0 行。\n原数据库的表结构无法读取,无法统计原有的行数,丢失的行数可能更多。\n有 ",
         true},
        {"a value the rebuilt table would change", writeShopWithARetypedColumn,
         u"修复失败:数据异常\n修复失败,新表中的行与原数据库读出的行不一致:codes", u"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const WideString path = folder / u"shop.db";
        ASSERT_TRUE(c.write(path));
        OpenMainWindow opened;
        dropFiles(opened.handle(), {path});
        opened.boxes.forget();
        opened.boxes.answerWith(kSalvageQuestion, IDYES);

        clickMiddle(opened.control(kStartButtonId));
        const std::size_t boxes = c.salvageVerdict.empty() ? 1 : c.asksForSchemaCopy ? 5 : 4;
        ASSERT_TRUE(opened.boxes.waitForBoxes(boxes, 60000));
        ASSERT_TRUE(pumpUntil([&] { return opened.text(kStartButtonId) == u"开始修复"; }, 10000));
        const std::vector<WideString> texts = opened.boxes.seenTexts();
        ASSERT_EQ(boxes, texts.size()) << toUtf8(texts.back());
        EXPECT_TRUE(texts[0].starts_with(c.result)) << toUtf8(texts[0]);
        if (c.salvageVerdict.empty()) continue;
        EXPECT_EQ(WideString(kSalvageQuestion), texts[1]);
        EXPECT_TRUE(texts[2].starts_with(c.salvageVerdict)) << toUtf8(texts[2]);
        EXPECT_NE(WideString::npos, texts[2].find(u"抢救数据库-")) << "the box names the salvaged file";
        EXPECT_NE(WideString::npos, texts[2].find(u"\n详细报告:")) << "and the report";
        if (c.asksForSchemaCopy) {
            EXPECT_EQ(WideString(kSchemaCopyQuestion), texts[3]);
        }
        EXPECT_EQ(WideString(kUseSalvagedQuestion), texts.back());
    }
}

}  // namespace
