#include "Palette.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>

namespace {

struct Entry {
  std::array<int, 3> rgb;
  long count;
};

struct Box {
  std::size_t begin, end;  // a range of the sorted colour table
};

int channelRange(const std::vector<Entry>& colours, const Box& box, int channel) {
  int lo = 255, hi = 0;
  for (std::size_t i = box.begin; i < box.end; ++i) {
    lo = std::min(lo, colours[i].rgb[static_cast<std::size_t>(channel)]);
    hi = std::max(hi, colours[i].rgb[static_cast<std::size_t>(channel)]);
  }
  return hi - lo;
}

// The channel along which the box is widest (the first one on a tie) and its range.
std::pair<int, int> widestChannel(const std::vector<Entry>& colours, const Box& box) {
  int best = 0, range = -1;
  for (int c = 0; c < 3; ++c) {
    const int r = channelRange(colours, box, c);
    if (r > range) {
      best = c;
      range = r;
    }
  }
  return {best, range};
}

}  // namespace

std::vector<Rgba> medianCutPalette(const Raster& picture, int maxColours) {
  // A histogram keyed by the packed colour, so that the order (and the result) never depends
  // on the order of the pixels.
  std::map<std::uint32_t, long> histogram;
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x) {
      const Rgba p = picture.at(x, y);
      if (p.a >= 128) ++histogram[(std::uint32_t{p.r} << 16) | (std::uint32_t{p.g} << 8) | p.b];
    }
  std::vector<Entry> colours;
  for (const auto& [key, count] : histogram)
    colours.push_back({{int(key >> 16), int((key >> 8) & 255), int(key & 255)}, count});
  if (colours.empty() || maxColours <= 0) return {};

  std::vector<Box> boxes{{0, colours.size()}};
  while (static_cast<int>(boxes.size()) < maxColours) {
    // Split the box with the widest spread among those that still hold two colours or more.
    int pick = -1, pickChannel = 0, pickRange = -1;
    for (std::size_t i = 0; i < boxes.size(); ++i) {
      if (boxes[i].end - boxes[i].begin < 2) continue;
      const auto [channel, range] = widestChannel(colours, boxes[i]);
      if (range > pickRange) {
        pick = static_cast<int>(i);
        pickChannel = channel;
        pickRange = range;
      }
    }
    if (pick < 0) break;
    Box& box = boxes[static_cast<std::size_t>(pick)];
    const auto first = colours.begin() + static_cast<std::ptrdiff_t>(box.begin);
    const auto last = colours.begin() + static_cast<std::ptrdiff_t>(box.end);
    const auto c = static_cast<std::size_t>(pickChannel);
    std::sort(first, last, [c](const Entry& a, const Entry& b) {
      return a.rgb[c] != b.rgb[c] ? a.rgb[c] < b.rgb[c] : a.rgb < b.rgb;
    });
    long total = 0;
    for (auto it = first; it != last; ++it) total += it->count;
    // The split point is the weighted median, kept off both ends so neither half is empty.
    long seen = 0;
    std::size_t split = box.begin + 1;
    for (std::size_t i = box.begin; i + 1 < box.end; ++i) {
      seen += colours[i].count;
      split = i + 1;
      if (2 * seen >= total) break;
    }
    const Box upper{split, box.end};
    box.end = split;
    boxes.push_back(upper);
  }

  std::vector<Rgba> palette;
  for (const Box& box : boxes) {
    long sum[3] = {0, 0, 0}, count = 0;
    for (std::size_t i = box.begin; i < box.end; ++i) {
      for (std::size_t c = 0; c < 3; ++c) sum[c] += colours[i].rgb[c] * colours[i].count;
      count += colours[i].count;
    }
    auto mean = [&](int c) { return static_cast<std::uint8_t>((sum[c] + count / 2) / count); };
    palette.push_back({mean(0), mean(1), mean(2), 255});
  }
  return palette;
}

int nearestEntry(const std::vector<Rgba>& palette, Rgba colour) {
  int best = 0;
  long bestDistance = -1;
  for (std::size_t i = 0; i < palette.size(); ++i) {
    const long dr = palette[i].r - colour.r, dg = palette[i].g - colour.g,
               db = palette[i].b - colour.b;
    const long d = dr * dr + dg * dg + db * db;
    if (bestDistance < 0 || d < bestDistance) {
      best = static_cast<int>(i);
      bestDistance = d;
    }
  }
  return best;
}
