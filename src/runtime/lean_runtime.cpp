// Parts of the static C++ runtime that the shipped Windows programs replace with smaller ones of their own.
// They are linked as an object file ahead of libstdc++, so the library's own versions are never pulled in.
//
// - std::terminate's default handler writes the active exception's demangled type to stderr: a GUI
//   program has no stderr, and the handler brings the whole demangler along (45 KB). Ours ends the
//   program as the default handler does after printing.
// - The helpers through which the library's containers and strings raise their errors live in one
//   object of libstdc++ that constructs every standard exception class, and those pull in a second,
//   copy-on-write string implementation (about 50 KB together).
//
// Built with C++ exceptions (mvpack.exe), ours raise std::bad_alloc and the other exceptions without a
// text member as before, and a small exception with the library's message for the rest: the program
// catches those only as std::exception and shows what().
//
// Built without them (install.exe and the other programs of the release build), nothing may refer to the
// exception runtime, or the linker brings it back with the DWARF unwinder (about 90 KB with the unwind
// tables). A failed allocation, or a library error (which only a fault of the program can cause), then
// ends the program with a message box saying so: operator new is ours, and so are the two library
// functions whose objects would otherwise pull the runtime in (std::function's empty-call error and the
// steady clock).
#include <cstdlib>
#include <exception>
#include <new>
#include <typeinfo>

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

#if __cpp_exceptions

namespace {

class LibraryError : public std::exception {
 public:
  explicit LibraryError(const char* text) noexcept : text_(text ? text : "") {}
  const char* what() const noexcept override { return text_; }

 private:
  const char* text_;  // the library passes string literals
};

}  // namespace

namespace std {
void __throw_bad_exception() { throw bad_exception(); }
void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_bad_cast() { throw bad_cast(); }
void __throw_bad_typeid() { throw bad_typeid(); }
void __throw_logic_error(const char* text) { throw LibraryError(text); }
void __throw_domain_error(const char* text) { throw LibraryError(text); }
void __throw_invalid_argument(const char* text) { throw LibraryError(text); }
void __throw_length_error(const char* text) { throw LibraryError(text); }
void __throw_out_of_range(const char* text) { throw LibraryError(text); }
// The format's "%zu" placeholders stay unexpanded: the text only names the failing operation.
void __throw_out_of_range_fmt(const char* format, ...) { throw LibraryError(format); }
void __throw_runtime_error(const char* text) { throw LibraryError(text); }
void __throw_range_error(const char* text) { throw LibraryError(text); }
void __throw_overflow_error(const char* text) { throw LibraryError(text); }
void __throw_underflow_error(const char* text) { throw LibraryError(text); }
}  // namespace std

#else  // no exceptions

#include <windows.h>

#include <chrono>
#include <cstddef>

namespace {

[[noreturn]] void endProgram(const wchar_t* text) {
  MessageBoxW(nullptr, text, L"Error", MB_OK | MB_ICONERROR | MB_SYSTEMMODAL | MB_SETFOREGROUND);
  ExitProcess(3);  // the code abort() ends a program with
}

[[noreturn]] void outOfMemory() { endProgram(L"Out of memory: the program has to end."); }
[[noreturn]] void programFault(const char*) { endProgram(L"Internal error: the program has to end."); }

void* allocate(std::size_t size) noexcept { return std::malloc(size ? size : 1); }

}  // namespace

void* operator new(std::size_t size) {
  void* p = allocate(size);
  if (!p) outOfMemory();
  return p;
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace std {
void __throw_bad_exception() { programFault(nullptr); }
void __throw_bad_alloc() { outOfMemory(); }
void __throw_bad_array_new_length() { outOfMemory(); }
void __throw_bad_cast() { programFault(nullptr); }
void __throw_bad_typeid() { programFault(nullptr); }
void __throw_bad_function_call() { programFault(nullptr); }
void __throw_logic_error(const char* text) { programFault(text); }
void __throw_domain_error(const char* text) { programFault(text); }
void __throw_invalid_argument(const char* text) { programFault(text); }
// Containers report a size beyond what they can hold as a length error: an allocation that cannot be.
void __throw_length_error(const char*) { outOfMemory(); }
void __throw_out_of_range(const char* text) { programFault(text); }
void __throw_out_of_range_fmt(const char* format, ...) { programFault(format); }
void __throw_runtime_error(const char* text) { programFault(text); }
void __throw_range_error(const char* text) { programFault(text); }
void __throw_overflow_error(const char* text) { programFault(text); }
void __throw_underflow_error(const char* text) { programFault(text); }

// The performance counter: monotonic on every Windows the programs run on.
namespace chrono {
inline namespace _V2 {
steady_clock::time_point steady_clock::now() noexcept {
  static LARGE_INTEGER frequency;
  if (!frequency.QuadPart && !QueryPerformanceFrequency(&frequency)) frequency.QuadPart = 1000;
  LARGE_INTEGER counter;
  if (!QueryPerformanceCounter(&counter)) counter.QuadPart = LONGLONG(GetTickCount());
  const long long seconds = counter.QuadPart / frequency.QuadPart;
  const long long rest = counter.QuadPart % frequency.QuadPart;
  return time_point(duration(seconds * 1000000000LL + rest * 1000000000LL / frequency.QuadPart));
}
}  // namespace _V2
}  // namespace chrono
}  // namespace std

#endif
