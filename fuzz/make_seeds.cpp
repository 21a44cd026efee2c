// Writes the seed corpora of the fuzz targets: small installers, data files, SWF movies and implode
// streams made with the tests' byte-by-byte builders and our own codec, plus the sample files in tests/data.
//   make_seeds <output folder> [<test data folder>]
// Creates <output>/package, datafile, swf, explode and roundtrip.
#include <sys/stat.h>

#include <dirent.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "../tests/flash/render/movie_builder.h"
#include "../tests/flash/render/text_builder.h"
#include "../tests/flash/swf_builder.h"
#include "../tests/package/package_writer.h"
#include "dcl/dcl.h"

using mv::test::Bytes;
using mv::test::bytesOf;

namespace {

std::string g_out;
int g_written = 0;

void put(const std::string& corpus, const std::string& name, const Bytes& bytes) {
  std::string dir = g_out + "/" + corpus;
  mkdir(dir.c_str(), 0755);
  std::ofstream f(dir + "/" + name, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  ++g_written;
}
void put(const std::string& corpus, const std::string& name, const std::string& bytes) {
  put(corpus, name, bytesOf(bytes));
}

Bytes readFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

std::vector<std::string> filesIn(const std::string& dir, const std::string& suffix) {
  std::vector<std::string> out;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      std::string n = e->d_name;
      if (n.size() > suffix.size() && n.compare(n.size() - suffix.size(), suffix.size(), suffix) == 0)
        out.push_back(n);
    }
    closedir(d);
  }
  return out;
}

Bytes implode(const std::string& text, int type = 0, int dict = 4096) {
  return dclImplode(reinterpret_cast<const uint8_t*>(text.data()), text.size(), type, dict);
}

// Text with repeats, so that implode makes copies of every length class.
std::string sampleText(size_t size, int salt) {
  std::string s;
  const char* words[] = {"wallpaper ", "desktop ", "movie ", "Moviva ", "installer\r\n", "<html>", "0123456789"};
  unsigned x = 12345u + unsigned(salt);
  while (s.size() < size) {
    x = x * 1103515245u + 12345u;
    s += words[(x >> 16) % 7];
  }
  s.resize(size);
  return s;
}

mv::test::DataEntryLayout storedEntry(const std::string& name, uint8_t kind, const std::string& content) {
  return {name, kind, bytesOf(content), false, -1};
}
mv::test::DataEntryLayout packedEntry(const std::string& name, uint8_t kind, const std::string& content, int type) {
  return {name, kind, implode(content, type), true, int32_t(content.size())};
}

Bytes sampleDataFile(int variant) {
  mv::test::DataFileLayout d;
  d.title = "Demo";
  switch (variant) {
    case 0:
      d.entries = {packedEntry("Demo.swf", 11, sampleText(300, 1), 0), storedEntry("back.jpg", 0, sampleText(40, 2)),
                   packedEntry("pages\\info.html", 0, sampleText(200, 3), 1)};
      break;
    case 1:
      d.movieSource = 3;
      d.entries = {storedEntry("Demo.swf", 3, ""), storedEntry("copy.swf", 3, ""),
                   storedEntry("empty.txt", 0, "")};
      break;
    case 2:
      d.entries = {packedEntry("sub/dir/a.txt", 0, sampleText(600, 4), 1), storedEntry("b.bin", 5, "\x01\x02\x03")};
      break;
    default:
      break;  // no entries
  }
  return mv::test::buildDataFile(d);
}

