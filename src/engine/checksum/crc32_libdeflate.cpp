#include <libdeflate.h>

#include "engine/crc32.h"

namespace parvolind {

uint32_t UpdateCrc32(uint32_t crc, const void* data, size_t size) {
  return libdeflate_crc32(crc, data, size);
}

}  // namespace parvolind
