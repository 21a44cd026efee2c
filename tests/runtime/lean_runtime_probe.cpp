// Allocations that cannot succeed, in a program built as the shipped ones are: without exceptions, with the
// lean runtime linked ahead of libstdc++. The first argument says which:
//   new      operator new[] of half the address space
//   vector   a vector resized beyond what it can hold (the library reports a length error)
//   nothrow  operator new[] (std::nothrow) of half the address space: null, and the program goes on
//   small    an ordinary string: the replaced operator new serves it
// Exit 0 when the program gets to its end, 1 when something was wrong there, 2 for an unknown argument.
#include <cstddef>
#include <cstdint>
#include <new>
#include <string>
#include <vector>

int wmain(int argc, wchar_t** argv) {
  const std::wstring what = argc > 1 ? argv[1] : L"";
  volatile size_t huge = (size_t(-1) >> 1) - 64;  // never fits a 32-bit process
  if (what == L"new") {
    char* p = new char[huge];
    return int(reinterpret_cast<uintptr_t>(p) & 1);  // not reached
  }
  if (what == L"vector") {
    std::vector<int> v;
    v.resize(huge);
    return v.empty() ? 1 : 0;  // not reached
  }
  if (what == L"nothrow") {
    char* p = new (std::nothrow) char[huge];
    return p ? 1 : 0;
  }
  if (what == L"small") {
    std::string s(1000, 'x');
    return s.size() == 1000 ? 0 : 1;
  }
  return 2;
}
