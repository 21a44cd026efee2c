#include "installer/win32/picture.h"

#include <ole2.h>
#include <olectl.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "support/bytes.h"
#include "support/picture_size.h"
#include "support/text_encoding.h"

namespace mv::win32 {

namespace {

constexpr uint64_t kMaxFileSize = 256u * 1024 * 1024;

// A picture file's bytes; none when it cannot be read or does not fit in memory.
struct FileBytes {
  std::unique_ptr<uint8_t[]> data;
  size_t size = 0;
};

// 0, or why the file could not be read: the system's code (ERROR_NOT_ENOUGH_MEMORY for a file beyond
// kMaxFileSize or one that does not fit in memory, ERROR_HANDLE_EOF for one shorter than its size).
DWORD readFile(FileSystem& files, const std::string& path, FileBytes& out) {
  std::unique_ptr<File> file = files.open(path, OpenMode::Read);
  if (!file) return DWORD(files.lastError());
  const int64_t size = file->size();
  if (size < 0) return DWORD(files.lastError());
  if (static_cast<uint64_t>(size) > kMaxFileSize) return ERROR_NOT_ENOUGH_MEMORY;
  out.size = static_cast<size_t>(size);
  out.data.reset(new (std::nothrow) uint8_t[out.size ? out.size : 1]);
  if (!out.data) return ERROR_NOT_ENOUGH_MEMORY;
  if (out.size) {
    const int64_t got = file->read(out.data.get(), size);
    if (got < 0) return DWORD(files.lastError());
    if (got != size) return ERROR_HANDLE_EOF;
  }
  // Opened for reading only: there is nothing a failed close could lose.
  (void)file->close();
  return 0;
}

// A size beyond what the window's pictures may have, told with the limits.
bool refuseTooLarge(uint32_t width, uint32_t height, PictureOutcome& outcome) {
  // An empty side is not a size problem: the decoder refuses such a picture with its own reason.
  if (width == 0 || height == 0 || isPictureSizeShown(width, height)) return false;
  outcome = PictureOutcome::failed(PictureOutcome::Problem::TooLarge);
  outcome.width = width;
  outcome.height = height;
  outcome.maxSide = uint32_t(kMaxPictureSide);
  outcome.maxPixels = kMaxPicturePixels;
  return true;
}

std::string lowerExtension(const std::string& path) {
  size_t dot = path.find_last_of('.');
  size_t sep = path.find_last_of("\\/:");
  if (dot == std::string::npos || (sep != std::string::npos && dot < sep)) return std::string();
  std::string ext = path.substr(dot);
  for (char& c : ext)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return ext;
}

// The system's picture decoder (OleLoadPicture) on a memory copy of the data; the bitmap it made, or
// nullptr. The picture object owns the bitmap: *picture must be released after use.
HBITMAP systemDecode(const uint8_t* data, size_t size, IPicture** picture) {
  *picture = nullptr;
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
  if (!memory) return nullptr;
  void* p = GlobalLock(memory);
  if (!p) {
    GlobalFree(memory);
    return nullptr;
  }
  std::memcpy(p, data, size);
  GlobalUnlock(memory);
  IStream* stream = nullptr;
  if (FAILED(CreateStreamOnHGlobal(memory, TRUE, &stream))) {
    GlobalFree(memory);
    return nullptr;
  }
  HRESULT hr = OleLoadPicture(stream, static_cast<LONG>(size), FALSE, IID_IPicture, reinterpret_cast<void**>(picture));
  stream->Release();
  if (FAILED(hr) || !*picture) {
    *picture = nullptr;
    return nullptr;
  }
  SHORT type = PICTYPE_NONE;
  OLE_HANDLE handle = 0;
  if (FAILED((*picture)->get_Type(&type)) || type != PICTYPE_BITMAP || FAILED((*picture)->get_Handle(&handle))) {
    (*picture)->Release();
    *picture = nullptr;
    return nullptr;
  }
  return reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle));
}

// COM for the system's decoders, on a thread that may or may not have it already.
class ComScope {
 public:
  ComScope() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComScope() {
    if (initialised_) CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;

 private:
  bool initialised_;
};

HBITMAP createDib24(int width, int height, uint8_t** bits) {
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;  // top-down
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  bi.bmiHeader.biCompression = BI_RGB;
  void* p = nullptr;
  HBITMAP bmp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &p, nullptr, 0);
  *bits = static_cast<uint8_t*>(p);
  return bmp;
}

}  // namespace

