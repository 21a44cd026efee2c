// The package directory's byte layout, slot destinations and the package offset from PE headers.
#include <gtest/gtest.h>

#include "package/format.h"
#include "package_test_util.h"
#include "support/install_layout.h"

namespace mv {
namespace {

using test::fakeExecutable;
using test::PackageBuilder;

PackageDirectory parsed(const std::string& file, size_t offset) {
  return parseDirectory(reinterpret_cast<const uint8_t*>(file.data()) + offset);
}

TEST(DirectoryFormat, FieldsAreReadFromTheirOffsets) {
  PackageBuilder b;
  b.presentationKind = 2;
  b.licenseFlag = 1;
  b.runExtraFlag = 7;
  b.showDesktopFlag = 1;
  b.red = -1;
  b.green = 0x12345678;
  b.blue = 255;
  b.slots[1] = {"impborl.dat", 3, "LIB"};
  b.slots[6] = {"Demo.html", 2, "<html>", true, 0};
  b.slots[9] = {"uninstall.exe", 5, "MZ...", false, 4};
  std::string file = b.build();
  PackageDirectory d = parsed(file, b.stub.size());

  EXPECT_EQ(d.header.presentationKind, 2);
  EXPECT_EQ(d.header.licenseFlag, 1);
  EXPECT_EQ(d.header.runExtraFlag, 7);
  EXPECT_EQ(d.header.showDesktopFlag, 1);
  EXPECT_EQ(d.header.red, -1);
  EXPECT_EQ(d.header.green, 0x12345678);
  EXPECT_EQ(d.header.blue, 255);
  EXPECT_EQ(d.header.title(), "Demo");

  EXPECT_EQ(d.entries[0].name, "install.exe");
  EXPECT_EQ(d.entries[0].start, 0);
  EXPECT_EQ(d.entries[0].end, int32_t(b.stub.size()) - 1);
  EXPECT_EQ(d.entries[0].kind, 6);
  EXPECT_EQ(d.entries[1].name, "impborl.dat");  // the '#' leftovers after the name are not part of it
  EXPECT_EQ(d.entries[1].kind, 3);
  EXPECT_EQ(d.entries[1].start, int32_t(b.payloadOffset(1)));
  EXPECT_EQ(d.entries[1].storedSize(), 3);
  EXPECT_EQ(d.entries[6].compressed, 1);
  EXPECT_EQ(d.entries[6].expandedSize, 6);
  EXPECT_EQ(d.entries[6].packedSize, int32_t(d.entries[6].storedSize()));
  EXPECT_EQ(d.entries[9].expandedSize, 9);
  EXPECT_EQ(d.entries[9].compressed, 0);
  EXPECT_TRUE(d.entries[7].name.empty());
  EXPECT_EQ(d.entries[7].start, d.entries[7].end);
}

TEST(DirectoryFormat, TitleOfSixtyFourCharactersHasNoTerminator) {
  PackageBuilder b;
  b.title = std::string(64, 'T');
  b.tweakEntry = [](int, std::string&) {};
  std::string file = b.build();
  file[b.stub.size() + 94] = 'P';  // padding right after the title field
  file[b.stub.size() + 95] = 'Q';
  EXPECT_EQ(parsed(file, b.stub.size()).header.title(), std::string(64, 'T'));

  b.title = std::string("Short\0Hidden", 12);
  EXPECT_EQ(parsed(b.build(), b.stub.size()).header.title(), "Short");
}

TEST(DirectoryFormat, SerializeWritesWhatParseReads) {
  PackageBuilder b;
  b.slots[3] = {"installer.jpg", 5, "JPEG"};
  b.slots[8] = {std::string(255, 'n'), 4, "DATA", true, 3};
  std::string file = b.build();
  PackageDirectory d = parsed(file, b.stub.size());
  uint8_t bytes[kDirectorySize];
  serializeDirectory(d, bytes);
  PackageDirectory again = parseDirectory(bytes);
  for (int k = 0; k < kSlotCount; ++k) {
    EXPECT_EQ(again.entries[k].name, d.entries[k].name) << k;
    EXPECT_EQ(again.entries[k].start, d.entries[k].start) << k;
    EXPECT_EQ(again.entries[k].end, d.entries[k].end) << k;
    EXPECT_EQ(again.entries[k].kind, d.entries[k].kind) << k;
    EXPECT_EQ(again.entries[k].compressed, d.entries[k].compressed) << k;
    EXPECT_EQ(again.entries[k].packedSize, d.entries[k].packedSize) << k;
    EXPECT_EQ(again.entries[k].expandedSize, d.entries[k].expandedSize) << k;
  }
  EXPECT_EQ(again.entries[8].name.size(), 255u);
  // Apart from the leftovers behind the names, which serialising zeroes, the bytes are the same.
  std::string original = file.substr(b.stub.size(), kDirectorySize);
  for (int k = 0; k < kSlotCount; ++k) {
    size_t at = kHeaderSize + kEntrySize * k;
    for (size_t i = 1 + uint8_t(original[at]); i < 256; ++i) original[at + i] = 0;
  }
  EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), kDirectorySize), original);
}

