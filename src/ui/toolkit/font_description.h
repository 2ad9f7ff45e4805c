// Font descriptions: "face, points, bold, italic, underline, strikeout, angle", as the controls'
// font properties take them (for example "微软雅黑, 9, 0, 0, 0, 0, 0").
#pragma once

#include <windows.h>

#include "base/wide_string.h"
#include "ui/toolkit/gdi_owners.h"

// The LOGFONTW a description stands for: DEFAULT_GUI_FONT's, with DEFAULT_CHARSET, PROOF_QUALITY,
// precisions and pitch 0, then the given fields applied; missing or empty fields keep those values.
// Sizes use the screen's LOGPIXELSY, so 9 points give a height of -12 at 96 DPI.
LOGFONTW fontFromDescription(const WideString& description);

// The font of a control that has no description: DEFAULT_GUI_FONT at 9 points.
LOGFONTW defaultControlFont();

// CreateFontIndirectW of the LOGFONTW; empty when the system refuses it.
OwnedFont createFont(const LOGFONTW& font);
// A copy of a font handle the caller does not own (GetObjectW, CreateFontIndirectW).
OwnedFont copyFont(HFONT font);
