#pragma once
// Lines as players before version 8 draw them: every line has round caps and round joins, so a stroked
// path is the set of points within half the width of it. stroke() outlines one polyline as a closed
// polygon to be filled with the non-zero rule: along one side, around the end, back along the other
// side, around the start. On the outer side of a turn it follows an arc around the corner; on the inner
// side it goes through the corner point itself, which folds the outline over parts already inside but
// never winds anything outside. Every outline turns the same way, so outlines of one line style can be
// filled together.
#include <vector>

namespace mv::render {

struct Point {
  double x, y;
};

// Appends the outline of polyline (at least one point; a single point gives a round dot) to out.
// arcStep: the angle between the points of an arc (radians), chosen by the caller for the size at which
// the outline will be seen.
void stroke(const std::vector<Point>& polyline, double halfWidth, double arcStep, std::vector<Point>& out);

}  // namespace mv::render
