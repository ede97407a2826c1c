#pragma once

namespace parvolind {

#ifdef _WIN32
/// Whether a registry export file is written as the platform's registry editor writes it: on
/// Windows UTF-16LE with a byte order mark, which regedit reads with every character intact.
inline constexpr bool kRegFilesInUtf16 = true;
#else
/// Whether a registry export file is written in UTF-16LE; on Linux it is UTF-8, as every other
/// text the program writes.
inline constexpr bool kRegFilesInUtf16 = false;
#endif

}  // namespace parvolind
