#include "installer/win32/picture.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

#include "support/text_encoding.h"

namespace mv::win32 {

namespace {

constexpr uint64_t kMaxFileSize = 256u * 1024 * 1024;

uint32_t le16(const uint8_t* p) { return p[0] | (p[1] << 8); }
uint32_t le32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

bool readFile(const std::string& path, std::vector<uint8_t>& out) {
  HANDLE f = CreateFileW(utf8ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  bool ok = false;
  LARGE_INTEGER size;
  if (GetFileSizeEx(f, &size) && size.QuadPart >= 0 && static_cast<uint64_t>(size.QuadPart) <= kMaxFileSize) {
    out.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    ok = out.empty() || (ReadFile(f, out.data(), static_cast<DWORD>(out.size()), &got, nullptr) && got == out.size());
  }
  CloseHandle(f);
  return ok;
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

// ---- libjpeg glue: errors leave through longjmp, so nothing with a destructor lives across setjmp.

struct JpegErrorManager {
  jpeg_error_mgr base;
  jmp_buf jump;
};

void jpegErrorExit(j_common_ptr cinfo) { longjmp(reinterpret_cast<JpegErrorManager*>(cinfo->err)->jump, 1); }
void jpegOutputMessage(j_common_ptr) {}  // no console: warnings and traces go nowhere

// A progressive JPEG can hold thousands of scans, each a pass over the whole picture; a real picture
// needs a handful.
constexpr int kMaxScans = 500;
void jpegProgress(j_common_ptr cinfo) {
  if (cinfo->is_decompressor && reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans)
    cinfo->err->error_exit(cinfo);
}

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

HBITMAP decodeJpeg(const uint8_t* data, size_t size, int minWidth, int minHeight) {
  if (!data || size < 4 || data[0] != 0xFF || data[1] != 0xD8) return nullptr;
  jpeg_decompress_struct cinfo;
  JpegErrorManager err;
  jpeg_progress_mgr progress = {};
  HBITMAP volatile bitmap = nullptr;
  JSAMPLE* volatile cmykRow = nullptr;

  cinfo.err = jpeg_std_error(&err.base);
  err.base.error_exit = jpegErrorExit;
  err.base.output_message = jpegOutputMessage;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    if (bitmap) DeleteObject(bitmap);
    std::free(cmykRow);
    return nullptr;
  }
  jpeg_create_decompress(&cinfo);
  cinfo.mem->max_memory_to_use = 256L * 1024 * 1024;
  progress.progress_monitor = jpegProgress;
  cinfo.progress = &progress;
  jpeg_mem_src(&cinfo, const_cast<unsigned char*>(data), static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);

  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
  cinfo.scale_num = 1;
  cinfo.scale_denom = 1;
  for (unsigned denom : {8u, 4u, 2u}) {
    if (cinfo.image_width / denom >= static_cast<unsigned>(minWidth) &&
        cinfo.image_height / denom >= static_cast<unsigned>(minHeight)) {
      cinfo.scale_denom = denom;
      break;
    }
  }
  jpeg_calc_output_dimensions(&cinfo);
  const uint64_t w = cinfo.output_width, h = cinfo.output_height;
  if (w == 0 || h == 0 || w > static_cast<uint64_t>(kMaxPictureSide) || h > static_cast<uint64_t>(kMaxPictureSide) ||
      w * h > kMaxPicturePixels) {
    jpeg_destroy_decompress(&cinfo);
    return nullptr;
  }
  uint8_t* bits = nullptr;
  bitmap = createDib24(static_cast<int>(w), static_cast<int>(h), &bits);
  if (!bitmap || !bits) {
    jpeg_destroy_decompress(&cinfo);
    if (bitmap) DeleteObject(bitmap);
    return nullptr;
  }
  const size_t stride = (static_cast<size_t>(w) * 3 + 3) & ~static_cast<size_t>(3);
  if (cmyk) {
    cmykRow = static_cast<JSAMPLE*>(std::malloc(static_cast<size_t>(w) * 4));
    if (!cmykRow) cinfo.err->error_exit(reinterpret_cast<j_common_ptr>(&cinfo));
  }
  jpeg_start_decompress(&cinfo);
  while (cinfo.output_scanline < cinfo.output_height) {
    uint8_t* row = bits + stride * cinfo.output_scanline;
    if (cmyk) {
      JSAMPROW in = cmykRow;
      jpeg_read_scanlines(&cinfo, &in, 1);
      // Adobe's CMYK JPEGs store the inks inverted, so each channel times K is the light that remains.
      for (size_t x = 0; x < w; ++x) {
        const unsigned c = cmykRow[x * 4], m = cmykRow[x * 4 + 1], y = cmykRow[x * 4 + 2], k = cmykRow[x * 4 + 3];
        row[x * 3] = static_cast<uint8_t>(y * k / 255);
        row[x * 3 + 1] = static_cast<uint8_t>(m * k / 255);
        row[x * 3 + 2] = static_cast<uint8_t>(c * k / 255);
      }
    } else {
      JSAMPROW out = row;
      jpeg_read_scanlines(&cinfo, &out, 1);
    }
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  std::free(cmykRow);
  GdiFlush();
  return bitmap;
}

HBITMAP loadPicture(const std::string& path, int boxWidth, int boxHeight) {
  const std::string ext = lowerExtension(path);
  const bool bmp = ext == ".bmp";
  const bool jpeg = ext == ".jpg" || ext == ".jpeg";
  if (!bmp && !jpeg) return nullptr;
  std::vector<uint8_t> data;
  if (!readFile(path, data)) return nullptr;
  if (jpeg) return decodeJpeg(data.data(), data.size(), boxWidth, boxHeight);
  if (!isLoadableBmp(data.data(), data.size())) return nullptr;
  return static_cast<HBITMAP>(
      LoadImageW(nullptr, utf8ToWide(path).c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
}

}  // namespace mv::win32
