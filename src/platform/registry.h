#pragma once
// The registry: keys under HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE, their values. Every call returns its
// Win32 error code (0 = success). Key paths, value names and the data of REG_SZ and REG_MULTI_SZ values are
// UTF-8 (UTF-16 in the system's registry); a REG_MULTI_SZ's texts each end with a zero, as in the system.
#include <cstdint>
#include <string>
#include <vector>

#include "support/result.h"

namespace mv {

enum class RegRoot { CurrentUser, LocalMachine };
enum class RegType : uint32_t { None = 0, String = 1, Binary = 3, Dword = 4, MultiString = 7 };
using RegKey = uintptr_t;  // 0 = no key

struct RegValue {
  RegType type = RegType::None;
  std::vector<uint8_t> data;  // REG_SZ data: UTF-8 with its terminating zero (REG_MULTI_SZ: each text's)

  // A REG_SZ value: the text and its terminating zero.
  static RegValue text(const std::string& text) {
    RegValue v;
    v.type = RegType::String;
    v.data.assign(text.begin(), text.end());
    v.data.push_back(0);
    return v;
  }
  // A REG_DWORD value, little-endian.
  static RegValue dword(uint32_t n) {
    RegValue v;
    v.type = RegType::Dword;
    v.data = {uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)};
    return v;
  }
};

class Registry {
 public:
  virtual Result regOpenKey(RegRoot root, const std::string& path, bool write, RegKey& key) = 0;
  virtual Result regCreateKey(RegRoot root, const std::string& path, RegKey& key) = 0;
  virtual Result regQueryValue(RegKey key, const std::string& name, RegValue& value) = 0;
  virtual Result regSetValue(RegKey key, const std::string& name, const RegValue& value) = 0;
  virtual Result regDeleteValue(RegKey key, const std::string& name) = 0;
  virtual void regCloseKey(RegKey key) = 0;
  virtual Result regDeleteTree(RegRoot root, const std::string& path) = 0;  // the key and its subkeys
  // The names of the key's direct subkeys (RegEnumKeyEx), in the system's order.
  virtual Result regEnumSubkeys(RegKey key, std::vector<std::string>& names) = 0;

 protected:
  ~Registry() = default;  // never deleted through a topic: the platform object owns them all
};

}  // namespace mv
