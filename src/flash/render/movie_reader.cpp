// Reading a movie up to its first frame.
//
// The 8-byte header (swf/header.h), with a version in the caller's range: a "CWS" movie expands
// (swf/movie.h) to no more than the declared length, and one that expands past Limits::maxMovieBytes is
// refused; "ZWS" (LZMA) is refused for its compression. Then the frame RECT, frame rate UI16 and frame
// count UI16, then tags (swf/tags.h).
//
// The tags up to the first ShowFrame (1) or End (0) make the first frame: definitions enter the
// dictionary (the first definition of an id counts) and the control tags build the display list:
//   PlaceObject (4)    id UI16, depth UI16, MATRIX, CXFORM when the body has room for it
//   PlaceObject2 (26), PlaceObject3 (70): placement.cpp
//   RemoveObject (5)   id UI16, depth UI16;   RemoveObject2 (28)  depth UI16
// DefineSprite (39): id UI16, frame count UI16, then tags of its own up to End; the same control tags up
// to its first ShowFrame make the sprite's display list. A button (DefineButton 7, DefineButton2 34)
// is held as a sprite whose first frame is its up state; DefineButtonCxform (23): button id UI16, CXFORM.
// DefineMorphShape (46) and DefineMorphShape2 (84): morph.cpp. DefineScalingGrid (78): sprite id UI16,
// the grid's RECT.
// The background colour is the first SetBackgroundColor (9) in the movie, as the movie panel takes it:
// when none comes before the first ShowFrame the rest of the tags are searched for one.
// A movie that ends inside a tag ends before that tag; a definition that cannot be read is left out.
// Fonts are read in fonts.cpp (DefineFontInfo and DefineFontInfo2 name a DefineFont and give its codes);
// text fields (text_fields.cpp) are laid out once every tag of the first frame is read, so that the fonts
// they name by HTML face are known.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "flash/render/bitmaps.h"
#include "flash/render/fonts.h"
#include "flash/render/morph.h"
#include "flash/render/placement.h"
#include "flash/render/shapes.h"
#include "flash/render/text_fields.h"
#include "support/bytes.h"
#include "swf/header.h"
#include "swf/movie.h"
#include "swf/tags.h"

namespace mv::render {

namespace {

enum TagCode : unsigned {
  tagEnd = 0,
  tagShowFrame = 1,
  tagDefineShape = 2,
  tagPlaceObject = 4,
  tagRemoveObject = 5,
  tagDefineBits = 6,
  tagJpegTables = 8,
  tagBackground = 9,
  tagDefineFont = 10,
  tagDefineText = 11,
  tagDefineFontInfo = 13,
  tagDefineBitsLossless = 20,
  tagDefineBitsJpeg2 = 21,
  tagDefineShape2 = 22,
  tagPlaceObject2 = 26,
  tagRemoveObject2 = 28,
  tagDefineShape3 = 32,
  tagDefineText2 = 33,
  tagDefineBitsJpeg3 = 35,
  tagDefineEditText = 37,
  tagDefineBitsLossless2 = 36,
  tagDefineSprite = 39,
  tagDefineFont2 = 48,
  tagDefineFontInfo2 = 62,
  tagDefineFont3 = 75,
  tagDefineShape4 = 83,
  tagDefineBitsJpeg4 = 90,
  tagDefineButton = 7,
  tagDefineButtonCxform = 23,
  tagDefineButton2 = 34,
  tagDefineMorphShape = 46,
  tagPlaceObject3 = 70,
  tagDefineScalingGrid = 78,
  tagDefineMorphShape2 = 84,
};

using Tag = SwfTag;

// Walks the tags of a byte range; next() is false at the end or when a tag does not fit.
class TagWalker {
 public:
  TagWalker(const uint8_t* data, size_t size) : tags_(data, size) {}
  bool next(Tag& tag) { return tags_.next(tag) == SwfTagReader::Step::tag; }

 private:
  SwfTagReader tags_;
};

// Where a bitmap's bytes are, to be decoded once the first frame is known.
struct PendingBitmap {
  unsigned code;
  const uint8_t* body;  // after the character id
  size_t size;
};

class MovieReader {
 public:
  MovieReader(Movie& movie, const JpegDecoder* jpeg, const FontProvider* fonts)
      : m_(movie), jpeg_(jpeg), limits_(movie.limits), devices_(fonts, movie.fonts, records_) {
    records_ = limits_.maxShapeRecords;
    glyphs_ = limits_.maxGlyphs;
    pixels_ = limits_.maxBitmapPixels;
  }

