// The host platform's registry: keys and values in memory, letter case ignored, with faults a test can
// set and every call logged.
#include <algorithm>

#include "platform/host/host_internal.h"

namespace mv {

using namespace host_detail;

namespace {

std::string rootName(RegRoot r) { return r == RegRoot::CurrentUser ? "HKCU" : "HKLM"; }

std::string valueText(const RegValue& v) {
  if (v.type == RegType::String) {
    std::string s(v.data.begin(), v.data.end());
    size_t z = s.find('\0');
    if (z != std::string::npos) s.resize(z);
    return "\"" + s + "\"";
  }
  if (v.type == RegType::MultiString) {  // multi:"first","second",""
    std::string out = "multi:";
    size_t from = 0;
    while (from < v.data.size()) {
      size_t zero = from;
      while (zero < v.data.size() && v.data[zero] != 0) ++zero;
      out += (from ? ",\"" : "\"") + std::string(v.data.begin() + from, v.data.begin() + zero) + "\"";
      from = zero + 1;
    }
    return out;
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

}  // namespace

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

Result HostPlatform::regEnumSubkeys(RegKey key, std::vector<std::string>& names) {
  names.clear();
  auto k = openKeys_.find(key);
  if (k == openKeys_.end()) return oserr::invalidHandle;
  logCall("regEnumSubkeys " + rootName(k->second.root) + "\\" + k->second.path);
  if (!registry_.count(k->second.keyId)) return 1018;  // ERROR_KEY_DELETED
  const std::string prefix = k->second.keyId + "\\";
  for (auto& child : registry_)
    if (child.first.compare(0, prefix.size(), prefix) == 0 && child.first.find('\\', prefix.size()) == std::string::npos)
      names.push_back(child.second.name.substr(child.second.name.rfind('\\') + 1));
  return 0;
}

}  // namespace mv
