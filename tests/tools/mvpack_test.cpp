// The packaging tool against the format, read here byte by byte with offsets written out (not through
// the package code the tool itself uses), and the mvpack program's list, verify and extract on
// installers it built and on installers these tests write themselves.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "builder.h"
#include "dcl/dcl.h"
#include "manifest.h"
#include "package/format.h"
#include "package_writer.h"
#include "mvpack_test_support.h"
#include "util.h"

using namespace mvtest;

namespace {

// ---------------------------------------------------------------- little helpers

std::string cstr(const Bytes& b, size_t at, size_t size) {
  std::string s;
  for (size_t i = 0; i < size && b.at(at + i); ++i) s += char(b[at + i]);
  return s;
}


Bytes randomBytes(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  Bytes b(n);
  for (auto& x : b) x = uint8_t(rng());
  return b;
}
Bytes repetitive(const std::string& head, size_t n) {
  Bytes b(head.begin(), head.end());
  const std::string phrase = "the sea rolls in and the sea rolls out; ";
  while (b.size() < n) b.push_back(uint8_t(phrase[b.size() % phrase.size()]));
  return b;
}







// ---------------------------------------------------------------- the format, read independently

constexpr size_t kDir = 96 + 11 * 280;

struct Slot {
  std::string name;
  int32_t start, end, kind;
  uint8_t compressed;
  int32_t packed, expanded;
};

Slot slotAt(const Bytes& f, size_t offset, int k) {
  const size_t e = offset + 96 + 280 * size_t(k);
  Slot s;
  s.name.assign(reinterpret_cast<const char*>(&f.at(e + 1)), f.at(e));
  s.start = int32_t(le32(f, e + 256));
  s.end = int32_t(le32(f, e + 260));
  s.kind = int32_t(le32(f, e + 264));
  s.compressed = f.at(e + 268);
  s.packed = int32_t(le32(f, e + 272));
  s.expanded = int32_t(le32(f, e + 276));
  return s;
}

Bytes expand(const Bytes& f, const Slot& s) {
  Bytes stored(f.begin() + s.start, f.begin() + s.end + 1);
  if (!s.compressed) return stored;
  Bytes out;
  EXPECT_EQ(dclExplode(stored.data(), stored.size(), out), 0) << s.name;
  return out;
}

// A sample project on disk: every kind of input the manifest names.
struct Project {
  fs::path dir, manifest;
  Bytes stub, library, flash, picture, licence, html, uninstaller;
  Bytes swf, notes, noise, empty;