  FrameStatus readTags(const uint8_t* data, size_t size) {
    TagWalker walker(data, size);
    Tag tag;
    bool backgroundSeen = false;
    // The panel colours itself from the first background tag anywhere: so does the frame.
    auto background = [&] {
      if (backgroundSeen || tag.code != tagBackground || tag.length < 3) return false;
      m_.background = uint32_t(tag.body[0]) << 16 | uint32_t(tag.body[1]) << 8 | tag.body[2];
      backgroundSeen = true;
      return true;
    };
    while (walker.next(tag)) {
      if (++tags_ > limits_.maxTags) return FrameStatus::limitReached;
      if (tag.code == tagEnd || tag.code == tagShowFrame) break;
      if (background()) continue;
      if (!control(tag, m_.stage)) define(tag);
      if (limitHit_) return FrameStatus::limitReached;
    }
    while (!backgroundSeen && walker.next(tag)) {
      if (++tags_ > limits_.maxTags) return FrameStatus::limitReached;
      background();
    }
    decodeBitmaps();
    if (!layOutFields()) return FrameStatus::limitReached;
    return FrameStatus::ok;
  }

 private:
  // Display-list tags; false for any other tag.
  bool control(const Tag& tag, DisplayList& list) {
    RecordReader in(tag.body, tag.length);
    switch (tag.code) {
      case tagPlaceObject: {
        const uint16_t id = in.u16(), depth = in.u16();
        DisplayObject o;
        o.characterId = id;
        o.matrix = in.matrix();
        if (in.failed()) return true;
        if (in.remaining() > 0) {
          ColourTransform c = in.colourTransform(false);
          if (!in.failed()) o.colour = c;
        }
        list[depth] = o;
        return true;
      }
      case tagPlaceObject2:
      case tagPlaceObject3:
        readPlacement(in, tag.code == tagPlaceObject3, list);
        return true;
      case tagRemoveObject: {
        in.u16();
        const uint16_t depth = in.u16();
        if (!in.failed()) list.erase(depth);
        return true;
      }
      case tagRemoveObject2: {
        const uint16_t depth = in.u16();
        if (!in.failed()) list.erase(depth);
        return true;
      }
      default:
        return false;
    }
  }

