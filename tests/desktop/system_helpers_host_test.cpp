// The shell helpers on the host platform: which windows get which message, and the version test.
#include <gtest/gtest.h>

#include "desktop/desktop.h"
#include "platform/host/host_platform.h"

namespace mv {
namespace {

using Kind = HostPlatform::MessageKind;

TEST(SystemHelpers, CloseDisplayPropertiesPressesCancelOfTheFirstOnly) {
  HostSandbox sb;
  closeDisplayProperties(sb.platform());
  EXPECT_TRUE(sb->messages.empty());

  sb->addWindow("Notepad", "Untitled");
  WindowHandle first = sb->addWindow("#32770", "display properties");  // FindWindow ignores case
  sb->addWindow("#32770", "Display Properties");
  closeDisplayProperties(sb.platform());
  ASSERT_EQ(sb->messages.size(), 1u);
  const auto& m = sb->messages[0];
  EXPECT_EQ(m.kind, Kind::DlgItem);
  EXPECT_EQ(m.window, first);
  EXPECT_EQ(m.item, 2);
  EXPECT_EQ(m.msg, 0xF5u);
  EXPECT_EQ(m.wParam, 0u);
  EXPECT_EQ(m.lParam, 0);
}

TEST(SystemHelpers, OpenDisplayProperties) {
  HostSandbox sb;
  openDisplayProperties(sb.platform(), sb.platform(), false);
  EXPECT_TRUE(sb->processCalls.empty());

  openDisplayProperties(sb.platform(), sb.platform(), true);  // the window never appears: the tries run out
  ASSERT_EQ(sb->processCalls.size(), 1u);
  EXPECT_EQ(sb->processCalls[0].arguments, "shell32.dll,Control_RunDLL desk.cpl,,0");
  EXPECT_EQ(sb->processCalls[0].show, 1);

  sb->startProcessResult = false;  // a failed start is not examined
  sb->onStartProcess = [&](const HostPlatform::ProcessCall&) { sb->addWindow("#32770", "Display Properties"); };
  openDisplayProperties(sb.platform(), sb.platform(), true);
  EXPECT_EQ(sb->processCalls.size(), 2u);
  EXPECT_TRUE(sb->messages.empty());  // the window is not touched
}

// rundll32 by its full path in the System folder, never by its bare name: a rundll32.exe beside the
// installer (a download folder) must not be what runs.
TEST(SystemHelpers, DisplayPropertiesComesFromTheSystemFolder) {
  HostSandbox sb;
  sb->setSystemDirectory("D:\\Система\\system32");
  openDisplayProperties(sb.platform(), sb.platform(), true);
  ASSERT_EQ(sb->processCalls.size(), 1u);
  EXPECT_EQ(sb->processCalls[0].program, "D:\\Система\\system32\\rundll32.exe");
  sb->setSystemDirectory("C:\\WINDOWS\\system32\\");
  openDisplayProperties(sb.platform(), sb.platform(), true);
  EXPECT_EQ(sb->processCalls.at(1).program, "C:\\WINDOWS\\system32\\rundll32.exe");
}

TEST(SystemHelpers, MinimiseOtherWindows) {
  HostSandbox sb;
  WindowHandle tray = sb->addWindow("Shell_TrayWnd", "");
  WindowHandle hidden = sb->addWindow("Hidden", "h", /*visible=*/false);
  WindowHandle iconic = sb->addWindow("Iconic", "i", true, /*iconic=*/true);
  WindowHandle progman = sb->addWindow("Progman", "Program Manager");
  WindowHandle lowerTray = sb->addWindow("shell_traywnd", "");
  WindowHandle hung = sb->addWindow("Hung", "x");
  sb->setHung(hung);
  WindowHandle last = sb->addWindow("Notepad", "Untitled");
  minimiseOtherWindows(sb.platform());

  std::vector<WindowHandle> got;
  for (const auto& m : sb->messages) {
    EXPECT_EQ(m.kind, Kind::Send);
    EXPECT_EQ(m.msg, 0x112u);
    EXPECT_EQ(m.wParam, 0xF020u);
    EXPECT_EQ(m.lParam, 0);
    got.push_back(m.window);
  }
  // A hung window is asked but does not hold up the rest.
  EXPECT_EQ(got, (std::vector<WindowHandle>{progman, lowerTray, hung, last}));
  (void)tray; (void)hidden; (void)iconic;
}

TEST(SystemHelpers, IsWindows9x) {
  HostSandbox sb;
  struct Case { OsVersion v; bool is9x; };
  for (const Case& c : {Case{{1, 4, 0, 950}, true}, Case{{1, 4, 10, 1998}, true}, Case{{1, 4, 90, 3000}, true},
                        Case{{1, 4, 3, 0}, false}, Case{{1, 5, 0, 0}, false}, Case{{2, 4, 0, 1381}, false},
                        Case{{2, 5, 0, 2195}, false}, Case{{2, 5, 1, 2600}, false}, Case{{0, 4, 10, 0}, false}}) {
    sb->setVersion(c.v);
    EXPECT_EQ(isWindows9x(sb.platform()), c.is9x) << c.v.platformId << " " << c.v.major << "." << c.v.minor;
  }
  sb->setVersion({1, 4, 10, 0});
  sb->setVersionFails(true);
  EXPECT_FALSE(isWindows9x(sb.platform()));
}

}  // namespace
}  // namespace mv