  explicit Project(const fs::path& root, const std::string& extraLines = "") : dir(root / "project") {
    stub = peImage();
    library = Bytes{'M', 'Z'};
    Bytes libBody = randomBytes(3000, 1);
    library.insert(library.end(), libBody.begin(), libBody.end());
    flash = repetitive("MZ flash", 9000);
    picture = Bytes{0xFF, 0xD8, 0xFF, 0xE0};
    Bytes pic = randomBytes(4000, 2);  // does not shrink: stored, with a packed size above its size
    picture.insert(picture.end(), pic.begin(), pic.end());
    licence = repetitive("Licence\r\n", 2500);
    html = repetitive("<html>", 1800);
    uninstaller = repetitive("MZ uninstall", 7000);
    swf = repetitive("FWS\x06", 20000);
    notes = repetitive("notes", 900);
    noise = randomBytes(5000, 3);
    writeFile(dir / "bin/install.exe", stub);
    writeFile(dir / "bin/impborl.dll", library);
    writeFile(dir / "bin/uninstall.exe", uninstaller);
    writeFile(dir / "flashax-real.exe", flash);
    writeFile(dir / "banner.jpg", picture);
    writeFile(dir / "licence.txt", licence);
    writeFile(dir / "page.html", html);
    writeFile(dir / "content/a-first.bin", noise);
    writeFile(dir / "content/sub/notes.txt", notes);
    writeFile(dir / "content/wave.swf", swf);
    writeFile(dir / "content/zero.txt", empty);
    manifest = dir / "sea.manifest";
    writeText(manifest,
              "# a test package\n"
              "title = Sea Test\n"
              "background = 10 20 30\n"
              "flags = license show-desktop\n"
              "presentation = picture banner.jpg\n"
              "licence = licence.txt\n"
              "html = page.html\n"
              "content = content\n"
              "flash-installer = flashax-real.exe\n"
              "stub = bin/install.exe\n" +
                  extraLines);
  }
};

mvpack::BuildResult build(const Project& p, const fs::path& out, bool integrity = true) {
  mvpack::BuildOptions o;
  o.output = out.string();
  o.integrity = integrity;
  return mvpack::buildInstaller(mvpack::parseManifest(p.manifest.string()), o);
}

// ---------------------------------------------------------------- build, read back byte by byte

TEST(MvpackBuild, PackageMatchesTheFormatByteForByte) {
  TempFolder t;
  Project p(t.path());
  const fs::path out = t.path() / "sea-setup.exe";
  build(p, out);
  const Bytes f = readFile(out);
  const size_t offset = p.stub.size();

  // The stub unchanged but for its PE checksum (the whole installer's), then the header.
  ASSERT_GT(f.size(), offset + kDir);
  Bytes stubPart(f.begin(), f.begin() + offset);
  EXPECT_NE(le32(stubPart, kPeChecksumField), 0u);
  put32(stubPart, kPeChecksumField, 0);
  EXPECT_EQ(stubPart, p.stub);
  EXPECT_EQ(f[offset + 0], 8);  // JPEG picture
  EXPECT_EQ(f[offset + 1], 1);  // license
  EXPECT_EQ(f[offset + 2], 0);  // run-extra
  EXPECT_EQ(le32(f, offset + 16), 10u);
  EXPECT_EQ(le32(f, offset + 20), 20u);
  EXPECT_EQ(le32(f, offset + 24), 30u);
  EXPECT_EQ(f[offset + 29], 1);  // show-desktop
  EXPECT_EQ(cstr(f, offset + 30, 64), "Sea Test");

  // Integrity: "MVCK" and zlib's CRC-32 of the package with those 8 bytes as zero.
  EXPECT_EQ(std::memcmp(&f[offset + 8], "MVCK", 4), 0);
  Bytes zeroed(f.begin() + long(offset), f.end());
  std::memset(zeroed.data() + 8, 0, 8);
  EXPECT_EQ(le32(f, offset + 12), uint32_t(crc32(0, zeroed.data(), uInt(zeroed.size()))));
  // and the package's length in bytes 3..6, which the CRC covers
  EXPECT_EQ(le32(f, offset + 3), uint32_t(f.size() - offset));

  Slot s[11];
  for (int k = 0; k < 11; ++k) s[k] = slotAt(f, offset, k);
  // slot 0: the stub
  EXPECT_EQ(s[0].start, 0);
  EXPECT_EQ(s[0].end, int32_t(offset - 1));
  EXPECT_EQ(s[0].kind, 6);
  EXPECT_EQ(s[0].expanded, int32_t(offset));
  // slot 1: the library, stored as it is, never with a packed size
  EXPECT_EQ(s[1].name, "impborl.dat");
  EXPECT_EQ(s[1].kind, 3);
  EXPECT_EQ(s[1].compressed, 0);
  EXPECT_EQ(s[1].packed, 0);
  EXPECT_EQ(expand(f, s[1]), p.library);
  // slot 2: the Flash Player installer under the name the installer runs
  EXPECT_EQ(s[2].name, "flashax.exe");
  EXPECT_EQ(s[2].kind, 3);
  EXPECT_EQ(s[2].compressed, 1);
  EXPECT_EQ(expand(f, s[2]), p.flash);
  // slot 3: random bytes do not shrink: stored, packed size = the imploded size, larger than the file
  EXPECT_EQ(s[3].name, "installer.jpg");
  EXPECT_EQ(s[3].kind, 5);
  EXPECT_EQ(s[3].compressed, 0);
  EXPECT_GT(s[3].packed, int32_t(p.picture.size()));
  EXPECT_EQ(expand(f, s[3]), p.picture);
  // slots 4 and 6: imploded, packed size = stored size
  EXPECT_EQ(s[4].name, "licence.txt");
  EXPECT_EQ(s[4].compressed, 1);
  EXPECT_EQ(s[4].packed, s[4].end - s[4].start + 1);
  EXPECT_EQ(s[4].expanded, int32_t(p.licence.size()));
  EXPECT_EQ(expand(f, s[4]), p.licence);
  EXPECT_TRUE(s[5].name.empty());
  EXPECT_EQ(s[5].start, s[5].end);
  EXPECT_EQ(s[6].name, "Sea Test.html");
  EXPECT_EQ(s[6].kind, 2);
  EXPECT_EQ(s[6].compressed, 1);
  EXPECT_EQ(expand(f, s[6]), p.html);
  EXPECT_TRUE(s[7].name.empty());
  EXPECT_EQ(s[7].start, s[7].end);
  // slot 9: the uninstaller the uninstall entry points at
  EXPECT_EQ(s[9].name, "uninstall.exe");
  EXPECT_EQ(s[9].kind, 5);
  EXPECT_EQ(expand(f, s[9]), p.uninstaller);
  // slot 10: empty, kind 10, start 0, end 0
  EXPECT_TRUE(s[10].name.empty());
  EXPECT_EQ(s[10].kind, 10);
  EXPECT_EQ(s[10].start, 0);
  EXPECT_EQ(s[10].end, 0);

  // Payloads follow the directory without gaps, in slot order, and the file ends with the last one.
  int64_t next = int64_t(offset + kDir);
  for (int k = 1; k < 11; ++k) {
    if (s[k].name.empty()) continue;
    EXPECT_EQ(s[k].start, next) << "slot " << k;
    next = int64_t(s[k].end) + 1;
  }
  EXPECT_EQ(next, int64_t(f.size()));

  // slot 8: the data file, stored; its records and "CHUN" blocks
  EXPECT_EQ(s[8].name, "Sea Test.mvd");
  EXPECT_EQ(s[8].kind, 4);
  EXPECT_EQ(s[8].compressed, 0);
  const Bytes d = expand(f, s[8]);
  ASSERT_GE(d.size(), 1240u);
  EXPECT_EQ(le32(d, 212), 4u);
  EXPECT_EQ(cstr(d, 248, 64), "Sea Test");
  EXPECT_EQ(le32(d, 1204), 0u);
  // The first SWF leads (the main file), the rest in name order, sub-folders with "\".
  const std::vector<std::pair<std::string, const Bytes*>> expected = {
      {"wave.swf", &p.swf}, {"a-first.bin", &p.noise}, {"sub\\notes.txt", &p.notes}, {"zero.txt", &p.empty}};
  size_t blockAt = 1240 + 264 * 4;
  for (size_t i = 0; i < expected.size(); ++i) {
    const size_t r = 1240 + 264 * i;
    SCOPED_TRACE(expected[i].first);
    EXPECT_EQ(cstr(d, r + 2, 256), expected[i].first);
    EXPECT_EQ(le32(d, r + 260), blockAt);
    const size_t b = le32(d, r + 260);
    EXPECT_EQ(std::memcmp(&d.at(b), "CHUN", 4), 0);
    const uint32_t expandedSize = le32(d, b + 8), storedSize = le32(d, b + 12), compressed = le32(d, b + 16);
    EXPECT_EQ(expandedSize, expected[i].second->size());
    for (size_t z = 20; z < 44; ++z) EXPECT_EQ(d.at(b + z), 0);
    Bytes payload(d.begin() + long(b + 44), d.begin() + long(b + 44 + (compressed ? storedSize : expandedSize)));
    if (compressed) {
      EXPECT_LT(storedSize, expandedSize);
      Bytes out;
      EXPECT_EQ(dclExplode(payload.data(), payload.size(), out), 0);
      EXPECT_EQ(out, *expected[i].second);
      EXPECT_EQ(payload[0], 0x00);  // binary literals
      EXPECT_EQ(payload[1], 0x06);  // 4,096-byte dictionary
    } else {
      EXPECT_EQ(payload, *expected[i].second);
    }
    blockAt = b + 44 + payload.size();
  }
  EXPECT_EQ(blockAt, d.size());
  EXPECT_EQ(le32(d, 1240 + 264 * 1 + 260) - 1240 - 264 * 4, 44 + le32(d, 1240 + 264 * 4 + 12));
}

TEST(MvpackBuild, SilentPackageWithoutIntegrityAndWithExtraFile) {
  TempFolder t;
  Project p(t.path());
  writeText(p.dir / "readme.txt", "read me\r\n");
  writeText(p.manifest,
            "title = Quiet\nflags = run-extra\npresentation = silent\nextra = readme.txt\nhtml = page.html\n"
            "content = content\nmain = sub/notes.txt\nflash-installer = flashax-real.exe\nstub = bin/install.exe\n");
  const fs::path out = t.path() / "quiet.exe";
  build(p, out, false);
  const Bytes f = readFile(out);
  const size_t offset = p.stub.size();
  EXPECT_EQ(f[offset], 4);
  EXPECT_EQ(f[offset + 2], 1);
  for (int i = 8; i < 16; ++i) EXPECT_EQ(f[offset + i], 0) << "header byte " << i;
  EXPECT_TRUE(slotAt(f, offset, 3).name.empty());
  EXPECT_EQ(slotAt(f, offset, 5).name, "readme.txt");
  const Bytes d = expand(f, slotAt(f, offset, 8));
  EXPECT_EQ(cstr(d, 1240 + 2, 256), "sub\\notes.txt");  // main = ... comes first
}

TEST(MvpackBuild, RefusesWhatWouldMakeABrokenInstaller) {
  TempFolder t;
  Project p(t.path());
  const fs::path out = t.path() / "x.exe";

  // A stub with data after its image: the installer would look for its package in the wrong place.
  Bytes appended = p.stub;
  appended.push_back(0);
  writeFile(p.dir / "bin/install.exe", appended);
  ToolRun r = runMvpack("build " + q(p.manifest) + " -o " + q(out));
  EXPECT_EQ(r.code, 1) << r.output;
  EXPECT_NE(r.output.find("install.exe: its executable image ends at byte 1,536 but the file is 1,537"),
            std::string::npos) << r.output;
  EXPECT_FALSE(fs::exists(out));
  writeText(p.dir / "bin/install.exe", "not a program");
  r = runMvpack("build " + q(p.manifest) + " -o " + q(out));
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.output.find("not a Windows executable"), std::string::npos) << r.output;
  writeFile(p.dir / "bin/install.exe", p.stub);