void packageSeeds() {
  const Bytes stub = mv::test::peStub(1024);
  mv::test::PackageLayout typical = mv::test::typicalPackage("Demo", sampleDataFile(0));
  put("package", "typical", mv::test::buildInstaller(stub, typical));

  mv::test::PackageLayout packed = typical;
  std::string page = "<html><body>" + sampleText(500, 5) + "</body></html>";
  packed.slots[6] = {"Demo.html", 2, implode(page, 1), true, int32_t(page.size())};
  std::string uninstaller = sampleText(700, 6);
  packed.slots[9] = {"uninstall.exe", 5, implode(uninstaller, 0, 1024), true, int32_t(uninstaller.size())};
  packed.slots[10] = {"readme.txt", 10, implode("further file", 0, 2048), true, 12};
  packed.slots[8] = {"Demo.mvd", 4, sampleDataFile(2), false, -1};
  put("package", "compressed_slots", mv::test::buildInstaller(stub, packed));

  mv::test::PackageLayout flags = typical;
  flags.presentationKind = 2;
  flags.licenseFlag = 1;
  flags.runExtraFlag = 1;
  flags.slots[4] = {"licence.txt", 5, bytesOf("Licence text\r\n"), false, -1};
  flags.slots[5] = {"extra.exe", 1, bytesOf("MZ extra"), false, -1};
  flags.slots[8] = {"Demo.mvd", 4, sampleDataFile(1), false, -1};
  flags.title = std::string(64, 'T');  // a title without terminator
  put("package", "flags_long_title", mv::test::buildInstaller(stub, flags));

  mv::test::PackageLayout small;
  small.title = "X";
  small.slots[0] = {"install.exe", 6, {}, false, 0};
  small.slots[1] = {"impborl.dat", 3, bytesOf("lib"), false, -1};
  put("package", "library_only", mv::test::buildInstaller(stub, small));

  // Integrity record ("MVCK" + CRC-32 of the package with those 8 bytes zero), without the length.
  mv::test::PackageLayout withCrc = typical;
  withCrc.integrity = true;
  withCrc.recordLength = false;
  put("package", "integrity", mv::test::buildInstaller(stub, withCrc));
}

void dataFileSeeds() {
  for (int v = 0; v < 4; ++v) put("datafile", "variant" + std::to_string(v), sampleDataFile(v));
}

// Text fields: an HTML one in an embedded DefineFont3, a plain word-wrapped one in a device font.
void textFieldSeeds() {
  using namespace rendertest;
  EditText html;
  html.fontId = 1;
  html.html = true;
  html.border = true;
  html.layout = true;
  html.leading = 40;
  html.text = "<p align=\"center\"><font face=\"Box\" size=\"+4\" color=\"#FF0000\">A<b>B</b> <u>A</u></font></p>"
              "<textformat indent=\"3\"><p align='justify'>AB &amp; BA<br>*</p></textformat>";
  EditText device;
  device.fontId = 2;
  device.useOutlines = false;
  device.wordWrap = true;
  device.autoSize = true;
  device.password = false;
  device.text = "Hello, world\r\nsecond line that wraps";
  const std::string tags = defineBoxFont(3, 1, "Box", boxGlyphs()) + tag(73, le16(1) + char(0)) +
                           defineDeviceFont(2, "_sans", true) + html.tag(3) + device.tag(4) + place(1, 3) +
                           place(2, 4, Mat::rotated(10, 200, 400));
  put("swf", "render_text_fields", movie(6, 64, 48, tags));
}

// Movies for the renderer: shapes of every kind, a bitmap, text, a sprite, a clipping layer; and the
// independent test movies of tests/data/render.
void renderSeeds(const std::string& data) {
  using namespace rendertest;
  Styles s;
  s.version = 3;
  const int solid = s.solid({200, 40, 40, 180});
  const int grad = s.gradient(true, Mat::scaled(0.05, 0.05, 1000, 1000), {{0, {255, 255, 255}}, {255, {0, 0, 255, 0}}});
  const int bmp = s.bitmap(1, Mat::scaled(20, 20), true, true);
  const int line = s.line(60, {0, 0, 0, 255});
  Records r;
  r.move(100, 100, 0, solid, line).lineTo(900, 100).curveTo(1200, 500, 900, 900).lineTo(100, 100);
  r.move(300, 300, grad, bmp, 0).rectangle(300, 300, 700, 700);
  const std::string bitmap = tag(36, le16(1) + char(5) + le16(2) + le16(2) +
                                      zlibOf(std::string("\xFF\x10\x20\x30\x80\x40\x00\x00\xFF\x00\xFF\x00\x00\x00\x00\x00", 16)));
  Records glyph(1, 0);
  glyph.move(0, -512, -1, 1, -1).rectangle(0, -512, 512, 0);
  const std::string g = glyph.end();
  const std::string font = tag(10, le16(3) + le16(2) + g);
  Bits text;
  text.u16(4).raw(rect(0, 20, 0, 20));
  matrixBits(text, Mat());
  text.u8(1).u8(10).u8(0x8F).u16(3).raw(rgb({0, 0, 0})).u16(100).u16(400).u16(300).u8(2).ub(0, 1).sb(200, 10).ub(0, 1).sb(200, 10);
  text.u8(0);
  Place clip(5, 2);
  clip.matrix(Mat::rotated(20, 400, 400)).clipDepth = 7;
  const std::string sprite = tag(39, le16(5) + le16(1) + place(1, 2, Mat::scaled(0.5, 0.5)) + swftest::showFrame() + swftest::endTag());
  const std::string tags = swftest::bg(10, 20, 30) + bitmap + defineShape(3, 2, s, r) + font + tag(11, text.bytes()) + sprite +
                           place(1, 2) + place(2, 4) + clip.tag() + place(6, 5, Mat::at(200, 0)) + place(8, 2, Mat::rotated(45, 500, 0));
  const std::string m = movie(6, 64, 48, tags);
  put("swf", "render_kinds", m);
  put("swf", "render_kinds_cws", swftest::cwsOf(m));
  if (!data.empty())
    for (const std::string& n : filesIn(data + "/render", ".swf")) put("swf", "render_" + n, readFile(data + "/render/" + n));
  textFieldSeeds();
  // The movies of versions 7 to 10 by other writers: text fields, buttons, morphs, PlaceObject3, DefineShape4.
  if (!data.empty())
    for (const std::string& n : filesIn(data + "/render/preview", ".swf"))
      put("swf", "render_preview_" + n, readFile(data + "/render/preview/" + n));
}