TEST(SlotDestination, KindDecidesTheFolder) {
  const std::string win = "C:\\WINDOWS\\", content = "C:\\WINDOWS\\Web\\Wallpaper\\T dir\\";
  auto dest = [&](int kind, const std::string& name) {
    PackageEntry e;
    e.kind = kind;
    e.name = name;
    return slotDestination(e, win, content);
  };
  for (int kind : {1, 4, 5, 6, 10}) EXPECT_EQ(dest(kind, "a.txt"), content + "a.txt") << kind;
  EXPECT_EQ(dest(2, "T.html"), "C:\\WINDOWS\\Web\\Wallpaper\\T.html");
  EXPECT_EQ(dest(3, "flashax.exe"), "C:\\WINDOWS\\flashax.exe");
  EXPECT_EQ(dest(3, "FlashAX.exe"), "C:\\WINDOWS\\FlashAX.dll");  // exact, case-sensitive match only
  EXPECT_EQ(dest(3, "impborl.dat"), "C:\\WINDOWS\\impborl.dll");
  EXPECT_EQ(dest(3, "archive.tar.gz"), "C:\\WINDOWS\\archive.tar.dll");
  EXPECT_EQ(dest(3, "library"), "C:\\WINDOWS\\library.dll");
  for (int kind : {0, 7, 8, 9, 11, -1, 1000}) EXPECT_EQ(dest(kind, "x.dat"), "") << kind;
  // A Windows folder given without its backslash still yields a path inside it.
  PackageEntry e;
  e.kind = 3;
  e.name = "flashax.exe";
  EXPECT_EQ(slotDestination(e, "C:\\WINDOWS", content), "C:\\WINDOWS\\flashax.exe");
}

// Every installed name, byte for byte: the files, registry values and uninstall command of an
// installation are compared with these by the end-to-end tests and by the uninstaller.
TEST(InstallLayout, NamesAndFolders) {
  const std::string win = "C:\\WINDOWS\\";
  EXPECT_EQ(layout::wallpaperFolder(win), "C:\\WINDOWS\\Web\\Wallpaper\\");
  EXPECT_EQ(layout::pagePath(win, "Ocean Waves"), "C:\\WINDOWS\\Web\\Wallpaper\\Ocean Waves.html");
  EXPECT_EQ(layout::contentFolder(win, "Ocean Waves"), "C:\\WINDOWS\\Web\\Wallpaper\\Ocean Waves dir\\");
  // The uninstall entry's rule: the folder of WINDIR, "WEB" in capitals.
  EXPECT_EQ(layout::uninstallerPathFromEnvironment("D:\\WINNT\\", "Ocean Waves"),
            "D:\\WINNT\\WEB\\Wallpaper\\Ocean Waves dir\\uninstall.exe");
  EXPECT_EQ(layout::libraryPath(win), "C:\\WINDOWS\\impborl.dll");
  EXPECT_EQ(layout::flashInstallerPath(win), "C:\\WINDOWS\\flashax.exe");
  EXPECT_STREQ(layout::kInstallerMovieName, "installer.swf");
  // A slot's destination follows the same layout.
  PackageEntry page;
  page.kind = slotkind::wallpaperPage;
  page.name = layout::pageName("Ocean Waves");
  EXPECT_EQ(slotDestination(page, win, layout::contentFolder(win, "Ocean Waves")), layout::pagePath(win, "Ocean Waves"));
}

int64_t offsetOf(const std::string& image, size_t probe = std::string::npos) {
  return packageOffsetFromImage(reinterpret_cast<const uint8_t*>(image.data()), std::min(probe, image.size()));
}

TEST(PackageOffset, EndOfTheLastSectionsRawData) {
  EXPECT_EQ(offsetOf(fakeExecutable(0x600)), 0x600);
  EXPECT_EQ(offsetOf(fakeExecutable(0xA2200), kPeProbeSize), 0xA2200);
  // What follows the image plays no part.
  EXPECT_EQ(offsetOf(fakeExecutable(0x800) + std::string(5000, 'P')), 0x800);
}

