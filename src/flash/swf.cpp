// SWF work of the movie panel.
//
// After the 8-byte header (swf/header.h) a plain movie holds the frame rectangle, frame rate and frame
// count, then the tags (swf/tags.h). The background colour is tag 9, body red, green, blue.
//
// Every read is checked against what the movie really holds: a movie cut inside its header or inside a
// tag is a read error, and the step ends with a failure whose text names the file. A walk that reaches
// the end of the movie exactly at a tag boundary is a movie without a background tag (players paint
// those white).
#include "flash/swf.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/system_errors.h"
#include "support/user_texts.h"
#include "swf/bit_reader.h"
#include "swf/header.h"
#include "swf/movie.h"
#include "swf/tags.h"

namespace mv {

namespace {

constexpr int kBackgroundTag = 9;
constexpr size_t kSeedWindow = 2000;  // bytes after the background tag searched for commands

// The files a step works on, and the texts of their failures.
struct MovieFiles {
  System& system;
  FileSystem& files;

  // What + path + "\"." and the system's text for code; for no error (0) only when asked.
  Result fileError(const char* what, const std::string& path, int32_t code, bool textOfNoError) const {
    std::string message = what + path + text::quotedNameEnd;
    const std::string sys =
        code != 0 || textOfNoError ? systemErrorMessage(system, code, SystemTextEnd::KeepPeriod) : std::string();
    if (!sys.empty()) message += " " + sys;
    return Result::failure(message);
  }
  Result createError(const std::string& path) const {
    return fileError(text::cannotCreateFile, path, files.lastError(), true);
  }
  Result writeError(const std::string& path) const {
    return fileError(text::errorWritingFile, path, files.lastError(), false);
  }

