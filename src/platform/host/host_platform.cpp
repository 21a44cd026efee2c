#include "platform/host/host_platform.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "support/paths.h"

namespace mv {

namespace {

constexpr Result errorInvalidName = 123;
constexpr Result errorDirectory = 267;      // ERROR_DIRECTORY: not a folder
constexpr Result errorProcNotFound = 127;
constexpr Result errorInvalidWindow = 1400;
constexpr Result errorNoVersion = 1813;     // ERROR_RESOURCE_TYPE_NOT_FOUND
constexpr Result errorTimeout = 1460;

// The English texts Windows gives for the codes the installer meets (FormatMessage, with its CRLF).
const std::map<Result, std::string>& builtinErrorTexts() {
  static const std::map<Result, std::string> texts = {
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

std::string upper(const std::string& s) { return foldCase(s); }

bool lexists(const std::string& p, struct stat* st = nullptr) {
  struct stat s;
  if (lstat(p.c_str(), &s) != 0) return false;
  if (st) *st = s;
  return true;
}

bool isDirFollow(const std::string& p) {
  struct stat s;
  return stat(p.c_str(), &s) == 0 && S_ISDIR(s.st_mode);
}

// Windows wildcard match, letter case ignored: "*" any run, "?" one character; a mask ending in ".*"
// also matches names without an extension ("*.*" matches everything).
bool wildMatch(const char* m, const char* n) {
  for (;;) {
    if (*m == 0) return *n == 0;
    if (*m == '*') {
      while (*m == '*') m++;
      if (*m == 0) return true;
      for (const char* t = n; *t; t++)
        if (wildMatch(m, t)) return true;
      return wildMatch(m, n + strlen(n));
    }
    if (*m == '.' && m[1] == '*' && m[2] == 0 && *n == 0) return true;
    if (*n == 0) return false;
    if (*m != '?' && asciiUpper(std::string(1, *m)) != asciiUpper(std::string(1, *n))) return false;
    m++;
    n++;
  }
}

std::string hex(uint64_t v) {
  char b[32];
  snprintf(b, sizeof b, "0x%llx", (unsigned long long)v);
  return b;
}

std::string rootName(RegRoot r) { return r == RegRoot::CurrentUser ? "HKCU" : "HKLM"; }

std::string valueText(const RegValue& v) {
  if (v.type == RegType::String) {
    std::string s(v.data.begin(), v.data.end());
    size_t z = s.find('\0');
    if (z != std::string::npos) s.resize(z);
    return "\"" + s + "\"";
  }
  if (v.type == RegType::Dword && v.data.size() == 4) {
    uint32_t d = v.data[0] | v.data[1] << 8 | v.data[2] << 16 | uint32_t(v.data[3]) << 24;
    return hex(d);
  }
  std::string out = "hex:";
  char b[4];
  for (size_t i = 0; i < v.data.size(); i++) {
    snprintf(b, sizeof b, "%02x", v.data[i]);
    out += (i ? "," : "") + std::string(b);
  }
  return out;
}

// An 8.3 name for one path component, the way the file system makes them up (first alias "~1").
std::string shortComponent(const std::string& name) {
  size_t dot = name.rfind('.');
  std::string base = dot == std::string::npos ? name : name.substr(0, dot);
  std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1);
  auto plain = [](const std::string& s, size_t max) {
    if (s.size() > max) return false;
    for (unsigned char c : s)
      if (c == ' ' || c == '.' || c == '+' || c == ',' || c == ';' || c == '=' || c == '[' || c == ']')
        return false;
    return true;
  };
  if (!base.empty() && plain(base, 8) && plain(ext, 3)) return upper(name);
  auto squeeze = [](const std::string& s, size_t max) {
    std::string out;
    for (unsigned char c : s)
      if (c != ' ' && c != '.' && out.size() < max) out += (c == '+' || c == ',' || c == ';' || c == '=' || c == '[' || c == ']') ? '_' : char(c);
    return out;
  };
  std::string b = upper(squeeze(base, 6)) + "~1";
  std::string e = upper(squeeze(ext, 3));
  return e.empty() ? b : b + "." + e;
}

}  // namespace

// ---------------------------------------------------------------------------------------------- files

struct HostPlatform::Shared {
  Result lastError = 0;
  struct OpenRec {
    bool read, write, shareRead, shareWrite;
  };
  std::map<std::string, std::vector<OpenRec*>> open;  // host path -> open files
  std::map<std::string, Result> ioFaults;              // normalised Windows path -> code
  std::map<std::string, int64_t> writeLimits;          // normalised Windows path -> bytes left
};

namespace {

class HostFile : public File {
 public:
  HostFile(std::shared_ptr<HostPlatform::Shared> shared, int fd, std::string hostPath, std::string key,
           HostPlatform::Shared::OpenRec rec)
      : shared_(std::move(shared)), fd_(fd), hostPath_(std::move(hostPath)), key_(std::move(key)), rec_(rec) {
    shared_->open[hostPath_].push_back(&rec_);
  }
  ~HostFile() override { close(); }

