// Outlines of stroked polylines (see stroke.h).
#include "flash/render/stroke.h"

#include <cmath>

namespace mv::render {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Points around centre from the offset (vx, vy), turning by angle (negative: the way every outline
// turns), the first point left out and the last one included.
void arc(const Point& centre, double vx, double vy, double angle, double step, std::vector<Point>& out) {
  const int n = std::max(1, int(std::ceil(std::fabs(angle) / step)));
  const double a = angle / n, ca = std::cos(a), sa = std::sin(a);
  for (int i = 0; i < n; ++i) {
    const double x = vx * ca - vy * sa, y = vx * sa + vy * ca;
    vx = x;
    vy = y;
    out.push_back({centre.x + vx, centre.y + vy});
  }
}

// The outer side of a miter join at corner c, from the offset n (of the segment arriving, direction t1)
// to the offset m (of the segment leaving, direction t2): the point where the two offset lines meet, or,
// when that reaches further than limit from the corner, the two points where a line across the
// bisector at that distance cuts them.
void miter(const Point& c, double nx, double ny, double mx, double my, double t1x, double t1y, double t2x,
           double t2y, double limit, std::vector<Point>& out) {
  double bx = nx + mx, by = ny + my;
  const double bl = std::sqrt(bx * bx + by * by);
  if (bl < 1e-12) {  // a reversal: the point would be at infinity
    bx = t1x;
    by = t1y;
  } else {
    bx /= bl;
    by /= bl;
  }
  const double reach = nx * bx + ny * by;  // how far both offset points lie along the bisector
  const double along1 = t1x * bx + t1y * by, along2 = t2x * bx + t2y * by;
  const double hw = std::sqrt(nx * nx + ny * ny);
  const double tip = bl < 1e-12 ? INFINITY : 2 * hw * hw / bl;
  if (tip <= limit) {
    out.push_back({c.x + bx * tip, c.y + by * tip});
    return;
  }
  if (std::fabs(along1) < 1e-12 || std::fabs(along2) < 1e-12) return;  // a bevel
  const double s1 = (limit - reach) / along1, s2 = (limit - reach) / along2;
  out.push_back({c.x + nx + t1x * s1, c.y + ny + t1y * s1});
  out.push_back({c.x + mx + t2x * s2, c.y + my + t2y * s2});
}

// One side of the polyline, offset to the left of its direction, from its first point to its last.
void side(const std::vector<Point>& p, double hw, double step, const StrokeStyle& style, std::vector<Point>& out) {
  const size_t n = p.size();
  auto direction = [&](size_t i, double& tx, double& ty) {
    const double dx = p[i + 1].x - p[i].x, dy = p[i + 1].y - p[i].y;
    const double len = std::sqrt(dx * dx + dy * dy);
    tx = dx / len;
    ty = dy / len;
  };
  double tx, ty;
  direction(0, tx, ty);
  double nx = -ty * hw, ny = tx * hw;
  out.push_back({p[0].x + nx, p[0].y + ny});
  for (size_t j = 1; j + 1 < n; ++j) {
    double ux, uy;
    direction(j, ux, uy);
    const double mx = -uy * hw, my = ux * hw;
    const double cross = nx * my - ny * mx, dot = nx * mx + ny * my;
    if (cross < 0 || (cross == 0 && dot < 0)) {
      // This side is the outer one: around the corner.
      out.push_back({p[j].x + nx, p[j].y + ny});
      if (style.join == Join::round) {
        arc(p[j], nx, ny, cross == 0 ? -kPi : std::atan2(cross, dot), step, out);
      } else {
        if (style.join == Join::miter)
          miter(p[j], nx, ny, mx, my, tx, ty, ux, uy, style.miterLimit * 2 * hw, out);
        out.push_back({p[j].x + mx, p[j].y + my});
      }
    } else if (cross > 0) {
      // The inner side: through the corner.
      out.push_back({p[j].x + nx, p[j].y + ny});
      out.push_back(p[j]);
      out.push_back({p[j].x + mx, p[j].y + my});
    }
    nx = mx;
    ny = my;
    tx = ux;
    ty = uy;
  }
  out.push_back({p[n - 1].x + nx, p[n - 1].y + ny});
}

// Around an end at c, from the last point of the outline (c plus an offset) to the point opposite,
// which the caller adds itself. (ex, ey): the unit direction out of the line there.
void cap(const Point& c, Cap kind, double hw, double ex, double ey, double step, std::vector<Point>& out) {
  const double wx = out.back().x - c.x, wy = out.back().y - c.y;
  switch (kind) {
    case Cap::round:
      arc(c, wx, wy, -kPi, step, out);
      out.pop_back();
      return;
    case Cap::square:
      out.push_back({c.x + wx + ex * hw, c.y + wy + ey * hw});
      out.push_back({c.x - wx + ex * hw, c.y - wy + ey * hw});
      return;
    case Cap::none:
      return;
  }
}

void dot(const Point& c, double hw, double step, Cap kind, std::vector<Point>& out) {
  if (kind == Cap::round) {
    out.push_back({c.x + hw, c.y});
    arc(c, hw, 0, -2 * kPi + step, step, out);
  } else if (kind == Cap::square) {
    out.insert(out.end(), {{c.x + hw, c.y + hw}, {c.x + hw, c.y - hw}, {c.x - hw, c.y - hw}, {c.x - hw, c.y + hw}});
  }
}

}  // namespace

void stroke(const std::vector<Point>& polyline, double halfWidth, double arcStep, const StrokeStyle& style,
            std::vector<Point>& out) {
  // Repeated points have no direction.
  std::vector<Point> p;
  p.reserve(polyline.size());
  for (const Point& q : polyline)
    if (p.empty() || std::fabs(q.x - p.back().x) + std::fabs(q.y - p.back().y) > 1e-9) p.push_back(q);
  if (p.empty()) return;
  if (p.size() == 1) {
    dot(p[0], halfWidth, arcStep, style.startCap, out);
    return;
  }
  side(p, halfWidth, arcStep, style, out);
  const Point &last = p.back(), &before = p[p.size() - 2];
  const double el = std::hypot(last.x - before.x, last.y - before.y);
  cap(last, style.endCap, halfWidth, (last.x - before.x) / el, (last.y - before.y) / el, arcStep, out);
  std::vector<Point> back(p.rbegin(), p.rend());
  side(back, halfWidth, arcStep, style, out);
  const Point &start = p.front(), &next = p[1];
  const double sl = std::hypot(start.x - next.x, start.y - next.y);
  cap(start, style.startCap, halfWidth, (start.x - next.x) / sl, (start.y - next.y) / sl, arcStep, out);
}

}  // namespace mv::render
