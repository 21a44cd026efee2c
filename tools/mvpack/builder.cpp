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
#include "flash/swf_header.h"
#include "licence_text.h"
#include "output_file.h"
#include "package/datafile_format.h"
#include "package/format.h"
#include "picture_check.h"
#include "progress.h"
#include "support/bytes.h"
#include "support/paths.h"
#include "support/text_encoding.h"
#include "util.h"

namespace fs = std::filesystem;

namespace mvpack {

namespace {

constexpr int64_t kMaxFileSize = 0x7FFFFFFF;  // offsets and sizes are signed 32-bit
constexpr char kDataFileExtension[] = ".mvd";
constexpr char kUninstallerName[] = "uninstall.exe";
// The longest Windows folder a user is likely to have, and the wallpaper folder in it.
constexpr size_t kContentFolderPrefix = sizeof "C:\\WINDOWS\\" - 1 + sizeof "Web\\Wallpaper\\" - 1;
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

BuildResult buildInstaller(const Manifest& m, const BuildOptions& options) {
  auto started = std::chrono::steady_clock::now();
  BuildResult result;
  auto warn = [&](const std::string& w) { result.warnings.push_back(w); };
  const std::string where = m.path + ": ";

  // --- what the manifest and the command line give
  auto pick = [](const std::string& cli, const std::string& manifest) { return cli.empty() ? manifest : cli; };
  const std::string output = pick(options.output, m.output);
  const std::string stubPath = pick(options.stub, m.stub);
  if (output.empty()) throw ToolError(where + "no output file: give -o FILE or \"output =\" in the manifest");
  if (stubPath.empty()) throw ToolError(where + "no stub: give --stub FILE or \"stub =\" in the manifest");
  const fs::path stubFolder = toPath(stubPath).parent_path();
  auto besideStub = [&](const char* name) { return fromPath(stubFolder / name); };
  std::string libraryPath = pick(options.library, m.library);
  if (libraryPath.empty()) libraryPath = besideStub("impborl.dll");
  std::string uninstallerPath = pick(options.uninstaller, m.uninstaller);
  if (uninstallerPath.empty()) uninstallerPath = besideStub(kUninstallerName);
  const std::string flashPath = pick(options.flashInstaller, m.flashInstaller);

  if (m.title.empty()) throw ToolError(where + "no title: \"title =\" is required");
  const std::string title = nameText(m.title);
  const std::string storedTitle = storedName(title, where + "title");  // as the package holds it
  if (storedTitle.size() > 64) throw ToolError(where + "title " + inQuotes(title) + " is longer than 64 characters");
  if (title.find_first_of("\\/") == std::string::npos && mv::isDeviceName(title))
    throw ToolError(where + "title " + inQuotes(title) +
                    " is a name Windows reserves for a device (CON, PRN, AUX, NUL, COM1-9, LPT1-9, with any "
                    "extension): the installer's page " + inQuotes(title + ".html") +
                    " would open the device instead of a file; choose another title");
  if (!mv::isPlainFolderName(title) || title.back() == ' ' || title.back() == '.') {
    const std::string fault = title.find_first_of("\\/") == std::string::npos ? windowsNameFault(title) : "";
    if (!fault.empty()) throw ToolError(where + "title " + fault + "; choose another title");
    throw ToolError(where + "title " + inQuotes(title) +
                    " cannot be a folder name (no \\ / : * ? \" < > |, control characters, or trailing blank or dot)");
  }
  if (!m.presentationGiven)
    throw ToolError(where + "no presentation: \"presentation = picture FILE | movie FILE | silent | none\"");
  if (m.html.empty()) throw ToolError(where + "no desktop page: \"html =\" is required");
  if (m.content.empty()) throw ToolError(where + "no content folder: \"content =\" is required");
  if (m.showLicence && m.licenceFile.empty())
    throw ToolError(where + "flag license is set but no \"licence =\" file is given");
  if (m.runExtraFlag && m.extra.empty()) throw ToolError(where + "flag run-extra is set but no \"extra =\" file is given");
  if (!m.licenceFile.empty() && !m.showLicence) warn("licence " + m.licenceFile + " is packed but not shown: flag license is not set");
  if (!m.extra.empty() && !m.runExtraFlag) warn("extra file " + m.extra + " is packed but not used: flag run-extra is not set");
  if (flashPath.empty())
    warn("no flash-installer: the installer stops at start-up when slot 2 is empty (its \"empty slot name\" error)");

  checkOutputPath(output);

  // --- the stub: its PE image must end exactly where the file ends, since the installer finds its
  // package at the end of its own image
  std::vector<uint8_t> stub = readWholeFile(stubPath, "stub");
  const int64_t imageEnd = mv::packageOffsetFromImage(stub.data(), stub.size());
  if (imageEnd < 0) throw ToolError("stub " + stubPath + ": not a Windows executable (no valid PE headers)");
  if (imageEnd != int64_t(stub.size()))
    throw ToolError("stub " + stubPath + ": its executable image ends at byte " + withCommas(imageEnd) +
                    " but the file is " + withCommas(int64_t(stub.size())) +
                    " bytes long (a package or other data is already appended); use the bare install.exe");
  const int64_t offset = imageEnd;
  result.stubSize = offset;

  std::vector<Payload> slots(mv::kSlotCount);
  for (int k = 0; k < mv::kSlotCount; ++k) slots[k].slot = k;

  // slot 1: the library, stored as it is (nothing can be expanded before it is in place)
  {
    std::vector<uint8_t> lib = readWholeFile(libraryPath, "library");
    if (!startsWith(lib, "MZ", 2)) throw ToolError("library " + libraryPath + ": not a Windows DLL");
    checkSize(lib, "library " + libraryPath);
    Payload& p = slots[mv::slot::library];
    p.name = "impborl.dat";
    p.kind = mv::slotkind::windowsFolder;
    p.source = libraryPath;
    storePlain(p, std::move(lib));
  }

  // Count the work for the progress bar: every file that is imploded.
  std::vector<ContentFile> content = collectContent(m.content, m.mainFile, result.warnings);
  if (content.size() > size_t(mv::kMaxDataRecords))
    throw ToolError("content folder " + m.content + ": " + std::to_string(content.size()) +
                    " files, but the Moviva data file holds at most " + std::to_string(mv::kMaxDataRecords));
  if (content.empty()) warn("content folder " + m.content + " is empty: the installation writes no content files");
  {  // never overwrite an input
    std::vector<std::pair<std::string, std::string>> inputs = {
        {"manifest", m.path},        {"stub", stubPath},       {"library", libraryPath},
        {"uninstaller", uninstallerPath}, {"flash-installer", flashPath}, {"html page", m.html},
        {"licence", m.licenceFile},  {"extra file", m.extra},  {"picture or movie", m.presentationFile}};
    for (const ContentFile& f : content) inputs.push_back({"content file", f.path});
    refuseOutputAmongInputs(output, inputs);
  }
  const std::string dataFileName = title + kDataFileExtension;
  for (const ContentFile& f : content) {
    if (mv::equalsIgnoreCase(f.name, dataFileName) || mv::equalsIgnoreCase(f.name, kUninstallerName))
      throw ToolError("content file " + f.path + ": the name " + inQuotes(f.name) +
                      " is taken by the installer's own " +
                      (mv::equalsIgnoreCase(f.name, dataFileName) ? "data file" : "uninstaller"));
    // Windows-1252 characters are one UTF-16 unit each, so the stored length is the path's length there.
    if (kContentFolderPrefix + storedTitle.size() + 5 + mv::toWindows1252(f.name).size() > kMaxPath)
      warn("content file " + inQuotes(f.name) + ": its installed path may exceed 259 characters");
  }

  uint64_t totalWork = 0;
  std::error_code ec;
  auto sizeOf = [&](const std::string& path) -> uint64_t {
    uintmax_t n = fs::file_size(toPath(path), ec);
    return ec ? 0 : uint64_t(n);  // a file that cannot be read fails with its own message below
  };
  for (const ContentFile& f : content) totalWork += sizeOf(f.path);
  for (const std::string& p : {flashPath, m.presentationFile, m.licenceFile, m.extra, m.html, uninstallerPath})
    if (!p.empty()) totalWork += sizeOf(p);
  Progress progress("packing", totalWork, options.progress);

  auto addFile = [&](int k, const std::string& path, const std::string& name, int kind, const std::string& what) {
    std::vector<uint8_t> bytes = readWholeFile(path, what);
    if (k == mv::slot::licence) bytes = licenceAsWindows1252(bytes, what + " " + path);
    checkSize(bytes, what + " " + path);
    Payload& p = slots[k];
    p.name = name;
    p.kind = kind;
    p.source = path;
    progress.advance(0, name);
    const size_t size = bytes.size();
    packSmaller(p, std::move(bytes), what + " " + path);
    progress.advance(size, name);
  };

  // slot 2: the Flash Player installer, under the name the installer runs it by
  if (!flashPath.empty())
    addFile(mv::slot::flashInstaller, flashPath, "flashax.exe", mv::slotkind::windowsFolder, "flash-installer");
  else
    slots[mv::slot::flashInstaller].kind = mv::slotkind::windowsFolder;

  // slot 3: the picture or movie of the installer window
  uint8_t presentationKind = 0;
  switch (m.presentation) {
    case PresentationChoice::Picture: {
      std::vector<uint8_t> head = readWholeFile(m.presentationFile, "picture");
      std::string name;
      if (startsWith(head, "BM", 2)) presentationKind = mv::presentation::bmp, name = "installer.bmp";
      else if (startsWith(head, "\xFF\xD8\xFF", 3)) presentationKind = mv::presentation::jpeg, name = "installer.jpg";
      else throw ToolError("picture " + m.presentationFile + ": neither a BMP nor a JPEG file");
      const std::string tooLarge = pictureWarning(head, "picture " + m.presentationFile);
      if (!tooLarge.empty()) warn(tooLarge);
      addFile(mv::slot::presentation, m.presentationFile, name, mv::slotkind::contentFile, "picture");
      break;
    }
    case PresentationChoice::Movie: {
      std::vector<uint8_t> head = readWholeFile(m.presentationFile, "movie");
      const mv::SwfHeader swf = mv::readSwfHeader(head.data(), head.size());
      if (swf.signature == mv::SwfSignature::none)
        throw ToolError("movie " + m.presentationFile + ": not an SWF movie (it starts neither with FWS nor CWS)");
      if (swf.hasVersion() && mv::swfVersionFit(swf.version) == mv::SwfVersionFit::tooNew)
        warn("movie " + m.presentationFile + ": SWF version " + std::to_string(swf.version) +
             "; the installer plays versions up to " + std::to_string(mv::kNewestPlayedSwf) + " only");
      presentationKind = mv::presentation::movie;
      addFile(mv::slot::presentation, m.presentationFile, "installer.swf", mv::slotkind::contentFile, "movie");
      break;
    }
    case PresentationChoice::Silent:
      presentationKind = mv::presentation::silent;
      break;
    case PresentationChoice::None:
      presentationKind = 0;
      break;
  }

  auto plainName = [&](const std::string& path, const std::string& what) {
    const std::string name = nameText(baseName(path));
    const std::string fault = windowsNameFault(name);
    if (!fault.empty())
      throw ToolError(what + " " + path + ": Windows cannot create a file of that name: " + fault + "; rename it");
    if (storedName(name, what + " " + path).size() > 255 || !mv::isPlainFileName(name) || hasReservedComponent(name))
      throw ToolError(what + " " + path + ": its file name cannot be stored in the package");
    if (mv::equalsIgnoreCase(name, dataFileName) || mv::equalsIgnoreCase(name, kUninstallerName))
      throw ToolError(what + " " + path + ": the name " + inQuotes(name) + " is taken by the installer's own files");
    return name;
  };
  // slots 4 and 5: licence and extra file, under their own names in the content folder
  if (!m.licenceFile.empty()) addFile(mv::slot::licence, m.licenceFile, plainName(m.licenceFile, "licence"), mv::slotkind::contentFile, "licence");
  else slots[mv::slot::licence].compressed = true;
  if (!m.extra.empty()) addFile(mv::slot::extra, m.extra, plainName(m.extra, "extra file"), mv::slotkind::contentFile, "extra file");
  else slots[mv::slot::extra].compressed = true;

  // slot 6: the desktop page, named after the title: the installer registers Web\Wallpaper\<title>.html
  addFile(mv::slot::htmlPage, m.html, title + ".html", mv::slotkind::wallpaperPage, "html page");

  // slot 8: the Moviva data file
  {
    std::vector<mv::DataFileEntry> entries;
    int64_t dataSize = mv::dataRecordOffset(int(content.size()) + 1);
    for (const ContentFile& f : content) {
      std::vector<uint8_t> bytes = readWholeFile(f.path, "content file");
      checkSize(bytes, "content file " + f.path);
      progress.advance(0, f.name);
      if (bytes.empty()) warn("content file " + inQuotes(f.name) + " is empty: the installer does not create empty files");
      Payload packed;
      const size_t size = bytes.size();
      packSmaller(packed, std::move(bytes), "content file " + f.path);
      if (dataSize > kMaxFileSize) throw ToolError("content folder " + m.content + ": too large for one package");
      dataSize += mv::kDataBlockHeaderSize + int64_t(packed.bytes.size());
      entries.push_back({f.name, std::move(packed.bytes), packed.expanded, packed.compressed});
      result.contentBytes += int64_t(size);
      progress.advance(size, f.name);
    }
    std::vector<uint8_t> data = mv::serializeDataFile(title, entries);  // stored as Windows-1252, <= 64 bytes
    checkSize(data, "content folder " + m.content + " (as a data file)");
    result.entries = static_cast<int>(content.size());
    result.dataFileBytes = int64_t(data.size());
    Payload& p = slots[mv::slot::dataFile];
    p.name = dataFileName;
    p.kind = mv::slotkind::dataFile;
    p.source = m.content;
    storePlain(p, std::move(data));  // its entries are imploded one by one already
  }

  // slot 9: the uninstaller, under the name the uninstall entry points at
  addFile(mv::slot::uninstaller, uninstallerPath, kUninstallerName, mv::slotkind::contentFile, "uninstaller");
  slots[mv::slot::further].kind = mv::slotkind::further;
  progress.finish();

  // --- placing the payloads: the directory at packageOffset, then slots 1..9 in order without gaps
  mv::PackageDirectory dir;
  mv::PackageHeader& h = dir.header;
  h.presentationKind = presentationKind;
  h.licenseFlag = m.showLicence ? 1 : 0;
  h.runExtraFlag = m.runExtraFlag ? 1 : 0;
  h.showDesktopFlag = m.showDesktopFlag ? 1 : 0;
  h.red = m.red;
  h.green = m.green;
  h.blue = m.blue;
  h.setTitle(title);

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

  std::vector<uint8_t> file;
  file.reserve(size_t(cursor));
  file.insert(file.end(), stub.begin(), stub.end());
  file.resize(size_t(offset) + mv::kDirectorySize);
  mv::serializeDirectory(dir, file.data() + offset);
  for (int k = 1; k < mv::kSlotCount; ++k) {
    const Payload& p = slots[k];
    if (!p.name.empty()) file.insert(file.end(), p.bytes.begin(), p.bytes.end());
  }

  // --- integrity: the package's length, then "MVCK" and the CRC-32 of the package (format.h)
  if (options.integrity) {
    mv::setPackageLength(dir.header, uint32_t(file.size() - size_t(offset)));
    mv::serializeDirectory(dir, file.data() + offset);
    const uint32_t crc = mv::packageCrcUpdate(0, file.data() + offset, file.size() - size_t(offset), 0);
    mv::setIntegrityRecord(dir.header, crc);
    mv::serializeDirectory(dir, file.data() + offset);
    result.crc = crc;
  }
  // --- the PE checksum of the whole installer, the program part included (format.h); written last, as
  // it covers every byte. Without integrity the field is cleared: a stub's own checksum would not match.
  const uint32_t checksum = options.integrity ? mv::peChecksumOf(file.data(), file.size()) : 0;
  if (mv::setPeChecksum(file.data(), file.size(), checksum)) result.peChecksum = checksum;

  // --- write it: a temporary file beside the output, then renamed, so a failure never leaves half an installer
  writeOutputFile(output, file);
#ifndef _WIN32
  fs::permissions(toPath(output), fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                  fs::perm_options::add, ec);
#endif

  result.output = output;
  result.totalSize = int64_t(file.size());
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
    result.summary.push_back(line);
  }
  result.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  return result;
}

}  // namespace mvpack
