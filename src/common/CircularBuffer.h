// Fixed-capacity FIFO of fixed-size elements with its own mutex. Writes are
// all-or-nothing. Used for the RAM spool (514-byte records) and the parser
// thread's byte FIFO (bytes). One writer thread and one reader thread; the
// trace status window reads the counts. Every operation waits at most 100 ms
// for the mutex and fails (or reads 0) when it cannot have it.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "common/TimedMutex.h"

namespace vantrel {

class CircularBuffer {
 public:
  CircularBuffer() = default;
  CircularBuffer(const CircularBuffer&) = delete;
  CircularBuffer& operator=(const CircularBuffer&) = delete;
  ~CircularBuffer();

  // Drops any previous storage, then allocates capacity x elementSize bytes.
  // false when the storage cannot be allocated.
  bool Create(std::uint32_t capacity, std::uint32_t elementSize);
  void Destroy();
  bool Write(const void* source, std::uint32_t n);  // n elements, all or nothing
  bool Read(void* destination);                      // the oldest element
  bool Peek(void* destination);                      // the oldest element, left in place
  bool ReadN(void* destination, std::uint32_t n);    // the n oldest, all or nothing
  std::uint32_t Count();
  std::uint32_t HighWater();
  std::uint32_t Capacity();
  bool Exists() const { return valid_.load(); }

 private:
  std::uint32_t readIndex_ = 0;
  std::uint32_t writeIndex_ = 0;
  std::uint32_t capacity_ = 0;
  std::uint32_t count_ = 0;
  std::uint32_t highWater_ = 0;
  std::unique_ptr<std::uint8_t[]> storage_;
  std::uint32_t elementSize_ = 0;
  // The mutex lives as long as the ring so that a thread waiting on it while
  // another destroys the ring never waits on a dead object; "no mutex" is
  // valid_ == false, which is only set under the lock (or after a timed-out
  // Destroy, when the storage is left alone).
  TimedMutex mutex_;  // guards every field above
  std::atomic<bool> valid_{false};
};

}  // namespace vantrel
