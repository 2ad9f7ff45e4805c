// Background pictures of forms, containers and labels, drawn in one of four modes.
#pragma once

#include <windows.h>

enum PictureMode : int {
    kPictureTopLeft = 0,    // at the top-left corner in its own size
    kPictureTiled = 1,      // tiled from the top-left corner
    kPictureCentred = 2,    // centred; a larger picture is scaled down with its aspect kept
    kPictureStretched = 3,  // stretched over the whole rectangle
};

// Draws picture into destination; update limits which tiles are drawn. A 32-bit DIB section is
// blended with its per-pixel alpha.
void drawBackgroundPicture(HDC dc, HBITMAP picture, int mode, const RECT& destination, const RECT& update);
