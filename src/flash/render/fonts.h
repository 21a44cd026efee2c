#pragma once
// Reading fonts from their tags, and the device fonts text fields take from a FontProvider.
#include <cstdint>
#include <map>
#include <string>
#include <tuple>

#include "flash/render/record_reader.h"
#include "flash/render/font_provider.h"
#include "flash/render/model.h"

namespace mv::render {

enum class FontRead { ok, damaged, outOfRecords };

// The body of DefineFont (version 1), DefineFont2 (2) or DefineFont3 (3) after the character id.
// records: shape records still allowed, reduced by those of the glyphs read. A glyph that cannot be read
// is left empty; a damaged table leaves the font with the glyphs read so far.
FontRead readFont(RecordReader& in, int fontVersion, uint32_t& records, Font& out);
// A font name as the font tags hold it: a length byte, then the name, trailing NULs dropped.
std::string fontName(RecordReader& in);

// The device fonts of one movie: each family and style the provider has becomes one Font appended to
// the movie's fonts, filled with glyphs as characters are asked for.
class DeviceFonts {
 public:
  DeviceFonts(const FontProvider* provider, std::vector<Font>& fonts, uint32_t& records)
      : provider_(provider), fonts_(fonts), records_(records) {}

  // The index into the movie's fonts of the family in that style; "_sans", "_serif" and "_typewriter"
  // are Arial, Times New Roman and Courier New, and a family the machine lacks is Times New Roman, as
  // players do. false when the provider has neither (or there is no provider).
  bool find(const std::string& family, bool bold, bool italic, uint32_t& font);
  // The glyph of a character in a device font, made on first use; false when the face has none or the
  // shape records ran out (outOfRecords() then says so).
  bool glyph(uint32_t font, char32_t code, uint32_t& glyph);
  bool outOfRecords() const { return outOfRecords_; }

 private:
  const FontProvider* provider_;
  std::vector<Font>& fonts_;
  uint32_t& records_;
  std::map<std::tuple<std::string, bool, bool>, int64_t> known_;  // -1: the machine has no such face
  std::map<uint32_t, const FontFace*> faces_;                     // by font index
  bool outOfRecords_ = false;
};

}  // namespace mv::render
