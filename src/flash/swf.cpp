// SWF header work of the movie panel.
//
// An SWF movie starts with an 8-byte header: a signature ("FWS" plain, "CWS" zlib-compressed), a version
// byte and the 32-bit little-endian length of the whole uncompressed movie. In a plain movie the frame
// rectangle, frame rate and frame count follow, then the tags. In a compressed movie everything after the
// 8 header bytes is one zlib stream (RFC 1950) holding the plain movie from its byte 8 on.
//
// A tag starts with a 16-bit header h: code = h >> 6, body length = h & 0x3F, where a length of 0x3F means
// that a 32-bit length follows the header ("long form"). The background colour is tag 9, body red, green,
// blue.
//
// Every read is checked against what the file really holds: a movie cut inside its header or inside a
// tag is a read error, and the step ends with rc::failedWithText and a text with the file name. A walk
// that reaches the end of the file exactly at a tag boundary is a movie without a background tag
// (players paint those white).
#include "flash/swf.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/platform.h"
#include "support/bytes.h"

namespace mv {

namespace {

constexpr int kBackgroundTag = 9;
constexpr size_t kCopyBlock = 2048;          // file copies and inflated output move in these blocks
constexpr size_t kInflateInput = 0x10000;    // zlib's input is refilled in blocks of 64 KiB
constexpr int64_t kSeedWindow = 2000;        // bytes after the background tag searched for commands

std::string systemText(Result code) {
  std::string text = platform().systemErrorText(code);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  return text;
}

// The failures, with the texts the user sees.
Status openError(const std::string& path, bool creating) {
  Result code = platform().lastError();
  std::string text = std::string(creating ? "Cannot create file \"" : "Cannot open file \"") + path + "\".";
  std::string sys = systemText(code);
  if (!sys.empty()) text += " " + sys;
  return Status::failure(text);
}

Status readError(const std::string& path, const std::string& what) {
  return Status::failure("Error reading movie file \"" + path + "\": " + what + ".");
}

Status ioError(const std::string& path, bool writing) {
  Result code = platform().lastError();
  std::string text = std::string(writing ? "Error writing file \"" : "Error reading file \"") + path + "\".";
  std::string sys = code != 0 ? systemText(code) : std::string();
  if (!sys.empty()) text += " " + sys;
  return Status::failure(text);
}

// Ends a step with a failure: its text goes to the caller's failure.
Result stopWith(Status& failure, Status why) {
  failure = std::move(why);
  return rc::failedWithText;
}

// Sequential reading of a movie file that knows its size, so that skips past the end are caught. The
// first failure (opening included) is kept: every operation after it does nothing and reports failure,
// and stop() hands it on.
class MovieReader {
 public:
  explicit MovieReader(const std::string& path) : path_(path), file_(platform().open(path, OpenMode::ReadDenyWrite)) {
    if (!file_) {
      fail(openError(path_, false));
      return;
    }
    size_ = file_->size();
    if (size_ < 0) fail(ioError(path_, false));
  }
  ~MovieReader() {
    if (file_) file_->close();
  }

  bool ok() const { return status_.ok(); }
  Result stop(Status& failure) const { return stopWith(failure, status_); }
  int64_t position() const { return pos_; }

