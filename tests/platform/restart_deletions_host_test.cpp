// Deletions pending for the restart on the host platform: the value's pairs read with every byte
// checked, and the deletions of given paths taken back while everything else stays as it was.
#include "platform/restart_deletions.h"

#include <gtest/gtest.h>

#include "platform/host/host_platform.h"

namespace mv {
namespace {

const char kSessionManager[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const char kPending[] = "PendingFileRenameOperations";
const char kContent[] = "C:\\WINDOWS\\Web\\Wallpaper\\Ocean dir\\";
const char kPage[] = "C:\\WINDOWS\\Web\\Wallpaper\\Ocean.html";

std::vector<uint8_t> bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

// The value's data as MoveFileEx writes it: source, zero, target, zero for each pair; a zero at the end.
std::string list(const std::vector<std::pair<std::string, std::string>>& pairs) {
  std::string out;
  for (const auto& pair : pairs) out += pair.first + '\0' + pair.second + '\0';
  return out + '\0';
}
// One deletion's pair, without the list's closing zero.
std::string deletion(const std::string& source) { return source + std::string(2, '\0'); }

TEST(PendingRenames, PairsAreReadWithinTheData) {
  const std::string data = list({{"\\??\\C:\\a.txt", ""}, {"\\??\\C:\\b.txt", "!\\??\\C:\\c.txt"}});
  const std::vector<PendingRename> pairs = parsePendingRenames(bytes(data));
  ASSERT_EQ(pairs.size(), 2u);
  EXPECT_EQ(pairs[0].source, "\\??\\C:\\a.txt");
  EXPECT_EQ(pairs[0].target, "");
  EXPECT_EQ(pairs[0].begin, 0u);
  EXPECT_EQ(pairs[0].end, pairs[1].begin);
  EXPECT_EQ(pairs[1].target, "!\\??\\C:\\c.txt");
  EXPECT_EQ(pairs[1].end, data.size() - 1);  // the list's closing zero belongs to no pair

  // Damaged or cut-off data: no pair without both its zeros, nothing read past the end.
  EXPECT_TRUE(parsePendingRenames({}).empty());
  EXPECT_TRUE(parsePendingRenames(bytes(std::string("\0\\??\\C:\\a\0\0", 9))).empty());  // the list ends first
  EXPECT_TRUE(parsePendingRenames(bytes("\\??\\C:\\a.txt")).empty());
  EXPECT_TRUE(parsePendingRenames(bytes(std::string("\\??\\C:\\a.txt\0", 13))).empty());
  EXPECT_TRUE(parsePendingRenames(bytes(std::string("\\??\\C:\\a.txt\0target", 19))).empty());
  const std::vector<PendingRename> unclosed = parsePendingRenames(bytes(std::string("\\??\\C:\\a\0\0\\??\\C:\\b", 17)));
  ASSERT_EQ(unclosed.size(), 1u);  // a list without its closing zero keeps its complete pairs
  EXPECT_EQ(unclosed[0].end, 10u);
}

class RestartDeletions : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(p.createDirectory("C:\\WINDOWS\\Web"));
    ASSERT_TRUE(p.createDirectory("C:\\WINDOWS\\Web\\Wallpaper"));
    ASSERT_TRUE(p.createDirectory(kContent));
    ASSERT_TRUE(p.createDirectory(std::string(kContent) + "pictures"));
    ASSERT_TRUE(p.writeWholeFile(std::string(kContent) + "Ocean.swf", "movie"));
  }
  void pending(const std::string& data, RegType type = RegType::MultiString) {
    RegValue v;
    v.type = type;
    v.data = bytes(data);
    p.putValue(RegRoot::LocalMachine, kSessionManager, kPending, v);
  }
  // The value's data now; "(none)" when it is gone.
  std::string pendingNow() {
    RegValue v;
    if (!p.getValue(RegRoot::LocalMachine, kSessionManager, kPending, v)) return "(none)";
    EXPECT_EQ(v.type, RegType::MultiString);
    return std::string(v.data.begin(), v.data.end());
  }
  Result takeBack() { return cancelRestartDeletions(p, p, {kContent, kPage}); }
  size_t writes() {
    return p.callsStartingWith("regSetValue").size() + p.callsStartingWith("regDeleteValue").size();
  }

