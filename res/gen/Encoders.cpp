#include "Encoders.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <stdexcept>

#include "Palette.h"

namespace {

void put16(std::string& out, unsigned v) {
  out += static_cast<char>(v & 255);
  out += static_cast<char>((v >> 8) & 255);
}

void put32(std::string& out, std::uint32_t v) {
  for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((v >> shift) & 255);
}

void put32be(std::string& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 255);
}

std::uint32_t u32(int v) { return static_cast<std::uint32_t>(v); }

// DIB rows are padded to a multiple of four bytes.
int rowBytes(int width, int bitCount) { return (width * bitCount + 31) / 32 * 4; }

void putInfoHeader(std::string& out, int width, int height, int bitCount, int imageBytes,
                   int pixelsPerMetre) {
  put32(out, 40);
  put32(out, u32(width));
  put32(out, u32(height));
  put16(out, 1);  // planes
  put16(out, static_cast<unsigned>(bitCount));
  put32(out, 0);  // BI_RGB
  put32(out, u32(imageBytes));
  put32(out, u32(pixelsPerMetre));
  put32(out, u32(pixelsPerMetre));
  put32(out, 0);  // colours used: all that the bit count allows
  put32(out, 0);  // colours important: all
}

void padRow(std::string& out, std::size_t rowStart, int bytes) {
  while (out.size() - rowStart < static_cast<std::size_t>(bytes)) out += '\0';
}

bool masked(Rgba p) { return p.a < 128; }

// The AND mask of an icon image: one bit a pixel, set where the screen shows through.
void putMask(std::string& out, const Raster& picture) {
  const int stride = rowBytes(picture.width(), 1);
  for (int y = picture.height() - 1; y >= 0; --y) {
    const std::size_t start = out.size();
    for (int x0 = 0; x0 < picture.width(); x0 += 8) {
      unsigned bits = 0;
      for (int x = x0; x < x0 + 8 && x < picture.width(); ++x)
        if (masked(picture.at(x, y))) bits |= 0x80u >> (x - x0);
      out += static_cast<char>(bits);
    }
    padRow(out, start, stride);
  }
}

std::string iconImageData(const IconImage& image) {
  const Raster& p = image.picture;
  const int w = p.width(), h = p.height();
  const int colourStride = rowBytes(w, image.bitCount);
  const int maskBytes = rowBytes(w, 1) * h;
  std::string out;
  // The header's height covers the colour bitmap and the mask stacked on each other.
  putInfoHeader(out, w, 2 * h, image.bitCount, colourStride * h + maskBytes, 0);
  if (image.bitCount == 8) {
    // Index 0 stays black: masked pixels use it, so that the screen shows through unchanged
    // where the mask is set (screen AND mask XOR colour).
    std::vector<Rgba> palette{{0, 0, 0, 255}};
    for (const Rgba& c : medianCutPalette(p, 255)) palette.push_back(c);
    for (std::size_t i = 0; i < 256; ++i) {
      const Rgba c = i < palette.size() ? palette[i] : Rgba{0, 0, 0, 255};
      out += static_cast<char>(c.b);
      out += static_cast<char>(c.g);
      out += static_cast<char>(c.r);
      out += '\0';
    }
    for (int y = h - 1; y >= 0; --y) {
      const std::size_t start = out.size();
      for (int x = 0; x < w; ++x) {
        const Rgba c = p.at(x, y);
        out += static_cast<char>(masked(c) ? 0 : nearestEntry(palette, c));
      }
      padRow(out, start, colourStride);
    }
  } else if (image.bitCount == 32) {
    for (int y = h - 1; y >= 0; --y)
      for (int x = 0; x < w; ++x) {
        const Rgba c = p.at(x, y);
        out += static_cast<char>(c.b);
        out += static_cast<char>(c.g);
        out += static_cast<char>(c.r);
        out += static_cast<char>(c.a);
      }
  } else {
    throw std::invalid_argument("icon images are stored at 8 or 32 bits");
  }
  putMask(out, p);
  return out;
}

