#pragma once
// The installer's readers driven over untrusted bytes on the host platform, shared by the fuzz targets
// (fuzz/*_fuzzer.cpp) and the regression tests (tests/regress).
//
// Sandbox: one sandbox folder for the whole process, with a fresh HostPlatform for every input (its side
// tables - attributes, deletion counts, message boxes - would otherwise grow with every name the fuzzer
// makes up). Before an input runs, the sandbox is emptied and the platform rebuilt. The sandbox owns what
// the installer's program entry owns: the installer state (made afresh for every input, its messages
// shown by the installer's error boxes on the input's platform) and the data file reader.
//
// The compression library: the installer loads "impborl.dll" from the Windows folder. Here a file of that
// name must exist there (the installer checks), and loading it hands out the codec linked into this
// program, so that a package's slot 1 never becomes code in this process and the codec's own coverage
// counts.
//
// Each run* function answers an Outcome: the codes of the steps, the message boxes shown, and `problem`,
// the first broken rule ("" when none): a failure without a message, a file outside the folders the
// installer writes into, a file left open, and rules of each reader named below.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "dcl/dcl.h"
#include "dcl/pklib.h"
#include "installer/error_reporter.h"
#include "installer/state.h"
#include "package/dcl_library.h"
#include "package/datafile.h"
#include "package/format.h"
#include "support/install_layout.h"
#include "package/package_reader.h"
#include "package/slots.h"
#include "platform/host/host_platform.h"
#include "platform/file_helpers.h"
#include "support/paths.h"

#ifdef MV_HARNESS_SWF
#include "flash/render/first_frame.h"
#include "flash/swf.h"
#endif

namespace mv::harness {

class FuzzPlatform : public HostPlatform {
 public:
  using HostPlatform::HostPlatform;
  void* loadLibrary(const std::string& path) override {
    uint32_t a = getAttributes(path);
    if (a == attr::invalid || (a & attr::directory)) {
      setLastError(oserr::modNotFound);
      return nullptr;
    }
    ++loaded_;
    return &loaded_;
  }
  void* getProcAddress(void* library, const std::string& name) override {
    if (library != &loaded_) {
      setLastError(oserr::invalidHandle);
      return nullptr;
    }
    if (name == "_explode") return reinterpret_cast<void*>(&dcl_explode);
    if (name == "_implode") return reinterpret_cast<void*>(&dcl_implode);
    if (name == "_crc32") return reinterpret_cast<void*>(&dcl_crc32);
    setLastError(127);
    return nullptr;
  }
  void freeLibrary(void* library) override {
    if (library == &loaded_ && loaded_ > 0) --loaded_;
  }
  int librariesLoaded() const { return loaded_; }

 private:
  int loaded_ = 0;
};

inline void removeTree(const std::string& path, bool keepSelf) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return;
  if (S_ISDIR(st.st_mode)) {
    if (DIR* d = opendir(path.c_str())) {
      std::vector<std::string> names;
      while (dirent* e = readdir(d)) {
        std::string n = e->d_name;
        if (n != "." && n != "..") names.push_back(n);
      }
      closedir(d);
      for (const std::string& n : names) removeTree(path + "/" + n, false);
    }
    if (!keepSelf) rmdir(path.c_str());
  } else {
    unlink(path.c_str());
  }
}

class Sandbox {
 public:
  Sandbox() {
    const char* base = std::getenv("TMPDIR");
    std::string tmpl = std::string(base && *base ? base : "/tmp") + "/mvfuzz.XXXXXX";
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back(0);
    if (!mkdtemp(buf.data())) {
      std::fprintf(stderr, "cannot create the sandbox folder %s\n", tmpl.c_str());
      std::abort();
    }
    root_ = buf.data();
  }
  ~Sandbox() {
    if (dataFile_.isOpen()) (void)dataFile_.closeDataFile();  // the sandbox goes: only the handle matters
    state_.reset();
    boxes_.reset();
    setPlatform(nullptr);
    platform_.reset();
    removeTree(root_, false);
  }
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;

