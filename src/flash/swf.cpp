// SWF file work of the movie panel.
//
// After the 8-byte header (flash/swf_header.h) a plain movie holds the frame rectangle, frame rate and
// frame count, then the tags. A tag starts with a 16-bit header h: code = h >> 6, body length = h & 0x3F,
// where a length of 0x3F means that a 32-bit length follows the header ("long form"). The background
// colour is tag 9, body red, green, blue.
//
// Every read is checked against what the file really holds: a movie cut inside its header or inside a
// tag is a read error, and the step ends with a failure whose text names the file. A walk that reaches
// the end of the file exactly at a tag boundary is a movie without a background tag (players paint
// those white).
#include "flash/swf.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "flash/inflate.h"
#include "flash/swf_header.h"
#include "platform/system_errors.h"
#include "support/bytes.h"
#include "support/user_texts.h"

namespace mv {

namespace {

constexpr int kBackgroundTag = 9;
constexpr size_t kCopyBlock = 2048;          // file copies and inflated output move in these blocks
constexpr size_t kInflateInput = 0x10000;    // zlib's input is refilled in blocks of 64 KiB
constexpr int64_t kSeedWindow = 2000;        // bytes after the background tag searched for commands

// The files a step works on, and the texts of their failures.
struct MovieFiles {
  System& system;
  FileSystem& files;

