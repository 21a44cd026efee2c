// Peak memory of extracting one large slot (a benchmark program, not a test).
//
//   slot_memory_bench make <folder> <MB> [text]
//                                          writes two installers into <folder>: plain.exe with an
//                                          uncompressed slot of <MB> MB, packed.exe with a compressed
//                                          slot that expands to <MB> MB (with "text": content that
//                                          compresses well, otherwise about as well as pictures do)
//   slot_memory_bench extract <folder> plain|packed|none <impborl.so>
//                                          extracts slot 9 of that installer on a host sandbox in
//                                          <folder>/sandbox and prints the peak resident set size
//                                          ("none" reads the directory only: the baseline)
//
// Run the extract step under /usr/bin/time -v to see the same peak from outside.
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "dcl/dcl.h"
#include "installer/state.h"
#include "package/package_reader.h"
#include "package/slots.h"
#include "package_test_util.h"
#include "platform/host/host_platform.h"

using namespace mv;

namespace {

long peakKb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

// Content that compresses about as well as pictures and movies do: runs of repeated text among noise.
// With `text`, mostly repeated text with a little noise, which compresses well.
std::string content(size_t size, bool text) {
  std::string s = test::patternBytes(size, 11);
  if (text)
    for (size_t i = 0; i + 256 < size; i += 256) std::memcpy(&s[i], std::string(240, char('a' + (i / 256) % 26)).data(), 240);
  for (size_t i = 0; i + 64 < size; i += 256) std::memcpy(&s[i], "MOVIVA CONTENT BLOCK -- MOVIVA CONTENT BLOCK -- MOVIVA CONTENT!!", 64);
  return s;
}

int make(const std::string& folder, size_t mb, bool text) {
  const std::string data = content(mb << 20, text);
  for (bool packed : {false, true}) {
    test::PackageBuilder b;
    b.slots[9] = {"big.bin", 5, data, false};
    std::string file;
    if (packed) {
      std::vector<uint8_t> stream =
          dclImplode(reinterpret_cast<const uint8_t*>(data.data()), data.size(), 0, 4096);
      // The builder stores literal streams for compressed slots; put the real codec's stream in place.
      b.slots[9].content = std::string(reinterpret_cast<const char*>(stream.data()), stream.size());
      file = b.build();
      size_t entry = b.stub.size() + 96 + 280 * 9;
      file[entry + 268] = 1;                                       // compressed
      test::putLe32(file, entry + 272, uint32_t(stream.size()));   // packed size
      test::putLe32(file, entry + 276, uint32_t(data.size()));     // expanded size
      std::printf("packed.exe: slot of %zu bytes expanding to %zu\n", stream.size(), data.size());
    } else {
      file = b.build();
      std::printf("plain.exe: slot of %zu bytes\n", data.size());
    }
    std::ofstream out(folder + (packed ? "/packed.exe" : "/plain.exe"), std::ios::binary);
    out.write(file.data(), std::streamsize(file.size()));
  }
  return 0;
}

int extract(const std::string& folder, const std::string& which, const std::string& codec) {
  const std::string root = folder + "/sandbox";
  std::system(("rm -rf '" + root + "' && mkdir -p '" + root + "'").c_str());
  HostPlatform host(root);
  setPlatform(&host);
  for (const char* f : {"C:\\WINDOWS\\Web", "C:\\WINDOWS\\Web\\Wallpaper", "C:\\WINDOWS\\Web\\Wallpaper\\Demo dir",
                        "C:\\TEMP\\MVVA", "C:\\Downloads"})
    host.createDirectory(f);
  // The installer and the codec are linked into the sandbox rather than copied through memory.
  const std::string name = which == "packed" ? "packed.exe" : "plain.exe";
  std::system(("ln -f '" + folder + "/" + name + "' '" + host.hostPath("C:\\TEMP\\MVVA") + "/temp.dat'").c_str());
  std::system(("cp '" + codec + "' '" + host.hostPath("C:\\WINDOWS") + "/impborl.dll'").c_str());

  InstallerState& s = state();
  s.windowsFolder = "C:\\WINDOWS\\";
  s.contentFolder = "C:\\WINDOWS\\Web\\Wallpaper\\Demo dir\\";
  s.tempCopyPath = "C:\\TEMP\\MVVA\\temp.dat";
  long before = peakKb();
  Result r = readPackageDirectory(state(), [&](File& stream) { return which == "none" ? 0 : extractSlot(state(), stream, 9, false); });
  long after = peakKb();
  int64_t written = 0;
  if (std::unique_ptr<File> f = host.open(s.contentFolder + "big.bin", OpenMode::Read)) written = f->size();
  std::printf("%s: result %d, wrote %lld bytes, peak RSS before %ld kB, after %ld kB\n", which.c_str(), r,
              static_cast<long long>(written), before, after);
  for (const auto& b : host.boxes) std::printf("box: %s\n", b.text.c_str());
  setPlatform(nullptr);
  return r == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "make" && (argc == 4 || argc == 5))
    return make(argv[2], std::strtoul(argv[3], nullptr, 10), argc == 5 && std::string(argv[4]) == "text");
  if (mode == "extract" && argc == 5) return extract(argv[2], argv[3], argv[4]);
  std::fprintf(stderr, "usage: slot_memory_bench make <folder> <MB> [text] | extract <folder> plain|packed|none <impborl.so>\n");
  return 2;
}