  // Manifest mistakes name the file and the line.
  auto refused = [&](const std::string& manifest, const std::string& message) {
    writeText(p.dir / "bad.manifest", manifest);
    ToolRun run = runMvpack("build " + q(p.dir / "bad.manifest") + " -o " + q(out));
    EXPECT_EQ(run.code, 1) << manifest;
    EXPECT_NE(run.output.find(message), std::string::npos) << run.output;
    EXPECT_FALSE(fs::exists(out));
  };
  refused("title = A\ncolour = 1 2 3\n", "bad.manifest:2: unknown key \"colour\"");
  refused("title = A\n\nbackground = 1 2 300\n", "bad.manifest:3: background: 300 is more than 255");
  refused("title = A\ntitle = B\n", "bad.manifest:2: \"title\" given twice (first on line 1)");
  refused("title = A\nflags = license\npresentation = none\nhtml = page.html\ncontent = content\nstub = bin/install.exe\n",
          "flag license is set but no \"licence =\" file is given");
  refused("title = A/B\npresentation = none\nhtml = page.html\ncontent = content\nstub = bin/install.exe\n",
          "cannot be a folder name");
  refused("title = A\npresentation = picture licence.txt\nhtml = page.html\ncontent = content\nstub = bin/install.exe\n",
          "neither a BMP nor a JPEG");
  refused("title = A\npresentation = none\nhtml = missing.html\ncontent = content\nstub = bin/install.exe\n",
          "missing.html: cannot open: No such file or directory");

