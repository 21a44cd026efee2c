// crc32: the library's checksum entry point. The usual reflected CRC-32 (polynomial 0xEDB88320) without the
// pre- and post-inversion, which the library leaves to its caller: the program's one CRC-32
// (support/crc32.h) with its inversions undone.
#include <cstdint>

#include "dcl/pklib.h"
#include "support/crc32.h"

extern "C" unsigned long DCL_CALL dcl_crc32(char* buffer, unsigned int* size, unsigned long* old_crc) {
  return ~mv::crc32Update(~static_cast<uint32_t>(*old_crc), buffer, *size);
}
