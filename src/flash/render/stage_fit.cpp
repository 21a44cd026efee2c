#include "flash/render/stage_fit.h"

#include <algorithm>
#include <cmath>

namespace mv::render {

StageFit fitStage(int32_t left, int32_t top, int32_t stageWidth, int32_t stageHeight, int width, int height,
                  ScaleMode mode) {
  const double fitX = double(width) / stageWidth, fitY = double(height) / stageHeight;
  double scaleX = 0, scaleY = 0;
  switch (mode) {
    case ScaleMode::showAll:
      scaleX = scaleY = std::min(fitX, fitY);
      break;
    case ScaleMode::exactFit:
      scaleX = fitX;
      scaleY = fitY;
      break;
    case ScaleMode::noBorder:
      scaleX = scaleY = std::max(fitX, fitY);
      break;
    case ScaleMode::noScale:
      scaleX = scaleY = 1.0 / 20;
      break;
  }
  const double shownWidth = stageWidth * scaleX, shownHeight = stageHeight * scaleY;
  const double x = std::floor((width - shownWidth) / 2 + 0.5), y = std::floor((height - shownHeight) / 2 + 0.5);
  StageFit fit;
  fit.toPicture = Matrix{scaleX, 0, 0, scaleY, x - left * scaleX, y - top * scaleY};
  fit.x0 = int(std::clamp(x, 0.0, double(width)));
  fit.y0 = int(std::clamp(y, 0.0, double(height)));
  fit.x1 = int(std::clamp(std::floor(x + shownWidth + 0.5), double(fit.x0), double(width)));
  fit.y1 = int(std::clamp(std::floor(y + shownHeight + 0.5), double(fit.y0), double(height)));
  return fit;
}

}  // namespace mv::render

namespace mv::render {

int FirstFrame::stageWidth() const { return movie_->stageWidth > 0 ? int((int64_t(movie_->stageWidth) + 10) / 20) : 0; }
StageArea FirstFrame::stageArea(int width, int height, ScaleMode mode) const {
  if (movie_->stageWidth <= 0 || movie_->stageHeight <= 0 || width <= 0 || height <= 0) return StageArea();
  const StageFit fit = fitStage(movie_->stageLeft, movie_->stageTop, movie_->stageWidth, movie_->stageHeight, width,
                                height, mode);
  return StageArea{fit.x0, fit.y0, fit.x1, fit.y1};
}

int FirstFrame::stageHeight() const {
  return movie_->stageHeight > 0 ? int((int64_t(movie_->stageHeight) + 10) / 20) : 0;
}

}  // namespace mv::render
