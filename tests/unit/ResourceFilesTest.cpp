// The picture files the program carries (glyphs, indicator, icon, icon theme PNGs), the skin and
// the version texts, read as files: formats, sizes, the features the windows rely on, and that
// the generator in res/gen still reproduces what is committed.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <regex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "Art.h"
#include "EmbeddedResources.h"
#include "Palette.h"
#include "TempDir.h"

namespace {

const std::filesystem::path kResDir = MOLVANE_RES_SOURCE_DIR;

std::string_view embedded(std::string_view name) {
  const std::string_view bytes = embeddedResource(name);
  if (bytes.empty()) throw std::runtime_error("not embedded: " + std::string(name));
  return bytes;
}

unsigned u8(std::string_view d, std::size_t at) {
  if (at >= d.size()) throw std::runtime_error("read past the end");
  return static_cast<unsigned char>(d[at]);
}
std::uint32_t le16(std::string_view d, std::size_t at) { return u8(d, at) | u8(d, at + 1) << 8; }
std::uint32_t le32(std::string_view d, std::size_t at) { return le16(d, at) | le16(d, at + 2) << 16; }
std::int32_t les32(std::string_view d, std::size_t at) { return static_cast<std::int32_t>(le32(d, at)); }
std::uint32_t be32(std::string_view d, std::size_t at) {
  return u8(d, at) << 24 | u8(d, at + 1) << 16 | u8(d, at + 2) << 8 | u8(d, at + 3);
}

struct Px {
  int r = 0, g = 0, b = 0, a = 255;
  bool operator==(const Px&) const = default;
  bool white() const { return r == 255 && g == 255 && b == 255; }
  int brightness() const { return r + g + b; }
};

std::ostream& operator<<(std::ostream& os, const Px& p) {
  return os << "(" << p.r << "," << p.g << "," << p.b << "," << p.a << ")";
}

// A decoded picture, rows from the top; masked marks what an icon's AND mask lets through.
struct Picture {
  int width = 0, height = 0;
  std::vector<Px> px;
  std::vector<bool> masked;
  Px at(int x, int y) const { return px[static_cast<std::size_t>(y * width + x)]; }
  bool isMasked(int x, int y) const { return masked[static_cast<std::size_t>(y * width + x)]; }
};

int stride(int width, int bits) { return (width * bits + 31) / 32 * 4; }

// The BITMAPINFOHEADER fields the checks look at.
struct DibHeader {
  std::uint32_t size;
  std::int32_t width, height;
  unsigned planes, bitCount;
  std::uint32_t compression, imageSize, coloursUsed;
};

DibHeader readDibHeader(std::string_view d, std::size_t at) {
  return {le32(d, at),      les32(d, at + 4),  les32(d, at + 8),  le16(d, at + 12),
          le16(d, at + 14), le32(d, at + 16), le32(d, at + 20), le32(d, at + 32)};
}

// A .bmp file: its header and its 24-bit pixels (bottom-up rows turned top-down).
struct BmpFile {
  std::uint32_t fileSizeField, pixelOffset;
  DibHeader dib;
  Picture picture;
};

BmpFile readBmp(std::string_view d) {
  if (d.substr(0, 2) != "BM") throw std::runtime_error("no BM signature");
  BmpFile f{le32(d, 2), le32(d, 10), readDibHeader(d, 14), {}};
  if (f.dib.bitCount == 24 && f.dib.height > 0) {
    Picture& p = f.picture;
    p.width = f.dib.width;
    p.height = f.dib.height;
    const int rowBytes = stride(p.width, 24);
    for (int y = 0; y < p.height; ++y) {
      const std::size_t row = f.pixelOffset + static_cast<std::size_t>((p.height - 1 - y) * rowBytes);
      for (int x = 0; x < p.width; ++x) {
        const std::size_t at = row + static_cast<std::size_t>(3 * x);
        p.px.push_back({int(u8(d, at + 2)), int(u8(d, at + 1)), int(u8(d, at)), 255});
      }
    }
    p.masked.assign(p.px.size(), false);
  }
  return f;
}

struct IconEntry {
  int width, height, colourCount, planes, bitCount;
  std::uint32_t bytes, offset;
};

std::vector<IconEntry> readIconDirectory(std::string_view d) {
  if (le16(d, 0) != 0 || le16(d, 2) != 1) throw std::runtime_error("not an icon file");
  std::vector<IconEntry> entries;
  for (std::size_t i = 0; i < le16(d, 4); ++i) {
    const std::size_t at = 6 + 16 * i;
    entries.push_back({int(u8(d, at)), int(u8(d, at + 1)), int(u8(d, at + 2)),
                       int(le16(d, at + 4)), int(le16(d, at + 6)), le32(d, at + 8),
                       le32(d, at + 12)});
  }
  return entries;
}

// One icon image decoded to straight RGBA, with its AND mask.
Picture readIconImage(std::string_view d, const IconEntry& e) {
  const DibHeader h = readDibHeader(d, e.offset);
  Picture p;
  p.width = h.width;
  p.height = h.height / 2;
  std::size_t at = e.offset + h.size;
  std::vector<Px> palette;
  if (h.bitCount == 8) {
    const std::size_t count = h.coloursUsed ? h.coloursUsed : 256;
    for (std::size_t i = 0; i < count; ++i, at += 4)
      palette.push_back({int(u8(d, at + 2)), int(u8(d, at + 1)), int(u8(d, at)), 255});
  }
  const int colourStride = stride(p.width, static_cast<int>(h.bitCount));
  const std::size_t maskAt = at + static_cast<std::size_t>(colourStride * p.height);
  const int maskStride = stride(p.width, 1);
  p.px.resize(static_cast<std::size_t>(p.width * p.height));
  p.masked.resize(p.px.size());
  for (int y = 0; y < p.height; ++y) {
    const int fileRow = p.height - 1 - y;
    for (int x = 0; x < p.width; ++x) {
      const std::size_t i = static_cast<std::size_t>(y * p.width + x);
      const std::size_t c = at + static_cast<std::size_t>(fileRow * colourStride);
      if (h.bitCount == 8) {
        p.px[i] = palette.at(u8(d, c + static_cast<std::size_t>(x)));
      } else {
        const std::size_t q = c + static_cast<std::size_t>(4 * x);
        p.px[i] = {int(u8(d, q + 2)), int(u8(d, q + 1)), int(u8(d, q)), int(u8(d, q + 3))};
      }
      const unsigned bits = u8(d, maskAt + static_cast<std::size_t>(fileRow * maskStride + x / 8));
      p.masked[i] = (bits & (0x80u >> (x % 8))) != 0;
    }
  }
  return p;
}

// ---- PNG, checked independently of the encoder: chunk CRCs, zlib framing and Adler-32 ---------

std::uint32_t crc32(std::string_view bytes) {
  std::uint32_t c = 0xFFFFFFFFu;
  for (const char ch : bytes) {
    c ^= static_cast<unsigned char>(ch);
    for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
  }
  return ~c;
}

Picture readPng(std::string_view d) {
  if (d.substr(0, 8) != std::string_view("\x89PNG\r\n\x1a\n", 8)) throw std::runtime_error("no PNG signature");
  Picture p;
  std::string zlib;
  bool ended = false;
  for (std::size_t at = 8; at < d.size() && !ended;) {
    const std::uint32_t length = be32(d, at);
    const std::string_view type = d.substr(at + 4, 4);
    const std::string_view data = d.substr(at + 8, length);
    if (crc32(d.substr(at + 4, length + 4)) != be32(d, at + 8 + length))
      throw std::runtime_error("bad CRC in " + std::string(type));
    if (type == "IHDR") {
      p.width = static_cast<int>(be32(data, 0));
      p.height = static_cast<int>(be32(data, 4));
      if (data.substr(8, 5) != std::string_view("\x08\x06\x00\x00\x00", 5))
        throw std::runtime_error("not 8-bit RGBA without interlace");
    } else if (type == "IDAT") {
      zlib += data;
    } else if (type == "IEND") {
      ended = true;
    }
    at += 12 + length;
  }
  if (!ended) throw std::runtime_error("no IEND");
  if ((u8(zlib, 0) << 8 | u8(zlib, 1)) % 31 != 0 || (u8(zlib, 0) & 15) != 8)
    throw std::runtime_error("bad zlib header");
  std::string raw;
  std::size_t at = 2;
  for (bool last = false; !last;) {
    const unsigned head = u8(zlib, at);
    last = head & 1;
    if ((head >> 1) != 0) throw std::runtime_error("only stored blocks are read here");
    const std::uint32_t n = le16(zlib, at + 1);
    if ((le16(zlib, at + 3) ^ 0xFFFF) != n) throw std::runtime_error("bad stored length");
    raw += zlib.substr(at + 5, n);
    at += 5 + n;
  }
  std::uint32_t a = 1, b = 0;
  for (const char ch : raw) {
    a = (a + static_cast<unsigned char>(ch)) % 65521;
    b = (b + a) % 65521;
  }
  if (be32(zlib, at) != (b << 16 | a)) throw std::runtime_error("bad Adler-32");
  const std::size_t rowBytes = 1 + 4 * static_cast<std::size_t>(p.width);
  if (raw.size() != rowBytes * static_cast<std::size_t>(p.height))
    throw std::runtime_error("wrong amount of image data");
  for (int y = 0; y < p.height; ++y) {
    const std::size_t row = static_cast<std::size_t>(y) * rowBytes;
    if (raw[row] != 0) throw std::runtime_error("unexpected row filter");
    for (int x = 0; x < p.width; ++x) {
      const std::size_t q = row + 1 + 4 * static_cast<std::size_t>(x);
      p.px.push_back({int(u8(raw, q)), int(u8(raw, q + 1)), int(u8(raw, q + 2)), int(u8(raw, q + 3))});
    }
  }
  p.masked.assign(p.px.size(), false);
  return p;
}

// ---- the icon's picture ----------------------------------------------------------------------

bool arrowGreen(const Px& p) { return p.g > p.r + 50 && p.g > p.b + 50; }
bool discSilver(const Px& p) {
  return std::min({p.r, p.g, p.b}) >= 110 && std::abs(p.r - p.g) < 24 && p.b >= p.g;
}

// A transparent spot enclosed by the disc on all four sides within reach: the centre hole. Its
// position is returned; (-1, -1) when there is none.
std::pair<int, int> findHole(const Picture& p) {
  const int reach = std::max(3, p.width / 4);
  auto silverWithin = [&](int x, int y, int dx, int dy) {
    for (int k = 1; k <= reach; ++k) {
      const int u = x + k * dx, v = y + k * dy;
      if (u < 0 || v < 0 || u >= p.width || v >= p.height) return false;
      if (!p.isMasked(u, v) && discSilver(p.at(u, v))) return true;
    }
    return false;
  };
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x)
      if (p.isMasked(x, y) && silverWithin(x, y, 1, 0) && silverWithin(x, y, -1, 0) &&
          silverWithin(x, y, 0, 1) && silverWithin(x, y, 0, -1))
        return {x, y};
  return {-1, -1};
}