  // Reads up to count bytes; fewer only at the end of the file or after a failure.
  size_t readSome(void* buffer, size_t count) {
    if (!ok()) return 0;
    size_t done = 0;
    auto* out = static_cast<uint8_t*>(buffer);
    while (done < count) {
      int64_t n = file_->read(out + done, int64_t(count - done));
      if (n < 0) {
        fail(ioError(path_, false));
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
    if (!file_->seek(pos_ + int64_t(count))) return fail(ioError(path_, false));
    pos_ += int64_t(count);
    return true;
  }

  void close() {
    std::unique_ptr<File> f = std::move(file_);
    if (f) f->close();
  }

 private:
  bool fail(Status why) {
    if (status_.ok()) status_ = std::move(why);
    return false;
  }

  std::string path_;
  std::unique_ptr<File> file_;
  int64_t size_ = 0;
  int64_t pos_ = 0;
  Status status_;
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

class Inflater {
 public:
  explicit Inflater(const std::string& path) : path_(path) { std::memset(&z_, 0, sizeof z_); }
  ~Inflater() {
    if (started_) inflateEnd(&z_);
  }
  int start() {
    int rc = inflateInit(&z_);
    started_ = rc == Z_OK;
    return rc;
  }
  z_stream& stream() { return z_; }
  Status error(int rc) const {
    std::string text = "Error expanding compressed movie \"" + path_ + "\": " + zError(rc);
    if (z_.msg && std::strcmp(z_.msg, zError(rc)) != 0) text += std::string(" (") + z_.msg + ")";
    return Status::failure(text);
  }

 private:
  std::string path_;
  z_stream z_;
  bool started_ = false;
};

}  // namespace

Result readSwfSignature(const std::string& path, std::string& signature, Status& failure) {
  MovieReader reader(path);
  char sig[3] = {0, 0, 0};
  size_t n = reader.readSome(sig, 3);
  if (!reader.ok()) return reader.stop(failure);
  reader.close();
  signature.assign(sig, n);
  return signature == "FWS" || signature == "CWS" ? rc::ok : rc::notSwf;
}

Result parseSwfHeader(const std::string& path, SwfHeaderInfo& info, Status& failure) {
  info = SwfHeaderInfo();
  info.allowScale = 0;
  info.fullScreen = 0;
  if (platform().getAttributes(path) == attr::invalid) return rc::ok;

  MovieReader reader(path);
  char sig[3];
  if (!reader.readExact(sig, 3, "the file ends inside its signature")) return reader.stop(failure);
  if (std::memcmp(sig, "FWS", 3) != 0) return rc::notSwf;
  uint8_t version = 0;
  if (!reader.readByte(version, "the file ends before its version")) return reader.stop(failure);
  if (version > 6) return rc::swfTooNew;
  if (version < 3) return rc::swfTooOld;
  uint8_t lengthBytes[4];
  if (!reader.readExact(lengthBytes, 4, "the file ends inside its header")) return reader.stop(failure);
  const uint32_t declaredLength = readLeU32(lengthBytes);

  // Frame rectangle: 5 bits of bit count b, then four fields of b bits, padded to whole bytes.
  uint8_t first = 0;
  if (!reader.readByte(first, "the file ends inside its header")) return reader.stop(failure);
  unsigned bits = first >> 3;
  unsigned rectBytes = ((4 * bits + 5) / 8) + 1;
  if (!reader.skip(rectBytes - 1, "the file ends inside its header") ||
      !reader.skip(4, "the file ends inside its header"))  // frame rate and frame count
    return reader.stop(failure);

  // Tag walk up to the background colour. The End tag (code 0) does not stop it: movies put tags after it.
  bool found = false;
  uint64_t bodyLength = 0;
  for (;;) {
    uint8_t h[2];
    size_t got = reader.readSome(h, 2);
    if (!reader.ok()) return reader.stop(failure);
    if (got == 0) break;  // the end of the file at a tag boundary: no background tag
    if (got != 2) return stopWith(failure, readError(path, "the file ends inside a tag header"));
    uint16_t header = readLe16(h);
    int code = header >> 6;
    bodyLength = header & 0x3F;
    if (bodyLength == 0x3F) {
      uint8_t l[4];
      if (!reader.readExact(l, 4, "the file ends inside a tag header")) return reader.stop(failure);
      bodyLength = readLeU32(l);
    }
    if (code == kBackgroundTag) {
      found = true;
      break;
    }
    if (!reader.skip(bodyLength, "the file ends inside a tag")) return reader.stop(failure);
  }

  if (found) {
    if (bodyLength < 3) return stopWith(failure, readError(path, "its background colour tag is too short"));
    uint8_t rgb[3];
    if (!reader.readExact(rgb, 3, "the file ends inside its background colour tag") ||
        !reader.skip(bodyLength - 3, "the file ends inside its background colour tag"))
      return reader.stop(failure);
    info.red = rgb[0];
    info.green = rgb[1];
    info.blue = rgb[2];

    // Seed the allow-scale and full-screen flags from the bytes that follow. The declared length is
    // only a bound: real writers get it wrong, so fewer bytes than it promises are no error here.
    int64_t window = int64_t(declaredLength) - reader.position();
    window = std::min<int64_t>(kSeedWindow, std::max<int64_t>(0, window));
    std::vector<uint8_t> bytes(static_cast<size_t>(window));
    size_t n = window > 0 ? reader.readSome(bytes.data(), bytes.size()) : 0;
    if (!reader.ok()) return reader.stop(failure);
    info.allowScale = seedFlag(bytes.data(), n, "ALLOWSCALE");
    info.fullScreen = seedFlag(bytes.data(), n, "fullScreen");
  }
  info.parsed = true;
  reader.close();
  return rc::ok;
}

Result expandCompressedSwf(const std::string& path, const std::string& tempFolder, Status& failure) {
  return expandCompressedSwf(path, tempFolder, kMaxExpandedSwf, failure);
}

Result expandCompressedSwf(const std::string& path, const std::string& tempFolder, uint64_t maxExpanded,
                           Status& failure) {
  const std::string segmentPath = tempFolder + "compressedSWFSegment.swf";
  const std::string expandedPath = tempFolder + "unCompressedSWF.swf";
  std::vector<uint8_t> block(kCopyBlock);

  // The compressed body, as found in the movie, into its own file.
  uint8_t header[8];
  {
    std::unique_ptr<File> in = platform().open(path, OpenMode::Read);
    if (!in) return stopWith(failure, openError(path, false));
    int64_t got = 0;
    while (got < 8) {
      int64_t n = in->read(header + got, 8 - got);
      if (n < 0) return stopWith(failure, ioError(path, false));
      if (n == 0) return stopWith(failure, readError(path, "the file ends inside its header"));
      got += n;
    }
    std::unique_ptr<File> out = platform().open(segmentPath, OpenMode::CreateWrite);
    if (!out) return stopWith(failure, openError(segmentPath, true));
    for (;;) {
      int64_t n = in->read(block.data(), int64_t(block.size()));
      if (n < 0) return stopWith(failure, ioError(path, false));
      if (n == 0) break;
      if (out->write(block.data(), n) != n) return stopWith(failure, ioError(segmentPath, true));
    }
    if (!out->close()) return stopWith(failure, ioError(segmentPath, true));
    in->close();
  }

  // The plain movie: "FWS", the version and length bytes, then the inflated body. Never more than the
  // movie declares, and never more than the bound (kMaxExpandedSwf), whatever the stream holds.
  std::unique_ptr<File> segment = platform().open(segmentPath, OpenMode::Read);
  if (!segment) return stopWith(failure, openError(segmentPath, false));
  Inflater inflater(path);
  const int started = inflater.start();
  if (started != Z_OK) return stopWith(failure, inflater.error(started));
  z_stream& z = inflater.stream();
  std::unique_ptr<File> out = platform().open(expandedPath, OpenMode::CreateWrite);
  if (!out) return stopWith(failure, openError(expandedPath, true));
  uint8_t plainHeader[8] = {'F', 'W', 'S', header[3], header[4], header[5], header[6], header[7]};
  if (out->write(plainHeader, 8) != 8) return stopWith(failure, ioError(expandedPath, true));

  const uint64_t declared = readLeU32(header + 4);
  uint64_t remaining = std::min<uint64_t>(declared, maxExpanded);
  remaining = remaining > 8 ? remaining - 8 : 0;

  std::vector<uint8_t> input(kInflateInput);
  bool streamEnd = false, segmentDone = false;
  while (remaining > 0 && !streamEnd) {
    const size_t want = size_t(std::min<uint64_t>(block.size(), remaining));
    z.next_out = block.data();
    z.avail_out = uInt(want);
    while (z.avail_out > 0) {
      if (z.avail_in == 0) {
        if (segmentDone) break;
        int64_t n = segment->read(input.data(), int64_t(input.size()));
        if (n < 0) return stopWith(failure, ioError(segmentPath, false));
        if (n == 0) {
          segmentDone = true;
          break;
        }
        z.next_in = input.data();
        z.avail_in = uInt(n);
      }
      int rc = inflate(&z, Z_NO_FLUSH);
      if (rc == Z_STREAM_END) {
        streamEnd = true;
        break;
      }
      if (rc == Z_BUF_ERROR && z.avail_in == 0) continue;  // more input is needed
      if (rc != Z_OK) return stopWith(failure, inflater.error(rc));
    }
    const size_t produced = want - z.avail_out;
    if (produced == 0) break;  // the stream ended early: a shorter movie
    if (out->write(block.data(), int64_t(produced)) != int64_t(produced))
      return stopWith(failure, ioError(expandedPath, true));
    remaining -= produced;
    if (produced < want && segmentDone) break;
  }
  if (!out->close()) return stopWith(failure, ioError(expandedPath, true));
  segment->close();
  return rc::ok;
}

}  // namespace mv
