// The window's colours as they reach the screen at 96 DPI.
#include <gtest/gtest.h>

#include <cstdlib>

#include "main_window_driver.h"
#include "window_driver.h"

namespace {

constexpr Rgb kSlateBlue{50, 65, 85};
constexpr Rgb kLightGrey{236, 236, 236};
constexpr Rgb kGrey{96, 96, 96};
constexpr Rgb kDarkGrey{47, 47, 47};
constexpr Rgb kOrangeBrown{192, 96, 0};
constexpr Rgb kWhite{255, 255, 255};
// Text is drawn smoothed: its strokes are counted with this much room in each channel.
constexpr int kTextTolerance = 24;

std::string describe(Rgb colour) {
    return std::to_string(colour.red) + ", " + std::to_string(colour.green) + ", " + std::to_string(colour.blue);
}

class MainWindowPixels : public testing::Test {
protected:
    void SetUp() override {
        const char* dpi = std::getenv("DOVRANE_TEST_DPI");
        if (dpi && std::atoi(dpi) != 96) GTEST_SKIP() << "pixels are checked at 96 DPI";
        // The window must be the one on top of the screen where it is read back.
        SetForegroundWindow(opened.handle());
        SetCursorPos(0, 0);
        pumpFor(100);
    }

    RECT area(int id) const { return rectangleIn(opened.handle(), opened.control(id)); }

    OpenMainWindow opened;
};

TEST_F(MainWindowPixels, stripPanelLabelsAndCloseButtonHaveTheirColours) {
    const ScreenPixels pixels(opened.handle());
    ASSERT_EQ(522, pixels.width());
    EXPECT_EQ(kSlateBlue, pixels.at(300, 10)) << describe(pixels.at(300, 10));    // the strip, right of the title
    EXPECT_EQ(kSlateBlue, pixels.at(0, 60)) << describe(pixels.at(0, 60));        // the 1-pixel margin
    EXPECT_EQ(kSlateBlue, pixels.at(300, 96)) << describe(pixels.at(300, 96));
    EXPECT_EQ(kLightGrey, pixels.at(300, 92)) << describe(pixels.at(300, 92));    // the panel, below the hint
    EXPECT_EQ(kLightGrey, pixels.at(1, 25)) << describe(pixels.at(1, 25));        // no outline

    const RECT hint = area(kHintLabelId);
    EXPECT_GT(pixels.count(kGrey, hint.left, hint.top, 200, hint.bottom - hint.top, kTextTolerance), 20)
        << "the hint's text";
    const RECT title = area(kTitleLabelId);
    EXPECT_GT(pixels.count(kLightGrey, title.left, title.top, title.right - title.left, title.bottom - title.top,
                           kTextTolerance),
              20)
        << "the title's text";
    const RECT close = area(kCloseButtonId);
    EXPECT_GT(pixels.count(kWhite, close.left, close.top, 16, 16), 10) << "the white cross";
    EXPECT_EQ(kSlateBlue, pixels.at(close.left, close.top)) << describe(pixels.at(close.left, close.top));
}

TEST_F(MainWindowPixels, theStartButtonIsGreyAtRestAndDarkUnderTheMouse) {
    const RECT button = area(kStartButtonId);
    const int width = button.right - button.left;
    const int height = button.bottom - button.top;
    const ScreenPixels atRest(opened.handle());
    EXPECT_EQ(kGrey, atRest.at(button.left + 1, button.top + 1)) << describe(atRest.at(button.left + 1, button.top + 1));
    EXPECT_GT(atRest.count(kGrey, button.left, button.top, width, height), width * height / 2);
    EXPECT_GT(atRest.count(kLightGrey, button.left, button.top, width, height, kTextTolerance), 20) << "the button's text";

    hoverMiddle(opened.control(kStartButtonId));
    pumpFor(100);
    const ScreenPixels hot(opened.handle());
    EXPECT_EQ(kDarkGrey, hot.at(button.left + 1, button.top + 1)) << describe(hot.at(button.left + 1, button.top + 1));
    EXPECT_GT(hot.count(kDarkGrey, button.left, button.top, width, height), width * height / 2);
    // No frame and no focus rectangle: the edges are the face's colour.
    EXPECT_EQ(width, hot.count(kDarkGrey, button.left, button.top, width, 1));
    EXPECT_EQ(width, hot.count(kDarkGrey, button.left, button.bottom - 1, width, 1));
    EXPECT_EQ(height, hot.count(kDarkGrey, button.left, button.top, 1, height));
}

TEST_F(MainWindowPixels, thePathIsWrittenInOrangeBrownOnWhite) {
    dropFiles(opened.handle(), {u"D:\\data\\shop.db"});
    const RECT box = area(kPathBoxId);
    const ScreenPixels pixels(opened.handle());
    const int width = box.right - box.left;
    const int height = box.bottom - box.top;
    EXPECT_GT(pixels.count(kOrangeBrown, box.left, box.top, width, height, kTextTolerance), 20);
    EXPECT_GT(pixels.count(kWhite, box.left, box.top, width, height), width * height / 2);
}

}  // namespace
