// Questions about GDI objects that the owners' users share.
#include "ui/toolkit/gdi_owners.h"

bool isAlphaDibSection(HBITMAP bitmap) {
    DIBSECTION section{};
    return bitmap && GetObjectW(bitmap, sizeof section, &section) == sizeof section && section.dsBm.bmBitsPixel == 32;
}
