// The Win32 platform: the registry, its text values in UTF-8.
#include "platform/win32/win32_platform.h"

#include <windows.h>

#include "platform/win32/win32_text.h"

namespace mv {

using namespace win32_text;

namespace {

HKEY rootKey(RegRoot r) { return r == RegRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

// Deletes a key with everything below it (RegDeleteTree is not on every system the installer runs on).
LONG deleteKeyTree(HKEY parent, const std::wstring& path) {
  HKEY key;
  LONG r = RegOpenKeyExW(parent, path.c_str(), 0, KEY_READ | KEY_WRITE, &key);
  if (r != ERROR_SUCCESS) return r;
  for (int guard = 0; guard < 100000; guard++) {
    wchar_t name[256];
    DWORD len = sizeof name / sizeof name[0];
    r = RegEnumKeyExW(key, 0, name, &len, nullptr, nullptr, nullptr, nullptr);
    if (r != ERROR_SUCCESS) break;
    r = deleteKeyTree(key, std::wstring(name, len));
    if (r != ERROR_SUCCESS) {
      RegCloseKey(key);
      return r;
    }
  }
  RegCloseKey(key);
  return RegDeleteKeyW(parent, path.c_str());
}

// Registry text values: REG_SZ, REG_EXPAND_SZ and REG_MULTI_SZ hold UTF-16 in the system.
bool isTextType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// The system's UTF-16 data as UTF-8, with a terminating zero when the stored data had none.
std::vector<uint8_t> textDataToUtf8(const std::vector<uint8_t>& data) {
  std::wstring units(data.size() / 2, L'\0');
  for (size_t i = 0; i < units.size(); ++i) units[i] = wchar_t(data[2 * i] | data[2 * i + 1] << 8);
  std::string text = narrow(units.data(), units.size());
  if (text.empty() || text.back() != '\0') text.push_back('\0');
  return std::vector<uint8_t>(text.begin(), text.end());
}

// UTF-8 data (with its zero) as the UTF-16 the system stores, terminated.
std::vector<uint8_t> textDataToUtf16(const std::vector<uint8_t>& data) {
  std::wstring units = wide(std::string(data.begin(), data.end()));
  if (units.empty() || units.back() != L'\0') units.push_back(L'\0');
  std::vector<uint8_t> out(units.size() * 2);
  for (size_t i = 0; i < units.size(); ++i) {
    out[2 * i] = uint8_t(units[i]);
    out[2 * i + 1] = uint8_t(units[i] >> 8);
  }
  return out;
}

}  // namespace

Result Win32Platform::regOpenKey(RegRoot root, const std::string& path, bool write, RegKey& key) {
  HKEY h = nullptr;
  LONG r = RegOpenKeyExW(rootKey(root), wide(path).c_str(), 0, write ? KEY_READ | KEY_WRITE : KEY_READ, &h);
  key = r == ERROR_SUCCESS ? reinterpret_cast<RegKey>(h) : 0;
  return Result(r);
}

Result Win32Platform::regCreateKey(RegRoot root, const std::string& path, RegKey& key) {
  HKEY h = nullptr;
  DWORD disposition = 0;
  LONG r = RegCreateKeyExW(rootKey(root), wide(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                           KEY_READ | KEY_WRITE, nullptr, &h, &disposition);
  key = r == ERROR_SUCCESS ? reinterpret_cast<RegKey>(h) : 0;
  return Result(r);
}

Result Win32Platform::regQueryValue(RegKey key, const std::string& name, RegValue& value) {
  HKEY h = reinterpret_cast<HKEY>(key);
  const std::wstring wname = wide(name);
  DWORD type = 0, size = 0;
  LONG r = RegQueryValueExW(h, wname.c_str(), nullptr, &type, nullptr, &size);
  if (r != ERROR_SUCCESS) return Result(r);
  std::vector<uint8_t> data(size);
  for (int tries = 0; tries < 4; tries++) {
    size = DWORD(data.size());
    r = RegQueryValueExW(h, wname.c_str(), nullptr, &type, data.empty() ? nullptr : data.data(), &size);
    if (r != ERROR_MORE_DATA) break;
    data.resize(size);
  }
  if (r != ERROR_SUCCESS) return Result(r);
  data.resize(size);
  value.type = static_cast<RegType>(type);
  value.data = isTextType(type) ? textDataToUtf8(data) : std::move(data);
  return 0;
}

Result Win32Platform::regSetValue(RegKey key, const std::string& name, const RegValue& value) {
  const std::vector<uint8_t> data = isTextType(DWORD(value.type)) ? textDataToUtf16(value.data) : value.data;
  return Result(RegSetValueExW(reinterpret_cast<HKEY>(key), wide(name).c_str(), 0, DWORD(value.type),
                               data.empty() ? nullptr : data.data(), DWORD(data.size())));
}

Result Win32Platform::regDeleteValue(RegKey key, const std::string& name) {
  return Result(RegDeleteValueW(reinterpret_cast<HKEY>(key), wide(name).c_str()));
}

void Win32Platform::regCloseKey(RegKey key) {
  if (key) RegCloseKey(reinterpret_cast<HKEY>(key));
}

Result Win32Platform::regDeleteTree(RegRoot root, const std::string& path) {
  if (path.empty()) return ERROR_ACCESS_DENIED;  // never the whole hive
  return Result(deleteKeyTree(rootKey(root), wide(path)));
}

Result Win32Platform::regEnumSubkeys(RegKey key, std::vector<std::string>& names) {
  names.clear();
  HKEY h = reinterpret_cast<HKEY>(key);
  wchar_t name[256];  // the longest key name the registry allows, and its zero
  for (DWORD index = 0;; ++index) {
    DWORD size = 256;
    const LONG r = RegEnumKeyExW(h, index, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (r == ERROR_NO_MORE_ITEMS) return Result();
    if (r != ERROR_SUCCESS) return Result(r);
    names.push_back(narrow(name, size));
  }
}

}  // namespace mv
