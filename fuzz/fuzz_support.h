#pragma once
// Shared by the fuzz targets that run the installer's readers on the host platform.
//
// FuzzSandbox: one sandbox folder for the whole fuzzing process, with a fresh HostPlatform for every
// input (its side tables - attributes, deletion counts, message boxes - would otherwise grow with every
// name the fuzzer makes up). Before an input runs, the sandbox is emptied and the platform rebuilt.
//
// The compression library: the installer loads "impborl.dll" from the Windows folder. Here a file of
// that name must exist there (the installer checks), and loading it hands out the codec linked into the
// fuzzer itself, so that the package's slot 1 never becomes code in this process and the codec's own
// coverage counts.
//
// Tree checks: after an input, every file in the sandbox must lie where the installer may write.
// A file anywhere else aborts the process (libFuzzer then reports the input as a crash).
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "dcl/pklib.h"
#include "installer/state.h"
#include "package/compressor.h"
#include "package/datafile.h"
#include "platform/host/host_platform.h"

namespace mv::fuzz {

class FuzzPlatform : public HostPlatform {
 public:
  using HostPlatform::HostPlatform;
  void* loadLibrary(const std::string& path) override {
    uint32_t a = getAttributes(path);
    if (a == attr::invalid || (a & attr::directory)) {
      setLastError(oserr::modNotFound);
      return nullptr;
    }
    ++loaded_;
    return &loaded_;
  }
  void* getProcAddress(void* library, const std::string& name) override {
    if (library != &loaded_) {
      setLastError(oserr::invalidHandle);
      return nullptr;
    }
    if (name == "_explode") return reinterpret_cast<void*>(&dcl_explode);
    if (name == "_implode") return reinterpret_cast<void*>(&dcl_implode);
    if (name == "_crc32") return reinterpret_cast<void*>(&dcl_crc32);
    setLastError(127);
    return nullptr;
  }
  void freeLibrary(void* library) override {
    if (library == &loaded_ && loaded_ > 0) --loaded_;
  }
  int librariesLoaded() const { return loaded_; }

 private:
  int loaded_ = 0;
};

inline void removeTree(const std::string& path, bool keepSelf) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return;
  if (S_ISDIR(st.st_mode)) {
    if (DIR* d = opendir(path.c_str())) {
      std::vector<std::string> names;
      while (dirent* e = readdir(d)) {
        std::string n = e->d_name;
        if (n != "." && n != "..") names.push_back(n);
      }
      closedir(d);
      for (const std::string& n : names) removeTree(path + "/" + n, false);
    }
    if (!keepSelf) rmdir(path.c_str());
  } else {
    unlink(path.c_str());
  }
}

[[noreturn]] inline void fail(const std::string& what) {
  std::fprintf(stderr, "fuzz invariant broken: %s\n", what.c_str());
  std::fflush(stderr);
  std::abort();
}

class FuzzSandbox {
 public:
  FuzzSandbox() {
    const char* base = std::getenv("TMPDIR");
    std::string tmpl = std::string(base && *base ? base : "/tmp") + "/mvfuzz.XXXXXX";
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back(0);
    if (!mkdtemp(buf.data())) fail("cannot create the sandbox folder " + tmpl);
    root_ = buf.data();
  }
  ~FuzzSandbox() {
    setPlatform(nullptr);
    platform_.reset();
    removeTree(root_, false);
  }

  // A fresh platform and installer state on an empty sandbox: C:\WINDOWS (with system32 and the codec
  // library), C:\TEMP\MVVA, and the installer's folders filled in as start-up leaves them.
  FuzzPlatform& reset() {
    if (dataFile().isOpen()) dataFile().closeDataFile();
    setPlatform(nullptr);
    platform_.reset();
    removeTree(root_, true);
    platform_ = std::make_unique<FuzzPlatform>(root_);
    setPlatform(platform_.get());
    resetState();
    TCompressor::resetWarning();
    InstallerState& s = state();
    s.windowsFolder = "C:\\WINDOWS\\";
    s.systemFolder = "C:\\WINDOWS\\system32\\";
    s.executablePath = platform_->executablePath();
    s.executableFolder = "C:\\Downloads\\";
    s.tempFolder = "C:\\TEMP\\MVVA\\";
    s.tempCopyPath = "C:\\TEMP\\MVVA\\temp.dat";
    platform_->createDirectory("C:\\TEMP\\MVVA");
    platform_->writeWholeFile("C:\\WINDOWS\\impborl.dll", "codec");
    return *platform_;
  }

  FuzzPlatform& platform() { return *platform_; }
  const std::string& root() const { return root_; }
  // The host path of a Windows path in the sandbox ("" when it is not a valid one).
  std::string host(const std::string& windowsPath) const { return platform_->hostPath(windowsPath); }

  // Where files may be: `folder` (a host path) holds them directly, or also in sub-folders when `deep`.
  struct Allowed {
    std::string folder;
    bool deep;
  };
  // Every file and folder under the sandbox root lies in one of the allowed places (or is a folder on
  // the way to one). Aborts otherwise.
  void checkTree(const std::vector<Allowed>& allowed) const { walk(root_, allowed); }

 private:
  static bool within(const std::string& path, const std::string& folder) {
    return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == '/';
  }
  void walk(const std::string& dir, const std::vector<Allowed>& allowed) const {
    DIR* d = opendir(dir.c_str());
    if (!d) return;
    std::vector<std::string> names;
    while (dirent* e = readdir(d)) {
      std::string n = e->d_name;
      if (n != "." && n != "..") names.push_back(n);
    }
    closedir(d);
    for (const std::string& n : names) {
      const std::string path = dir + "/" + n;
      struct stat st;
      if (lstat(path.c_str(), &st) != 0) continue;
      bool ok = false, onTheWay = false;
      for (const Allowed& a : allowed) {
        if (within(path, a.folder)) {
          const std::string rest = path.substr(a.folder.size() + 1);
          // A shallow place holds files only; a folder made there would be a way out of it.
          if (a.deep || (rest.find('/') == std::string::npos && !S_ISDIR(st.st_mode))) ok = true;
        }
        if (S_ISDIR(st.st_mode) && (path == a.folder || within(a.folder, path))) onTheWay = true;
      }
      if (S_ISLNK(st.st_mode)) fail("a link was made: " + path);
      if (!ok && !onTheWay) fail("a file was written outside the allowed folders: " + path);
      if (S_ISDIR(st.st_mode)) walk(path, allowed);
    }
  }

  std::string root_;
  std::unique_ptr<FuzzPlatform> platform_;
};

}  // namespace mv::fuzz
