// The label: a single- or multi-line text on its background colour or picture. Labels answer
// DLGC_STATIC, so a drag-to-move form moves when one is pressed.
#pragma once

#include "ui/toolkit/colours.h"
#include "ui/toolkit/window_object.h"

class CVWnd_Label final : public WindowObject {
public:
    enum Alignment : int { kAlignStart = 0, kAlignCentre = 1, kAlignEnd = 2 };

    CVWnd_Label() : WindowObject(events) {}
    ~CVWnd_Label() override { destroyWindow(); }
    const char* kindName() const override { return "CVWnd_Label"; }

    ILabelEventListener events;

    // kSystemColour: COLOR_WINDOWTEXT for the text, COLOR_BTNFACE for the background.
    void setTextColour(COLORREF colour);
    void setBackgroundColour(COLORREF colour);
    // A transparent label fills no background.
    void setTransparent(bool on);
    // Left, centre, right; top, centre, bottom (ignored by a multi-line label, which wraps words).
    void setAlignment(int horizontal, int vertical);
    void setMultiLine(bool on);
    // Takes ownership of the picture (null: none); mode is a PictureMode.
    void setBackgroundPicture(HBITMAP picture, int mode);

protected:
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void paintClient(HDC dc, const RECT& update) override;

private:
    void repaint();

    COLORREF textColour = kSystemColour;
    COLORREF background = kSystemColour;
    bool transparent = false;
    int horizontalAlignment = kAlignStart;
    int verticalAlignment = kAlignCentre;
    bool multiLine = false;
    OwnedBitmap picture;
    int pictureMode = 0;
};

using rg_label = CVWnd_Label;
