// Building an installer: the Moviva data file from the content folder, the eleven slots in their
// roles, the package directory, appended to the stub, with the integrity record in header bytes 8..15
// and the PE checksum of the whole file.
#include "builder.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>

#include "codec.h"
#include "desktop/still_page.h"
#include "swf/header.h"
#include "licence_text.h"
#include "output_file.h"
#include "package/datafile_format.h"
#include "package/format.h"
#include "support/install_layout.h"
#include "picture_check.h"
#include "progress.h"
#include "still_check.h"
#include "support/bytes.h"
#include "support/paths.h"
#include "support/text_encoding.h"
#include "util.h"

namespace fs = std::filesystem;

namespace mvpack {

namespace {

constexpr int64_t kMaxFileSize = 0x7FFFFFFF;  // offsets and sizes are signed 32-bit
constexpr char kDataFileExtension[] = ".mvd";
constexpr const char* kUninstallerName = mv::layout::kUninstallerName;
// The longest Windows folder a user is likely to have.
constexpr char kLikelyWindowsFolder[] = "C:\\WINDOWS\\";
constexpr size_t kMaxPath = 259;

bool startsWith(const std::vector<uint8_t>& b, const char* magic, size_t n) {
  return b.size() >= n && std::memcmp(b.data(), magic, n) == 0;
}

std::string baseName(const std::string& path) { return fromPath(toPath(path).filename()); }

// A file the package carries, before it is placed.
struct Payload {
  int slot = 0;
  std::string name;
  int kind = mv::slotkind::contentFile;
  std::vector<uint8_t> bytes;  // as stored in the package
  bool compressed = false;
  int32_t packed = 0;
  int32_t expanded = 0;
  std::string source;  // for the summary
};

// Implodes `original` and keeps the smaller of the two. packed records the imploded size whether or not it
// was kept (a file that does not shrink shows a packed size larger than its stored size).
void packSmaller(Payload& p, std::vector<uint8_t> original, const std::string& what) {
  std::vector<uint8_t> imploded = implodeBinary4096(original.data(), original.size());
  // Our own check that the stream expands back to the file: a broken codec must never produce an
  // installer that fails on the user's machine.
  std::vector<uint8_t> back;
  std::string problem;
  if (!explodeBounded(imploded.data(), imploded.size(), original.size(), back, problem) || back != original)
    throw ToolError(what + ": internal error: the imploded stream does not expand back to the file" +
                    (problem.empty() ? "" : " (" + problem + ")"));
  p.expanded = static_cast<int32_t>(original.size());
  p.packed = static_cast<int32_t>(std::min<size_t>(imploded.size(), kMaxFileSize));
  if (imploded.size() < original.size()) {
    p.compressed = true;
    p.bytes = std::move(imploded);
  } else {
    p.compressed = false;
    p.bytes = std::move(original);
  }
}

void storePlain(Payload& p, std::vector<uint8_t> bytes) {
  p.compressed = false;
  p.packed = 0;
  p.expanded = static_cast<int32_t>(bytes.size());
  p.bytes = std::move(bytes);
}

void checkSize(const std::vector<uint8_t>& bytes, const std::string& what) {
  if (int64_t(bytes.size()) > kMaxFileSize) throw ToolError(what + ": larger than the package format can hold");
}

std::string windowsName(const fs::path& relative) {
  std::string s = fromPath(relative);
  std::replace(s.begin(), s.end(), '/', '\\');
  return s;
}

}  // namespace

std::vector<ContentFile> collectContent(const std::string& folder, const std::string& mainFile,
                                        std::vector<std::string>& warnings) {
  std::error_code ec;
  const fs::path root = toPath(folder);
  if (!fs::is_directory(root, ec))
    throw ToolError("content folder " + folder + ": " + (fs::exists(root, ec) ? "not a folder" : "does not exist") +
                    "; \"content =\" names the folder that holds the content files");
  std::vector<ContentFile> files;
  fs::recursive_directory_iterator it(root, fs::directory_options::none, ec), end;
  if (ec) throw ToolError("content folder " + folder + ": cannot be read: " + errorText(ec));
  for (; it != end; it.increment(ec)) {
    if (ec) throw ToolError("content folder " + folder + ": cannot be read: " + errorText(ec));
    const fs::directory_entry& e = *it;
    const std::string path = fromPath(e.path());
    if (e.is_directory(ec)) {
      if (e.is_symlink(ec)) warnings.push_back("content " + path + ": a linked folder, not followed");
      continue;
    }
    const std::string name = nameText(windowsName(fs::relative(e.path(), root, ec)));
    storedName(name, "content file " + path);
    if (!e.is_regular_file(ec)) {
      warnings.push_back("content " + path + ": not a regular file, left out");
      continue;
    }
    files.push_back({name, path});
  }
  std::sort(files.begin(), files.end(), [](const ContentFile& a, const ContentFile& b) { return a.name < b.name; });

  std::map<std::string, std::string> folded;
  for (const ContentFile& f : files) {
    const std::string fault = windowsNameFault(f.name);
    if (!fault.empty())
      throw ToolError("content file " + f.path + ": Windows cannot create a file of that name: " + fault + "; rename it");
    if (!mv::isContainedRelativePath(f.name))
      throw ToolError("content file " + f.path + ": its name " + inQuotes(f.name) + " cannot be stored safely");
    if (mv::toWindows1252(f.name).size() > size_t(mv::kDataNameSize - 1))
      throw ToolError("content file " + f.path + ": its name is longer than 255 characters");
    if (hasReservedComponent(f.name))
      throw ToolError("content file " + f.path + ": Windows cannot create a file of that name (a device name, or a "
                      "trailing dot or blank)");
    auto [pos, fresh] = folded.emplace(mv::foldCase(f.name), f.name);
    if (!fresh)
      throw ToolError("content files " + inQuotes(pos->second) + " and " + inQuotes(f.name) +
                      " differ only in letter case; Windows would write them to the same file");
  }

  // The main file first: it is the one the installer marks after expansion.
  const std::string mainName = mainFile.empty() ? std::string() : nameText(windowsName(toPath(mainFile)));
  if (!mainName.empty()) storedName(mainName, "main file");
  auto isMain = [&](const ContentFile& f) {
    if (!mainFile.empty()) return mv::equalsIgnoreCase(f.name, mainName);
    return mv::equalsIgnoreAsciiCase(mv::extensionOf(f.name), ".swf");
  };
  auto main = std::find_if(files.begin(), files.end(), isMain);
  if (!mainFile.empty() && main == files.end())
    throw ToolError("main file " + inQuotes(mainFile) + " is not in the content folder " + folder);
  if (main != files.end()) std::rotate(files.begin(), main, main + 1);
  return files;
}

namespace {

// The files and names a build uses: the command line's values, else the manifest's.
struct BuildInputs {
  std::string output, stub, library, uninstaller, flashInstaller;
  std::string title;         // as text
  std::string storedTitle;   // as the package holds it
  std::string dataFileName;  // the title and ".mvd"
};

BuildInputs pickInputs(const Manifest& m, const BuildOptions& options) {
  const std::string where = m.path + ": ";
  auto pick = [](const std::string& cli, const std::string& manifest) { return cli.empty() ? manifest : cli; };
  BuildInputs in;
  in.output = pick(options.output, m.output);
  in.stub = pick(options.stub, m.stub);
  if (in.output.empty()) throw ToolError(where + "no output file: give -o FILE or \"output =\" in the manifest");
  if (in.stub.empty()) throw ToolError(where + "no stub: give --stub FILE or \"stub =\" in the manifest");
  const fs::path stubFolder = toPath(in.stub).parent_path();
  auto besideStub = [&](const char* name) { return fromPath(stubFolder / name); };
  in.library = pick(options.library, m.library);
  if (in.library.empty()) in.library = besideStub(mv::layout::kLibraryName);
  in.uninstaller = pick(options.uninstaller, m.uninstaller);
  if (in.uninstaller.empty()) in.uninstaller = besideStub(kUninstallerName);
  in.flashInstaller = pick(options.flashInstaller, m.flashInstaller);
  return in;
}

// The title names the installed folder, the desktop page and the data file: a folder name Windows can
// create, of at most 64 characters that Windows-1252 holds.
void checkTitle(const Manifest& m, BuildInputs& in) {
  const std::string where = m.path + ": ";
  if (m.title.empty()) throw ToolError(where + "no title: \"title =\" is required");
  const std::string title = nameText(m.title);
  in.storedTitle = storedName(title, where + "title");
  if (in.storedTitle.size() > 64) throw ToolError(where + "title " + inQuotes(title) + " is longer than 64 characters");
  if (title.find_first_of("\\/") == std::string::npos && mv::isDeviceName(title))
    throw ToolError(where + "title " + inQuotes(title) +
                    " is a name Windows reserves for a device (CON, PRN, AUX, NUL, COM1-9, LPT1-9, with any "
                    "extension): the installer's page " + inQuotes(mv::layout::pageName(title)) +
                    " would open the device instead of a file; choose another title");
  if (!mv::isPlainFolderName(title) || title.back() == ' ' || title.back() == '.') {
    const std::string fault = title.find_first_of("\\/") == std::string::npos ? windowsNameFault(title) : "";
    if (!fault.empty()) throw ToolError(where + "title " + fault + "; choose another title");
    throw ToolError(where + "title " + inQuotes(title) +
                    " cannot be a folder name (no \\ / : * ? \" < > |, control characters, or trailing blank or dot)");
  }
  in.title = title;
  in.dataFileName = title + kDataFileExtension;
}

// The manifest lines a build needs, and the ones given without effect.
void checkManifestLines(const Manifest& m, const BuildInputs& in, std::vector<std::string>& warnings) {
  const std::string where = m.path + ": ";
  if (!m.presentationGiven)
    throw ToolError(where + "no presentation: \"presentation = picture FILE | movie FILE | silent | none\"");
  if (m.html.empty()) throw ToolError(where + "no desktop page: \"html =\" is required");
  if (m.content.empty()) throw ToolError(where + "no content folder: \"content =\" is required");
  if (m.showLicence && m.licenceFile.empty())
    throw ToolError(where + "flag license is set but no \"licence =\" file is given");
  if (m.runExtraFlag && m.extra.empty()) throw ToolError(where + "flag run-extra is set but no \"extra =\" file is given");
  if (!m.licenceFile.empty() && !m.showLicence)
    warnings.push_back("licence " + m.licenceFile + " is packed but not shown: flag license is not set");
  if (!m.extra.empty() && !m.runExtraFlag)
    warnings.push_back("extra file " + m.extra + " is packed but not used: flag run-extra is not set");
  if (in.flashInstaller.empty())
    warnings.push_back(
        "no flash-installer: the installer stops at start-up when slot 2 is empty (its \"empty slot name\" error)");
}

// The stub: its PE image must end exactly where the file ends, since the installer finds its package at
// the end of its own image.
std::vector<uint8_t> readStub(const std::string& stubPath) {
  std::vector<uint8_t> stub = readWholeFile(stubPath, "stub");
  const int64_t imageEnd = mv::packageOffsetFromImage(stub.data(), stub.size());
  if (imageEnd < 0) throw ToolError("stub " + stubPath + ": not a Windows executable (no valid PE headers)");
  if (imageEnd != int64_t(stub.size()))
    throw ToolError("stub " + stubPath + ": its executable image ends at byte " + withCommas(imageEnd) +
                    " but the file is " + withCommas(int64_t(stub.size())) +
                    " bytes long (a package or other data is already appended); use the bare install.exe");
  return stub;
}

// Slot 1: the library, stored as it is (nothing can be expanded before it is in place).
void packLibrary(Payload& p, const std::string& libraryPath) {
  std::vector<uint8_t> lib = readWholeFile(libraryPath, "library");
  if (!startsWith(lib, "MZ", 2)) throw ToolError("library " + libraryPath + ": not a Windows DLL");
  checkSize(lib, "library " + libraryPath);
  p.name = "impborl.dat";
  p.kind = mv::slotkind::windowsFolder;
  p.source = libraryPath;
  storePlain(p, std::move(lib));
}

// The content files that fit one data file, none of which takes a name of the installer's own files.
void checkContent(const std::vector<ContentFile>& content, const Manifest& m, const BuildInputs& in,
                  std::vector<std::string>& warnings) {
  if (content.size() > size_t(mv::kMaxDataRecords))
    throw ToolError("content folder " + m.content + ": " + std::to_string(content.size()) +
                    " files, but the Moviva data file holds at most " + std::to_string(mv::kMaxDataRecords));
  if (content.empty()) warnings.push_back("content folder " + m.content + " is empty: the installation writes no content files");
  {  // never overwrite an input
    std::vector<std::pair<std::string, std::string>> inputs = {
        {"manifest", m.path},        {"stub", in.stub},       {"library", in.library},
        {"uninstaller", in.uninstaller}, {"flash-installer", in.flashInstaller}, {"html page", m.html},
        {"licence", m.licenceFile},  {"extra file", m.extra},  {"picture or movie", m.presentationFile}};
    for (const ContentFile& f : content) inputs.push_back({"content file", f.path});
    refuseOutputAmongInputs(in.output, inputs);
  }
  for (const ContentFile& f : content) {
    if (mv::equalsIgnoreCase(f.name, in.dataFileName) || mv::equalsIgnoreCase(f.name, kUninstallerName))
      throw ToolError("content file " + f.path + ": the name " + inQuotes(f.name) +
                      " is taken by the installer's own " +
                      (mv::equalsIgnoreCase(f.name, in.dataFileName) ? "data file" : "uninstaller"));
    // Windows-1252 characters are one UTF-16 unit each, so the stored length is the path's length there.
    if (mv::layout::contentFolder(kLikelyWindowsFolder, in.storedTitle).size() + mv::toWindows1252(f.name).size() > kMaxPath)
      warnings.push_back("content file " + inQuotes(f.name) + ": its installed path may exceed 259 characters");
  }
}

// The bytes the progress bar counts: every file that is imploded.
uint64_t workOf(const std::vector<ContentFile>& content, const Manifest& m, const BuildInputs& in) {
  uint64_t total = 0;
  auto sizeOf = [](const std::string& path) -> uint64_t {
    std::error_code ec;
    uintmax_t n = fs::file_size(toPath(path), ec);
    return ec ? 0 : uint64_t(n);  // a file that cannot be read fails with its own message later
  };
  for (const ContentFile& f : content) total += sizeOf(f.path);
  for (const std::string& p : {in.flashInstaller, m.presentationFile, m.licenceFile, m.extra, m.html, in.uninstaller})
    if (!p.empty()) total += sizeOf(p);
  return total;
}

// A movie for the installer window: an SWF file, of a version the installer plays (else a warning).
void checkMovie(const std::vector<uint8_t>& head, const std::string& path, std::vector<std::string>& warnings) {
  const mv::SwfHeader swf = mv::readSwfHeader(head.data(), head.size());
  if (swf.signature != mv::SwfSignature::plain && swf.signature != mv::SwfSignature::compressed)
    throw ToolError("movie " + path + ": not an SWF movie (it starts neither with FWS nor CWS)");
  if (swf.hasVersion() && mv::swfVersionFit(swf.version) == mv::SwfVersionFit::tooNew)
    warnings.push_back("movie " + path + ": SWF version " + std::to_string(swf.version) +
                       "; the installer plays versions up to " + std::to_string(mv::kNewestPlayedSwf) + " only");
}

// The name a licence or extra file keeps in the content folder: its own, which must be a plain file name
// that none of the installer's own files has.
std::string plainSlotName(const std::string& path, const std::string& what, const BuildInputs& in) {
  const std::string name = nameText(baseName(path));
  const std::string fault = windowsNameFault(name);
  if (!fault.empty())
    throw ToolError(what + " " + path + ": Windows cannot create a file of that name: " + fault + "; rename it");
  if (storedName(name, what + " " + path).size() > 255 || !mv::isPlainFileName(name) || hasReservedComponent(name))
    throw ToolError(what + " " + path + ": its file name cannot be stored in the package");
  if (mv::equalsIgnoreCase(name, in.dataFileName) || mv::equalsIgnoreCase(name, kUninstallerName))
    throw ToolError(what + " " + path + ": the name " + inQuotes(name) + " is taken by the installer's own files");
  return name;
}

// Fills slots 2 to 10 in turn, the progress bar counting the bytes imploded.
class SlotPacker {
 public:
  SlotPacker(std::vector<Payload>& slots, BuildResult& result, uint64_t work, bool progress)
      : slots_(slots), result_(result), progress_("packing", work, progress) {}

