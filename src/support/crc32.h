#pragma once
// CRC-32 (IEEE 802.3 polynomial, as zlib's crc32): crc32Update(0, data, n) starts a new checksum.
#include <cstddef>
#include <cstdint>

namespace mv {
uint32_t crc32Update(uint32_t crc, const void* data, size_t size);
}