  int64_t read(void* buffer, int64_t count) override {
    if (!check()) return -1;
    if (!rec_.read) return fail(oserr::accessDenied);
    int64_t done = 0;
    while (done < count) {
      ssize_t n = ::read(fd_, static_cast<char*>(buffer) + done, size_t(count - done));
      if (n < 0) {
        if (errno == EINTR) continue;
        return fail(oserr::readFault);
      }
      if (n == 0) break;
      done += n;
    }
    return done;
  }

  int64_t write(const void* buffer, int64_t count) override {
    if (!check()) return -1;
    if (!rec_.write) return fail(oserr::accessDenied);
    int64_t allowed = count;
    auto limit = shared_->writeLimits.find(key_);
    if (limit != shared_->writeLimits.end()) allowed = std::min<int64_t>(count, std::max<int64_t>(0, limit->second));
    int64_t done = 0;
    while (done < allowed) {
      ssize_t n = ::write(fd_, static_cast<const char*>(buffer) + done, size_t(allowed - done));
      if (n < 0) {
        if (errno == EINTR) continue;
        return fail(errno == ENOSPC ? oserr::diskFull : oserr::writeFault);
      }
      done += n;
    }
    if (limit != shared_->writeLimits.end()) {
      limit->second -= done;
      if (done < count) {
        shared_->lastError = oserr::diskFull;
        return done == 0 ? -1 : done;
      }
    }
    return done;
  }

  bool seek(int64_t offset) override {
    if (fd_ < 0) return fail(oserr::invalidHandle) == 0;
    if (offset < 0) return fail(oserr::invalidParameter) == 0;  // ERROR_NEGATIVE_SEEK is reported as 131
    if (lseek(fd_, off_t(offset), SEEK_SET) < 0) return fail(oserr::invalidParameter) == 0;
    return true;
  }

  int64_t size() override {
    if (fd_ < 0) return fail(oserr::invalidHandle);
    struct stat st;
    if (fstat(fd_, &st) != 0) return fail(oserr::readFault);
    return int64_t(st.st_size);
  }

  bool close() override {
    if (fd_ < 0) return true;
    bool ok = ::close(fd_) == 0;
    fd_ = -1;
    auto& list = shared_->open[hostPath_];
    list.erase(std::remove(list.begin(), list.end(), &rec_), list.end());
    if (list.empty()) shared_->open.erase(hostPath_);
    if (!ok) shared_->lastError = oserr::writeFault;
    return ok;
  }

 private:
  int64_t fail(Result code) {
    shared_->lastError = code;
    return -1;
  }
  bool check() {
    if (fd_ < 0) return fail(oserr::invalidHandle) == 0;
    auto f = shared_->ioFaults.find(key_);
    if (f != shared_->ioFaults.end()) return fail(f->second) == 0;
    return true;
  }

  std::shared_ptr<HostPlatform::Shared> shared_;
  int fd_;
  std::string hostPath_, key_;
  HostPlatform::Shared::OpenRec rec_;
};

class HostActiveDesktop : public ActiveDesktop {
 public:
  explicit HostActiveDesktop(HostPlatform& p) : p_(p) { p_.activeDesktopsAlive++; }
  ~HostActiveDesktop() override {
    p_.activeDesktopsAlive--;
    p_.callLog.push_back("ActiveDesktop.release");
  }
  int32_t setDesktopItemOptions(bool enableComponents, bool activeDesktop) override {
    p_.callLog.push_back(std::string("ActiveDesktop.setDesktopItemOptions ") + (enableComponents ? "1" : "0") + " " +
                         (activeDesktop ? "1" : "0"));
    return p_.activeDesktopResult;
  }
  int32_t setWallpaper(const std::string& path) override {
    p_.callLog.push_back("ActiveDesktop.setWallpaper " + path);
    return p_.activeDesktopResult;
  }
  int32_t applyChanges(uint32_t flags) override {
    p_.callLog.push_back("ActiveDesktop.applyChanges " + hex(flags));
    return p_.activeDesktopResult;
  }

