// readWholeFile: a whole file through the platform it is handed, and why one cannot be read.
#include "package/file_reader.h"

#include "host_fixture.h"

namespace mv {
namespace {

using namespace test;

class FileReaderTest : public PackageHostTest {};

TEST_F(FileReaderTest, ReadsWholeFilesAndSaysWhyOneCannotBeRead) {
  const std::string path = std::string(kContent) + "licence.txt";
  const std::string bytes = patternBytes(70000, 4);
  put(path, bytes);
  FileBytes file;
  ASSERT_EQ(readWholeFile(host(), path, file), 0);
  EXPECT_EQ(file.text(), bytes);

  put(path, "");
  ASSERT_EQ(readWholeFile(host(), path, file), 0);
  EXPECT_EQ(file.size, 0u);
  EXPECT_NE(file.data, nullptr);

  EXPECT_EQ(readWholeFile(host(), std::string(kContent) + "missing.txt", file), oserr::fileNotFound);
  put(path, bytes);
  EXPECT_EQ(readWholeFile(host(), path, file, bytes.size() - 1), oserr::notEnoughMemory);  // over the bound
  EXPECT_EQ(readWholeFile(host(), path, file, bytes.size()), 0);
  host().failOpen(path, oserr::sharingViolation);
  EXPECT_EQ(readWholeFile(host(), path, file), oserr::sharingViolation);
  host().failOpen(path, 0);
  host().failIo(path, oserr::readFault);
  EXPECT_EQ(readWholeFile(host(), path, file), oserr::readFault);
  EXPECT_EQ(file.size, 0u);  // nothing is handed back from a failed read
  EXPECT_TRUE(boxTexts().empty());  // the caller reports
}

}  // namespace
}  // namespace mv