const std::array<std::pair<int, int>, 10> kIconImages{{
    {48, 8}, {32, 8}, {16, 8}, {128, 32}, {96, 32}, {72, 32}, {64, 32}, {48, 32}, {32, 32}, {16, 32}}};

}  // namespace

// ---- bitmaps -------------------------------------------------------------------------------------

TEST(ResourceFiles, BitmapsAreUncompressed24BitBottomUpFiles) {
  struct Case {
    const char* name;
    int width, height;
  };
  for (const Case& c : {Case{"help.bmp", 27, 27}, Case{"weblink.bmp", 24, 24}, Case{"indicator.bmp", 20, 17}}) {
    SCOPED_TRACE(c.name);
    const std::string_view d = embedded(c.name);
    const BmpFile f = readBmp(d);
    EXPECT_EQ(f.fileSizeField, d.size());
    EXPECT_EQ(f.pixelOffset, 54u) << "no palette, nothing between header and pixels";
    EXPECT_EQ(f.dib.size, 40u) << "BITMAPINFOHEADER";
    EXPECT_EQ(f.dib.width, c.width);
    EXPECT_EQ(f.dib.height, c.height) << "positive height: rows stored bottom-up";
    EXPECT_EQ(f.dib.planes, 1u);
    EXPECT_EQ(f.dib.bitCount, 24u);
    EXPECT_EQ(f.dib.compression, 0u) << "BI_RGB";
    const std::size_t pixelBytes = static_cast<std::size_t>(stride(c.width, 24) * c.height);
    EXPECT_EQ(f.dib.imageSize, pixelBytes);
    EXPECT_EQ(d.size(), 54 + pixelBytes);
  }
}

