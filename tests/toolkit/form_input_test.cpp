// What a form makes of input: dropped files, Escape, drag-to-move, and the private message
// protocol through which the message loop offers it queued input.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstring>

#include "toolkit/window_fixture.h"
#include "ui/toolkit/edit_box.h"
#include "ui/toolkit/input_pretranslation.h"
#include "ui/toolkit/label.h"
#include "ui/toolkit/private_messages.h"
#include "ui/toolkit/shape_box.h"
#include "ui/toolkit/super_button.h"
#include "ui/toolkit/win32_text.h"

namespace {

// A DROPFILES block as the shell hands it over: the header, then the wide paths, each ended by a
// zero, and one more zero. The receiver frees it with DragFinish.
HDROP dropOf(const StringArray& paths) {
    std::size_t units = 2;   // the list ends with an extra zero; an empty list is two zeros
    for (const WideString& path : paths) units += path.size() + 1;
    const HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + units * sizeof(wchar_t));
    auto* header = static_cast<DROPFILES*>(GlobalLock(block));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    auto* text = reinterpret_cast<char16_t*>(reinterpret_cast<char*>(header) + sizeof(DROPFILES));
    for (const WideString& path : paths) {
        std::memcpy(text, path.c_str(), (path.size() + 1) * sizeof(char16_t));
        text += path.size() + 1;
    }
    GlobalUnlock(block);
    return static_cast<HDROP>(block);
}

struct DropRecord {
    int events = 0;
    StringArray paths;
};

DropRecord dropOnForm(const StringArray& paths) {
    TestForm form;
    EventTarget receiver;
    DropRecord record;
    form.events.filesDropped.subscribe(receiver, 0, [&](WindowObject&, std::int32_t, const StringArray& dropped) {
        ++record.events;
        record.paths = dropped;
        return 0;
    });
    EXPECT_TRUE(createPlainForm(form, 0, 0, 100, 50));
    SendMessageW(form.handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(dropOf(paths)), 0);
    return record;
}

TEST(FilesDropped, threeFilesRaiseOneEventWithThreePathsInDropOrder) {
    const StringArray paths{u"C:\\data\\one.db", u"C:\\data\\两.DB", u"D:\\three.sqlite"};
    const DropRecord record = dropOnForm(paths);
    EXPECT_EQ(1, record.events);
    EXPECT_EQ(paths, record.paths);
}

TEST(FilesDropped, pathsPastMaxPathArriveWhole) {
    const WideString path = u"C:\\" + WideString(294, u'a') + u".db";
    ASSERT_EQ(300u, path.size());
    const WideString deep = u"\\\\server\\share\\" + WideString(200, u'库') + u"\\" + WideString(200, u'b') + u".db";
    const DropRecord record = dropOnForm({path, deep});
    EXPECT_EQ((StringArray{path, deep}), record.paths);
}

TEST(FilesDropped, anEmptyDropRaisesNothing) { EXPECT_EQ(0, dropOnForm({}).events); }

// A queued message as the loop would see it, offered to the toolkit windows.
bool offer(HWND target, UINT message, WPARAM wParam, LPARAM lParam = 0) {
    MSG queued{target, message, wParam, lParam, GetTickCount(), {0, 0}};
    return preTranslateInput(queued);
}

bool takeQueued(HWND window, UINT message, MSG& taken) { return PeekMessageW(&taken, window, message, message, PM_REMOVE) != FALSE; }

TEST(FormInput, escapeClosesOnlyAFormThatClosesOnEscape) {
    for (const bool closeOnEscape : {true, false}) {
        TestForm form;
        form.setCloseOnEscape(closeOnEscape);
        ASSERT_TRUE(createPlainForm(form, 0, 0, 100, 50));
        EXPECT_EQ(closeOnEscape, offer(form.handle(), WM_KEYDOWN, VK_ESCAPE)) << closeOnEscape;
        pumpMessages();
        EXPECT_EQ(closeOnEscape, form.handle() == nullptr) << closeOnEscape;
    }
}