  // The system's text for a code, with its period.
  std::string systemText(int32_t code) const {
    return systemErrorMessage(system, code, SystemTextEnd::KeepPeriod);
  }
  // What + path + "\"." and the system's text for the last error; for no error (0) only when asked.
  Result fileError(const char* what, const std::string& path, bool textOfNoError) const {
    const int32_t code = files.lastError();
    std::string message = what + path + text::quotedNameEnd;
    const std::string sys = code != 0 || textOfNoError ? systemText(code) : std::string();
    if (!sys.empty()) message += " " + sys;
    return Result::failure(message);
  }
  Result openError(const std::string& path, bool creating) const {
    return fileError(creating ? text::cannotCreateFile : text::cannotOpenFile, path, true);
  }
  Result ioError(const std::string& path, bool writing) const {
    return fileError(writing ? text::errorWritingFile : text::errorReadingFile, path, false);
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

// Sequential reading of a movie file that knows its size, so that skips past the end are caught. The
// first failure (opening included) is kept: every operation after it does nothing and reports failure,
// and failure() hands it on.
class MovieReader {
 public:
  MovieReader(const MovieFiles& io, const std::string& path)
      : io_(io), path_(path), file_(io.files.open(path, OpenMode::ReadDenyWrite)) {
    if (!file_) {
      fail(io_.openError(path_, false));
      return;
    }
    size_ = file_->size();
    if (size_ < 0) fail(io_.ioError(path_, false));
  }
  ~MovieReader() { close(); }

  bool ok() const { return status_.ok(); }
  const Result& failure() const { return status_; }
  int64_t position() const { return pos_; }

  // Reads up to count bytes; fewer only at the end of the file or after a failure.
  size_t readSome(void* buffer, size_t count) {
    if (!ok()) return 0;
    size_t done = 0;
    auto* out = static_cast<uint8_t*>(buffer);
    while (done < count) {
      int64_t n = file_->read(out + done, int64_t(count - done));
      if (n < 0) {
        fail(io_.ioError(path_, false));
        return 0;
      }
      if (n == 0) break;
      done += size_t(n);
    }
    pos_ += int64_t(done);
    return done;
  }

  bool readExact(void* buffer, size_t count, const char* what) {
    if (readSome(buffer, count) != count) return fail(readError(path_, what));
    return true;
  }

  bool readByte(uint8_t& b, const char* what) { return readExact(&b, 1, what); }

  bool skip(uint64_t count, const char* what) {
    if (!ok()) return false;
    if (count > uint64_t(size_ - pos_)) return fail(readError(path_, what));
    if (!file_->seek(pos_ + int64_t(count))) return fail(io_.ioError(path_, false));
    pos_ += int64_t(count);
    return true;
  }

  void close() {
    std::unique_ptr<File> f = std::move(file_);
    // Only read from: a close that fails loses nothing.
    if (f) (void)f->close();
  }

 private:
  bool fail(Result why) {
    if (status_.ok()) status_ = std::move(why);
    return false;
  }

  const MovieFiles& io_;
  std::string path_;
  std::unique_ptr<File> file_;
  int64_t size_ = 0;
  int64_t pos_ = 0;
  Result status_;
};

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

// The tag walk of a plain movie, from its first tag to the background colour, which colours info and
// seeds its command flags from the bytes that follow (no further than declaredLength). A movie without a
// background tag leaves info as it was.
Result readBackground(MovieReader& reader, const std::string& path, uint32_t declaredLength, SwfHeaderInfo& info) {
  // The End tag (code 0) does not stop the walk: movies put tags after it.
  uint64_t bodyLength = 0;
  for (;;) {
    uint8_t h[2];
    size_t got = reader.readSome(h, 2);
    if (!reader.ok()) return reader.failure();
    if (got == 0) return rc::ok;  // the end of the file at a tag boundary: no background tag
    if (got != 2) return readError(path, text::movieEndsInTagHeader);
    const uint16_t header = readLe16(h);
    const int code = header >> 6;
    bodyLength = header & 0x3F;
    if (bodyLength == 0x3F) {
      uint8_t l[4];
      if (!reader.readExact(l, 4, text::movieEndsInTagHeader)) return reader.failure();
      bodyLength = readLeU32(l);
    }
    if (code == kBackgroundTag) break;
    if (!reader.skip(bodyLength, text::movieEndsInTag)) return reader.failure();
  }

  if (bodyLength < 3) return readError(path, text::movieBackgroundTooShort);
  uint8_t rgb[3];
  if (!reader.readExact(rgb, 3, text::movieEndsInBackground) ||
      !reader.skip(bodyLength - 3, text::movieEndsInBackground))
    return reader.failure();
  info.red = rgb[0];
  info.green = rgb[1];
  info.blue = rgb[2];

  // Seed the allow-scale and full-screen flags from the bytes that follow. The declared length is only a
  // bound: real writers get it wrong, so fewer bytes than it promises are no error here.
  int64_t window = int64_t(declaredLength) - reader.position();
  window = std::min<int64_t>(kSeedWindow, std::max<int64_t>(0, window));
  std::vector<uint8_t> bytes(static_cast<size_t>(window));
  size_t n = window > 0 ? reader.readSome(bytes.data(), bytes.size()) : 0;
  if (!reader.ok()) return reader.failure();
  info.allowScale = seedFlag(bytes.data(), n, "ALLOWSCALE");
  info.fullScreen = seedFlag(bytes.data(), n, "fullScreen");
  return rc::ok;
}

// Copies the movie after its 8 header bytes into the segment file; header receives those bytes.
Result copySegment(const MovieFiles& io, const std::string& path, const std::string& segmentPath,
                   uint8_t (&header)[kSwfHeaderSize]) {
  std::unique_ptr<File> in = io.files.open(path, OpenMode::Read);
  if (!in) return io.openError(path, false);
  int64_t got = 0;
  while (got < int64_t(kSwfHeaderSize)) {
    int64_t n = in->read(header + got, int64_t(kSwfHeaderSize) - got);
    if (n < 0) return io.ioError(path, false);
    if (n == 0) return readError(path, text::movieEndsInHeader);
    got += n;
  }
  std::unique_ptr<File> out = io.files.open(segmentPath, OpenMode::CreateWrite);
  if (!out) return io.openError(segmentPath, true);
  std::vector<uint8_t> block(kCopyBlock);
  for (;;) {
    int64_t n = in->read(block.data(), int64_t(block.size()));
    if (n < 0) return io.ioError(path, false);
    if (n == 0) break;
    if (out->write(block.data(), n) != n) return io.ioError(segmentPath, true);
  }
  if (!out->close()) return io.ioError(segmentPath, true);
  // Only read from: a close that fails loses nothing.
  (void)in->close();
  return rc::ok;
}

// The expansion between files: the segment read in blocks of 64 KiB, the expanded movie written in
// blocks of 2048 bytes. A read or write that fails leaves its text, naming the file, in failure.
class FileExpansion : public InflateSource, public InflateSink {
 public:
  FileExpansion(const MovieFiles& io, File& segment, const std::string& segmentPath, File& expanded,
                const std::string& expandedPath)
      : io_(io), segment_(segment), expanded_(expanded), segmentPath_(segmentPath), expandedPath_(expandedPath) {}

  int64_t next(const uint8_t*& data) override {
    const int64_t n = segment_.read(input_.data(), int64_t(input_.size()));
    if (n < 0) failure = io_.ioError(segmentPath_, false);
    data = input_.data();
    return n;
  }
  uint8_t* room(size_t& size) override {
    size = std::min(size, block_.size());
    return block_.data();
  }
  bool filled(size_t n) override {
    if (expanded_.write(block_.data(), int64_t(n)) == int64_t(n)) return true;
    failure = io_.ioError(expandedPath_, true);
    return false;
  }
  Result failure;

 private:
  const MovieFiles& io_;
  File &segment_, &expanded_;
  const std::string &segmentPath_, &expandedPath_;
  std::vector<uint8_t> input_ = std::vector<uint8_t>(kInflateInput);
  std::vector<uint8_t> block_ = std::vector<uint8_t>(kCopyBlock);
};

}  // namespace

Result readSwfSignature(System& system, FileSystem& files, const std::string& path, std::string& signature) {
  MovieFiles io{system, files};
  MovieReader reader(io, path);
  char sig[3] = {0, 0, 0};
  size_t n = reader.readSome(sig, 3);
  if (!reader.ok()) return reader.failure();
  reader.close();
  signature.assign(sig, n);
  return signature == "FWS" || signature == "CWS" ? rc::ok : rc::notSwf;
}

Result parseSwfHeader(System& system, FileSystem& files, const std::string& path, SwfHeaderInfo& info) {
  info = SwfHeaderInfo();
  info.allowScale = 0;
  info.fullScreen = 0;
  if (files.getAttributes(path) == attr::invalid) return rc::ok;

  MovieFiles io{system, files};
  MovieReader reader(io, path);
  uint8_t head[kSwfHeaderSize];
  const SwfHeader header = readSwfHeader(head, reader.readSome(head, sizeof head));
  if (!reader.ok()) return reader.failure();
  if (header.size < 3) return readError(path, text::movieEndsInSignature);
  if (header.signature != SwfSignature::plain) return rc::notSwf;
  if (!header.hasVersion()) return readError(path, text::movieEndsBeforeVersion);
  if (Result fit = versionResult(header.version); !fit.ok()) return fit;
  if (!header.complete()) return readError(path, text::movieEndsInHeader);

  // Frame rectangle: 5 bits of bit count b, then four fields of b bits, padded to whole bytes.
  uint8_t first = 0;
  if (!reader.readByte(first, text::movieEndsInHeader)) return reader.failure();
  unsigned bits = first >> 3;
  unsigned rectBytes = ((4 * bits + 5) / 8) + 1;
  if (!reader.skip(rectBytes - 1, text::movieEndsInHeader) ||
      !reader.skip(4, text::movieEndsInHeader))  // frame rate and frame count
    return reader.failure();

  if (Result walked = readBackground(reader, path, header.length, info); !walked.ok()) return walked;
  info.parsed = true;
  reader.close();
  return rc::ok;
}

Result expandCompressedSwf(System& system, FileSystem& files, const std::string& path,
                           const std::string& tempFolder, uint64_t maxExpanded) {
  MovieFiles io{system, files};
  const std::string segmentPath = tempFolder + "compressedSWFSegment.swf";
  const std::string expandedPath = tempFolder + "unCompressedSWF.swf";

  // The compressed body, as found in the movie, into its own file.
  uint8_t header[kSwfHeaderSize];
  if (Result copied = copySegment(io, path, segmentPath, header); !copied.ok()) return copied;

  // The plain movie: "FWS", the version and length bytes, then the inflated body. Never more than the
  // movie declares, and never more than the bound, whatever the stream holds.
  std::unique_ptr<File> segment = files.open(segmentPath, OpenMode::Read);
  if (!segment) return io.openError(segmentPath, false);
  std::unique_ptr<File> out = files.open(expandedPath, OpenMode::CreateWrite);
  if (!out) return io.openError(expandedPath, true);
  const uint8_t plainHeader[kSwfHeaderSize] = {'F', 'W', 'S', header[3], header[4], header[5], header[6], header[7]};
  if (out->write(plainHeader, kSwfHeaderSize) != int64_t(kSwfHeaderSize)) return io.ioError(expandedPath, true);

  FileExpansion expansion(io, *segment, segmentPath, *out, expandedPath);
  const uint64_t bound = swfBodyBound(readSwfHeader(header, kSwfHeaderSize), maxExpanded);
  const InflateOutcome inflated = inflateBounded(expansion, bound, expansion);
  if (inflated.end == InflateOutcome::End::corrupt)
    return Result::failure(text::errorExpandingMovie + path + text::movieReadReason + inflated.zlibText());
  if (!inflated.ok()) return expansion.failure;  // a read or write that failed
  if (!out->close()) return io.ioError(expandedPath, true);
  // Only read from: a close that fails loses nothing.
  (void)segment->close();
  return rc::ok;
}

}  // namespace mv
