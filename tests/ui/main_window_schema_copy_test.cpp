// A salvage from the window that could not read the source's schema: the offer to salvage again
// with another copy's schema, the copy the user chose, and the salvaged database the window then
// offers to use.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

#include "fixtures/damaged_database.h"
#include "main_window_driver.h"
#include "support/temp_folder.h"
#include "window_driver.h"

namespace {

// The window with the open-file dialog replaced by the test's choice.
class WindowChoosingCopy final : public rg_win_Zhu {
public:
    explicit WindowChoosingCopy(WideString chosen) : chosen(std::move(chosen)) {}
    std::atomic<int> timesAsked = 0;

protected:
    WideString chooseSchemaCopy(const WideString&) override {
        ++timesAsked;
        return chosen;
    }

private:
    const WideString chosen;
};

// The shop database with its schema page garbled, and an older copy of it with the same tables
// and other rows: a salvage with the copy's schema puts the source's rows in their tables.
TEST(MainWindowSalvage, aSalvageWithoutTheSchemaOffersAnotherCopysSchemaAndUsesTheLatestSalvage) {
    struct Case {
        const char* what;
        int retry;       // the answer to the schema question
        bool chooses;    // whether the dialog gives the copy (or is cancelled)
        int use;
        std::size_t boxes;
    };
    const Case cases[] = {
        {"declined", IDNO, true, IDNO, 5},
        {"dialog cancelled", IDYES, false, IDNO, 5},
        {"salvaged again, kept aside", IDYES, true, IDNO, 6},
        {"salvaged again and used", IDYES, true, IDYES, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const WideString path = folder / u"shop.db";
        const WideString copyName = u"原数据库备份-20261101090000.db";
        ASSERT_TRUE(writeShopDatabase(path, 2000));
        ASSERT_TRUE(writeShopDatabase(folder / copyName, 10));
        ASSERT_TRUE(garbleFirstPage(path));
        auto made = std::make_unique<WindowChoosingCopy>(c.chooses ? folder / copyName : WideString());
        WindowChoosingCopy& window = *made;
        OpenMainWindow opened(std::move(made));
        dropFiles(opened.handle(), {path});
        opened.boxes.forget();
        opened.boxes.answerWith(kSalvageQuestion, IDYES);
        opened.boxes.answerWith(kSchemaCopyQuestion, c.retry);
        opened.boxes.answerWith(kUseSalvagedQuestion, c.use);

        clickMiddle(opened.control(kStartButtonId));
        ASSERT_TRUE(opened.boxes.waitForBoxes(c.boxes, 120000)) << joined(opened.boxes.seenTexts());
        ASSERT_TRUE(pumpUntil([&] { return opened.text(kStartButtonId) == u"开始修复"; }, 10000));
        const std::vector<WideString> texts = opened.boxes.seenTexts();
        ASSERT_EQ(c.boxes, texts.size()) << joined(texts);
        EXPECT_TRUE(texts[0].starts_with(u"修复失败:数据库读取错误")) << toUtf8(texts[0]);
        EXPECT_EQ(WideString(kSalvageQuestion), texts[1]);
        EXPECT_NE(WideString::npos, texts[2].find(u"原数据库的表结构无法读取")) << toUtf8(texts[2]);
        EXPECT_EQ(WideString(kSchemaCopyQuestion), texts[3]);
        EXPECT_EQ(c.retry == IDYES ? 1 : 0, window.timesAsked.load());
        // Which salvaged file each salvage box names.
        const StringArray names = folder.fileNames();
        WideString first, second, backup;
        for (const WideString& name : names) {
            if (name.starts_with(u"抢救数据库-") && texts[2].find(name) != WideString::npos) first = name;
            if (name.starts_with(u"抢救数据库-") && texts[4].find(name) != WideString::npos) second = name;
            if (name.starts_with(u"原数据库备份-") && name != copyName) backup = name;
        }
        EXPECT_FALSE(first.empty()) << "the first salvaged file stays:\n" << joined(names);
        if (c.boxes == 5) {
            EXPECT_EQ(WideString(kUseSalvagedQuestion), texts[4]) << "no second salvage";
            EXPECT_EQ(1, std::count_if(names.begin(), names.end(), [](const WideString& name) { return name.starts_with(u"抢救数据库-"); }))
                << joined(names);
            continue;
        }
        EXPECT_TRUE(texts[4].starts_with(u"抢救完成:")) << toUtf8(texts[4]);
        EXPECT_NE(WideString::npos, texts[4].find(u"表结构取自另一个副本:" + folder / copyName)) << toUtf8(texts[4]);
        EXPECT_EQ(WideString(kUseSalvagedQuestion), texts[5]);
        // The source's rows in their tables, not the copy's: the latest salvage, or the source's path once it took its place.
        WideString salvaged = folder / second;
        if (c.use == IDYES) {
            EXPECT_TRUE(second.empty()) << "the second salvaged file took the original's name";
            EXPECT_EQ(u"已用抢救数据库代替原数据库。原数据库保存为:" + folder.path() + backup, texts[6]);
            salvaged = path;
        } else {
            EXPECT_FALSE(second.empty());
            EXPECT_NE(first, second);
            EXPECT_TRUE(backup.empty());
        }
        EXPECT_EQ(StringArray{u"3"}, readColumn(salvaged, u"SELECT COUNT(*) FROM customers"));
        EXPECT_EQ(StringArray{u"2000"}, readColumn(salvaged, u"SELECT COUNT(*) FROM orders"));
    }
}

}  // namespace