  void define(const Tag& tag) {
    RecordReader in(tag.body, tag.length);
    switch (tag.code) {
      case tagDefineShape:
      case tagDefineShape2:
      case tagDefineShape3:
      case tagDefineShape4: {
        const uint16_t id = in.u16();
        in.rect();
        Shape shape;
        if (tag.code == tagDefineShape4) {
          in.rect();  // the edges' bounds
          shape.nonZero = (in.u8() & 0x04) != 0;
        }
        if (in.failed() || known(id)) return;
        const int version = tag.code == tagDefineShape    ? 1
                            : tag.code == tagDefineShape2 ? 2
                            : tag.code == tagDefineShape3 ? 3
                                                          : 4;
        if (!readShape(in, version, records_, shape)) {
          if (records_ == 0) limitHit_ = true;
          return;
        }
        add(id, Character::shape, m_.shapes, std::move(shape));
        return;
      }
      case tagDefineText:
      case tagDefineText2: {
        const uint16_t id = in.u16();
        in.rect();
        if (in.failed() || known(id)) return;
        Text text;
        if (!readText(in, tag.code == tagDefineText2, glyphs_, text)) {
          if (glyphs_ == 0) limitHit_ = true;
          return;
        }
        add(id, Character::text, m_.texts, std::move(text));
        return;
      }
      case tagDefineFont:
      case tagDefineFont2:
      case tagDefineFont3: {
        const uint16_t id = in.u16();
        if (in.failed() || known(id)) return;
        Font font;
        const int version = tag.code == tagDefineFont ? 1 : tag.code == tagDefineFont2 ? 2 : 3;
        if (readFont(in, version, records_, font) == FontRead::outOfRecords) {
          limitHit_ = true;
          return;
        }
        add(id, Character::font, m_.fonts, std::move(font));
        return;
      }
      case tagDefineFontInfo:
      case tagDefineFontInfo2:
        nameFont(in, tag.code == tagDefineFontInfo2);
        return;
      case tagDefineEditText: {
        const uint16_t id = in.u16();
        EditTextTag field;
        if (in.failed() || known(id) || !readEditText(in, field)) return;
        // Laid out once every font is known.
        fields_.push_back(std::move(field));
        add(id, Character::editText, m_.editTexts, EditText());
        return;
      }
      case tagJpegTables:
        if (!jpegTables_) {
          jpegTables_ = tag.body;
          jpegTablesSize_ = tag.length;
        }
        return;
      case tagDefineBits:
      case tagDefineBitsJpeg2:
      case tagDefineBitsJpeg3:
      case tagDefineBitsJpeg4:
      case tagDefineBitsLossless:
      case tagDefineBitsLossless2: {
        const uint16_t id = in.u16();
        if (in.failed() || known(id)) return;
        // Decoded later, and only when the first frame shows it.
        pending_.push_back({tag.code, tag.body + 2, tag.length - 2});
        add(id, Character::bitmap, m_.bitmaps, Bitmap());
        return;
      }
      case tagDefineSprite: {
        const uint16_t id = in.u16();
        in.u16();  // frame count
        if (in.failed() || known(id)) return;
        Sprite sprite;
        TagWalker walker(tag.body + 4, tag.length - 4);
        Tag inner;
        while (walker.next(inner)) {
          if (++tags_ > limits_.maxTags) {
            limitHit_ = true;
            return;
          }
          if (inner.code == tagEnd || inner.code == tagShowFrame) break;
          control(inner, sprite.firstFrame);
        }
        add(id, Character::sprite, m_.sprites, std::move(sprite));
        return;
      }
      default:
        defineDisplayed(tag);
        return;
    }
  }

  // Morph shapes, buttons and scaling grids.
  void defineDisplayed(const Tag& tag) {
    RecordReader in(tag.body, tag.length);
    const uint16_t id = in.u16();
    if (in.failed()) return;
    switch (tag.code) {
      case tagDefineMorphShape:
      case tagDefineMorphShape2: {
        if (known(id)) return;
        MorphShape morph;
        if (!readMorphShape(in, tag.code == tagDefineMorphShape2, records_, morph)) {
          if (records_ == 0) limitHit_ = true;
          return;
        }
        add(id, Character::morph, m_.morphs, std::move(morph));
        return;
      }
      case tagDefineButton:
      case tagDefineButton2: {
        if (known(id)) return;
        Sprite up;
        if (!readButtonUpState(in, tag.code == tagDefineButton2, up.firstFrame)) return;
        if (tag.code == tagDefineButton) firstButtons_.push_back(id);
        add(id, Character::sprite, m_.sprites, std::move(up));
        return;
      }
      case tagDefineButtonCxform: {
        // Colours a DefineButton's characters (DefineButton2 carries its own per record).
        const ColourTransform cx = in.colourTransform(false);
        const Character* c = m_.find(id);
        if (in.failed() || !c || std::find(firstButtons_.begin(), firstButtons_.end(), id) == firstButtons_.end())
          return;
        for (auto& entry : m_.sprites[c->index].firstFrame) entry.second.colour = cx;
        return;
      }
      case tagDefineScalingGrid: {
        const SwfRect r = in.rect();
        if (in.failed() || r.xmax <= r.xmin || r.ymax <= r.ymin) return;
        m_.scalingGrids.emplace(id, ScalingGrid{float(r.xmin), float(r.ymin), float(r.xmax), float(r.ymax)});
        return;
      }
      default:
        return;  // not drawn: edit texts, sounds, video, scripts, ...
    }
  }

  // DefineFontInfo and DefineFontInfo2: font id UI16, name length UI8, name, flags UI8 (0x04 italic,
  // 0x02 bold, 0x01 wide codes), [language UI8,] codes UI8 or UI16 a glyph of the DefineFont.
  void nameFont(RecordReader& in, bool info2) {
    const uint16_t id = in.u16();
    const Character* c = m_.find(id);
    if (in.failed() || !c || c->kind != Character::font) return;
    Font& font = m_.fonts[c->index];
    const std::string name = fontName(in);
    const unsigned flags = in.u8();
    if (in.failed()) return;
    font.name = name;
    font.italic = flags & 0x04;
    font.bold = flags & 0x02;
    const bool wide = (flags & 0x01) || info2;
    if (info2) in.u8();  // language
    for (uint32_t g = 0; g < font.glyphs.size() && in.remaining() > 0; ++g)
      font.glyphOfCode.emplace(wide ? in.u16() : in.u8(), g);
  }

