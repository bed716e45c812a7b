// A mutex whose waits are bounded, as every wait of a trace is (100 ms per
// try in worker threads, 10 ms in the display loop). Built from a plain mutex
// and a condition variable so that the thread sanitizer sees every wait.
#pragma once
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace vantrel {

class TimedMutex {
 public:
  void lock() {
    std::unique_lock guard(m_);
    free_.wait(guard, [this] { return !locked_; });
    locked_ = true;
  }
  bool try_lock() {
    std::lock_guard guard(m_);
    if (locked_) return false;
    locked_ = true;
    return true;
  }
  template <typename Rep, typename Period>
  bool try_lock_for(const std::chrono::duration<Rep, Period>& wait) {
    std::unique_lock guard(m_);
    if (!free_.wait_for(guard, wait, [this] { return !locked_; })) return false;
    locked_ = true;
    return true;
  }
  void unlock() {
    {
      std::lock_guard guard(m_);
      locked_ = false;
    }
    free_.notify_one();
  }

 private:
  std::mutex m_;  // guards locked_ only, never held while the owner works
  std::condition_variable free_;
  bool locked_ = false;
};

}  // namespace vantrel
