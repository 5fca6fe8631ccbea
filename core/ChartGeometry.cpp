#include "core/ChartGeometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace zelor {

namespace {

// Distance from point (px, py) to the segment from (ax, ay) to (bx, by).
double DistanceToSegment(double px, double py, double ax, double ay, double bx, double by) {
  const double dx = bx - ax;
  const double dy = by - ay;
  const double lengthSquared = dx * dx + dy * dy;
  double t = 0.0;
  if (lengthSquared > 0.0)
    t = std::clamp(((px - ax) * dx + (py - ay) * dy) / lengthSquared, 0.0, 1.0);
  return std::hypot(px - (ax + t * dx), py - (ay + t * dy));
}

int ClampByte(int v) { return std::clamp(v, 0, 255); }

}  // namespace

double AxisMap::ToPixel(double v) const {
  const double range = upper - lower;
  if (range == 0.0) return pixelAtLower;
  return pixelAtLower + (v - lower) / range * (pixelAtUpper - pixelAtLower);
}

double AxisMap::ToValue(double px) const {
  const double extent = pixelAtUpper - pixelAtLower;
  if (extent == 0.0) return lower;
  return lower + (px - pixelAtLower) / extent * (upper - lower);
}

int RoundHalfEvenDouble(double v) {
  if (std::isnan(v)) return 0;
  if (v >= static_cast<double>(std::numeric_limits<int>::max()))
    return std::numeric_limits<int>::max();
  if (v <= static_cast<double>(std::numeric_limits<int>::min()))
    return std::numeric_limits<int>::min();
  const double f = std::floor(v);
  const double diff = v - f;  // exact for doubles within the int range
  double r = f;
  if (diff > 0.5 || (diff == 0.5 && std::fmod(f, 2.0) != 0.0)) r = f + 1.0;
  return static_cast<int>(r);
}

std::optional<int> HitPoint(const std::vector<double>& xs, const std::vector<double>& ys,
                            const AxisMap& xAxis, const AxisMap& yAxis, double mx, double my,
                            int maxIndex, double markerReach) {
  const std::size_t count = std::min(xs.size(), ys.size());
  double prevX = 0.0;
  double prevY = 0.0;
  for (std::size_t k = 0; k < count; ++k) {
    const double px = xAxis.ToPixel(xs[k]);
    const double py = yAxis.ToPixel(ys[k]);
    std::optional<std::size_t> hit;
    if (std::fabs(mx - px) < markerReach && std::fabs(my - py) < markerReach)
      hit = k;
    else if (k > 0 && DistanceToSegment(mx, my, prevX, prevY, px, py) <= kLineReach)
      hit = k - 1;
    if (hit) {
      if (maxIndex < 0 || *hit > static_cast<std::size_t>(maxIndex)) return std::nullopt;
      return static_cast<int>(*hit);
    }
    prevX = px;
    prevY = py;
  }
  return std::nullopt;
}

double DragScale(const AxisMap& y) {
  return (y.upper - y.lower) / (y.ToPixel(y.lower) - y.ToPixel(y.upper));
}

int DragValue(int pressY, int mouseY, double scale, double startValue) {
  const double v = (static_cast<double>(pressY) - static_cast<double>(mouseY)) * scale + startValue;
  return ClampByte(RoundHalfEvenDouble(v));
}

std::optional<std::pair<int, int>> DoubleClickCell(const AxisMap& x, const AxisMap& y, int px,
                                                   int py) {
  const double x0 = x.ToPixel(x.lower);
  const double x1 = x.ToPixel(x.upper);
  const double y0 = y.ToPixel(y.lower);
  const double y1 = y.ToPixel(y.upper);
  // An empty or inverted plot rectangle holds no cell.
  if (!(x1 > x0) || !(y0 > y1)) return std::nullopt;
  if (px < x0 || px > x1 || py < y1 || py > y0) return std::nullopt;
  const double c = (x.upper - x.lower) / (x1 - x0) * (px - x0) + x.lower;
  const double b = (y.upper - y.lower) / (y0 - y1) * (y0 - py) + y.lower;
  return std::make_pair(ClampByte(RoundHalfEvenDouble(c)), ClampByte(RoundHalfEvenDouble(b)));
}

std::string HintPanelText(int x, int y, const std::string& caption) {
  return "MAF=" + std::to_string(x) + "    " + caption + "=" + std::to_string(y);
}

std::string HintLabelText(int x, int y, const std::string& caption, bool hovering) {
  return std::string(hovering ? "MAF= " : "MAF=") + std::to_string(x) + "\n\r" + caption + "=" +
         std::to_string(y);
}

std::string GridHintText(int index, const std::string& caption, const std::string& cellText) {
  return "MAF=" + std::to_string(index) + "      " + caption + "=" + cellText;
}

}  // namespace zelor
