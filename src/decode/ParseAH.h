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

// A message keeps at most this many of its words for the timing views.
inline constexpr std::uint32_t kMessageWordListSize = 999;

inline constexpr const char* kParserException = "<PARSER EXCEPTION DETECTED>";
// Tokens of one message beyond this many characters are dropped (marked
// "[...]"); the STOP's tokens are always kept.
inline constexpr std::size_t kMaxLineChars = 4u << 20;

}  // namespace vantrel
