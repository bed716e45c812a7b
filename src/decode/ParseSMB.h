// SMBus and Smart Battery lines: the command table, the value decoders, the
// protocol checks and the packet error code. The message decoder hands over a
// finished message to an SMBus device address; main thread only.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vantrel {

// Address bytes 0x10..0x19 (R/W included): host, charger, selector, battery,
// alert response.
constexpr bool IsSmbusDeviceAddress(std::uint32_t addressByte) { return addressByte - 0x10u < 10u; }

// Builds the SBS line of one message from the decoder's prefix, start time
// token, message code ("1"/"2" address byte acked/nacked, "3"/"4" data byte,
// two hex digits each; "500" the STOP) and bit rate token. Empty when the
// protocol error filter hides the message. The text stays valid until the
// next call.
const std::string& FormatSbsMessage(std::string_view prefix, std::string_view startTimeText,
                                    std::string_view messageCode, std::string_view bitRateText);

// true when the message last formatted carried a protocol violation.
bool SbsViolation();

// Appends a command's value read from the current message's segment, the
// element at `first` being the value's low byte (or a block's count byte).
using ValueDecoder = void (*)(std::size_t first, std::string& text);

struct CommandDataRec {
  std::string_view name;
  ValueDecoder decoder;
  std::string_view unit;
  std::uint8_t dataLength;  // 2 a word; 0 a block, led by its byte count
  std::uint8_t access;      // kReadOnly, kWriteOnly or kReadWrite
};

inline constexpr std::uint8_t kReadOnly = 0;
inline constexpr std::uint8_t kWriteOnly = 1;
inline constexpr std::uint8_t kReadWrite = 2;

inline constexpr std::size_t kCommandCount = 62;
inline constexpr std::size_t kReservedCommand = 60;       // a code no device defines
inline constexpr std::size_t kUninitializedCommand = 61;  // a read with no command before it

// Refills the table and the host, charger, selector and battery maps.
void BuildCommandTable();
const CommandDataRec& CommandEntry(std::size_t index);
// The table index that a write to `writeAddress` (0x10, 0x12, 0x14, 0x16)
// with command `code` selects; ReservedCommand for any other address.
std::size_t CommandIndex(std::uint8_t writeAddress, std::uint8_t code);

// Data bytes one segment keeps; bytes beyond are dropped.
inline constexpr std::size_t kMaxSegmentBytes = 65'535;

}  // namespace vantrel
