#pragma once
// The first frame of an SWF movie, drawn by ourselves: what the movie panel shows when no Flash Player
// control can be created.
//
// A movie of versions 3 to 10 (or the range the caller accepts), plain ("FWS") or compressed ("CWS"),
// is read up to its first ShowFrame: shapes (DefineShape 1 to 4), bitmaps (DefineBits with JPEGTables,
// DefineBitsJPEG2 to 4, DefineBitsLossless and 2), static text (DefineText 1 and 2 with DefineFont 1 to
// 3), text fields (DefineEditText with their initial text, plain or HTML, in the movie's fonts or the
// machine's through a FontProvider), sprites (their first frame), morph shapes (at their placement's
// ratio), buttons (their up state), nine-slice grids, and the display list that PlaceObject 1 to 3,
// RemoveObject and RemoveObject2 build, with PlaceObject3's blend modes, filters (blur, drop shadow, glow,
// bevel, colour matrix) and visibility.
// Drawing puts the stage into the picture as the control does (by default scale mode "show all": aspect
// ratio kept, centred, the rest in the background colour; DrawOptions chooses another); anti-aliased.
//
// What it cannot draw (device fonts without a provider, video, scripts, the other filters) is left out. Every count,
// length and index read from the movie is checked, and the work a movie can cause is bounded (Limits).
// Nothing here touches the operating system.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace mv::render {

// A picture: rows top to bottom, one 32-bit word per pixel, 0xAARRGGBB (in memory B, G, R, A: the
// layout of a 32-bit top-down DIB). Drawn frames are opaque.
struct Image {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  uint32_t at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

// Turns a complete JPEG stream (SOI to EOI, tables included) into pixels. The renderer does not care
// which decoder does it: natively libjpeg, in the installer whatever it shows its pictures with.
class JpegDecoder {
 public:
  virtual ~JpegDecoder() = default;
  // Fills out with the picture as opaque 0xFFRRGGBB words. false when the stream is not a JPEG the
  // decoder takes, or when the picture would have more than maxPixels pixels (known before decoding).
  virtual bool decode(const uint8_t* data, size_t size, uint64_t maxPixels, Image& out) const = 0;
};

// Bounds on the work and memory a movie can cause, each a count, so that one movie gives one picture on
// every machine. Reading stops at the first bound reached and refuses the movie; drawing stops and
// leaves the background. Memory grows with what the movie holds, never with what a header declares.
struct Limits {
  // The bounds of a 32-bit installer process that ends when an allocation fails: tighter on memory and
  // work than the defaults (a hostile movie takes a few hundred MB at most), every version.
  static Limits forInstaller();

  int oldestVersion = 3, newestVersion = 10;  // the versions the caller accepts (the panel: 3 to 6)
  uint64_t maxMovieBytes = 256ull << 20;  // the plain movie; a compressed one expanding past it is refused
  uint32_t maxTags = 1u << 20;            // tags read, sprites' tags included
  uint32_t maxShapeRecords = 1u << 22;    // shape records of all shapes and glyphs
  uint32_t maxGlyphs = 1u << 20;          // glyphs of all texts
  uint64_t maxBitmapPixels = 32ull << 20; // pixels of all decoded bitmaps together
  int maxBitmapSide = 8192;
  int maxFrameSide = 4096;                // the drawn picture's width and height
  int maxNesting = 16;                    // sprites inside sprites, when drawn; deeper ones are left out
  int maxActiveClips = 8;                 // clipping layers in effect at once
  uint64_t maxObjects = 200000;           // characters and glyphs drawn for one picture
  uint64_t maxEdges = 8u << 20;           // straight lines handed to the rasteriser for one picture
  uint64_t maxPixelWork = 256u << 20;     // pixels visited while drawing one picture ...
  uint64_t pixelWorkPerPicturePixel = 32; // ... or this many per pixel of the picture, when more
  uint64_t maxLayerPixels = 16u << 20;    // pixels of the layers (blend modes, filters) alive at once
};

// How the stage is fitted into the picture, as the Flash Player's scale modes fit it into its window.
// The stage is centred in every mode; outside it the picture holds the background colour.
enum class ScaleMode {
  showAll,   // the whole stage, aspect ratio kept (the control's default)
  exactFit,  // the whole stage, stretched to the picture's width and height
  noBorder,  // the whole picture, aspect ratio kept: what overhangs is cut off
  noScale,   // one stage pixel (20 twips) per picture pixel
};

struct DrawOptions {
  ScaleMode scale = ScaleMode::showAll;
  std::optional<uint32_t> background;  // 0x00RRGGBB in place of the movie's own background colour
  // 0x00RRGGBB of the picture around the stage, where the scale mode leaves it uncovered (what a page
  // shows around the player); the stage's colour when not given.
  std::optional<uint32_t> margin;
};

// Where the stage lands in a picture: its pixels [x0, x1) x [y0, y1), inside the picture; may be empty.
struct StageArea {
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

enum class FrameStatus {
  ok,
  notSwf,         // neither "FWS", "CWS" nor "ZWS", or shorter than a header
  versionTooNew,  // above Limits::newestVersion
  versionTooOld,  // below Limits::oldestVersion
  damaged,        // a header that cannot be read, a corrupt zlib stream
  tooLarge,       // a movie bigger than Limits::maxMovieBytes
  limitReached,   // a bound on tags, shape records, glyphs or bitmap pixels
  lzma,           // "ZWS": compressed with LZMA (versions 13 on), which the renderer does not expand
};

struct Movie;
class FontProvider;

class FirstFrame {
 public:
  // Reads a movie up to its first ShowFrame (or its end). jpeg may be null: JPEG bitmaps are then left
  // out. nullptr when the movie is refused; why (when given) receives the reason.
  static std::shared_ptr<const FirstFrame> load(const uint8_t* data, size_t size, const JpegDecoder* jpeg,
                                                const Limits& limits = Limits(), FrameStatus* why = nullptr);
  // The same, with the machine's fonts for text fields that show device fonts; fonts may be null: such
  // text is then left out.
  static std::shared_ptr<const FirstFrame> load(const uint8_t* data, size_t size, const JpegDecoder* jpeg,
                                                const FontProvider* fonts, const Limits& limits = Limits(),
                                                FrameStatus* why = nullptr);
  ~FirstFrame();
  FirstFrame(const FirstFrame&) = delete;
  FirstFrame& operator=(const FirstFrame&) = delete;

  uint32_t background() const;  // 0x00RRGGBB: the first SetBackgroundColor tag; white without one
  // The stage's size in whole pixels (20 twips each, rounded); 0 for a stage without area.
  int stageWidth() const;
  int stageHeight() const;
  // The stage's pixels in a width x height picture drawn in scale mode `mode`: where draw() puts the
  // background colour, the rest having the margin's.
  StageArea stageArea(int width, int height, ScaleMode mode) const;

  // Draws the frame into a width x height picture, the stage fitted as options.scale says. false when a
  // bound was reached or the size is outside 1..Limits::maxFrameSide: the picture (when it has a size)
  // then holds only the background.
  bool draw(int width, int height, Image& out, const DrawOptions& options = {}) const;

 private:
  explicit FirstFrame(std::unique_ptr<Movie> movie);
  std::unique_ptr<Movie> movie_;
};

}  // namespace mv::render
