#include "platform/linux/core_threads_linux.h"

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace parvolind::linux_cores {
namespace {

// More threads than this gain nothing on the work given to them (one folder's files at a time)
// and only contend for the same folders.
constexpr size_t kMaxThreads = 8;
constexpr long kMaxAskedThreads = 64;

size_t CountThreads() {
  if (const char* asked = std::getenv("PARVOLIND_THREADS"); asked != nullptr && *asked != '\0') {
    char* end = nullptr;
    const long value = std::strtol(asked, &end, 10);
    if (*end == '\0' && value >= 1 && value <= kMaxAskedThreads) return static_cast<size_t>(value);
  }
  // The cores this process may use, which a container or `taskset` can make fewer than the
  // machine has.
  cpu_set_t set;
  CPU_ZERO(&set);
  size_t cores = 0;
  if (sched_getaffinity(0, sizeof(set), &set) == 0) cores = static_cast<size_t>(CPU_COUNT(&set));
  if (cores == 0) cores = std::thread::hardware_concurrency();
  return std::clamp<size_t>(cores, 1, kMaxThreads);
}

}  // namespace

size_t CoreThreads() {
  static const size_t threads = CountThreads();
  return threads;
}

void ForEachOnCores(size_t count, const std::function<void(size_t)>& work) {
  const size_t threads = std::min(CoreThreads(), count);
  if (threads <= 1) {
    for (size_t i = 0; i < count; ++i) work(i);
    return;
  }
  std::atomic<size_t> next{0};
  const auto worker = [&] {
    for (size_t i = next++; i < count; i = next++) work(i);
  };
  std::vector<std::thread> helpers;
  try {
    while (helpers.size() + 1 < threads) helpers.emplace_back(worker);
  } catch (const std::system_error&) {
    // No more threads to be had: those running, and this one, do the rest.
  }
  worker();
  for (std::thread& helper : helpers) helper.join();
}

}  // namespace parvolind::linux_cores
