// A repair started from the window on a damaged database: the progress lines in the hint label,
// the result box from the repair thread, the reset to idle, and what the window refuses meanwhile.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "fixtures/damaged_database.h"
#include "main_window_driver.h"
#include "support/child_process.h"
#include "support/temp_folder.h"
#include "window_driver.h"

namespace {

const WideString kRepaired = u"修复成功";
const WideString kCloseRefused = u"当前数据库正在修复中请执行完毕后再关闭";
const WideString kRepairInProgress = u"当前正在修复请稍等";
const WideString kDropHint = u"请将需要修复的数据库拖到软件上";

// A window with the sample shop database (customers, 5000 orders, one leaf page of its orders
// index garbled) dropped on it, and the boxes seen so far forgotten.
class MainWindowRepair : public testing::Test {
protected:
    explicit MainWindowRepair(std::unique_ptr<rg_win_Zhu> made = std::make_unique<rg_win_Zhu>())
        : opened(std::move(made)) {}

    void SetUp() override {
        ASSERT_TRUE(writeShopDatabase(path, 5000));
        ASSERT_TRUE(garbleLeafPage(path, u"orders_by_customer"));
        dropFiles(opened.handle(), {path});
        ASSERT_EQ(path, opened.text(kPathBoxId));
        opened.boxes.forget();
    }

    TempFolder folder;
    const WideString path = folder / u"shop.db";
    OpenMainWindow opened;
};

// The reset after a run writes the button, the hint and then the path box.
bool isIdle(const OpenMainWindow& opened) {
    return opened.text(kStartButtonId) == u"开始修复" && opened.text(kHintLabelId) == kDropHint &&
           opened.text(kPathBoxId).empty();
}

std::string fileBytes(const WideString& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// A database whose orders table has a garbled page cannot be repaired: the window offers to salvage
// it. Yes saves what can be read into a new file, names it and offers to use it in the original's
// place; a second Yes swaps it in with the original kept as the backup. No leaves the folder as it was.
TEST(MainWindowSalvage, aFailedRepairOffersTheSalvageAndItsUseAndDoesWhatTheUserChose) {
    struct Case {
        const char* what;
        int salvage;
        int use;
        std::size_t boxes;
    };
    const Case cases[] = {{"no salvage", IDNO, IDNO, 2}, {"salvaged, kept aside", IDYES, IDNO, 4}, {"salvaged and used", IDYES, IDYES, 5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const WideString path = folder / u"shop.db";
        ASSERT_TRUE(writeShopDatabase(path, 5000));
        ASSERT_TRUE(garbleLeafPage(path, u"orders"));
        const std::string original = fileBytes(path);
        OpenMainWindow opened;
        dropFiles(opened.handle(), {path});
        opened.boxes.forget();
        opened.boxes.answerWith(kSalvageQuestion, c.salvage);
        opened.boxes.answerWith(kUseSalvagedQuestion, c.use);
        std::vector<WideString> lines;
        std::vector<WideString> buttonDuringSalvage;   // the start button's text at each salvage line
        TextWatch watch(opened.control(kHintLabelId), [&](const WideString& text) {
            lines.push_back(text);
            if (text.starts_with(u"抢救进度")) buttonDuringSalvage.push_back(opened.text(kStartButtonId));
        });

        clickMiddle(opened.control(kStartButtonId));
        ASSERT_TRUE(opened.boxes.waitForBoxes(c.boxes, 60000)) << joined(opened.boxes.seenTexts());
        ASSERT_TRUE(pumpUntil([&] { return isIdle(opened); }, 10000));
        const std::vector<WideString> texts = opened.boxes.seenTexts();
        ASSERT_EQ(c.boxes, texts.size()) << joined(texts);
        EXPECT_TRUE(texts[0].starts_with(u"修复失败:数据异常\n修复失败,表orders中有行无法读取")) << toUtf8(texts[0]);
        EXPECT_EQ(WideString(kSalvageQuestion), texts[1]);
        WideString salvaged, backup;
        for (const WideString& name : folder.fileNames()) {
            if (name.starts_with(u"抢救数据库-")) salvaged = name;
            if (name.starts_with(u"原数据库备份-")) backup = name;
        }
        if (c.salvage == IDNO) {
            EXPECT_TRUE(salvaged.empty());
            EXPECT_EQ(original, fileBytes(path));
            continue;
        }
        ASSERT_FALSE(buttonDuringSalvage.empty()) << joined(lines);
        for (const WideString& button : buttonDuringSalvage) EXPECT_EQ(u"抢救中", button) << "the button says which job runs";
        EXPECT_TRUE(texts[2].starts_with(u"抢救完成:")) << toUtf8(texts[2]);
        EXPECT_NE(WideString::npos, texts[2].find(u"抢救数据库-")) << "the box names the salvaged file";
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const WideString& line) { return line.find(u"抢救中") != WideString::npos; }))
            << joined(lines);
        EXPECT_EQ(WideString(kUseSalvagedQuestion), texts[3]);
        if (c.use == IDNO) {
            EXPECT_FALSE(salvaged.empty());
            EXPECT_TRUE(backup.empty());
            EXPECT_EQ(original, fileBytes(path));
            continue;
        }
        EXPECT_TRUE(salvaged.empty()) << "the salvaged file took the original's name";
        ASSERT_FALSE(backup.empty());
        EXPECT_EQ(u"已用抢救数据库代替原数据库。原数据库保存为:" + folder.path() + backup, texts[4]);
        EXPECT_EQ(original, fileBytes(folder / backup));
        EXPECT_EQ(StringArray{u"4892"}, readColumn(path, u"SELECT COUNT(*) FROM orders")) << "the 108 orders of the garbled page are lost";
    }
}

