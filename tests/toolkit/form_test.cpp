// Forms as the system sees them: styles by border style and caption rules, size and centring,
// the order of creation, close queries, shapes and the end of the main loop.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "toolkit/window_fixture.h"
#include "ui/toolkit/label.h"
#include "ui/toolkit/private_messages.h"
#include "ui/toolkit/window_module.h"

namespace {

DWORD styleOf(HWND window) { return static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)); }
DWORD extendedStyleOf(HWND window) { return static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE)); }

TEST(FormStyles, borderStyleAndCaptionRulesGiveTheseStyles) {
    struct Case {
        const char* name;
        int borderStyle;
        bool controlBox;
        const char16_t* title;
        DWORD present;
        DWORD absent;
        DWORD extendedPresent;
        DWORD extendedAbsent;
    };
    constexpr DWORD kFrameExtended = WS_EX_DLGMODALFRAME | WS_EX_TOOLWINDOW | WS_EX_CLIENTEDGE;
    const Case cases[] = {
        {"none", 0, true, u"Dovrane", WS_MINIMIZEBOX, WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MAXIMIZEBOX,
         WS_EX_CONTROLPARENT, kFrameExtended},
        {"sizable", 1, true, u"", WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX, WS_MAXIMIZEBOX,
         WS_EX_CONTROLPARENT, WS_EX_TOOLWINDOW | WS_EX_CLIENTEDGE},
        {"fixed", 2, true, u"", WS_CAPTION | WS_SYSMENU, WS_THICKFRAME, WS_EX_CONTROLPARENT, kFrameExtended},
        {"sizable tool", 3, true, u"", WS_CAPTION | WS_THICKFRAME, 0, WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT, WS_EX_CLIENTEDGE},
        {"fixed tool", 4, true, u"", WS_CAPTION, WS_THICKFRAME, WS_EX_TOOLWINDOW, WS_EX_CLIENTEDGE},
        {"sizable edge", 5, true, u"", WS_CAPTION | WS_THICKFRAME, 0, WS_EX_CLIENTEDGE, WS_EX_TOOLWINDOW},
        {"fixed edge", 6, true, u"", WS_CAPTION, WS_THICKFRAME, WS_EX_CLIENTEDGE, WS_EX_TOOLWINDOW},
        // Without a control box the caption shows only for a title other than the program's name.
        {"no box, own title", 2, false, u"Notes", WS_CAPTION, WS_SYSMENU, 0, 0},
        {"no box, program title", 2, false, u"Dovrane", WS_DLGFRAME, WS_BORDER | WS_SYSMENU, 0, 0},
        {"no box, no title", 2, false, u"", WS_DLGFRAME, WS_BORDER | WS_SYSMENU, 0, 0},
    };
    for (const Case& c : cases) {
        TestForm form;
        form.designWidth = 200;
        form.designHeight = 100;
        form.setBorderStyle(c.borderStyle);
        form.setControlBox(c.controlBox);
        form.setText(c.title);
        ASSERT_TRUE(form.create(defaultPlacement())) << c.name;
        const DWORD style = styleOf(form.handle()), extended = extendedStyleOf(form.handle());
        EXPECT_EQ(c.present, style & c.present) << c.name << std::hex << " style " << style;
        EXPECT_EQ(0u, style & c.absent) << c.name << std::hex << " style " << style;
        EXPECT_EQ(c.extendedPresent, extended & c.extendedPresent) << c.name << std::hex << " extended " << extended;
        EXPECT_EQ(0u, extended & c.extendedAbsent) << c.name << std::hex << " extended " << extended;
    }
}

TEST(FormStyles, anEmptyTitleWithAControlBoxBecomesTheProgramsName) {
    TestForm form;
    ASSERT_TRUE(createPlainForm(form, 0, 0, 100, 50));
    EXPECT_EQ(u"Dovrane", form.text());
}

TEST(FormStyles, borderStyleNoneOnALiveFormTakesTheFrameAway) {
    TestForm form;
    form.designWidth = 200;
    form.designHeight = 100;
    form.setBorderStyle(CVWnd_WinForm::kBorderSizableEdge);
    ASSERT_TRUE(form.create(defaultPlacement()));
    ASSERT_NE(0u, styleOf(form.handle()) & WS_THICKFRAME);
    form.setBorderStyle(CVWnd_WinForm::kBorderNone);
    EXPECT_EQ(0u, styleOf(form.handle()) & (WS_CAPTION | WS_THICKFRAME));
    EXPECT_EQ(0u, extendedStyleOf(form.handle()) & (WS_EX_DLGMODALFRAME | WS_EX_TOOLWINDOW | WS_EX_CLIENTEDGE));
}