  bool layOutFields() {
    for (size_t i = 0; i < fields_.size(); ++i)
      if (!layOutEditText(fields_[i], m_.version, m_.fonts, m_.dictionary, devices_, glyphs_, m_.editTexts[i]))
        return false;
    return true;
  }

  bool known(uint16_t id) const { return m_.dictionary.count(id) != 0; }

  template <typename T>
  void add(uint16_t id, Character::Kind kind, std::vector<T>& store, T&& value) {
    m_.dictionary[id] = Character{kind, uint32_t(store.size())};
    store.push_back(std::move(value));
  }

  // The bitmaps the fills paint with, the line styles' fills included.
  void markBitmaps(const std::vector<FillStyle>& fills, const std::vector<LineStyle>& lines,
                   std::vector<bool>& needed) const {
    auto note = [&](const FillStyle& f) {
      if (f.kind != FillStyle::bitmap) return;
      const Character* b = m_.find(f.bitmapId);
      if (b && b->kind == Character::bitmap) needed[b->index] = true;
    };
    for (const FillStyle& f : fills) note(f);
    for (const LineStyle& l : lines)
      if (l.hasFill) note(l.fill);
  }

  // The bitmaps that shapes on the first frame fill with, and only those.
  void decodeBitmaps() {
    std::vector<bool> needed(m_.bitmaps.size(), false);
    std::vector<bool> visitedSprite(m_.sprites.size(), false);
    std::vector<const DisplayList*> lists = {&m_.stage};
    while (!lists.empty()) {
      const DisplayList* list = lists.back();
      lists.pop_back();
      for (const auto& entry : *list) {
        const Character* c = m_.find(entry.second.characterId);
        if (!c) continue;
        if (c->kind == Character::sprite && !visitedSprite[c->index]) {
          visitedSprite[c->index] = true;
          lists.push_back(&m_.sprites[c->index].firstFrame);
        } else if (c->kind == Character::shape) {
          for (const ShapeGroup& g : m_.shapes[c->index].groups) markBitmaps(g.fills, g.lines, needed);
        } else if (c->kind == Character::morph) {
          markBitmaps(m_.morphs[c->index].startFills, m_.morphs[c->index].startLines, needed);
        }
      }
    }
    for (size_t i = 0; i < pending_.size(); ++i) {
      if (!needed[i]) continue;
      const PendingBitmap& p = pending_[i];
      Bitmap& bitmap = m_.bitmaps[i];
      switch (p.code) {
        case tagDefineBitsLossless:
        case tagDefineBitsLossless2:
          decodeLossless(p.body, p.size, p.code == tagDefineBitsLossless2, limits_.maxBitmapSide, pixels_, bitmap);
          break;
        case tagDefineBits:
          if (jpeg_ && jpegTables_)
            decodeJpegBitmap(*jpeg_, joinJpeg(jpegTables_, jpegTablesSize_, p.body, p.size), nullptr, 0,
                             limits_.maxBitmapSide, pixels_, bitmap);
          break;
        case tagDefineBitsJpeg2:
          if (jpeg_)
            decodeJpegBitmap(*jpeg_, joinJpeg(nullptr, 0, p.body, p.size), nullptr, 0, limits_.maxBitmapSide,
                             pixels_, bitmap);
          break;
        case tagDefineBitsJpeg3:
        case tagDefineBitsJpeg4: {
          // The JPEG's size UI32 (and for JPEG4 the deblocking strength UI16), the JPEG, the alpha plane.
          const size_t before = p.code == tagDefineBitsJpeg4 ? 6 : 4;
          if (!jpeg_ || p.size < before) break;
          const uint32_t jpegSize = readLeU32(p.body);
          if (jpegSize > p.size - before) break;
          const uint8_t* image = p.body + before;
          decodeJpegBitmap(*jpeg_, joinJpeg(nullptr, 0, image, jpegSize), image + jpegSize,
                           p.size - before - jpegSize, limits_.maxBitmapSide, pixels_, bitmap);
          break;
        }
        default:
          break;
      }
    }
  }

