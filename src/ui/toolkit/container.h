// Containers: windows that hold controls and paint a background colour and picture. The form is
// one; CVWnd_Container is the plain kind.
#pragma once

#include "ui/toolkit/colours.h"
#include "ui/toolkit/window_object.h"

class ContainerWindow : public WindowObject {
public:
    COLORREF backgroundColour() const { return background; }
    // kSystemColour: COLOR_BTNFACE.
    void setBackgroundColour(COLORREF colour);
    // Takes ownership of the picture (null: none); mode is a PictureMode.
    void setBackgroundPicture(HBITMAP picture, int mode);

protected:
    explicit ContainerWindow(IBaseEventListener& listener) : WindowObject(listener) {}
    void paintClient(HDC dc, const RECT& update) override;

private:
    COLORREF background = kSystemColour;
    OwnedBitmap picture;
    int pictureMode = 0;
};

class CVWnd_Container final : public ContainerWindow {
public:
    CVWnd_Container() : ContainerWindow(events) {}
    ~CVWnd_Container() override { destroyWindow(); }
    const char* kindName() const override { return "CVWnd_Container"; }

    IContainerEventListener events;

protected:
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};

using rg_ZuJianBuJuQi = CVWnd_Container;
