#pragma once
// A host sandbox with the session of a running installation: Windows folder C:\WINDOWS\, content
// folder C:\WINDOWS\Web\Wallpaper\Demo dir\, temp copy C:\TEMP\MVVA\temp.dat, reports shown as the
// installer's boxes, a recording window.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "package/datafile.h"
#include "package/dcl_library.h"
#include "package_test_util.h"
#include "platform/host/host_platform.h"

namespace mv::test {

constexpr const char* kWindows = "C:\\WINDOWS\\";
constexpr const char* kWallpaper = "C:\\WINDOWS\\Web\\Wallpaper\\";
constexpr const char* kContent = "C:\\WINDOWS\\Web\\Wallpaper\\Demo dir\\";
constexpr const char* kTempFolder = "C:\\TEMP\\MVVA\\";
constexpr const char* kTempCopy = "C:\\TEMP\\MVVA\\temp.dat";

class PackageHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PackageSession& s = session;
    s.windowsFolder = kWindows;
    s.executablePath = host().executablePath();
    s.tempCopyPath = kTempCopy;
    s.contentFolder = kContent;
    s.dataFilePath = std::string(kContent) + "Demo.mvd";
    s.progress = &window;
    for (const char* folder : {"C:\\WINDOWS\\Web", "C:\\WINDOWS\\Web\\Wallpaper", "C:\\WINDOWS\\Web\\Wallpaper\\Demo dir",
                               "C:\\TEMP\\MVVA", "C:\\Downloads"})
      host().createDirectory(folder);
  }
  void TearDown() override {
    if (reader.isOpen()) {
      EXPECT_EQ(reader.closeDataFile(), 0);
    }
  }

  HostPlatform& host() { return sandbox.platform(); }
  void put(const std::string& path, const std::string& bytes) { ASSERT_TRUE(host().writeWholeFile(path, bytes)) << path; }
  std::string get(const std::string& path) {
    std::string bytes;
    EXPECT_TRUE(host().readWholeFile(path, bytes)) << path;
    return bytes;
  }
  bool exists(const std::string& path) { return host().getAttributes(path) != attr::invalid; }

  // The texts of the message boxes shown so far.
  std::vector<std::string> boxTexts() {
    std::vector<std::string> texts;
    for (const auto& b : host().boxes) texts.push_back(b.text);
    return texts;
  }

  // Puts the real codec (the native build of impborl.dll) into the Windows folder; false when the
  // build has none.
  bool installCodec() {
#ifdef MV_IMPBORL_SO
    return copyHostFile(MV_IMPBORL_SO, "C:\\WINDOWS\\impborl.dll");
#else
    return false;
#endif
  }
  bool installFakeCodec() {
#ifdef MV_FAKE_IMPBORL_SO
    return copyHostFile(MV_FAKE_IMPBORL_SO, "C:\\WINDOWS\\impborl.dll");
#else
    return false;
#endif
  }
  bool copyHostFile(const std::string& from, const std::string& to) {
    std::ifstream in(from, std::ios::binary);
    if (!in) return false;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return host().writeWholeFile(to, bytes);
  }

  HostSandbox sandbox;
  RecordingWindow window;
  BoxReporter reporter{sandbox.platform()};
  PackageSession session{reporter};
  DataFileReader reader;
};

// Limits this process's address space to what it uses now plus `headroom` bytes.
inline void limitAddressSpace(size_t headroom) {
  std::ifstream status("/proc/self/status");
  std::string line;
  size_t used = 0;
  while (std::getline(status, line))
    if (line.rfind("VmSize:", 0) == 0) used = std::stoul(line.substr(7)) * 1024;
  rlimit limit{rlim_t(used + headroom), rlim_t(used + headroom)};
  setrlimit(RLIMIT_AS, &limit);
}

inline bool underAddressSanitizer() {
#if defined(__SANITIZE_ADDRESS__)
  return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
  return true;
#endif
#endif
  return false;
}

// Installation error texts as the reporter builds them for our own (negative) codes.
inline std::string problemWithFile(const std::string& path) {
  return std::string("Installation Error: \r\n\r\nProblem with file ") + path + ". ";
}
inline std::string busyMessage(const std::string& path) {
  return std::string("Installation Error:  File is busy and cannot be replaced. Please close any other application "
                     "that may be using this file and try again.\r\n\r\nFile: ") +
         path;
}

}  // namespace mv::test
