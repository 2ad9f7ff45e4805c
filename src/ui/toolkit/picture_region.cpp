// A window region from a picture: every run of pixels in a row whose colour is not the key becomes
// a one-pixel-tall rectangle; the rectangles are merged into the region 2000 at a time.
#include <windows.h>

#include <cstring>
#include <vector>

#include "ui/toolkit/gdi_owners.h"
#include "ui/toolkit/picture_button.h"

namespace {

constexpr std::size_t kRectanglesPerMerge = 2000;

// Adds the rectangles to region (created on the first call), scaled by transform, and empties them.
bool mergeRectangles(std::vector<RECT>& rectangles, const XFORM& transform, OwnedRegion& region) {
    if (rectangles.empty()) return true;
    std::vector<unsigned char> data(sizeof(RGNDATAHEADER) + rectangles.size() * sizeof(RECT));
    auto* header = reinterpret_cast<RGNDATAHEADER*>(data.data());
    header->dwSize = sizeof(RGNDATAHEADER);
    header->iType = RDH_RECTANGLES;
    header->nCount = static_cast<DWORD>(rectangles.size());
    header->nRgnSize = static_cast<DWORD>(rectangles.size() * sizeof(RECT));
    header->rcBound = RECT{0, 0, 0, 0};
    for (const RECT& r : rectangles) UnionRect(&header->rcBound, &header->rcBound, &r);
    std::memcpy(data.data() + sizeof(RGNDATAHEADER), rectangles.data(), rectangles.size() * sizeof(RECT));
    rectangles.clear();
    OwnedRegion part(ExtCreateRegion(&transform, static_cast<DWORD>(data.size()), reinterpret_cast<RGNDATA*>(data.data())));
    if (!part) return false;
    if (!region) {
        region = std::move(part);
        return true;
    }
    return CombineRgn(region.get(), region.get(), part.get(), RGN_OR) != ERROR;
}

}  // namespace

HRGN regionFromPicture(HBITMAP picture, COLORREF key, int width, int height) {
    BITMAP description{};
    if (!GetObjectW(picture, sizeof description, &description)) return nullptr;
    const int pictureWidth = description.bmWidth;
    const int pictureHeight = description.bmHeight < 0 ? -description.bmHeight : description.bmHeight;
    if (pictureWidth <= 0 || pictureHeight <= 0) return nullptr;

    const OwnedMemoryDC source(CreateCompatibleDC(nullptr));
    const SelectedObject pictureSelection(source.get(), picture);
    // The key as the picture's own colours show it: written into one pixel and read back.
    const COLORREF saved = GetPixel(source.get(), 0, 0);
    SetPixel(source.get(), 0, 0, key);
    const COLORREF matchedKey = GetPixel(source.get(), 0, 0) & 0xFFFFFF;
    SetPixel(source.get(), 0, 0, saved);

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = pictureWidth;
    info.bmiHeader.biHeight = -pictureHeight;   // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const OwnedBitmap copy(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!copy || !bits) return nullptr;
    const OwnedMemoryDC target(CreateCompatibleDC(nullptr));
    {
        const SelectedObject copySelection(target.get(), copy.get());
        BitBlt(target.get(), 0, 0, pictureWidth, pictureHeight, source.get(), 0, 0, SRCCOPY);
    }
    GdiFlush();

    const XFORM scale{static_cast<FLOAT>(width) / pictureWidth, 0, 0, static_cast<FLOAT>(height) / pictureHeight, 0, 0};
    const auto* pixels = static_cast<const DWORD*>(bits);
    std::vector<RECT> rectangles;
    rectangles.reserve(kRectanglesPerMerge);
    OwnedRegion region;
    for (int y = 0; y < pictureHeight; ++y) {
        const DWORD* row = pixels + static_cast<std::ptrdiff_t>(y) * pictureWidth;
        for (int x = 0; x < pictureWidth;) {
            const auto isKey = [&](int at) { return RGB((row[at] >> 16) & 0xFF, (row[at] >> 8) & 0xFF, row[at] & 0xFF) == matchedKey; };
            if (isKey(x)) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < pictureWidth && !isKey(x)) ++x;
            rectangles.push_back(RECT{start, y, x, y + 1});
            if (rectangles.size() == kRectanglesPerMerge && !mergeRectangles(rectangles, scale, region)) return nullptr;
        }
    }
    if (!mergeRectangles(rectangles, scale, region)) return nullptr;
    return region ? region.take() : CreateRectRgn(0, 0, 0, 0);
}
