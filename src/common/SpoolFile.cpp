#include "common/SpoolFile.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <mutex>

#include "common/TimedMutex.h"

namespace vantrel {

CircularBuffer RamSpool;
SpoolInUse gSpool;

}  // namespace vantrel

namespace vantrel::SpoolFile {

namespace {

constexpr std::chrono::milliseconds kWait{100};

// One spool per process. The mutex lives for the whole process so a thread
// still waiting on it while another closes the spool never waits on a dead
// object; "open" doubles as the mutex being valid and only changes under it.
struct Spool {
  TimedMutex mutex;
  std::atomic<bool> open{false};
  std::string name;
  std::fstream file;  // one stream for both threads: every access seeks first
  std::uint32_t capacity = 0;
  std::uint32_t writeRecord = 0;
  std::uint32_t readRecord = 0;
  std::uint32_t count = 0;
  std::uint32_t highWater = 0;
};

Spool& TheSpool() {
  static Spool spool;
  return spool;
}

// 64-bit offsets: a 1 GB spool already passes a 32-bit long on some hosts.
std::streamoff Offset(std::uint32_t record) {
  return static_cast<std::streamoff>(record) * static_cast<std::streamoff>(kSpoolRecordSize);
}

// Caller holds the lock. false when closing or deleting the file failed.
bool CloseLocked(Spool& s) {
  bool ok = true;
  s.open = false;
  s.capacity = s.count = s.highWater = s.writeRecord = s.readRecord = 0;
  if (s.file.is_open()) {
    s.file.close();
    ok = !s.file.fail();
    ok = std::remove(s.name.c_str()) == 0 && ok;
  }
  s.file.clear();
  s.name.clear();
  return ok;
}

// Runs get() under the lock; 0 when the spool is not open or is busy.
template <typename Get>
std::uint32_t Locked(const Get& get) {
  Spool& s = TheSpool();
  if (!s.open || !s.mutex.try_lock_for(kWait)) return 0;
  std::lock_guard<TimedMutex> lock(s.mutex, std::adopt_lock);
  return s.open ? get(s) : 0;
}

}  // namespace

bool Open(const std::string& fileName, std::uint32_t capacityRecords) {
  Spool& s = TheSpool();
  // Opening is what makes the spool usable, so it waits without a limit:
  // every holder lets go within one record.
  std::lock_guard<TimedMutex> lock(s.mutex);
  if (s.open || fileName.empty() || capacityRecords == 0) return false;
  s.name = fileName;
  s.capacity = capacityRecords;
  s.writeRecord = s.readRecord = s.count = s.highWater = 0;
  s.file.clear();
  // Unbuffered: a record the disk did not take must not stay pending in the
  // stream, where it would fail every later seek (reads of the records
  // already spooled too) and be written out of place once there is room.
  s.file.rdbuf()->pubsetbuf(nullptr, 0);
  s.file.open(fileName, std::ios::binary | std::ios::in | std::ios::out | std::ios::trunc);
  if (!s.file.is_open()) {
    CloseLocked(s);
    return false;
  }
  s.open = true;
  return true;
}

bool Close() {
  Spool& s = TheSpool();
  if (!s.open) return true;  // nothing to close
  if (!s.mutex.try_lock_for(kWait)) return false;
  std::lock_guard<TimedMutex> lock(s.mutex, std::adopt_lock);
  if (!s.open) return true;
  return CloseLocked(s);
}

bool WriteRecord(const SpoolRecord& record) {
  Spool& s = TheSpool();
  if (!s.open || !s.mutex.try_lock_for(kWait)) return false;
  std::lock_guard<TimedMutex> lock(s.mutex, std::adopt_lock);
  if (!s.open || s.count == s.capacity) return false;
  if (s.writeRecord == s.capacity) s.writeRecord = 0;
  s.file.clear();
  s.file.seekp(Offset(s.writeRecord));
  s.file.write(reinterpret_cast<const char*>(record.bytes), kSpoolRecordSize);
  // Flushed now so that a full disk fails this record rather than a later one.
  s.file.flush();
  if (!s.file) return false;
  ++s.writeRecord;
  ++s.count;
  if (s.count > s.highWater) s.highWater = s.count;
  return true;
}

bool ReadRecord(SpoolRecord& record) {
  Spool& s = TheSpool();
  if (!s.open || !s.mutex.try_lock_for(kWait)) return false;
  std::lock_guard<TimedMutex> lock(s.mutex, std::adopt_lock);
  if (!s.open || s.count == 0) return false;
  s.file.clear();
  s.file.seekg(Offset(s.readRecord));
  s.file.read(reinterpret_cast<char*>(record.bytes), kSpoolRecordSize);
  if (!s.file) return false;
  if (++s.readRecord == s.capacity) s.readRecord = 0;
  --s.count;
  return true;
}

std::uint32_t Count() {
  return Locked([](const Spool& s) { return s.count; });
}

std::uint32_t HighWater() {
  return Locked([](const Spool& s) { return s.highWater; });
}

std::uint32_t Capacity() {
  return Locked([](const Spool& s) { return s.capacity; });
}

bool IsOpen() { return TheSpool().open; }

}  // namespace vantrel::SpoolFile