  Movie& m_;
  const JpegDecoder* jpeg_;
  const Limits& limits_;
  uint32_t tags_ = 0, records_, glyphs_;
  uint64_t pixels_;
  bool limitHit_ = false;
  const uint8_t* jpegTables_ = nullptr;
  size_t jpegTablesSize_ = 0;
  std::vector<PendingBitmap> pending_;  // [bitmap index]
  std::vector<uint16_t> firstButtons_;  // DefineButton ids, which DefineButtonCxform may colour
  std::vector<EditTextTag> fields_;     // [edit text index]
  DeviceFonts devices_;
};

}  // namespace

FirstFrame::FirstFrame(std::unique_ptr<Movie> movie) : movie_(std::move(movie)) {}
FirstFrame::~FirstFrame() = default;

uint32_t FirstFrame::background() const { return movie_->background; }

std::shared_ptr<const FirstFrame> FirstFrame::load(const uint8_t* data, size_t size, const JpegDecoder* jpeg,
                                                   const Limits& limits, FrameStatus* why) {
  return load(data, size, jpeg, nullptr, limits, why);
}

std::shared_ptr<const FirstFrame> FirstFrame::load(const uint8_t* data, size_t size, const JpegDecoder* jpeg,
                                                   const FontProvider* fonts, const Limits& limits,
                                                   FrameStatus* why) {
  FrameStatus status = FrameStatus::ok;
  if (!why) why = &status;
  *why = FrameStatus::notSwf;
  if (!data) return nullptr;
  const SwfHeader swf = readSwfHeader(data, size);
  if (swf.complete() && swf.signature == SwfSignature::lzma) {
    *why = FrameStatus::lzma;
    return nullptr;
  }
  if (!swf.complete() || (swf.signature != SwfSignature::plain && swf.signature != SwfSignature::compressed))
    return nullptr;
  switch (swfVersionFit(swf.version, limits.oldestVersion, limits.newestVersion)) {
    case SwfVersionFit::tooNew: *why = FrameStatus::versionTooNew; return nullptr;
    case SwfVersionFit::tooOld: *why = FrameStatus::versionTooOld; return nullptr;
    case SwfVersionFit::played: break;
  }

  // The plain movie after its header; a compressed one expanding one byte past the bound is refused.
  std::vector<uint8_t> expanded;
  const uint8_t* body = data + kSwfHeaderSize;
  size_t bodySize = size - kSwfHeaderSize;
  if (swf.signature == SwfSignature::compressed) {
    if (expandSwf(swf, data, size, limits.maxMovieBytes + 1, expanded).end != SwfExpansion::End::complete) {
      *why = FrameStatus::damaged;
      return nullptr;
    }
    if (expanded.size() > limits.maxMovieBytes) {
      *why = FrameStatus::tooLarge;
      return nullptr;
    }
    body = expanded.data() + kSwfHeaderSize;
    bodySize = expanded.size() - kSwfHeaderSize;
  } else if (size > limits.maxMovieBytes) {
    *why = FrameStatus::tooLarge;
    return nullptr;
  }

  auto movie = std::make_unique<Movie>();
  movie->limits = limits;
  movie->version = swf.version;
  RecordReader header(body, bodySize);
  const SwfRect frame = header.rect();
  header.u16();  // frame rate
  header.u16();  // frame count
  if (header.failed()) {
    *why = FrameStatus::damaged;
    return nullptr;
  }
  movie->stageLeft = frame.xmin;
  movie->stageTop = frame.ymin;
  movie->stageWidth = int32_t(std::max<int64_t>(0, int64_t(frame.xmax) - frame.xmin));
  movie->stageHeight = int32_t(std::max<int64_t>(0, int64_t(frame.ymax) - frame.ymin));

  MovieReader reader(*movie, jpeg, fonts);
  const FrameStatus read = reader.readTags(body + header.position(), bodySize - header.position());
  if (read != FrameStatus::ok) {
    *why = read;
    return nullptr;
  }
  *why = FrameStatus::ok;
  return std::shared_ptr<const FirstFrame>(new FirstFrame(std::move(movie)));
}

}  // namespace mv::render
