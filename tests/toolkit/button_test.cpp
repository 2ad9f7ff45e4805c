// The two button kinds as a user meets them: the super button's colours at rest, under the mouse,
// pressed and focused, and its click; the picture button's state pictures, region and click.
#include <gtest/gtest.h>

#include <functional>

#include "toolkit/window_fixture.h"
#include "ui/toolkit/picture_button.h"
#include "ui/toolkit/super_button.h"

namespace {

constexpr COLORREF kText = RGB(236, 236, 236);
constexpr COLORREF kRest = RGB(96, 96, 96);
constexpr COLORREF kHover = RGB(47, 47, 47);
constexpr COLORREF kFocused = RGB(20, 80, 140);
constexpr COLORREF kPanel = RGB(236, 236, 236);

// Pumps messages until the condition holds or a second passes.
bool waitUntil(const std::function<bool()>& condition) {
    for (int i = 0; i < 20 && !condition(); ++i) pumpMessages(50);
    return condition();
}

// Moves the cursor over a point of a window and lets the window see the move.
void hoverAt(HWND window, int x, int y) {
    POINT point{x, y};
    ClientToScreen(window, &point);
    SetCursorPos(point.x, point.y);
    SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    pumpMessages();
}

// A form with one flat super button in the main window's colours (focus in its own colour here,
// so that focus and hover can be told apart).
struct SuperButtonForm {
    TestForm form;
    CVWnd_SupperButton button;
    CVWnd_SupperButton other;
    EventTarget receiver;
    int clicks = 0;

    SuperButtonForm() {
        form.setBackgroundColour(kPanel);
        form.build = [this](TestForm& self) {
            button.setText(u"开始修复");
            button.setFont(u"微软雅黑, 9, 0, 0, 0, 0, 0");
            button.setLook(CVWnd_SupperButton::kLookFlat);
            button.setDrawBorder(false);
            button.setDrawFlatFocus(false);
            const COLORREF colours[6] = {kText, kRest, kText, kHover, kText, kFocused};
            for (int role = 0; role < 6; ++role) button.setColour(role, colours[role]);
            button.create(childAt(self.handle(), 10, 10, 55, 23, 103));
            other.create(childAt(self.handle(), 100, 10, 55, 23, 104));
        };
        button.events.click.subscribe(receiver, 0, [this](WindowObject& sender, std::int32_t) {
            if (&sender == &button) ++clicks;
            return 0;
        });
    }
    Snapshot shot() { return Snapshot(button.handle()); }
};

TEST(SuperButton, showsItsColoursAtRestUnderTheMousePressedAndFocused) {
    SuperButtonForm fixture;
    ASSERT_TRUE(createPlainForm(fixture.form, 40, 40, 200, 50, true));
    SetFocus(fixture.other.handle());
    hoverAt(fixture.form.handle(), 190, 45);

    const Snapshot rest = fixture.shot();
    EXPECT_EQ(kRest, rest.pixel(1, 1));
    EXPECT_EQ(kRest, rest.pixel(53, 21));   // no frame in the flat look without border
    EXPECT_GT(rest.count(kText, 0, 0, 55, 23), 3);

    hoverAt(fixture.button.handle(), 20, 10);
    EXPECT_TRUE(fixture.button.isHovered());
    const Snapshot hovered = fixture.shot();
    EXPECT_EQ(kHover, hovered.pixel(1, 1));
    EXPECT_EQ(kHover, hovered.pixel(53, 21));
    EXPECT_GT(hovered.count(kText, 0, 0, 55, 23), 3);

    hoverAt(fixture.form.handle(), 190, 45);   // the system tells the button the mouse left
    EXPECT_TRUE(waitUntil([&] { return !fixture.button.isHovered(); }));
    SendMessageW(fixture.button.handle(), BM_SETSTATE, TRUE, 0);
    EXPECT_EQ(kHover, fixture.shot().pixel(1, 1));
    SendMessageW(fixture.button.handle(), BM_SETSTATE, FALSE, 0);
    EXPECT_EQ(kRest, fixture.shot().pixel(1, 1));

    SetFocus(fixture.button.handle());
    pumpMessages();
    const Snapshot focused = fixture.shot();
    EXPECT_EQ(kFocused, focused.pixel(1, 1));
    EXPECT_EQ(kFocused, focused.pixel(4, 4));   // no focus rectangle
}

TEST(SuperButton, hoveringWithTheLeftButtonAlreadyDownDoesNotHighlight) {
    SuperButtonForm fixture;
    ASSERT_TRUE(createPlainForm(fixture.form, 40, 40, 200, 50, true));
    POINT point{20, 10};
    ClientToScreen(fixture.button.handle(), &point);
    SetCursorPos(point.x, point.y);
    SendMessageW(fixture.button.handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(20, 10));
    EXPECT_FALSE(fixture.button.isHovered());
}

TEST(SuperButton, aClickRaisesTheEventAndAToggleButtonFlipsItsCheck) {
    SuperButtonForm fixture;
    fixture.other.setToggle(true, false);
    ASSERT_TRUE(createPlainForm(fixture.form, 40, 40, 200, 50));
    SendMessageW(fixture.button.handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(1, fixture.clicks);
    EXPECT_FALSE(fixture.other.isChecked());
    SendMessageW(fixture.other.handle(), BM_CLICK, 0, 0);
    EXPECT_TRUE(fixture.other.isChecked());
    EXPECT_EQ(BST_CHECKED, SendMessageW(fixture.other.handle(), BM_GETCHECK, 0, 0));
    EXPECT_EQ(static_cast<LONG>(BS_OWNERDRAW), GetWindowLongW(fixture.button.handle(), GWL_STYLE) & 0x0F);
}

// The tooltip window of the thread's toolkit windows, found by its class.
HWND findTooltip() {
    HWND found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM result) {
            wchar_t name[32] = {};
            GetClassNameW(window, name, 32);
            if (lstrcmpiW(name, L"tooltips_class32") != 0) return TRUE;
            *reinterpret_cast<HWND*>(result) = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

TEST(SuperButton, aTooltipTextAddsOneToolAndAnEmptyOneRemovesIt) {
    SuperButtonForm fixture;
    fixture.button.setTooltip(u"开始修复数据库");
    ASSERT_TRUE(createPlainForm(fixture.form, 40, 40, 200, 50));
    const HWND tooltip = findTooltip();
    ASSERT_NE(nullptr, tooltip);
    EXPECT_EQ(1, SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0));
    fixture.button.setTooltip(u"另一个提示");
    EXPECT_EQ(1, SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0));
    fixture.button.setTooltip(u"");
    EXPECT_EQ(0, SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0));
    DestroyWindow(fixture.button.handle());
    EXPECT_FALSE(IsWindow(tooltip));   // the tooltip goes with its button
}

