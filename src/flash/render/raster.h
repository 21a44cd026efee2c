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
#include <cstring>
#include <vector>

namespace mv::render {

class Rasterizer {
 public:
  // Clears the lines and sets the clip box (pixels, end exclusive).
  void reset(int x0, int y0, int x1, int y1);
  void line(float x0, float y0, float x1, float y1);

  // Calls run(y, x, count, coverage) for every run of pixels of one coverage (1..255, 255: covered) in
  // the covered box, row by row from the left. Returns the number of cells visited (the work done).
  template <typename Run>
  uint64_t sweep(bool evenOdd, Run&& run) {
    uint64_t work = 0;
    Band band;
    if (!begin(band)) return 0;
    const size_t stride = size_t(band.width) + 2;
    while (nextBand(band)) {
      for (int r = 0; r < band.rows; ++r) {
        // Coverage changes only at cells that hold something; between them it runs on unchanged.
        float* row = &cells_[size_t(r) * stride];
        const int y = band.y + r;
        float sum = 0;
        uint32_t c = 0;
        int start = 0;
        for (int i = 0; i < band.width; ++i) {
          // Most cells are empty: eight at a time are passed over while they are (+0 or -0).
          while (i + 8 <= band.width && emptyCells(row + i)) i += 8;
          if (i >= band.width) break;
          const float d = row[i];
          if (d == 0) continue;
          row[i] = 0;
          if (c && i > start) run(y, band.x + start, i - start, c);
          sum += d;
          c = coverage(sum, evenOdd);
          start = i;
        }
        if (c && band.width > start) run(y, band.x + start, band.width - start, c);
        row[band.width] = 0;
        row[band.width + 1] = 0;
      }
      work += uint64_t(stride) * uint64_t(band.rows);
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
  // Eight cells from p hold nothing (their bits are all zero but for the signs).
  static bool emptyCells(const float* p) {
    uint64_t w[4];
    std::memcpy(w, p, sizeof w);
    return ((w[0] | w[1] | w[2] | w[3]) & 0x7FFFFFFF7FFFFFFFull) == 0;
  }
  bool begin(Band& band);
  bool nextBand(Band& band);
  // The fill rule: a running sum of winding (1.0: one winding over the whole pixel) as 0..255.
  static uint32_t coverage(float sum, bool evenOdd) {
    int v = int((sum < 0 ? -sum : sum) * 256 + 0.5f);
    if (evenOdd) {
      v &= 511;
      if (v > 256) v = 512 - v;
    } else if (v > 256) {
      v = 256;
    }
    return uint32_t(v - (v >> 8));
  }
  void accumulate(const Band& band, double x0, double y0, double x1, double y1);
  void accumulatePiece(int width, int rows, double x0, double y0, double x1, double y1, float dir);

  int clipX0_ = 0, clipY0_ = 0, clipX1_ = 0, clipY1_ = 0;
  float minX_ = 0, minY_ = 0, maxX_ = 0, maxY_ = 0;
  std::vector<Line> lines_;
  std::vector<uint32_t> active_;
  std::vector<float> cells_;  // all zero between sweeps
};

}  // namespace mv::render
