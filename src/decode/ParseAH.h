// The message decoder: trace words in, one text line per I2C message out.
// Runs on the main thread; the parser thread hands it one word at a time and
// waits. Reads gDisplay on every word.
#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "decode/MessageRecord.h"
#include "decode/TraceWord.h"

namespace vantrel {

// Trace start: forget the previous trace's clock, numbers and message.
void ResetDecoder();
// Decodes one word. Returns the finished line when the word completes a shown
// message (Raw: every word's own line), else an empty text; the same text is
// left in CurrentLine. Never throws: a fault gives "<PARSER EXCEPTION DETECTED>".
const std::string& DecodeTraceWord(TraceWord word);

extern std::string CurrentLine;
extern TraceTime CurrentTraceTime;  // running time of the word last decoded
// The tokens of the message under way (the byte mode viewer shows it).
const std::string& LiveMessageText();

struct TraceClock {
  std::uint64_t hours;
  std::uint32_t minutes, micros;  // minutes within the hour, micros within the minute
};
TraceClock CurrentTraceClock();
std::uint32_t MsgNumberLow();
std::uint32_t MsgNumberHigh();
// Continues numbering from a given message number (the next START takes the
// number after it); lets the counter's rollover be exercised.
void SetMessageNumber(std::uint32_t low, std::uint32_t high);

// Words and records of the messages shown, in display order. Guarded by
// gTrace.MsgTrackingMutex while a trace runs. Indices are 1-based.
inline constexpr std::uint32_t kMsgWordBufferSize = 250'000;
// One record per message line the trace display can hold at once: its 10,000
// lines, the batch a display tick appends before it trims again (1,000), the
// lines queued for the display (1,000) and the two decoded batches of at most
// 4,096 lines waiting to be queued. So the records never run out while they
// must stay in step with the lines.
inline constexpr std::uint32_t kMsgRecordTableSize = 20'500;
inline constexpr std::uint32_t kMessageWordListSize = 999;

struct MessageTables {
  std::array<TraceWord, kMsgWordBufferSize + 1> words{};  // [0] unused
  std::uint32_t wordNext = 1;
  std::array<MessageRecord, kMsgRecordTableSize + 1> records{};  // [0] unused
  std::uint32_t recordNext = 1;
};
extern MessageTables gMsgTables;
void ClearMessageTables();  // both next-numbers back to 1

inline constexpr const char* kParserException = "<PARSER EXCEPTION DETECTED>";
// Tokens of one message beyond this many characters are dropped (marked
// "[...]"); the STOP's tokens are always kept.
inline constexpr std::size_t kMaxLineChars = 4u << 20;

}  // namespace vantrel