std::uint32_t crc32(const std::string& bytes, std::size_t from) {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  std::uint32_t c = 0xFFFFFFFFu;
  for (std::size_t i = from; i < bytes.size(); ++i)
    c = table[(c ^ static_cast<unsigned char>(bytes[i])) & 255] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

void putChunk(std::string& out, const char* type, const std::string& data) {
  put32be(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t typeAt = out.size();
  out += type;
  out += data;
  put32be(out, crc32(out, typeAt));
}

// A zlib stream made of uncompressed ("stored") deflate blocks.
std::string storedZlib(const std::string& raw) {
  std::string out{'\x78', '\x01'};
  std::size_t at = 0;
  do {
    const std::size_t n = std::min<std::size_t>(raw.size() - at, 65535);
    const bool last = at + n == raw.size();
    out += static_cast<char>(last ? 1 : 0);
    put16(out, static_cast<unsigned>(n));
    put16(out, static_cast<unsigned>(~n & 0xFFFF));
    out.append(raw, at, n);
    at += n;
  } while (at < raw.size());
  std::uint32_t a = 1, b = 0;
  for (const char ch : raw) {
    a = (a + static_cast<unsigned char>(ch)) % 65521;
    b = (b + a) % 65521;
  }
  put32be(out, (b << 16) | a);
  return out;
}

}  // namespace

std::string encodeBmp24(const Raster& picture) {
  const int stride = rowBytes(picture.width(), 24);
  const int imageBytes = stride * picture.height();
  std::string out = "BM";
  put32(out, u32(14 + 40 + imageBytes));
  put32(out, 0);  // reserved
  put32(out, 14 + 40);
  // 3780 pixels per metre: 96 dpi, the density the layout is drawn for.
  putInfoHeader(out, picture.width(), picture.height(), 24, imageBytes, 3780);
  for (int y = picture.height() - 1; y >= 0; --y) {
    const std::size_t start = out.size();
    for (int x = 0; x < picture.width(); ++x) {
      const Rgba c = picture.at(x, y);
      out += static_cast<char>(c.b);
      out += static_cast<char>(c.g);
      out += static_cast<char>(c.r);
    }
    padRow(out, start, stride);
  }
  return out;
}

std::string encodeIco(const std::vector<IconImage>& images) {
  std::vector<std::string> data;
  for (const IconImage& image : images) {
    if (image.picture.width() > 256 || image.picture.height() > 256)
      throw std::invalid_argument("icon images are at most 256 pixels");
    data.push_back(iconImageData(image));
  }
  std::string out;
  put16(out, 0);  // reserved
  put16(out, 1);  // icon, not cursor
  put16(out, static_cast<unsigned>(images.size()));
  std::size_t offset = 6 + 16 * images.size();
  for (std::size_t i = 0; i < images.size(); ++i) {
    const Raster& p = images[i].picture;
    out += static_cast<char>(p.width() & 255);  // 256 is written as 0
    out += static_cast<char>(p.height() & 255);
    out += '\0';  // colour count: 0 for 256 colours and more
    out += '\0';
    put16(out, 1);
    put16(out, static_cast<unsigned>(images[i].bitCount));
    put32(out, static_cast<std::uint32_t>(data[i].size()));
    put32(out, static_cast<std::uint32_t>(offset));
    offset += data[i].size();
  }
  for (const std::string& d : data) out += d;
  return out;
}

std::string encodePng(const Raster& picture) {
  std::string out = "\x89PNG\r\n\x1a\n";
  std::string header;
  put32be(header, u32(picture.width()));
  put32be(header, u32(picture.height()));
  header += '\x08';  // bits per channel
  header += '\x06';  // RGBA
  header += std::string(3, '\0');  // deflate, adaptive filtering, no interlace
  putChunk(out, "IHDR", header);
  std::string raw;
  for (int y = 0; y < picture.height(); ++y) {
    raw += '\0';  // filter: none
    for (int x = 0; x < picture.width(); ++x) {
      const Rgba c = picture.at(x, y);
      raw += static_cast<char>(c.r);
      raw += static_cast<char>(c.g);
      raw += static_cast<char>(c.b);
      raw += static_cast<char>(c.a);
    }
  }
  putChunk(out, "IDAT", storedZlib(raw));
  putChunk(out, "IEND", "");
  return out;
}
