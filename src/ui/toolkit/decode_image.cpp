// decodeImage through GDI+'s flat API: the stream, the target format, the DIB section, the pixel
// copy or conversion, and the premultiplication of alpha.
#include "ui/toolkit/decode_image.h"

#include <objbase.h>
// GDI+'s headers need min and max in scope.
#include <algorithm>
using std::max;
using std::min;
#include <gdiplus.h>

#include <cstring>
#include <memory>
#include <vector>

#include "ui/toolkit/app_instance.h"
#include "ui/toolkit/gdi_owners.h"
#include "ui/toolkit/win32_text.h"

namespace gp = Gdiplus::DllExports;

namespace {

struct DisposeImage {
    void operator()(Gdiplus::GpBitmap* image) const { gp::GdipDisposeImage(image); }
};
struct DeleteGraphics {
    void operator()(Gdiplus::GpGraphics* graphics) const { gp::GdipDeleteGraphics(graphics); }
};
struct ReleaseStream {
    void operator()(IStream* stream) const { stream->Release(); }
};
struct FreeGlobal {
    static bool isHandle(HGLOBAL block) { return block != nullptr; }
    void operator()(HGLOBAL block) const { GlobalFree(block); }
};
using GdiplusBitmap = std::unique_ptr<Gdiplus::GpBitmap, DisposeImage>;
using GdiplusGraphics = std::unique_ptr<Gdiplus::GpGraphics, DeleteGraphics>;
using StreamReference = std::unique_ptr<IStream, ReleaseStream>;
using GlobalBlock = Owned<HGLOBAL, FreeGlobal>;

// A decoded picture: its DIB section and how its pixels are laid out.
struct ImageRecord {
    HBITMAP bitmap = nullptr;
    unsigned char* topRow = nullptr;   // first pixel of the top row
    int width = 0;
    int height = 0;                    // positive
    int stride = 0;                    // bytes from one row to the next; negative when rows run bottom-up
    int bitsPerPixel = 0;
};

Gdiplus::PixelFormat targetFormat(Gdiplus::PixelFormat source) {
    if (source & PixelFormatAlpha) return PixelFormat32bppARGB;
    if ((source & PixelFormatGDI) && Gdiplus::GetPixelFormatSize(source) != 32) return source;
    return PixelFormat24bppRGB;
}

// A bottom-up DIB section of the size and depth, described top-down through a negative stride.
bool createDibSection(int width, int height, int bitsPerPixel, ImageRecord& record) {
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[256];
    } info{};
    info.header.biSize = sizeof info.header;
    info.header.biWidth = width;
    info.header.biHeight = height;
    info.header.biPlanes = 1;
    info.header.biBitCount = static_cast<WORD>(bitsPerPixel);
    info.header.biCompression = BI_RGB;
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits) return false;
    const int stride = ((bitsPerPixel * width + 31) / 32) * 4;
    record = ImageRecord{bitmap, static_cast<unsigned char*>(bits) + static_cast<std::ptrdiff_t>(height - 1) * stride,
                         width, height, -stride, bitsPerPixel};
    return true;
}

bool copyPalette(Gdiplus::GpBitmap* image, HBITMAP target) {
    INT size = 0;
    if (gp::GdipGetImagePaletteSize(image, &size) != Gdiplus::Ok || size < static_cast<INT>(sizeof(Gdiplus::ColorPalette)))
        return false;
    std::vector<unsigned char> buffer(static_cast<std::size_t>(size));
    auto* palette = reinterpret_cast<Gdiplus::ColorPalette*>(buffer.data());
    if (gp::GdipGetImagePalette(image, palette, size) != Gdiplus::Ok) return false;
    if (palette->Count < 1 || palette->Count > 256) return false;
    std::vector<RGBQUAD> colours(palette->Count);
    for (UINT i = 0; i < palette->Count; ++i) {
        const Gdiplus::ARGB colour = palette->Entries[i];
        colours[i] = RGBQUAD{static_cast<BYTE>(colour), static_cast<BYTE>(colour >> 8), static_cast<BYTE>(colour >> 16), 0};
    }
    const OwnedMemoryDC dc(CreateCompatibleDC(nullptr));
    const SelectedObject selection(dc.get(), target);
    return SetDIBColorTable(dc.get(), 0, palette->Count, colours.data()) == palette->Count;
}

