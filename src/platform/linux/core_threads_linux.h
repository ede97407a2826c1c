#pragma once

#include <cstddef>
#include <functional>
#include <memory>

#include "platform/helper_threads.h"

namespace parvolind::linux_cores {

/// The threads for work the processor limits: PARVOLIND_THREADS (1 to 64) where it is set to
/// such a number, otherwise the cores this process may run on, at most 8. Read once.
size_t CoreThreads();

/// Calls `work` for every index below `count` in CoreThreads() threads, the calling one among
/// them, and returns when all calls are done. With one thread, in order in the calling thread.
void ForEachOnCores(size_t count, const std::function<void(size_t)>& work);

/// CoreThreads() less one helper threads (see HelperThreads).
std::unique_ptr<HelperThreads> StartHelperThreads();

}  // namespace parvolind::linux_cores
