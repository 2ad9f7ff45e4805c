// The application instance's resource loaders: strings, pictures, cursors, icons, raw bytes and
// texts from the program's module or from files.
#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <string>

#include "ui/toolkit/app_instance.h"
#include "ui/toolkit/decode_image.h"
#include "ui/toolkit/gdi_owners.h"
#include "ui/toolkit/win32_text.h"

namespace {

constexpr int kStringChunk = 4100;
constexpr COLORREF kImageListMask = 0xFF00FF;

// An image list of square cells as tall as the bitmap, which it takes over and deletes.
HIMAGELIST imageListFrom(HBITMAP picture) {
    const OwnedBitmap bitmap(picture);
    BITMAP description{};
    if (!bitmap || !GetObjectW(bitmap.get(), sizeof description, &description) || description.bmHeight == 0) return nullptr;
    const int height = description.bmHeight < 0 ? -description.bmHeight : description.bmHeight;
    OwnedImageList list(ImageList_Create(height + (height % 2), height, ILC_COLOR32 | ILC_MASK, 0, 1));
    if (!list || ImageList_AddMasked(list.get(), bitmap.get(), kImageListMask) < 0) return nullptr;
    return list.take();
}

HANDLE asKind(int kind, HBITMAP bitmap) {
    if (kind == AppInstance::kImageList) return imageListFrom(bitmap);
    return bitmap;
}

}  // namespace

WideString AppInstance::loadStringResource(UINT id) const {
    if (id == 0) return {};
    std::wstring buffer(kStringChunk, L'\0');
    for (;;) {
        const int length = LoadStringW(resourceModule(), id, buffer.data(), static_cast<int>(buffer.size()));
        if (length <= 0) return {};
        if (static_cast<std::size_t>(length) + 2 <= buffer.size()) return fromWide(buffer.data(), static_cast<std::size_t>(length));
        buffer.resize(buffer.size() + kStringChunk);
    }
}

HANDLE AppInstance::loadImageResource(int kind, UINT id) {
    if (id == 0) return nullptr;
    switch (kind) {
    case kImageCursor: return LoadCursorW(resourceModule(), MAKEINTRESOURCEW(id));
    case kImageIcon: return LoadIconW(resourceModule(), MAKEINTRESOURCEW(id));
    case kImageBitmap:
    case kImageList: {
        ByteBuffer bytes;
        if (!loadResourceBytes(id, MAKEINTRESOURCEW(10), bytes)) return nullptr;   // RT_RCDATA
        return asKind(kind, loadImageFromMemory(bytes.data(), bytes.size()));
    }
    default: return nullptr;
    }
}

HANDLE AppInstance::loadImageFile(int kind, const WideString& path) {
    if (path.empty()) return nullptr;
    switch (kind) {
    case kImageCursor: return LoadImageW(nullptr, wide(path), IMAGE_CURSOR, 0, 0, LR_LOADFROMFILE);
    case kImageIcon: return LoadImageW(nullptr, wide(path), IMAGE_ICON, 0, 0, LR_LOADFROMFILE);
    case kImageBitmap:
    case kImageList: return asKind(kind, decodeImageFile(path));
    default: return nullptr;
    }
}

HBITMAP AppInstance::loadImageFromMemory(const void* bytes, std::size_t length) { return decodeImage(bytes, length); }

bool AppInstance::loadResourceBytes(UINT id, const wchar_t* type, ByteBuffer& bytes) const {
    bytes.clear();
    if (id == 0) return true;
    const HMODULE module = resourceModule();
    const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), type);
    if (!found) return false;
    const HGLOBAL loaded = LoadResource(module, found);
    if (!loaded) return false;
    const void* data = LockResource(loaded);
    const DWORD size = SizeofResource(module, found);
    if (data && size) bytes.assign(static_cast<const unsigned char*>(data), static_cast<const unsigned char*>(data) + size);
    FreeResource(loaded);
    return data != nullptr;
}

bool AppInstance::loadTextResource(UINT id, WideString& text) const {
    ByteBuffer bytes;
    if (!loadResourceBytes(id, MAKEINTRESOURCEW(10), bytes)) return false;
    bytes.insert(bytes.end(), 4, 0);
    std::size_t units = 0;
    while ((units + 1) * 2 <= bytes.size() && (bytes[units * 2] || bytes[units * 2 + 1])) ++units;
    WideString read(units, u'\0');
    std::memcpy(read.data(), bytes.data(), units * 2);
    if (!read.empty() && read.front() == u'\uFEFF') read.erase(0, 1);
    text = read;
    return true;
}
