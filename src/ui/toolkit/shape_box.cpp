// Shape box painting: background, then one pass with the first pen and the fill, and with a 3-D
// look a second pass one pixel up and left with the second pen.
#include "ui/toolkit/shape_box.h"

namespace {

int penStyleOf(int lineStyle) {
    switch (lineStyle) {
    case CVWnd_ShapeBox::kLineNone: return PS_NULL;
    case CVWnd_ShapeBox::kLineSolid: return PS_INSIDEFRAME;
    case CVWnd_ShapeBox::kLineDash: return PS_DASH;
    case CVWnd_ShapeBox::kLineDot: return PS_DOT;
    case CVWnd_ShapeBox::kLineDashDot: return PS_DASHDOT;
    default: return PS_DASHDOTDOT;
    }
}

constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kBlack = 0;

}  // namespace

void CVWnd_ShapeBox::repaint() {
    if (window) InvalidateRect(window, nullptr, FALSE);
}

void CVWnd_ShapeBox::setBackgroundColour(COLORREF colour) { background = colour; repaint(); }
void CVWnd_ShapeBox::setLineColour(COLORREF colour) { lineColour = colour; repaint(); }
void CVWnd_ShapeBox::setFillColour(COLORREF colour) { fillColour = colour; repaint(); }
void CVWnd_ShapeBox::setKind(int value) { kind = value; repaint(); }
void CVWnd_ShapeBox::setEffect(int value) { effect = value; repaint(); }
void CVWnd_ShapeBox::setLineStyle(int style) { lineStyle = style; repaint(); }
void CVWnd_ShapeBox::setLineWidth(int width) { lineWidth = width; repaint(); }

LRESULT CVWnd_ShapeBox::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
    case WM_PRINTCLIENT: return paintMessage(message, wParam);
    case WM_GETDLGCODE: return DLGC_STATIC;
    default: return WindowObject::handleMessage(message, wParam, lParam);
    }
}

void CVWnd_ShapeBox::paintClient(HDC dc, const RECT& update) {
    const int penStyle = penStyleOf(lineStyle);
    const int width = (effect == kFlat && lineStyle == kLineSolid && lineWidth > 1) ? lineWidth : 0;
    const bool threeD = effect == kRaised || effect == kSunken;
    const OwnedPen firstPen(CreatePen(penStyle, width, threeD ? (effect == kRaised ? kWhite : kBlack) : lineColour));
    const OwnedPen secondPen(threeD ? CreatePen(penStyle, 0, effect == kRaised ? kBlack : kWhite) : nullptr);
    const OwnedBrush fill(fillColour == kNoFill ? nullptr : CreateSolidBrush(fillColour));

    RECT shape{};
    GetClientRect(window, &shape);
    if (threeD) {
        if (kind != kHorizontalLine) ++shape.left;
        if (kind != kVerticalLine) ++shape.top;
    }
    const OwnedBrush backgroundBrush(CreateSolidBrush(resolvedColour(background, COLOR_BTNFACE)));
    {
        const SelectedObject brush(dc, backgroundBrush.get());
        PatBlt(dc, update.left, update.top, update.right - update.left, update.bottom - update.top, PATCOPY);
    }
    const int cornerWidth = (shape.right - shape.left) / 5, cornerHeight = (shape.bottom - shape.top) / 5;
    if (kind == kSquare || kind == kCircle || kind == kRoundedSquare) {
        const int width = shape.right - shape.left, height = shape.bottom - shape.top;
        if (width > height) {
            shape.left += (width - height) / 2;
            shape.right = shape.left + height;
        } else {
            shape.top += (height - width) / 2;
            shape.bottom = shape.top + width;
        }
    }
    SetBkMode(dc, TRANSPARENT);
    {
        const SelectedObject pen(dc, firstPen.get());
        const SelectedObject brush(dc, fill ? static_cast<HGDIOBJ>(fill.get()) : GetStockObject(NULL_BRUSH));
        drawShape(dc, shape, cornerWidth, cornerHeight);
    }
    if (!threeD) return;
    if (kind == kHorizontalLine)
        --shape.top;
    else if (kind == kVerticalLine)
        --shape.left;
    else
        OffsetRect(&shape, -1, -1);
    const SelectedObject pen(dc, secondPen.get());
    const SelectedObject brush(dc, GetStockObject(NULL_BRUSH));
    drawShape(dc, shape, cornerWidth, cornerHeight);
}

void CVWnd_ShapeBox::drawShape(HDC dc, RECT shape, int cornerWidth, int cornerHeight) const {
    switch (kind) {
    case kEllipse:
    case kCircle: Ellipse(dc, shape.left, shape.top, shape.right, shape.bottom); break;
    case kRoundedRectangle:
    case kRoundedSquare: RoundRect(dc, shape.left, shape.top, shape.right, shape.bottom, cornerWidth, cornerHeight); break;
    case kHorizontalLine:
        MoveToEx(dc, shape.left, shape.top, nullptr);
        LineTo(dc, shape.right, shape.top);
        break;
    case kVerticalLine:
        MoveToEx(dc, shape.left, shape.top, nullptr);
        LineTo(dc, shape.left, shape.bottom);
        break;
    default: Rectangle(dc, shape.left, shape.top, shape.right, shape.bottom); break;
    }
}