 private:
  HostPlatform& p_;
};

}  // namespace

// A Windows path split into drive and components (".", ".." and empty components resolved).
struct HostPlatform::Parsed {
  char drive = 'C';
  std::vector<std::string> parts;
};

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

bool HostPlatform::fail(Result code) {
  shared_->lastError = code;
  return false;
}

uint32_t HostPlatform::storedAttributes(const std::string& hostPath) const {
  auto it = attributes_.find(hostPath);
  return it == attributes_.end() ? attr::archive : it->second;
}

// ---------------------------------------------------------------------------------------------- system

Result HostPlatform::lastError() { return shared_->lastError; }
void HostPlatform::setLastError(Result code) { shared_->lastError = code; }

std::string HostPlatform::systemErrorText(Result code) {
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

bool HostPlatform::getVersion(OsVersion& out) {
  if (versionFails_) return fail(oserr::invalidParameter);
  out = version_;
  return true;
}

// ---------------------------------------------------------------------------------------------- fault set-up

void HostPlatform::setBusy(const std::string& path, bool busy) {
  if (busy)
    busy_.insert(keyOf(path));
  else
    busy_.erase(keyOf(path));
}

int HostPlatform::deleteAttempts(const std::string& path) const {
  auto it = deleteAttempts_.find(keyOf(path));
  return it == deleteAttempts_.end() ? 0 : it->second;
}

void HostPlatform::failCreateDirectory(const std::string& path, Result code) {
  if (code)
    createDirFaults_[keyOf(path)] = code;
  else
    createDirFaults_.erase(keyOf(path));
}

void HostPlatform::failOpen(const std::string& path, Result code) {
  if (code)
    openFaults_[keyOf(path)] = code;
  else
    openFaults_.erase(keyOf(path));
}

void HostPlatform::failIo(const std::string& path, Result code) {
  if (code)
    shared_->ioFaults[keyOf(path)] = code;
  else
    shared_->ioFaults.erase(keyOf(path));
}

void HostPlatform::limitWrites(const std::string& path, int64_t bytes) {
  if (bytes >= 0)
    shared_->writeLimits[keyOf(path)] = bytes;
  else
    shared_->writeLimits.erase(keyOf(path));
}

void HostPlatform::failCopy(const std::string& from, Result code) {
  if (code)
    copyFaults_[keyOf(from)] = code;
  else
    copyFaults_.erase(keyOf(from));
}

void HostPlatform::setFileVersion(const std::string& path, uint32_t ms, uint32_t ls) {
  versions_[keyOf(path)] = {ms, ls};
}

void HostPlatform::setShortPath(const std::string& path, const std::string& shortPath) {
  shortPaths_[keyOf(path)] = shortPath;
}

void HostPlatform::failLoadLibrary(const std::string& path, Result code) {
  if (code)
    loadFaults_[keyOf(path)] = code;
  else
    loadFaults_.erase(keyOf(path));
}

int HostPlatform::openFileCount() const {
  int n = 0;
  for (auto& e : shared_->open) n += int(e.second.size());
  return n;
}

bool HostPlatform::writeWholeFile(const std::string& path, const std::string& bytes) {
  std::string h = hostPath(path);
  if (h.empty()) return false;
  FILE* f = fopen(h.c_str(), "wb");
  if (!f) return false;
  bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return fclose(f) == 0 && ok;
}

bool HostPlatform::readWholeFile(const std::string& path, std::string& bytes) const {
  std::string h = hostPath(path);
  if (h.empty() || isDirFollow(h)) return false;
  FILE* f = fopen(h.c_str(), "rb");
  if (!f) return false;
  bytes.clear();
  char buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
  fclose(f);
  return true;
}

// ---------------------------------------------------------------------------------------------- files

uint32_t HostPlatform::getAttributes(const std::string& path) {
  Parsed p;
  if (!parse(path, p)) {
    fail(errorInvalidName);
    return attr::invalid;
  }
  std::string h = resolve(p);
  struct stat st;
  if (!lexists(h, &st)) {
    fail(lexists(h.substr(0, h.rfind('/'))) ? oserr::fileNotFound : oserr::pathNotFound);
    return attr::invalid;
  }
  uint32_t a = storedAttributes(h);
  if (S_ISLNK(st.st_mode)) {
    a |= attr::reparsePoint;
    if (isDirFollow(h)) a |= attr::directory;
    return a;
  }
  if (S_ISDIR(st.st_mode)) return (a & ~attr::archive) | attr::directory;
  return a ? a : attr::normal;
}

bool HostPlatform::setAttributes(const std::string& path, uint32_t attributes) {
  Parsed p;
  if (!parse(path, p)) return fail(errorInvalidName);
  std::string h = resolve(p);
  if (!lexists(h)) return fail(lexists(h.substr(0, h.rfind('/'))) ? oserr::fileNotFound : oserr::pathNotFound);
  attributes_[h] = attributes & (attr::readOnly | attr::hidden | attr::system | attr::archive);
  return true;
}

bool HostPlatform::deleteFile(const std::string& path) {
  std::string key = keyOf(path);
  deleteAttempts_[key]++;
  Parsed p;
  if (!parse(path, p)) return fail(errorInvalidName);
  std::string h = resolve(p);
  struct stat st;
  if (!lexists(h, &st)) return fail(lexists(h.substr(0, h.rfind('/'))) ? oserr::fileNotFound : oserr::pathNotFound);
  if (S_ISDIR(st.st_mode) || (S_ISLNK(st.st_mode) && isDirFollow(h))) return fail(oserr::accessDenied);
  if (busy_.count(key) || shared_->open.count(h)) return fail(oserr::sharingViolation);
  if (storedAttributes(h) & attr::readOnly) return fail(oserr::accessDenied);
  for (auto& lib : libraries_)
    if (lib.second.first == h) return fail(oserr::accessDenied);  // a loaded module cannot be deleted
  if (unlink(h.c_str()) != 0) return fail(oserr::accessDenied);
  attributes_.erase(h);
  return true;
}

bool HostPlatform::createDirectory(const std::string& path) {
  Parsed p;
  if (!parse(path, p)) return fail(errorInvalidName);
  auto f = createDirFaults_.find(keyOf(path));
  if (f != createDirFaults_.end()) return fail(f->second);
  std::string h = resolve(p);
  if (p.parts.empty()) return fail(lexists(h) ? oserr::alreadyExists : oserr::pathNotFound);
  if (lexists(h)) return fail(oserr::alreadyExists);
  std::string parent = h.substr(0, h.rfind('/'));
  if (!isDirFollow(parent)) return fail(oserr::pathNotFound);
  if (mkdir(h.c_str(), 0755) != 0) return fail(errno == EEXIST ? oserr::alreadyExists : oserr::accessDenied);
  attributes_.erase(h);
  return true;
}

bool HostPlatform::removeDirectory(const std::string& path) {
  Parsed p;
  if (!parse(path, p)) return fail(errorInvalidName);
  std::string h = resolve(p);
  struct stat st;
  if (!lexists(h, &st)) return fail(lexists(h.substr(0, h.rfind('/'))) ? oserr::fileNotFound : oserr::pathNotFound);
  if (p.parts.empty()) return fail(oserr::accessDenied);
  if (S_ISLNK(st.st_mode)) {
    // A link to a folder (junction or symbolic link) is removed as the link; the target stays.
    if (!isDirFollow(h)) return fail(errorDirectory);
    if (storedAttributes(h) & attr::readOnly) return fail(oserr::accessDenied);
    if (unlink(h.c_str()) != 0) return fail(oserr::accessDenied);
    attributes_.erase(h);
    return true;
  }
  if (!S_ISDIR(st.st_mode)) return fail(errorDirectory);
  if (storedAttributes(h) & attr::readOnly) return fail(oserr::accessDenied);
  if (rmdir(h.c_str()) != 0) return fail(errno == ENOTEMPTY || errno == EEXIST ? oserr::dirNotEmpty : oserr::accessDenied);
  attributes_.erase(h);
  return true;
}

bool HostPlatform::copyFile(const std::string& from, const std::string& to, bool failIfExists) {
  Parsed pf, pt;
  if (!parse(from, pf) || !parse(to, pt)) return fail(errorInvalidName);
  auto fault = copyFaults_.find(keyOf(from));
  if (fault != copyFaults_.end()) return fail(fault->second);
  std::string hf = resolve(pf), ht = resolve(pt);
  struct stat st;
  if (stat(hf.c_str(), &st) != 0) return fail(lexists(hf.substr(0, hf.rfind('/'))) ? oserr::fileNotFound : oserr::pathNotFound);
  if (S_ISDIR(st.st_mode)) return fail(oserr::accessDenied);
  for (auto* rec : shared_->open[hf])
    if (rec->write || !rec->shareRead) return fail(oserr::sharingViolation);
  if (shared_->open[hf].empty()) shared_->open.erase(hf);
  struct stat dt;
  if (lexists(ht, &dt)) {
    if (failIfExists) return fail(oserr::fileExists);
    if (S_ISDIR(dt.st_mode)) return fail(oserr::accessDenied);
    if (busy_.count(keyOf(to)) || shared_->open.count(ht)) return fail(oserr::sharingViolation);
    if (storedAttributes(ht) & (attr::readOnly | attr::hidden)) return fail(oserr::accessDenied);
  } else if (!isDirFollow(ht.substr(0, ht.rfind('/')))) {
    return fail(oserr::pathNotFound);
  }
  if (hf == ht) return fail(oserr::sharingViolation);
  int in = ::open(hf.c_str(), O_RDONLY);
  if (in < 0) return fail(oserr::accessDenied);
  int out = ::open(ht.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (out < 0) {
    ::close(in);
    return fail(oserr::accessDenied);
  }
  char buf[65536];
  bool ok = true;
  for (;;) {
    ssize_t n = ::read(in, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    if (n == 0) break;
    for (ssize_t done = 0; done < n;) {
      ssize_t w = ::write(out, buf + done, size_t(n - done));
      if (w < 0) {
        if (errno == EINTR) continue;
        ok = false;
        break;
      }
      done += w;
    }
    if (!ok) break;
  }
  ::close(in);
  if (::close(out) != 0) ok = false;
  if (!ok) return fail(oserr::diskFull);
  attributes_[ht] = storedAttributes(hf) | attr::archive;  // CopyFile carries the attributes over
  return true;
}

bool HostPlatform::findFiles(const std::string& pattern, std::vector<FindEntry>& out) {
  out.clear();
  std::string norm = pattern;
  std::replace(norm.begin(), norm.end(), '/', '\\');
  size_t cut = norm.find_last_of("\\:");
  std::string folder = cut == std::string::npos ? "" : norm.substr(0, cut + 1);
  std::string mask = cut == std::string::npos ? norm : norm.substr(cut + 1);
  if (mask.empty()) return fail(oserr::fileNotFound);
  Parsed p;
  if (!parse(folder.empty() ? "C:\\" : folder, p)) return fail(errorInvalidName);
  for (unsigned char c : mask)
    if (c < 0x20 || strchr("<>:\"|\\/", c)) return fail(errorInvalidName);
  std::string h = resolve(p);
  if (!isDirFollow(h)) return fail(oserr::pathNotFound);
  std::vector<std::string> names;
  if (DIR* d = opendir(h.c_str())) {
    while (dirent* e = readdir(d)) {
      std::string n = e->d_name;
      if (n == "." || n == "..") continue;
      names.push_back(n);
    }
    closedir(d);
  } else {
    return fail(oserr::accessDenied);
  }
  // NTFS delivers names in case-insensitive order, with "." and ".." first (except at a drive's root).
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    std::string ua = upper(a), ub = upper(b);
    return ua != ub ? ua < ub : a < b;
  });
  if (!p.parts.empty()) {
    if (wildMatch(mask.c_str(), ".")) out.push_back({".", attr::directory});
    if (wildMatch(mask.c_str(), "..")) out.push_back({"..", attr::directory});
  }
  for (const std::string& n : names) {
    if (!wildMatch(mask.c_str(), n.c_str())) continue;
    std::string child = (folder.empty() ? std::string("C:\\") : withTrailingBackslash(folder)) + n;
    uint32_t a = getAttributes(child);
    if (a == attr::invalid) continue;
    out.push_back({n, a});
  }
  if (out.empty()) return fail(oserr::fileNotFound);
  return true;
}

std::unique_ptr<File> HostPlatform::open(const std::string& path, OpenMode mode) {
  Parsed p;
  if (!parse(path, p)) {
    fail(errorInvalidName);
    return nullptr;
  }
  std::string key = keyOf(path);
  auto fault = openFaults_.find(key);
  if (fault != openFaults_.end()) {
    fail(fault->second);
    return nullptr;
  }
  Shared::OpenRec rec{};
  switch (mode) {
    case OpenMode::Read: rec = {true, false, true, true}; break;
    case OpenMode::ReadDenyWrite: rec = {true, false, true, false}; break;
    case OpenMode::ReadWrite: rec = {true, true, true, false}; break;
    case OpenMode::CreateWrite: rec = {false, true, true, false}; break;
  }
  std::string h = resolve(p);
  struct stat st;
  bool exists = lexists(h, &st);
  if (exists && S_ISLNK(st.st_mode) && stat(h.c_str(), &st) != 0) exists = false;
  if (!exists) {
    if (mode != OpenMode::CreateWrite || !isDirFollow(h.substr(0, h.rfind('/')))) {
      fail(isDirFollow(h.substr(0, h.rfind('/'))) ? oserr::fileNotFound : oserr::pathNotFound);
      return nullptr;
    }
  } else {
    if (S_ISDIR(st.st_mode)) {
      fail(oserr::accessDenied);
      return nullptr;
    }
    if (rec.write && busy_.count(key)) {
      fail(oserr::sharingViolation);
      return nullptr;
    }
    if (rec.write && (storedAttributes(h) & attr::readOnly)) {
      fail(oserr::accessDenied);
      return nullptr;
    }
    if (mode == OpenMode::CreateWrite && (storedAttributes(h) & (attr::hidden | attr::system))) {
      fail(oserr::accessDenied);  // CREATE_ALWAYS refuses hidden and system files
      return nullptr;
    }
    auto it = shared_->open.find(h);
    if (it != shared_->open.end()) {
      for (auto* o : it->second) {
        if ((rec.write && !o->shareWrite) || (rec.read && !o->shareRead) || (o->write && !rec.shareWrite) ||
            (o->read && !rec.shareRead)) {
          fail(oserr::sharingViolation);
          return nullptr;
        }
      }
    }
  }
  int flags = rec.read && rec.write ? O_RDWR : rec.write ? O_WRONLY : O_RDONLY;
  if (mode == OpenMode::CreateWrite) flags |= O_CREAT | O_TRUNC;
  int fd = ::open(h.c_str(), flags | O_CLOEXEC, 0644);
  if (fd < 0) {
    fail(errno == ENOENT ? oserr::pathNotFound : oserr::accessDenied);
    return nullptr;
  }
  if (!exists) attributes_.erase(h);
  shared_->lastError = 0;
  return std::make_unique<HostFile>(shared_, fd, h, key, rec);
}

std::string HostPlatform::shortPathName(const std::string& path) {
  auto known = shortPaths_.find(keyOf(path));
  if (known != shortPaths_.end()) return known->second;
  Parsed p;
  if (!parse(path, p)) {
    fail(errorInvalidName);
    return "";
  }
  if (!lexists(resolve(p))) {
    fail(oserr::fileNotFound);
    return "";
  }
  std::string out(1, p.drive);
  out += ":";
  for (auto& part : p.parts) out += "\\" + shortComponent(part);
  if (p.parts.empty() || (!path.empty() && path.back() == '\\')) out += "\\";
  return out;
}

bool HostPlatform::fileVersion(const std::string& path, uint32_t& ms, uint32_t& ls) {
  if (getAttributes(path) == attr::invalid) return false;
  auto it = versions_.find(keyOf(path));
  if (it == versions_.end()) return fail(errorNoVersion);
  ms = it->second.first;
  ls = it->second.second;
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
  return lib;
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

// ---------------------------------------------------------------------------------------------- registry

namespace {
std::string trimKey(const std::string& path) {
  std::string p = path;
  while (!p.empty() && p.front() == '\\') p.erase(p.begin());
  while (!p.empty() && p.back() == '\\') p.pop_back();
  return p;
}
}  // namespace

std::string HostPlatform::regId(RegRoot root, const std::string& path) const {
  return rootName(root) + "\\" + upper(trimKey(path));
}

RegValue HostPlatform::stringValue(const std::string& text) { return RegValue::text(text); }

RegValue HostPlatform::dwordValue(uint32_t value) { return RegValue::dword(value); }

const HostPlatform::KeyFault* HostPlatform::keyFault(const std::string& id) const {
  auto it = keyFaults_.find(id);
  return it == keyFaults_.end() ? nullptr : &it->second;
}

bool HostPlatform::keyExists(RegRoot root, const std::string& path) const {
  return registry_.count(regId(root, path)) != 0;
}

void HostPlatform::createKey(RegRoot root, const std::string& path) {
  std::string p = trimKey(path);
  size_t pos = 0;
  for (;;) {
    size_t next = p.find('\\', pos);
    std::string prefix = next == std::string::npos ? p : p.substr(0, next);
    if (!prefix.empty()) {
      auto& k = registry_[regId(root, prefix)];
      if (k.name.empty()) k.name = rootName(root) + "\\" + prefix;
    }
    if (next == std::string::npos) break;
    pos = next + 1;
  }
}

bool HostPlatform::getValue(RegRoot root, const std::string& path, const std::string& name, RegValue& value) const {
  auto k = registry_.find(regId(root, path));
  if (k == registry_.end()) return false;
  auto v = k->second.values.find(upper(name));
  if (v == k->second.values.end()) return false;
  value = v->second.second;
  return true;
}

std::string HostPlatform::getString(RegRoot root, const std::string& path, const std::string& name) const {
  RegValue v;
  if (!getValue(root, path, name, v) || v.type != RegType::String) return "";
  std::string s(v.data.begin(), v.data.end());
  size_t z = s.find('\0');
  if (z != std::string::npos) s.resize(z);
  return s;
}

bool HostPlatform::getDword(RegRoot root, const std::string& path, const std::string& name, uint32_t& value) const {
  RegValue v;
  if (!getValue(root, path, name, v) || v.type != RegType::Dword || v.data.size() != 4) return false;
  value = v.data[0] | v.data[1] << 8 | v.data[2] << 16 | uint32_t(v.data[3]) << 24;
  return true;
}

void HostPlatform::putValue(RegRoot root, const std::string& path, const std::string& name, const RegValue& value) {
  createKey(root, path);
  registry_[regId(root, path)].values[upper(name)] = {name, value};
}

void HostPlatform::putString(RegRoot root, const std::string& path, const std::string& name, const std::string& text) {
  putValue(root, path, name, stringValue(text));
}

void HostPlatform::putDword(RegRoot root, const std::string& path, const std::string& name, uint32_t value) {
  putValue(root, path, name, dwordValue(value));
}

std::string HostPlatform::dumpRegistry() const {
  std::string out;
  for (auto& k : registry_) {
    out += k.second.name + "\n";
    for (auto& v : k.second.values)
      out += "  " + (v.second.first.empty() ? std::string("@") : v.second.first) + " = " + valueText(v.second.second) + "\n";
  }
  return out;
}

void HostPlatform::setKeyUnwritable(RegRoot root, const std::string& path, bool openFails, Result code) {
  keyFaults_[regId(root, path)] = {openFails, code};
}

int HostPlatform::openKeyCount() const { return int(openKeys_.size()); }

Result HostPlatform::regOpenKey(RegRoot root, const std::string& path, bool write, RegKey& key) {
  key = 0;
  logCall("regOpenKey " + rootName(root) + "\\" + path + (write ? " write" : ""));
  std::string id = regId(root, path);
  if (!registry_.count(id)) return oserr::fileNotFound;
  const KeyFault* f = keyFault(id);
  if (write && f && f->openFails) return f->code;
  key = nextKey_++;
  openKeys_[key] = {root, path, id, write};
  return 0;
}

Result HostPlatform::regCreateKey(RegRoot root, const std::string& path, RegKey& key) {
  key = 0;
  logCall("regCreateKey " + rootName(root) + "\\" + path);
  std::string id = regId(root, path);
  const KeyFault* f = keyFault(id);
  if (f) return f->code;
  if (trimKey(path).empty()) return oserr::invalidParameter;
  createKey(root, path);
  key = nextKey_++;
  openKeys_[key] = {root, path, id, true};
  return 0;
}

Result HostPlatform::regQueryValue(RegKey key, const std::string& name, RegValue& value) {
  auto k = openKeys_.find(key);
  if (k == openKeys_.end()) return oserr::invalidHandle;
  logCall("regQueryValue " + rootName(k->second.root) + "\\" + k->second.path + " [" + name + "]");
  auto data = registry_.find(k->second.keyId);
  if (data == registry_.end()) return 1018;  // ERROR_KEY_DELETED
  auto v = data->second.values.find(upper(name));
  if (v == data->second.values.end()) return oserr::fileNotFound;
  value = v->second.second;
  return 0;
}

Result HostPlatform::regSetValue(RegKey key, const std::string& name, const RegValue& value) {
  auto k = openKeys_.find(key);
  if (k == openKeys_.end()) return oserr::invalidHandle;
  logCall("regSetValue " + rootName(k->second.root) + "\\" + k->second.path + " [" + name + "] = " + valueText(value));
  if (!k->second.write) return oserr::accessDenied;
  if (const KeyFault* f = keyFault(k->second.keyId)) return f->code;
  auto data = registry_.find(k->second.keyId);
  if (data == registry_.end()) return 1018;
  data->second.values[upper(name)] = {name, value};
  return 0;
}

Result HostPlatform::regDeleteValue(RegKey key, const std::string& name) {
  auto k = openKeys_.find(key);
  if (k == openKeys_.end()) return oserr::invalidHandle;
  logCall("regDeleteValue " + rootName(k->second.root) + "\\" + k->second.path + " [" + name + "]");
  if (!k->second.write) return oserr::accessDenied;
  if (const KeyFault* f = keyFault(k->second.keyId)) return f->code;
  auto data = registry_.find(k->second.keyId);
  if (data == registry_.end()) return 1018;
  if (!data->second.values.erase(upper(name))) return oserr::fileNotFound;
  return 0;
}

void HostPlatform::regCloseKey(RegKey key) {
  auto k = openKeys_.find(key);
  if (k == openKeys_.end()) return;
  logCall("regCloseKey " + rootName(k->second.root) + "\\" + k->second.path);
  openKeys_.erase(k);
}

Result HostPlatform::regDeleteTree(RegRoot root, const std::string& path) {
  logCall("regDeleteTree " + rootName(root) + "\\" + path);
  std::string id = regId(root, path);
  if (trimKey(path).empty()) return oserr::accessDenied;
  if (!registry_.count(id)) return oserr::fileNotFound;
  for (auto& f : keyFaults_)
    if (f.first == id || f.first.compare(0, id.size() + 1, id + "\\") == 0) return f.second.code;
  for (auto it = registry_.begin(); it != registry_.end();) {
    if (it->first == id || it->first.compare(0, id.size() + 1, id + "\\") == 0)
      it = registry_.erase(it);
    else
      ++it;
  }
  return 0;
}

// ---------------------------------------------------------------------------------------------- windows

WindowHandle HostPlatform::addWindow(const std::string& className, const std::string& title, bool visible,
                                     bool iconic) {
  SimWindow w;
  w.handle = nextWindow_;
  nextWindow_ += 0x10;
  w.className = className;
  w.title = title;
  w.visible = visible;
  w.iconic = iconic;
  windows_[w.handle] = w;
  topLevel_.push_back(w.handle);
  return w.handle;
}

WindowHandle HostPlatform::addChild(WindowHandle parent, const std::string& className, const std::string& title,
                                    int controlId) {
  auto p = windows_.find(parent);
  if (p == windows_.end()) return 0;
  SimWindow w;
  w.handle = nextWindow_;
  nextWindow_ += 0x10;
  w.parent = parent;
  w.className = className;
  w.title = title;
  w.controlId = controlId;
  p->second.children.push_back(w.handle);
  windows_[w.handle] = w;
  return w.handle;
}

void HostPlatform::removeWindow(WindowHandle w) {
  auto it = windows_.find(w);
  if (it == windows_.end()) return;
  std::vector<WindowHandle> children = it->second.children;
  for (WindowHandle c : children) removeWindow(c);
  it = windows_.find(w);
  if (it->second.parent) {
    auto p = windows_.find(it->second.parent);
    if (p != windows_.end()) {
      auto& ch = p->second.children;
      ch.erase(std::remove(ch.begin(), ch.end(), w), ch.end());
    }
  }
  topLevel_.erase(std::remove(topLevel_.begin(), topLevel_.end(), w), topLevel_.end());
  windows_.erase(w);
}

HostPlatform::SimWindow* HostPlatform::window(WindowHandle w) {
  auto it = windows_.find(w);
  return it == windows_.end() ? nullptr : &it->second;
}

void HostPlatform::setHung(WindowHandle w, bool hung) {
  if (SimWindow* s = window(w)) s->hung = hung;
}

std::string HostPlatform::windowName(WindowHandle w) {
  SimWindow* s = window(w);
  return s ? s->className : "#" + hex(w);
}

void HostPlatform::recordMessage(const WindowMessage& m) {
  messages.push_back(m);
  if (onMessage) onMessage(m);
}

WindowHandle HostPlatform::findWindow(const char* className, const char* title) {
  for (WindowHandle h : topLevel_) {
    const SimWindow& w = windows_[h];
    if (className && upper(w.className) != upper(className)) continue;
    if (title && upper(w.title) != upper(title)) continue;
    return h;
  }
  fail(oserr::fileNotFound);
  return 0;
}

WindowHandle HostPlatform::firstChild(WindowHandle w) {
  SimWindow* s = window(w);
  if (!s) {
    fail(errorInvalidWindow);
    return 0;
  }
  return s->children.empty() ? 0 : s->children.front();
}

std::vector<WindowHandle> HostPlatform::topLevelWindows() { return topLevel_; }

std::string HostPlatform::windowClassName(WindowHandle w) {
  SimWindow* s = window(w);
  if (!s) {
    fail(errorInvalidWindow);
    return "";
  }
  return s->className.substr(0, 255);
}

bool HostPlatform::isWindowVisible(WindowHandle w) {
  SimWindow* s = window(w);
  if (!s) return false;
  for (SimWindow* p = s; p; p = p->parent ? window(p->parent) : nullptr)
    if (!p->visible) return false;
  return true;
}

bool HostPlatform::isIconic(WindowHandle w) {
  SimWindow* s = window(w);
  return s && s->iconic;
}

bool HostPlatform::sendMessageTimeout(WindowHandle w, uint32_t msg, uintptr_t wParam, intptr_t lParam,
                                      uint32_t timeoutMs) {
  logCall("sendMessage " + windowName(w) + " " + hex(msg) + " " + hex(wParam) + " " + std::to_string(lParam));
  SimWindow* s = window(w);
  if (!s) return fail(errorInvalidWindow);
  bool hung = s->hung;
  recordMessage({MessageKind::Send, w, 0, msg, wParam, lParam});
  if (hung) return fail(errorTimeout);
  return true;
}

bool HostPlatform::postMessage(WindowHandle w, uint32_t msg, uintptr_t wParam, intptr_t lParam) {
  logCall("postMessage " + windowName(w) + " " + hex(msg) + " " + hex(wParam) + " " + std::to_string(lParam));
  if (!window(w)) return fail(errorInvalidWindow);
  recordMessage({MessageKind::Post, w, 0, msg, wParam, lParam});
  return true;
}

intptr_t HostPlatform::sendDlgItemMessage(WindowHandle dialog, int item, uint32_t msg, uintptr_t wParam,
                                          intptr_t lParam) {
  SimWindow* s = window(dialog);
  logCall("sendDlgItemMessage " + (s ? s->title : "#" + hex(dialog)) + " " + std::to_string(item) + " " + hex(msg));
  if (!s) {
    fail(errorInvalidWindow);
    return 0;
  }
  recordMessage({MessageKind::DlgItem, dialog, item, msg, wParam, lParam});
  return 0;
}

intptr_t HostPlatform::shellExecute(WindowHandle owner, const char* verb, const std::string& file,
                                    const char* parameters, const char* directory, int show) {
  ShellCall c{owner, verb ? verb : "", file, parameters ? parameters : "", directory ? directory : "", show};
  logCall("shellExecute " + c.verb + " " + c.file + " " + c.parameters);
  shellCalls.push_back(c);
  if (onShellExecute) onShellExecute(c);
  return shellExecuteResult;
}

bool HostPlatform::startProcess(const std::string& program, const std::string& arguments, int show) {
  logCall("startProcess " + program + " " + arguments + " " + std::to_string(show));
  ProcessCall c{program, arguments, show};
  processCalls.push_back(c);
  if (onStartProcess) onStartProcess(c);
  return startProcessResult;
}

bool HostPlatform::setDeskWallpaper(const char* path, uint32_t flags) {
  logCall(std::string("setDeskWallpaper ") + (path ? path : "(null)") + " " + std::to_string(flags));
  wallpaperCalls.push_back({path != nullptr, path ? path : "", flags});
  return setDeskWallpaperResult;
}

std::unique_ptr<ActiveDesktop> HostPlatform::createActiveDesktop() {
  logCall("ActiveDesktop.create");
  if (!activeDesktopFailure.empty()) throw PlatformError(activeDesktopFailure);
  activeDesktopsCreated++;
  return std::make_unique<HostActiveDesktop>(*this);
}

// ---------------------------------------------------------------------------------------------- user interface

BoxAnswer HostPlatform::messageBox(const std::string& text, const std::string& caption, BoxKind kind) {
  logCall("messageBox " + caption + ": " + text);
  BoxRecord r{text, caption, kind};
  boxes.push_back(r);
  if (!answers.empty()) {
    BoxAnswer a = answers.front();
    answers.pop_front();
    return a;
  }
  if (onMessageBox) return onMessageBox(r);
  switch (kind) {
    case BoxKind::ErrorAbort:
    case BoxKind::InformationAbort: return BoxAnswer::Abort;
    case BoxKind::YesNo: return BoxAnswer::Yes;
    case BoxKind::ErrorOk:
    case BoxKind::OkCancelQuestion: return BoxAnswer::Ok;
  }
  return BoxAnswer::Ok;
}

void HostPlatform::setCursor(Cursor c) {
  logCall(c == Cursor::Wait ? "setCursor Wait" : "setCursor Default");
  cursor_ = c;
  cursorChanges.push_back(c);
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
  const char* base = getenv("TMPDIR");
  std::string tmpl = std::string(base && *base ? base : "/tmp") + "/mvsandbox.XXXXXX";
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back(0);
  if (!mkdtemp(buf.data())) throw std::runtime_error("cannot create a sandbox folder");
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
