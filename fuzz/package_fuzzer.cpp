// Fuzz target: a whole installer file (executable image + package) as the installer meets it.
//
// The input becomes the temp copy in a host sandbox. Then, as start-up and installation do: the
// directory is read (PE headers, directory, integrity record, slot offsets), the content title is
// checked and slot 1 extracted while the copy is open; the content folder is made from the title; the
// other slots are extracted (compressed ones through the codec); a data file in slot 8 is opened and
// every record extracted. Message boxes are answered by the host platform.
//
// Checked for every input, besides what the sanitizers check: a failure comes with a message box, and
// no file lands outside the folders the installer writes into.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "package/format.h"
#include "package/package_reader.h"
#include "package/slots.h"
#include "support/file_helpers.h"
#include "support/paths.h"

using namespace mv;

namespace {

fuzz::FuzzSandbox& sandbox() {
  static fuzz::FuzzSandbox s;
  return s;
}

void expectMessage(Result r, size_t boxesBefore, const char* step) {
  if (r != 0 && sandbox().platform().boxes.size() == boxesBefore)
    fuzz::fail(std::string(step) + " failed with " + std::to_string(r) + " without a message");
}

void extractDataFile(const std::string& contentFolder, const std::string& path) {
  DataFileReader& data = dataFile();
  size_t boxes = sandbox().platform().boxes.size();
  Result r = data.openDataFile(path, true);
  expectMessage(r, boxes, "openDataFile");
  if (r != 0) return;
  int32_t count = data.entryCount();
  for (int i = 1; i <= count && i <= kMaxDataRecords; ++i) {
    if (data.record(i).name.empty()) continue;
    uint8_t kind = 0;
    data.extractDataEntry(contentFolder, i, false, &kind);
  }
  data.closeDataFile();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FuzzSandbox& box = sandbox();
  fuzz::FuzzPlatform& p = box.reset();
  InstallerState& s = state();
  p.writeWholeFile(s.tempCopyPath, std::string(reinterpret_cast<const char*>(data), size));

  size_t boxes = p.boxes.size();
  bool titleRefused = false;
  Result r = readPackageDirectory([&](File& stream) -> Result {
    // Start-up's library step: the title must be a plain folder name before anything is written.
    if (!isPlainFolderName(s.directory.header.title())) {
      titleRefused = true;
      return rc::badTitle;
    }
    size_t before = p.boxes.size();
    Result step = extractSlot(stream, slot::library, false);
    expectMessage(step, before, "extractSlot(1)");
    return step;
  });
  if (!titleRefused) expectMessage(r, boxes, "readPackageDirectory");

  std::string contentFolder;
  if (r == 0) {
    s.contentTitle = s.directory.header.title();
    s.contentFolder = s.windowsFolder + "Web\\Wallpaper\\" + s.contentTitle + " dir\\";
    contentFolder = s.contentFolder;
    forceFolders(s.contentFolder);
    s.dataFilePath = s.contentFolder + s.directory.entries[slot::dataFile].name;

    std::unique_ptr<File> stream = p.open(s.tempCopyPath, OpenMode::Read);
    if (!stream) fuzz::fail("the temp copy cannot be opened");
    bool dataFileWritten = false;
    for (int k : {slot::flashInstaller, slot::presentation, slot::licence, slot::extra, slot::htmlPage, slot::dataFile,
                  slot::uninstaller, slot::further}) {
      if (s.directory.entries[k].name.empty()) continue;
      size_t before = p.boxes.size();
      Result step = extractSlot(*stream, k, k >= slot::htmlPage);
      expectMessage(step, before, "extractSlot");
      if (k == slot::dataFile && step == 0) dataFileWritten = true;
    }
    stream->close();
    if (dataFileWritten && fileExists(s.dataFilePath)) extractDataFile(s.contentFolder, s.dataFilePath);
  }

  if (p.openFileCount() != 0) fuzz::fail("a file was left open");
  if (p.librariesLoaded() != 0) fuzz::fail("the codec library was left loaded");

  std::vector<fuzz::FuzzSandbox::Allowed> allowed = {
      {box.host("C:\\WINDOWS"), false},
      {box.host("C:\\WINDOWS\\system32"), false},
      {box.host("C:\\WINDOWS\\Web\\Wallpaper"), false},
      {box.host("C:\\TEMP\\MVVA"), false},
  };
  if (!contentFolder.empty()) {
    std::string folder = box.host(contentFolder);
    if (folder.empty()) fuzz::fail("the content folder is not a valid path: " + contentFolder);
    allowed.push_back({folder, true});
  }
  box.checkTree(allowed);
  return 0;
}
