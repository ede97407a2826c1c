#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace parvolind {

/// Replaces the file at `path` with `bytes` so that the file is at every moment
/// either the old one or the complete new one: the bytes go into a temporary file
/// in the same folder, are flushed to the disk, and the temporary file is then
/// renamed over the target. A symbolic link at `path` is followed, so the file it
/// points to is replaced and the link stays. Only a regular file is replaced:
/// a target that exists as anything else (folder, pipe, device, socket), or that
/// is reached through /dev or /proc (/dev/stdout, /proc/self/fd/1), is refused.
/// On failure the target is untouched, no temporary file is left behind, and
/// `error` (may be null) gets a German text naming the file and the reason.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string* error);

/// Reads the whole regular file at `path` into `bytes`. Anything else (a folder,
/// a pipe, a device) is refused, naming what it is, without being opened in a way
/// that could wait; a file longer than `max_bytes` is refused. On failure returns false,
/// leaves `bytes` empty and sets `error` (may be null) to a German text naming the
/// file and the reason.
bool ReadWholeFile(const std::string& path, std::string* bytes, std::string* error,
                   size_t max_bytes = SIZE_MAX);

}  // namespace parvolind