bool copyRows(Gdiplus::GpBitmap* image, Gdiplus::PixelFormat format, const ImageRecord& record) {
    const Gdiplus::GpRect area(0, 0, record.width, record.height);
    Gdiplus::BitmapData locked{};
    if (gp::GdipBitmapLockBits(image, &area, Gdiplus::ImageLockModeRead, format, &locked) != Gdiplus::Ok) return false;
    const std::size_t rowBytes = (static_cast<std::size_t>(record.width) * record.bitsPerPixel + 7) / 8;
    for (int y = 0; y < record.height; ++y)
        std::memcpy(record.topRow + static_cast<std::ptrdiff_t>(y) * record.stride,
                    static_cast<const unsigned char*>(locked.Scan0) + static_cast<std::ptrdiff_t>(y) * locked.Stride, rowBytes);
    gp::GdipBitmapUnlockBits(image, &locked);
    return true;
}

bool drawConverted(Gdiplus::GpBitmap* image, Gdiplus::PixelFormat format, const ImageRecord& record) {
    Gdiplus::GpBitmap* wrapped = nullptr;
    if (gp::GdipCreateBitmapFromScan0(record.width, record.height, record.stride, format, record.topRow, &wrapped) != Gdiplus::Ok)
        return false;
    const GdiplusBitmap target(wrapped);
    Gdiplus::GpGraphics* context = nullptr;
    if (gp::GdipGetImageGraphicsContext(target.get(), &context) != Gdiplus::Ok) return false;
    const GdiplusGraphics graphics(context);
    gp::GdipSetCompositingMode(graphics.get(), Gdiplus::CompositingModeSourceCopy);
    return gp::GdipDrawImageRectI(graphics.get(), image, 0, 0, record.width,
                                  record.height) == Gdiplus::Ok;
}

void premultiply(const ImageRecord& record) {
    for (int y = 0; y < record.height; ++y) {
        unsigned char* pixel = record.topRow + static_cast<std::ptrdiff_t>(y) * record.stride;
        for (int x = 0; x < record.width; ++x, pixel += 4) {
            const int alpha = pixel[3];
            if (alpha == 255) continue;
            for (int channel = 0; channel < 3; ++channel)
                pixel[channel] = static_cast<unsigned char>(MulDiv(pixel[channel], alpha, 255));
        }
    }
}

HBITMAP bitmapFromImage(Gdiplus::GpBitmap* image) {
    Gdiplus::PixelFormat source = 0;
    UINT width = 0, height = 0;
    if (gp::GdipGetImagePixelFormat(image, &source) != Gdiplus::Ok || gp::GdipGetImageWidth(image, &width) != Gdiplus::Ok ||
        gp::GdipGetImageHeight(image, &height) != Gdiplus::Ok || width == 0 || height == 0)
        return nullptr;
    const Gdiplus::PixelFormat target = targetFormat(source);
    ImageRecord record;
    if (!createDibSection(static_cast<int>(width), static_cast<int>(height), static_cast<int>(Gdiplus::GetPixelFormatSize(target)), record))
        return nullptr;
    OwnedBitmap bitmap(record.bitmap);
    if ((target & PixelFormatIndexed) && !copyPalette(image, bitmap.get())) return nullptr;
    const bool copied = source == target ? copyRows(image, target, record) : drawConverted(image, target, record);
    if (!copied) return nullptr;
    if (source & PixelFormatAlpha) premultiply(record);
    return bitmap.take();
}

}  // namespace

HBITMAP decodeImage(const void* bytes, std::size_t length) {
    if (!bytes || length == 0) return nullptr;
    const GlobalBlock block(GlobalAlloc(GMEM_MOVEABLE, length));
    if (!block) return nullptr;
    void* copy = GlobalLock(block.get());
    if (!copy) return nullptr;
    std::memcpy(copy, bytes, length);
    GlobalUnlock(block.get());

    IStream* opened = nullptr;
    if (CreateStreamOnHGlobal(block.get(), FALSE, &opened) != S_OK) return nullptr;
    const StreamReference stream(opened);
    if (!appInstance().ensureGdiplus()) return nullptr;
    Gdiplus::GpBitmap* decoded = nullptr;
    if (gp::GdipCreateBitmapFromStream(stream.get(), &decoded) != Gdiplus::Ok) return nullptr;
    const GdiplusBitmap image(decoded);
    return bitmapFromImage(image.get());
}

HBITMAP decodeImageFile(const WideString& path) {
    if (path.empty() || !appInstance().ensureGdiplus()) return nullptr;
    Gdiplus::GpBitmap* decoded = nullptr;
    if (gp::GdipCreateBitmapFromFile(wide(path), &decoded) != Gdiplus::Ok) return nullptr;
    const GdiplusBitmap image(decoded);
    return bitmapFromImage(image.get());
}