  void packFile(int k, const std::string& path, const std::string& name, int kind, const std::string& what) {
    std::vector<uint8_t> bytes = readWholeFile(path, what);
    if (k == mv::slot::licence) bytes = licenceAsWindows1252(bytes, what + " " + path);
    checkSize(bytes, what + " " + path);
    Payload& p = slots_[k];
    p.name = name;
    p.kind = kind;
    p.source = path;
    progress_.advance(0, name);
    const size_t size = bytes.size();
    packSmaller(p, std::move(bytes), what + " " + path);
    progress_.advance(size, name);
  }

  // Slot 3: the picture or movie of the installer window; returns the header's presentation kind.
  uint8_t packPresentation(const Manifest& m) {
    switch (m.presentation) {
      case PresentationChoice::Picture: {
        std::vector<uint8_t> head = readWholeFile(m.presentationFile, "picture");
        std::string name;
        uint8_t kind = 0;
        if (startsWith(head, "BM", 2)) kind = mv::presentation::bmp, name = "installer.bmp";
        else if (startsWith(head, "\xFF\xD8\xFF", 3)) kind = mv::presentation::jpeg, name = "installer.jpg";
        else throw ToolError("picture " + m.presentationFile + ": neither a BMP nor a JPEG file");
        const std::string tooLarge = pictureWarning(head, "picture " + m.presentationFile);
        if (!tooLarge.empty()) result_.warnings.push_back(tooLarge);
        packFile(mv::slot::presentation, m.presentationFile, name, mv::slotkind::contentFile, "picture");
        return kind;
      }
      case PresentationChoice::Movie: {
        checkMovie(readWholeFile(m.presentationFile, "movie"), m.presentationFile, result_.warnings);
        packFile(mv::slot::presentation, m.presentationFile, mv::layout::kInstallerMovieName, mv::slotkind::contentFile, "movie");
        return mv::presentation::movie;
      }
      case PresentationChoice::Silent:
        return mv::presentation::silent;
      case PresentationChoice::None:
        break;
    }
    return 0;
  }

