// Drawing a background picture in its mode: GdiAlphaBlend for top-left and tiles, alpha blending
// or StretchBlt for centred and stretched pictures.
#include "ui/toolkit/background_picture.h"

#include "ui/toolkit/gdi_owners.h"

namespace {

struct Picture {
    HDC source;
    int width;
    int height;
    bool hasAlpha;
};

void blend(HDC dc, const Picture& picture, int x, int y, int width, int height) {
    BLENDFUNCTION function{AC_SRC_OVER, 0, 255, static_cast<BYTE>(picture.hasAlpha ? AC_SRC_ALPHA : 0)};
    GdiAlphaBlend(dc, x, y, width, height, picture.source, 0, 0, picture.width, picture.height, function);
}

void stretch(HDC dc, const Picture& picture, int x, int y, int width, int height) {
    DEVMODEW mode{};
    mode.dmSize = sizeof mode;
    const bool deepDisplay = EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode) && mode.dmBitsPerPel > 16;
    SetStretchBltMode(dc, deepDisplay ? HALFTONE : COLORONCOLOR);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    if (picture.hasAlpha)
        blend(dc, picture, x, y, width, height);
    else
        StretchBlt(dc, x, y, width, height, picture.source, 0, 0, picture.width, picture.height, SRCCOPY);
}

}  // namespace

void drawBackgroundPicture(HDC dc, HBITMAP bitmap, int mode, const RECT& destination, const RECT& update) {
    BITMAP description{};
    if (!bitmap || !GetObjectW(bitmap, sizeof description, &description)) return;
    const OwnedMemoryDC source(CreateCompatibleDC(dc));
    const SelectedObject selection(source.get(), bitmap);
    const Picture picture{source.get(), description.bmWidth, description.bmHeight < 0 ? -description.bmHeight : description.bmHeight,
                          isAlphaDibSection(bitmap)};
    if (picture.width <= 0 || picture.height <= 0) return;
    const int areaWidth = destination.right - destination.left, areaHeight = destination.bottom - destination.top;

    switch (mode) {
    case kPictureTiled:
        for (int y = destination.top; y < destination.bottom; y += picture.height)
            for (int x = destination.left; x < destination.right; x += picture.width) {
                const RECT tile{x, y, x + picture.width, y + picture.height};
                RECT visible{};
                if (IntersectRect(&visible, &tile, &update)) blend(dc, picture, x, y, picture.width, picture.height);
            }
        break;
    case kPictureCentred: {
        double scale = 1.0;
        if (picture.width > areaWidth || picture.height > areaHeight) {
            const double horizontal = static_cast<double>(areaWidth) / picture.width;
            const double vertical = static_cast<double>(areaHeight) / picture.height;
            scale = horizontal < vertical ? horizontal : vertical;
        }
        const int width = static_cast<int>(picture.width * scale), height = static_cast<int>(picture.height * scale);
        stretch(dc, picture, destination.left + (areaWidth - width) / 2, destination.top + (areaHeight - height) / 2, width, height);
        break;
    }
    case kPictureStretched:
        stretch(dc, picture, destination.left, destination.top, areaWidth, areaHeight);
        break;
    default:
        blend(dc, picture, destination.left, destination.top, picture.width, picture.height);
        break;
    }
}
