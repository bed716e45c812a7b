// The whole trace, kept while Options | Keep Whole Trace is on: every line
// the display receives, with no line limit, and every shown message's record
// and words for Message Timing and Message Diagnostics.
//
// Lines are the main thread's: added by the display loop, read by the
// display. Messages are added by the parser thread (the decoder's output)
// under gTrace.MsgTrackingMutex and read by the main thread under it while a
// trace runs. Message lines and messages stay in step, as the displayed-
// message tables do: the n-th message line is the n-th message.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/MessageViews.h"
#include "decode/MessageRecord.h"
#include "decode/TraceWord.h"
#include "pipeline/DisplayLines.h"

namespace vantrel {

class WholeTrace {
 public:
  WholeTrace();

  // Whether the display keeps the whole trace; set between traces only.
  bool Active() const { return active_.load(std::memory_order_relaxed); }
  void SetActive(bool on) { active_.store(on, std::memory_order_relaxed); }

  // ---- lines (main thread)
  void AppendLines(const DisplayLines& lines);
  void AppendNote(std::string_view line);  // a line that is not a message
  std::size_t LineCount() const { return lineCount_; }
  // Valid until the next append.
  std::string_view Line(std::size_t i) const;
  // Which message a line shows: its 0-based position among message lines;
  // nullopt for a note.
  std::optional<std::size_t> MessageOfLine(std::size_t i) const;
  void ClearLines();

  // Searches lines [from, from + count) (backward: [from - count + 1, from])
  // for `pattern`; ASCII case folded unless matchCase.
  std::optional<std::size_t> Find(std::string_view pattern, bool matchCase, std::size_t from, std::size_t count,
                                  bool backward) const;

  // ---- messages (parser thread adds; see above)
  void AppendMessage(const MessageRecord& record, std::span<const TraceWord> words);
  std::size_t MessageCount() const { return messageCount_.load(std::memory_order_acquire); }
  // One message as the timing views read tables: its record in slot 1 and
  // its words after `base` words, each index counted over the whole trace.
  struct OneMessage {
    std::vector<MessageRecord> records;
    std::vector<TraceWord> words;  // [0] unused
    std::uint32_t base = 0;
    MessageTablesView View() const;
  };
  OneMessage Message(std::size_t index) const;
  void ClearMessages();

  // What the kept lines, records and words take, counted as they come.
  std::size_t Bytes() const { return lineBytes_ + messageBytes_.load(std::memory_order_relaxed); }
  // The most the whole trace may take: half the machine's memory unless set.
  std::size_t Ceiling() const { return ceiling_; }
  void SetCeiling(std::size_t bytes) { ceiling_ = bytes; }

  struct Memory {
    std::size_t lines = 0, lineBytes = 0;        // text and line index
    std::size_t messages = 0, messageBytes = 0;  // records
    std::size_t words = 0, wordBytes = 0;
  };
  Memory MemoryUse() const;

 private:
  static constexpr std::size_t kPageLines = 4096;
  // Lines in pages, so that no line costs an allocation and a full page's
  // text is exactly its size.
  struct Page {
    std::string text;
    std::vector<std::uint32_t> ends;  // end offset of each line in text
  };
  struct Kept {
    std::uint64_t firstWord;
    std::uint64_t startMinutes, lastMinutes, durationMinutes;
    std::uint32_t wordCount, msgNumberLow, msgNumberHigh, byteCount;
    std::uint32_t startMicroseconds, lastMicroseconds, durationMicroseconds;
    std::uint16_t address;
  };
  Page& LastPage();

  std::atomic<bool> active_{false};
  std::vector<std::unique_ptr<Page>> pages_;
  std::size_t lineCount_ = 0;
  std::vector<std::uint64_t> notes_;  // lines that are not messages, ascending
  std::deque<Kept> messages_;         // grows without moving what it holds
  std::deque<TraceWord> words_;
  std::atomic<std::size_t> messageCount_{0};
  std::size_t lineBytes_ = 0;                 // the main thread's count
  std::atomic<std::size_t> messageBytes_{0};  // the parser thread's
  std::size_t ceiling_;
};

extern WholeTrace gWholeTrace;

}  // namespace vantrel