TEST(ResourceFiles, GlyphGroundIsWhiteForTheButtonsColourKey) {
  for (const char* name : {"help.bmp", "weblink.bmp"}) {
    SCOPED_TRACE(name);
    const Picture p = readBmp(embedded(name)).picture;
    // The speed button takes the bottom-left pixel's colour as transparent.
    EXPECT_TRUE(p.at(0, p.height - 1).white()) << p.at(0, p.height - 1);
    for (const auto& [x, y] : {std::pair{0, 0}, std::pair{p.width - 1, 0}, std::pair{p.width - 1, p.height - 1}})
      EXPECT_TRUE(p.at(x, y).white()) << x << "," << y;
  }
}

TEST(ResourceFiles, HelpBallShowsWholeInItsButton) {
  const Picture p = readBmp(embedded("help.bmp")).picture;
  // Centred in a 24 x 24 button the glyph loses column and row 0 and columns and rows 25 and 26:
  // those must be ground only, and the ball must use the rest.
  int left = p.width, right = -1, top = p.height, bottom = -1;
  std::map<std::array<int, 3>, int> tones;
  int nearWhite = 0;
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      const Px c = p.at(x, y);
      if (c.white()) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
      ++tones[{c.r, c.g, c.b}];
      if (std::min({c.r, c.g, c.b}) >= 240) ++nearWhite;
    }
  EXPECT_GE(left, 1);
  EXPECT_GE(top, 1);
  EXPECT_LE(right, 24);
  EXPECT_LE(bottom, 24);
  EXPECT_LE(left, 2);
  EXPECT_LE(top, 2);
  EXPECT_GE(right, 23);
  EXPECT_GE(bottom, 23);
  ASSERT_FALSE(tones.empty());
  const auto main = std::max_element(tones.begin(), tones.end(),
                                     [](const auto& a, const auto& b) { return a.second < b.second; });
  EXPECT_EQ(main->first, (std::array<int, 3>{74, 81, 166})) << "the ball's main tone";
  // The question mark: white, though not the key colour, so it does not turn transparent.
  EXPECT_GE(nearWhite, 12);
  EXPECT_FALSE(p.at(13, 13).white());
}

