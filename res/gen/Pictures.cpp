#include "Pictures.h"

#include <algorithm>
#include <cmath>

namespace {

// A colour with its alpha, premultiplied, in 0..1.
struct Colour {
  double r = 0, g = 0, b = 0, a = 0;
};

Colour opaque(double r, double g, double b) { return {r / 255, g / 255, b / 255, 1}; }

double clamp01(double v) { return std::clamp(v, 0.0, 1.0); }

// Square root by Newton's method from a power-of-two first guess. It uses only +, * and / and
// exact scaling, so every IEEE-754 platform gets the same bits; the C runtimes' sqrt does not
// always (an unoptimised MinGW build rounds some results differently), and one bit is enough to
// move a pixel.
double root(double v) {
  if (!(v > 0)) return 0;
  int exponent = 0;
  std::frexp(v, &exponent);
  double y = std::ldexp(1.0, exponent / 2);  // within a factor of two of the root
  for (int i = 0; i < 8; ++i) y = 0.5 * (y + v / y);
  return y;
}

Colour mix(const Colour& x, const Colour& y, double t) {
  t = clamp01(t);
  return {x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t,
          x.a + (y.a - x.a) * t};
}

Colour scaled(const Colour& c, double k) { return {c.r * k, c.g * k, c.b * k, c.a * k}; }

// Porter-Duff "over" for premultiplied colours.
Colour over(const Colour& top, const Colour& bottom) {
  const double k = 1 - top.a;
  return {top.r + bottom.r * k, top.g + bottom.g * k, top.b + bottom.b * k,
          top.a + bottom.a * k};
}

std::uint8_t byte(double v) { return static_cast<std::uint8_t>(std::floor(clamp01(v) * 255 + 0.5)); }

Rgba toRgba(const Colour& c) {
  const std::uint8_t a = byte(c.a);
  if (a == 0) return {};
  return {byte(c.r / c.a), byte(c.g / c.a), byte(c.b / c.a), a};
}

Rgba rgb(int r, int g, int b) {
  return {static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
          static_cast<std::uint8_t>(b), 255};
}

// The light falls from the upper left, towards the viewer.
struct Light {
  double x, y, z;
};
const Light kLight = [] {
  const double x = -0.45, y = -0.55, z = 0.70;
  const double n = root(x * x + y * y + z * z);
  return Light{x / n, y / n, z / n};
}();

double lit(double nx, double ny, double nz) {
  return nx * kLight.x + ny * kLight.y + nz * kLight.z;
}

// Averages a sampler over n x n points of each pixel.
template <class Sampler>
Colour supersample(int x, int y, int n, Sampler sample) {
  Colour sum;
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i) {
      const Colour c = sample(x + (i + 0.5) / n, y + (j + 0.5) / n);
      sum.r += c.r;
      sum.g += c.g;
      sum.b += c.b;
      sum.a += c.a;
    }
  return scaled(sum, 1.0 / (n * n));
}

// ---- help glyph --------------------------------------------------------------------------------

// The ball is centred on the part of the glyph that the button shows (columns 1 to 24), and its
// outline is decided per pixel so that the ground around it stays pure white (transparent).
constexpr double kBallX = 13.0, kBallY = 13.0, kBallRadius = 11.6;

Colour ballShade(double dx, double dy) {
  const double nx = dx / kBallRadius, ny = dy / kBallRadius;
  const double nz = root(std::max(0.0, 1 - nx * nx - ny * ny));
  const double k = lit(nx, ny, nz);
  const Colour dark = opaque(34, 38, 98), main = opaque(74, 81, 166),
               light = opaque(124, 132, 210), shine = opaque(232, 234, 252);
  // A flat band of the main tone between the shadow and the highlight: the ball reads as one
  // colour with a soft shading, not as a gradient.
  if (k < 0.40) return mix(dark, main, k / 0.40);
  if (k < 0.80) return main;
  if (k < 0.96) return mix(main, light, (k - 0.80) / 0.16);
  return mix(light, shine, (k - 0.96) / 0.04);
}

// The question mark, in pixels from the ball's centre: a hook (a ring missing its lower left
// quarter), a stem below it and a dot.
bool questionMark(double x, double y) {
  const double hookY = -3.2;
  const double hx = x, hy = y - hookY;
  const double rr = hx * hx + hy * hy;
  if (rr >= 1.9 * 1.9 && rr <= 4.4 * 4.4 && !(hx < 0 && hy > 0)) return true;
  if (std::fabs(x) <= 1.25 && y >= -1.3 && y <= 3.3) return true;
  const double dy = y - 6.0;
  return x * x + dy * dy <= 1.55 * 1.55;
}

// ---- web-link glyph ----------------------------------------------------------------------------

