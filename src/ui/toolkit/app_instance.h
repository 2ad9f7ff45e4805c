// The process-wide application instance: the module whose resources the program uses, the
// display scale, COM and GDI+ state, and the resource loaders. It exists from before the entry
// routine until process exit.
#pragma once

#include <windows.h>

#include <cstdint>
#include <mutex>

#include "base/wide_string.h"

class AppInstance {
public:
    AppInstance() = default;
    AppInstance(const AppInstance&) = delete;
    AppInstance& operator=(const AppInstance&) = delete;
    // CoUninitialize when COM was initialised; GdiplusShutdown when GDI+ still runs.
    ~AppInstance();

    // Set by the entry routine; resourceModule() falls back to the executable's module.
    HINSTANCE moduleInstance = nullptr;
    bool comInitialised = false;
    DWORD mainThreadId = 0;
    // Stored at entry, the program's name first; the program's start-up reads the rest.
    int argumentCount = 0;
    wchar_t** arguments = nullptr;

    HINSTANCE resourceModule() const;

    // Starts GDI+ once per process; true when it runs. Safe on any thread.
    bool ensureGdiplus();
    void shutdownGdiplus();

    // Image kinds of the loaders.
    enum ImageKind : int { kImageBitmap = 0, kImageCursor = 1, kImageIcon = 2, kImageList = 3 };

    // LoadStringW of the id; empty for id 0 or a missing string.
    WideString loadStringResource(UINT id) const;
    // Kind 0: the RCDATA resource decoded into a DIB section (HBITMAP); kind 3: that bitmap as an
    // image list (HIMAGELIST); kind 1: LoadCursorW; kind 2: LoadIconW. Null for id 0 or failure.
    // The caller owns bitmaps and image lists.
    HANDLE loadImageResource(int kind, UINT id);
    // As loadImageResource, from a file (kinds 1 and 2 through LoadImageW with LR_LOADFROMFILE).
    HANDLE loadImageFile(int kind, const WideString& path);
    // Encoded image bytes (PNG and the other formats GDI+ reads) into a DIB section, or null.
    HBITMAP loadImageFromMemory(const void* bytes, std::size_t length);
    // The bytes of a resource of the type; id 0 gives true with no bytes.
    bool loadResourceBytes(UINT id, const wchar_t* type, ByteBuffer& bytes) const;
    // An RCDATA resource read as UTF-16 (a leading U+FEFF skipped).
    bool loadTextResource(UINT id, WideString& text) const;

private:
    std::mutex gdiplusLock;
    ULONG_PTR gdiplusToken = 0;
};

AppInstance& appInstance();