  // Slot 8: the Moviva data file, its entries imploded one by one.
  void packDataFile(const Manifest& m, const BuildInputs& in, const std::vector<ContentFile>& content) {
    std::vector<mv::DataFileEntry> entries;
    int64_t dataSize = mv::dataRecordOffset(int(content.size()) + 1);
    for (const ContentFile& f : content) {
      std::vector<uint8_t> bytes = readWholeFile(f.path, "content file");
      checkSize(bytes, "content file " + f.path);
      progress_.advance(0, f.name);
      if (bytes.empty())
        result_.warnings.push_back("content file " + inQuotes(f.name) + " is empty: the installer does not create empty files");
      Payload packed;
      const size_t size = bytes.size();
      packSmaller(packed, std::move(bytes), "content file " + f.path);
      if (dataSize > kMaxFileSize) throw ToolError("content folder " + m.content + ": too large for one package");
      dataSize += mv::dataBlockSize(int64_t(packed.bytes.size()));
      entries.push_back({f.name, std::move(packed.bytes), packed.expanded, packed.compressed});
      result_.contentBytes += int64_t(size);
      progress_.advance(size, f.name);
    }
    std::vector<uint8_t> data = mv::serializeDataFile(in.title, entries);  // stored as Windows-1252, <= 64 bytes
    checkSize(data, "content folder " + m.content + " (as a data file)");
    result_.entries = static_cast<int>(content.size());
    result_.dataFileBytes = int64_t(data.size());
    Payload& p = slots_[mv::slot::dataFile];
    p.name = in.dataFileName;
    p.kind = mv::slotkind::dataFile;
    p.source = m.content;
    storePlain(p, std::move(data));  // its entries are imploded one by one already
  }

