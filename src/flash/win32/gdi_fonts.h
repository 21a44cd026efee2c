#pragma once
// The system's fonts for the renderer's text fields: outlines from GDI (GetGlyphOutlineW, native and
// unhinted) of fonts made at an EM of 1024 pixels. A family the system lacks is whatever GDI's font
// mapper gives for its name, as it is for the Flash Player.
#include <map>
#include <memory>
#include <string>
#include <tuple>

#include "flash/render/font_provider.h"

namespace mv {

class GdiFontProvider : public render::FontProvider {
 public:
  GdiFontProvider();
  ~GdiFontProvider() override;
  GdiFontProvider(const GdiFontProvider&) = delete;
  GdiFontProvider& operator=(const GdiFontProvider&) = delete;
  const render::FontFace* face(const std::string& family, bool bold, bool italic) const override;

 private:
  void* dc_;  // a memory device context the faces select their fonts into
  mutable std::map<std::tuple<std::string, bool, bool>, std::unique_ptr<render::FontFace>> faces_;
};

}  // namespace mv