bool isLoadableBmp(const uint8_t* data, size_t size) {
  // BITMAPFILEHEADER (14 bytes): "BM", file size, reserved, offset of the pixel data.
  if (!data || size < 14 + 12 || data[0] != 'B' || data[1] != 'M') return false;
  const uint64_t offBits = readLeU32(data + 10);
  const uint32_t headerSize = readLeU32(data + 14);
  int64_t width, height;
  uint32_t planes, bpp, compression = 0, sizeImage = 0, colorsUsed = 0, paletteEntrySize;
  if (headerSize == 12) {  // BITMAPCOREHEADER
    width = readLe16(data + 18);
    height = readLe16(data + 20);
    planes = readLe16(data + 22);
    bpp = readLe16(data + 24);
    paletteEntrySize = 3;
  } else if (headerSize >= 40 && headerSize <= 124) {  // BITMAPINFOHEADER and its V2..V5 extensions
    if (size < 14 + static_cast<uint64_t>(headerSize)) return false;
    width = static_cast<int32_t>(readLeU32(data + 18));
    height = static_cast<int32_t>(readLeU32(data + 22));
    planes = readLe16(data + 26);
    bpp = readLe16(data + 28);
    compression = readLeU32(data + 30);
    sizeImage = readLeU32(data + 34);
    colorsUsed = readLeU32(data + 46);
    paletteEntrySize = 4;
  } else {
    return false;
  }
  const bool topDown = height < 0;
  if (topDown) height = -height;
  if (planes != 1 || width <= 0 || height <= 0 || width > kMaxPictureSide || height > kMaxPictureSide) return false;
  if (static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > kMaxPicturePixels) return false;

  // Colour table (palette pictures) or the three masks of BI_BITFIELDS after a 40-byte header.
  uint64_t tableBytes = 0;
  switch (bpp) {
    case 1: case 4: case 8: {
      uint64_t entries = colorsUsed ? colorsUsed : (1u << bpp);
      if (entries > (1u << bpp)) return false;
      tableBytes = entries * paletteEntrySize;
      break;
    }
    case 16: case 24: case 32:
      tableBytes = static_cast<uint64_t>(colorsUsed) * paletteEntrySize;
      break;
    default:
      return false;
  }
  if (compression == BI_BITFIELDS && headerSize == 40) tableBytes += 12;
  if (14 + static_cast<uint64_t>(headerSize) + tableBytes > size) return false;
  if (offBits < 14 + static_cast<uint64_t>(headerSize) || offBits > size) return false;

  uint64_t pixelBytes;
  switch (compression) {
    case BI_RGB:
      pixelBytes = ((static_cast<uint64_t>(width) * bpp + 31) / 32) * 4 * static_cast<uint64_t>(height);
      break;
    case BI_BITFIELDS:
      if (bpp != 16 && bpp != 32) return false;
      pixelBytes = ((static_cast<uint64_t>(width) * bpp + 31) / 32) * 4 * static_cast<uint64_t>(height);
      break;
    case BI_RLE8:
    case BI_RLE4:
      if (topDown || bpp != (compression == BI_RLE8 ? 8u : 4u) || sizeImage == 0) return false;
      pixelBytes = sizeImage;
      break;
    default:
      return false;  // embedded JPEG/PNG and other forms the picture control does not take
  }
  return offBits + pixelBytes <= size;
}

bool decodeJpegPixels(const uint8_t* data, size_t size, uint64_t maxPixels, DecodedPicture& out) {
  out = DecodedPicture();
  uint32_t width = 0, height = 0;
  if (!jpegDeclaredSize(data, size, width, height)) return false;
  if (width == 0 || height == 0 || width > unsigned(kMaxPictureSide) || height > unsigned(kMaxPictureSide) ||
      uint64_t{width} * height > maxPixels)
    return false;

  ComScope com;
  IPicture* picture = nullptr;
  HBITMAP decoded = systemDecode(data, size, &picture);
  if (!decoded) return false;
  BITMAP info = {};
  bool read = false;
  if (GetObjectW(decoded, sizeof(info), &info) == sizeof(info) && unsigned(info.bmWidth) == width &&
      unsigned(info.bmHeight) == height) {
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = static_cast<LONG>(width);
    bi.bmiHeader.biHeight = -static_cast<LONG>(height);  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    if (HDC screen = GetDC(nullptr)) {
      out.width = width;
      out.height = height;
      out.bgr.resize(out.stride() * height);
      read = GetDIBits(screen, decoded, 0, height, out.bgr.data(), &bi, DIB_RGB_COLORS) == static_cast<int>(height);
      ReleaseDC(nullptr, screen);
    }
  }
  picture->Release();
  if (!read) out = DecodedPicture();
  return read;
}

