// The still wallpaper's picture file: a 24-bit BMP (every Windows and Wine show one as the wallpaper),
// written a strip of rows at a time so that it costs no second copy of the picture.
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "desktop/still_wallpaper.h"
#include "support/paths.h"

namespace mv::still {

namespace {

constexpr uint32_t kFileHeaderSize = 14, kInfoHeaderSize = 40;
constexpr int kStripRows = 64;
const char* const kPictureStem = "still wallpaper";

void putU16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(uint8_t(v));
  out.push_back(uint8_t(v >> 8));
}
void putU32(std::vector<uint8_t>& out, uint32_t v) {
  putU16(out, v & 0xFFFF);
  putU16(out, v >> 16);
}

std::vector<uint8_t> bmpHeaders(int width, int height, uint32_t imageBytes) {
  std::vector<uint8_t> h;
  h.push_back('B');
  h.push_back('M');
  putU32(h, kFileHeaderSize + kInfoHeaderSize + imageBytes);  // file size
  putU32(h, 0);                                                // reserved
  putU32(h, kFileHeaderSize + kInfoHeaderSize);                // offset of the pixels
  putU32(h, kInfoHeaderSize);                                  // BITMAPINFOHEADER
  putU32(h, uint32_t(width));
  putU32(h, uint32_t(height));  // positive: rows bottom to top
  putU16(h, 1);                 // planes
  putU16(h, 24);                // bits per pixel
  putU32(h, 0);                 // BI_RGB
  putU32(h, imageBytes);
  putU32(h, 2835);  // 72 dpi, as pixels per metre
  putU32(h, 2835);
  putU32(h, 0);
  putU32(h, 0);
  return h;
}

void putLe32(uint8_t* at, uint32_t v) {
  const uint8_t bytes[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
  std::memcpy(at, bytes, 4);
}

bool writeAll(File& file, const std::vector<uint8_t>& bytes, size_t count) {
  return file.write(bytes.data(), int64_t(count)) == int64_t(count);
}

// Rows of a picture held whole.
class HeldRows : public PictureRows {
 public:
  HeldRows(const uint32_t* pixels, int width) : pixels_(pixels), width_(width) {}
  void copyRow(int y, uint32_t* out) const override {
    std::memcpy(out, pixels_ + size_t(y) * size_t(width_), size_t(width_) * sizeof(uint32_t));
  }

 private:
  const uint32_t* pixels_;
  int width_;
};

bool writeBmpTo(File& file, int width, int height, const PictureRows& rows) {
  const size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
  if (!writeAll(file, bmpHeaders(width, height, uint32_t(stride * size_t(height))),
                kFileHeaderSize + kInfoHeaderSize))
    return false;
  std::vector<uint8_t> strip(stride * kStripRows, 0);
  std::vector<uint32_t> row(size_t(width), 0);
  const uint32_t* src = row.data();
  for (int done = 0; done < height;) {
    const int count = std::min(kStripRows, height - done);
    for (int r = 0; r < count; ++r) {
      rows.copyRow(height - 1 - (done + r), row.data());  // bottom row first
      uint8_t* dst = strip.data() + size_t(r) * stride;
      int x = 0;
      for (; x + 4 <= width; x += 4) {  // four pixels make three whole words of blue, green, red
        const uint32_t p0 = src[x], p1 = src[x + 1], p2 = src[x + 2], p3 = src[x + 3];
        putLe32(dst + 3 * x, (p0 & 0xFFFFFFu) | p1 << 24);
        putLe32(dst + 3 * x + 4, (p1 >> 8 & 0xFFFFu) | p2 << 16);
        putLe32(dst + 3 * x + 8, (p2 >> 16 & 0xFFu) | p3 << 8);
      }
      for (; x < width; ++x) {
        dst[3 * x] = uint8_t(src[x]);           // blue
        dst[3 * x + 1] = uint8_t(src[x] >> 8);  // green
        dst[3 * x + 2] = uint8_t(src[x] >> 16); // red
      }
    }
    if (!writeAll(file, strip, stride * size_t(count))) return false;
    done += count;
  }
  return true;
}

bool exists(FileSystem& files, const std::string& path) { return files.getAttributes(path) != attr::invalid; }

}  // namespace

bool writeBmp24(FileSystem& files, const std::string& path, int width, int height, const uint32_t* pixels) {
  if (!pixels) {
    files.setLastError(oserr::invalidParameter);
    return false;
  }
  return writeBmp24(files, path, width, height, HeldRows(pixels, width));
}

bool writeBmp24(FileSystem& files, const std::string& path, int width, int height, const PictureRows& rows) {
  // A BMP's sizes are 32-bit: a picture above 2 GB cannot be one.
  if (width <= 0 || height <= 0 || (uint64_t(width) * 3 + 3) * uint64_t(height) > 0x7FFF0000u) {
    files.setLastError(oserr::invalidParameter);
    return false;
  }
  std::unique_ptr<File> file = files.open(path, OpenMode::CreateWrite);
  if (!file) return false;
  bool ok = writeBmpTo(*file, width, height, rows);
  int32_t code = ok ? 0 : files.lastError();
  if (!file->close() && ok) {
    ok = false;
    code = files.lastError();
  }
  file.reset();
  if (!ok) {
    (void)files.deleteFile(path);  // no half picture stays; what a failed delete says changes nothing
    files.setLastError(code);
  }
  return ok;
}

std::string freePictureName(FileSystem& files, const std::string& contentFolder, const std::string& ownEarlier) {
  for (int n = 1; n <= 100; ++n) {
    const std::string name = std::string(kPictureStem) + (n == 1 ? "" : " " + std::to_string(n)) + ".bmp";
    if (!exists(files, contentFolder + name) || equalsIgnoreCase(contentFolder + name, ownEarlier)) return name;
  }
  return std::string();
}

}  // namespace mv::still