constexpr double kRingX = 12.0, kRingY = 12.0, kRingOuter = 10.8, kRingInner = 5.0;

// The ring's four navy bands are centred on the diagonals, each a quarter turn of 45 degrees.
bool navyBand(double dx, double dy) {
  const double u = std::fabs(dx), v = std::fabs(dy);
  const double t = root(2.0) - 1;  // tan 22.5 degrees
  return v >= t * u && u >= t * v;
}

// ---- application icon --------------------------------------------------------------------------

struct IconLayout {
  double discX, discY, discRadius;
  double tailX, tailY, tipX, tipY;
  double shaftHalf, headHalf, headLength;
  bool shadow;
};

IconLayout iconLayout(int size) {
  // At 16 pixels the head is a right angle whose sides run along the pixel grid, its tip on a
  // pixel corner, so that its outline stays crisp.
  if (size <= 16) {
    const double p = 1.0 / 16;
    return {7 * p, 7 * p, 6.9 * p, 14.5 * p, 6.5 * p, 7 * p, 14 * p, 1.6 * p, 5 * p, 5 * p, false};
  }
  return {0.44, 0.56, 0.42, 0.93, 0.07, 0.53, 0.47, 0.07, 0.18, 0.22, true};
}

// Signed distance to the arrow (negative inside): the union of the shaft's box and the head's
// triangle, in the arrow's own coordinates (s along it from the tail, t across it).
double arrowDistance(const IconLayout& l, double s, double t, double length) {
  const double headStart = length - l.headLength;
  const double shaft =
      std::max({-s, s - (headStart + l.headLength * 0.3), std::fabs(t) - l.shaftHalf});
  const double side = root(l.headLength * l.headLength + l.headHalf * l.headHalf);
  const double head = std::max({headStart - s, (t * l.headLength + l.headHalf * (s - length)) / side,
                                (-t * l.headLength + l.headHalf * (s - length)) / side});
  return std::min(shaft, head);
}

Colour discColour(const IconLayout& l, double dx, double dy, double pixel) {
  const double r = root(dx * dx + dy * dy);
  const double rho = r / l.discRadius;
  const double line = std::max(pixel * 0.9, 0.012) / l.discRadius;
  const double rim = std::max(pixel * 1.0, 0.02) / l.discRadius;
  const double hole = std::max(0.15, 1.3 * pixel / l.discRadius);
  if (rho > 1 || rho < hole) return {};
  if (rho > 1 - rim) return opaque(124, 120, 148);
  if (rho < hole + line) return opaque(146, 142, 168);
  if (rho < 0.34) return opaque(224, 222, 236);           // the clear plastic hub
  if (rho < 0.34 + line) return opaque(168, 164, 188);    // the edge of the data area
  // The data side: silver with a lilac cast. Its sheen follows sin 2a (a the angle round the
  // centre), bright along the upper-left to lower-right diagonal and dim across it.
  const double sin2a = r > 0 ? 2 * dx * dy / (r * r) : 0;
  const double lobe = sin2a * sin2a;
  double red = 192 + (rho - 0.7) * 14, green = 189 + (rho - 0.7) * 14, blue = 210 + (rho - 0.7) * 10;
  if (sin2a > 0) {
    red += 52 * lobe;
    green += 54 * lobe;
    blue += 38 * lobe;
    // A faint play of colour in the bright lobes: rose towards the hub, cyan towards the rim.
    const double inner = clamp01((0.70 - rho) / 0.3), outer = clamp01((rho - 0.70) / 0.3);
    red += lobe * (10 * inner - 10 * outer);
    green += lobe * (-6 * inner + 6 * outer);
    blue += lobe * (6 * inner + 10 * outer);
  } else {
    red -= 40 * lobe;
    green -= 40 * lobe;
    blue -= 30 * lobe;
  }
  return opaque(std::min(red, 255.0), std::min(green, 255.0), std::min(blue, 255.0));
}

Colour iconSample(const IconLayout& l, double x, double y, double pixel) {
  Colour result;
  if (l.shadow) {
    // A soft shadow under the disc, down and to the right.
    const double sx = x - (l.discX + 0.015), sy = y - (l.discY + 0.025);
    const double d = root(sx * sx + sy * sy) - l.discRadius;
    const double alpha = 0.30 * clamp01(1 - (d + 0.01) / 0.045);
    result = {0.12 * alpha, 0.10 * alpha, 0.20 * alpha, alpha};
  }
  result = over(discColour(l, x - l.discX, y - l.discY, pixel), result);

  const double ax = l.tipX - l.tailX, ay = l.tipY - l.tailY;
  const double length = root(ax * ax + ay * ay);
  const double ux = ax / length, uy = ay / length;
  const double px = x - l.tailX, py = y - l.tailY;
  const double s = px * ux + py * uy;
  const double t = py * ux - px * uy;  // positive on the arrow's upper-left side
  const double d = arrowDistance(l, s, t, length);
  const double outline = std::max(pixel, 0.022);
  if (d <= 0) {
    Colour arrow = opaque(0, 92, 0);
    if (d < -outline) {
      // Rounded body: light along the upper-left flank, deeper green below.
      const double across = clamp01(0.5 + 0.65 * t / l.headHalf);
      arrow = mix(opaque(36, 156, 34), opaque(140, 228, 106), across);
    }
    result = over(arrow, result);
  }
  return result;
}

}  // namespace

