#pragma once
// Outlines of stroked polylines. Lines before line styles 2 have round caps and round joins, so a
// stroked path is the set of points within half the width of it; line styles 2 choose round, flat
// ("none") or square caps and round, bevel or miter joins, a miter cut off where its point would reach
// further from the corner than the limit.
//
// stroke() outlines one polyline as a closed polygon to be filled with the non-zero rule: along one side,
// around the end, back along the other side, around the start. On the outer side of a turn it follows
// the join around the corner; on the inner side it goes through the corner point itself, which folds the
// outline over parts already inside but never winds anything outside. Every outline turns the same way,
// so outlines of one line style can be filled together.
#include <vector>

#include "flash/render/model.h"

namespace mv::render {

struct Point {
  double x, y;
};

struct StrokeStyle {
  Cap startCap = Cap::round, endCap = Cap::round;
  Join join = Join::round;
  double miterLimit = 3;  // in widths from the corner

  bool allRound() const { return startCap == Cap::round && endCap == Cap::round && join == Join::round; }
};

// Appends the outline of polyline (at least one point; a single point gives a round or square dot, or
// nothing with flat caps) to out. arcStep: the angle between the points of an arc (radians), chosen by
// the caller for the size at which the outline will be seen.
void stroke(const std::vector<Point>& polyline, double halfWidth, double arcStep, const StrokeStyle& style,
            std::vector<Point>& out);

}  // namespace mv::render
