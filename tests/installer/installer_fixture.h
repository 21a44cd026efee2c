#pragma once
// A test fixture that runs the installer's logic on the host sandbox with the headless window: the
// machine as a download leaves it (TEMP, WINDIR, a Downloads folder), fresh program parts for each test,
// and the messages the user saw.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "headless_view.h"
#include "installer/installer_controller.h"
#include "platform/host/host_platform.h"

namespace mv::test {

class InstallerFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    parts = std::make_unique<InstallerParts>(sb.platform());
    sb->setEnv("TEMP", "C:\\TEMP");
    sb->setEnv("WINDIR", "C:\\WINDOWS");
    sb->createDirectory("C:\\Downloads");
  }
  void TearDown() override {
    logic.reset();
    parts.reset();
  }
  // Creates the installer window, which runs start-up.
  void createWindow() {
    logic = parts->makeLogic(view);
    view.attach(logic.get());
    logic->onCreate();
  }
  std::vector<std::string> boxTexts() {
    std::vector<std::string> out;
    for (auto& b : sb->boxes) out.push_back(b.text);
    return out;
  }
  static std::string startupMessage(Result r) {
    return std::string("Installer file is corrupted. Quillon Error: ") + std::to_string(r.code()) + ". ";
  }

  InstallerState& state() { return parts->state; }
  DataFileReader& dataFile() { return parts->dataFile; }

  HostSandbox sb;
  std::unique_ptr<InstallerParts> parts;
  HeadlessView view;
  std::unique_ptr<InstallerController> logic;
};

}  // namespace mv::test
