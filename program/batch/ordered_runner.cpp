#include "ordered_runner.hpp"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace ondrel::batch {
namespace {

bool Stopped(const std::atomic<bool>* stop) { return stop != nullptr && stop->load(); }

void Call(const std::function<void(std::size_t)>& f, std::size_t i) {
  if (f) f(i);
}

std::size_t RunOnCallingThread(std::size_t count, const RunCallbacks& cb, const std::atomic<bool>* stop) {
  std::size_t i = 0;
  for (; i < count && !Stopped(stop); ++i) {
    Call(cb.started, i);
    cb.work(i);
    Call(cb.finished, i);
  }
  return i;
}

}  // namespace

std::size_t RunInListOrder(std::size_t count, int jobs, const RunCallbacks& cb,
                           const std::atomic<bool>* stop) {
  if (jobs < 2 || count < 2) return RunOnCallingThread(count, cb, stop);

  std::mutex mutex;
  std::condition_variable changed;
  std::size_t next = 0;  // the next item a worker takes
  std::deque<std::size_t> startedQueue;
  std::vector<char> done(count, 0);
  std::vector<std::exception_ptr> errors(count);
  int running = 0;

  auto worker = [&] {
    while (true) {
      std::size_t i;
      {
        std::lock_guard lock(mutex);
        if (next >= count || Stopped(stop)) break;
        i = next++;
        startedQueue.push_back(i);
      }
      changed.notify_one();
      std::exception_ptr error;
      try {
        cb.work(i);
      } catch (...) {
        error = std::current_exception();
      }
      {
        std::lock_guard lock(mutex);
        done[i] = 1;
        errors[i] = error;
      }
      changed.notify_one();
    }
    {
      std::lock_guard lock(mutex);
      --running;
    }
    changed.notify_one();
  };

  const int threads = int(std::min<std::size_t>(std::size_t(jobs), count));
  std::vector<std::jthread> pool;
  running = threads;
  pool.reserve(std::size_t(threads));
  for (int t = 0; t < threads; ++t) pool.emplace_back(worker);

  // On an error: no new item starts, the workers finish what they hold, the error leaves.
  auto abandon = [&](std::unique_lock<std::mutex>& held, std::exception_ptr error) {
    if (!held.owns_lock()) held.lock();
    next = count;
    held.unlock();
    pool.clear();
    std::rethrow_exception(error);
  };

  std::size_t reported = 0;
  std::unique_lock lock(mutex);
  while (true) {
    changed.wait(lock, [&] {
      return !startedQueue.empty() || (reported < count && done[reported]) || running == 0;
    });
    while (!startedQueue.empty()) {
      const std::size_t i = startedQueue.front();
      startedQueue.pop_front();
      lock.unlock();
      try {
        Call(cb.started, i);
      } catch (...) {
        abandon(lock, std::current_exception());
      }
      lock.lock();
    }
    while (reported < count && done[reported]) {
      const std::size_t i = reported++;
      if (errors[i]) abandon(lock, errors[i]);
      lock.unlock();
      try {
        Call(cb.finished, i);
      } catch (...) {
        abandon(lock, std::current_exception());
      }
      lock.lock();
    }
    if (running == 0 && startedQueue.empty() && (reported == count || !done[reported])) break;
  }
  return reported;
}

}  // namespace ondrel::batch
