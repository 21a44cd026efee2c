// The error reporter's texts, byte for byte, and the boxes it shows.
#include "installer/error_reporter.h"

#include <gtest/gtest.h>

#include "platform/host/host_platform.h"
#include "platform/system_errors.h"

namespace mv {
namespace {

class ErrorReporterTest : public ::testing::Test {
 protected:
  HostSandbox box;
  HostPlatform& p = box.platform();
  ErrorBoxes boxes{p};
};

TEST_F(ErrorReporterTest, DescriptionDropsTrailingBlanksControlsAndPeriods) {
  EXPECT_EQ(errorDescription(p, 5), "Access is denied");
  p.setSystemErrorText(1234, "Odd text. . \r\n\t..");
  EXPECT_EQ(errorDescription(p, 1234), "Odd text");
  p.setSystemErrorText(1235, "Inner. Period.\r\n");
  EXPECT_EQ(errorDescription(p, 1235), "Inner. Period");
  EXPECT_EQ(errorDescription(p, 99999), "");
  EXPECT_EQ(errorDescription(p, -13), "");
  p.setSystemErrorText(-32, "must not be used");
  EXPECT_EQ(errorDescription(p, -32), "");
}

TEST_F(ErrorReporterTest, MessagesForEachForm) {
  const std::string P = "C:\\WINDOWS\\Web\\Wallpaper\\T dir\\data.mvd";
  EXPECT_EQ(errorMessage(p, -13, P), "Installation Error: \r\n\r\nProblem with file " + P + ". ");
  EXPECT_EQ(errorMessage(p, -531, ""), "Installation Error: \r\n\r\nProblem with file . ");
  EXPECT_EQ(errorMessage(p, 5, P), "Installation Error: Access is denied\r\n\r\nProblem with file " + P + ". ");
  EXPECT_EQ(errorMessage(p, -32, "C:\\x.dll"),
            "Installation Error:  File is busy and cannot be replaced. Please close any other application that may be "
            "using this file and try again.\r\n\r\nFile: C:\\x.dll");
  EXPECT_EQ(errorMessage(p, -523, "C:\\TEMP\\MVVA\\temp.dat"),
            "Installation Error: C:\\TEMP\\MVVA\\temp.dat\r\n\r\nPlease retry installation. If this message appears "
            "again, the installation cannot be completed because your user account has limited installation "
            "privileges. To complete this installation, login with administrative privileges and rerun this "
            "installer.");
}

TEST_F(ErrorReporterTest, BoxesCarryCaptionAndKind) {
  boxes.fileError(-16, "C:\\a");
  boxes.information("info");
  ASSERT_EQ(p.boxes.size(), 2u);
  EXPECT_EQ(p.boxes[0].caption, "Error");
  EXPECT_EQ(p.boxes[0].kind, BoxKind::ErrorAbort);
  EXPECT_EQ(p.boxes[0].text, errorMessage(p, -16, "C:\\a"));
  EXPECT_EQ(p.boxes[1].caption, "Information");
  EXPECT_EQ(p.boxes[1].kind, BoxKind::InformationAbort);
}

TEST_F(ErrorReporterTest, FailureTextAppendsAPeriodOnlyAfterCharactersSortingAfterIt) {
  boxes.failureText("Failed to set data for 'Flags'", "Installation Successful");
  boxes.failureText("Class not registered", "T");
  boxes.failureText("Ends with a period.", "T");
  boxes.failureText("Ends with a blank ", "T");
  boxes.failureText("Ends with a dash -", "T");
  boxes.failureText("Ends with a slash /", "T");
  boxes.failureText("", "T");
  ASSERT_EQ(p.boxes.size(), 7u);
  EXPECT_EQ(p.boxes[0].text, "Failed to set data for 'Flags'");  // "'" sorts before "."
  EXPECT_EQ(p.boxes[0].caption, "Installation Successful");
  EXPECT_EQ(p.boxes[0].kind, BoxKind::ErrorOk);
  EXPECT_EQ(p.boxes[1].text, "Class not registered.");
  EXPECT_EQ(p.boxes[2].text, "Ends with a period.");
  EXPECT_EQ(p.boxes[3].text, "Ends with a blank ");
  EXPECT_EQ(p.boxes[4].text, "Ends with a dash -");
  EXPECT_EQ(p.boxes[5].text, "Ends with a slash /.");
  EXPECT_EQ(p.boxes[6].text, "");
}

}  // namespace
}  // namespace mv
