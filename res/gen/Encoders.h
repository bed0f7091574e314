#pragma once

#include <string>
#include <vector>

#include "Raster.h"

// File formats the program's pictures are stored in. Each returns the whole file's bytes.

// An uncompressed 24-bit Windows bitmap (BITMAPINFOHEADER, BI_RGB, rows bottom-up). Alpha is
// ignored.
std::string encodeBmp24(const Raster& picture);

// One image of an icon file and the form it is stored in.
struct IconImage {
  Raster picture;
  int bitCount;  // 8: 256-colour palette and the 1-bit mask only; 32: BGRA with alpha, and mask
};

// A Windows .ico holding the images in the given order, each an uncompressed DIB with its AND
// mask. A pixel is masked (transparent) when its alpha is below 128; the 8-bit images quantise
// their opaque pixels to a palette of their own.
std::string encodeIco(const std::vector<IconImage>& images);

// A PNG (8-bit RGBA, no interlace) whose data is zlib "stored" blocks: valid everywhere and
// needing no compressor.
std::string encodePng(const Raster& picture);
