// Parts of the static C++ runtime that the shipped Windows programs replace with smaller ones of their own.
// They are linked as an object file ahead of libstdc++, so the library's own versions are never pulled in.
//
// - std::terminate's default handler writes the active exception's demangled type to stderr: a GUI
//   program has no stderr, and the handler brings the whole demangler along (45 KB). Ours ends the
//   program as the default handler does after printing.
// - The helpers through which the library's containers and strings raise their errors live in one
//   object of libstdc++ that constructs every standard exception class, and those pull in a second,
//   copy-on-write string implementation (about 50 KB together). Ours raise std::bad_alloc and the other
//   exceptions without a text member as before, and a small exception with the library's message for
//   the rest: the programs catch those only as std::exception and show what().
#include <cstdlib>
#include <exception>
#include <new>
#include <typeinfo>

namespace {

class LibraryError : public std::exception {
 public:
  explicit LibraryError(const char* text) noexcept : text_(text ? text : "") {}
  const char* what() const noexcept override { return text_; }

 private:
  const char* text_;  // the library passes string literals
};

}  // namespace

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

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