TEST(FormPlacement, aDefaultPlacedBorderlessFormIsItsClientSizeCentredOnThePrimaryScreen) {
    TestForm form;
    form.designWidth = 522;
    form.designHeight = 97;
    form.setBorderStyle(CVWnd_WinForm::kBorderNone);
    ASSERT_TRUE(form.create(defaultPlacement()));
    RECT bounds{}, client{};
    GetWindowRect(form.handle(), &bounds);
    GetClientRect(form.handle(), &client);
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_EQ(522, client.right);
    EXPECT_EQ(97, client.bottom);
    EXPECT_EQ((screenWidth - 522) / 2, bounds.left);
    EXPECT_EQ((screenHeight - 97) / 2, bounds.top);
    EXPECT_EQ(522, bounds.right - bounds.left);
    EXPECT_EQ(97, bounds.bottom - bounds.top);
}

// A second and a third window placed by default while the first is shown come down and right of
// it by a caption's height each, as Windows cascades, rather than exactly over it.
TEST(FormPlacement, defaultPlacedFormsCascadeOverAShownOne) {
    TestForm forms[3];
    POINT corners[3];
    for (int i = 0; i < 3; ++i) {
        forms[i].designWidth = 522;
        forms[i].designHeight = 97;
        forms[i].setBorderStyle(CVWnd_WinForm::kBorderNone);
        forms[i].setWindowStyle(WS_CLIPSIBLINGS | WS_VISIBLE);
        ASSERT_TRUE(forms[i].create(defaultPlacement()));
        ASSERT_TRUE(IsWindowVisible(forms[i].handle()));
        RECT bounds{};
        GetWindowRect(forms[i].handle(), &bounds);
        corners[i] = POINT{bounds.left, bounds.top};
    }
    const int step = GetSystemMetrics(SM_CYCAPTION);
    for (int i = 1; i < 3; ++i) {
        EXPECT_EQ(corners[0].x + i * step, corners[i].x) << "form " << i;
        EXPECT_EQ(corners[0].y + i * step, corners[i].y) << "form " << i;
    }
}

TEST(FormPlacement, aFramedFormGrowsByItsFrameAroundTheClientSize) {
    TestForm form;
    form.designWidth = 300;
    form.designHeight = 120;
    form.setBorderStyle(CVWnd_WinForm::kBorderFixed);
    ASSERT_TRUE(form.create(defaultPlacement()));
    RECT client{};
    GetClientRect(form.handle(), &client);
    EXPECT_EQ(300, client.right);
    EXPECT_EQ(120, client.bottom);
}

TEST(FormCreation, controlsAreBuiltThenCreatedIsRaisedThenTheFormShows) {
    std::vector<std::string> order;
    TestForm form;
    CVWnd_Label label;
    EventTarget receiver;
    form.build = [&](TestForm& self) {
        label.create(childAt(self.handle(), 0, 0, 50, 20));
        order.push_back(label.handle() ? "controls built" : "no control");
    };
    form.events.created.subscribe(receiver, 0, [&](WindowObject& sender, std::int32_t) {
        order.push_back(&sender == &form && !IsWindowVisible(form.handle()) ? "created while hidden" : "created late");
        return 0;
    });
    ASSERT_TRUE(createPlainForm(form, 0, 0, 100, 50, true));
    EXPECT_EQ((std::vector<std::string>{"controls built", "created while hidden"}), order);
    EXPECT_TRUE(IsWindowVisible(form.handle()));
    EXPECT_EQ(kToolkitMagic, GetWindowLongPtrW(form.handle(), GWLP_USERDATA));
    EXPECT_EQ(kToolkitMagic, GetWindowLongPtrW(label.handle(), GWLP_USERDATA));
}

TEST(FormClose, closesOnlyWhenBothQueriesAllow) {
    struct Case {
        int firstAnswer;
        int secondAnswer;
        bool closes;
    };
    const Case cases[] = {{0, 0, true}, {1, 0, false}, {0, 1, false}};
    for (const Case& c : cases) {
        TestForm form;
        EventTarget receiver;
        int asked = 0;
        form.events.closeQuery.subscribe(receiver, 0, [&](WindowObject&, std::int32_t) { return ++asked, c.firstAnswer; });
        form.events.closeConfirm.subscribe(receiver, 0, [&](WindowObject&, std::int32_t) { return ++asked, c.secondAnswer; });
        ASSERT_TRUE(createPlainForm(form, 0, 0, 100, 50));
        SendMessageW(form.handle(), WM_CLOSE, 0, 0);
        EXPECT_EQ(c.closes, form.handle() == nullptr) << c.firstAnswer << c.secondAnswer;
        EXPECT_EQ(c.firstAnswer ? 1 : 2, asked) << c.firstAnswer << c.secondAnswer;
    }
}