  void finish() { progress_.finish(); }

 private:
  std::vector<Payload>& slots_;
  BuildResult& result_;
  Progress progress_;
};

// Slots 2 to 10 in the order the files are read.
uint8_t packSlots(SlotPacker& packer, std::vector<Payload>& slots, const Manifest& m, const BuildInputs& in,
                  const std::vector<ContentFile>& content) {
  // slot 2: the Flash Player installer, under the name the installer runs it by
  if (!in.flashInstaller.empty())
    packer.packFile(mv::slot::flashInstaller, in.flashInstaller, mv::layout::kFlashInstallerName, mv::slotkind::windowsFolder,
                    "flash-installer");
  else
    slots[mv::slot::flashInstaller].kind = mv::slotkind::windowsFolder;
  const uint8_t presentationKind = packer.packPresentation(m);
  // slots 4 and 5: licence and extra file, under their own names in the content folder
  if (!m.licenceFile.empty())
    packer.packFile(mv::slot::licence, m.licenceFile, plainSlotName(m.licenceFile, "licence", in),
                    mv::slotkind::contentFile, "licence");
  else
    slots[mv::slot::licence].compressed = true;
  if (!m.extra.empty())
    packer.packFile(mv::slot::extra, m.extra, plainSlotName(m.extra, "extra file", in), mv::slotkind::contentFile,
                    "extra file");
  else
    slots[mv::slot::extra].compressed = true;
  // slot 6: the desktop page, named after the title: the installer registers Web\Wallpaper\<title>.html
  packer.packFile(mv::slot::htmlPage, m.html, mv::layout::pageName(in.title), mv::slotkind::wallpaperPage, "html page");
  packer.packDataFile(m, in, content);
  // slot 9: the uninstaller, under the name the uninstall entry points at
  packer.packFile(mv::slot::uninstaller, in.uninstaller, kUninstallerName, mv::slotkind::contentFile, "uninstaller");
  slots[mv::slot::further].kind = mv::slotkind::further;
  return presentationKind;
}

mv::PackageHeader headerOf(const Manifest& m, const std::string& title, uint8_t presentationKind) {
  mv::PackageHeader h;
  h.presentationKind = presentationKind;
  h.licenseFlag = m.showLicence ? 1 : 0;
  h.runExtraFlag = m.runExtraFlag ? 1 : 0;
  h.showDesktopFlag = m.showDesktopFlag ? 1 : 0;
  h.red = m.red;
  h.green = m.green;
  h.blue = m.blue;
  h.setTitle(title);
  return h;
}

// Places the payloads: the directory at `offset`, then slots 1..9 in order without gaps. Returns where
// the installer ends.
int64_t placePayloads(mv::PackageDirectory& dir, const std::vector<Payload>& slots, int64_t offset,
                      const std::string& output) {
  mv::PackageEntry& installer = dir.entries[mv::slot::installer];
  installer.name = "install.exe";
  installer.start = 0;
  installer.end = static_cast<int32_t>(offset - 1);
  installer.kind = mv::slotkind::installer;
  installer.expandedSize = static_cast<int32_t>(offset);

  int64_t cursor = offset + mv::kDirectorySize;
  for (int k = 1; k < mv::kSlotCount; ++k) {
    const Payload& p = slots[k];
    mv::PackageEntry& e = dir.entries[k];
    e.name = p.name;
    e.kind = p.kind;
    e.compressed = p.compressed ? 1 : 0;
    e.packedSize = p.compressed ? static_cast<int32_t>(p.bytes.size()) : p.packed;
    e.expandedSize = p.expanded;
    if (k == mv::slot::further && p.name.empty()) {
      e.start = e.end = 0;
    } else if (p.name.empty()) {
      // An empty slot points at where the next payload begins (inside the file: the data file and the
      // uninstaller always follow) and stores nothing.
      e.start = e.end = static_cast<int32_t>(cursor);
    } else {
      if (cursor + int64_t(p.bytes.size()) > kMaxFileSize) throw ToolError(output + ": the installer would exceed 2 GiB");
      e.start = static_cast<int32_t>(cursor);
      e.end = static_cast<int32_t>(cursor + int64_t(p.bytes.size()) - 1);
      cursor += int64_t(p.bytes.size());
    }
  }
  if (slots[mv::slot::further].name.empty()) dir.entries[mv::slot::further].kind = mv::slotkind::further;
  return cursor;
}

// The stub, the directory and the payloads, in one buffer of `size` bytes.
std::vector<uint8_t> joinInstaller(const std::vector<uint8_t>& stub, const mv::PackageDirectory& dir,
                                   const std::vector<Payload>& slots, int64_t size) {
  const size_t offset = stub.size();
  std::vector<uint8_t> file;
  file.reserve(size_t(size));
  file.insert(file.end(), stub.begin(), stub.end());
  file.resize(offset + mv::kDirectorySize);
  mv::serializeDirectory(dir, file.data() + offset);
  for (int k = 1; k < mv::kSlotCount; ++k) {
    const Payload& p = slots[k];
    if (!p.name.empty()) file.insert(file.end(), p.bytes.begin(), p.bytes.end());
  }
  return file;
}

// The integrity record (the package's length, then "MVCK" and the CRC-32 of the package, format.h) and
// the PE checksum of the whole installer, the program part included, written last as it covers every
// byte. Without integrity the checksum field is cleared: a stub's own checksum would not match.
void sealInstaller(std::vector<uint8_t>& file, mv::PackageDirectory& dir, int64_t offset, bool integrity,
                   BuildResult& result) {
  if (integrity) {
    mv::setPackageLength(dir.header, uint32_t(file.size() - size_t(offset)));
    mv::serializeDirectory(dir, file.data() + offset);
    const uint32_t crc = mv::packageCrcUpdate(0, file.data() + offset, file.size() - size_t(offset), 0);
    mv::setIntegrityRecord(dir.header, crc);
    mv::serializeDirectory(dir, file.data() + offset);
    result.crc = crc;
  }
  const uint32_t checksum = integrity ? mv::peChecksumOf(file.data(), file.size()) : 0;
  if (mv::setPeChecksum(file.data(), file.size(), checksum)) result.peChecksum = checksum;
}

// One line per slot for the report.
std::vector<std::string> summaryOf(const mv::PackageDirectory& dir) {
  std::vector<std::string> summary;
  for (int k = 0; k < mv::kSlotCount; ++k) {
    const mv::PackageEntry& e = dir.entries[k];
    if (e.name.empty()) continue;
    // Names are UTF-8: padded by characters, not bytes.
    std::string name = e.name;
    size_t characters = 0;
    for (unsigned char c : name) characters += (c & 0xC0) != 0x80;
    if (characters < 24) name.append(24 - characters, ' ');
    char line[400];
    std::snprintf(line, sizeof line, "slot %2d  %s %12s -> %12s %s", k, name.c_str(),
                  withCommas(e.expandedSize).c_str(), withCommas(e.storedSize()).c_str(),
                  e.compressed ? "imploded" : "stored");
    summary.push_back(line);
  }
  return summary;
}

// The content folder as the installer lays it out, and the page, for the still wallpaper's check.
StillInputs stillInputsOf(const Manifest& m, const BuildInputs& in, const std::vector<ContentFile>& content) {
  StillInputs still;
  still.title = in.title;
  still.files = content;
  still.background = uint32_t(m.red) << 16 | uint32_t(m.green) << 8 | uint32_t(m.blue);
  const std::vector<uint8_t> page = readWholeFile(m.html, "html page");
  if (page.size() <= mv::still::kMaxPageBytes) still.page = std::string(page.begin(), page.end());
  return still;
}

}  // namespace

BuildResult buildInstaller(const Manifest& m, const BuildOptions& options) {
  auto started = std::chrono::steady_clock::now();
  BuildResult result;
  BuildInputs in = pickInputs(m, options);
  checkTitle(m, in);
  checkManifestLines(m, in, result.warnings);
  checkOutputPath(in.output);

  const std::vector<uint8_t> stub = readStub(in.stub);
  const int64_t offset = int64_t(stub.size());
  result.stubSize = offset;
  std::vector<Payload> slots(mv::kSlotCount);
  for (int k = 0; k < mv::kSlotCount; ++k) slots[k].slot = k;
  packLibrary(slots[mv::slot::library], in.library);

  const std::vector<ContentFile> content = collectContent(m.content, m.mainFile, result.warnings);
  checkContent(content, m, in, result.warnings);
  SlotPacker packer(slots, result, workOf(content, m, in), options.progress);
  const uint8_t presentationKind = packSlots(packer, slots, m, in, content);
  packer.finish();
  for (std::string& w : stillWallpaperWarnings(stillInputsOf(m, in, content))) result.warnings.push_back(std::move(w));

  mv::PackageDirectory dir;
  dir.header = headerOf(m, in.title, presentationKind);
  const int64_t size = placePayloads(dir, slots, offset, in.output);
  std::vector<uint8_t> file = joinInstaller(stub, dir, slots, size);
  sealInstaller(file, dir, offset, options.integrity, result);

  // A temporary file beside the output, then renamed, so a failure never leaves half an installer.
  writeOutputFile(in.output, file);
#ifndef _WIN32
  std::error_code ec;  // an installer that is not executable here still installs on Windows
  fs::permissions(toPath(in.output), fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                  fs::perm_options::add, ec);
#endif

  result.output = in.output;
  result.totalSize = int64_t(file.size());
  result.summary = summaryOf(dir);
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  return result;
}

}  // namespace mvpack