TEST_F(MainWindowRepair, aDamagedDatabaseIsRepairedWithItsProgressInTheHintLabel) {
    std::vector<WideString> lines;
    TextWatch watch(opened.control(kHintLabelId), [&](const WideString& text) { lines.push_back(text); });
    // Off the screen's centre, where the box would be if it were not the window's.
    SetWindowPos(opened.handle(), nullptr, 60, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER);

    clickMiddle(opened.control(kStartButtonId));
    EXPECT_EQ(u"修复中", opened.text(kStartButtonId));
    ASSERT_TRUE(opened.boxes.waitForBoxes(1, 60000));
    ASSERT_TRUE(pumpUntil([&] { return isIdle(opened); }, 5000));

    const std::vector<SeenBox> boxes = opened.boxes.seen();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(kRepaired, boxes[0].text);
    EXPECT_EQ(u"信息:", boxes[0].caption);
    EXPECT_NE(GetCurrentThreadId(), boxes[0].threadId) << "the repair thread shows the result";
    EXPECT_EQ(opened.handle(), boxes[0].owner) << "the result box stays above its window";
    RECT window;
    GetWindowRect(opened.handle(), &window);
    EXPECT_LE(std::abs((boxes[0].area.left + boxes[0].area.right) - (window.left + window.right)), 2) << "centred on it";

    ASSERT_GE(lines.size(), 4u) << joined(lines);
    EXPECT_EQ(u"修复进度: 表名称:数据库    0/0    创建临时数据库", lines.front()) << joined(lines);
    for (const WideString& expected : {WideString(u"修复进度: 表名称:customers    3/3    修复完毕"),
                                       WideString(u"修复进度: 表名称:orders    5000/5000    修复完毕")})
        EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), expected)) << toUtf8(expected) << "\n" << joined(lines);
    const auto lastProgress = std::find(lines.begin(), lines.end(), kDropHint);
    ASSERT_NE(lines.end(), lastProgress) << joined(lines);
    EXPECT_EQ(u"修复进度: 表名称:数据库    0/0    修复完毕", *(lastProgress - 1)) << joined(lines);
    for (auto line = lines.begin(); line != lastProgress; ++line)
        EXPECT_EQ(0u, line->rfind(u"修复进度: 表名称:", 0)) << toUtf8(*line);

    EXPECT_EQ(u"", opened.text(kPathBoxId));
    EXPECT_EQ(kDropHint, opened.text(kHintLabelId));
    StringArray names = folder.fileNames();
    EXPECT_EQ(2u, names.size()) << "the repaired database and the backup of the damaged one";
    EXPECT_NE(names.end(), std::find(names.begin(), names.end(), u"shop.db"));
}

