// The edit box's typed input modes and its spin arrows.
#include <gtest/gtest.h>

#include <vector>

#include "toolkit/window_fixture.h"
#include "ui/toolkit/edit_box.h"

namespace {

TEST(EditInputModes, typedModesNormaliseTheText) {
    struct Case {
        int mode;
        const char16_t* typed;
        const char16_t* shown;
    };
    const Case cases[] = {
        {kInputByte, u"300", u"255"},        {kInputByte, u"-4", u"0"},          {kInputByte, u" 42abc", u"42"},
        {kInputShort, u"40000", u"32767"},   {kInputShort, u"-40000", u"-32768"}, {kInputInteger, u"", u"0"},
        {kInputInteger, u"99999999999", u"2147483647"},
        {kInputFloat, u"3.14159265", u"3.14159"}, {kInputDouble, u"3.14159265358979", u"3.14159265359"},
        {kInputDouble, u"1e20", u"1E+20"},
        {kInputPlain, u" 300 ", u" 300 "},   {kInputReadOnly, u"x", u"x"},
    };
    for (const Case& c : cases) EXPECT_EQ(WideString(c.shown), normalisedInput(c.mode, c.typed)) << c.mode << " " << toUtf8(c.typed);
}

TEST(EditInputModes, aTypedBoxNormalisesWhenItLosesTheFocus) {
    TestForm form;
    CVWnd_Edit box, other;
    form.build = [&](TestForm& self) {
        box.setInputMode(kInputByte);
        box.create(childAt(self.handle(), 0, 0, 80, 23));
        other.create(childAt(self.handle(), 0, 30, 80, 23));
    };
    ASSERT_TRUE(createPlainForm(form, 0, 0, 100, 60));
    box.setText(u"1000");
    SendMessageW(box.handle(), WM_KILLFOCUS, reinterpret_cast<WPARAM>(other.handle()), 0);
    EXPECT_EQ(u"255", box.text());
}

// A shown form with one edit box (id 7) holding text, with spin arrows over 0..10.
struct SpinForm {
    TestForm form;
    CVWnd_Edit box;
    HWND arrows = nullptr;

    SpinForm(const char16_t* text, bool automatic) {
        form.build = [this, text, automatic](TestForm& self) {
            box.setText(text);
            box.setSpinArrows(0, 10, automatic);
            box.create(childAt(self.handle(), 0, 0, 80, 24, 7));
        };
        if (createPlainForm(form, 30, 30, 120, 40, true)) arrows = GetDlgItem(form.handle(), 1007);
    }
    // A click on the upper or lower arrow.
    void press(bool up) {
        RECT bounds{};
        GetClientRect(arrows, &bounds);
        const LPARAM point = MAKELPARAM(bounds.right / 2, up ? 2 : bounds.bottom - 3);
        SendMessageW(arrows, WM_LBUTTONDOWN, MK_LBUTTON, point);
        SendMessageW(arrows, WM_LBUTTONUP, 0, point);
        pumpMessages(20);
    }
};

TEST(EditSpin, theArrowsStepTheNumberAndWrapAtTheEnds) {
    SpinForm fixture(u"9", true);
    ASSERT_NE(nullptr, fixture.arrows);
    fixture.press(true);
    EXPECT_EQ(u"10", fixture.box.text());
    fixture.press(true);
    EXPECT_EQ(u"0", fixture.box.text());   // past the maximum: the minimum
    fixture.press(false);
    EXPECT_EQ(u"10", fixture.box.text());
}

TEST(EditSpin, withoutAutomaticSteppingTheStepIsReported) {
    SpinForm fixture(u"5", false);
    ASSERT_NE(nullptr, fixture.arrows);
    EventTarget receiver;
    std::vector<int> steps;
    fixture.box.events.spinStep.subscribe(receiver, 0, [&](WindowObject&, std::int32_t, int step) { return steps.push_back(step), 0; });
    fixture.press(true);
    fixture.press(false);
    EXPECT_EQ((std::vector<int>{1, -1}), steps);
    EXPECT_EQ(u"5", fixture.box.text());
}

}  // namespace
