// The picture button: shows one of four pictures by its state (normal, hover, pressed, disabled),
// optionally shaped to its picture by a transparent key colour, and raises click on release.
#pragma once

#include "ui/toolkit/colours.h"
#include "ui/toolkit/window_object.h"

class CVWnd_PicButton final : public WindowObject {
public:
    enum Slot : int { kNormal = 0, kHover = 1, kPressed = 2, kDisabled = 3 };

    CVWnd_PicButton() : WindowObject(events) {}
    ~CVWnd_PicButton() override { destroyWindow(); }
    const char* kindName() const override { return "CVWnd_PicButton"; }

    IPicButtonEventListener events;

    // Takes ownership of the picture; the slot's previous one is deleted when it differs.
    void setPicture(int slot, HBITMAP picture);
    // kSystemColour: COLOR_BTNFACE.
    void setBackgroundColour(COLORREF colour);
    // kSystemColour: no key. With a key, the window takes the shape of the picture's other pixels.
    void setTransparentColour(COLORREF colour);
    // In toggle mode a click flips checked, and the button shows its pressed picture while checked.
    void setToggleMode(bool on);
    void setChecked(bool on);
    bool isChecked() const { return checked; }
    // 0 normal, 1 hover, 2 pressed.
    int visualState() const { return state; }

protected:
    HBRUSH classBackground() const override { return reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1); }
    void afterCreate() override;
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void paintClient(HDC dc, const RECT& update) override;

private:
    HBITMAP shownPicture() const;
    void refresh(bool stateChanged);
    void changeState(int next);
    bool isInside(LPARAM lParam) const;
    LRESULT onLeftButtonDown(LPARAM lParam);
    LRESULT onMouseMove(WPARAM wParam, LPARAM lParam);
    LRESULT onLeftButtonUp(LPARAM lParam);

    OwnedBitmap pictures[4];
    int state = kNormal;
    bool toggleMode = false;
    bool checked = false;
    COLORREF background = kSystemColour;
    COLORREF transparentColour = kSystemColour;
};

using rg_TuXingAnNiu = CVWnd_PicButton;

// The region of a picture's pixels whose colour differs from key, scaled to width × height; null
// when the picture cannot be read.
HRGN regionFromPicture(HBITMAP picture, COLORREF key, int width, int height);