  // More content files than the data file's table holds.
  for (int i = 0; i < 110; ++i) writeText(p.dir / "many" / ("f" + std::to_string(i) + ".txt"), "x");
  refused("title = A\npresentation = none\nhtml = page.html\ncontent = many\nstub = bin/install.exe\n",
          "110 files, but the Moviva data file holds at most 109");
}

TEST(MvpackBuild, NamesBecomeWindowsTextAndComeBackAsUtf8) {
  TempFolder t;
  Project p(t.path());
  writeText(p.dir / "content" / "cr\xC3\xA8me \xE2\x82\xAC.txt", "cream");  // "crème €.txt" in UTF-8
  writeText(p.manifest, "title = Oc\xC3\xA9" "an\npresentation = none\nhtml = page.html\ncontent = content\n"
                        "flash-installer = flashax-real.exe\nstub = bin/install.exe\n");
  const fs::path out = t.path() / "o.exe";
  build(p, out);
  const Bytes f = readFile(out);
  const size_t offset = p.stub.size();
  EXPECT_EQ(cstr(f, offset + 30, 64), "Oc\xE9" "an");  // Windows-1252
  EXPECT_EQ(slotAt(f, offset, 6).name, "Oc\xE9" "an.html");
  const Bytes d = expand(f, slotAt(f, offset, 8));
  bool found = false;
  for (size_t i = 0; i < le32(d, 212); ++i) found |= cstr(d, 1240 + 264 * i + 2, 256) == "cr\xE8me \x80.txt";
  EXPECT_TRUE(found);

  ToolRun r = runMvpack("list " + q(out));
  EXPECT_NE(r.output.find("title: \"Oc\xC3\xA9" "an\""), std::string::npos) << r.output;
  r = runMvpack("extract " + q(out) + " -o " + q(t.path() / "x"));
  EXPECT_EQ(r.code, 0) << r.output;
  EXPECT_EQ(readFile(t.path() / "x" / "content" / "cr\xC3\xA8me \xE2\x82\xAC.txt"), text("cream"));
  EXPECT_TRUE(fs::exists(t.path() / "x" / "slots" / "Oc\xC3\xA9" "an.html"));

  // What Windows cannot hold or create is refused before anything is written.
  fs::remove(out);
  writeText(p.manifest, "title = \xE6\x97\xA5\npresentation = none\nhtml = page.html\ncontent = content\n"
                        "stub = bin/install.exe\n");
  r = runMvpack("build " + q(p.manifest) + " -o " + q(out));
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.output.find("has characters that Windows-1252 cannot hold"), std::string::npos) << r.output;
  writeText(p.manifest, "title = A\npresentation = none\nhtml = page.html\ncontent = content\nstub = bin/install.exe\n");
  writeText(p.dir / "content" / "\xD0\x94\xD0\xBC\xD0\xB8\xD1\x82\xD1\x80\xD0\xB8\xD0\xB9.txt", "x");  // Cyrillic
  r = runMvpack("build " + q(p.manifest) + " -o " + q(out));
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.output.find("\xD0\x94\xD0\xBC\xD0\xB8\xD1\x82\xD1\x80\xD0\xB8\xD0\xB9.txt\" has characters that "
                          "Windows-1252 cannot hold"),
            std::string::npos)
      << r.output;
  fs::remove(p.dir / "content" / "\xD0\x94\xD0\xBC\xD0\xB8\xD1\x82\xD1\x80\xD0\xB8\xD0\xB9.txt");
  // Letters beyond ASCII differ in case too: Windows would write both to one file.
  writeText(p.dir / "content" / "CR\xC3\x88ME \xE2\x82\xAC.txt", "CREAM");
  r = runMvpack("build " + q(p.manifest) + " -o " + q(out));
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.output.find("differ only in letter case"), std::string::npos) << r.output;
  fs::remove(p.dir / "content" / "CR\xC3\x88ME \xE2\x82\xAC.txt");
  EXPECT_FALSE(fs::exists(out));
  writeText(p.dir / "content" / "sub" / "Con.txt", "device");
  writeText(p.manifest, "title = A\npresentation = none\nhtml = page.html\ncontent = content\nstub = bin/install.exe\n");
  r = runMvpack("build " + q(p.manifest) + " -o " + q(out));
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.output.find("Con.txt: Windows cannot create a file of that name"), std::string::npos) << r.output;
  EXPECT_FALSE(fs::exists(out));
}

