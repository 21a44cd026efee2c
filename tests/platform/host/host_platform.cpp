// The host platform's core: the sandbox's paths, the system topic (environment, folders, version, error
// texts), run-time libraries, the call log and the sandbox object. The other topics are in host_files.cpp,
// host_registry.cpp, host_shell.cpp and host_dialogs.cpp.
#include "platform/host/host_platform.h"

#include <dirent.h>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/host/host_internal.h"

namespace mv {

using namespace host_detail;

namespace {

// The English texts Windows gives for the codes the installer meets (FormatMessage, with its CRLF).
const std::map<int32_t, std::string>& builtinErrorTexts() {
  static const std::map<int32_t, std::string> texts = {
      {0, "The operation completed successfully.\r\n"},
      {1, "Incorrect function.\r\n"},
      {2, "The system cannot find the file specified.\r\n"},
      {3, "The system cannot find the path specified.\r\n"},
      {4, "The system cannot open the file.\r\n"},
      {5, "Access is denied.\r\n"},
      {6, "The handle is invalid.\r\n"},
      {8, "Not enough storage is available to process this command.\r\n"},
      {14, "Not enough storage is available to complete this operation.\r\n"},
      {15, "The system cannot find the drive specified.\r\n"},
      {19, "The media is write protected.\r\n"},
      {21, "The device is not ready.\r\n"},
      {29, "The system cannot write to the specified device.\r\n"},
      {30, "The system cannot read from the specified device.\r\n"},
      {32, "The process cannot access the file because it is being used by another process.\r\n"},
      {33, "The process cannot access the file because another process has locked a portion of the file.\r\n"},
      {38, "Reached the end of the file.\r\n"},
      {39, "The disk is full.\r\n"},
      {80, "The file exists.\r\n"},
      {87, "The parameter is incorrect.\r\n"},
      {112, "There is not enough space on the disk.\r\n"},
      {123, "The filename, directory name, or volume label syntax is incorrect.\r\n"},
      {126, "The specified module could not be found.\r\n"},
      {127, "The specified procedure could not be found.\r\n"},
      {145, "The directory is not empty.\r\n"},
      {183, "Cannot create a file when that file already exists.\r\n"},
      {193, "%1 is not a valid Win32 application.\r\n"},
      {267, "The directory name is invalid.\r\n"},
      {1400, "Invalid window handle.\r\n"},
      {1460, "This operation returned because the timeout period expired.\r\n"},
      {int32_t(0x80004001u), "Not implemented\r\n"},
      {int32_t(0x80004002u), "No such interface supported\r\n"},
      {int32_t(0x80004005u), "Unspecified error\r\n"},
      {int32_t(0x80040154u), "Class not registered\r\n"},
      {int32_t(0x800401F0u), "CoInitialize has not been called.\r\n"},
  };
  return texts;
}

}  // namespace

HostPlatform::HostPlatform(const std::string& root) : root_(root), shared_(std::make_shared<Shared>()) {
  while (root_.size() > 1 && root_.back() == '/') root_.pop_back();
  addDrive('C');
  env_["TEMP"] = {"TEMP", "C:\\TEMP"};
  env_["TMP"] = {"TMP", "C:\\TEMP"};
  env_["WINDIR"] = {"windir", "C:\\WINDOWS"};
  createDirectory("C:\\WINDOWS");
  createDirectory("C:\\WINDOWS\\system32");
  createDirectory("C:\\TEMP");
  shared_->lastError = 0;
}

HostPlatform::~HostPlatform() {
  for (auto& lib : libraries_) dlclose(lib.first);
}

void HostPlatform::addDrive(char d) {
  d = char(toupper((unsigned char)d));
  mkdir((root_ + "/" + std::string(1, d)).c_str(), 0755);
}

bool HostPlatform::parse(const std::string& windowsPath, Parsed& out) const {
  std::string p = windowsPath;
  std::replace(p.begin(), p.end(), '/', '\\');
  if (p.empty()) return false;
  if (p.size() >= 2 && p[1] == ':') {
    if (!isalpha((unsigned char)p[0])) return false;
    out.drive = char(toupper((unsigned char)p[0]));
    p = p.substr(2);
  } else if (p.size() >= 2 && p[0] == '\\' && p[1] == '\\') {
    return false;  // network paths do not exist in the sandbox
  }
  // A path without a drive, or relative to the drive, is taken from the root (the current folder).
  size_t start = 0;
  while (start <= p.size()) {
    size_t end = p.find('\\', start);
    if (end == std::string::npos) end = p.size();
    std::string part = p.substr(start, end - start);
    start = end + 1;
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!out.parts.empty()) out.parts.pop_back();
      continue;
    }
    for (unsigned char c : part)
      if (c < 0x20 || strchr("<>:\"|?*", c)) return false;
    out.parts.push_back(part);
  }
  return true;
}

std::string HostPlatform::resolve(const Parsed& p) const {
  std::string path = root_ + "/" + std::string(1, p.drive);
  for (const std::string& part : p.parts) {
    std::string exact = path + "/" + part;
    if (lexists(exact)) {
      path = exact;
      continue;
    }
    std::string found;
    if (DIR* d = opendir(path.c_str())) {
      std::string want = upper(part);
      while (dirent* e = readdir(d)) {
        if (upper(e->d_name) == want) {
          found = e->d_name;
          break;
        }
      }
      closedir(d);
    }
    path += "/" + (found.empty() ? part : found);
  }
  return path;
}

std::string HostPlatform::hostPath(const std::string& windowsPath) const {
  Parsed p;
  if (!parse(windowsPath, p)) return "";
  return resolve(p);
}

