#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

// Geometry of the table chart: mapping between axis values and chart
// pixels, the point hit test, the value of a dragged point, the cell under
// a double click, and the hint texts. Pixels grow to the right and down.

namespace zelor {

// Linear map of one axis between its shown range and its pixel extent.
// For a vertical axis pixelAtLower is the larger pixel (the minimum is
// drawn at the bottom).
struct AxisMap {
  double lower = 0.0;
  double upper = 255.0;
  double pixelAtLower = 0.0;
  double pixelAtUpper = 255.0;

  // Pixel position of the axis value v (pixelAtLower when the range is
  // empty).
  double ToPixel(double v) const;

  // Axis value at pixel px (lower when the pixel extent is empty).
  double ToValue(double px) const;
};

// v rounded to the nearest integer, halves to even. NaN gives 0; values
// beyond the int range give the nearest int limit.
int RoundHalfEvenDouble(double v);

// Half width and half height, in pixels, of a point marker: the mouse hits
// a marker when it is less than this far from the point both ways.
inline constexpr double kMarkerReach = 4.0;

// Reach of a point whose marker is not drawn: the mouse must be on the
// point itself, less than one pixel from it both ways.
inline constexpr double kHiddenMarkerReach = 1.0;

// Largest distance, in pixels, from the drawn line between two points at
// which the mouse still counts as being on it.
inline constexpr double kLineReach = 1.5;

// Index of the point under the mouse (mx, my), points (xs[k], ys[k]) in
// ascending k. Scanning k upward, point k is hit when the mouse is inside
// its marker; failing that, point k - 1 is hit when the mouse lies within
// kLineReach of the segment from point k - 1 to point k. The first hit
// wins, so of overlapping markers the lower index is taken. No hit, or a
// first hit outside 0..maxIndex, gives nullopt. Only the points present in
// both xs and ys are scanned. markerReach replaces kMarkerReach for markers
// of another size (kHiddenMarkerReach where they are not drawn).
std::optional<int> HitPoint(const std::vector<double>& xs, const std::vector<double>& ys,
                            const AxisMap& xAxis, const AxisMap& yAxis, double mx, double my,
                            int maxIndex = 255, double markerReach = kMarkerReach);

// Value units per pixel upward on the vertical axis y, for its shown range.
double DragScale(const AxisMap& y);

// Value of a dragged point: (pressY - mouseY) x scale + startValue,
// rounded halves to even, brought into 0..255.
int DragValue(int pressY, int mouseY, double scale, double startValue);

// The cell and value under a double click at pixel (px, py): nullopt unless
// the pixel lies inside the plot rectangle (edges included) spanned by the
// shown ranges of x and y. Otherwise the MAF index and the value at that
// pixel, each rounded halves to even and brought into 0..255, as
// (index, value).
std::optional<std::pair<int, int>> DoubleClickCell(const AxisMap& x, const AxisMap& y, int px,
                                                   int py);

// Status-panel hint of a chart point: "MAF=<x>    <caption>=<y>".
std::string HintPanelText(int x, int y, const std::string& caption);

// Text of the hint label beside the mouse: "MAF=<x>\n\r<caption>=<y>", with
// "MAF= " (a space after '=') while hovering over a point without dragging.
std::string HintLabelText(int x, int y, const std::string& caption, bool hovering);

// Status-panel hint of a grid cell: "MAF=<index>      <caption>=<cellText>",
// the cell text shown as it stands.
std::string GridHintText(int index, const std::string& caption, const std::string& cellText);

}  // namespace zelor
