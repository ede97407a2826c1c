#include "platform/linux/core_threads_linux.h"

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
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

// Threads that wait for work until they are no longer needed.
class WaitingThreads : public HelperThreads {
 public:
  explicit WaitingThreads(size_t count) {
    try {
      while (threads_.size() < count) threads_.emplace_back([this] { Work(); });
    } catch (const std::system_error&) {
      // No more threads to be had: those running do the work.
    }
  }
  ~WaitingThreads() override {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    woken_.notify_all();
    for (std::thread& thread : threads_) thread.join();
  }
  WaitingThreads(const WaitingThreads&) = delete;
  WaitingThreads& operator=(const WaitingThreads&) = delete;

  size_t Count() const override { return threads_.size(); }

  void Start(const std::function<void()>& work) override {
    if (threads_.empty()) return;
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      for (size_t i = 0; i < threads_.size(); ++i) waiting_.push_back(work);
    }
    woken_.notify_all();
  }

 private:
  void Work() {
    for (;;) {
      std::function<void()> work;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        woken_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
        // Work handed over before the end is still done.
        if (waiting_.empty()) return;
        work = std::move(waiting_.front());
        waiting_.pop_front();
      }
      work();
    }
  }

  std::mutex mutex_;
  std::condition_variable woken_;
  std::deque<std::function<void()>> waiting_;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace

std::unique_ptr<HelperThreads> StartHelperThreads() {
  return std::make_unique<WaitingThreads>(CoreThreads() - 1);
}

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
