// Fuzz target: a Moviva data file as the installation meets it in the content folder.
//
// The input becomes the data file; the header is read, the file opened, and every record with a name
// extracted into the content folder (compressed entries through the codec), then the file is closed.
// Checked besides the sanitizers: an open failure comes with a message; every entry outside the table
// is refused with -12; nothing is written outside the content folder; no file is left open.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "support/file_helpers.h"

using namespace mv;

namespace {

fuzz::FuzzSandbox& sandbox() {
  static fuzz::FuzzSandbox s;
  return s;
}

constexpr const char* kContent = "C:\\WINDOWS\\Web\\Wallpaper\\Demo dir\\";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FuzzSandbox& box = sandbox();
  fuzz::FuzzPlatform& p = box.reset();
  InstallerState& s = state();
  s.contentTitle = "Demo";
  s.contentFolder = kContent;
  s.dataFilePath = std::string(kContent) + "Demo.mvd";
  forceFolders(s.contentFolder);
  p.writeWholeFile(s.dataFilePath, std::string(reinterpret_cast<const char*>(data), size));

  DataFileReader& reader = dataFile();
  reader.readDataHeader();
  size_t boxes = p.boxes.size();
  Result r = reader.openDataFile(s.dataFilePath, true);
  if (r != 0 && p.boxes.size() == boxes) fuzz::fail("openDataFile failed without a message");
  if (r == 0) {
    const int32_t count = reader.entryCount();
    if (count < 0 || count > kMaxDataRecords) fuzz::fail("a data file with entry count " + std::to_string(count) + " was opened");
    for (int i = 1; i <= count; ++i) {
      if (reader.record(i).name.empty()) continue;
      uint8_t kind = 0xEE;
      Result e = reader.extractDataEntry(s.contentFolder, i, (i & 1) != 0, &kind);
      if (e != 0 && kind != 0) fuzz::fail("a kind was handed back for a failed entry");
    }
    if (reader.extractDataEntry(s.contentFolder, count + 1, false, nullptr) != rc::recordOutOfRange)
      fuzz::fail("the record after the last one was not refused");
    if (reader.extractDataEntry(s.contentFolder, 0, false, nullptr) != rc::recordOutOfRange)
      fuzz::fail("record 0 was not refused");
    reader.closeDataFile();
  }
  if (reader.isOpen()) fuzz::fail("the data file stayed open");
  if (p.openFileCount() != 0) fuzz::fail("a file was left open");
  if (p.librariesLoaded() != 0) fuzz::fail("the codec library was left loaded");

  box.checkTree({{box.host("C:\\WINDOWS"), false},
                 {box.host("C:\\WINDOWS\\system32"), false},
                 {box.host("C:\\TEMP\\MVVA"), false},
                 {box.host(kContent), true}});
  return 0;
}