HBITMAP decodeJpeg(const uint8_t* data, size_t size, int minWidth, int minHeight) {
  DecodedPicture in;
  if (!decodeJpegPixels(data, size, kMaxPicturePixels, in)) return nullptr;
  // A large picture is shown at 1/2, 1/4 or 1/8 of its size, the smallest that still fills the box:
  // each pixel the average of a square of the decoded ones.
  unsigned denom = 1;
  for (unsigned d : {8u, 4u, 2u}) {
    if (in.width / d >= static_cast<unsigned>(minWidth) && in.height / d >= static_cast<unsigned>(minHeight)) {
      denom = d;
      break;
    }
  }
  const unsigned w = (in.width + denom - 1) / denom, h = (in.height + denom - 1) / denom;
  uint8_t* bits = nullptr;
  HBITMAP result = createDib24(static_cast<int>(w), static_cast<int>(h), &bits);
  if (!result || !bits) {
    if (result) DeleteObject(result);
    return nullptr;
  }
  const size_t inStride = in.stride(), outStride = (size_t{w} * 3 + 3) & ~size_t{3};
  for (unsigned y = 0; y < h; ++y) {
    const unsigned y0 = y * denom, y1 = std::min(in.height, y0 + denom);
    for (unsigned x = 0; x < w; ++x) {
      const unsigned x0 = x * denom, x1 = std::min(in.width, x0 + denom);
      unsigned sum[3] = {0, 0, 0};
      for (unsigned yy = y0; yy < y1; ++yy)
        for (unsigned xx = x0; xx < x1; ++xx)
          for (int c = 0; c < 3; ++c) sum[c] += in.bgr[inStride * yy + xx * 3 + c];
      const unsigned n = (y1 - y0) * (x1 - x0);
      for (int c = 0; c < 3; ++c) bits[outStride * y + x * 3 + c] = static_cast<uint8_t>((sum[c] + n / 2) / n);
    }
  }
  GdiFlush();
  return result;
}

HBITMAP loadPicture(FileSystem& files, const std::string& path, int boxWidth, int boxHeight, PictureOutcome* outcome) {
  PictureOutcome ignored;
  PictureOutcome& why = outcome ? *outcome : ignored;
  why = PictureOutcome::failed(PictureOutcome::Problem::NotDecodable);
  const std::string ext = lowerExtension(path);
  const bool bmp = ext == ".bmp";
  const bool jpeg = ext == ".jpg" || ext == ".jpeg";
  if (!bmp && !jpeg) return nullptr;
  FileBytes file;
  if (DWORD error = readFile(files, path, file)) {
    why = PictureOutcome::failed(PictureOutcome::Problem::Unreadable, Result(error));
    return nullptr;
  }
  const uint8_t* data = file.data.get();
  // A size beyond the limits is told as such, before anything is decoded.
  uint32_t width = 0, height = 0;
  const bool sized = jpeg ? jpegDeclaredSize(data, file.size, width, height)
                          : bmpDeclaredSize(data, file.size, width, height);
  if (sized && refuseTooLarge(width, height, why)) return nullptr;
  HBITMAP loaded = nullptr;
  if (jpeg) {
    loaded = decodeJpeg(data, file.size, boxWidth, boxHeight);
  } else if (isLoadableBmp(data, file.size)) {
    loaded = static_cast<HBITMAP>(
        LoadImageW(nullptr, utf8ToWide(path).c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  }
  if (loaded) why = PictureOutcome();
  return loaded;
}

bool PictureJpegDecoder::decode(const uint8_t* data, size_t size, uint64_t maxPixels, render::Image& out) const {
  DecodedPicture picture;
  if (!decodeJpegPixels(data, size, maxPixels, picture)) return false;
  out.width = int(picture.width);
  out.height = int(picture.height);
  out.pixels.resize(size_t(picture.width) * picture.height);
  for (unsigned y = 0; y < picture.height; ++y) {
    const uint8_t* row = picture.bgr.data() + picture.stride() * y;
    uint32_t* to = out.pixels.data() + size_t(y) * picture.width;
    for (unsigned x = 0; x < picture.width; ++x)
      to[x] = 0xFF000000u | uint32_t(row[3 * x + 2]) << 16 | uint32_t(row[3 * x + 1]) << 8 | row[3 * x];
  }
  return true;
}

}  // namespace mv::win32
