// The window as it stands: size, place, styles, controls, fonts and what input moves or closes it.
// MainWindowLayout runs at 96 DPI with the other tests and again at 120 and 144 DPI in Wine
// prefixes of their own (DOVRANE_TEST_DPI names the DPI the prefix is set to).
#include <gtest/gtest.h>

#include <cstdlib>

#include "main_window_driver.h"
#include "ui/toolkit/display_scale.h"
#include "ui/toolkit/input_pretranslation.h"
#include "window_driver.h"

namespace {

struct Box {
    int x, y, width, height;
    bool operator==(const Box&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Box& box) {
    return out << "(" << box.x << ", " << box.y << ") " << box.width << " x " << box.height;
}

Box clientBoxIn(HWND window, HWND control) {
    const RECT rectangle = rectangleIn(window, control);
    return {rectangle.left, rectangle.top, rectangle.right - rectangle.left, rectangle.bottom - rectangle.top};
}

struct DpiLayout {
    unsigned dpi;
    int clientWidth, clientHeight;
    Box closeButton;
    Box panel;
    int bodyFontHeight, titleFontHeight;
};

const DpiLayout kLayouts[] = {
    {96, 522, 97, {501, 5, 16, 16}, {1, 25, 520, 71}, -12, -13},
    {120, 653, 121, {626, 6, 20, 20}, {1, 31, 650, 89}, -15, -17},
    {144, 783, 146, {752, 8, 24, 24}, {2, 38, 780, 107}, -18, -20},
};

unsigned expectedDpi() {
    const char* text = std::getenv("DOVRANE_TEST_DPI");
    return text ? static_cast<unsigned>(std::atoi(text)) : 96u;
}

LONG fontHeight(HWND control) {
    const auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    LOGFONTW description{};
    if (!font || !GetObjectW(font, sizeof description, &description)) return 0;
    return description.lfHeight;
}

WideString fontFace(HWND control) {
    const auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    LOGFONTW description{};
    if (!font || !GetObjectW(font, sizeof description, &description)) return {};
    return WideString(reinterpret_cast<const char16_t*>(description.lfFaceName));
}

TEST(MainWindowLayout, sizePlaceControlsAndFontsFollowTheScreensDpi) {
    const unsigned dpi = expectedDpi();
    ASSERT_EQ(dpi, queryDisplayDpi()) << "the Wine prefix does not have the DPI this run is for";
    const DpiLayout* layout = nullptr;
    for (const DpiLayout& candidate : kLayouts)
        if (candidate.dpi == dpi) layout = &candidate;
    ASSERT_NE(nullptr, layout) << dpi;

    OpenMainWindow opened;
    const HWND window = opened.handle();
    RECT client, frame;
    GetClientRect(window, &client);
    GetWindowRect(window, &frame);
    EXPECT_EQ(layout->clientWidth, client.right);
    EXPECT_EQ(layout->clientHeight, client.bottom);
    EXPECT_EQ(layout->clientWidth, frame.right - frame.left) << "no frame around the client area";
    EXPECT_EQ(layout->clientHeight, frame.bottom - frame.top);
    EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - layout->clientWidth) / 2, frame.left);
    EXPECT_EQ((GetSystemMetrics(SM_CYSCREEN) - layout->clientHeight) / 2, frame.top);

    EXPECT_EQ(layout->closeButton, clientBoxIn(window, opened.control(kCloseButtonId)));
    EXPECT_EQ(layout->panel, clientBoxIn(window, opened.control(kPanelId)));
    for (const int id : {kHintLabelId, kStartButtonId, kPathBoxId})
        EXPECT_EQ(layout->bodyFontHeight, fontHeight(opened.control(id))) << "control " << id;
    EXPECT_EQ(layout->titleFontHeight, fontHeight(opened.control(kTitleLabelId)));
    EXPECT_EQ(u"微软雅黑", fontFace(opened.control(kTitleLabelId)));
}

