// The edit box: the system EDIT control, subclassed for its colours, its input mode and, when it is
// a single line, its text centred vertically.
#pragma once

#include "ui/toolkit/colours.h"
#include "ui/toolkit/input_modes.h"
#include "ui/toolkit/window_object.h"

class CVWnd_Edit;

// The edit box's spin arrows: a subclassed up-down control beside the box, with the box's id plus
// 1000. Each arrow steps the box's number by one, wrapping at the ends of the range.
class CEditSpin final : public WindowObject {
public:
    explicit CEditSpin(CVWnd_Edit& edit) : WindowObject(events), edit(edit) {}
    ~CEditSpin() override { destroyWindow(); }
    const char* kindName() const override { return "CEditSpin"; }

    IBaseEventListener events;
    int minimum = 0;
    int maximum = 100;
    // Off: the arrows only report their step through the edit box's spinStep event.
    bool automatic = true;

protected:
    const wchar_t* systemClassName() const override { return L"msctls_updown32"; }
    void afterCreate() override;
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void step(int delta);
    CVWnd_Edit& edit;
};

class CVWnd_Edit final : public WindowObject {
public:
    using enum InputMode;
    enum BorderStyle : int { kBorderNone = 0, kBorderSingleLine = 1, kBorderSunken = 2 };

    CVWnd_Edit();
    ~CVWnd_Edit() override { destroyWindow(); }
    const char* kindName() const override { return "CVWnd_Edit"; }

    IEditEventListener events;

    void setTextColour(COLORREF colour);
    // kSystemColour: COLOR_BTNFACE.
    void setBackgroundColour(COLORREF colour);
    // Before creation only: a multi-line box keeps the system's layout.
    void setMultiLine(bool on) { multiLine = on; }
    // An InputMode. Read-only keeps the text selectable and copyable; password shows '*'; the typed
    // modes normalise the text when the box loses the focus.
    void setInputMode(int mode);
    // Spin arrows beside the box over the range; made with the box, or at once on a live one.
    void setSpinArrows(int minimum, int maximum, bool automatic);
    // Single line: WS_BORDER without the edge extended styles; sunken: WS_EX_CLIENTEDGE.
    void setBorderStyle(int style);
    // Puts the caret after the last character and scrolls it into view, so that the end of a text
    // longer than the box shows. Nothing without a native window.
    void showTextEnd();

protected:
    const wchar_t* systemClassName() const override { return L"EDIT"; }
    NativeWindowRequest creationRequest(const CreationParameters& parameters) override;
    void afterCreate() override;
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void applyInputMode();
    void applyBorderStyle();
    void createSpin();
    LRESULT onKillFocus(WPARAM wParam, LPARAM lParam);
    LRESULT onColourMessage(HDC dc);
    LRESULT onSetFont(WPARAM wParam, LPARAM lParam);
    LRESULT onCalculateSize(WPARAM wParam, LPARAM lParam);
    LRESULT onNonClientPaint(WPARAM wParam, LPARAM lParam);
    LRESULT onHitTest(WPARAM wParam, LPARAM lParam);

    COLORREF textColour = 0;
    COLORREF background = 0xFFFFFF;
    OwnedBrush backgroundBrush;
    bool multiLine = false;
    int inputMode = kInputPlain;
    int borderStyle = kBorderSunken;
    int textHeight = 0;
    bool wantsSpin = false;
    CEditSpin spin{*this};
};

using rg_edit_box = CVWnd_Edit;