void swfSeeds(const std::string& data) {
  using namespace swftest;
  std::string plain = fws(6, tag(69, std::string(4, '\0')) + bg(1, 2, 3) + tag(12, std::string("ALLOWSCALE\0f", 12)) +
                                 tag(12, std::string("fullScreen\0t", 12)) + showFrame() + endTag());
  put("swf", "fws6_commands", plain);
  put("swf", "cws6_commands", cwsOf(plain));
  put("swf", "fws5_long_tag", fws(5, tag(2, std::string(80, 'x'), true) + bg(9, 8, 7) + endTag()));
  put("swf", "cws6_short_length", cwsOf(fws(6, bg(4, 5, 6) + endTag(), 20)));
  put("swf", "fws3_no_background", fws(3, showFrame() + endTag()));
  renderSeeds(data);
  if (!data.empty())
    for (const std::string& n : filesIn(data + "/swf", ".swf")) put("swf", "data_" + n, readFile(data + "/swf/" + n));
}

void explodeSeeds(const std::string& data) {
  // Byte 0 chooses the delivery of the stream (see explode_fuzzer.cpp); the stream follows.
  auto seed = [](const std::string& name, uint8_t mode, const Bytes& stream) {
    Bytes b{mode};
    b.insert(b.end(), stream.begin(), stream.end());
    put("explode", name, b);
  };
  int n = 0;
  for (int type = 0; type < 2; ++type)
    for (int dict : {1024, 2048, 4096}) {
      seed("implode_" + std::to_string(type) + "_" + std::to_string(dict), uint8_t(n * 37), implode(sampleText(900, n), type, dict));
      ++n;
    }
  seed("zeros", 3, implode(std::string(3000, '\0')));
  seed("empty", 5, implode(""));
  if (!data.empty()) {
    for (const std::string& dir : {std::string("/dcl"), std::string("/dcl/edge")})
      for (const std::string& f : filesIn(data + dir, ".pk")) seed("data_" + f, uint8_t(f.size()), readFile(data + dir + "/" + f));
  }
  // The encoder's round trip: byte 0 chooses mode and dictionary.
  put("roundtrip", "text", std::string(1, '\x05') + sampleText(800, 9));
  put("roundtrip", "binary", std::string(1, '\x02') + std::string("\x00\x01\x02\x03\xFF\xFE", 6) + std::string(300, 'a'));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: make_seeds <output folder> [<test data folder>]\n");
    return 2;
  }
  g_out = argv[1];
  mkdir(g_out.c_str(), 0755);
  const std::string data = argc > 2 ? argv[2] : "";
  packageSeeds();
  dataFileSeeds();
  swfSeeds(data);
  explodeSeeds(data);
  std::printf("make_seeds: %d seeds in %s\n", g_written, g_out.c_str());
  return 0;
}
