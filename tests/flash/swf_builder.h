#pragma once
// Hand-built SWF movies for the tests.
#include <zlib.h>

#include <cstdint>
#include <stdexcept>
#include <string>

namespace swftest {

// A 16-bit tag header with the body; long form (0x3F, then a 32-bit length) when asked or needed.
inline std::string tag(int code, const std::string& body, bool longForm = false) {
  std::string t;
  bool lf = longForm || body.size() >= 0x3F;
  uint16_t h = uint16_t(code << 6 | (lf ? 0x3F : body.size()));
  t += char(h & 0xFF);
  t += char(h >> 8);
  if (lf) {
    uint32_t n = uint32_t(body.size());
    for (int i = 0; i < 4; ++i) t += char(n >> (8 * i));
  }
  return t + body;
}

inline std::string bg(uint8_t r, uint8_t g, uint8_t b) { return tag(9, std::string{char(r), char(g), char(b)}); }
inline std::string endTag() { return tag(0, ""); }
inline std::string showFrame() { return tag(1, ""); }

// The 9-byte frame rectangle of a 550 x 400 movie (5-bit count 15), frame rate 12, one frame.
inline std::string frameFields() {
  return std::string("\x78\x00\x05\x5F\x00\x00\x0F\xA0\x00", 9) + std::string("\x00\x0C\x01\x00", 4);
}

inline std::string le32(uint32_t v) {
  std::string s;
  for (int i = 0; i < 4; ++i) s += char(v >> (8 * i));
  return s;
}

// A plain movie; declared = 0 puts the real length in the header.
inline std::string fws(int version, const std::string& tags, uint32_t declared = 0) {
  std::string body = frameFields() + tags;
  uint32_t len = declared ? declared : uint32_t(8 + body.size());
  return std::string("FWS") + char(version) + le32(len) + body;
}

// The zlib stream of bytes.
inline std::string deflateBytes(const std::string& bytes) {
  uLongf size = compressBound(uLong(bytes.size()));
  std::string out(size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(&out[0]), &size, reinterpret_cast<const Bytef*>(bytes.data()),
                uLong(bytes.size()), 9) != Z_OK)
    throw std::runtime_error("compress2 failed");
  out.resize(size);
  return out;
}

// The compressed form of a plain movie: "CWS", its version and length bytes, then its byte 8 on, deflated.
inline std::string cwsOf(const std::string& plain) {
  return std::string("CWS") + plain.substr(3, 5) + deflateBytes(plain.substr(8));
}

}  // namespace swftest
