// Fuzz target: an SWF movie as the movie panel meets it, through harness::runSwf (signature, "CWS"
// expansion, header walk to the background colour), then its first frame as the panel draws it without a
// Flash control (harness::runFirstFrame: the renderer reading the movie, plain or compressed, and
// drawing it, JPEG bitmaps through libjpeg, device fonts through a provider of box glyphs made of every
// kind of outline step). The expansion bound is 1 MiB here rather than the panel's
// 256 MiB, so that streams that inflate a lot stay fast; the code path is the same.
#define MV_HARNESS_SWF
#include "flash/render/font_provider.h"
#include "flash/render/libjpeg_decoder.h"
#include "harness.h"

namespace {

// Every family but "none" exists; every character below U+3000 has a glyph.
class BoxFonts : public mv::render::FontProvider, mv::render::FontFace {
 public:
  const mv::render::FontFace* face(const std::string& family, bool, bool) const override {
    return family == "none" ? nullptr : this;
  }
  float ascent() const override { return 900; }
  float descent() const override { return 200; }
  bool glyph(char32_t code, mv::render::DeviceGlyph& out) const override {
    using Step = mv::render::OutlineStep;
    if (code >= 0x3000) return false;
    out.advance = 600;
    out.outline.clear();
    if (code == ' ') return true;
    Step s;
    s.kind = Step::moveTo;
    s.x[0] = 50, s.y[0] = 0;
    out.outline.push_back(s);
    s.kind = Step::lineTo;
    s.x[0] = 550;
    out.outline.push_back(s);
    s.kind = Step::quadTo;
    s.x[0] = 600, s.y[0] = -400, s.x[1] = 550, s.y[1] = -700;
    out.outline.push_back(s);
    s.kind = Step::cubicTo;
    s.x[0] = 400, s.y[0] = -800, s.x[1] = 200, s.y[1] = -800, s.x[2] = 50, s.y[2] = -700;
    out.outline.push_back(s);
    return true;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static mv::harness::Sandbox box;
  static mv::render::LibjpegDecoder jpeg;
  mv::SwfHeaderInfo info;
  mv::harness::Outcome o = mv::harness::runSwf(box, data, size, 1u << 20, &info);
  if (o.problem.empty()) {
    const mv::SwfHeaderInfo* panel = o.firstFailure() == 0 && o.ran("parseSwfHeader") ? &info : nullptr;
    static BoxFonts fonts;
    o = mv::harness::runFirstFrame(data, size, 1u << 20, &jpeg, panel, &fonts);
  }
  if (!o.problem.empty()) {
    std::fprintf(stderr, "fuzz invariant broken: %s\n", o.problem.c_str());
    std::abort();
  }
  return 0;
}
