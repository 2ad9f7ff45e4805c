// Decoding encoded pictures (PNG and the other formats GDI+ reads) into DIB sections.
#pragma once

#include <windows.h>

#include <cstddef>

#include "base/wide_string.h"

// A DIB section of the picture, owned by the caller; null when GDI+ cannot start, the bytes do
// not decode or the bitmap cannot be made. A picture with alpha becomes 32 bits per pixel with
// premultiplied colours (a transparent pixel is 0 in all four channels); a GDI-compatible one
// below 32 bits keeps its format; everything else becomes 24-bit RGB.
HBITMAP decodeImage(const void* bytes, std::size_t length);
// The same from a picture file (GdipCreateBitmapFromFile).
HBITMAP decodeImageFile(const WideString& path);
