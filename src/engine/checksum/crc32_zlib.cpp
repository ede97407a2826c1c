#include <zlib.h>

#include <algorithm>

#include "engine/crc32.h"

namespace parvolind {

uint32_t UpdateCrc32(uint32_t crc, const void* data, size_t size) {
  // zlib takes the length as a 32-bit count.
  const auto* bytes = static_cast<const Bytef*>(data);
  uLong value = crc;
  while (size > 0) {
    const auto chunk = static_cast<uInt>(std::min<size_t>(size, 1u << 30));
    value = crc32(value, bytes, chunk);
    bytes += chunk;
    size -= chunk;
  }
  return static_cast<uint32_t>(value);
}

}  // namespace parvolind
