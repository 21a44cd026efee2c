// Nine-slice scaling (see scaling_grid.h). The sprite's bounds are those of the shapes placed directly
// in it; where the placement makes the sprite too small for its corners, they shrink together.
#include "flash/render/scaling_grid.h"

#include <algorithm>
#include <cmath>

namespace mv::render {

namespace {

// One axis: bounds lo..hi, grid a..b, scale k: the corners keep their size on the stage.
bool axis(double lo, double hi, double a, double b, double k, double* s, double* t) {
  if (!(hi > lo) || !(k > 0)) return false;
  a = std::max(lo, std::min(hi, a));
  b = std::max(a, std::min(hi, b));
  double left = (a - lo) / k, right = (hi - b) / k;
  const double room = hi - lo;
  if (left + right > room) {
    const double f = room / (left + right);
    left *= f;
    right *= f;
  }
  s[0] = lo, s[1] = a, s[2] = b, s[3] = hi;
  t[0] = lo, t[1] = lo + left, t[2] = hi - right, t[3] = hi;
  return true;
}

}  // namespace

bool gridWarp(const ScalingGrid& grid, const DisplayList& list, const Movie& movie, const Matrix& toDevice,
              double unitScale, GridWarp& out) {
  if (toDevice.b != 0 || toDevice.c != 0 || !(unitScale > 0)) return false;
  const double kx = std::fabs(toDevice.a) / unitScale, ky = std::fabs(toDevice.d) / unitScale;
  if (std::fabs(kx - 1) < 1e-6 && std::fabs(ky - 1) < 1e-6) return false;
  double x0 = INFINITY, y0 = INFINITY, x1 = -INFINITY, y1 = -INFINITY;
  for (const auto& entry : list) {
    const Character* c = movie.find(entry.second.characterId);
    if (!c || c->kind != Character::shape) continue;
    const Matrix& m = entry.second.matrix;
    auto add = [&](float px, float py) {
      const double x = m.mapX(px, py), y = m.mapY(px, py);
      x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
    };
    for (const ShapeGroup& g : movie.shapes[c->index].groups)
      for (const Edge& e : g.edges) {
        add(e.x0, e.y0);
        add(e.cx, e.cy);
        add(e.x1, e.y1);
      }
  }
  return axis(x0, x1, grid.left, grid.right, kx, out.xs, out.xt) &&
         axis(y0, y1, grid.top, grid.bottom, ky, out.ys, out.yt);
}

void warpShape(const Shape& in, const Matrix& local, const GridWarp& warp, Shape& out) {
  out = in;
  auto move = [&](float& x, float& y) {
    const double lx = local.mapX(x, y), ly = local.mapY(x, y);
    x = float(warp.mapX(lx));
    y = float(warp.mapY(ly));
  };
  for (ShapeGroup& g : out.groups) {
    for (Edge& e : g.edges) {
      move(e.x0, e.y0);
      move(e.cx, e.cy);
      move(e.x1, e.y1);
    }
    for (FillStyle& f : g.fills) f.matrix = local * f.matrix;
  }
}

}  // namespace mv::render
