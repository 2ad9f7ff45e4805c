// What labels, shape boxes, edit boxes and form backgrounds paint, read back as pixels.
#include <gtest/gtest.h>

#include "toolkit/window_fixture.h"
#include "ui/toolkit/background_picture.h"
#include "ui/toolkit/edit_box.h"
#include "ui/toolkit/label.h"
#include "ui/toolkit/shape_box.h"

namespace {

constexpr COLORREF kSlate = RGB(50, 65, 85);
constexpr COLORREF kLightGrey = RGB(236, 236, 236);
constexpr COLORREF kGrey = RGB(96, 96, 96);
constexpr COLORREF kOrange = RGB(192, 96, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

TEST(LabelPainting, textAndBackgroundInTheirColoursWhereTheAlignmentPutsThem) {
    TestForm form;
    CVWnd_Label left, right, empty;
    form.setBackgroundColour(kSlate);
    form.build = [&](TestForm& self) {
        for (CVWnd_Label* label : {&left, &right}) {
            label->setText(u"修复进度 Dovrane");
            label->setFont(u"微软雅黑, 9, 0, 0, 0, 0, 0");
            label->setTextColour(kGrey);
            label->setBackgroundColour(kLightGrey);
        }
        right.setAlignment(CVWnd_Label::kAlignEnd, CVWnd_Label::kAlignCentre);
        empty.setBackgroundColour(kOrange);
        left.create(childAt(self.handle(), 0, 0, 300, 20));
        right.create(childAt(self.handle(), 0, 20, 300, 20));
        empty.create(childAt(self.handle(), 0, 40, 300, 20));
    };
    ASSERT_TRUE(createPlainForm(form, 20, 20, 300, 80, true));
    const Snapshot shot(form.handle());

    EXPECT_EQ(kLightGrey, shot.pixel(299, 0));
    EXPECT_GT(shot.count(kGrey, 0, 0, 150, 20), 10);    // left-aligned text in the left half
    EXPECT_EQ(0, shot.count(kGrey, 150, 0, 300, 20));
    EXPECT_EQ(0, shot.count(kGrey, 0, 20, 150, 40));    // right-aligned text in the right half
    EXPECT_GT(shot.count(kGrey, 150, 20, 300, 40), 10);
    EXPECT_EQ(0, shot.count(kGrey, 0, 0, 300, 2));      // centred vertically: nothing on the top rows
    EXPECT_EQ(300 * 20, shot.count(kOrange, 0, 40, 300, 60));   // no text: only the background
    EXPECT_EQ(300 * 20, shot.count(kSlate, 0, 60, 300, 80));    // the form's background
}

struct ShapeCase {
    const char* name;
    int kind;
    int effect;
    int lineStyle;
    COLORREF fill;
    // Pixels of a 100 × 60 box with what each shows: the line colour, black, white, fill or background.
    struct Probe {
        int x, y;
        COLORREF colour;
    } probes[4];
};

TEST(ShapeBoxPainting, eachKindDrawsItsOutline) {
    constexpr COLORREF kBackground = RGB(236, 236, 236), kLine = RGB(200, 0, 0), kFill = RGB(0, 128, 0);
    constexpr COLORREF kWhite = RGB(255, 255, 255), kBlack = RGB(0, 0, 0);
    const ShapeCase cases[] = {
        {"rectangle", 0, 0, 1, kNoFill, {{0, 0, kLine}, {99, 59, kLine}, {50, 30, kBackground}, {50, 0, kLine}}},
        {"square", 1, 0, 1, kNoFill, {{20, 30, kLine}, {79, 30, kLine}, {10, 30, kBackground}, {85, 30, kBackground}}},
        {"ellipse", 2, 0, 1, kNoFill, {{0, 0, kBackground}, {50, 0, kLine}, {0, 30, kLine}, {50, 30, kBackground}}},
        {"circle", 3, 0, 1, kFill, {{20, 30, kLine}, {50, 30, kFill}, {15, 30, kBackground}, {50, 0, kLine}}},
        {"rounded rectangle", 4, 0, 1, kNoFill, {{0, 0, kBackground}, {0, 30, kLine}, {50, 0, kLine}, {50, 30, kBackground}}},
        // Kind 5 in 100 × 60: a 60 × 60 rounded square at x 20, corner ellipse 20 × 12.
        {"rounded square", 5, 0, 1, kNoFill, {{20, 30, kLine}, {79, 30, kLine}, {20, 0, kBackground}, {50, 0, kLine}}},
        {"horizontal line", 6, 0, 1, kNoFill, {{50, 0, kLine}, {50, 1, kBackground}, {0, 30, kBackground}, {99, 0, kLine}}},
        {"vertical line", 7, 0, 1, kNoFill, {{0, 30, kLine}, {1, 30, kBackground}, {50, 0, kBackground}, {0, 59, kLine}}},
        {"no outline", 0, 0, 0, kNoFill, {{0, 0, kBackground}, {99, 59, kBackground}, {50, 0, kBackground}, {0, 30, kBackground}}},
        // Raised: white one pixel in from the top left, then black one pixel up and left of it.
        {"raised rectangle", 0, 1, 1, kNoFill, {{0, 0, kBlack}, {98, 58, kBlack}, {99, 59, kWhite}, {1, 30, kWhite}}},
        {"sunken rectangle", 0, 2, 1, kNoFill, {{0, 0, kWhite}, {98, 58, kWhite}, {99, 59, kBlack}, {1, 30, kBlack}}},
    };
    TestForm form;
    CVWnd_ShapeBox boxes[std::size(cases)];
    form.build = [&](TestForm& self) {
        for (std::size_t i = 0; i < std::size(cases); ++i) {
            boxes[i].setBackgroundColour(kBackground);
            boxes[i].setLineColour(kLine);
            boxes[i].setKind(cases[i].kind);
            boxes[i].setEffect(cases[i].effect);
            boxes[i].setLineStyle(cases[i].lineStyle);
            boxes[i].setFillColour(cases[i].fill);
            boxes[i].create(childAt(self.handle(), static_cast<int>(i % 4) * 110, static_cast<int>(i / 4) * 70, 100, 60));
        }
    };
    ASSERT_TRUE(createPlainForm(form, 20, 20, 440, 210, true));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Snapshot shot(boxes[i].handle());
        for (const auto& probe : cases[i].probes)
            EXPECT_EQ(probe.colour, shot.pixel(probe.x, probe.y)) << cases[i].name << " at " << probe.x << "," << probe.y;
    }
}

TEST(EditBoxPainting, aReadOnlySingleLineBoxShowsItsColoursWithTheTextCentredVertically) {
    TestForm form;
    CVWnd_Edit edit;
    form.setBackgroundColour(kLightGrey);
    form.build = [&](TestForm& self) {
        edit.setText(u"C:\\data\\shop.db");
        edit.setFont(u"微软雅黑, 9, 0, 0, 0, 0, 0");
        edit.setTextColour(kOrange);
        edit.setInputMode(CVWnd_Edit::kInputReadOnly);
        edit.create(childAt(self.handle(), 4, 7, 300, 23));
        edit.setBorderStyle(CVWnd_Edit::kBorderSingleLine);
    };
    ASSERT_TRUE(createPlainForm(form, 20, 20, 320, 40, true));

    EXPECT_NE(0, GetWindowLongW(edit.handle(), GWL_STYLE) & ES_READONLY);
    EXPECT_NE(0, GetWindowLongW(edit.handle(), GWL_STYLE) & WS_BORDER);
    EXPECT_EQ(0, GetWindowLongW(edit.handle(), GWL_EXSTYLE) & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE | WS_EX_DLGMODALFRAME));
    RECT bounds{}, client{};
    GetWindowRect(edit.handle(), &bounds);
    GetClientRect(edit.handle(), &client);
    EXPECT_EQ(23, bounds.bottom - bounds.top);
    TEXTMETRICW metrics{};
    {
        const WindowDC dc(edit.handle());
        const SelectedObject selection(dc.get(), edit.font());
        GetTextMetricsW(dc.get(), &metrics);
    }
    EXPECT_EQ(metrics.tmHeight, client.bottom);   // the client area is one text line tall

