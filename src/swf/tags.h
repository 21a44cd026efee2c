#pragma once
// The tags of a movie (or of a sprite's body) over bytes: the one tag reader of the movie panel's walk
// and the renderer. A tag starts with a 16-bit header h: code = h >> 6, body length = h & 0x3F, where a
// length of 0x3F means that a 32-bit length follows the header ("long form"); then the body.
#include <cstddef>
#include <cstdint>

#include "support/bytes.h"

namespace mv {

struct SwfTag {
  unsigned code = 0;
  uint32_t length = 0;            // the body's length as the header gives it
  const uint8_t* body = nullptr;  // the body's first byte (its end may lie beyond the bytes: cutInBody)
  size_t end = 0;                 // the offset just after the body, when it fits
};

class SwfTagReader {
 public:
  enum class Step {
    tag,          // tag holds the next tag, whole
    end,          // the bytes end at a tag boundary
    cutInHeader,  // the bytes end inside a tag's header
    cutInBody,    // the bytes end inside the body of tag (its code, length and body are set)
  };

  SwfTagReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  // The next tag; anything but Step::tag leaves the reader where it was.
  Step next(SwfTag& tag) {
    if (pos_ == size_) return Step::end;
    if (size_ - pos_ < 2) return Step::cutInHeader;
    const uint16_t header = readLe16(data_ + pos_);
    size_t at = pos_ + 2;
    uint32_t length = header & 0x3F;
    if (length == 0x3F) {
      if (size_ - at < 4) return Step::cutInHeader;
      length = readLeU32(data_ + at);
      at += 4;
    }
    tag.code = header >> 6;
    tag.length = length;
    tag.body = data_ + at;
    if (length > size_ - at) return Step::cutInBody;
    tag.end = at + length;
    pos_ = tag.end;
    return Step::tag;
  }
  size_t position() const { return pos_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

}  // namespace mv