TEST(SuperButton, automaticColoursLightenTheFaceForHover) {
    struct Case {
        COLORREF face;
        COLORREF hover;
    };
    const Case cases[] = {{RGB(212, 208, 200), RGB(244, 240, 232)},   // each below 224: +32
                          {RGB(240, 240, 240), RGB(255, 255, 255)},   // 255 - 240 = 15
                          {RGB(100, 230, 250), RGB(105, 235, 255)}};  // the smallest room, 5, for all three
    for (const Case& c : cases) EXPECT_EQ(c.hover, lightenedFace(c.face)) << std::hex << c.face;
}

// A solid 24-bit picture of the size, with an optional square of another colour in its middle.
HBITMAP solidPicture(int width, int height, COLORREF colour, COLORREF middle = CLR_INVALID) {
    const WindowDC screen;
    OwnedBitmap bitmap(CreateCompatibleBitmap(screen.get(), width, height));
    const OwnedMemoryDC dc(CreateCompatibleDC(screen.get()));
    const SelectedObject selection(dc.get(), bitmap.get());
    const OwnedBrush brush(CreateSolidBrush(colour));
    const RECT all{0, 0, width, height};
    FillRect(dc.get(), &all, brush.get());
    if (middle != CLR_INVALID) {
        const OwnedBrush inner(CreateSolidBrush(middle));
        const RECT square{width / 4, height / 4, width * 3 / 4, height * 3 / 4};
        FillRect(dc.get(), &square, inner.get());
    }
    return bitmap.take();
}

