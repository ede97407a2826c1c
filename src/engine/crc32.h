#pragma once

#include <cstddef>
#include <cstdint>

namespace parvolind {

/// Carries the CRC-32 (ISO 3309, as zlib and ZIP compute it) of the bytes before `data` on over
/// `size` more bytes; start with 0. The one checksum routine the engine calls, on whichever
/// library the platform has.
uint32_t UpdateCrc32(uint32_t crc, const void* data, size_t size);

}  // namespace parvolind
