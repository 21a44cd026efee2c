// Anti-aliased scan conversion by exact area coverage (see raster.h).
#include "flash/render/raster.h"

#include <algorithm>
#include <cmath>

namespace mv::render {

namespace {

constexpr size_t kBandCells = 1u << 18;  // cells per band: 1 MiB of floats

// floor and ceil of values well inside int range, without a library call.
inline int floorInt(double v) {
  const int i = int(v);
  return v < i ? i - 1 : i;
}
inline int ceilInt(double v) {
  const int i = int(v);
  return v > i ? i + 1 : i;
}

}  // namespace

void Rasterizer::reset(int x0, int y0, int x1, int y1) {
  clipX0_ = x0;
  clipY0_ = y0;
  clipX1_ = std::max(x0, x1);
  clipY1_ = std::max(y0, y1);
  lines_.clear();
}

void Rasterizer::line(float x0, float y0, float x1, float y1) {
  if (y0 == y1 || !std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1)) return;
  // Far outside the picture: held at a distance that changes nothing inside it.
  constexpr float far = 1e7f;
  x0 = std::max(-far, std::min(far, x0));
  x1 = std::max(-far, std::min(far, x1));
  y0 = std::max(-far, std::min(far, y0));
  y1 = std::max(-far, std::min(far, y1));
  if (lines_.empty()) {
    minX_ = maxX_ = x0;
    minY_ = maxY_ = y0;
  }
  minX_ = std::min(minX_, std::min(x0, x1));
  maxX_ = std::max(maxX_, std::max(x0, x1));
  minY_ = std::min(minY_, std::min(y0, y1));
  maxY_ = std::max(maxY_, std::max(y0, y1));
  lines_.push_back({x0, y0, x1, y1});
}

bool Rasterizer::begin(Band& band) {
  if (lines_.empty()) return false;
  const int left = std::max(clipX0_, int(std::floor(minX_)));
  const int right = std::min(clipX1_, int(std::ceil(maxX_)));
  const int top = std::max(clipY0_, int(std::floor(minY_)));
  const int bottom = std::min(clipY1_, int(std::ceil(maxY_)));
  if (right <= left || bottom <= top) return false;
  band.x = left;
  band.width = right - left;
  band.top = top;
  band.bottom = bottom;
  band.y = top;
  band.rows = 0;
  band.bandRows = int(std::max<size_t>(1, kBandCells / size_t(band.width + 2)));
  band.next = 0;
  band.sorted = bottom - top > band.bandRows;
  if (band.sorted)
    std::sort(lines_.begin(), lines_.end(),
              [](const Line& a, const Line& b) { return std::min(a.y0, a.y1) < std::min(b.y0, b.y1); });
  active_.clear();
  const size_t cells = size_t(band.width + 2) * size_t(std::min(band.bandRows, bottom - top));
  if (cells_.size() < cells) cells_.resize(cells, 0.0f);
  return true;
}

bool Rasterizer::nextBand(Band& band) {
  band.y += band.rows;
  if (band.y >= band.bottom) return false;
  band.rows = std::min(band.bandRows, band.bottom - band.y);
  const float bandTop = float(band.y), bandBottom = float(band.y + band.rows);
  // Lines that reach into this band become active; those wholly above it leave.
  // (In a single band every line is active.)
  while (band.next < lines_.size() &&
         (!band.sorted || std::min(lines_[band.next].y0, lines_[band.next].y1) < bandBottom))
    active_.push_back(uint32_t(band.next++));
  size_t kept = 0;
  for (uint32_t index : active_) {
    const Line& l = lines_[index];
    if (std::max(l.y0, l.y1) <= bandTop) continue;
    active_[kept++] = index;
    accumulate(band, l.x0, l.y0, l.x1, l.y1);
  }
  active_.resize(kept);
  return true;
}

