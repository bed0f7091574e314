#pragma once

#include <cstdint>
#include <vector>

// One pixel with straight (not premultiplied) alpha.
struct Rgba {
  std::uint8_t r = 0, g = 0, b = 0, a = 0;
  friend bool operator==(const Rgba&, const Rgba&) = default;
};

// A picture in memory, rows from the top down, as the drawing code and the encoders share it.
class Raster {
public:
  Raster(int width, int height, Rgba fill = {})
      : width_(width), height_(height), pixels_(static_cast<std::size_t>(width * height), fill) {}

  int width() const { return width_; }
  int height() const { return height_; }
  Rgba& at(int x, int y) { return pixels_[static_cast<std::size_t>(y * width_ + x)]; }
  const Rgba& at(int x, int y) const { return pixels_[static_cast<std::size_t>(y * width_ + x)]; }

private:
  int width_;
  int height_;
  std::vector<Rgba> pixels_;
};
