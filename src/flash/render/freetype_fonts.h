#pragma once
// The machine's fonts through FreeType, for the native tests, tools and benchmarks: the families found
// in font folders, with Arial, Times New Roman and Courier New (and Helvetica, Times, Courier) taken as
// the Liberation faces that share their metrics, or DejaVu where those are missing.
#include <memory>
#include <string>
#include <vector>

#include "flash/render/font_provider.h"

namespace mv::render {

class FreetypeFontProvider : public FontProvider {
 public:
  // Font files (.ttf, .otf, .ttc) are looked for in these folders and below, when the first face is asked.
  explicit FreetypeFontProvider(std::vector<std::string> folders = {"/usr/share/fonts"});
  ~FreetypeFontProvider() override;
  const FontFace* face(const std::string& family, bool bold, bool italic) const override;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace mv::render