TEST(FormInput, dragToMoveIsClaimedOnStaticControlsAndTheFormButNotOnButtonsOrEditBoxes) {
    TestForm form;
    form.setDragToMove(true);
    CVWnd_ShapeBox panel;
    CVWnd_Label label;
    CVWnd_SupperButton button;
    CVWnd_Edit edit;
    form.build = [&](TestForm& self) {
        panel.create(childAt(self.handle(), 0, 0, 200, 100));
        label.create(childAt(panel.handle(), 5, 5, 80, 20));
        button.create(childAt(panel.handle(), 5, 30, 80, 20));
        edit.create(childAt(panel.handle(), 5, 60, 80, 20));
    };
    ASSERT_TRUE(createPlainForm(form, 0, 0, 200, 120));
    struct Case {
        const char* name;
        HWND target;
        bool moves;
    };
    const Case cases[] = {{"form", form.handle(), true}, {"shape box", panel.handle(), true}, {"label", label.handle(), true},
                          {"button", button.handle(), false}, {"edit box", edit.handle(), false}};
    for (const Case& c : cases) {
        const bool claimed = offer(c.target, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
        MSG move{};
        const bool posted = takeQueued(form.handle(), WM_NCLBUTTONDOWN, move);
        EXPECT_EQ(c.moves, posted) << c.name;
        if (c.moves) {
            EXPECT_TRUE(claimed) << c.name;
            EXPECT_EQ(static_cast<WPARAM>(HTCAPTION), move.wParam) << c.name;
        }
    }
}

TEST(FormInput, aFormWithoutDragToMoveLeavesPressesAlone) {
    TestForm form;
    CVWnd_Label label;
    form.build = [&](TestForm& self) { label.create(childAt(self.handle(), 5, 5, 80, 20)); };
    ASSERT_TRUE(createPlainForm(form, 0, 0, 100, 50));
    offer(label.handle(), WM_LBUTTONDOWN, MK_LBUTTON);
    MSG move{};
    EXPECT_FALSE(takeQueued(form.handle(), WM_NCLBUTTONDOWN, move));
}

TEST(FormInput, thePreFilterEventCanClaimAnyInputForTheForm) {
    TestForm form;
    EventTarget receiver;
    UINT seen = 0;
    form.events.messagePreFilter.subscribe(receiver, 0, [&](WindowObject&, std::int32_t, MSG* message) {
        seen = message->message;
        return message->message == WM_KEYDOWN ? 1 : 0;
    });
    ASSERT_TRUE(createPlainForm(form, 0, 0, 100, 50));
    EXPECT_TRUE(offer(form.handle(), WM_KEYDOWN, 'Q'));
    EXPECT_EQ(static_cast<UINT>(WM_KEYDOWN), seen);
    EXPECT_FALSE(offer(form.handle(), WM_TIMER, 0));   // not input: never offered
    EXPECT_EQ(static_cast<UINT>(WM_KEYDOWN), seen);
}

TEST(PrivateMessages, controlsAnswerTheirIdAndObjectOnlyWithTheMagic) {
    TestForm form;
    CVWnd_Label label;
    form.build = [&](TestForm& self) { label.create(childAt(self.handle(), 0, 0, 10, 10, 102)); };
    ASSERT_TRUE(createPlainForm(form, 0, 0, 100, 50));

    int id = 0;
    EXPECT_EQ(kToolkitMagic, SendMessageW(label.handle(), kMessageQueryControlId, reinterpret_cast<WPARAM>(&id), kToolkitMagic));
    EXPECT_EQ(102, id);
    id = 0;
    EXPECT_NE(kToolkitMagic, SendMessageW(label.handle(), kMessageQueryControlId, reinterpret_cast<WPARAM>(&id), 1));
    EXPECT_EQ(0, id);

    ObjectQuery asLabel{"CVWnd_Label", nullptr}, asButton{"CVWnd_PicButton", nullptr};
    EXPECT_EQ(kToolkitMagic, SendMessageW(label.handle(), kMessageQueryObject, reinterpret_cast<WPARAM>(&asLabel), kToolkitMagic));
    EXPECT_EQ(&label, asLabel.object);
    SendMessageW(label.handle(), kMessageQueryObject, reinterpret_cast<WPARAM>(&asButton), kToolkitMagic);
    EXPECT_EQ(nullptr, asButton.object);
}

TEST(PrivateMessages, filtersAddedByMessageSeeMessagesFirstUntilRemoved) {
    struct CountingFilter : WindowProcedureFilter {
        int handled = 0;
        bool destroyed = false;
        bool filterMessage(HWND, UINT message, WPARAM, LPARAM, LRESULT& result) override {
            if (message != WM_GETDLGCODE) return false;
            ++handled;
            result = 0x1234;
            return true;
        }
        void windowDestroyed(HWND) override { destroyed = true; }
    } filter;
    TestForm form;
    CVWnd_Label label;
    form.build = [&](TestForm& self) { label.create(childAt(self.handle(), 0, 0, 10, 10)); };
    ASSERT_TRUE(createPlainForm(form, 0, 0, 100, 50));
    const auto send = [&](UINT message) { return SendMessageW(label.handle(), message, reinterpret_cast<WPARAM>(&filter), kToolkitMagic); };

    send(kMessageAddFilter);
    send(kMessageAddFilter);   // already present: added once
    EXPECT_EQ(0x1234, SendMessageW(label.handle(), WM_GETDLGCODE, 0, 0));
    send(kMessageRemoveFilter);
    EXPECT_EQ(DLGC_STATIC, SendMessageW(label.handle(), WM_GETDLGCODE, 0, 0));
    EXPECT_EQ(1, filter.handled);

    send(kMessageAddFilter);
    DestroyWindow(form.handle());
    EXPECT_TRUE(filter.destroyed);
}

TEST(EventBindings, aHandlerWhoseReceiverIsClosedIsNotCalled) {
    TestForm form;
    int calls = 0;
    {
        EventTarget receiver;
        form.events.filesDropped.subscribe(receiver, 0, [&](WindowObject&, std::int32_t, const StringArray&) { return ++calls; });
        ASSERT_TRUE(createPlainForm(form, 0, 0, 100, 50));
        SendMessageW(form.handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(dropOf({u"C:\\a.db"})), 0);
    }
    SendMessageW(form.handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(dropOf({u"C:\\b.db"})), 0);
    EXPECT_EQ(1, calls);
}

}  // namespace
