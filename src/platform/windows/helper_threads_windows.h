#pragma once

#include <cstddef>
#include <memory>

#include "platform/helper_threads.h"

namespace parvolind::windows_helpers {

/// `count` threads that wait for work beside the calling one (see HelperThreads).
std::unique_ptr<HelperThreads> StartHelperThreads(size_t count);

}  // namespace parvolind::windows_helpers
