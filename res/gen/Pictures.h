#pragma once

#include "Raster.h"

// The program's pixel art, drawn from simple shapes. Everything here is deterministic (plain
// arithmetic and a square root of its own, no library mathematics), so that the committed files
// can be reproduced byte for byte on any platform.

// 27 x 27: a shaded blue-violet ball with a white question mark on white ground; the ball keeps
// to columns and rows 1 to 24, the part a 24 x 24 button shows of the centred glyph.
Raster drawHelpGlyph();

// 24 x 24: a life ring of dark navy and white segments on white ground.
Raster drawWebLinkGlyph();

// 20 x 17: a green lamp filling columns 4 to 15 and rows 1 to 15 on flat light ground.
Raster drawIndicator();

// The application icon at the given size: a silver disc and a green arrow pointing at its
// centre. The 16-pixel picture is arranged on its own so that both shapes stay readable.
Raster drawAppIcon(int size);
