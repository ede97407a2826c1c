#pragma once

#include <cstddef>
#include <functional>
#include <memory>

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

/// `count` threads of the standard library that wait for work beside the calling one; the file
/// systems of both platforms hand these out, there being nothing system-specific about them.
std::unique_ptr<HelperThreads> StartStandardHelperThreads(size_t count);

}  // namespace parvolind