  // A fresh platform and installer state on an empty sandbox: C:\WINDOWS (with system32 and the codec
  // library), C:\TEMP\MVVA, and the installer's folders filled in as start-up leaves them.
  FuzzPlatform& reset() {
    if (dataFile_.isOpen()) (void)dataFile_.closeDataFile();  // the sandbox goes: only the handle matters
    state_.reset();
    boxes_.reset();
    setPlatform(nullptr);
    platform_.reset();
    removeTree(root_, true);
    platform_ = std::make_unique<FuzzPlatform>(root_);
    setPlatform(platform_.get());
    boxes_ = std::make_unique<ErrorBoxes>(*platform_);
    state_ = std::make_unique<InstallerState>(*boxes_);
    InstallerState& s = *state_;
    s.windowsFolder = "C:\\WINDOWS\\";
    s.systemFolder = "C:\\WINDOWS\\system32\\";
    s.executablePath = platform_->executablePath();
    s.executableFolder = "C:\\Downloads\\";
    s.tempFolder = "C:\\TEMP\\MVVA\\";
    s.tempCopyPath = "C:\\TEMP\\MVVA\\temp.dat";
    platform_->createDirectory("C:\\TEMP\\MVVA");
    platform_->writeWholeFile("C:\\WINDOWS\\impborl.dll", "codec");
    return *platform_;
  }

  FuzzPlatform& platform() { return *platform_; }
  // The installer state of the current input (after reset()), and the data file reader.
  InstallerState& state() { return *state_; }
  DataFileReader& dataFile() { return dataFile_; }
  const std::string& root() const { return root_; }
  // The host path of a Windows path in the sandbox ("" when it is not a valid one).
  std::string host(const std::string& windowsPath) const { return platform_->hostPath(windowsPath); }

  // Where files may be: directly in `folder` (a host path), or also in sub-folders when `deep`.
  struct Allowed {
    std::string folder;
    bool deep;
  };
  // The first file or folder under the sandbox root that lies in none of the allowed places and is no
  // folder on the way to one; "" when there is none.
  std::string strayFile(const std::vector<Allowed>& allowed) const { return walk(root_, allowed); }

