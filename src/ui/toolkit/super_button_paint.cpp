// Drawing the super button for WM_DRAWITEM: background by state, frame by look, text by state,
// focus rectangle.
#include "ui/toolkit/super_button.h"

#include "ui/toolkit/win32_text.h"

namespace {

// One-pixel edges: top and left in one system colour, bottom and right in another.
void drawEdges(HDC dc, const RECT& area, int topLeft, int bottomRight) {
    const OwnedBrush light(CreateSolidBrush(GetSysColor(topLeft)));
    const OwnedBrush dark(CreateSolidBrush(GetSysColor(bottomRight)));
    const RECT top{area.left, area.top, area.right, area.top + 1};
    const RECT left{area.left, area.top, area.left + 1, area.bottom};
    const RECT bottom{area.left, area.bottom - 1, area.right, area.bottom};
    const RECT right{area.right - 1, area.top, area.right, area.bottom};
    FillRect(dc, &top, light.get());
    FillRect(dc, &left, light.get());
    FillRect(dc, &bottom, dark.get());
    FillRect(dc, &right, dark.get());
}

}  // namespace

void CVWnd_SupperButton::draw(const DRAWITEMSTRUCT& item) {
    if (automaticColours) resetAutomaticColours();
    const HDC dc = item.hDC;
    const bool pressed = (item.itemState & ODS_SELECTED) || (toggleMode && checked);
    const bool focused = (item.itemState & ODS_FOCUS) != 0;
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    RECT area = item.rcItem;
    SetBkMode(dc, TRANSPARENT);

    if (!flat && (focused || defaultButton)) {
        FrameRect(dc, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        InflateRect(&area, -1, -1);
    }
    drawBackground(dc, area, pressed, focused);
    drawFrame(dc, area, pressed);
    drawText(dc, area, pressed, focused, disabled);
    if (focused && (!flat || drawFlatFocus)) {
        RECT focus = area;
        InflateRect(&focus, -3, -3);
        DrawFocusRect(dc, &focus);
    }
}

void CVWnd_SupperButton::drawBackground(HDC dc, const RECT& area, bool pressed, bool focused) const {
    if (hover || pressed) {
        const OwnedBrush brush(CreateSolidBrush(colours[kBackgroundHover]));
        if (roundedHover) {
            const OwnedPen pen(CreatePen(PS_SOLID, 1, 0));
            const SelectedObject penSelection(dc, pen.get());
            const SelectedObject brushSelection(dc, brush.get());
            RoundRect(dc, area.left, area.top, area.right, area.bottom, 8, 8);
        } else {
            FillRect(dc, &area, brush.get());
        }
        return;
    }
    const OwnedBrush brush(CreateSolidBrush(colours[focused ? kBackgroundFocused : kBackgroundNormal]));
    FillRect(dc, &area, brush.get());
}

void CVWnd_SupperButton::drawFrame(HDC dc, const RECT& area, bool pressed) const {
    if (roundedHover) return;
    if (pressed) {
        if (flat && drawBorder) {
            drawEdges(dc, area, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT);
        } else if (!flat) {
            const OwnedBrush shadow(CreateSolidBrush(GetSysColor(COLOR_BTNSHADOW)));
            FrameRect(dc, &area, shadow.get());
        }
        return;
    }
    if (!flat) {
        drawEdges(dc, area, COLOR_BTNHIGHLIGHT, COLOR_3DDKSHADOW);
        RECT inner = area;
        InflateRect(&inner, -1, -1);
        drawEdges(dc, inner, COLOR_3DLIGHT, COLOR_BTNSHADOW);
    } else if (hover && drawBorder) {
        drawEdges(dc, area, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW);
    }
}

void CVWnd_SupperButton::drawText(HDC dc, RECT area, bool pressed, bool focused, bool disabled) {
    const WideString caption = text();
    if (caption.empty()) return;
    if (pressed && !toggleMode) OffsetRect(&area, pressOffset.x, pressOffset.y);
    const SelectedObject selection(dc, font());
    RECT measured = area;
    DrawTextW(dc, wide(caption), static_cast<int>(caption.size()), &measured, DT_CALCRECT | DT_WORDBREAK | DT_CENTER);
    const int width = measured.right - measured.left, height = measured.bottom - measured.top;
    RECT centred{area.left + (area.right - area.left - width) / 2, area.top + (area.bottom - area.top - height) / 2, 0, 0};
    centred.right = centred.left + width;
    centred.bottom = centred.top + height;
    const UINT format = DT_WORDBREAK | DT_CENTER;
    if (disabled) {
        RECT raised = centred;
        OffsetRect(&raised, 1, 1);
        SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
        DrawTextW(dc, wide(caption), static_cast<int>(caption.size()), &raised, format);
        SetTextColor(dc, GetSysColor(COLOR_BTNSHADOW));
    } else {
        SetTextColor(dc, colours[(hover || pressed) ? kTextHover : (focused ? kTextFocused : kTextNormal)]);
    }
    DrawTextW(dc, wide(caption), static_cast<int>(caption.size()), &centred, format);
}