TEST(MainWindowLayout, theControlsStandWhereTheyBelongAt96Dpi) {
    if (expectedDpi() != 96) GTEST_SKIP() << "design pixels are screen pixels at 96 DPI only";
    struct Placed {
        int id;
        int parentId;   // 0: the window
        Box box;
        const char16_t* text;
    };
    const Placed controls[] = {
        {kPanelId, 0, {1, 25, 520, 71}, u"外形框1"},
        {kHintLabelId, kPanelId, {7, 38, 504, 20}, u"请将需要修复的数据库拖到软件上"},
        {kStartButtonId, kPanelId, {463, 7, 55, 23}, u"开始修复"},
        {kCloseButtonId, 0, {501, 5, 16, 16}, u""},
        {kTitleLabelId, 0, {8, 4, 168, 20}, u"Dovrane V2.1"},
    };
    OpenMainWindow opened;
    for (const Placed& placed : controls) {
        const HWND control = opened.control(placed.id);
        ASSERT_NE(nullptr, control) << placed.id;
        const HWND parent = placed.parentId ? opened.control(placed.parentId) : opened.handle();
        EXPECT_EQ(parent, GetParent(control)) << placed.id;
        RECT frame;
        GetWindowRect(control, &frame);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&frame), 2);
        EXPECT_EQ(placed.box, (Box{frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top})) << placed.id;
        EXPECT_EQ(WideString(placed.text), controlText(control)) << placed.id;
    }
    // The path box ends where the start button begins; the system may make it taller to fit its font.
    RECT pathFrame;
    const HWND pathBox = opened.control(kPathBoxId);
    GetWindowRect(pathBox, &pathFrame);
    MapWindowPoints(nullptr, opened.control(kPanelId), reinterpret_cast<POINT*>(&pathFrame), 2);
    EXPECT_EQ(4, pathFrame.left);
    EXPECT_EQ(7, pathFrame.top);
    EXPECT_EQ(463, pathFrame.right);
    EXPECT_GE(pathFrame.bottom - pathFrame.top, 23);
}

TEST(MainWindowLayout, aBorderlessStripThatAcceptsFilesAndAReadOnlyPathBox) {
    OpenMainWindow opened;
    const LONG_PTR style = GetWindowLongPtrW(opened.handle(), GWL_STYLE);
    const LONG_PTR extended = GetWindowLongPtrW(opened.handle(), GWL_EXSTYLE);
    EXPECT_EQ(0, style & (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_DLGFRAME | WS_MAXIMIZEBOX));
    EXPECT_EQ(WS_MINIMIZEBOX, style & WS_MINIMIZEBOX);
    EXPECT_EQ(WS_EX_ACCEPTFILES | WS_EX_CONTROLPARENT, extended & (WS_EX_ACCEPTFILES | WS_EX_CONTROLPARENT));
    EXPECT_EQ(0, extended & (WS_EX_DLGMODALFRAME | WS_EX_TOOLWINDOW | WS_EX_CLIENTEDGE));
    EXPECT_EQ(u"Dovrane", controlText(opened.handle()));

    const HWND pathBox = opened.control(kPathBoxId);
    EXPECT_EQ(ES_READONLY | WS_BORDER, GetWindowLongPtrW(pathBox, GWL_STYLE) & (ES_READONLY | WS_BORDER));
    EXPECT_EQ(0, GetWindowLongPtrW(pathBox, GWL_EXSTYLE) & (WS_EX_CLIENTEDGE | WS_EX_STATICEDGE | WS_EX_DLGMODALFRAME));
    // Typing does not reach the text; selecting and copying still work.
    dropFiles(opened.handle(), {u"D:\\data\\shop.db"});
    SetFocus(pathBox);
    SendMessageW(pathBox, WM_CHAR, L'x', 0);
    EXPECT_EQ(u"D:\\data\\shop.db", controlText(pathBox));
}

// Esc is offered to the window as the message loop offers it, and the window stays.
TEST(MainWindowLayout, escapeDoesNotCloseTheWindow) {
    OpenMainWindow opened;
    SetFocus(opened.control(kPathBoxId));
    PostMessageW(opened.control(kPathBoxId), WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageW(opened.control(kPathBoxId), WM_KEYUP, VK_ESCAPE, 0);
    pumpFor(100);
    EXPECT_TRUE(IsWindowVisible(opened.handle()));
    EXPECT_EQ(1u, opened.boxes.seen().size()) << "only the start-up tip";
}

// A press on the background, the labels or the panel starts a move of the window (the toolkit
// turns it into a caption press); a press on a button or the path box does not.
TEST(MainWindowLayout, pressesOnTheBackgroundAndLabelsMoveTheWindowAndOnControlsDoNot) {
    struct PressCase {
        int id;   // 0: the window's own background
        bool moves;
    };
    const PressCase cases[] = {{0, true}, {kPanelId, true}, {kHintLabelId, true}, {kTitleLabelId, true},
                               {kStartButtonId, false}, {kPathBoxId, false}, {kCloseButtonId, false}};
    OpenMainWindow opened;
    for (const PressCase& c : cases) {
        const HWND target = c.id ? opened.control(c.id) : opened.handle();
        MSG press{target, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2), static_cast<DWORD>(GetMessageTime()), {}};
        preTranslateInput(press);
        MSG move{};
        const bool moveAsked = PeekMessageW(&move, opened.handle(), WM_NCLBUTTONDOWN, WM_NCLBUTTONDOWN, PM_REMOVE);
        EXPECT_EQ(c.moves, moveAsked && move.wParam == HTCAPTION) << "control " << c.id;
        ReleaseCapture();   // a button that took the press lets it go without a click
    }
}

}  // namespace
