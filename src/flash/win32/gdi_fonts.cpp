// GDI outlines. GetGlyphOutlineW with GGO_NATIVE gives, per contour, a TTPOLYGONHEADER (its start point)
// and TTPOLYCURVE records: lines, quadratic B-splines (between two control points lies an implied
// on-curve point, their midpoint) and, for PostScript outlines, cubic Béziers. Coordinates are 16.16
// fixed-point pixels with y up; the renderer wants y down.
#include "flash/win32/gdi_fonts.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "support/text_encoding.h"

namespace mv {

namespace {

constexpr int kEm = 1024;

float fixedValue(FIXED f) { return float(f.value) + float(f.fract) / 65536.0f; }

class GdiFace : public render::FontFace {
 public:
  GdiFace(HDC dc, HFONT font) : dc_(dc), font_(font) {
    TEXTMETRICW tm{};
    HGDIOBJ old = SelectObject(dc_, font_);
    if (GetTextMetricsW(dc_, &tm)) {
      ascent_ = float(tm.tmAscent);
      descent_ = float(tm.tmDescent);
    }
    SelectObject(dc_, old);
  }
  ~GdiFace() override { DeleteObject(font_); }
  float ascent() const override { return ascent_; }
  float descent() const override { return descent_; }

  bool glyph(char32_t code, render::DeviceGlyph& out) const override {
    if (code > 0xFFFF) return false;
    HGDIOBJ old = SelectObject(dc_, font_);
    const bool ok = outline(code, out);
    SelectObject(dc_, old);
    return ok;
  }

 private:
  bool outline(char32_t code, render::DeviceGlyph& out) const {
    const wchar_t wc = wchar_t(code);
    WORD index = 0;
    if (GetGlyphIndicesW(dc_, &wc, 1, &index, GGI_MARK_NONEXISTING_GLYPHS) == GDI_ERROR || index == 0xFFFF)
      return false;
    MAT2 identity{{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    GLYPHMETRICS gm{};
    const UINT format = GGO_NATIVE | GGO_UNHINTED;
    const DWORD size = GetGlyphOutlineW(dc_, UINT(code), format, &gm, 0, nullptr, &identity);
    if (size == GDI_ERROR) return false;
    out.outline.clear();
    out.advance = float(gm.gmCellIncX);
    if (size == 0) return true;  // a blank
    std::vector<unsigned char> buffer(size);
    if (GetGlyphOutlineW(dc_, UINT(code), format, &gm, size, buffer.data(), &identity) == GDI_ERROR) return false;
    return decode(buffer, out);
  }

  static bool decode(const std::vector<unsigned char>& buffer, render::DeviceGlyph& out) {
    auto step = [&](render::OutlineStep::Kind kind, std::initializer_list<POINTFX> points) {
      render::OutlineStep s;
      s.kind = kind;
      int i = 0;
      for (const POINTFX& p : points) {
        s.x[i] = fixedValue(p.x);
        s.y[i] = -fixedValue(p.y);
        ++i;
      }
      out.outline.push_back(s);
    };
    size_t at = 0;
    while (at + sizeof(TTPOLYGONHEADER) <= buffer.size()) {
      TTPOLYGONHEADER header;
      std::memcpy(&header, buffer.data() + at, sizeof header);
      if (header.cb < sizeof header || header.cb > buffer.size() - at) return false;
      const size_t end = at + header.cb;
      step(render::OutlineStep::moveTo, {header.pfxStart});
      size_t p = at + sizeof header;
      while (p + 4 <= end) {
        WORD type, count;
        std::memcpy(&type, buffer.data() + p, 2);
        std::memcpy(&count, buffer.data() + p + 2, 2);
        if (p + 4 + size_t(count) * sizeof(POINTFX) > end) return false;
        std::vector<POINTFX> pts(count);
        if (count) std::memcpy(pts.data(), buffer.data() + p + 4, size_t(count) * sizeof(POINTFX));
        p += 4 + size_t(count) * sizeof(POINTFX);
        if (type == TT_PRIM_LINE) {
          for (const POINTFX& q : pts) step(render::OutlineStep::lineTo, {q});
        } else if (type == TT_PRIM_QSPLINE) {
          for (size_t i = 0; i + 1 < pts.size(); ++i) {
            POINTFX endPoint = pts[i + 1];
            if (i + 2 < pts.size()) {  // the implied on-curve point between two control points
              const float mx = (fixedValue(pts[i].x) + fixedValue(pts[i + 1].x)) / 2;
              const float my = (fixedValue(pts[i].y) + fixedValue(pts[i + 1].y)) / 2;
              endPoint.x = toFixed(mx);
              endPoint.y = toFixed(my);
            }
            step(render::OutlineStep::quadTo, {pts[i], endPoint});
          }
        } else if (type == TT_PRIM_CSPLINE) {
          for (size_t i = 0; i + 2 < pts.size(); i += 3) step(render::OutlineStep::cubicTo, {pts[i], pts[i + 1], pts[i + 2]});
        }
      }
      at = end;
    }
    return true;
  }

  static FIXED toFixed(float v) {
    const LONG l = LONG(v * 65536.0f);
    FIXED f;
    std::memcpy(&f, &l, sizeof f);
    return f;
  }

  HDC dc_;
  HFONT font_;
  float ascent_ = kEm * 0.9f, descent_ = kEm * 0.2f;
};

}  // namespace

GdiFontProvider::GdiFontProvider() : dc_(CreateCompatibleDC(nullptr)) {}

GdiFontProvider::~GdiFontProvider() {
  faces_.clear();
  if (dc_) DeleteDC(static_cast<HDC>(dc_));
}

const render::FontFace* GdiFontProvider::face(const std::string& family, bool bold, bool italic) const {
  if (!dc_) return nullptr;
  const auto key = std::make_tuple(family, bold, italic);
  auto it = faces_.find(key);
  if (it != faces_.end()) return it->second.get();
  LOGFONTW lf{};
  lf.lfHeight = -kEm;  // the EM, not the cell, is 1024 pixels
  lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = italic ? TRUE : FALSE;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfOutPrecision = OUT_TT_ONLY_PRECIS;
  const std::wstring name = utf8ToWide(family);
  wcsncpy(lf.lfFaceName, name.c_str(), LF_FACESIZE - 1);
  HFONT font = CreateFontIndirectW(&lf);
  std::unique_ptr<render::FontFace> face;
  if (font) face = std::make_unique<GdiFace>(static_cast<HDC>(dc_), font);
  return faces_.emplace(key, std::move(face)).first->second.get();
}

}  // namespace mv
