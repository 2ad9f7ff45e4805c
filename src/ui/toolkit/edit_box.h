// The edit box: the system EDIT control, subclassed for its colours, its input mode and, when it is
// a single line, its text centred vertically.
#pragma once

#include "ui/toolkit/colours.h"
#include "ui/toolkit/window_object.h"

class CVWnd_Edit final : public WindowObject {
public:
    enum InputMode : int { kInputPlain = 0, kInputReadOnly = 1, kInputPassword = 2 };
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
    // Read-only keeps the text selectable and copyable; password shows '*'.
    void setInputMode(int mode);
    // Single line: WS_BORDER without the edge extended styles; sunken: WS_EX_CLIENTEDGE.
    void setBorderStyle(int style);

protected:
    const wchar_t* systemClassName() const override { return L"EDIT"; }
    NativeWindowRequest creationRequest(const CreationParameters& parameters) override;
    void afterCreate() override;
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void applyInputMode();
    void applyBorderStyle();
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
};

using rg_edit_box = CVWnd_Edit;