TEST(ResourceFiles, WebLinkGlyphIsALifeRingOfNavyAndWhiteSegments) {
  const Picture p = readBmp(embedded("weblink.bmp")).picture;
  EXPECT_TRUE(p.at(11, 11).white()) << "the ring's hole shows the button";
  EXPECT_TRUE(p.at(12, 12).white());
  auto navy = [](const Px& c) { return c.b > c.r + 30 && c.brightness() < 330; };
  auto light = [](const Px& c) { return !c.white() && std::min({c.r, c.g, c.b}) >= 170; };
  // Halfway round the ring: light segments across the axes, navy ones on the diagonals.
  for (const auto& [x, y] : {std::pair{19, 11}, std::pair{4, 11}, std::pair{11, 4}, std::pair{11, 19}})
    EXPECT_TRUE(light(p.at(x, y))) << x << "," << y << " " << p.at(x, y);
  for (const auto& [x, y] : {std::pair{17, 17}, std::pair{6, 6}, std::pair{17, 6}, std::pair{6, 17}})
    EXPECT_TRUE(navy(p.at(x, y))) << x << "," << y << " " << p.at(x, y);
}

TEST(ResourceFiles, IndicatorIsAGreenLampOnFlatGround) {
  const Picture p = readBmp(embedded("indicator.bmp")).picture;
  const Px ground{237, 233, 227}, outline{0, 127, 0};
  int upperLeft = 0, lowerRight = 0;
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      const Px c = p.at(x, y);
      const bool lamp = x >= 4 && x <= 15 && y >= 1 && y <= 15;
      const bool edge = lamp && (x == 4 || x == 15 || y == 1 || y == 15);
      if (!lamp) {
        EXPECT_EQ(c, ground) << x << "," << y;
      } else if (edge) {
        EXPECT_EQ(c, outline) << x << "," << y;
      } else {
        EXPECT_TRUE(c.g >= 180 && c.g >= c.r + 25 && c.g >= c.b + 25) << x << "," << y << " " << c;
        // Split the face along its anti-diagonal to compare the two halves.
        const int t = (x - 5) * 12 + (y - 2) * 9;
        if (t < 108) upperLeft += c.brightness();
        if (t > 108) lowerRight += c.brightness();
      }
    }
  EXPECT_GT(upperLeft, lowerRight + 2000) << "the face is lighter towards its top left";
  EXPECT_GT(p.at(5, 2).brightness(), p.at(14, 14).brightness());
}