 private:
  static bool within(const std::string& path, const std::string& folder) {
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == '/';
  }
  std::string walk(const std::string& dir, const std::vector<Allowed>& allowed) const {
    DIR* d = opendir(dir.c_str());
    if (!d) return "";
    std::vector<std::string> names;
    while (dirent* e = readdir(d)) {
      std::string n = e->d_name;
      if (n != "." && n != "..") names.push_back(n);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    for (const std::string& n : names) {
      const std::string path = dir + "/" + n;
      struct stat st;
      if (lstat(path.c_str(), &st) != 0) continue;
      if (S_ISLNK(st.st_mode)) return path;
      const bool folder = S_ISDIR(st.st_mode);
      bool ok = false;
      for (const Allowed& a : allowed) {
        if (within(path, a.folder)) {
          // A shallow place holds files only; a folder made there would be a way out of it.
          const bool direct = path.find('/', a.folder.size() + 1) == std::string::npos;
          if (a.deep || (direct && !folder)) ok = true;
        }
        if (folder && (path == a.folder || within(a.folder, path))) ok = true;  // on the way
      }
      if (!ok) return path;
      if (folder) {
        std::string stray = walk(path, allowed);
        if (!stray.empty()) return stray;
      }
    }
    return "";
  }

  std::string root_;
  std::unique_ptr<FuzzPlatform> platform_;
  std::unique_ptr<ErrorBoxes> boxes_;      // over *platform_
  std::unique_ptr<InstallerState> state_;  // reports to *boxes_
  DataFileReader dataFile_;
};

struct Outcome {
  std::vector<std::pair<std::string, Result>> steps;  // each step that ran, with its code
  std::vector<std::string> messages;                  // texts of the message boxes, in order
  std::string problem;                                 // the first broken rule; "" when none
  // The first non-zero code, or 0.
  Result firstFailure() const {
    for (auto& s : steps)
      if (s.second != 0) return s.second;
    return 0;
  }
  Result code(const std::string& step) const {
    for (auto& s : steps)
      if (s.first == step) return s.second;
    return 0;
  }
  bool ran(const std::string& step) const {
    for (auto& s : steps)
      if (s.first == step) return true;
    return false;
  }
};

namespace detail {

inline void noteProblem(Outcome& o, const std::string& text) {
  if (o.problem.empty()) o.problem = text;
}

// Runs one step; a failure must come with a message box of its own unless `quietCodes` lists it.
template <typename F>
Result step(Sandbox& box, Outcome& o, const std::string& name, F&& f, std::initializer_list<int32_t> quietCodes = {}) {
  const size_t before = box.platform().boxes.size();
  Result r = f();
  o.steps.push_back({name, r});
  const bool quiet = std::find(quietCodes.begin(), quietCodes.end(), r) != quietCodes.end();
  if (r != 0 && !quiet && box.platform().boxes.size() == before)
    noteProblem(o, name + " failed with " + std::to_string(r.code()) + " without a message");
  return r;
}

inline void finish(Sandbox& box, Outcome& o, const std::vector<Sandbox::Allowed>& allowed) {
  FuzzPlatform& p = box.platform();
  if (p.openFileCount() != 0) noteProblem(o, "a file was left open");
  if (p.librariesLoaded() != 0) noteProblem(o, "the codec library was left loaded");
  for (const auto& b : p.boxes) {
    o.messages.push_back(b.text);
    if (b.text.empty()) noteProblem(o, "an empty message");
  }
  std::string stray = box.strayFile(allowed);
  if (!stray.empty()) noteProblem(o, "a file outside the installer's folders: " + stray.substr(box.root().size()));
}

// Writes every record of the open data file as the installation does (kind-3 movie copies included as
// ordinary entries: they are read like the others here), then closes it.
inline void extractEntries(Sandbox& box, Outcome& o, const std::string& folder) {
  DataFileReader& data = box.dataFile();
  const int32_t count = data.entryCount();
  if (count < 0 || count > kMaxDataRecords) {
    noteProblem(o, "a data file with entry count " + std::to_string(count) + " was opened");
    return;
  }
  for (int i = 1; i <= count; ++i) {
    if (data.record(i).name.empty()) continue;
    uint8_t kind = 0xEE;
    const std::string destination = withTrailingBackslash(folder) + data.record(i).name;
    const bool existed = fileExists(platform(), destination);
    // The installation reports the codes the reader leaves to its caller (-7, -13, -16, -35).
    Result r = step(box, o, "entry " + std::to_string(i),
                    [&] { return data.extractDataEntry(folder, i, (i & 1) != 0, &kind); },
                    {rc::noMemory, rc::wrongSize, rc::expandedMissing, rc::codecUnavailable});
    if (r != 0 && kind != 0) noteProblem(o, "a kind was handed back for a failed entry");
    if (r != 0 && !existed && isContainedRelativePath(data.record(i).name) && fileExists(platform(), destination))
      noteProblem(o, "entry " + std::to_string(i) + " failed and left its file behind");
  }
  if (data.extractDataEntry(folder, count + 1, false, nullptr) != rc::recordOutOfRange)
    noteProblem(o, "the record after the last one was not refused");
  if (data.extractDataEntry(folder, 0, false, nullptr) != rc::recordOutOfRange) noteProblem(o, "record 0 was not refused");
  (void)step(box, o, "closeDataFile", [&] { return data.closeDataFile(); });  // the step records its outcome
  if (data.isOpen()) noteProblem(o, "the data file stayed open");
}

}  // namespace detail

// A whole installer file (executable image + package), as start-up and installation meet it: the
// input becomes the temp copy; the directory is read (PE headers, directory, integrity record, slot
// offsets); the content title is checked and slot 1 extracted while the copy is open; the content
// folder is made from the title; slots 2..10 are extracted (compressed ones through the codec); a data
// file written from slot 8 is opened and every record extracted. Unlike the installer, every slot is
// tried even after one failed.
inline Outcome runInstallerFile(Sandbox& box, const uint8_t* data, size_t size) {
  using detail::step;
  Outcome o;
  FuzzPlatform& p = box.reset();
  InstallerState& s = box.state();
  p.writeWholeFile(s.tempCopyPath, std::string(reinterpret_cast<const char*>(data), size));

  Result r = step(box, o, "readPackageDirectory", [&] {
    return readPackageDirectory(p, s, [&](File& stream) -> Result {
      // Start-up's library step: the title must be one plain folder name before anything is written.
      if (!isPlainFolderName(s.directory.header.title())) {
        platform().messageBox("bad title", "Error", BoxKind::ErrorAbort);  // start-up's own message
        return rc::badTitle;
      }
      return step(box, o, "slot 1", [&] { return extractSlot(p, s, stream, slot::library, false); });
    });
  });

  std::string contentFolder;
  if (r == 0) {
    s.contentTitle = s.directory.header.title();
    s.contentFolder = layout::contentFolder(s.windowsFolder, s.contentTitle);
    contentFolder = s.contentFolder;
    forceFolders(platform(), s.contentFolder);
    s.dataFilePath = s.contentFolder + s.directory.entries[slot::dataFile].name;

    std::unique_ptr<File> stream = p.open(s.tempCopyPath, OpenMode::Read);
    if (!stream) detail::noteProblem(o, "the temp copy cannot be opened");
    bool dataFileWritten = false;
    for (int k : {slot::flashInstaller, slot::presentation, slot::licence, slot::extra, slot::htmlPage, slot::dataFile,
                  slot::uninstaller, slot::further}) {
      if (!stream || s.directory.entries[k].name.empty()) continue;
      Result e = step(box, o, "slot " + std::to_string(k), [&] { return extractSlot(p, s, *stream, k, k >= slot::htmlPage); });
      if (k == slot::dataFile && e == 0) dataFileWritten = true;
    }
    if (stream) stream->close();
    if (dataFileWritten && fileExists(p, s.dataFilePath)) {
      Result opened = step(box, o, "openDataFile", [&] { return box.dataFile().openDataFile(p, s, s.dataFilePath, true); });
      if (opened == 0) detail::extractEntries(box, o, s.contentFolder);
    }
  }
  releaseSessionLibrary(s);  // as the installation does at its end

  std::vector<Sandbox::Allowed> allowed = {
      {box.host("C:\\WINDOWS"), false},
      {box.host("C:\\WINDOWS\\system32"), false},
      {box.host("C:\\WINDOWS\\Web\\Wallpaper"), false},
      {box.host("C:\\TEMP\\MVVA"), false},
  };
  if (!contentFolder.empty()) {
    std::string folder = box.host(contentFolder);
    if (folder.empty()) detail::noteProblem(o, "the content folder is not a valid path: " + contentFolder);
    else allowed.push_back({folder, true});
  }
  detail::finish(box, o, allowed);
  return o;
}

// A Moviva data file in the content folder, as the installation meets it: the header is read, the
// file opened, every record with a name extracted, the file closed. Also: records 0 and
// entryCount + 1 are refused with -12, a failed entry leaves no file, a failed entry hands back no kind.
constexpr const char* kContentFolder = "C:\\WINDOWS\\Web\\Wallpaper\\Demo dir\\";
inline Outcome runDataFile(Sandbox& box, const uint8_t* data, size_t size) {
  using detail::step;
  Outcome o;
  FuzzPlatform& p = box.reset();
  InstallerState& s = box.state();
  s.contentTitle = "Demo";
  s.contentFolder = kContentFolder;
  s.dataFilePath = std::string(kContentFolder) + "Demo.mvd";
  forceFolders(platform(), s.contentFolder);
  p.writeWholeFile(s.dataFilePath, std::string(reinterpret_cast<const char*>(data), size));

  DataFileReader& reader = box.dataFile();
  (void)step(box, o, "readDataHeader", [&] { return reader.readDataHeader(p, s); });  // recorded by the step
  Result r = step(box, o, "openDataFile", [&] { return reader.openDataFile(p, s, s.dataFilePath, true); });
  if (r == 0) detail::extractEntries(box, o, s.contentFolder);
  releaseSessionLibrary(s);  // as the installation does at its end
  detail::finish(box, o,
                 {{box.host("C:\\WINDOWS"), false},
                  {box.host("C:\\WINDOWS\\system32"), false},
                  {box.host("C:\\TEMP\\MVVA"), false},
                  {box.host(kContentFolder), true}});
  return o;
}

#ifdef MV_HARNESS_SWF
// An SWF movie as the movie panel meets it: the file read once, its signature checked, a "CWS" movie
// expanded in memory and its copies written into the panel's working folder (never more than `bound`
// bytes), the plain movie's header parsed to the background colour. Damage gives -404, -405, -406 or rc::failedWithText with a failure's text (the
// outcome's message), and a failure only with that code. Nothing is written outside the working folder.
constexpr const char* kMoviePath = "C:\\WINDOWS\\Web\\Wallpaper\\Demo dir\\installer.swf";
constexpr const char* kMovieWork = "C:\\TEMP\\FlashPanel\\";
inline Outcome runSwf(Sandbox& box, const uint8_t* data, size_t size, uint64_t bound, SwfHeaderInfo* infoOut = nullptr) {
  Outcome o;
  FuzzPlatform& p = box.reset();
  forceFolders(platform(), "C:\\WINDOWS\\Web\\Wallpaper\\Demo dir");
  p.createDirectory("C:\\TEMP\\FlashPanel");
  p.writeWholeFile(kMoviePath, std::string(reinterpret_cast<const char*>(data), size));
  // A step that fails ends the run there, with its text as the outcome's message.
  std::string failureText;
  auto failed = [&](const std::string& stage, const Result& r) {
    if (r != rc::failedWithText) return false;
    if (r.text().empty()) detail::noteProblem(o, stage + " gave rc::failedWithText without a text");
    failureText = r.text();
    return true;
  };
  FileBytes movie;
  std::string signature;
  Result r = readSwfFile(p, p, kMoviePath, movie);
  o.steps.push_back({"readSwfFile", r});
  if (!failed("readSwfFile", r)) {
    r = checkSwfSignature(movie.data.get(), movie.size, signature);
    o.steps.push_back({"checkSwfSignature", r});
  }
  if (r == 0) {
    const uint8_t* plain = movie.data.get();
    size_t plainSize = movie.size;
    std::vector<uint8_t> expanded;
    if (signature == "CWS") {
      r = expandCompressedSwf(p, p, kMoviePath, plain, plainSize, kMovieWork, expanded, bound);
      o.steps.push_back({"expandCompressedSwf", r});
      plain = expanded.data();
      plainSize = expanded.size();
      if (!failed("expandCompressedSwf", r)) {
        std::string written;
        if (!p.readWholeFile(std::string(kMovieWork) + "unCompressedSWF.swf", written)) detail::noteProblem(o, "no expanded movie");
        else if (written != std::string(expanded.begin(), expanded.end())) detail::noteProblem(o, "the expanded copy is not the movie read");
        if (expanded.size() > std::max<uint64_t>(bound, 8)) detail::noteProblem(o, "the expanded movie exceeds its bound");
      }
    }
    if (r == 0) {
      SwfHeaderInfo info;
      r = parseSwfHeader(plain, plainSize, kMoviePath, info);
      o.steps.push_back({"parseSwfHeader", r});
      if (infoOut) *infoOut = info;
      if (!failed("parseSwfHeader", r)) {
        if (r == 0 && (info.red < 0 || info.red > 255 || info.green < 0 || info.green > 255 || info.blue < 0 ||
                       info.blue > 255))
          detail::noteProblem(o, "a colour component outside 0..255");
        if (r != 0 && r != rc::notSwf && r != rc::swfTooNew && r != rc::swfTooOld)
          detail::noteProblem(o, "parseSwfHeader gave " + std::to_string(r.code()));
      }
    }
  }
  detail::finish(box, o,
                 {{box.host("C:\\WINDOWS"), false},
                  {box.host("C:\\WINDOWS\\system32"), false},
                  {box.host("C:\\TEMP\\MVVA"), false},
                  {box.host("C:\\WINDOWS\\Web\\Wallpaper\\Demo dir"), false},
                  {box.host("C:\\TEMP\\FlashPanel"), false}});
  if (!failureText.empty()) o.messages.push_back(failureText);
  return o;
}

// The first frame of an SWF movie as the movie panel draws it without a Flash control: read (plain or
// compressed, expanding to no more than `bound` bytes), then drawn at two sizes, with bounds small
// enough for fuzzing, and the renderer's own range of versions (the panel narrows it to 3 to 6). Rules:
// a movie is refused exactly when a reason is given; one that is not an SWF of versions 3 to 10 is
// refused; a drawing has the size asked for, is opaque, and is only the background
// when it fails; the background is the panel's colour (`panel`, when its header parse got that far).
// The step "drawFirstFrame" has 0 when both drawings succeeded, 1 when one hit a bound, -1 when the
// movie was refused.
inline Outcome runFirstFrame(const uint8_t* data, size_t size, uint64_t bound, const render::JpegDecoder* jpeg,
                             const SwfHeaderInfo* panel = nullptr, const render::FontProvider* fonts = nullptr) {
  Outcome o;
  render::Limits limits;
  limits.maxMovieBytes = bound;
  limits.maxTags = 20000;
  limits.maxShapeRecords = 200000;
  limits.maxGlyphs = 20000;
  limits.maxBitmapPixels = 1u << 20;
  limits.maxBitmapSide = 2048;
  limits.maxObjects = 5000;
  limits.maxEdges = 200000;
  limits.maxPixelWork = 4u << 20;
  render::FrameStatus why = render::FrameStatus::ok;
  auto frame = render::FirstFrame::load(data, size, jpeg, fonts, limits, &why);
  if ((frame != nullptr) != (why == render::FrameStatus::ok)) detail::noteProblem(o, "a refusal without a reason");
  const bool swf = size >= 8 && (std::memcmp(data, "FWS", 3) == 0 || std::memcmp(data, "CWS", 3) == 0) &&
                   data[3] >= 3 && data[3] <= 10;
  if (frame && !swf) detail::noteProblem(o, "a movie that is not an SWF of versions 3 to 10 was read");
  if (!frame) {
    o.steps.push_back({"drawFirstFrame", -1});
    return o;
  }
  if (panel && panel->parsed) {
    const uint32_t rgb = uint32_t(panel->red) << 16 | uint32_t(panel->green) << 8 | uint32_t(panel->blue);
    if (frame->background() != rgb) detail::noteProblem(o, "the frame's background is not the panel's colour");
  }
  Result result = 0;
  const int sizes[2][2] = {{37, 23}, {64, 64}};
  for (const auto& s : sizes) {
    render::Image img;
    const bool drawn = frame->draw(s[0], s[1], img);
    if (!drawn) result = 1;
    if (img.width != s[0] || img.height != s[1] || img.pixels.size() != size_t(s[0]) * size_t(s[1])) {
      detail::noteProblem(o, "a drawing of the wrong size");
      continue;
    }
    const uint32_t background = 0xFF000000u | frame->background();
    for (uint32_t p : img.pixels) {
      if ((p >> 24) != 255) {
        detail::noteProblem(o, "a drawing that is not opaque");
        break;
      }
      if (!drawn && p != background) {
        detail::noteProblem(o, "a failed drawing that is not only the background");
        break;
      }
    }
  }
  o.steps.push_back({"drawFirstFrame", result});
  return o;
}
#endif

// The DCL decoder over a stream, twice: whole through dclExplode, and through the library interface
// with read_buf handing out 1..16 bytes at a time (sizes from `seed`) into a work area of exactly
// CMP_EXPLODE_WORK_SIZE bytes at alignment `misalign` (0..7). Rules: both give the same result and output;
// the result is a documented code; the callbacks see only buffers inside the work area, sizes within
// what was asked, no empty writes; a bad header writes nothing; a stream shorter than its header is
// CMP_ABORT. `result` and `output` receive the whole-stream answer.
struct ExplodeOutcome {
  int result = -1;
  std::vector<uint8_t> output;
  std::string problem;
};
namespace detail {
struct Chunked {
  const uint8_t* in;
  size_t left;
  uint32_t rng;
  const char* work;
  std::vector<uint8_t> out;
  std::string problem;
  bool inside(const char* buf, size_t n) const { return buf >= work && buf + n <= work + CMP_EXPLODE_WORK_SIZE; }
};
inline unsigned int DCL_CALL readChunk(char* buf, unsigned int* size, void* param) {
  Chunked* c = static_cast<Chunked*>(param);
  if (*size == 0 && c->problem.empty()) c->problem = "read_buf was asked for 0 bytes";
  if (!c->inside(buf, *size)) {
    if (c->problem.empty()) c->problem = "read_buf got a buffer outside the work area";
    return 0;
  }
  c->rng = c->rng * 1103515245u + 12345u;
  size_t n = 1 + (c->rng >> 16) % 16;
  n = std::min<size_t>({n, *size, c->left});
  if (n) std::memcpy(buf, c->in, n);
  c->in += n;
  c->left -= n;
  return static_cast<unsigned int>(n);
}
inline void DCL_CALL writeChunk(char* buf, unsigned int* size, void* param) {
  Chunked* c = static_cast<Chunked*>(param);
  if (*size == 0 && c->problem.empty()) c->problem = "write_buf was handed 0 bytes";
  if (!c->inside(buf, *size)) {
    if (c->problem.empty()) c->problem = "write_buf got a buffer outside the work area";
    return;
  }
  c->out.insert(c->out.end(), buf, buf + *size);
}
}  // namespace detail

inline ExplodeOutcome runExplode(const uint8_t* stream, size_t n, uint32_t seed, size_t misalign) {
  ExplodeOutcome o;
  o.result = dclExplode(stream, n, o.output);

  misalign &= 7;
  char* block = static_cast<char*>(std::malloc(CMP_EXPLODE_WORK_SIZE + misalign));
  detail::Chunked c{stream, n, seed * 2654435761u, block + misalign, {}, {}};
  const unsigned r2 = dcl_explode(detail::readChunk, detail::writeChunk, block + misalign, &c);
  std::free(block);

  if (!c.problem.empty()) o.problem = c.problem;
  else if (o.result < 0 || o.result > CMP_ABORT) o.problem = "an undocumented result " + std::to_string(o.result);
  else if (unsigned(o.result) != r2) o.problem = "the result depends on how the input is delivered";
  else if (o.output != c.out) o.problem = "the output depends on how the input is delivered";
  else if ((o.result == CMP_INVALID_DICTSIZE || o.result == CMP_INVALID_MODE) && !o.output.empty())
    o.problem = "a bad header wrote output";
  else if (n < 2 && o.result != CMP_ABORT) o.problem = "a stream shorter than its header was not refused";
  return o;
}

}  // namespace mv::harness
