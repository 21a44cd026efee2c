#include "ui_test_support.h"

#include <cstdio>
#include <cstring>

#include <jpeglib.h>

#include "platform/win32/win32_platform.h"
#include "support/user_texts.h"

namespace mv::uitest {

namespace {

// Without a window manager on the test display, Wine waits two seconds for one each time a managed
// window goes away. Test windows are left unmanaged (set before the display driver reads it).
struct UnmanagedWindows {
  UnmanagedWindows() {
    HKEY key;
    if (RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Wine\\X11 Driver", &key) == ERROR_SUCCESS) {
      RegSetValueExA(key, "Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
      RegCloseKey(key);
    }
  }
} unmanagedWindows;

void put16(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  v[at] = x & 0xFF;
  v[at + 1] = (x >> 8) & 0xFF;
}
void put32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  for (int i = 0; i < 4; ++i) v[at + i] = (x >> (8 * i)) & 0xFF;
}
}  // namespace

std::vector<uint8_t> solidBmp(int width, int height, uint8_t r, uint8_t g, uint8_t b, int32_t bottom) {
  const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
  const size_t pixels = stride * height;
  std::vector<uint8_t> v(54 + pixels, 0);
  v[0] = 'B';
  v[1] = 'M';
  put32(v, 2, static_cast<uint32_t>(v.size()));
  put32(v, 10, 54);
  put32(v, 14, 40);
  put32(v, 18, width);
  put32(v, 22, height);
  put16(v, 26, 1);
  put16(v, 28, 24);
  put32(v, 34, static_cast<uint32_t>(pixels));
  for (int y = 0; y < height; ++y)  // stored bottom row first
    for (int x = 0; x < width; ++x) {
      uint8_t* p = &v[54 + y * stride + x * 3];
      const bool lower = bottom >= 0 && y < height / 2;
      p[0] = lower ? bottom & 0xFF : b;
      p[1] = lower ? (bottom >> 8) & 0xFF : g;
      p[2] = lower ? (bottom >> 16) & 0xFF : r;
    }
  return v;
}

std::vector<uint8_t> writeJpeg(int width, int height, const JpegSettings& settings,
                               const std::function<void(int y, uint8_t* row)>& fillRow) {
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long outSize = 0;
  jpeg_mem_dest(&c, &out, &outSize);
  c.image_width = width;
  c.image_height = height;
  c.input_components = settings.components;
  c.in_color_space = settings.components == 1 ? JCS_GRAYSCALE : settings.components == 4 ? JCS_CMYK : JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, settings.quality, TRUE);
  if (settings.progressive) jpeg_simple_progression(&c);
  jpeg_start_compress(&c, TRUE);
  std::vector<uint8_t> row(static_cast<size_t>(width) * settings.components);
  while (c.next_scanline < c.image_height) {
    fillRow(static_cast<int>(c.next_scanline), row.data());
    JSAMPROW p = row.data();
    jpeg_write_scanlines(&c, &p, 1);
  }
  jpeg_finish_compress(&c);
  std::vector<uint8_t> v(out, out + outSize);
  jpeg_destroy_compress(&c);
  std::free(out);
  return v;
}

std::vector<uint8_t> solidJpeg(int width, int height, uint8_t r, uint8_t g, uint8_t b, int32_t bottom) {
  const uint8_t top[3] = {r, g, b};
  const uint8_t low[3] = {uint8_t(bottom >= 0 ? (bottom >> 16) & 0xFF : r),
                          uint8_t(bottom >= 0 ? (bottom >> 8) & 0xFF : g), uint8_t(bottom >= 0 ? bottom & 0xFF : b)};
  return writeJpeg(width, height, JpegSettings{}, [&](int y, uint8_t* row) {
    const uint8_t* colour = y < height / 2 ? top : low;
    for (int x = 0; x < width; ++x) std::memcpy(row + x * 3, colour, 3);
  });
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& data) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
  return std::fclose(f) == 0 && ok;
}

FileSystem& realFiles() {
  static Win32Platform platform(text::abortButton);
  return platform;
}

std::string tempDir() {
  static std::string dir;
  if (dir.empty()) {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    for (int i = 0;; ++i) {
      std::string candidate = std::string(base) + "uitest" + std::to_string(GetCurrentProcessId()) + "_" +
                              std::to_string(i);
      if (CreateDirectoryA(candidate.c_str(), nullptr)) {
        dir = candidate + "\\";
        break;
      }
    }
  }
  return dir;
}

RECT rectInParent(HWND w) {
  RECT r;
  GetWindowRect(w, &r);
  MapWindowPoints(HWND_DESKTOP, GetParent(w), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

SIZE clientSize(HWND w) {
  RECT r;
  GetClientRect(w, &r);
  return SIZE{r.right, r.bottom};
}

SIZE windowSize(HWND w) {
  RECT r;
  GetWindowRect(w, &r);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

std::string text(HWND w) {
  char buffer[4096] = {};
  SendMessageA(w, WM_GETTEXT, sizeof(buffer), reinterpret_cast<LPARAM>(buffer));
  return buffer;
}

std::vector<HWND> children(HWND parent) {
  std::vector<HWND> out;
  for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) out.push_back(c);
  return out;
}

COLORREF screenPixel(HWND w, int x, int y) {
  POINT p = {x, y};
  ClientToScreen(w, &p);
  HDC dc = GetDC(nullptr);
  COLORREF c = GetPixel(dc, p.x, p.y);
  ReleaseDC(nullptr, dc);
  return c;
}

}  // namespace mv::uitest
