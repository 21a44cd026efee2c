#pragma once
// Anti-aliased scan conversion by exact area coverage.
//
// Each line adds, to the cells of the rows it crosses, how much the coverage of a pixel grows from the
// pixel to its left: the signed height of the line within the row, shared between the cells it passes
// by the area that lies to their right. A running sum along a row then gives, for every pixel, the
// winding number weighted by the part of the pixel inside: fractional only at the outline. The fill
// rule turns that into coverage: non-zero takes its magnitude (at most 1), even-odd folds it so that
// 0, 2, 4, ... give nothing and 1, 3, ... everything.
//
// Lines are clipped to a box; parts left of it count at its left edge (they still wind the pixels to
// their right), parts right of it do not matter. Large boxes are swept in bands of rows so that the
// cell buffer stays small.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace mv::render {

class Rasterizer {
 public:
  // Clears the lines and sets the clip box (pixels, end exclusive).
  void reset(int x0, int y0, int x1, int y1);
  void line(float x0, float y0, float x1, float y1);
  size_t lineCount() const { return lines_.size(); }

  // Calls span(y, x, count, coverage) for every row of the covered box, coverage[0..count) in 0..1.
  // Returns the number of cells visited (the work done).
  template <typename Span>
  uint64_t sweep(bool evenOdd, Span&& span) {
    uint64_t work = 0;
    Band band;
    if (!begin(band)) return 0;
    while (nextBand(band, evenOdd)) {
      for (int r = 0; r < band.rows; ++r) {
        if (!finishRow(band, r, evenOdd)) continue;
        span(band.y + r, band.x, band.width, cover_.data());
      }
      work += uint64_t(band.width + 2) * uint64_t(band.rows);
    }
    return work;
  }

 private:
  struct Line {
    float x0, y0, x1, y1;
  };
  struct Band {
    int x = 0, width = 0;          // the covered box's columns
    int y = 0, rows = 0;           // this band's rows
    int top = 0, bottom = 0;       // the covered box's rows
    int bandRows = 0;
    size_t next = 0;               // next line (sorted by top) not yet active
    bool sorted = false;           // several bands: lines sorted by their top
  };
  bool begin(Band& band);
  bool nextBand(Band& band, bool evenOdd);
  bool finishRow(const Band& band, int row, bool evenOdd);  // false: nothing covered in the row
  void accumulate(const Band& band, double x0, double y0, double x1, double y1);
  void accumulatePiece(int width, int rows, double x0, double y0, double x1, double y1, float dir);

  int clipX0_ = 0, clipY0_ = 0, clipX1_ = 0, clipY1_ = 0;
  float minX_ = 0, minY_ = 0, maxX_ = 0, maxY_ = 0;
  std::vector<Line> lines_;
  std::vector<uint32_t> active_;
  std::vector<float> cells_;
  std::vector<float> cover_;
};

}  // namespace mv::render
