#include "platform/helper_threads.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace parvolind {
namespace {

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

std::unique_ptr<HelperThreads> StartStandardHelperThreads(size_t count) {
  return std::make_unique<WaitingThreads>(count);
}

}  // namespace parvolind
