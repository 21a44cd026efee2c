#include "package_builder.h"

#include <cstring>

namespace mv::test {

namespace {

void put32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}
void put16(Bytes& b, size_t at, uint16_t v) {
  b[at] = uint8_t(v);
  b[at + 1] = uint8_t(v >> 8);
}

}  // namespace

Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes peStub(uint32_t length) {
  Bytes b(length, 0);
  b[0] = 'M';
  b[1] = 'Z';
  put32(b, 0x3C, 0x80);               // e_lfanew
  std::memcpy(&b[0x80], "PE\0\0", 4);
  size_t coff = 0x84;
  put16(b, coff + 0, 0x014C);         // i386
  put16(b, coff + 2, 1);              // one section
  put16(b, coff + 16, 0xE0);          // optional header size
  put16(b, coff + 18, 0x0102);        // executable, 32-bit
  size_t opt = coff + 20;
  put16(b, opt + 0, 0x010B);          // PE32
  put32(b, opt + 16, 0x1000);         // entry point
  put32(b, opt + 28, 0x400000);       // image base
  put32(b, opt + 32, 0x1000);         // section alignment
  put32(b, opt + 36, 0x200);          // file alignment
  put16(b, opt + 40, 4);              // OS version
  put16(b, opt + 48, 4);              // subsystem version
  put32(b, opt + 56, 0x2000);         // image size
  put32(b, opt + 60, 0x200);          // headers size
  put16(b, opt + 68, 2);              // GUI
  put32(b, opt + 92, 16);             // data directories
  size_t sec = opt + 0xE0;
  std::memcpy(&b[sec], ".text", 5);
  put32(b, sec + 8, length - 0x200);  // virtual size
  put32(b, sec + 12, 0x1000);         // virtual address
  put32(b, sec + 16, length - 0x200); // raw size
  put32(b, sec + 20, 0x200);          // raw pointer: ends at `length`
  put32(b, sec + 36, 0x60000020);
  return b;
}

Bytes buildInstaller(const Bytes& stub, const PackageLayout& layout) {
  Bytes out = stub;
  size_t base = out.size();
  out.resize(base + 3176, 0);
  out[base + 0] = layout.presentationKind;
  out[base + 1] = layout.licenseFlag;
  out[base + 2] = layout.runExtraFlag;
  put32(out, base + 16, uint32_t(layout.red));
  put32(out, base + 20, uint32_t(layout.green));
  put32(out, base + 24, uint32_t(layout.blue));
  out[base + 29] = layout.showDesktopFlag;
  std::memcpy(&out[base + 30], layout.title.data(), layout.title.size() < 64 ? layout.title.size() : 64);
  for (int k = 0; k < 11; ++k) {
    const SlotLayout& s = layout.slots[k];
    size_t e = base + 96 + 280 * size_t(k);
    out[e] = uint8_t(s.name.size());
    std::memcpy(&out[e + 1], s.name.data(), s.name.size());
    uint32_t start = 0, end = 0;  // an empty slot: start = end, never read
    if (k == 0) {
      end = uint32_t(base) - 1;  // the installer itself
    } else if (!s.name.empty()) {
      start = uint32_t(out.size());
      out.insert(out.end(), s.payload.begin(), s.payload.end());
      end = start + uint32_t(s.payload.size()) - 1;
    }
    put32(out, e + 256, start);
    put32(out, e + 260, end);
    put32(out, e + 264, uint32_t(s.kind));
    out[e + 268] = s.compressed ? 1 : 0;
    put32(out, e + 272, s.compressed ? uint32_t(s.payload.size()) : 0);
    int32_t expanded = s.expandedSize >= 0 ? s.expandedSize : int32_t(s.payload.size());
    put32(out, e + 276, uint32_t(k == 0 ? int32_t(base) : expanded));
  }
  return out;
}

PackageLayout typicalPackage(const std::string& title, const Bytes& dataFile) {
  PackageLayout p;
  p.presentationKind = 8;
  p.showDesktopFlag = 1;
  p.red = 255;
  p.green = 128;
  p.title = title;
  p.slots[0] = {"install.exe", 6, {}, false, 0};
  p.slots[1] = {"impborl.dat", 3, bytesOf("not really a library"), false, -1};
  p.slots[2] = {"flashax.exe", 3, bytesOf("MZ flash player installer"), false, -1};
  p.slots[3] = {"installer.swf", 5, bytesOf("\xFF\xD8\xFF\xE0 jpeg picture"), false, -1};
  p.slots[6] = {title + ".html", 2, bytesOf("<html><body>" + title + "</body></html>"), false, -1};
  p.slots[8] = {title + ".mvd", 4, dataFile, false, -1};
  p.slots[9] = {"uninstall.exe", 5, bytesOf("MZ uninstaller"), false, -1};
  p.slots[10] = {"", 10, {}, false, 0};
  return p;
}

Bytes buildDataFile(const DataFileLayout& layout) {
  size_t n = layout.entries.size();
  Bytes out(1240 + 264 * n, 0);
  put32(out, 212, uint32_t(layout.entryCount >= 0 ? layout.entryCount : int32_t(n)));
  std::memcpy(&out[248], layout.title.data(), layout.title.size() < 64 ? layout.title.size() : 64);
  put32(out, 1204, uint32_t(layout.movieSource));
  for (size_t i = 0; i < n; ++i) {
    const DataEntryLayout& e = layout.entries[i];
    size_t rec = 1240 + 264 * i;
    uint32_t block = uint32_t(out.size());
    out[rec] = e.kind;
    std::memcpy(&out[rec + 2], e.name.data(), e.name.size() < 255 ? e.name.size() : 255);
    put32(out, rec + 260, block);
    Bytes header(44, 0);
    std::memcpy(&header[0], "CHUN", 4);
    put32(header, 4, e.kind);
    put32(header, 8, uint32_t(e.expandedSize >= 0 ? e.expandedSize : int32_t(e.payload.size())));
    put32(header, 12, uint32_t(e.payload.size()));
    put32(header, 16, e.compressed ? 1 : 0);
    out.insert(out.end(), header.begin(), header.end());
    out.insert(out.end(), e.payload.begin(), e.payload.end());
  }
  return out;
}

}  // namespace mv::test