Raster drawHelpGlyph() {
  Raster out(27, 27, rgb(255, 255, 255));
  const Colour rimTone = opaque(28, 30, 80);
  const Colour markTone = opaque(252, 252, 255);  // white, though not the transparent pure white
  for (int y = 0; y < out.height(); ++y)
    for (int x = 0; x < out.width(); ++x) {
      const double dx = x + 0.5 - kBallX, dy = y + 0.5 - kBallY;
      const double distance = root(dx * dx + dy * dy);
      if (distance > kBallRadius) continue;
      Colour base = ballShade(dx, dy);
      if (distance > kBallRadius - 1) base = mix(base, rimTone, 0.55);
      // The mark and its shadow are smoothed against the ball; the ball's own edge is not, so
      // no half-white pixels fringe it on the button.
      const Colour c = supersample(x, y, 4, [&](double sx, double sy) {
        const double mx = sx - kBallX, my = sy - kBallY;
        if (questionMark(mx, my)) return markTone;
        if (questionMark(mx - 0.9, my - 0.9)) return mix(base, rimTone, 0.45);
        return base;
      });
      out.at(x, y) = toRgba(c);
    }
  return out;
}

Raster drawWebLinkGlyph() {
  Raster out(24, 24, rgb(255, 255, 255));
  const double middle = (kRingOuter + kRingInner) / 2, half = (kRingOuter - kRingInner) / 2;
  for (int y = 0; y < out.height(); ++y)
    for (int x = 0; x < out.width(); ++x) {
      const double dx = x + 0.5 - kRingX, dy = y + 0.5 - kRingY;
      const double distance = root(dx * dx + dy * dy);
      if (distance > kRingOuter || distance < kRingInner) continue;
      // The ring is a tube: its surface turns from facing the centre to facing outwards.
      const double across = (distance - middle) / half;
      const double nz = root(std::max(0.0, 1 - across * across));
      const double k = clamp01(lit(dx / distance * across, dy / distance * across, nz));
      Colour navy = mix(opaque(12, 18, 56), opaque(50, 68, 148), k);
      Colour white = mix(opaque(190, 195, 212), opaque(252, 252, 254), k);
      if (distance > kRingOuter - 1 || distance < kRingInner + 1) {
        navy = opaque(10, 14, 42);
        white = opaque(112, 120, 150);
      }
      out.at(x, y) = toRgba(supersample(x, y, 4, [&](double sx, double sy) {
        return navyBand(sx - kRingX, sy - kRingY) ? navy : white;
      }));
    }
  return out;
}

Raster drawIndicator() {
  Raster out(20, 17, rgb(237, 233, 227));
  constexpr int left = 4, right = 15, top = 1, bottom = 15;
  for (int y = top; y <= bottom; ++y)
    for (int x = left; x <= right; ++x) {
      if (x == left || x == right || y == top || y == bottom) {
        out.at(x, y) = rgb(0, 127, 0);
        continue;
      }
      // The face runs from pale green at its upper left to full green at its lower right.
      const int span = (right - left - 2) + (bottom - top - 2);
      const int t = (x - left - 1) + (y - top - 1);
      auto blend = [&](int from, int to) { return (from * (span - t) + to * t + span / 2) / span; };
      out.at(x, y) = rgb(blend(168, 0), blend(255, 204), blend(160, 0));
    }
  // A small glint near the upper left corner of the glass.
  for (const auto& [x, y] : {std::pair{6, 3}, std::pair{7, 3}, std::pair{6, 4}})
    out.at(x, y) = rgb(224, 255, 220);
  return out;
}

Raster drawAppIcon(int size) {
  const IconLayout layout = iconLayout(size);
  const double pixel = 1.0 / size;
  const int samples = size <= 32 ? 8 : 4;
  Raster out(size, size);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x)
      out.at(x, y) = toRgba(supersample(x, y, samples, [&](double sx, double sy) {
        return iconSample(layout, sx * pixel, sy * pixel, pixel);
      }));
  return out;
}