  HostSandbox box;
  HostPlatform& p = box.platform();
};

// What an uninstall left while a file was open, among the operations of other programs: ours go, the
// others stay in their order and byte for byte.
TEST_F(RestartDeletions, DeletionsOfTheContentAndThePageGoAndEverythingElseStays) {
  const std::string others1 = deletion("\\??\\C:\\TEMP\\uni1A.tmp");
  const std::string rename = std::string("\\??\\C:\\WINDOWS\\Web\\Wallpaper\\Ocean dir\\old.swf") + '\0' +
                             "!\\??\\C:\\Program Files\\Other\\old.swf" + '\0';
  const std::string others2 = deletion("\\??\\C:\\WINDOWS\\Web\\Wallpaper\\Ocean dir2\\keep.txt") +
                              deletion("\\??\\C:\\WINDOWS\\Web\\Wallpaper\\Ocean.htm") +
                              deletion("\\??\\C:\\WINDOWS\\Web\\Wallpaper");
  const std::string ours = deletion("\\??\\C:\\WINDOWS\\Web\\Wallpaper\\Ocean dir\\Ocean.swf") +
                           deletion("\\??\\c:\\windows\\WEB\\wallpaper\\OCEAN DIR\\pictures\\wave.jpg") +
                           deletion("\\??\\C:\\WINDOWS\\Web\\Wallpaper\\Ocean dir\\pictures") +
                           deletion("\\\\?\\C:\\WINDOWS\\Web\\Wallpaper\\Ocean dir\\");
  const std::string page = deletion("C:\\Windows\\Web\\Wallpaper\\ocean.html");
  // Ours between the others, the page's last; the list's zero closes it.
  pending(others1 + ours + rename + others2 + page + '\0');

  EXPECT_EQ(takeBack(), 0);
  EXPECT_EQ(pendingNow(), others1 + rename + others2 + '\0');
  EXPECT_EQ(p.openKeyCount(), 0);

  // Taken back once: a second call finds nothing of ours and writes nothing.
  p.callLog.clear();
  EXPECT_EQ(takeBack(), 0);
  EXPECT_EQ(writes(), 0u);
}

TEST_F(RestartDeletions, TheValueGoesWithItsLastPair) {
  pending(deletion("\\??\\C:\\WINDOWS\\Web\\Wallpaper\\Ocean dir\\Ocean.swf") +
          deletion("\\??\\C:\\WINDOWS\\Web\\Wallpaper\\Ocean dir") + '\0');
  EXPECT_EQ(takeBack(), 0);
  EXPECT_EQ(pendingNow(), "(none)");
  EXPECT_TRUE(p.keyExists(RegRoot::LocalMachine, kSessionManager));
}

// Bytes after the list's closing zero, and a pair cut off at the end, are no pairs of ours: they stay.
TEST_F(RestartDeletions, BytesThatAreNoCompletePairStay) {
  const std::string ours = deletion("\\??\\C:\\WINDOWS\\Web\\Wallpaper\\Ocean dir\\Ocean.swf");
  const std::string after = deletion("\\??\\C:\\WINDOWS\\Web\\Wallpaper\\Ocean dir\\x");
  pending(ours + '\0' + after);
  EXPECT_EQ(takeBack(), 0);
  EXPECT_EQ(pendingNow(), '\0' + after);

  const std::string cut = "\\??\\C:\\WINDOWS\\Web\\Wallpaper\\Ocean dir\\cut";
  pending(ours + cut);
  EXPECT_EQ(takeBack(), 0);
  EXPECT_EQ(pendingNow(), cut);
}

// An uninstaller started by its 8.3 name schedules short spellings: the file system's short names of the
// content folder, or of the nearest folder that exists for a file that is gone, name the same places. A
// page that does not exist has no short name to compare with.
TEST_F(RestartDeletions, ShortSpellingsNameTheSamePlaces) {
  p.setShortPath("C:\\WINDOWS\\Web\\Wallpaper\\Ocean dir", "C:\\WINDOWS\\WEB\\WALLPA~1\\OCEAND~1");
  p.setShortPath("C:\\WINDOWS\\Web\\Wallpaper", "C:\\WINDOWS\\WEB\\WALLPA~1");
  const std::string page = deletion("\\??\\C:\\WINDOWS\\WEB\\WALLPA~1\\OCEAN.HTM");
  const std::string elsewhere = deletion("\\??\\C:\\WINDOWS\\WEB\\WALLPA~1\\OCEAND~2\\MOVIE.SWF");
  pending(deletion("\\??\\C:\\WINDOWS\\WEB\\WALLPA~1\\OCEAND~1\\OCEAN.SWF") + page +
          deletion("\\??\\c:\\windows\\web\\wallpa~1\\oceand~1\\gone\\MOVIE~1.SWF") +
          deletion("\\??\\C:\\WINDOWS\\WEB\\WALLPA~1\\OCEAND~1") + elsewhere + '\0');
  EXPECT_EQ(takeBack(), 0);
  EXPECT_EQ(pendingNow(), page + elsewhere + '\0');
}

TEST_F(RestartDeletions, NothingOfOursWritesNothing) {
  const std::string others = deletion("\\??\\C:\\TEMP\\uni1A.tmp") + '\0';
  pending(others);
  EXPECT_EQ(takeBack(), 0);
  EXPECT_EQ(pendingNow(), others);
  EXPECT_EQ(writes(), 0u);

  // No paths, or empty ones, never stand for "everything".
  pending(deletion("\\??\\C:\\WINDOWS\\Web\\Wallpaper\\Ocean dir\\Ocean.swf") + '\0');
  EXPECT_EQ(cancelRestartDeletions(p, p, {}), 0);
  EXPECT_EQ(cancelRestartDeletions(p, p, {"", "\\"}), 0);
  EXPECT_EQ(writes(), 0u);
}

// Silent failures: whatever cannot be read or written leaves the value as it was; the code says why.
TEST_F(RestartDeletions, ValuesThatCannotBeReadOrWrittenStayAsTheyWere) {
  EXPECT_EQ(takeBack(), 0);  // no key at all
  p.createKey(RegRoot::LocalMachine, kSessionManager);
  EXPECT_EQ(takeBack(), 0);  // no value

  const std::string ours = deletion("\\??\\C:\\WINDOWS\\Web\\Wallpaper\\Ocean dir\\Ocean.swf") + '\0';
  pending(ours, RegType::Binary);  // not a list the system reads
  EXPECT_EQ(takeBack(), 0);
  EXPECT_EQ(writes(), 0u);

  pending(ours);
  p.setKeyUnwritable(RegRoot::LocalMachine, kSessionManager, false, oserr::accessDenied);
  EXPECT_EQ(takeBack(), oserr::accessDenied);
  EXPECT_EQ(pendingNow(), ours);
  p.setKeyUnwritable(RegRoot::LocalMachine, kSessionManager, true, oserr::accessDenied);
  EXPECT_EQ(takeBack(), oserr::accessDenied);  // not even opened for writing
  EXPECT_EQ(pendingNow(), ours);
  EXPECT_EQ(p.openKeyCount(), 0);
}

}  // namespace
}  // namespace mv
