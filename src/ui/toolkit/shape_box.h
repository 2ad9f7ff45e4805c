// The shape box: a rectangle, square, ellipse, circle, rounded rectangle or square, or a line,
// drawn with a line style, an optional fill and an optional two-tone 3-D look. It answers
// DLGC_STATIC, so a drag-to-move form moves when one is pressed.
#pragma once

#include "ui/toolkit/colours.h"
#include "ui/toolkit/window_object.h"

class CVWnd_ShapeBox final : public WindowObject {
public:
    enum Kind : int { kRectangle = 0, kSquare = 1, kEllipse = 2, kCircle = 3, kRoundedRectangle = 4,
                      kRoundedSquare = 5, kHorizontalLine = 6, kVerticalLine = 7 };
    enum LineStyle : int { kLineNone = 0, kLineSolid = 1, kLineDash = 2, kLineDot = 3, kLineDashDot = 4, kLineDashDotDot = 5 };
    enum Effect : int { kFlat = 0, kRaised = 1, kSunken = 2 };

    CVWnd_ShapeBox() : WindowObject(events) {}
    ~CVWnd_ShapeBox() override { destroyWindow(); }
    const char* kindName() const override { return "CVWnd_ShapeBox"; }

    IBaseEventListener events;

    // kSystemColour: COLOR_BTNFACE.
    void setBackgroundColour(COLORREF colour);
    void setLineColour(COLORREF colour);
    // kNoFill: the shape is not filled.
    void setFillColour(COLORREF colour);
    void setKind(int kind);
    void setEffect(int effect);
    void setLineStyle(int style);
    void setLineWidth(int width);

protected:
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void paintClient(HDC dc, const RECT& update) override;
    HBRUSH classBackground() const override { return reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1); }

private:
    void repaint();
    void drawShape(HDC dc, RECT shape, int cornerWidth, int cornerHeight) const;

    COLORREF background = kSystemColour;
    COLORREF lineColour = 0;
    COLORREF fillColour = kNoFill;
    int kind = kRectangle;
    int effect = kFlat;
    int lineStyle = kLineSolid;
    int lineWidth = 1;
};

using rg_WaiXingKuang = CVWnd_ShapeBox;