// ---------------------------------------------------------------- list, verify, extract

// A foreign packer's work: one imploded and one stored data file entry, leftover bytes after the slot
// names, empty slots at 0, and no integrity record.
Bytes foreignInstaller(const Bytes& stub, const std::string& entry2Name = "pics\\sky.jpg",
                       const std::string& slot4Name = "") {
  const Bytes movie = repetitive("FWS\x06", 6000);
  mv::test::DataFileLayout data;
  data.title = "Foreign Sea";
  data.entries.push_back({"movie.swf", 0, dclImplode(movie.data(), movie.size(), 0, 2048), true, int32_t(movie.size())});
  data.entries.push_back({entry2Name, 11, randomBytes(700, 9), false, -1});
  mv::test::PackageLayout p;
  p.presentationKind = 2;  // movie
  p.red = 255;
  p.green = 128;
  p.title = "Foreign Sea";
  p.nameFill = 'Z';  // leftovers after the name, which only the name length bounds
  p.slots = {{{"install.exe", 6, {}}, {"impborl.dat", 3, text("MZ lib")}, {"flashax.exe", 3, text("MZ fl")},
              {"installer.swf", 5, movie}, {slot4Name, 5, text("licence")}, {"", 5, {}},
              {"Foreign Sea.html", 2, text("<html>foreign</html>")}, {"", 5, {}},
              {"Foreign Sea.mvd", 4, mv::test::buildDataFile(data)}, {"uninstall.exe", 5, text("MZ un")}, {"", 10, {}}}};
  return mv::test::buildInstaller(stub, p);
}

