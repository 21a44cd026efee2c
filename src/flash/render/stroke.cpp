// Round-capped, round-joined outlines of polylines (see stroke.h).
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

// One side of the polyline, offset to the left of its direction, from its first point to its last.
void side(const std::vector<Point>& p, double hw, double step, std::vector<Point>& out) {
  const size_t n = p.size();
  auto normal = [&](size_t i, double& nx, double& ny) {
    const double dx = p[i + 1].x - p[i].x, dy = p[i + 1].y - p[i].y;
    const double len = std::sqrt(dx * dx + dy * dy);
    nx = -dy / len * hw;
    ny = dx / len * hw;
  };
  double nx, ny;
  normal(0, nx, ny);
  out.push_back({p[0].x + nx, p[0].y + ny});
  for (size_t j = 1; j + 1 < n; ++j) {
    double mx, my;
    normal(j, mx, my);
    const double cross = nx * my - ny * mx, dot = nx * mx + ny * my;
    if (cross < 0 || (cross == 0 && dot < 0)) {
      // This side is the outer one: around the corner.
      out.push_back({p[j].x + nx, p[j].y + ny});
      arc(p[j], nx, ny, cross == 0 ? -kPi : std::atan2(cross, dot), step, out);
    } else if (cross > 0) {
      // The inner side: through the corner.
      out.push_back({p[j].x + nx, p[j].y + ny});
      out.push_back(p[j]);
      out.push_back({p[j].x + mx, p[j].y + my});
    }
    nx = mx;
    ny = my;
  }
  out.push_back({p[n - 1].x + nx, p[n - 1].y + ny});
}

}  // namespace

void stroke(const std::vector<Point>& polyline, double halfWidth, double arcStep, std::vector<Point>& out) {
  // Repeated points have no direction.
  std::vector<Point> p;
  p.reserve(polyline.size());
  for (const Point& q : polyline)
    if (p.empty() || std::fabs(q.x - p.back().x) + std::fabs(q.y - p.back().y) > 1e-9) p.push_back(q);
  if (p.empty()) return;
  if (p.size() == 1) {
    out.push_back({p[0].x + halfWidth, p[0].y});
    arc(p[0], halfWidth, 0, -2 * kPi + arcStep, arcStep, out);
    return;
  }
  side(p, halfWidth, arcStep, out);
  // Around the end: from this side's offset to the other side's.
  const Point& last = p.back();
  arc(last, out.back().x - last.x, out.back().y - last.y, -kPi, arcStep, out);
  out.pop_back();  // the other side starts at that very point
  std::vector<Point> back(p.rbegin(), p.rend());
  side(back, halfWidth, arcStep, out);
  const Point& first = p.front();
  arc(first, out.back().x - first.x, out.back().y - first.y, -kPi, arcStep, out);
  out.pop_back();  // closes on the outline's first point
}

}  // namespace mv::render
