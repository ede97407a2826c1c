#pragma once

#include <cstddef>
#include <functional>

namespace parvolind {

/// Threads that work beside the thread that started them, on work the processor limits rather
/// than the disk (system calls on cached files). They are started once and wait for work in
/// between, so that handing them a little work costs next to nothing, and the thread that hands
/// it over never waits for them.
class HelperThreads {
 public:
  /// Waits until every piece of work handed over has ended.
  virtual ~HelperThreads() = default;
  /// How many threads there are (0 where the calling thread is to do all the work alone).
  virtual size_t Count() const = 0;
  /// Has each of the threads call `work` once, soon; returns at once.
  virtual void Start(const std::function<void()>& work) = 0;
};

}  // namespace parvolind
