// What authors run into with mvpack build, list and verify: names and titles Windows cannot create, an
// output that is one of the build's own inputs, licences in UTF-8, pictures the installer will not show,
// content whose still wallpaper users would not get, the messages for folders where files belong and for
// manifests in UTF-16, and what preview refuses.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "builder.h"
#include "examine.h"
#include "manifest.h"
#include "movie_builder.h"
#include "mvpack_test_support.h"
#include "support/text_encoding.h"
#include "util.h"

using namespace mvtest;

namespace {

// ---------------------------------------------------------------- helpers

bool contains(const std::string& haystack, const std::string& needle) {
  return haystack.find(needle) != std::string::npos;
}

// A JPEG's markers up to its first scan: APP0, then a baseline frame header declaring the size.
Bytes jpegOfSize(unsigned width, unsigned height) {
  Bytes b = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
  const Bytes frame = {0xFF, 0xC0, 0x00, 0x11, 0x08, uint8_t(height >> 8), uint8_t(height), uint8_t(width >> 8),
                       uint8_t(width), 3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1};
  b.insert(b.end(), frame.begin(), frame.end());
  const Bytes scan = {0xFF, 0xDA, 0x00, 0x08, 1, 1, 0, 0, 0x3F, 0, 0x12, 0x34, 0xFF, 0xD9};
  b.insert(b.end(), scan.begin(), scan.end());
  return b;
}

// A 16 x 8 baseline JPEG that decodes whole (ImageMagick's, blue).
const std::string kSmallJpeg(
    "\xff\xd8\xff\xe0\x00\x10\x4a\x46\x49\x46\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00\xff\xdb\x00\x43\x00\x10"
    "\x0b\x0c\x0e\x0c\x0a\x10\x0e\x0d\x0e\x12\x11\x10\x13\x18\x28\x1a\x18\x16\x16\x18\x31\x23\x25\x1d\x28\x3a"
    "\x33\x3d\x3c\x39\x33\x38\x37\x40\x48\x5c\x4e\x40\x44\x57\x45\x37\x38\x50\x6d\x51\x57\x5f\x62\x67\x68\x67"
    "\x3e\x4d\x71\x79\x70\x64\x78\x5c\x65\x67\x63\xff\xdb\x00\x43\x01\x11\x12\x12\x18\x15\x18\x2f\x1a\x1a\x2f"
    "\x63\x42\x38\x42\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63"
    "\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63\x63"
    "\x63\x63\xff\xc0\x00\x11\x08\x00\x08\x00\x10\x03\x01\x22\x00\x02\x11\x01\x03\x11\x01\xff\xc4\x00\x15\x00"
    "\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x05\xff\xc4\x00\x14\x10\x01\x00\x00"
    "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\xff\xc4\x00\x14\x01\x01\x00\x00\x00\x00\x00\x00"
    "\x00\x00\x00\x00\x00\x00\x00\x00\x00\x05\xff\xc4\x00\x14\x11\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
    "\x00\x00\x00\x00\x00\x00\xff\xda\x00\x0c\x03\x01\x00\x02\x11\x03\x11\x00\x3f\x00\x92\x01\x41\xcf\xff\xd9",
    286);

// A BMP's file header and 40-byte info header, with 16 bytes of pixels (whole or not: `pixels` more).
Bytes bmpOfSize(int32_t width, int32_t height, size_t pixels = 0) {
  Bytes b(54 + 16 + pixels, 0);
  b[0] = 'B', b[1] = 'M';
  put32(b, 2, uint32_t(b.size()));
  put32(b, 10, 54);
  put32(b, 14, 40);
  put32(b, 18, uint32_t(width));
  put32(b, 22, uint32_t(height));
  b[26] = 1, b[28] = 24;
  return b;
}





// A small project: stub, library and uninstaller beside each other, a page, a picture, a licence and
// two content files. `lines` replace or add manifest lines.
struct Project {
  fs::path dir, manifest;
  explicit Project(const fs::path& root) : dir(root / "project"), manifest(dir / "sea.manifest") {
    writeFile(dir / "bin/install.exe", peImage());
    writeText(dir / "bin/impborl.dll", "MZ library");
    writeText(dir / "bin/uninstall.exe", "MZ uninstaller");
    writeText(dir / "flashax.exe", "MZ flash");
    writeText(dir / "page.html", "<html>sea</html>");
    writeText(dir / "banner.jpg", kSmallJpeg);
    writeText(dir / "licence.txt", "Licence\r\n");
    writeText(dir / "content/wave.swf", "FWS\x06 the sea rolls in");
    writeText(dir / "content/notes.txt", "notes");
    setManifest("");
  }
  std::string manifestText(const std::string& title = "Sea Test") const {
    return "title = " + title +
           "\nflags = license\npresentation = picture banner.jpg\nlicence = licence.txt\nhtml = page.html\n"
           "content = content\nflash-installer = flashax.exe\nstub = bin/install.exe\n";
  }
  void setManifest(const std::string& extra, const std::string& title = "Sea Test") const {
    writeText(manifest, manifestText(title) + extra);
  }
  // The manifest with one key's value replaced (or the line added).
  void setLine(const std::string& key, const std::string& value) const {
    std::string m = manifestText();
    const size_t at = m.find("\n" + key + " = ");
    if (at == std::string::npos) m += key + " = " + value + "\n";
    else m.replace(at + key.size() + 4, m.find('\n', at + 1) - (at + key.size() + 4), value);
    writeText(manifest, m);
  }
};

mvpack::BuildResult build(const Project& p, const fs::path& out, bool integrity = true) {
  mvpack::BuildOptions o;
  o.output = out.string();
  o.integrity = integrity;
  return mvpack::buildInstaller(mvpack::parseManifest(p.manifest.string()), o);
}

// The ToolError text of a build that must fail ("" when it succeeds).
std::string refusal(const Project& p, const fs::path& out) {
  try {
    build(p, out);
  } catch (const mvpack::ToolError& e) {
    return e.what();
  }
  return "";
}

Bytes slotOf(const fs::path& installer, int k) {
  mvpack::InstallerImage image = mvpack::InstallerImage::load(installer.string());
  Bytes out;
  std::string problem;
  EXPECT_TRUE(image.readSlot(k, out, problem)) << problem;
  return out;
}

// Replaces the one occurrence of `from` in the file by `to` (same length): a name the tool would refuse,
// put into an installer it built (without the integrity record, which the change would break).
void patchName(const fs::path& file, const std::string& from, const std::string& to) {
  ASSERT_EQ(from.size(), to.size());
  Bytes b = readFile(file);
  auto at = std::search(b.begin(), b.end(), from.begin(), from.end());
  ASSERT_NE(at, b.end()) << from;
  ASSERT_EQ(std::search(at + 1, b.end(), from.begin(), from.end()), b.end()) << from << " occurs twice";
  std::copy(to.begin(), to.end(), at);
  writeFile(file, b);
}

// The build's warnings, one a line: all of them, or those that mention `about`.
std::string warningsOf(const Project& p, const fs::path& out, const std::string& about = "") {
  std::string all;
  for (const std::string& w : build(p, out).warnings)
    if (contains(w, about)) all += w + "\n";
  return all;
}

// The build's warnings with `picture` as the installer window's picture.
std::string pictureWarnings(const Project& p, const fs::path& out, const Bytes& picture, const char* name) {
  writeFile(p.dir / name, picture);
  p.setLine("presentation", std::string("picture ") + name);
  return warningsOf(p, out);
}

// ---------------------------------------------------------------- names Windows cannot create

TEST(MvpackAuthoringNames, CharactersWindowsRefusesAreRefusedByNameAndCharacter) {
  TempFolder t("mvpack-authoring");
  Project p(t.path());
  const fs::path out = t.path() / "setup.exe";
  const std::pair<std::string, std::string> cases[] = {
      {"what?.txt", "the character \"?\""}, {"star*.txt", "the character \"*\""}, {"pipe|.txt", "the character \"|\""},
      {"say\"hi\".txt", "the character '\"'"}, {"a<b.txt", "the character \"<\""}, {"a>b.txt", "the character \">\""},
      {"tab\x01.txt", "the control character 0x01"}, {"sub?dir/inner.txt", "the character \"?\""}};
  for (const auto& [name, character] : cases) {
    writeText(p.dir / "content" / name, "x");
    const std::string message = refusal(p, out);
    const std::string file = (p.dir / "content" / name).string();
    EXPECT_TRUE(contains(message, "content file " + file + ": Windows cannot create a file of that name")) << message;
    EXPECT_TRUE(contains(message, character)) << message;
    EXPECT_FALSE(fs::exists(out)) << name;
    fs::remove_all(p.dir / "content" / fs::path(name).begin()->string());
  }
  // The licence and the extra file keep their own names in the content folder.
  writeText(p.dir / "lic|ence.txt", "Licence");
  p.setLine("licence", "lic|ence.txt");
  const std::string message = refusal(p, out);
  EXPECT_TRUE(contains(message, "lic|ence.txt: Windows cannot create a file of that name")) << message;
  EXPECT_TRUE(contains(message, "the character \"|\"")) << message;
}

TEST(MvpackAuthoringNames, VerifyAndListReportNamesTheInstallerCannotWrite) {
  TempFolder t("mvpack-authoring");
  Project p(t.path());
  const fs::path setup = t.path() / "setup.exe";
  build(p, setup, false);
  ASSERT_EQ(runMvpack("verify " + q(setup)).code, 0);

  patchName(setup, "wave.swf", "wa?e.swf");  // a data file record
  ToolRun r = runMvpack("verify " + q(setup));
  EXPECT_EQ(r.code, 3) << r.output;
  EXPECT_TRUE(contains(r.output, "(\"wa?e.swf\"): Windows cannot create a file of that name: \"wa?e.swf\" holds "
                                 "the character \"?\"")) << r.output;
  r = runMvpack("list " + q(setup));
  EXPECT_TRUE(contains(r.output, "\"wa?e.swf\"  <- \"wa?e.swf\" holds the character \"?\"")) << r.output;
  r = runMvpack("extract " + q(setup) + " -o " + q(t.path() / "x"));
  EXPECT_EQ(r.code, 3) << r.output;
  EXPECT_FALSE(fs::exists(t.path() / "x" / "content" / "wa?e.swf"));
  patchName(setup, "wa?e.swf", "wave.swf");

  patchName(setup, "licence.txt", "licence<txt");  // slot 4
  r = runMvpack("verify " + q(setup));
  EXPECT_EQ(r.code, 3) << r.output;
  EXPECT_TRUE(contains(r.output, "slot 4 (licence, \"licence<txt\"): Windows cannot create a file of that name"))
      << r.output;
  EXPECT_TRUE(contains(r.output, "the installer refuses it")) << r.output;
  patchName(setup, "licence<txt", "licence.txt");

  patchName(setup, "notes.txt", "CON.t.txt");  // a device, whatever its extension
  r = runMvpack("verify " + q(setup));
  EXPECT_EQ(r.code, 3) << r.output;
  EXPECT_TRUE(contains(r.output, "\"CON.t.txt\" is a name Windows reserves for a device")) << r.output;
}

// ---------------------------------------------------------------- device names as titles

TEST(MvpackAuthoringTitles, DeviceNamesAreRefusedAsTitles) {
  TempFolder t("mvpack-authoring");
  Project p(t.path());
  const fs::path out = t.path() / "setup.exe";
  for (const char* title : {"Aux", "con", "PRN.wallpaper", "nul.", "\"NUL \"", "COM1", "lpt9.x.y", "Com\xC2\xB9"}) {
    p.setManifest("", title);
    const std::string message = refusal(p, out);
    EXPECT_TRUE(contains(message, "is a name Windows reserves for a device")) << title << ": " << message;
    EXPECT_TRUE(contains(message, "choose another title")) << message;
    EXPECT_FALSE(fs::exists(out)) << title;
  }
  p.setManifest("", "Sea|Test");
  EXPECT_TRUE(contains(refusal(p, out), "title \"Sea|Test\" holds the character \"|\"")) << refusal(p, out);
  for (const char* title : {"Auxiliary", "COM10", "LPT0", "Console", "My Aux", "CON dir"}) {
    p.setManifest("", title);
    EXPECT_EQ(refusal(p, out), "") << title;
    EXPECT_TRUE(fs::exists(out)) << title;
    fs::remove(out);
  }

  // An installer whose title is a device name, however it was made, fails verify.
  p.setManifest("", "AUXX");
  build(p, out, false);
  Bytes patched = readFile(out);
  const size_t titleAt = peImage().size() + 30;  // the header's title field
  ASSERT_EQ(std::string(patched.begin() + titleAt, patched.begin() + titleAt + 5), std::string("AUXX\0", 5));
  patched[titleAt + 3] = 0;
  writeFile(out, patched);
  ToolRun r = runMvpack("verify " + q(out));
  EXPECT_EQ(r.code, 3) << r.output;
  EXPECT_TRUE(contains(r.output, "the title \"AUX\" is not a usable folder name: \"AUX\" is a name Windows reserves"))
      << r.output;
  EXPECT_TRUE(contains(runMvpack("list " + q(out)).output, "title: \"AUX\"  <- not a usable folder name")) << r.output;
}

// ---------------------------------------------------------------- the output is never an input

TEST(MvpackAuthoringOutput, AnOutputThatIsAnInputIsRefusedAndLeftAlone) {
  TempFolder t("mvpack-authoring");
  Project p(t.path());
  const Bytes manifest = readFile(p.manifest), notes = readFile(p.dir / "content/notes.txt");
  const Bytes stub = readFile(p.dir / "bin/install.exe");
  fs::create_hard_link(p.dir / "page.html", t.path() / "page-link.html");
  const std::pair<fs::path, std::string> cases[] = {
      {p.manifest, "the manifest"},
      {p.dir / "content" / "notes.txt", "the content file"},
      {p.dir / "content" / ".." / "content" / "." / "wave.swf", "the content file"},  // another spelling
      {p.dir / "bin" / "install.exe", "the stub"},
      {p.dir / "bin" / "uninstall.exe", "the uninstaller"},
      {t.path() / "page-link.html", "the html page"},  // the same file under another name
      {p.dir / "licence.txt", "the licence"},
  };
  for (const auto& [out, role] : cases) {
    const Bytes before = readFile(out);
    ToolRun r = runMvpack("build " + q(p.manifest) + " -o " + q(out));
    EXPECT_EQ(r.code, 1) << out << ": " << r.output;
    EXPECT_TRUE(contains(r.output, "is also an input of the build (" + role)) << r.output;
    EXPECT_TRUE(contains(r.output, "choose another output file")) << r.output;
    EXPECT_EQ(readFile(out), before) << out;
  }
  EXPECT_EQ(readFile(p.manifest), manifest);
  EXPECT_EQ(readFile(p.dir / "content/notes.txt"), notes);
  EXPECT_EQ(readFile(p.dir / "bin/install.exe"), stub);
}

TEST(MvpackAuthoringOutput, AFailedBuildLeavesTheEarlierOutputAndNoPartialFile) {
  TempFolder t("mvpack-authoring");
  Project p(t.path());
  const fs::path out = t.path() / "out" / "setup.exe";
  fs::create_directories(out.parent_path());
  writeText(out.string() + ".partial", "someone's file");  // a name of the user's, never touched
  ASSERT_EQ(runMvpack("build " + q(p.manifest) + " -o " + q(out)).code, 0);
  const Bytes first = readFile(out);
  EXPECT_EQ(readFile(out.string() + ".partial"), text("someone's file"));

  fs::remove(p.dir / "page.html");
  ToolRun r = runMvpack("build " + q(p.manifest) + " -o " + q(out));
  EXPECT_EQ(r.code, 1) << r.output;
  EXPECT_EQ(readFile(out), first);
  std::vector<std::string> names;
  for (const fs::directory_entry& e : fs::directory_iterator(out.parent_path())) names.push_back(e.path().filename());
  EXPECT_EQ(names.size(), 2u) << "left behind: " << ::testing::PrintToString(names);

  // A build that succeeds replaces it.
  writeText(p.dir / "page.html", "<html>another sea</html>");
  ASSERT_EQ(runMvpack("build " + q(p.manifest) + " -o " + q(out)).code, 0);
  EXPECT_NE(readFile(out), first);
  EXPECT_EQ(std::distance(fs::directory_iterator(out.parent_path()), fs::directory_iterator()), 2);
}

// ---------------------------------------------------------------- the licence's text

TEST(MvpackAuthoringLicence, Utf8BecomesWindows1252AndOtherTextStays) {
  TempFolder t("mvpack-authoring");
  Project p(t.path());
  const fs::path out = t.path() / "setup.exe";
  const std::string utf8 = "Licence \xE2\x80\x93 \xC2\xA9 2003 Soci\xC3\xA9t\xC3\xA9 \xE2\x82\xAC\r\n";
  const std::string cp1252 = "Licence \x96 \xA9 2003 Soci\xE9t\xE9 \x80\r\n";
  const std::pair<std::string, std::string> cases[] = {
      {utf8, cp1252},                         // UTF-8
      {"\xEF\xBB\xBF" + utf8, cp1252},        // UTF-8 with its byte order mark, which goes
      {cp1252, cp1252},                       // Windows-1252 already: not UTF-8, kept
      {"Plain ASCII\r\n", "Plain ASCII\r\n"},  // kept
      {"\xEF\xBB\xBFPlain\r\n", "Plain\r\n"},
  };
  for (const auto& [given, stored] : cases) {
    writeText(p.dir / "licence.txt", given);
    build(p, out);
    EXPECT_EQ(slotOf(out, 4), text(stored)) << given;
  }
}

TEST(MvpackAuthoringLicence, ACharacterWindows1252CannotHoldIsNamedWithItsLine) {
  TempFolder t("mvpack-authoring");
  Project p(t.path());
  const fs::path out = t.path() / "setup.exe";
  writeText(p.dir / "licence.txt", "Licence\r\n\r\nSee \xE2\x86\x92 page 2 \xE2\x88\x9E\r\n");
  std::string message = refusal(p, out);
  EXPECT_TRUE(contains(message, "licence.txt: line 3: the character \"\xE2\x86\x92\" (U+2192) has no Windows-1252 form"))
      << message;
  EXPECT_FALSE(fs::exists(out));
  writeText(p.dir / "licence.txt", "\xEF\xBB\xBFLicence \xE9t\xE9\r\n");  // the mark, then Windows-1252
  message = refusal(p, out);
  EXPECT_TRUE(contains(message, "starts with the UTF-8 byte order mark but is not UTF-8 text")) << message;
}

// ---------------------------------------------------------------- pictures the installer will not show

TEST(MvpackAuthoringPicture, WarnsAboutPicturesBeyondTheInstallersBound) {
  TempFolder t("mvpack-authoring");
  Project p(t.path());
  const fs::path out = t.path() / "setup.exe";
  auto warnings = [&](const Bytes& picture, const char* name) { return pictureWarnings(p, out, picture, name); };
  std::string w = warnings(jpegOfSize(8000, 6000), "huge.jpg");
  EXPECT_TRUE(contains(w, "huge.jpg: 8,000 x 6,000 pixels, beyond what the installer shows")) << w;
  EXPECT_TRUE(contains(w, "40,000,000 pixels")) << w;
  EXPECT_TRUE(fs::exists(out)) << "a warning, not a refusal";
  EXPECT_TRUE(contains(warnings(bmpOfSize(9000, -5000), "huge.bmp"), "9,000 x 5,000 pixels")) << "top-down BMP";
  EXPECT_TRUE(contains(warnings(jpegOfSize(40000, 10), "wide.jpg"), "40,000 x 10 pixels"));  // one side too long
  EXPECT_TRUE(contains(warnings(jpegOfSize(6325, 6325), "square.jpg"), "6,325 x 6,325"));    // 40,005,625 pixels
  Bytes noFrame = jpegOfSize(10, 10);
  noFrame.erase(noFrame.begin() + 20, noFrame.begin() + 39);
  EXPECT_TRUE(contains(warnings(noFrame, "broken.jpg"), "broken.jpg: its size cannot be read"));

  for (const auto& [picture, name] : {std::pair{jpegOfSize(6324, 6324), "big.jpg"}, {jpegOfSize(350, 150), "small.jpg"},
                                      {bmpOfSize(350, -150), "small.bmp"}, {bmpOfSize(32767, 1), "line.bmp"}}) {
    const std::string said = warnings(picture, name);
    EXPECT_FALSE(contains(said, "beyond what the installer shows") || contains(said, "cannot be read")) << said;
  }
}

// Pixels that do not decode: a JPEG cut short (libjpeg would fill the rest with grey), a BMP short of the
// pixels its header declares.
TEST(MvpackAuthoringPicture, WarnsAboutPicturesThatDoNotDecode) {
  TempFolder t("mvpack-authoring");
  Project p(t.path());
  const fs::path out = t.path() / "setup.exe";
  auto warnings = [&](const Bytes& picture, const char* name) { return pictureWarnings(p, out, picture, name); };
  const Bytes whole(kSmallJpeg.begin(), kSmallJpeg.end());
  std::string w = warnings(whole, "whole.jpg");
  EXPECT_FALSE(contains(w, "whole.jpg")) << w;
  const Bytes cut(whole.begin(), whole.end() - 4);  // the end of the scan's data and the end marker
  w = warnings(cut, "cut.jpg");
  EXPECT_TRUE(contains(w, "picture " + (p.dir / "cut.jpg").string() + ": does not decode (cut short or damaged)")) << w;
  EXPECT_TRUE(fs::exists(out)) << "a warning, not a refusal";
  EXPECT_TRUE(contains(warnings(jpegOfSize(350, 150), "garbage.jpg"), "garbage.jpg: does not decode"));
  // 350 x 150 at 24 bits: 1,052 bytes a row.
  EXPECT_FALSE(contains(warnings(bmpOfSize(350, 150, 1052 * 150 - 16), "full.bmp"), "full.bmp"));
  EXPECT_TRUE(contains(warnings(bmpOfSize(350, 150, 1052 * 149), "short.bmp"), "short.bmp: does not decode"));
}

// ---------------------------------------------------------------- movies

TEST(MvpackAuthoringMovie, RefusesWhatIsNoMovieAndWarnsAboutVersionsTheInstallerDoesNotPlay) {
  TempFolder t("mvpack-authoring");
  Project p(t.path());
  const fs::path out = t.path() / "setup.exe";
  auto use = [&](const std::string& bytes) {
    writeText(p.dir / "intro.swf", bytes);
    p.setLine("presentation", "movie intro.swf");
  };
  auto warnings = [&](const std::string& bytes) {
    use(bytes);
    std::string all;
    for (const std::string& w : build(p, out).warnings) all += w + "\n";
    return all;
  };
  for (const std::string& notMovie : {std::string("GIF89a"), std::string("FW"), std::string()}) {
    use(notMovie);
    EXPECT_TRUE(contains(refusal(p, out), "intro.swf: not an SWF movie (it starts neither with FWS nor CWS)"))
        << notMovie;
  }
  EXPECT_TRUE(contains(warnings("FWS\x07 later"), "intro.swf: SWF version 7; the installer plays versions up to 6 only"));
  EXPECT_TRUE(contains(warnings("CWS\xFF packed"), "SWF version 255;"));
  for (const std::string& played : {std::string("FWS\x06 sea"), std::string("CWS\x03 sea"), std::string("FWS")})
    EXPECT_FALSE(contains(warnings(played), "intro.swf")) << played;
}

// ---------------------------------------------------------------- the still wallpaper

// A 550 x 400 stage on white: a red square on it, nothing (`empty`), or one tiny square placed at more
// depths than the installer draws objects (`crowded`).
std::string seaMovie(bool empty = false, bool crowded = false) {
  using namespace rendertest;
  Styles styles;
  const int red = styles.solid(Colour{255, 0, 0});
  Records square;
  square.move(0, 0, 0, red).rectangle(100 * 20, 100 * 20, (crowded ? 101 : 300) * 20, (crowded ? 101 : 300) * 20);
  std::string tags = swftest::bg(255, 255, 255);
  if (!empty) tags += defineShape(1, 1, styles, square);
  for (int depth = 1; !empty && depth <= (crowded ? 60000 : 1); ++depth) tags += place(uint16_t(depth), 1);
  return movie(6, 550, 400, tags);
}

std::string stillWarnings(const Project& p, const fs::path& out) { return warningsOf(p, out, "still wallpaper"); }

TEST(MvpackAuthoringStill, WarnsWhenUsersWouldGetNoStillWallpaperNamingTheScreensAndTheReason) {
  TempFolder t("mvpack-authoring");
  Project p(t.path());
  const fs::path out = t.path() / "setup.exe";
  writeText(p.dir / "page.html", "<embed src=\"Sea%20Test%20dir/wave.swf\" scale=exactfit>");
  writeText(p.dir / "content/wave.swf", seaMovie());
  EXPECT_EQ(stillWarnings(p, out), "");

  const std::string screens = "at 1920 x 1080, 3840 x 2160 and 5120 x 1440: users of Windows 8 and later get no "
                              "still wallpaper on such screens";
  writeText(p.dir / "content/wave.swf", seaMovie(true));
  EXPECT_EQ(stillWarnings(p, out), "still wallpaper: content file \"wave.swf\": its first frame draws nothing on the "
                                   "stage (only background colour) " + screens + "\n");
  EXPECT_TRUE(fs::exists(out)) << "a warning, not a refusal";
  writeText(p.dir / "content/wave.swf", seaMovie(false, true));
  std::string w = stillWarnings(p, out);
  EXPECT_TRUE(contains(w, "\"wave.swf\": drawing its first frame reaches a bound on the installer's drawing work " +
                              screens)) << w;
  writeText(p.dir / "content/wave.swf", std::string("CWS\x06\x40\0\0\0 not a zlib stream", 26));
  w = stillWarnings(p, out);
  EXPECT_TRUE(contains(w, "\"wave.swf\": refused by the installer's renderer: damaged")) << w;
  writeText(p.dir / "content/wave.swf", "FWS\x02 an old one");
  w = stillWarnings(p, out);
  EXPECT_TRUE(contains(w, "refused by the installer's renderer: its version is older than the renderer draws")) << w;
}

// The movie checked is the one the installer draws: the page's, when it lies in the content folder, else
// the content's first .swf.
TEST(MvpackAuthoringStill, TheMovieCheckedIsTheOneThePageEmbeds) {
  TempFolder t("mvpack-authoring");
  Project p(t.path());
  const fs::path out = t.path() / "setup.exe";
  fs::remove(p.dir / "content/wave.swf");
  writeText(p.dir / "content/a.swf", seaMovie(true));
  writeText(p.dir / "content/b.swf", seaMovie());
  writeText(p.dir / "page.html", "<object><param name=movie value=\"Sea Test dir/B.swf\"></object>");
  EXPECT_EQ(stillWarnings(p, out), "");  // b.swf is drawn, not the blank a.swf
  for (const char* elsewhere : {"Sea Test dir/missing.swf", "b.swf", "../b.swf"}) {
    writeText(p.dir / "page.html", std::string("<embed src=\"") + elsewhere + "\">");
    EXPECT_TRUE(contains(stillWarnings(p, out), "content file \"a.swf\": its first frame draws nothing")) << elsewhere;
  }
  fs::remove(p.dir / "content/a.swf");
  fs::remove(p.dir / "content/b.swf");
  EXPECT_EQ(stillWarnings(p, out), "still wallpaper: the page embeds no movie inside the content folder and the "
                                   "content has no .swf file: users of Windows 8 and later get no still wallpaper\n");
}

// ---------------------------------------------------------------- what preview refuses

TEST(MvpackAuthoringPreview, WrongPictureNamesAndEmptyValuesAreRefusedByName) {
  TempFolder t("mvpack-authoring");
  const fs::path movie = t.path() / "sea.swf", picture = t.path() / "sea.png";
  writeText(movie, seaMovie());
  ToolRun r = runMvpack("preview " + q(movie) + " -o " + q(t.path() / "sea.jpg"));
  EXPECT_EQ(r.code, 2);
  EXPECT_TRUE(contains(r.output, "preview writes PNG pictures only; give a name ending in .png")) << r.output;
  EXPECT_FALSE(contains(r.output, "usage:")) << "a refused value is no usage error";
  EXPECT_FALSE(fs::exists(t.path() / "sea.jpg"));
  for (const char* option : {"--scale", "--size", "--background", "--margin", "-o"}) {
    r = runMvpack("preview " + q(movie) + (std::string(option) == "-o" ? "" : " -o " + q(picture)) + " " + option + " ''");
    EXPECT_EQ(r.code, 2) << option;
    EXPECT_TRUE(contains(r.output, std::string(option) + ": an empty value")) << r.output;
    EXPECT_FALSE(contains(r.output, "usage:")) << r.output;
  }
  r = runMvpack("build --stub '' " + q(t.path() / "sea.manifest"));
  EXPECT_TRUE(contains(r.output, "--stub: an empty value")) << r.output;
  EXPECT_FALSE(fs::exists(picture));
}

TEST(MvpackAuthoringPreview, UsageIsShownForUsageErrorsOnly) {
  TempFolder t("mvpack-authoring");
  const fs::path movie = t.path() / "sea.swf";
  writeText(movie, "FWS\x02 too old");
  for (const std::string& args : {"preview " + q(movie) + " -o " + q(t.path() / "a.png"),
                                  "preview " + q(movie) + " -o " + q(t.path() / "a.png") + " --scale sideways",
                                  "build " + q(t.path() / "missing.manifest"), "verify " + q(movie)}) {
    const ToolRun r = runMvpack(args);
    EXPECT_NE(r.code, 0) << args;
    EXPECT_FALSE(contains(r.output, "usage:")) << args << "\n" << r.output;
  }
  for (const std::string& args : {"preview " + q(movie), "preview " + q(movie) + " -o " + q(t.path() / "a.png") + " --bogus",
                                  std::string("frobnicate"), "preview -o " + q(t.path() / "a.png")}) {
    const ToolRun r = runMvpack(args);
    EXPECT_EQ(r.code, 2) << args;
    EXPECT_TRUE(contains(r.output, "usage:")) << args << "\n" << r.output;
  }
}

// ---------------------------------------------------------------- messages that say what to change

TEST(MvpackAuthoringMessages, FoldersWhereFilesBelongAreNamedAsFolders) {
  TempFolder t("mvpack-authoring");
  Project p(t.path());
  const fs::path outDir = t.path() / "outdir";
  fs::create_directories(outDir);
  ToolRun r = runMvpack("build " + q(p.manifest) + " -o " + q(outDir));
  EXPECT_EQ(r.code, 1) << r.output;
  EXPECT_TRUE(contains(r.output, outDir.string() + ": is a folder; the output is the installer file to write, such as " +
                                     (outDir / "setup.exe").string()))
      << r.output;
  EXPECT_FALSE(contains(r.output, "Success"));
  r = runMvpack("build " + q(p.manifest) + " -o " + q(t.path() / "missing" / "setup.exe"));
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(contains(r.output, "missing does not exist; create it or write the installer elsewhere")) << r.output;

  // Each input named by the manifest or the command line.
  fs::create_directories(p.dir / "afolder");
  const fs::path out = t.path() / "setup.exe";
  for (const char* key : {"html", "licence", "flash-installer", "uninstaller", "library"}) {
    p.setLine(key, "afolder");
    r = runMvpack("build " + q(p.manifest) + " -o " + q(out));
    EXPECT_EQ(r.code, 1) << key << ": " << r.output;
    EXPECT_TRUE(contains(r.output, "afolder: is a folder, not a file; name the file itself")) << key << ": " << r.output;
  }
  p.setManifest("");
  r = runMvpack("build " + q(p.manifest) + " -o " + q(out) + " --stub " + q(p.dir / "afolder"));
  EXPECT_TRUE(contains(r.output, "stub " + (p.dir / "afolder").string() + ": is a folder, not a file")) << r.output;
  r = runMvpack("build " + q(p.dir));
  EXPECT_TRUE(contains(r.output, "manifest " + p.dir.string() + ": is a folder, not a file")) << r.output;
  r = runMvpack("verify " + q(p.dir));
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(contains(r.output, p.dir.string() + ": is a folder, not a file")) << r.output;
}

TEST(MvpackAuthoringMessages, Utf16AndUtf8BomManifestsAreRead) {
  TempFolder t("mvpack-authoring");
  Project p(t.path());
  const std::string manifest = "# \xC3\x89t\xC3\xA9\r\n" + p.manifestText("Caf\xC3\xA9 Sea");  // UTF-8
  auto utf16 = [&](bool little) {
    Bytes b;
    for (char16_t c : u"\uFEFF" + mv::utf8ToUtf16(manifest)) {
      if (little) b.push_back(uint8_t(c)), b.push_back(uint8_t(c >> 8));
      else b.push_back(uint8_t(c >> 8)), b.push_back(uint8_t(c));
    }
    return b;
  };
  const std::pair<Bytes, const char*> cases[] = {{utf16(true), "UTF-16 LE"},
                                                 {utf16(false), "UTF-16 BE"},
                                                 {text("\xEF\xBB\xBF" + manifest), "UTF-8 with BOM"}};
  for (const auto& [bytes, what] : cases) {
    writeFile(p.manifest, bytes);
    const mvpack::Manifest m = mvpack::parseManifest(p.manifest.string());
    EXPECT_EQ(m.title, "Caf\xC3\xA9 Sea") << what;
    EXPECT_EQ(m.html, (p.dir / "page.html").string()) << what;
    ToolRun r = runMvpack("build " + q(p.manifest) + " -o " + q(t.path() / "setup.exe"));
    EXPECT_EQ(r.code, 0) << what << ": " << r.output;
  }
  // Without its byte order mark UTF-16 is not guessed at.
  Bytes plain = utf16(true);
  plain.erase(plain.begin(), plain.begin() + 2);
  writeFile(p.manifest, plain);
  ToolRun r = runMvpack("build " + q(p.manifest) + " -o " + q(t.path() / "setup.exe"));
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(contains(r.output, "holds zero bytes")) << r.output;
  EXPECT_TRUE(contains(r.output, "save it as UTF-8")) << r.output;
}

}  // namespace
