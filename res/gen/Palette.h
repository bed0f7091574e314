#pragma once

#include <vector>

#include "Raster.h"

// Median-cut palette of at most maxColours entries for the pixels whose alpha is 128 or more
// (the ones an icon's mask leaves visible). Alpha of the entries is 255. When the picture holds
// no more distinct colours than that, each gets an entry of its own, exactly.
std::vector<Rgba> medianCutPalette(const Raster& picture, int maxColours);

// The index of the entry nearest to the colour (squared distance; the lower index on a tie).
int nearestEntry(const std::vector<Rgba>& palette, Rgba colour);