// ---- the icon -------------------------------------------------------------------------------------

TEST(ResourceFiles, IconHoldsTenUncompressedImagesInOrder) {
  const std::string_view d = embedded("MAINICON.ico");
  const std::vector<IconEntry> entries = readIconDirectory(d);
  ASSERT_EQ(entries.size(), kIconImages.size());
  std::uint32_t expectedOffset = static_cast<std::uint32_t>(6 + 16 * entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const auto [size, bits] = kIconImages[i];
    SCOPED_TRACE("image " + std::to_string(i + 1));
    const IconEntry& e = entries[i];
    EXPECT_EQ(e.width, size);
    EXPECT_EQ(e.height, size);
    EXPECT_EQ(e.colourCount, 0);
    EXPECT_EQ(e.planes, 1);
    EXPECT_EQ(e.bitCount, bits);
    EXPECT_EQ(e.offset, expectedOffset) << "images follow each other without gaps";
    ASSERT_LE(std::size_t{e.offset} + e.bytes, d.size());
    EXPECT_NE(d.substr(e.offset, 4), std::string_view("\x89PNG", 4)) << "a DIB, not a PNG";
    const DibHeader h = readDibHeader(d, e.offset);
    EXPECT_EQ(h.size, 40u);
    EXPECT_EQ(h.width, size);
    EXPECT_EQ(h.height, 2 * size) << "colour bitmap and mask";
    EXPECT_EQ(h.planes, 1u);
    EXPECT_EQ(h.bitCount, static_cast<unsigned>(bits));
    EXPECT_EQ(h.compression, 0u);
    const std::uint32_t palette = bits == 8 ? 256 * 4 : 0;
    const auto body = static_cast<std::uint32_t>((stride(size, bits) + stride(size, 1)) * size);
    EXPECT_EQ(e.bytes, 40 + palette + body) << "header, palette, colour bitmap and 1-bit mask";
    expectedOffset = e.offset + e.bytes;
  }
  EXPECT_EQ(expectedOffset, d.size());
}

