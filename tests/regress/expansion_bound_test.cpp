// A compressed payload that expands to far more than its entry declares (a DCL stream of zeros expands
// about 170 times) is refused with -13, and the destination never grows past the declared size + 1:
// damage cannot fill the disk of the Windows folder.
#include <gtest/gtest.h>

#include <string>

#include "harness.h"
#include "package/package_writer.h"

namespace mv {
namespace {

using test::Bytes;

constexpr size_t kHuge = 8u << 20;  // 8 MiB of zeros: an implode stream of about 50 KiB

Bytes zerosStream() {
  std::string zeros(kHuge, '\0');
  return dclImplode(reinterpret_cast<const uint8_t*>(zeros.data()), zeros.size(), 0, 4096);
}

TEST(ExpansionBound, TheAdapterStopsAtItsLimit) {
  harness::Sandbox box;
  box.reset();
  const Bytes stream = zerosStream();
  ASSERT_LT(stream.size(), kHuge / 100);
  const std::string path = "C:\\WINDOWS\\Web\\out.bin";
  box.platform().createDirectory("C:\\WINDOWS\\Web");
  for (int64_t limit : {0, 1, 101, 4096, 100000}) {
    DclLibrary compressor(platform(), box.state());
    ASSERT_TRUE(compressor.available());
    int64_t count = -1;
    EXPECT_EQ(compressor.expand(path, stream.data(), stream.size(), limit, count), 0);
    std::string written;
    ASSERT_TRUE(box.platform().readWholeFile(path, written));
    EXPECT_EQ(written.size(), size_t(limit)) << limit;
    EXPECT_EQ(count, limit);
  }
  // Without a limit, everything the stream holds.
  DclLibrary compressor(platform(), box.state());
  int64_t count = -1;
  EXPECT_EQ(compressor.expand(path, stream.data(), stream.size(), -1, count), 0);
  EXPECT_EQ(count, int64_t(kHuge));
  std::string written;
  ASSERT_TRUE(box.platform().readWholeFile(path, written));
  EXPECT_EQ(written.size(), kHuge);
}

TEST(ExpansionBound, ASlotThatExpandsPastItsSizeIsRefused) {
  test::PackageLayout p = test::typicalPackage("Demo", test::buildDataFile({"Demo", 0, {}, -1}));
  p.slots[6] = {"Demo.html", 2, zerosStream(), true, 100};
  const Bytes file = test::buildInstaller(test::peStub(1024), p);
  harness::Sandbox box;
  harness::Outcome o = harness::runInstallerFile(box, file.data(), file.size());
  EXPECT_EQ(o.problem, "");
  EXPECT_EQ(o.code("slot 6"), rc::wrongSize);
  std::string written;
  ASSERT_TRUE(box.platform().readWholeFile("C:\\WINDOWS\\Web\\Wallpaper\\Demo.html", written));
  EXPECT_LE(written.size(), 101u);
}

TEST(ExpansionBound, ADataEntryThatExpandsPastItsSizeIsRefused) {
  test::DataFileLayout d;
  d.title = "Demo";
  d.entries = {{"big.bin", 0, zerosStream(), true, 100}, {"next.txt", 0, test::bytesOf("next"), false, -1}};
  const Bytes file = test::buildDataFile(d);
  harness::Sandbox box;
  harness::Outcome o = harness::runDataFile(box, file.data(), file.size());
  EXPECT_EQ(o.problem, "");
  EXPECT_EQ(o.code("entry 1"), rc::wrongSize);
  EXPECT_EQ(o.code("entry 2"), 0);
}

}  // namespace
}  // namespace mv
