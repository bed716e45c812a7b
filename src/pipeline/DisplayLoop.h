// The display loop: every 10 ms tick moves queued lines to the trace display
// and the display file, keeps the display within its line limit, pages a
// replay and acts on end codes. Main thread only.
#pragma once
#include <cstdint>
#include <string_view>

namespace vantrel {

inline constexpr std::uint32_t kLineLimit = 10000;

struct DisplayedLineCount {
  std::uint32_t units = 0;               // 0 .. 999,999,999
  std::uint32_t thousandsOfMillions = 0;
};
extern DisplayedLineCount gDisplayedLines;

void DataMemoUpdateTimer();
void ClearDisplayButtonClick();
void PauseDisplay();   // "Pause!"
void ResumeDisplay();  // "More!"

// Trace start's share: an empty display and counts.
void ResetDisplayLoop();
// Empties the trace display (and what the loop knows of it).
void EmptyDisplay();
// A line that is shown but is not a message (notes, end-of-trace lines).
void AppendDisplayNote(std::string_view line);

}  // namespace vantrel