TEST(ResourceFiles, IconShowsTheDiscAndArrowAtEverySize) {
  const std::string_view d = embedded("MAINICON.ico");
  const std::vector<IconEntry> entries = readIconDirectory(d);
  ASSERT_EQ(entries.size(), kIconImages.size());
  std::map<int, Picture> withAlpha;
  for (std::size_t i = 3; i < entries.size(); ++i) withAlpha[entries[i].width] = readIconImage(d, entries[i]);

  for (std::size_t i = 0; i < entries.size(); ++i) {
    const Picture p = readIconImage(d, entries[i]);
    const int s = p.width;
    SCOPED_TRACE("image " + std::to_string(i + 1) + ", " + std::to_string(s) + " px");
    const auto [hx, hy] = findHole(p);
    ASSERT_GE(hx, 0) << "a disc with a centre hole";
    // Where the disc and the arrow lie, by quadrant counts and the green pixels' centroid.
    int silver[2][2] = {{0, 0}, {0, 0}};
    long gx = 0, gy = 0, green = 0;
    int nearest = s * s;
    std::vector<int> along;  // position along the down-left diagonal
    for (int y = 0; y < s; ++y)
      for (int x = 0; x < s; ++x) {
        if (p.isMasked(x, y)) continue;
        const Px c = p.at(x, y);
        if (discSilver(c)) ++silver[2 * y / s][2 * x / s];
        if (arrowGreen(c)) {
          gx += x;
          gy += y;
          ++green;
          nearest = std::min(nearest, (x - hx) * (x - hx) + (y - hy) * (y - hy));
          along.push_back(y - x);
        }
      }
    ASSERT_GT(green, 0) << "a green arrow";
    const double cx = double(gx) / double(green), cy = double(gy) / double(green);
    const int upperLeft = silver[0][0], lowerLeft = silver[1][0];
    if (s == 16) {
      EXPECT_GT(upperLeft, std::max({lowerLeft, silver[0][1], silver[1][1]})) << "disc in the upper left";
      EXPECT_GT(cx, hx);
      EXPECT_GT(cy, hy) << "arrow over the disc's lower right";
    } else {
      EXPECT_GT(lowerLeft, std::max({upperLeft, silver[0][1], silver[1][1]}));
      EXPECT_GT(cx, hx);
      EXPECT_LT(cy, hy) << "arrow coming in from the upper right";
      EXPECT_LT(nearest, (s / 4) * (s / 4)) << "the arrow's tip reaches towards the centre";
    }
    // Pointing down and to the left: the widest cross-section (the back of the head) lies in
    // the down-left half of the arrow.
    std::map<int, int> width;
    for (const int a : along) ++width[a];
    const int lo = width.begin()->first, hi = width.rbegin()->first;
    const auto widest = std::max_element(width.begin(), width.end(),
                                         [](const auto& a, const auto& b) { return a.second < b.second; });
    EXPECT_GT(2 * (widest->first - lo), hi - lo) << "widest at " << widest->first << " of " << lo << ".." << hi;

    // Masks follow alpha; the 8-bit images are the same picture in a palette of their own.
    const Picture& ref = withAlpha.at(s);
    long difference = 0, opaque = 0;
    for (int y = 0; y < s; ++y)
      for (int x = 0; x < s; ++x) {
        ASSERT_EQ(ref.isMasked(x, y), ref.at(x, y).a < 128) << x << "," << y;
        if (entries[i].bitCount != 8) continue;
        ASSERT_EQ(p.isMasked(x, y), ref.isMasked(x, y)) << x << "," << y;
        if (p.isMasked(x, y)) {
          EXPECT_EQ(p.at(x, y), (Px{0, 0, 0, 255})) << "masked pixels are black, so the screen shows";
          continue;
        }
        const Px a = p.at(x, y), b = ref.at(x, y);
        difference += std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b);
        ++opaque;
      }
    if (opaque > 0) {
      EXPECT_LT(double(difference) / double(3 * opaque), 4.0);
    }
  }
}

TEST(ResourceFiles, IconThemePngsAreTheIconsAlphaImages) {
  const std::string_view d = embedded("MAINICON.ico");
  const std::vector<IconEntry> entries = readIconDirectory(d);
  for (const int size : {16, 32, 48, 64, 128}) {
    SCOPED_TRACE(size);
    const Picture png = readPng(readText(kResDir / "icons" / ("molvane-" + std::to_string(size) + ".png")));
    const auto e = std::find_if(entries.begin(), entries.end(),
                                [&](const IconEntry& x) { return x.width == size && x.bitCount == 32; });
    ASSERT_NE(e, entries.end());
    const Picture ico = readIconImage(d, *e);
    ASSERT_EQ(png.width, size);
    ASSERT_EQ(png.height, size);
    EXPECT_TRUE(png.px == ico.px) << "same pixels, alpha included";
  }
}

// ---- the generator --------------------------------------------------------------------------------

TEST(ResourceFiles, GeneratorReproducesTheCommittedFiles) {
  TempDir out;
  const std::vector<ArtFile> files = writeArt(out.path());
  ASSERT_EQ(files.size(), 9u);
  for (const ArtFile& f : files) {
    SCOPED_TRACE(f.path);
    EXPECT_EQ(readText(out.path() / f.path), f.bytes) << "written as generated";
    // Compared as booleans: a failure would otherwise print two binary files.
    EXPECT_TRUE(readText(kResDir / f.path) == f.bytes)
        << "the committed file is stale: run molvane-makeart on res/ and commit";
    const std::string_view inside = embeddedResource(f.path);
    if (!inside.empty()) {
      EXPECT_TRUE(inside == f.bytes) << "the embedded copy differs";
    }
  }
  for (const char* name : {"help.bmp", "weblink.bmp", "indicator.bmp", "MAINICON.ico"})
    EXPECT_FALSE(embeddedResource(name).empty()) << name;
}