TEST(MvpackList, ListsAnInstallerWrittenByTheTests) {
  TempFolder t;
  const fs::path in = t.path() / "foreign.exe";
  writeFile(in, foreignInstaller(peImage(0x400)));
  ToolRun r = runMvpack("list " + q(in));
  ASSERT_EQ(r.code, 0) << r.output;
  const char* lines[] = {
      "package at 1,024 (end of the executable image)",
      "header: presentation 2 (Flash movie), license 0, run-extra 0, show-desktop 0, background 255 128 0",
      "title: \"Foreign Sea\"",
      "integrity: none recorded",
      "   0    6   no            0        1,023        1,024            0        1,024  \"install.exe\"",
      "   1    3   no        4,200        4,205            6            0            6  \"impborl.dat\"",
      "   7    5   no            0            0            -            0            0  (empty)",
      "  10   10   no            0            0            -            0            0  (empty)",
      "data file \"Foreign Sea.mvd\": 2 entries, title \"Foreign Sea\", movie source 0",
      "   2   11        ",
      "\"pics\\sky.jpg\"",
      "  no          700          700  \"pics\\sky.jpg\"",
  };
  for (const char* line : lines) EXPECT_NE(r.output.find(line), std::string::npos) << line << "\n" << r.output;
  EXPECT_NE(r.output.find("yes"), std::string::npos);  // the imploded movie entry
  EXPECT_NE(r.output.find("   1    0 "), std::string::npos) << r.output;
}

TEST(MvpackVerify, AcceptsSoundInstallersOursOrNot) {
  TempFolder t;
  Project p(t.path());
  build(p, t.path() / "ours.exe");
  ToolRun r = runMvpack("verify " + q(t.path() / "ours.exe"));
  EXPECT_EQ(r.code, 0) << r.output;
  EXPECT_NE(r.output.find("integrity record: CRC-32 0x"), std::string::npos);
  EXPECT_NE(r.output.find("data file: 4 of 4 entries ok"), std::string::npos) << r.output;

  writeFile(t.path() / "foreign.exe", foreignInstaller(peImage(0x400)));
  r = runMvpack("verify " + q(t.path() / "foreign.exe"));
  EXPECT_EQ(r.code, 0) << r.output;
  EXPECT_NE(r.output.find("no integrity record"), std::string::npos) << r.output;
}

TEST(MvpackVerify, FindsAFlippedByteInACompressedSlot) {
  TempFolder t;
  Project p(t.path());
  const fs::path out = t.path() / "flip.exe";

  // With the integrity record any flipped byte shows, even one that leaves a stream well-formed.
  build(p, out, true);
  Bytes f = readFile(out);
  Slot html = slotAt(f, p.stub.size(), 6);
  ASSERT_EQ(html.compressed, 1);
  f[size_t(html.start + (html.end - html.start) / 2)] ^= 0x10;
  writeFile(out, f);
  ToolRun r = runMvpack("verify " + q(out));
  EXPECT_EQ(r.code, 3) << r.output;
  EXPECT_NE(r.output.find("DAMAGED: integrity record: the package's CRC-32 is"), std::string::npos) << r.output;
  // The PE checksum over the whole file fails with it.
  EXPECT_NE(r.output.find(": damaged (2 problems): integrity record"), std::string::npos) << r.output;

  // Without it, the expansion itself: a damaged stream header, and a stream cut before its end code.
  build(p, out, false);
  f = readFile(out);
  html = slotAt(f, p.stub.size(), 6);
  f[size_t(html.start + 1)] ^= 0x10;  // dictionary size code 6 becomes 22
  writeFile(out, f);
  r = runMvpack("verify " + q(out));
  EXPECT_EQ(r.code, 3) << r.output;
  EXPECT_NE(r.output.find("DAMAGED: slot 6 (HTML page, \"Sea Test.html\"): the imploded stream is damaged (bad "
                          "dictionary size in the stream header)"),
            std::string::npos)
      << r.output;

  build(p, out, false);
  f = readFile(out);
  const Slot unin = slotAt(f, p.stub.size(), 9);
  f[size_t(unin.end)] = 0;  // the last byte holds the end code's final bits
  f[size_t(unin.end - 1)] = 0;
  writeFile(out, f);
  r = runMvpack("verify " + q(out));
  EXPECT_EQ(r.code, 3) << r.output;
  EXPECT_NE(r.output.find("DAMAGED: slot 9 (uninstaller, \"uninstall.exe\"): "), std::string::npos) << r.output;
}