    const Snapshot shot(form.handle());
    EXPECT_EQ(RGB(255, 255, 255), shot.pixel(10, 9));   // the band above the text: the box's background
    EXPECT_GT(shot.count(kOrange, 4, 7, 304, 30), 10);

    SendMessageW(edit.handle(), WM_CHAR, 'x', 0);   // read-only: typing changes nothing
    EXPECT_EQ(u"C:\\data\\shop.db", edit.text());
}

TEST(FormPainting, backgroundPictureModesPlaceThePicture) {
    // A 20 × 10 blue picture on a red form of 100 × 50.
    const auto bluePicture = [] {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), 20, 10, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        const HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        auto* bytes = static_cast<unsigned char*>(bits);
        for (int i = 0; i < 20 * 10; ++i) bytes[(i / 20) * 60 + (i % 20) * 3] = 255;   // blue channel
        return bitmap;
    };
    struct Case {
        int mode;
        POINT blue;
        POINT red;
    };
    const Case cases[] = {{kPictureTopLeft, {19, 9}, {20, 10}}, {kPictureTiled, {99, 49}, {-1, -1}},
                          {kPictureCentred, {40, 20}, {39, 19}}, {kPictureStretched, {99, 49}, {-1, -1}}};
    for (const Case& c : cases) {
        TestForm form;
        form.setBackgroundColour(kRed);
        form.setBackgroundPicture(bluePicture(), c.mode);
        ASSERT_TRUE(createPlainForm(form, 20, 20, 100, 50, true));
        const Snapshot shot(form.handle());
        EXPECT_EQ(kBlue, shot.pixel(c.blue.x, c.blue.y)) << c.mode;
        if (c.red.x >= 0) {
            EXPECT_EQ(kRed, shot.pixel(c.red.x, c.red.y)) << c.mode;
        }
    }
}

}  // namespace
