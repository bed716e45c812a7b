// The disk spool: a ring of 514-byte records in "TraceSpool.bin", written by
// the acquisition thread, read by the parser thread, deleted on close. Every
// operation waits at most 100 ms for the spool's mutex and fails when it
// cannot have it.
#pragma once
#include <cstdint>
#include <string>

#include "common/CircularBuffer.h"

namespace vantrel {

inline constexpr std::uint32_t kSpoolPayload = 512;
inline constexpr std::uint32_t kSpoolRecordSize = 514;  // big-endian length, then payload

struct SpoolRecord {
  std::uint8_t bytes[kSpoolRecordSize];
  std::uint32_t Length() const { return static_cast<std::uint32_t>(bytes[0] << 8 | bytes[1]); }
  void SetLength(std::uint32_t n) {
    bytes[0] = static_cast<std::uint8_t>(n >> 8);
    bytes[1] = static_cast<std::uint8_t>(n);
  }
  std::uint8_t* Payload() { return bytes + 2; }
  const std::uint8_t* Payload() const { return bytes + 2; }
};

inline constexpr const char* kSpoolFileName = "TraceSpool.bin";

// Where acquisition threads store records for the parser thread.
enum class SpoolDevice : std::uint8_t { Disk = 1, Ram = 2 };

// The spool a trace uses: taken from the Spool Setup window's choice at trace
// start (main thread), read by the acquisition and parser threads after it.
struct SpoolInUse {
  SpoolDevice device = SpoolDevice::Ram;
  std::uint32_t sizeBytes = 100000;
};
extern SpoolInUse gSpool;

// The RAM spool: a ring of 514-byte records, made by the acquisition thread.
extern CircularBuffer RamSpool;

namespace SpoolFile {

bool Open(const std::string& fileName, std::uint32_t capacityRecords);
bool Close();  // deletes the file
bool WriteRecord(const SpoolRecord& record);  // false when full, not open or busy
bool ReadRecord(SpoolRecord& record);         // false when empty, not open or busy
std::uint32_t Count();
std::uint32_t HighWater();
std::uint32_t Capacity();
bool IsOpen();

}  // namespace SpoolFile
}  // namespace vantrel
