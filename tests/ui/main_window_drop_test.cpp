// The start-up tip, dropped files and a start without a usable path, driven through the window.
// MainWindowStart runs again at 120 and 144 DPI with MainWindowLayout.
#include <gtest/gtest.h>

#include "main_window_driver.h"
#include "window_driver.h"

namespace {

const WideString kSingleFileOnly = u"数据库修复只支持单个文件";
const WideString kNotADatabase = u"当前文件不是数据库文件请选择 *.db文件";
const WideString kFileNotFound = u"当前选择的文件无法找到请重新拖入";

std::string utf8(const WideString& text) { return toUtf8(text); }

TEST(MainWindowStart, theStartupTipIsShownBeforeTheWindowAppears) {
    OpenMainWindow opened;
    const std::vector<SeenBox> boxes = opened.boxes.seen();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(u"信息:", boxes[0].caption);
    EXPECT_EQ(u"温馨提示:\n修复前请先复制备份数据库,以免造成数据丢失", boxes[0].text);
    EXPECT_EQ(2, boxes[0].textLines) << "the greeting and the advice, each on a line of its own";
    EXPECT_FALSE(boxes[0].mainWindowVisible);
    EXPECT_EQ(nullptr, boxes[0].owner) << "no window is active yet: the box belongs to the desktop";
    EXPECT_EQ(GetCurrentThreadId(), boxes[0].threadId);
    EXPECT_TRUE(IsWindowVisible(opened.handle()));
    EXPECT_EQ(u"", opened.text(kPathBoxId));
    EXPECT_EQ(u"开始修复", opened.text(kStartButtonId));
    EXPECT_EQ(u"请将需要修复的数据库拖到软件上", opened.text(kHintLabelId));
}

struct DropCase {
    StringArray paths;
    WideString box;          // empty: no box
    bool takesThePath;
};

TEST(MainWindowDrop, oneDatabaseFileFillsThePathBoxAndAnythingElseShowsItsBox) {
    const DropCase cases[] = {
        {{u"D:\\data\\shop.db"}, u"", true},
        {{u"D:\\data\\Shop.DB"}, u"", true},
        {{u"D:\\data\\shop.dB"}, u"", true},
        {{u"D:\\data\\shop.db3"}, kNotADatabase, false},
        {{u"D:\\data\\shop.sqlite"}, kNotADatabase, false},
        {{u"D:\\data\\db"}, kNotADatabase, false},
        {{u"D:\\data.db\\shop"}, kNotADatabase, false},   // the dot is in a folder's name
        {{u"D:\\" + WideString(150, u'库') + u"\\" + WideString(150, u'a') + u".db"}, u"", true},   // past MAX_PATH
        {{u"D:\\data\\a.db", u"D:\\data\\b.db"}, kSingleFileOnly, false},
        {{u"D:\\data\\a.txt", u"D:\\data\\b.db", u"D:\\data\\c"}, kSingleFileOnly, false},
    };
    OpenMainWindow opened;
    const WideString earlier = u"C:\\earlier\\chosen.db";
    for (const DropCase& c : cases) {
        const std::string name = utf8(c.paths.front()) + " and " + std::to_string(c.paths.size() - 1) + " more";
        dropFiles(opened.handle(), {earlier});
        ASSERT_EQ(earlier, opened.text(kPathBoxId)) << name;
        opened.boxes.forget();

        dropFiles(opened.handle(), c.paths);
        EXPECT_EQ(c.takesThePath ? c.paths.front() : earlier, opened.text(kPathBoxId)) << name;
        const std::vector<SeenBox> boxes = opened.boxes.seen();
        if (c.box.empty()) {
            EXPECT_TRUE(boxes.empty()) << name;
            continue;
        }
        ASSERT_EQ(1u, boxes.size()) << name;
        EXPECT_EQ(c.box, boxes[0].text) << name;
        EXPECT_EQ(u"信息:", boxes[0].caption) << name;
        EXPECT_EQ(opened.handle(), boxes[0].owner) << name << ": the window's own box";
    }
}

// The path box shows a dropped path's end, where the file's name is, however long the path.
TEST(MainWindowDrop, theDroppedFilesNameShowsInThePathBox) {
    struct NameCase {
        WideString path;
        WideString name;
    };
    const NameCase cases[] = {
        {u"C:\\Users\\张三\\Documents\\门店资料\\二〇二四年\\华东区\\上海市\\浦东新区\\第三门店\\收银系统"
         u"\\数据库备份\\每日导出\\十二月\\店铺销售数据.db",
         u"店铺销售数据.db"},
        {u"D:\\data\\shop.db", u"D:\\data\\shop.db"},
    };
    OpenMainWindow opened;
    const HWND pathBox = opened.control(kPathBoxId);
    RECT client;
    GetClientRect(pathBox, &client);
    for (const NameCase& c : cases) {
        dropFiles(opened.handle(), {c.path});
        ASSERT_EQ(c.path, opened.text(kPathBoxId)) << utf8(c.path);
        // For a single line EM_POSFROMCHAR gives a character's left edge in the client area.
        const auto leftEdge = [&](size_t index) {
            return static_cast<short>(LOWORD(SendMessageW(pathBox, EM_POSFROMCHAR, index, 0)));
        };
        const size_t nameStart = c.path.size() - c.name.size();
        EXPECT_GE(leftEdge(nameStart), 0) << utf8(c.path);
        EXPECT_LT(leftEdge(c.path.size() - 1), client.right) << utf8(c.path);
    }
}

TEST(MainWindowDrop, startWithoutAnExistingFileShowsItsBoxAndEmptiesThePathBox) {
    OpenMainWindow opened;
    opened.boxes.forget();
    clickMiddle(opened.control(kStartButtonId));
    EXPECT_EQ(std::vector<WideString>{kFileNotFound}, opened.boxes.seenTexts());
    EXPECT_EQ(u"", opened.text(kPathBoxId));
    EXPECT_EQ(u"开始修复", opened.text(kStartButtonId));

    opened.boxes.forget();
    dropFiles(opened.handle(), {u"C:\\no such folder\\gone.db"});
    clickMiddle(opened.control(kStartButtonId));
    EXPECT_EQ(std::vector<WideString>{kFileNotFound}, opened.boxes.seenTexts());
    EXPECT_EQ(u"", opened.text(kPathBoxId));
    EXPECT_EQ(u"开始修复", opened.text(kStartButtonId));
}

}  // namespace
