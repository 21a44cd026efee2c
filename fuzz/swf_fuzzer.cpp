// Fuzz target: an SWF movie as the movie panel meets it.
//
// The input becomes the movie file; its signature is read, a "CWS" movie is expanded into the panel's
// working folder, and the plain movie's header is parsed up to the background colour, as the panel
// does before it plays a movie. Damage must give a result code (-404, -405, -406) or a raised
// PlatformError with a text; nothing may be written outside the working folder, and the expanded copy
// never exceeds the bound. The bound is 1 MiB here rather than the panel's 256 MiB, so that streams
// that inflate a lot stay fast; the code path is the same.
#include <cstddef>
#include <cstdint>
#include <string>

#include "flash/swf.h"
#include "fuzz_support.h"
#include "support/file_helpers.h"

using namespace mv;

namespace {

fuzz::FuzzSandbox& sandbox() {
  static fuzz::FuzzSandbox s;
  return s;
}

constexpr uint64_t kBound = 1u << 20;
constexpr const char* kMovie = "C:\\WINDOWS\\Web\\Wallpaper\\Demo dir\\installer.swf";
constexpr const char* kWork = "C:\\TEMP\\FlashPanel\\";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::FuzzSandbox& box = sandbox();
  fuzz::FuzzPlatform& p = box.reset();
  forceFolders("C:\\WINDOWS\\Web\\Wallpaper\\Demo dir");
  p.createDirectory("C:\\TEMP\\FlashPanel");
  p.writeWholeFile(kMovie, std::string(reinterpret_cast<const char*>(data), size));

  Result r = 0;
  try {
    std::string signature;
    r = readSwfSignature(kMovie, signature);
    if (r == 0) {
      std::string headerFile = kMovie;
      if (signature == "CWS") {
        r = expandCompressedSwf(kMovie, kWork, kBound);
        headerFile = std::string(kWork) + "unCompressedSWF.swf";
        std::string expanded;
        if (!p.readWholeFile(headerFile, expanded)) fuzz::fail("no expanded movie");
        if (expanded.size() > kBound && expanded.size() > 8) fuzz::fail("the expanded movie exceeds its bound");
      }
      if (r == 0) {
        SwfHeaderInfo info;
        r = parseSwfHeader(headerFile, info);
        if (r == 0 && (info.red < 0 || info.red > 255 || info.green < 0 || info.green > 255 || info.blue < 0 ||
                       info.blue > 255))
          fuzz::fail("a colour component outside 0..255");
      }
    }
  } catch (const PlatformError& e) {
    if (std::string(e.what()).empty()) fuzz::fail("an error without a text");
    r = rc::platformError;
  }
  if (r != 0 && r != rc::notSwf && r != rc::swfTooNew && r != rc::swfTooOld && r != rc::platformError)
    fuzz::fail("unexpected result " + std::to_string(r));
  if (p.openFileCount() != 0) fuzz::fail("a file was left open");
  box.checkTree({{box.host("C:\\WINDOWS"), false},
                 {box.host("C:\\WINDOWS\\system32"), false},
                 {box.host("C:\\WINDOWS\\Web\\Wallpaper\\Demo dir"), false},
                 {box.host("C:\\TEMP\\MVVA"), false},
                 {box.host("C:\\TEMP\\FlashPanel"), false}});
  return 0;
}