  // A file of the working folder, written whole from memory.
  Result write(const std::string& path, const uint8_t* data, size_t size) const {
    std::unique_ptr<File> out = files.open(path, OpenMode::CreateWrite);
    if (!out) return createError(path);
    if (size > 0 && out->write(data, int64_t(size)) != int64_t(size)) return writeError(path);
    if (!out->close()) return writeError(path);
    return rc::ok;
  }
};

Result readError(const std::string& path, const char* what) {
  return Result::failure(text::errorReadingMovie + path + text::movieReadReason + what + ".");
}

Result versionResult(int version) {
  switch (swfVersionFit(version)) {
    case SwfVersionFit::tooNew: return rc::swfTooNew;
    case SwfVersionFit::tooOld: return rc::swfTooOld;
    case SwfVersionFit::played: break;
  }
  return rc::ok;
}

// The command seeding: 0 for "f", 1 for "t" at the byte one after the byte that follows the word (the
// movie stores fscommand("word", "true") as word, a zero, then the argument); -2 for anything else there;
// -1 when the word does not occur early enough in the window to have that byte.
int seedFlag(const uint8_t* data, size_t size, const char* word) {
  const size_t len = std::strlen(word);
  if (size < len + 2) return -1;
  const size_t last = size - len - 2;
  for (size_t i = 0; i <= last; ++i) {
    size_t k = 0;
    while (k < len) {
      unsigned char a = data[i + k], b = static_cast<unsigned char>(word[k]);
      if (a >= 'a' && a <= 'z') a = static_cast<unsigned char>(a - 'a' + 'A');
      if (b >= 'a' && b <= 'z') b = static_cast<unsigned char>(b - 'a' + 'A');
      if (a != b) break;
      ++k;
    }
    if (k == len) {
      uint8_t c = data[i + len + 1];
      return c == 'f' ? 0 : c == 't' ? 1 : -2;
    }
  }
  return -1;
}

// The tag walk of a plain movie from its first tag (at `tags`) to the background colour, which colours
// info and seeds its command flags from the bytes that follow (no further than declaredLength). A movie
// without a background tag leaves info as it was. The End tag (code 0) does not stop the walk: movies put
// tags after it.
Result readBackground(const uint8_t* movie, size_t size, size_t tags, const std::string& path,
                      uint32_t declaredLength, SwfHeaderInfo& info) {
  SwfTagReader reader(movie + tags, size - tags);
  SwfTag tag;
  for (;;) {
    const SwfTagReader::Step step = reader.next(tag);
    if (step == SwfTagReader::Step::end) return rc::ok;  // the end at a tag boundary: no background tag
    if (step == SwfTagReader::Step::cutInHeader) return readError(path, text::movieEndsInTagHeader);
    if (tag.code == kBackgroundTag) {
      if (tag.length < 3) return readError(path, text::movieBackgroundTooShort);
      if (step == SwfTagReader::Step::cutInBody) return readError(path, text::movieEndsInBackground);
      break;
    }
    if (step == SwfTagReader::Step::cutInBody) return readError(path, text::movieEndsInTag);
  }
  info.red = tag.body[0];
  info.green = tag.body[1];
  info.blue = tag.body[2];

  // Seed the allow-scale and full-screen flags from the bytes that follow. The declared length is only a
  // bound: real writers get it wrong, so fewer bytes than it promises are no error here.
  const size_t after = tags + tag.end;
  const size_t window = declaredLength > after ? std::min<size_t>(kSeedWindow, declaredLength - after) : 0;
  const size_t n = std::min(window, size - after);
  info.allowScale = seedFlag(movie + after, n, "ALLOWSCALE");
  info.fullScreen = seedFlag(movie + after, n, "fullScreen");
  return rc::ok;
}

}  // namespace

Result readSwfFile(System& system, FileSystem& files, const std::string& path, FileBytes& movie) {
  const Result read = readWholeFile(files, path, kMaxExpandedSwf, movie, OpenMode::ReadDenyWrite);
  if (read == rc::ok) return rc::ok;
  const MovieFiles io{system, files};
  const int32_t code = read.code() > 0 ? read.code() : 0;
  if (!movie.opened) return io.fileError(text::cannotOpenFile, path, code, true);
  return io.fileError(text::errorReadingFile, path, code, false);
}

Result checkSwfSignature(const uint8_t* movie, size_t size, std::string& signature) {
  signature.assign(reinterpret_cast<const char*>(movie), std::min<size_t>(size, 3));
  return signature == "FWS" || signature == "CWS" ? rc::ok : rc::notSwf;
}

Result parseSwfHeader(const uint8_t* movie, size_t size, const std::string& path, SwfHeaderInfo& info) {
  info = SwfHeaderInfo();
  info.allowScale = 0;
  info.fullScreen = 0;
  const SwfHeader header = readSwfHeader(movie, size);
  if (header.size < 3) return readError(path, text::movieEndsInSignature);
  if (header.signature != SwfSignature::plain) return rc::notSwf;
  if (!header.hasVersion()) return readError(path, text::movieEndsBeforeVersion);
  if (Result fit = versionResult(header.version); !fit.ok()) return fit;
  if (!header.complete()) return readError(path, text::movieEndsInHeader);

  // The frame rectangle, frame rate and frame count.
  BitReader frame(movie + kSwfHeaderSize, size - kSwfHeaderSize);
  frame.rect();
  frame.skip(4);
  if (frame.failed()) return readError(path, text::movieEndsInHeader);

  const size_t tags = kSwfHeaderSize + frame.position();
  if (Result walked = readBackground(movie, size, tags, path, header.length, info); !walked.ok()) return walked;
  info.parsed = true;
  return rc::ok;
}

Result expandCompressedSwf(System& system, FileSystem& files, const std::string& path, const uint8_t* movie,
                           size_t size, const std::string& tempFolder, std::vector<uint8_t>& plain,
                           uint64_t maxExpanded) {
  const MovieFiles io{system, files};
  if (size < kSwfHeaderSize) return readError(path, text::movieEndsInHeader);

  // The compressed body, as found in the movie, into its own file.
  const std::string segmentPath = tempFolder + "compressedSWFSegment.swf";
  if (Result written = io.write(segmentPath, movie + kSwfHeaderSize, size - kSwfHeaderSize); !written.ok())
    return written;

  // The plain movie: "FWS", the version and length bytes, then the inflated body; what came out before a
  // corrupt part of the stream is written too.
  plain.clear();
  const SwfExpansion expansion = expandSwf(readSwfHeader(movie, size), movie, size, maxExpanded, plain);
  const std::string expandedPath = tempFolder + "unCompressedSWF.swf";
  if (Result written = io.write(expandedPath, plain.data(), plain.size()); !written.ok()) return written;
  if (expansion.end != SwfExpansion::End::complete)
    return Result::failure(text::errorExpandingMovie + path + text::movieReadReason + expansion.inflated.zlibText());
  return rc::ok;
}

}  // namespace mv
