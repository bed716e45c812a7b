// The Message Timing and Message Diagnostics views of one displayed message,
// as text lines built from its record and words (the displayed-message
// tables), and how a display line names its message.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "decode/MessageRecord.h"
#include "decode/TraceWord.h"

namespace vantrel {

struct MessageNumber {
  std::uint32_t high = 0, low = 0;  // low below 1,000,000,000
};
// The number of a message line ("Msg     5 ...", "Msg 1,000,000,001 ...");
// nullopt for any other line or a number that reads as 0 ("Message Number
// not found").
std::optional<MessageNumber> MessageNumberOfLine(std::string_view line);
// "1,234" or, with a high part, "1,000,000,001".
std::string MessageNumberText(const MessageNumber& n);

// A read-only look at the displayed-message tables: records[1..recordNext-1]
// and words[1..wordCount], both 1-based as the tables keep them. A view of
// part of a longer word store starts after wordBase of its words: words[i]
// is then word wordBase + i, and wordCount counts to the store's last.
struct MessageTablesView {
  const MessageRecord* records = nullptr;
  std::uint32_t recordNext = 1;
  const TraceWord* words = nullptr;
  std::uint32_t wordCount = 0;
  std::uint32_t wordBase = 0;
};

// "Message Timing": every START, repeated START, bit, byte and STOP of the
// selected message with its time from the first START (absTime) or from the
// event before it.
std::vector<std::string> MessageTimingLines(const MessageNumber& n, const MessageTablesView& tables, bool absTime);
// "Message Diagnostics": the message's record and its raw words.
std::vector<std::string> MessageDiagnosticsLines(const MessageNumber& n, const MessageTablesView& tables);

}  // namespace vantrel
