#pragma once
// Nine-slice scaling (DefineScalingGrid): a sprite stretched by its placement keeps the corners of its
// grid at their own size; the edges between them stretch along one axis and the middle along both.
#include "flash/render/model.h"

namespace mv::render {

// Piecewise-linear maps of x and y in the sprite's twips: the sprite's bounds, the grid's lines.
struct GridWarp {
  double xs[4], xt[4], ys[4], yt[4];  // breakpoints and where they go
  double mapX(double x) const { return map(xs, xt, x); }
  double mapY(double y) const { return map(ys, yt, y); }

 private:
  static double map(const double* s, const double* t, double v) {
    const int i = v < s[1] ? 0 : v < s[2] ? 1 : 2;
    const double span = s[i + 1] - s[i];
    return span > 0 ? t[i] + (v - s[i]) * (t[i + 1] - t[i]) / span : t[i];
  }
};

// The warp for a sprite (its first frame `list`) drawn through toDevice, on a stage drawn at unitScale
// picture pixels per twip. false when there is nothing to warp: the sprite is drawn at its own size,
// rotated or skewed, or holds no shape.
bool gridWarp(const ScalingGrid& grid, const DisplayList& list, const Movie& movie, const Matrix& toDevice,
              double unitScale, GridWarp& out);

// A shape placed by local inside the sprite, moved onto the grid: its edges and its fills' matrices
// in the sprite's twips.
void warpShape(const Shape& in, const Matrix& local, const GridWarp& warp, Shape& out);

}  // namespace mv::render
