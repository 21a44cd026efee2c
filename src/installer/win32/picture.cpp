#include "installer/win32/picture.h"

#include <ole2.h>
#include <olectl.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "support/text_encoding.h"

namespace mv::win32 {

namespace {

constexpr uint64_t kMaxFileSize = 256u * 1024 * 1024;

uint32_t le16(const uint8_t* p) { return p[0] | (p[1] << 8); }
uint32_t le32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// A picture file's bytes; none when it cannot be read or does not fit in memory.
struct FileBytes {
  std::unique_ptr<uint8_t[]> data;
  size_t size = 0;
};

// 0, or why the file could not be read: the system's code (ERROR_NOT_ENOUGH_MEMORY for a file beyond
// kMaxFileSize or one that does not fit in memory, ERROR_HANDLE_EOF for one shorter than its size).
DWORD readFile(const std::string& path, FileBytes& out) {
  HANDLE f = CreateFileW(utf8ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return GetLastError();
  DWORD error = 0;
  LARGE_INTEGER size;
  if (!GetFileSizeEx(f, &size)) {
    error = GetLastError();
  } else if (size.QuadPart < 0 || static_cast<uint64_t>(size.QuadPart) > kMaxFileSize) {
    error = ERROR_NOT_ENOUGH_MEMORY;
  } else {
    out.size = static_cast<size_t>(size.QuadPart);
    out.data.reset(new (std::nothrow) uint8_t[out.size ? out.size : 1]);
    DWORD got = 0;
    if (!out.data)
      error = ERROR_NOT_ENOUGH_MEMORY;
    else if (out.size && !ReadFile(f, out.data.get(), static_cast<DWORD>(out.size), &got, nullptr))
      error = GetLastError();
    else if (out.size && got != out.size)
      error = ERROR_HANDLE_EOF;
  }
  CloseHandle(f);
  return error;
}

// Width and height from a Windows bitmap's header; false when it has none of the known sizes.
bool bmpSize(const uint8_t* data, size_t size, uint32_t& width, uint32_t& height) {
  if (!data || size < 14 + 12 || data[0] != 'B' || data[1] != 'M') return false;
  const uint32_t headerSize = le32(data + 14);
  if (headerSize == 12) {
    width = le16(data + 18);
    height = le16(data + 20);
    return true;
  }
  if (headerSize < 40) return false;
  const int32_t w = static_cast<int32_t>(le32(data + 18)), h = static_cast<int32_t>(le32(data + 22));
  width = w < 0 ? 0u - static_cast<uint32_t>(w) : static_cast<uint32_t>(w);
  height = h < 0 ? 0u - static_cast<uint32_t>(h) : static_cast<uint32_t>(h);
  return true;
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

// Width and height from the frame header (SOFn) of a JPEG stream; false when the markers before it are
// broken or there is none. Lets a picture that is far too large be refused before it is decoded.
bool jpegFrameSize(const uint8_t* data, size_t size, unsigned& width, unsigned& height) {
  size_t at = 2;  // after SOI
  while (at + 4 <= size) {
    if (data[at] != 0xFF) return false;
    const uint8_t marker = data[at + 1];
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    const size_t length = (size_t{data[at + 2]} << 8) | data[at + 3];
    if (length < 2 || at + 2 + length > size) return false;
    const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame) {
      if (length < 8) return false;
      height = (unsigned{data[at + 5]} << 8) | data[at + 6];
      width = (unsigned{data[at + 7]} << 8) | data[at + 8];
      return true;
    }
    if (marker == 0xDA || marker == 0xD9) return false;  // scan or end before any frame
    at += 2 + length;
  }
  return false;
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
  const uint64_t offBits = le32(data + 10);
  const uint32_t headerSize = le32(data + 14);
  int64_t width, height;
  uint32_t planes, bpp, compression = 0, sizeImage = 0, colorsUsed = 0, paletteEntrySize;
  if (headerSize == 12) {  // BITMAPCOREHEADER
    width = le16(data + 18);
    height = le16(data + 20);
    planes = le16(data + 22);
    bpp = le16(data + 24);
    paletteEntrySize = 3;
  } else if (headerSize >= 40 && headerSize <= 124) {  // BITMAPINFOHEADER and its V2..V5 extensions
    if (size < 14 + static_cast<uint64_t>(headerSize)) return false;
    width = static_cast<int32_t>(le32(data + 18));
    height = static_cast<int32_t>(le32(data + 22));
    planes = le16(data + 26);
    bpp = le16(data + 28);
    compression = le32(data + 30);
    sizeImage = le32(data + 34);
    colorsUsed = le32(data + 46);
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
  if (!data || size < 4 || data[0] != 0xFF || data[1] != 0xD8) return false;
  unsigned width = 0, height = 0;
  if (!jpegFrameSize(data, size, width, height)) return false;
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

HBITMAP loadPicture(const std::string& path, int boxWidth, int boxHeight, PictureOutcome* outcome) {
  PictureOutcome ignored;
  PictureOutcome& why = outcome ? *outcome : ignored;
  why = PictureOutcome::failed(PictureOutcome::Problem::NotDecodable);
  const std::string ext = lowerExtension(path);
  const bool bmp = ext == ".bmp";
  const bool jpeg = ext == ".jpg" || ext == ".jpeg";
  if (!bmp && !jpeg) return nullptr;
  FileBytes file;
  if (DWORD error = readFile(path, file)) {
    why = PictureOutcome::failed(PictureOutcome::Problem::Unreadable, Result(error));
    return nullptr;
  }
  const uint8_t* data = file.data.get();
  // A size beyond the limits is told as such, before anything is decoded.
  uint32_t width = 0, height = 0;
  const bool sized = jpeg ? file.size >= 4 && data[0] == 0xFF && data[1] == 0xD8 &&
                                jpegFrameSize(data, file.size, width, height)
                          : bmpSize(data, file.size, width, height);
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
