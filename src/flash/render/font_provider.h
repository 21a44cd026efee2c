#pragma once
// The machine's fonts, for text fields that show their text in a device font rather than in outlines
// the movie carries. The renderer does not care where outlines come from: the installer asks Windows
// (GDI), the native tools FreeType. Nothing here touches the operating system.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace mv::render {

// One step of a glyph's outline, in an EM square of 1024 units, y growing downwards, the baseline at
// y = 0 and the pen starting at x = 0. A contour starts with moveTo and is closed by the renderer.
struct OutlineStep {
  enum Kind : uint8_t { moveTo, lineTo, quadTo, cubicTo } kind = moveTo;
  float x[3] = {0, 0, 0}, y[3] = {0, 0, 0};  // control points first, the end point last (lineTo: x[0])
};

struct DeviceGlyph {
  std::vector<OutlineStep> outline;  // empty for a blank such as the space
  float advance = 0;                 // EM units
};

// A face of one family in one style.
class FontFace {
 public:
  virtual ~FontFace() = default;
  // Ascent and descent (both positive) as Windows reports them, in EM units of 1024.
  virtual float ascent() const = 0;
  virtual float descent() const = 0;
  // The glyph of a Unicode character; false when the face has none.
  virtual bool glyph(char32_t code, DeviceGlyph& out) const = 0;
};

class FontProvider {
 public:
  virtual ~FontProvider() = default;
  // The face of a family by name (case ignored), as close to bold and italic as the family has; null when
  // the machine does not have the family. The renderer asks for "_sans", "_serif" and "_typewriter" as
  // "Arial", "Times New Roman" and "Courier New". The face lives as long as the provider.
  virtual const FontFace* face(const std::string& family, bool bold, bool italic) const = 0;
};

}  // namespace mv::render