// Coordinates relative to the band: x in 0..width, y in 0..rows; the line is clipped to the band's rows
// and cut where it crosses the box's left and right edges.
void Rasterizer::accumulate(const Band& band, double x0, double y0, double x1, double y1) {
  x0 -= band.x;
  x1 -= band.x;
  y0 -= band.y;
  y1 -= band.y;
  float dir = 1;
  if (y0 > y1) {
    std::swap(x0, x1);
    std::swap(y0, y1);
    dir = -1;
  }
  const double rows = band.rows, width = band.width;
  if (y1 <= 0 || y0 >= rows) return;
  if (y0 >= 0 && y1 <= rows && x0 >= 0 && x1 >= 0 && x0 <= width && x1 <= width) {
    accumulatePiece(band.width, band.rows, x0, y0, x1, y1, dir);  // wholly inside: most lines
    return;
  }
  const double dxdy = (x1 - x0) / (y1 - y0);
  auto xAt = [&](double y) { return x0 + (y - y0) * dxdy; };
  double ya = std::max(0.0, y0), yb = std::min(rows, y1);
  double cuts[4] = {ya, 0, 0, yb};
  int n = 1;
  for (double edge : {0.0, width}) {
    if ((x0 - edge) * (x1 - edge) < 0) {
      const double y = y0 + (edge - x0) / dxdy;
      if (y > ya && y < yb) cuts[n++] = y;
    }
  }
  if (n == 3 && cuts[2] < cuts[1]) std::swap(cuts[1], cuts[2]);
  cuts[n++] = yb;
  for (int i = 0; i + 1 < n; ++i) {
    const double ps = cuts[i], pe = cuts[i + 1];
    if (pe <= ps) continue;
    double xs = xAt(ps), xe = xAt(pe);
    const double mid = 0.5 * (xs + xe);
    if (mid >= width) continue;  // right of the box: changes nothing inside it
    if (mid <= 0) xs = xe = 0;   // left of the box: winds everything to its right
    accumulatePiece(band.width, band.rows, xs, ps, xe, pe, dir);
  }
}

void Rasterizer::accumulatePiece(int width, int rows, double x0, double y0, double x1, double y1, float dir) {
  const double dxdy = (x1 - x0) / (y1 - y0);
  const size_t stride = size_t(width) + 2;
  const double maxX = width;
  double x = x0;
  const int first = std::max(0, floorInt(y0));
  const int last = std::min(rows, ceilInt(y1));
  for (int y = first; y < last; ++y) {
    float* row = &cells_[size_t(y) * stride];
    const double dy = std::min(double(y + 1), y1) - std::max(double(y), y0);
    if (dy <= 0) continue;
    double xnext = x + dxdy * dy;
    const double xa = std::max(0.0, std::min(maxX, x)), xb = std::max(0.0, std::min(maxX, xnext));
    const float d = float(dy) * dir;
    const double lo = std::min(xa, xb), hi = std::max(xa, xb);
    const int i0 = floorInt(lo), i1 = ceilInt(hi);
    const double loFloor = i0, hiCeil = i1;
    if (i1 <= i0 + 1) {
      // Within one cell: the part of the row right of the line's middle belongs to this cell.
      const double mid = 0.5 * (xa + xb) - loFloor;
      row[i0] += float(d * (1 - mid));
      row[i0 + 1] += float(d * mid);
    } else {
      // Across cells: triangle at the first cell, trapezoids through the middle, triangle at the last.
      const double s = 1 / (hi - lo);
      const double f0 = lo - loFloor;
      const double a0 = 0.5 * s * (1 - f0) * (1 - f0);
      const double f1 = hi - hiCeil + 1;
      const double am = 0.5 * s * f1 * f1;
      row[i0] += float(d * a0);
      if (i1 == i0 + 2) {
        row[i0 + 1] += float(d * (1 - a0 - am));
      } else {
        const double a1 = s * (1.5 - f0);
        row[i0 + 1] += float(d * (a1 - a0));
        const float step = float(d * s);
        for (int i = i0 + 2; i < i1 - 1; ++i) row[i] += step;
        const double a2 = a1 + (i1 - i0 - 3) * s;
        row[i1 - 1] += float(d * (1 - a2 - am));
      }
      row[i1] += float(d * am);
    }
    x = xnext;
  }
}

}  // namespace mv::render