TEST(ResourceFiles, PaletteKeepsFewColoursExactlyAndBoundsMany) {
  // Few colours: each one kept as it is, transparent pixels left out.
  Raster few(4, 1);
  few.at(0, 0) = {10, 20, 30, 255};
  few.at(1, 0) = {200, 100, 50, 255};
  few.at(2, 0) = {10, 20, 30, 255};
  few.at(3, 0) = {255, 255, 255, 40};
  std::vector<Rgba> palette = medianCutPalette(few, 255);
  ASSERT_EQ(palette.size(), 2u);
  EXPECT_EQ(palette[static_cast<std::size_t>(nearestEntry(palette, {10, 20, 30, 255}))], (Rgba{10, 20, 30, 255}));
  EXPECT_EQ(palette[static_cast<std::size_t>(nearestEntry(palette, {200, 100, 50, 255}))], (Rgba{200, 100, 50, 255}));

  // A smooth ramp of 4096 colours: at most the limit, and every pixel near its entry.
  Raster many(64, 64);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x)
      many.at(x, y) = {static_cast<std::uint8_t>(4 * x), static_cast<std::uint8_t>(4 * y),
                       static_cast<std::uint8_t>(2 * (x + y)), 255};
  palette = medianCutPalette(many, 255);
  EXPECT_EQ(palette.size(), 255u);
  int worst = 0;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      const Rgba c = many.at(x, y);
      const Rgba q = palette[static_cast<std::size_t>(nearestEntry(palette, c))];
      worst = std::max({worst, std::abs(c.r - q.r), std::abs(c.g - q.g), std::abs(c.b - q.b)});
    }
  EXPECT_LE(worst, 24);
}

// ---- skin and version texts -----------------------------------------------------------------------

TEST(ResourceFiles, SkinLeavesFontsSizesAndLabelColoursToTheLayout) {
  const std::string skin(embedded("Molvane.qss"));
  // Strip comments, then look at the properties and selectors that are left.
  const std::string rules = std::regex_replace(skin, std::regex(R"(/\*[\s\S]*?\*/)"), "");
  EXPECT_FALSE(std::regex_search(rules, std::regex(R"((^|[\s;{])font(-[a-z]+)?\s*:)")));
  EXPECT_FALSE(std::regex_search(rules, std::regex(R"((^|[\s;{])padding(-[a-z]+)?\s*:)")));
  // Labels are styled only inside message boxes; the headings' maroon comes from the layout.
  const std::regex selectors(R"(([^{}]*)\{)");
  for (std::sregex_iterator it(rules.begin(), rules.end(), selectors), end; it != end; ++it) {
    const std::string selector = (*it)[1];
    if (selector.find("QLabel") != std::string::npos) {
      EXPECT_NE(selector.find("QMessageBox QLabel"), std::string::npos) << selector;
    }
  }
  EXPECT_NE(rules.find("QGroupBox::title"), std::string::npos);
}

TEST(ResourceFiles, VersionIsTheSameInTheVersionBlockAndTheMetainfo) {
  const std::string rc = readText(kResDir / "Molvane.rc");
  std::smatch m;
  ASSERT_TRUE(std::regex_search(rc, m, std::regex(R"(FILEVERSION\s+(\d+),\s*(\d+),\s*(\d+),\s*(\d+))")));
  const std::string numeric = m[1].str() + "." + m[2].str() + "." + m[3].str() + "." + m[4].str();
  ASSERT_TRUE(std::regex_search(rc, m, std::regex(R"re(VALUE\s+"FileVersion",\s*"([^"]*)")re")));
  EXPECT_EQ(m[1].str(), numeric);
  ASSERT_TRUE(std::regex_search(rc, m, std::regex(R"(PRODUCTVERSION\s+(\d+),\s*(\d+),\s*(\d+),\s*(\d+))")));
  EXPECT_EQ(m[1].str() + "." + m[2].str() + "." + m[3].str() + "." + m[4].str(), numeric);

  const std::string metainfo = readText(kResDir / "io.example.Molvane.metainfo.xml");
  ASSERT_TRUE(std::regex_search(metainfo, m, std::regex(R"re(<release\s+version="([^"]*)")re")));
  EXPECT_EQ(m[1].str(), numeric);
}