std::string HostPlatform::keyOf(const std::string& windowsPath) const {
  Parsed p;
  if (!parse(windowsPath, p)) return upper(windowsPath);
  std::string k(1, p.drive);
  k += ":";
  for (auto& part : p.parts) k += "\\" + upper(part);
  if (p.parts.empty()) k += "\\";
  return k;
}

bool HostPlatform::fail(int32_t code) {
  shared_->lastError = code;
  return false;
}

uint32_t HostPlatform::storedAttributes(const std::string& hostPath) const {
  auto it = attributes_.find(hostPath);
  return it == attributes_.end() ? attr::archive : it->second;
}

// ---------------------------------------------------------------------------------------------- system

int32_t HostPlatform::lastError() { return shared_->lastError; }
void HostPlatform::setLastError(int32_t code) { shared_->lastError = code; }

std::string HostPlatform::systemErrorText(int32_t code) {
  auto own = errorTexts_.find(code);
  if (own != errorTexts_.end()) return own->second;
  auto it = builtinErrorTexts().find(code);
  return it == builtinErrorTexts().end() ? std::string() : it->second;
}

void HostPlatform::setEnv(const std::string& name, const std::string& value) { env_[upper(name)] = {name, value}; }
void HostPlatform::unsetEnv(const std::string& name) { env_.erase(upper(name)); }

bool HostPlatform::getEnv(const std::string& name, std::string& value) {
  auto it = env_.find(upper(name));
  if (it == env_.end()) {
    shared_->lastError = 203;  // ERROR_ENVVAR_NOT_FOUND
    return false;
  }
  value = it->second.second;
  return true;
}

bool HostPlatform::getRealVersion(OsVersion& out) {
  if (!realVersionSet) return getVersion(out);
  out = realVersion;
  return true;
}

bool HostPlatform::getVersion(OsVersion& out) {
  if (versionFails_) return fail(oserr::invalidParameter);
  out = version_;
  return true;
}

// ---------------------------------------------------------------------------------------------- libraries

void* HostPlatform::loadLibrary(const std::string& path) {
  std::string full = path;
  if (path.find_first_of("\\/:") == std::string::npos) {
    // A bare name is looked for where Windows looks: the program's folder, system, Windows folder.
    for (const std::string& dir : {parentOf(executablePath_), withTrailingBackslash(systemDirectory_),
                                   withTrailingBackslash(windowsDirectory_)}) {
      uint32_t a = getAttributes(dir + path);
      if (a != attr::invalid && !(a & attr::directory)) {
        full = dir + path;
        break;
      }
    }
  }
  auto fault = loadFaults_.find(keyOf(full));
  if (fault != loadFaults_.end()) {
    fail(fault->second);
    return nullptr;
  }
  Parsed p;
  if (!parse(full, p)) {
    fail(oserr::modNotFound);
    return nullptr;
  }
  std::string h = resolve(p);
  struct stat st;
  if (stat(h.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) {
    fail(oserr::modNotFound);
    return nullptr;
  }
  void* lib = dlopen(h.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!lib) {
    fail(oserr::badExeFormat);
    return nullptr;
  }
  auto& entry = libraries_[lib];
  entry.first = h;
  entry.second++;
  ++libraryLoads;
  return lib;
}

int HostPlatform::loadedLibraries() const {
  int n = 0;
  for (const auto& l : libraries_) n += l.second.second;
  return n;
}

void* HostPlatform::getProcAddress(void* library, const std::string& name) {
  if (!library || !libraries_.count(library)) {
    fail(oserr::invalidHandle);
    return nullptr;
  }
  void* f = dlsym(library, name.c_str());
  if (!f) fail(errorProcNotFound);
  return f;
}

void HostPlatform::freeLibrary(void* library) {
  auto it = libraries_.find(library);
  if (it == libraries_.end()) return;
  dlclose(library);
  if (--it->second.second == 0) libraries_.erase(it);
}

std::vector<std::string> HostPlatform::callsStartingWith(const std::string& prefix) const {
  std::vector<std::string> out;
  for (auto& l : callLog)
    if (l.compare(0, prefix.size(), prefix) == 0) out.push_back(l);
  return out;
}

// ---------------------------------------------------------------------------------------------- sandbox

namespace {
void removeHostTree(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return;
  if (S_ISDIR(st.st_mode)) {
    if (DIR* d = opendir(path.c_str())) {
      while (dirent* e = readdir(d)) {
        std::string n = e->d_name;
        if (n != "." && n != "..") removeHostTree(path + "/" + n);
      }
      closedir(d);
    }
    rmdir(path.c_str());
  } else {
    unlink(path.c_str());
  }
}
}  // namespace

HostSandbox::HostSandbox() {
  const char* tmpdir = getenv("TMPDIR");
  const std::string base = tmpdir && *tmpdir ? tmpdir : "/tmp";
  std::string tmpl = base + "/mvsandbox.XXXXXX";
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back(0);
  if (!mkdtemp(buf.data())) {
    // Nothing a test could do without its sandbox: stop here, saying where.
    std::fprintf(stderr, "cannot create a sandbox folder in %s: %s\n", base.c_str(), std::strerror(errno));
    std::abort();
  }
  root_ = buf.data();
  platform_ = std::make_unique<HostPlatform>(root_);
  setPlatform(platform_.get());
}

HostSandbox::~HostSandbox() {
  setPlatform(nullptr);
  platform_.reset();
  if (!getenv("MV_KEEP_SANDBOX")) removeHostTree(root_);
}

}  // namespace mv
