// Decoding the program's PNG resources into premultiplied DIB sections, and the resource loaders.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <algorithm>
using std::max;
using std::min;
#include <gdiplus.h>

#include "ui/toolkit/app_instance.h"
#include "ui/toolkit/decode_image.h"
#include "ui/toolkit/gdi_owners.h"

#include <shlwapi.h>

#include <cstring>
#include <vector>

namespace {

constexpr UINT kCloseNormal = 500;
constexpr UINT kCloseHover = 501;

// The colours GDI+ itself reads from the PNG, not premultiplied, as ARGB.
std::vector<Gdiplus::ARGB> straightPixels(const ByteBuffer& png, UINT& width, UINT& height) {
    namespace gp = Gdiplus::DllExports;
    std::vector<Gdiplus::ARGB> pixels;
    IStream* stream = SHCreateMemStream(png.data(), static_cast<UINT>(png.size()));
    Gdiplus::GpBitmap* image = nullptr;
    if (stream && gp::GdipCreateBitmapFromStream(stream, &image) == Gdiplus::Ok) {
        gp::GdipGetImageWidth(image, &width);
        gp::GdipGetImageHeight(image, &height);
        for (UINT y = 0; y < height; ++y)
            for (UINT x = 0; x < width; ++x) {
                Gdiplus::ARGB colour = 0;
                gp::GdipBitmapGetPixel(image, static_cast<INT>(x), static_cast<INT>(y), &colour);
                pixels.push_back(colour);
            }
        gp::GdipDisposeImage(image);
    }
    if (stream) stream->Release();
    return pixels;
}

TEST(DecodeImage, aPngWithAlphaBecomesA32BitDibWithPremultipliedColours) {
    for (const UINT id : {kCloseNormal, kCloseHover}) {
        ByteBuffer png;
        ASSERT_TRUE(appInstance().loadResourceBytes(id, RT_RCDATA, png)) << id;
        const OwnedBitmap bitmap(decodeImage(png.data(), png.size()));
        ASSERT_TRUE(bitmap) << id;
        DIBSECTION section{};
        ASSERT_EQ(static_cast<int>(sizeof section), GetObjectW(bitmap.get(), sizeof section, &section)) << id;
        EXPECT_EQ(16, section.dsBm.bmWidth);
        EXPECT_EQ(16, section.dsBm.bmHeight);
        EXPECT_EQ(32, section.dsBm.bmBitsPixel);

        UINT width = 0, height = 0;
        const std::vector<Gdiplus::ARGB> straight = straightPixels(png, width, height);
        ASSERT_EQ(256u, straight.size());
        int transparent = 0, opaque = 0, partial = 0;
        const auto* rows = static_cast<const unsigned char*>(section.dsBm.bmBits);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const unsigned char* pixel = rows + (15 - y) * 64 + x * 4;   // bottom-up rows
                const Gdiplus::ARGB source = straight[static_cast<std::size_t>(y) * 16 + x];
                const int alpha = static_cast<int>(source >> 24);
                (alpha == 0 ? transparent : alpha == 255 ? opaque : partial)++;
                EXPECT_EQ(alpha, pixel[3]) << id << " at " << x << "," << y;
                for (int channel = 0; channel < 3; ++channel) {
                    const int straightValue = static_cast<int>((source >> (8 * channel)) & 0xFF);
                    EXPECT_EQ(MulDiv(straightValue, alpha, 255), pixel[channel]) << id << " at " << x << "," << y;
                }
            }
        // The cross has all three kinds of pixel, so each rule above was exercised.
        EXPECT_GT(transparent, 0);
        EXPECT_GT(opaque, 0);
        EXPECT_GT(partial, 0);
    }
}

TEST(DecodeImage, theCrossesAreWhiteAndPink) {
    const auto centreOf = [](UINT id) {
        const OwnedBitmap bitmap(static_cast<HBITMAP>(appInstance().loadImageResource(AppInstance::kImageBitmap, id)));
        DIBSECTION section{};
        GetObjectW(bitmap.get(), sizeof section, &section);
        const auto* pixel = static_cast<const unsigned char*>(section.dsBm.bmBits) + (15 - 4) * 64 + 4 * 4;   // (4, 4)
        return RGB(pixel[2], pixel[1], pixel[0]) | (static_cast<COLORREF>(pixel[3]) << 24);
    };
    EXPECT_EQ(0xFFFFFFFFu, centreOf(kCloseNormal));
    EXPECT_EQ(RGB(212, 35, 122) | 0xFF000000u, centreOf(kCloseHover));
}

TEST(DecodeImage, bytesThatAreNoPictureGiveNull) {
    const unsigned char noise[] = "not a picture at all";
    EXPECT_EQ(nullptr, decodeImage(noise, sizeof noise));
    EXPECT_EQ(nullptr, decodeImage(nullptr, 0));
}

TEST(ResourceLoaders, missingIdsAndKindsGiveNothing) {
    AppInstance& instance = appInstance();
    EXPECT_EQ(nullptr, instance.loadImageResource(AppInstance::kImageBitmap, 0));
    EXPECT_EQ(nullptr, instance.loadImageResource(AppInstance::kImageBitmap, 999));
    EXPECT_EQ(nullptr, instance.loadImageFile(AppInstance::kImageBitmap, u""));
    EXPECT_TRUE(instance.loadStringResource(0).empty());
    ByteBuffer bytes{1, 2, 3};
    EXPECT_TRUE(instance.loadResourceBytes(0, RT_RCDATA, bytes));
    EXPECT_TRUE(bytes.empty());
    EXPECT_FALSE(instance.loadResourceBytes(999, RT_RCDATA, bytes));
}

TEST(ResourceLoaders, theProgramsIconSoundAndImageListLoad) {
    AppInstance& instance = appInstance();
    EXPECT_NE(nullptr, instance.loadImageResource(AppInstance::kImageIcon, 100));
    ByteBuffer wave;
    ASSERT_TRUE(instance.loadResourceBytes(29185, L"WAVE", wave));
    ASSERT_GT(wave.size(), 44u);
    EXPECT_EQ(0, std::memcmp(wave.data(), "RIFF", 4));
    EXPECT_EQ(0, std::memcmp(wave.data() + 8, "WAVE", 4));
    const OwnedImageList list(static_cast<HIMAGELIST>(instance.loadImageResource(AppInstance::kImageList, kCloseNormal)));
    ASSERT_TRUE(list);
    int width = 0, height = 0;
    ImageList_GetIconSize(list.get(), &width, &height);
    EXPECT_EQ(16, width);
    EXPECT_EQ(16, height);
    EXPECT_EQ(1, ImageList_GetImageCount(list.get()));
}

}  // namespace
