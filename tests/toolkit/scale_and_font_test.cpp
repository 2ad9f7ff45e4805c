// The display scale at the DPIs users run, and font descriptions turned into LOGFONTs.
#include <gtest/gtest.h>

#include "toolkit/window_fixture.h"
#include "ui/toolkit/display_scale.h"
#include "ui/toolkit/font_description.h"
#include "ui/toolkit/label.h"
#include "ui/toolkit/win32_text.h"

namespace {

TEST(DisplayScale, followsTheEffectiveDpiAndNeverDropsBelowOne) {
    struct Case {
        unsigned dpi;
        double scale;
        int width522;   // the main window's design width in device pixels
        int height97;
    };
    const Case cases[] = {{96, 1.0, 522, 97}, {120, 1.25, 653, 121}, {144, 1.5, 783, 146}, {72, 1.0, 522, 97}, {0, 1.0, 522, 97}};
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(c.scale, scaleForDpi(c.dpi)) << c.dpi;
        EXPECT_EQ(c.width522, scaledBy(522, scaleForDpi(c.dpi))) << c.dpi;
        EXPECT_EQ(c.height97, scaledBy(97, scaleForDpi(c.dpi))) << c.dpi;
    }
}

TEST(DisplayScale, theSystemQueryAnswersTheScreensDpi) {
    // The test display runs at 96 DPI.
    EXPECT_EQ(96u, queryDisplayDpi());
}

TEST(FontDescription, fieldsSetFaceSizeStyleAndAngle) {
    struct Case {
        const char16_t* description;
        const char16_t* face;   // nullptr: DEFAULT_GUI_FONT's face is kept
        LONG height;            // 0: DEFAULT_GUI_FONT's height is kept
        LONG weight;
        BYTE italic, underline, strikeOut;
        LONG angle;
    };
    const Case cases[] = {
        {u"微软雅黑, 9, 0, 0, 0, 0, 0", u"微软雅黑", -12, FW_NORMAL, 0, 0, 0, 0},
        {u"微软雅黑, 10, 0, 0, 0, 0, 0", u"微软雅黑", -13, FW_NORMAL, 0, 0, 0, 0},
        {u"\u3000Arial\u3000,\t-12 ,1,1,1,1, -900", u"Arial", -16, FW_BOLD, 1, 1, 1, 2700},
        {u"Arial, 9, 2, yes, 01, 1 , 4500, ignored", u"Arial", -12, FW_NORMAL, 0, 0, 1, 900},
        {u", 0", nullptr, 0, 0, 0, 0, 0, 0},
    };
    LOGFONTW stock{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof stock, &stock);
    for (const Case& c : cases) {
        const LOGFONTW font = fontFromDescription(c.description);
        const std::string name = toUtf8(c.description);
        EXPECT_EQ(c.face ? WideString(c.face) : fromWide(stock.lfFaceName), fromWide(font.lfFaceName)) << name;
        EXPECT_EQ(c.height ? c.height : stock.lfHeight, font.lfHeight) << name;
        EXPECT_EQ(c.weight ? c.weight : stock.lfWeight, font.lfWeight) << name;
        EXPECT_EQ(c.italic, font.lfItalic) << name;
        EXPECT_EQ(c.underline, font.lfUnderline) << name;
        EXPECT_EQ(c.strikeOut, font.lfStrikeOut) << name;
        EXPECT_EQ(c.angle, font.lfEscapement) << name;
        EXPECT_EQ(c.angle, font.lfOrientation) << name;
        EXPECT_EQ(DEFAULT_CHARSET, font.lfCharSet) << name;
        EXPECT_EQ(PROOF_QUALITY, font.lfQuality) << name;
    }
}

TEST(FontDescription, aLongFaceNameKeepsItsFirst31Characters) {
    const WideString face(40, u'x');
    EXPECT_EQ(WideString(31, u'x'), fromWide(fontFromDescription(face + u", 9").lfFaceName));
}

TEST(FontDescription, aControlHandsItsFontToItsWindowAndKeepsNineAndTenPoints) {
    TestForm form;
    CVWnd_Label nine, ten, plain;
    form.build = [&](TestForm& self) {
        nine.setFont(u"微软雅黑, 9, 0, 0, 0, 0, 0");
        nine.create(childAt(self.handle(), 0, 0, 100, 20));
        ten.create(childAt(self.handle(), 0, 20, 100, 20));
        ten.setFont(u"微软雅黑, 10, 0, 0, 0, 0, 0");
        plain.create(childAt(self.handle(), 0, 40, 100, 20));
    };
    ASSERT_TRUE(createPlainForm(form, 10, 10, 200, 80));
    const auto heightOf = [](const CVWnd_Label& label) {
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(label.handle(), WM_GETFONT, 0, 0)), sizeof font, &font);
        return font.lfHeight;
    };
    EXPECT_EQ(-12, heightOf(nine));
    EXPECT_EQ(-13, heightOf(ten));
    EXPECT_EQ(-12, heightOf(plain));   // no description: DEFAULT_GUI_FONT at 9 points
}

}  // namespace
