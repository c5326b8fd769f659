// Runs the files of a list on worker threads and hands each result back on the calling
// thread in list order, so reports read the same whatever the number of threads.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>

namespace ondrel::batch {

struct RunCallbacks {
  // On a worker thread: do item i. The results live wherever the caller keeps them.
  std::function<void(std::size_t)> work;
  // On the calling thread, as a worker takes item i (in increasing order).
  std::function<void(std::size_t)> started;
  // On the calling thread, in list order, once item i and every item before it are done.
  std::function<void(std::size_t)> finished;
};

// `jobs` below 2 runs everything on the calling thread. When `stop` becomes true no further
// item is started; the items already started finish and are reported. Returns the number of
// items reported. An exception thrown by `work` is rethrown here when its item's turn comes.
std::size_t RunInListOrder(std::size_t count, int jobs, const RunCallbacks& callbacks,
                           const std::atomic<bool>* stop = nullptr);

}  // namespace ondrel::batch
