#include "console.h"

#ifdef _WIN32
#include <windows.h>

#include <iostream>
#include <streambuf>
#include <string>

#include "support/text_encoding.h"

namespace mvpack {

namespace {

// Collects UTF-8 bytes and writes whole characters to the console as UTF-16.
class ConsoleBuffer : public std::streambuf {
 public:
  explicit ConsoleBuffer(HANDLE console) : console_(console) {}

 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    pending_ += traits_type::to_char_type(c);
    if (c == '\n' || pending_.size() >= 4096) flushComplete();
    return c;
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    pending_.append(s, static_cast<size_t>(n));
    flushComplete();
    return n;
  }
  int sync() override {
    flushComplete();
    return 0;
  }

 private:
  // Writes everything up to the last complete UTF-8 sequence; a cut-off one waits for its rest.
  void flushComplete() {
    size_t end = pending_.size();
    size_t lead = end;
    while (lead > 0 && end - lead < 4 && (static_cast<unsigned char>(pending_[lead - 1]) & 0xC0) == 0x80) --lead;
    if (lead > 0) {
      const unsigned char c = static_cast<unsigned char>(pending_[lead - 1]);
      const size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
      if (length > 1 && end - (lead - 1) < length) end = lead - 1;
    }
    if (end == 0) return;
    const std::wstring text = mv::utf8ToWide(pending_.substr(0, end));
    DWORD written = 0;
    WriteConsoleW(console_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    pending_.erase(0, end);
  }

  HANDLE console_;
  std::string pending_;
};

void redirect(std::ostream& stream, DWORD which) {
  HANDLE h = GetStdHandle(which);
  DWORD mode = 0;
  if (h == INVALID_HANDLE_VALUE || !h || !GetConsoleMode(h, &mode)) return;  // a file or a pipe
  static ConsoleBuffer* buffers[2] = {nullptr, nullptr};
  ConsoleBuffer*& slot = buffers[which == STD_OUTPUT_HANDLE ? 0 : 1];
  if (!slot) slot = new ConsoleBuffer(h);  // lives as long as the streams
  stream.flush();
  stream.rdbuf(slot);
}

}  // namespace

void useUnicodeConsole() {
  redirect(std::cout, STD_OUTPUT_HANDLE);
  redirect(std::cerr, STD_ERROR_HANDLE);
}

}  // namespace mvpack

#else

namespace mvpack {
void useUnicodeConsole() {}
}  // namespace mvpack

#endif