TEST(FormClose, minimumTrackSizeIsOnePixelAndTheEventMayChangeIt) {
    TestForm form;
    EventTarget receiver;
    form.events.minMaxInfo.subscribe(receiver, 0, [](WindowObject&, std::int32_t, rg_ChuangKouWeiZhiXianZhiXinXi& limits) {
        EXPECT_EQ(1, limits.minimumTrackSize.x);
        EXPECT_EQ(1, limits.minimumTrackSize.y);
        limits.maximumTrackSize = POINT{640, 480};
        return 0;
    });
    ASSERT_TRUE(createPlainForm(form, 0, 0, 100, 50));
    MINMAXINFO info{};
    SendMessageW(form.handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(1, info.ptMinTrackSize.x);
    EXPECT_EQ(640, info.ptMaxTrackSize.x);
    EXPECT_EQ(480, info.ptMaxTrackSize.y);
}

TEST(FormShape, aRoundedFormHasCornersCutByAFifthOfItsSmallerSide) {
    TestForm form;
    form.setShape(CVWnd_WinForm::kShapeRoundedRectangle);
    ASSERT_TRUE(createPlainForm(form, 0, 0, 500, 300));
    const OwnedRegion owned(CreateRectRgn(0, 0, 0, 0));
    const HRGN region = owned.get();
    ASSERT_NE(ERROR, GetWindowRgn(form.handle(), region));
    EXPECT_FALSE(PtInRegion(region, 1, 1));       // cut by the 60 × 60 corner ellipse
    EXPECT_TRUE(PtInRegion(region, 30, 1));       // the corner ends 30 pixels in
    EXPECT_TRUE(PtInRegion(region, 250, 150));
    EXPECT_FALSE(PtInRegion(region, 498, 298));
}

TEST(FormLifetime, destroyingTheMainWindowPostsQuit) {
    TestForm form;
    ASSERT_TRUE(createPlainForm(form, 0, 0, 100, 50));
    windowModule().mainWindowHandle = form.handle();
    DestroyWindow(form.handle());
    windowModule().mainWindowHandle = nullptr;
    MSG message{};
    ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(0u, message.wParam);
    EXPECT_EQ(nullptr, form.handle());
}

TEST(FormLifetime, anotherFormsDestructionLeavesTheLoopRunning) {
    TestForm form;
    ASSERT_TRUE(createPlainForm(form, 0, 0, 100, 50));
    DestroyWindow(form.handle());
    MSG message{};
    EXPECT_FALSE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

// What a timer does during a modal run: the run's own loop dispatches it.
struct ModalScript {
    TestForm* dialog = nullptr;
    HWND owner = nullptr;
    bool ownerDisabledDuringRun = false;
    bool closeInstead = false;
};
ModalScript modalScript;

void CALLBACK actDuringModalRun(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    modalScript.ownerDisabledDuringRun = modalScript.owner && !IsWindowEnabled(modalScript.owner);
    if (modalScript.closeInstead)
        PostMessageW(modalScript.dialog->handle(), WM_CLOSE, 0, 0);
    else
        modalScript.dialog->endModal(7);
}

TEST(FormModal, aModalRunDisablesItsOwnerAndEndsWithItsResult) {
    TestForm owner;
    ASSERT_TRUE(createPlainForm(owner, 0, 0, 200, 100));
    TestForm dialog;
    dialog.designWidth = 100;
    dialog.designHeight = 50;
    modalScript = ModalScript{&dialog, owner.handle(), false, false};
    SetTimer(nullptr, 0, 20, actDuringModalRun);
    EXPECT_EQ(7, dialog.runModal(owner.handle()));
    EXPECT_TRUE(modalScript.ownerDisabledDuringRun);
    EXPECT_TRUE(IsWindowEnabled(owner.handle()));
    EXPECT_EQ(nullptr, dialog.handle());
}

TEST(FormModal, closingAModalFormEndsItsRunWithMinusOne) {
    TestForm dialog;
    dialog.designWidth = 100;
    dialog.designHeight = 50;
    modalScript = ModalScript{&dialog, nullptr, false, true};
    SetTimer(nullptr, 0, 20, actDuringModalRun);
    EXPECT_EQ(-1, dialog.runModal(nullptr));
}

TEST(FormTray, trayMouseMessagesRaiseTheTrayEvent) {
    TestForm form;
    EventTarget receiver;
    std::vector<int> seen;
    form.events.trayMouse.subscribe(receiver, 0, [&](WindowObject&, std::int32_t, int kind) { return seen.push_back(kind), 0; });
    ASSERT_TRUE(createPlainForm(form, 0, 0, 100, 50));
    for (const UINT mouse : {WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONUP, WM_CONTEXTMENU, WM_MOUSEMOVE})
        SendMessageW(form.handle(), 0xA000, 100, mouse);
    EXPECT_EQ((std::vector<int>{1, 2, 3, 3}), seen);
}

}  // namespace
