#include "common/CircularBuffer.h"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <limits>
#include <new>

namespace vantrel {

namespace {

constexpr std::chrono::milliseconds kWait{100};

}  // namespace

CircularBuffer::~CircularBuffer() {
  Destroy();
  // A timed-out Destroy leaves the storage allocated; the unique_ptr frees it here.
}

bool CircularBuffer::Create(std::uint32_t capacity, std::uint32_t elementSize) {
  // Create is what makes the ring usable, so it waits for the lock without a
  // time limit: every holder lets go within one copy.
  std::lock_guard<TimedMutex> lock(mutex_);
  valid_ = false;
  storage_.reset();  // before allocating, so a large ring is never held twice
  readIndex_ = writeIndex_ = capacity_ = count_ = highWater_ = elementSize_ = 0;

  const std::uint64_t bytes = std::uint64_t{capacity} * elementSize;
  if (bytes == 0 || bytes > std::numeric_limits<std::size_t>::max()) return false;
  storage_.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(bytes)]);
  if (!storage_) return false;
  capacity_ = capacity;
  elementSize_ = elementSize;
  valid_ = true;
  return true;
}

void CircularBuffer::Destroy() {
  if (!valid_) return;
  if (mutex_.try_lock_for(kWait)) {
    storage_.reset();
    readIndex_ = writeIndex_ = capacity_ = count_ = highWater_ = elementSize_ = 0;
    valid_ = false;
    mutex_.unlock();
    return;
  }
  // Busy: the ring is closed all the same. Whoever holds the lock still sees
  // intact storage; it is freed by the next Create or the destructor.
  valid_ = false;
}

bool CircularBuffer::Write(const void* source, std::uint32_t n) {
  if (!valid_ || !mutex_.try_lock_for(kWait)) return false;
  std::lock_guard<TimedMutex> lock(mutex_, std::adopt_lock);
  if (!valid_ || !storage_) return false;
  if (n == 0) return true;
  if (source == nullptr || std::uint64_t{count_} + n > capacity_) return false;

  // The free space is at most two runs: from the write index up to the end
  // (or up to the read index when that lies ahead), then from the start.
  // With count 0 the two indices are equal and the whole ring ahead is free.
  std::uint32_t first = readIndex_ <= writeIndex_ ? capacity_ - writeIndex_ : readIndex_ - writeIndex_;
  std::uint32_t second = 0;
  if (n < first)
    first = n;
  else
    second = n - first;

  const auto* from = static_cast<const std::uint8_t*>(source);
  const std::size_t size = elementSize_;
  std::memcpy(storage_.get() + std::size_t{writeIndex_} * size, from, std::size_t{first} * size);
  if (second != 0) std::memcpy(storage_.get(), from + std::size_t{first} * size, std::size_t{second} * size);

  const std::uint64_t next = std::uint64_t{writeIndex_} + n;
  writeIndex_ = next >= capacity_ ? second : static_cast<std::uint32_t>(next);
  count_ += n;
  if (count_ > highWater_) highWater_ = count_;
  return true;
}

bool CircularBuffer::Read(void* destination) {
  if (destination == nullptr || !valid_ || !mutex_.try_lock_for(kWait)) return false;
  std::lock_guard<TimedMutex> lock(mutex_, std::adopt_lock);
  if (!valid_ || !storage_ || count_ == 0) return false;
  const std::size_t size = elementSize_;
  std::memcpy(destination, storage_.get() + std::size_t{readIndex_} * size, size);
  if (++readIndex_ == capacity_) readIndex_ = 0;
  --count_;
  return true;
}

bool CircularBuffer::Peek(void* destination) {
  if (destination == nullptr || !valid_ || !mutex_.try_lock_for(kWait)) return false;
  std::lock_guard<TimedMutex> lock(mutex_, std::adopt_lock);
  if (!valid_ || !storage_ || count_ == 0) return false;
  std::memcpy(destination, storage_.get() + std::size_t{readIndex_} * elementSize_, elementSize_);
  return true;
}

bool CircularBuffer::ReadN(void* destination, std::uint32_t n) {
  if (destination == nullptr || !valid_ || !mutex_.try_lock_for(kWait)) return false;
  std::lock_guard<TimedMutex> lock(mutex_, std::adopt_lock);
  if (!valid_ || !storage_ || count_ < n) return false;
  const std::size_t size = elementSize_;
  auto* out = static_cast<std::uint8_t*>(destination);
  // At most two block moves: up to the end of the storage, then from its start.
  const std::uint32_t first = std::min(n, capacity_ - readIndex_);
  std::memcpy(out, storage_.get() + std::size_t{readIndex_} * size, std::size_t{first} * size);
  std::memcpy(out + std::size_t{first} * size, storage_.get(), std::size_t{n - first} * size);
  readIndex_ = first < n ? n - first : readIndex_ + n;
  if (readIndex_ == capacity_) readIndex_ = 0;
  count_ -= n;
  return true;
}

namespace {

template <typename Get>
std::uint32_t Locked(TimedMutex& mutex, const std::atomic<bool>& valid, const Get& get) {
  if (!valid || !mutex.try_lock_for(kWait)) return 0;
  std::lock_guard<TimedMutex> lock(mutex, std::adopt_lock);
  return valid ? get() : 0;
}

}  // namespace

std::uint32_t CircularBuffer::Count() {
  return Locked(mutex_, valid_, [this] { return storage_ ? count_ : 0; });
}

std::uint32_t CircularBuffer::HighWater() {
  return Locked(mutex_, valid_, [this] { return storage_ ? highWater_ : 0; });
}

std::uint32_t CircularBuffer::Capacity() {
  return Locked(mutex_, valid_, [this] { return storage_ ? capacity_ : 0; });
}

}  // namespace vantrel