TEST(PictureButton, showsThePictureOfItsStateAndClicksOnRelease) {
    constexpr COLORREF kNormal = RGB(255, 255, 255), kHoverPicture = RGB(212, 35, 122), kPressedPicture = RGB(0, 0, 200);
    TestForm form;
    CVWnd_PicButton button;
    EventTarget receiver;
    int clicks = 0;
    form.setBackgroundColour(kPanel);
    form.build = [&](TestForm& self) {
        button.setPicture(CVWnd_PicButton::kNormal, solidPicture(16, 16, kNormal));
        button.setPicture(CVWnd_PicButton::kHover, solidPicture(16, 16, kHoverPicture));
        button.setPicture(CVWnd_PicButton::kPressed, solidPicture(16, 16, kPressedPicture));
        button.create(childAt(self.handle(), 50, 5, 16, 16, 105));
    };
    button.events.click.subscribe(receiver, 0, [&](WindowObject&, std::int32_t) { return ++clicks; });
    ASSERT_TRUE(createPlainForm(form, 40, 40, 100, 30, true));

    EXPECT_EQ(kNormal, Snapshot(button.handle()).pixel(8, 8));
    hoverAt(button.handle(), 8, 8);
    EXPECT_EQ(1, button.visualState());
    EXPECT_EQ(button.handle(), GetCapture());   // held while hovered, to see the cursor leave
    EXPECT_EQ(kHoverPicture, Snapshot(button.handle()).pixel(8, 8));
    SendMessageW(button.handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(8, 8));
    EXPECT_EQ(kPressedPicture, Snapshot(button.handle()).pixel(8, 8));
    SendMessageW(button.handle(), WM_LBUTTONUP, 0, MAKELPARAM(8, 8));
    EXPECT_EQ(1, clicks);
    EXPECT_EQ(0, button.visualState());   // normal until the mouse moves again
    EXPECT_EQ(nullptr, GetCapture());
    SendMessageW(button.handle(), WM_LBUTTONUP, 0, MAKELPARAM(30, 8));
    EXPECT_EQ(1, clicks);   // released outside: no click

    // Disabled without a disabled picture: the picture of its state.
    EnableWindow(button.handle(), FALSE);
    const COLORREF byState[3] = {kNormal, kHoverPicture, kPressedPicture};
    EXPECT_EQ(byState[button.visualState()], Snapshot(button.handle()).pixel(8, 8));
    button.setPicture(CVWnd_PicButton::kDisabled, solidPicture(16, 16, RGB(128, 128, 128)));
    EXPECT_EQ(RGB(128, 128, 128), Snapshot(button.handle()).pixel(8, 8));
}

TEST(PictureButton, withoutAHoverPictureTheNormalOneShowsUnderTheMouse) {
    TestForm form;
    CVWnd_PicButton button;
    form.build = [&](TestForm& self) {
        button.setPicture(CVWnd_PicButton::kNormal, solidPicture(16, 16, RGB(255, 255, 255)));
        button.create(childAt(self.handle(), 5, 5, 16, 16));
    };
    ASSERT_TRUE(createPlainForm(form, 40, 40, 40, 30, true));
    hoverAt(button.handle(), 8, 8);
    EXPECT_EQ(1, button.visualState());
    EXPECT_EQ(RGB(255, 255, 255), Snapshot(button.handle()).pixel(8, 8));
}

TEST(PictureButton, aKeyColourCutsTheWindowToThePicturesOtherPixels) {
    constexpr COLORREF kKey = RGB(50, 65, 85);
    TestForm form;
    CVWnd_PicButton shaped, scaled;
    form.build = [&](TestForm& self) {
        for (CVWnd_PicButton* button : {&shaped, &scaled}) {
            button->setPicture(CVWnd_PicButton::kNormal, solidPicture(16, 16, kKey, RGB(255, 255, 255)));
            button->setTransparentColour(kKey);
        }
        shaped.create(childAt(self.handle(), 0, 0, 16, 16));
        scaled.create(childAt(self.handle(), 20, 0, 32, 32));
    };
    ASSERT_TRUE(createPlainForm(form, 0, 0, 60, 40));
    const OwnedRegion owned(CreateRectRgn(0, 0, 0, 0));
    const HRGN region = owned.get();
    ASSERT_EQ(SIMPLEREGION, GetWindowRgn(shaped.handle(), region));
    RECT box{};
    GetRgnBox(region, &box);
    EXPECT_EQ(4, box.left);
    EXPECT_EQ(4, box.top);
    EXPECT_EQ(12, box.right);
    EXPECT_EQ(12, box.bottom);
    ASSERT_EQ(SIMPLEREGION, GetWindowRgn(scaled.handle(), region));   // a stretched picture, a stretched region
    GetRgnBox(region, &box);
    EXPECT_EQ(8, box.left);
    EXPECT_EQ(24, box.right);
}

}  // namespace