// What a code-signing tool does to an installer: the file padded to 8 bytes, a certificate table
// appended (WIN_CERTIFICATE: length, revision 2.0, PKCS#7 type, then the signature's bytes), the
// optional header's security entry pointing at it and its PE checksum computed again over the whole file.
void signLikeACodeSigningTool(Bytes& f) {
  while (f.size() % 8) f.push_back(0);
  const size_t table = f.size();
  Bytes certificate = {0, 0, 0, 0, 0x00, 0x02, 0x02, 0x00};
  for (int i = 0; i < 1016; ++i) certificate.push_back(uint8_t(i * 13));
  put32(certificate, 0, uint32_t(certificate.size()));
  f.insert(f.end(), certificate.begin(), certificate.end());
  const size_t optional = le32(f, 0x3C) + 24;
  put32(f, optional + 92, 16);  // NumberOfRvaAndSizes
  put32(f, optional + 96 + 4 * 8, uint32_t(table));
  put32(f, optional + 96 + 4 * 8 + 4, uint32_t(certificate.size()));
  put32(f, optional + 64, mv::peChecksumOf(f.data(), f.size()));  // CheckSum
}

TEST(MvpackVerify, SignedInstallersAreSoundAndSaySo) {
  TempFolder t;
  Project p(t.path());
  const fs::path out = t.path() / "signed.exe";
  build(p, out);
  Bytes f = readFile(out);
  const size_t packageEnd = f.size();
  signLikeACodeSigningTool(f);
  writeFile(out, f);
  ToolRun r = runMvpack("verify " + q(out));
  EXPECT_EQ(r.code, 0) << r.output;
  EXPECT_NE(r.output.find("integrity record: CRC-32 0x"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("signed: certificate table of 1,024 bytes at " + mvpack::withCommas(int64_t(f.size() - 1024))),
            std::string::npos)
      << r.output;
  r = runMvpack("list " + q(out));
  EXPECT_EQ(r.code, 0) << r.output;
  EXPECT_NE(r.output.find("signature: signed: certificate table of 1,024 bytes"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("package " + mvpack::withCommas(int64_t(packageEnd - p.stub.size())) + " bytes (matches)"),
            std::string::npos)
      << r.output;

  // A changed package byte still shows; a changed certificate byte is not the package's business, but the
  // PE checksum covers it.
  Bytes changed = f;
  changed[packageEnd - 10] ^= 0x01;
  writeFile(out, changed);
  r = runMvpack("verify " + q(out));
  EXPECT_EQ(r.code, 3) << r.output;
  EXPECT_NE(r.output.find("DAMAGED: integrity record: the package's CRC-32 is"), std::string::npos) << r.output;
  changed = f;
  changed[f.size() - 10] ^= 0x01;
  writeFile(out, changed);
  r = runMvpack("verify " + q(out));
  EXPECT_EQ(r.code, 3) << r.output;
  EXPECT_NE(r.output.find("damaged (1 problem): PE checksum"), std::string::npos) << r.output;

  // Unsigned: said so.
  build(p, out);
  r = runMvpack("list " + q(out));
  EXPECT_NE(r.output.find("signature: none (not signed)"), std::string::npos) << r.output;
}

TEST(MvpackVerify, SigningBreaksARecordWithoutTheLength) {
  // An installer from a packer before the length: its record covers the file to the end.
  TempFolder t;
  Project p(t.path());
  const fs::path out = t.path() / "old.exe";
  build(p, out);
  Bytes f = readFile(out);
  const size_t offset = p.stub.size();
  put32(f, kPeChecksumField, 0);  // nor the PE checksum
  put32(f, offset + 3, 0);
  std::memset(&f[offset + 8], 0, 8);
  const uint32_t crc = uint32_t(crc32(0, f.data() + offset, uInt(f.size() - offset)));
  std::memcpy(&f[offset + 8], "MVCK", 4);
  put32(f, offset + 12, crc);
  writeFile(out, f);
  ToolRun r = runMvpack("verify " + q(out));
  EXPECT_EQ(r.code, 0) << r.output;
  EXPECT_NE(r.output.find("(to the end of the file)"), std::string::npos) << r.output;

  signLikeACodeSigningTool(f);
  writeFile(out, f);
  r = runMvpack("verify " + q(out));
  EXPECT_EQ(r.code, 3) << r.output;
  EXPECT_NE(r.output.find("build the installer with a newer mvpack before signing it"), std::string::npos) << r.output;
}

TEST(MvpackVerify, FindsATruncatedInstaller) {
  TempFolder t;
  Project p(t.path());
  const fs::path out = t.path() / "cut.exe";
  build(p, out, false);
  Bytes f = readFile(out);
  f.resize(f.size() - 100);
  writeFile(out, f);
  ToolRun r = runMvpack("verify " + q(out));
  EXPECT_EQ(r.code, 3) << r.output;
  EXPECT_NE(r.output.find("slot 9 (uninstaller, \"uninstall.exe\"): ends at byte"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("the installer is truncated"), std::string::npos);

  // Cut inside the directory: nothing but the verdict can be read.
  f.resize(p.stub.size() + 1000);
  writeFile(out, f);
  r = runMvpack("verify " + q(out));
  EXPECT_EQ(r.code, 3) << r.output;
  EXPECT_NE(r.output.find("before the end of the 3,176-byte package directory"), std::string::npos) << r.output;
  r = runMvpack("list " + q(out));
  EXPECT_EQ(r.code, 3);
  EXPECT_NE(r.output.find("truncated"), std::string::npos) << r.output;
}

TEST(MvpackExtract, WritesOnlySafeNamesInsideTheFolder) {
  TempFolder t;
  const fs::path in = t.path() / "hostile.exe";
  writeFile(in, foreignInstaller(peImage(0x400), "..\\..\\escaped.txt", "..\\slot-escaped.txt"));
  const fs::path outDir = t.path() / "deep" / "out";
  ToolRun r = runMvpack("extract " + q(in) + " -o " + q(outDir));
  EXPECT_EQ(r.code, 3) << r.output;
  EXPECT_NE(r.output.find("slot 4 (licence, \"..\\slot-escaped.txt\"): not a plain file name"), std::string::npos)
      << r.output;
  EXPECT_NE(r.output.find("the name leads outside the content folder, not extracted"), std::string::npos) << r.output;
  EXPECT_FALSE(fs::exists(t.path() / "escaped.txt"));
  EXPECT_FALSE(fs::exists(t.path() / "deep" / "escaped.txt"));
  EXPECT_FALSE(fs::exists(t.path() / "deep" / "slot-escaped.txt"));
  EXPECT_TRUE(fs::exists(outDir / "content" / "movie.swf"));
  EXPECT_EQ(readFile(outDir / "slots" / "Foreign Sea.html"), text("<html>foreign</html>"));

  // A folder with something in it is left alone without --force.
  r = runMvpack("extract " + q(in) + " -o " + q(outDir));
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.output.find("the folder is not empty"), std::string::npos) << r.output;
}

TEST(MvpackExtract, ExtractedManifestBuildsTheSameInstaller) {
  TempFolder t;
  Project p(t.path());
  const fs::path first = t.path() / "first.exe", second = t.path() / "second.exe";
  build(p, first);
  ToolRun r = runMvpack("extract " + q(first) + " -o " + q(t.path() / "x"));
  ASSERT_EQ(r.code, 0) << r.output;
  EXPECT_EQ(readFile(t.path() / "x" / "content" / "sub" / "notes.txt"), p.notes);
  r = runMvpack("build " + q(t.path() / "x" / "manifest.txt") + " -o " + q(second));
  ASSERT_EQ(r.code, 0) << r.output;
  EXPECT_TRUE(readFile(first) == readFile(second));
}

TEST(MvpackCli, UsageErrorsAndHelp) {
  ToolRun r = runMvpack("");
  EXPECT_EQ(r.code, 2);
  r = runMvpack("pack x");
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.output.find("unknown command \"pack\""), std::string::npos);
  r = runMvpack("verify");
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.output.find("missing INSTALLER"), std::string::npos);
  r = runMvpack("list /nonexistent/setup.exe");
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.output.find("/nonexistent/setup.exe: cannot open: No such file or directory"), std::string::npos);
  for (const char* cmd : {"build", "list", "verify", "extract"}) {
    r = runMvpack(std::string(cmd) + " --help");
    EXPECT_EQ(r.code, 0) << cmd;
    EXPECT_NE(r.output.find(std::string("usage: mvpack ") + cmd), std::string::npos) << cmd;
  }
}

}  // namespace
