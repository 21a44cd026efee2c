// The host platform's files and folders: Win32 semantics and error codes over the sandbox folder, the
// sharing rules of open files, read-only and the other attributes POSIX has no place for, and the faults
// a test can inject.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/host/host_internal.h"

namespace mv {

using namespace host_detail;

namespace {

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
      if (done < count) return fail(oserr::diskFull);  // like WriteFile on a full disk
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
  int64_t fail(int32_t code) {
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

}  // namespace

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

void HostPlatform::failCreateDirectory(const std::string& path, int32_t code) {
  if (code)
    createDirFaults_[keyOf(path)] = code;
  else
    createDirFaults_.erase(keyOf(path));
}

void HostPlatform::failOpen(const std::string& path, int32_t code) {
  if (code)
    openFaults_[keyOf(path)] = code;
  else
    openFaults_.erase(keyOf(path));
}

void HostPlatform::failIo(const std::string& path, int32_t code) {
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

void HostPlatform::failCopy(const std::string& from, int32_t code) {
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

void HostPlatform::failLoadLibrary(const std::string& path, int32_t code) {
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
  // A write limit on the destination (limitWrites) is a full disk for the copy as for open files.
  auto limit = shared_->writeLimits.find(keyOf(to));
  for (;;) {
    ssize_t n = ::read(in, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    if (n == 0) break;
    if (limit != shared_->writeLimits.end()) {
      if (limit->second < n) {
        ok = false;
        break;
      }
      limit->second -= n;
    }
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

}  // namespace mv
