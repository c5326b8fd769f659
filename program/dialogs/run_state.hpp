// Whether a batch window is running, and the user's Stop. A window holds one; Convert and
// Optimize refuse to start while it says running, since pending events are processed between
// files and a second click would otherwise start a run inside the first.
#pragma once

#include <atomic>

namespace ondrel::dialogs {

class RunState {
 public:
  bool running() const { return running_; }
  void requestStop() { stop_ = true; }
  const std::atomic<bool>& stopFlag() const { return stop_; }

  // Marks the run for its lifetime; check running() before making one.
  class Scope {
   public:
    explicit Scope(RunState& state) : state_(state) {
      state_.running_ = true;
      state_.stop_ = false;
    }
    ~Scope() { state_.running_ = false; }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

   private:
    RunState& state_;
  };

 private:
  bool running_ = false;
  std::atomic<bool> stop_{false};
};

}  // namespace ondrel::dialogs
