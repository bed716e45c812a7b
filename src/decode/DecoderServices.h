// What the decoder asks of its owner: the lookups of the filters and the
// alias table, the Smart Battery revisions, and one output for every message
// it completes. The owner installs them on the main thread while no trace
// runs. Until then the decoder works alone: default alias texts, every
// message shown, revisions 1.0, completed messages kept nowhere.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "decode/MessageRecord.h"
#include "decode/TraceWord.h"

namespace vantrel {

// 0 for revision 1.0, 1 for 1.1 (a settings file may hold other numbers).
struct SbsRevisions {
  std::uint32_t SMBusRev = 0;
  std::uint32_t SBDataRev = 0;
  std::uint32_t SBChargerRev = 0;
  std::uint32_t SBSelectorRev = 0;
};

// A message completed by its STOP, shown or not.
struct CompletedMessage {
  // startIndex and stopIndex are positions in `words`, counted from 1.
  const MessageRecord& record;
  // The message's words as decoded, at most its first 999.
  std::span<const TraceWord> words;
  // It passed the filters: `line` is the decoder's result.
  bool shown;
  std::string_view line;
};

struct DecoderServices {
  // The display text of a 7-bit address.
  const std::string& (*AliasText)(int address7) = nullptr;
  // true when messages to this address byte (R/W in bit 0) with this
  // acknowledge are shown.
  bool (*CheckAddressFilter)(std::uint8_t addressByte, bool acknowledged) = nullptr;
  // true when a message with these data bytes (two hex digits each) is shown.
  bool (*CheckDataFilter)(std::string_view dataHex) = nullptr;
  // The protocol error filter: while on (and filtering), SBS lines without a
  // protocol violation are hidden.
  bool (*ProtocolErrorDetect)() = nullptr;
  const SbsRevisions& (*Revisions)() = nullptr;
  // Every completed message, in order. false when it must get no line after
  // all (the trace stopped before the message could be kept).
  bool (*MessageCompleted)(const CompletedMessage& message) = nullptr;
};

// Slots left null get the working-alone default.
void InstallDecoderServices(DecoderServices services);
DecoderServices DefaultDecoderServices();
// Read by the decoder on the main thread.
extern DecoderServices gDecoderServices;

}  // namespace vantrel
