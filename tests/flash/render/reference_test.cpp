// Movies written by an independent producer (FreeHEP's SWF writer) against pictures of the same drawing
// made by an independent rasteriser (Java2D); see tests/data/render/README.md.
#include <cstdio>

#include "render_support.h"

#ifndef MV_RENDER_DATA
#error "MV_RENDER_DATA: the folder of the reference movies"
#endif

namespace rendertest {
namespace {

class ReferenceMovies : public ::testing::TestWithParam<const char*> {};

TEST_P(ReferenceMovies, DrawLikeTheReferencePicture) {
  const std::string base = std::string(MV_RENDER_DATA) + "/" + GetParam();
  const std::string swf = readFile(base + ".swf");
  const Image reference = readPng(base + ".png");
  ASSERT_FALSE(swf.empty()) << base;
  ASSERT_EQ(reference.width, 350) << base << ".png";
  ASSERT_EQ(reference.height, 150) << base << ".png";
  FrameStatus why;
  auto frame = load(swf, &why);
  ASSERT_TRUE(frame) << "refused: " << int(why);
  Image img;
  ASSERT_TRUE(frame->draw(reference.width, reference.height, img));
  const Difference d = compare(img, reference);
  std::printf("%s: mean error %.2f, %.2f %% of pixels within 24\n", GetParam(), d.meanError, 100 * d.closeShare);
  // Anti-aliasing, gradient steps and JPEG decoders differ a little between any two renderers.
  EXPECT_LT(d.meanError, 2.0) << GetParam();
  EXPECT_GT(d.closeShare, 0.99) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(FreeHep, ReferenceMovies,
                         ::testing::Values("freehep_vector_v5", "freehep_vector_v6", "freehep_paint_v6c",
                                           "freehep_bitmaps_text_v5", "freehep_bitmaps_text_v6c"));

}  // namespace
}  // namespace rendertest