// While the repair thread waits for its first progress line to be shown, a second start and both
// closes are refused, and the window stays; once it is over the system close closes it.
TEST_F(MainWindowRepair, startAndCloseAreRefusedWhileARepairRuns) {
    std::vector<WideString> answersDuringTheRun;
    bool pressedDuringTheRun = false;
    {
        TextWatch watch(opened.control(kHintLabelId), [&](const WideString&) {
            if (pressedDuringTheRun) return;
            pressedDuringTheRun = true;
            clickMiddle(opened.control(kStartButtonId));
            clickMiddle(opened.control(kCloseButtonId));
            SendMessageW(opened.handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
            answersDuringTheRun = opened.boxes.seenTexts();
        });
        clickMiddle(opened.control(kStartButtonId));
        ASSERT_TRUE(pumpUntil([&] { return pressedDuringTheRun; }, 30000));
    }
    EXPECT_EQ((std::vector<WideString>{kRepairInProgress, kCloseRefused, kCloseRefused}), answersDuringTheRun);
    EXPECT_TRUE(IsWindowVisible(opened.handle()));
    ASSERT_TRUE(pumpUntil([&] { return isIdle(opened); }, 60000));
    EXPECT_EQ(kRepaired, opened.boxes.seenTexts().back());

    SendMessageW(opened.handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindow(opened.handle()));
}

// With its result box still open the run is not over: start and close are still refused.
TEST_F(MainWindowRepair, theResultBoxKeepsTheWindowRepairingUntilItIsClosed) {
    opened.boxes.hold(kRepaired);
    clickMiddle(opened.control(kStartButtonId));
    ASSERT_TRUE(opened.boxes.waitForBoxes(1, 60000));
    pumpFor(100);
    EXPECT_TRUE(IsWindowEnabled(opened.handle())) << "the box is not modal to the window";
    EXPECT_EQ(u"修复中", opened.text(kStartButtonId));
    EXPECT_EQ(u"修复进度: 表名称:数据库    0/0    修复完毕", opened.text(kHintLabelId));

    const HWND other = opened.control(kPathBoxId);
    dropFiles(opened.handle(), {u"D:\\data\\other.db"});
    EXPECT_EQ(u"D:\\data\\other.db", controlText(other)) << "drops are taken in every state";
    clickMiddle(opened.control(kStartButtonId));
    clickMiddle(opened.control(kCloseButtonId));
    EXPECT_EQ((std::vector<WideString>{kRepaired, kRepairInProgress, kCloseRefused}), opened.boxes.seenTexts());
    for (const SeenBox& refusal : opened.boxes.seen())
        EXPECT_TRUE(refusal.uncovered) << toUtf8(refusal.text) << ": shown over the result box";
    EXPECT_TRUE(IsWindow(opened.handle()));

    opened.boxes.release();
    ASSERT_TRUE(pumpUntil([&] { return isIdle(opened); }, 5000));
    EXPECT_EQ(u"", opened.text(kPathBoxId));
    EXPECT_EQ(kDropHint, opened.text(kHintLabelId));
}

// A refusal still open when the run ends closes by itself: what it refused can be done again.
TEST_F(MainWindowRepair, aRefusalStillOpenWhenTheRunEndsClosesByItself) {
    opened.boxes.hold(kRepaired);
    opened.boxes.hold(kRepairInProgress);
    clickMiddle(opened.control(kStartButtonId));
    ASSERT_TRUE(opened.boxes.waitForBoxes(1, 60000));
    // The refusal's message loop runs inside the second click, on this thread: the user answers the
    // result box from another thread meanwhile, and presses OK on a refusal still open 10 s later,
    // so that a refusal which stays cannot hang the test.
    bool refusalOutlivedTheRun = false;
    std::thread user([&] {
        const auto refusal = [&]() -> HWND {
            const std::vector<SeenBox> boxes = opened.boxes.seen();
            return boxes.size() >= 2 ? boxes[1].box : nullptr;
        };
        for (int waited = 0; !refusal() && waited < 60000; waited += 10) Sleep(10);
        opened.boxes.release(kRepaired);
        for (int waited = 0; IsWindow(refusal()) && waited < 10000; waited += 10) Sleep(10);
        refusalOutlivedTheRun = IsWindow(refusal());
        opened.boxes.release(kRepairInProgress);
    });
    clickMiddle(opened.control(kStartButtonId));
    user.join();
    EXPECT_EQ((std::vector<WideString>{kRepaired, kRepairInProgress}), opened.boxes.seenTexts());
    EXPECT_FALSE(refusalOutlivedTheRun);
    EXPECT_TRUE(isIdle(opened));
}

// The result box comes from the repair thread, owned by the window and topmost, yet not modal to
// it. A click on the window, which activates the window, leaves the box above it, where the user
// can still find and answer it.
TEST_F(MainWindowRepair, theResultBoxStaysAboveTheWindowAfterAClickOnTheWindow) {
    opened.boxes.hold(kRepaired);
    clickMiddle(opened.control(kStartButtonId));
    ASSERT_TRUE(opened.boxes.waitForBoxes(1, 60000));
    const SeenBox result = opened.boxes.seen().at(0);
    EXPECT_EQ(opened.handle(), result.owner);

    // The box is centred on the window: the click goes to a point of the path box it leaves free.
    RECT boxArea, windowArea, pathArea;
    GetWindowRect(result.box, &boxArea);
    GetWindowRect(opened.handle(), &windowArea);
    GetWindowRect(opened.control(kPathBoxId), &pathArea);
    const POINT click{pathArea.left + 5, (pathArea.top + pathArea.bottom) / 2};
    ASSERT_FALSE(PtInRect(&boxArea, click));
    ASSERT_TRUE(clickOnScreenUntilReceived(click, opened.control(kPathBoxId), 60000)) << "the click reaches the path box";
    EXPECT_EQ(opened.handle(), GetForegroundWindow()) << "the click activates the window";
    // A window clicked on comes to the top; Wine without a window manager does not always raise it.
    BringWindowToTop(opened.handle());

    EXPECT_TRUE(IsWindowVisible(result.box));
    RECT overlap;
    ASSERT_TRUE(IntersectRect(&overlap, &boxArea, &windowArea));
    const POINT inBoth{(overlap.left + overlap.right) / 2, (overlap.top + overlap.bottom) / 2};
    EXPECT_EQ(result.box, GetAncestor(WindowFromPoint(inBoth), GA_ROOT)) << "where both are, the box shows";

    opened.boxes.release();
    ASSERT_TRUE(pumpUntil([&] { return isIdle(opened); }, 5000));
}

// The window object may go while its repair still runs: it goes without waiting for the run, even
// while the run waits for this thread to show a progress line, and the run's later progress and
// reset reach nothing.
TEST_F(MainWindowRepair, aWindowDestroyedDuringTheRunIsNotReachedByIt) {
    clickMiddle(opened.control(kStartButtonId));
    // Not pumping: the run's first progress line waits for this thread when the window goes.
    Sleep(500);
    opened.window.reset();
    ASSERT_TRUE(opened.boxes.waitForBoxes(1, 60000));
    EXPECT_EQ(kRepaired, opened.boxes.seenTexts().front());
    pumpFor(200);
}

// Ends the process through the close button when the window is idle; returns only when it did not.
int closeWhenIdle(const std::vector<std::string>&) {
    OpenMainWindow opened;
    dropFiles(opened.handle(), {u"D:\\data\\shop.db"});
    clickMiddle(opened.control(kCloseButtonId));
    return 3;
}
CHILD_ROLE("close-when-idle", closeWhenIdle);

TEST(MainWindowClose, theCloseButtonEndsTheProcessWithExitCodeZeroWhenIdle) {
    ChildProcess child("close-when-idle", {});
    EXPECT_EQ(0, child.wait());
}

class WindowWithoutThreads final : public rg_win_Zhu {
protected:
    bool startRepairThread(const WideString&) override { return false; }
};

class MainWindowWithoutThreads : public MainWindowRepair {
protected:
    MainWindowWithoutThreads() : MainWindowRepair(std::make_unique<WindowWithoutThreads>()) {}
};

TEST_F(MainWindowWithoutThreads, theWindowGoesBackToIdleAndSaysSo) {
    clickMiddle(opened.control(kStartButtonId));
    EXPECT_EQ(std::vector<WideString>{u"无法启动修复线程请稍后再试"}, opened.boxes.seenTexts());
    EXPECT_EQ(opened.handle(), opened.boxes.seen().at(0).owner);
    EXPECT_TRUE(isIdle(opened));
}

}  // namespace