TEST(PackageOffset, SymbolAndStringTablesAfterTheSectionsBelongToTheImage) {
  std::string image = fakeExecutable(0x600, 10, 40);
  ASSERT_EQ(image.size(), 0x600u + 180 + 40);
  EXPECT_EQ(offsetOf(image), int64_t(image.size()));

  // When the probe ends before the string table, its length is read through the callback.
  std::string big = fakeExecutable(0x3000, 100, 300);
  const uint8_t* bytes = reinterpret_cast<const uint8_t*>(big.data());
  EXPECT_EQ(packageOffsetFromImage(bytes, kPeProbeSize), -1);
  int calls = 0;
  auto readLength = [&](int64_t offset, uint8_t* four) {
    ++calls;
    EXPECT_EQ(offset, 0x3000 + 1800);
    std::memcpy(four, big.data() + offset, 4);
    return true;
  };
  EXPECT_EQ(packageOffsetFromImage(bytes, kPeProbeSize, readLength), int64_t(big.size()));
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(packageOffsetFromImage(bytes, kPeProbeSize, [](int64_t, uint8_t*) { return false; }), -1);
}

TEST(PackageOffset, MalformedHeadersGiveMinusOne) {
  const std::string good = fakeExecutable(0x600);
  auto with = [&](size_t at, const std::string& bytes) {
    std::string s = good;
    test::putBytes(s, at, bytes);
    return s;
  };
  auto le32 = [](uint32_t v) {
    std::string s;
    test::putLe32(s, 0, v);
    return s;
  };
  EXPECT_EQ(offsetOf(""), -1);
  EXPECT_EQ(offsetOf(good, 0x3F), -1);                           // shorter than a DOS header
  EXPECT_EQ(offsetOf(with(0, "ZM")), -1);                         // no "MZ"
  EXPECT_EQ(offsetOf(with(0x3C, le32(0xFFFFFFF0))), -1);          // e_lfanew far outside
  EXPECT_EQ(offsetOf(with(0x3C, le32(0x10))), -1);                // e_lfanew inside the DOS header
  EXPECT_EQ(offsetOf(with(0x80, "PX")), -1);                      // no "PE\0\0"
  EXPECT_EQ(offsetOf(with(0x86, std::string("\0\0", 2))), -1);    // no sections
  EXPECT_EQ(offsetOf(with(0x86, std::string("\xFF\x00", 2))), -1);// section table past the bytes
  EXPECT_EQ(offsetOf(good, 0x178 + 40), -1);                      // section table cut short
  EXPECT_EQ(offsetOf(with(0x94, std::string("\xFF\xFF", 2))), -1);// optional header past the bytes
  // Raw data reaching beyond what a signed 32-bit offset can hold.
  EXPECT_EQ(offsetOf(with(0x178 + 40 + 16, le32(0xFFFFFF00))), -1);
  // A symbol table whose string table lies beyond 2 GB.
  EXPECT_EQ(offsetOf(with(0x8C, le32(0x600)) .replace(0x90, 4, le32(0x10000000))), -1);
  // Sections without raw data: nothing says where the image ends.
  std::string noRaw = with(0x178 + 16, le32(0));
  test::putLe32(noRaw, 0x178 + 40 + 16, 0);
  EXPECT_EQ(offsetOf(noRaw), -1);
}

TEST(LiteralImplode, EndsWithTheEndCode) {
  // Known answer: "A" = header 00 06; bits 0, 0x41 (LSB first), then 1, 0000000, 11111111.
  std::string s = test::literalImplode("A");
  ASSERT_EQ(s.size(), 6u);
  EXPECT_EQ(uint8_t(s[2]), 0x82);  // 0, then the low 7 bits of 0x41
  EXPECT_EQ(uint8_t(s[3]), 0x02);  // its last bit (0), 1 (a length follows), then 000000
  EXPECT_EQ(uint8_t(s[4]), 0xFE);  // the seventh 0 of the length code, then 1111111
  EXPECT_EQ(uint8_t(s[5]), 0x01);  // the eighth 1; the rest of the byte is zero
  EXPECT_EQ(test::literalImplode("").size(), 4u);
}

}  // namespace
}  // namespace mv

#ifdef MV_HAVE_DCL
#include "dcl/dcl.h"

namespace mv {
namespace {

TEST(LiteralImplode, TheCodecExpandsItBack) {
  for (const std::string& data : {std::string(), std::string("A"), test::patternBytes(10000, 4)}) {
    std::string stream = test::literalImplode(data);
    std::vector<uint8_t> out;
    EXPECT_EQ(dclExplode(reinterpret_cast<const uint8_t*>(stream.data()), stream.size(), out), dcl::kOk);
    EXPECT_EQ(std::string(out.begin(), out.end()), data);
  }
}

}  // namespace
}  // namespace mv
#endif
