// The USB adapter's firmware, emulated over a software pod: the three bulk
// pipes of the adapter's interface and its messages, as a host sees them.
//   command pipe (OUT): messages, first byte the code:
//     0 port value   write a pod port      1 port   read a pod port (1-byte reply)
//     2 bytes...     configuration block, 1..63 bytes, each shifted into the
//                    pod most significant bit first (1-byte reply: nonzero =
//                    accepted, zero once the pod takes no more)
//     3 start trace  4 stop trace  5 configuration complete
//     6 0 / 6 1 / 6 2  firmware version (2 bytes) / speed code (1) / serial text (8)
//   trace data pipe (IN): the pod's trace bytes, as many as it holds, up to
//     the transfer's size;
//   reply pipe (IN): the replies, in order.
// Any step can be made to fail, so that every report of the host is reached.
// Thread safety: one mutex guards everything; never held while calling the pod.
#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>

namespace vantrel {

class SoftwarePod;

class UsbAdapterFirmware {
 public:
  // Endpoint addresses, in the order the interface lists them.
  static constexpr std::uint8_t kCommandPipe = 0x01;
  static constexpr std::uint8_t kTraceDataPipe = 0x82;
  static constexpr std::uint8_t kReplyPipe = 0x83;

  struct Options {
    std::string serial = "00001234";  // eight characters
    std::uint8_t speedCode = 1;       // 1: 512-byte trace transfers; else 64
    std::uint16_t version = 0x0103;
  };
  UsbAdapterFirmware(SoftwarePod& pod, Options options);

  // Outcome of a transfer as the bus gives it.
  enum class Result { Done, Stall, NoReply };
  // A host write of `length` bytes to an OUT pipe.
  Result Out(std::uint8_t endpoint, const std::uint8_t* data, std::size_t length);
  // A host read of at most `max` bytes from an IN pipe; `got` the count.
  // NoReply: nothing to give (the host's transfer times out).
  Result In(std::uint8_t endpoint, std::uint8_t* data, std::size_t max, std::size_t& got);

  // Failure injection: the next message with this code (0..6; 7 = a trace
  // data read) stalls instead of being acted on.
  void StallNext(int messageCode);
  // A reply that never comes: the next message with this code is acted on
  // but its reply is withheld.
  void WithholdReply(int messageCode);
  void SetSerial(std::string serial);  // e.g. not a number
  const Options& options() const { return options_; }
  bool Tracing();

 private:
  void Reply(const std::uint8_t* bytes, std::size_t n);
  void ShiftByte(std::uint8_t b);

  SoftwarePod& pod_;
  Options options_;
  std::mutex mutex_;  // guards the fields below
  std::deque<std::uint8_t> replies_;
  int stallNext_ = -1, withholdNext_ = -1;
  bool tracing_ = false;
};

}  // namespace vantrel
