// Device fonts through FreeType: outlines in font units (no hinting), brought to an EM of 1024 with y
// down; ascent and descent from the OS/2 table's Windows values, as GDI reports them.
#include "flash/render/freetype_fonts.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <filesystem>
#include <map>

#include "support/paths.h"

namespace mv::render {

namespace {

struct FileFace {
  std::string path;
  long index;
  bool bold, italic;
};

class FreetypeFace : public FontFace {
 public:
  explicit FreetypeFace(FT_Face face) : face_(face) {
    const double units = face->units_per_EM > 0 ? face->units_per_EM : 1000;
    scale_ = float(1024.0 / units);
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
      ascent_ = os2->usWinAscent * scale_;
      descent_ = os2->usWinDescent * scale_;
    } else {
      ascent_ = float(face->ascender) * scale_;
      descent_ = float(-face->descender) * scale_;
    }
  }
  ~FreetypeFace() override { FT_Done_Face(face_); }
  float ascent() const override { return ascent_; }
  float descent() const override { return descent_; }

  bool glyph(char32_t code, DeviceGlyph& out) const override {
    const FT_UInt index = FT_Get_Char_Index(face_, FT_ULong(code));
    if (index == 0 || FT_Load_Glyph(face_, index, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP))
      return false;
    out.outline.clear();
    out.advance = float(face_->glyph->metrics.horiAdvance) * scale_;
    if (face_->glyph->format != FT_GLYPH_FORMAT_OUTLINE) return true;
    FT_Outline_Funcs funcs{};
    funcs.move_to = [](const FT_Vector* to, void* user) { return static_cast<Sink*>(user)->step(OutlineStep::moveTo, {to}); };
    funcs.line_to = [](const FT_Vector* to, void* user) { return static_cast<Sink*>(user)->step(OutlineStep::lineTo, {to}); };
    funcs.conic_to = [](const FT_Vector* c, const FT_Vector* to, void* user) {
      return static_cast<Sink*>(user)->step(OutlineStep::quadTo, {c, to});
    };
    funcs.cubic_to = [](const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
      return static_cast<Sink*>(user)->step(OutlineStep::cubicTo, {c1, c2, to});
    };
    Sink sink{out.outline, scale_};
    return FT_Outline_Decompose(&face_->glyph->outline, &funcs, &sink) == 0;
  }

 private:
  struct Sink {
    std::vector<OutlineStep>& steps;
    float scale;
    int step(OutlineStep::Kind kind, std::initializer_list<const FT_Vector*> points) {
      OutlineStep s;
      s.kind = kind;
      int i = 0;
      for (const FT_Vector* p : points) {
        s.x[i] = float(p->x) * scale;
        s.y[i] = -float(p->y) * scale;
        ++i;
      }
      steps.push_back(s);
      return 0;
    }
  };
  FT_Face face_;
  float scale_ = 1, ascent_ = 0, descent_ = 0;
};

}  // namespace

struct FreetypeFontProvider::State {
  std::vector<std::string> folders;
  FT_Library library = nullptr;
  bool scanned = false;
  std::map<std::string, std::vector<FileFace>> families;  // by lower-case family name
  std::map<std::pair<std::string, long>, std::unique_ptr<FreetypeFace>> open;

  void scan() {
    scanned = true;
    if (FT_Init_FreeType(&library)) {
      library = nullptr;
      return;
    }
    std::vector<std::string> files;
    for (const std::string& folder : folders) {
      std::error_code ec;
      for (auto it = std::filesystem::recursive_directory_iterator(folder, ec);
           !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        const std::string ext = asciiLower(it->path().extension().string());
        if (ext == ".ttf" || ext == ".otf" || ext == ".ttc") files.push_back(it->path().string());
      }
    }
    std::sort(files.begin(), files.end());  // the same choice on every run
    for (const std::string& path : files) {
      long count = 1;
      for (long i = 0; i < count; ++i) {
        FT_Face face;
        if (FT_New_Face(library, path.c_str(), i, &face)) break;
        count = face->num_faces;
        if (face->family_name && FT_IS_SCALABLE(face))
          families[asciiLower(face->family_name)].push_back(
              {path, i, (face->style_flags & FT_STYLE_FLAG_BOLD) != 0, (face->style_flags & FT_STYLE_FLAG_ITALIC) != 0});
        FT_Done_Face(face);
      }
    }
  }

  const FileFace* best(const std::string& family, bool bold, bool italic) const {
    auto it = families.find(family);
    if (it == families.end()) return nullptr;
    const FileFace* chosen = nullptr;
    int chosenScore = -1;
    for (const FileFace& f : it->second) {
      const int score = (f.bold == bold ? 2 : 0) + (f.italic == italic ? 1 : 0);
      if (score > chosenScore) {
        chosen = &f;
        chosenScore = score;
      }
    }
    return chosen;
  }
};

FreetypeFontProvider::FreetypeFontProvider(std::vector<std::string> folders) : state_(std::make_unique<State>()) {
  state_->folders = std::move(folders);
}

FreetypeFontProvider::~FreetypeFontProvider() {
  state_->open.clear();
  if (state_->library) FT_Done_FreeType(state_->library);
}

const FontFace* FreetypeFontProvider::face(const std::string& family, bool bold, bool italic) const {
  State& s = *state_;
  if (!s.scanned) s.scan();
  if (!s.library) return nullptr;
  static const std::map<std::string, std::vector<std::string>> aliases = {
      {"arial", {"liberation sans", "dejavu sans"}},
      {"helvetica", {"liberation sans", "dejavu sans"}},
      {"times new roman", {"liberation serif", "dejavu serif"}},
      {"times", {"liberation serif", "dejavu serif"}},
      {"courier new", {"liberation mono", "dejavu sans mono"}},
      {"courier", {"liberation mono", "dejavu sans mono"}},
  };
  const std::string name = asciiLower(family);
  const FileFace* file = s.best(name, bold, italic);
  auto alias = aliases.find(name);
  if (alias != aliases.end())
    for (size_t i = 0; !file && i < alias->second.size(); ++i) file = s.best(alias->second[i], bold, italic);
  if (!file) return nullptr;
  auto key = std::make_pair(file->path, file->index);
  auto open = s.open.find(key);
  if (open == s.open.end()) {
    FT_Face face;
    if (FT_New_Face(s.library, file->path.c_str(), file->index, &face)) return nullptr;
    open = s.open.emplace(key, std::make_unique<FreetypeFace>(face)).first;
  }
  return open->second.get();
}

}  // namespace mv::render
