// Trigger out: the condition on which the pod drives its Trigger Out line
// low (gPodOptions.TrigCode and the three memories of gTriggerOut), the
// Trigger Out Setup window's grids as plain data, the trigger out file
// (".trg") and the settings texts of the memories. Main thread.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/FilterFile.h"
#include "pod/PodInterface.h"

namespace vantrel {

// The window's grids: bit cells by pattern byte (row 0 = address byte) and
// bit column (0 = bit 7), each '0', '1' or 'X' (a loaded file may leave any
// character); the position cells; the selected radio button (-1: none).
struct TriggerOutGrid {
  std::array<std::array<char, 8>, 16> bits{};
  std::array<bool, 16> position{};
  int code = -1;
};

// Values -> window: '0', '1' where the pattern bit is set, 'X' where the
// don't-care bit is (don't-care wins); codes 0..5 select their button.
TriggerOutGrid ShowTriggerOut();
// Window -> values ('1' cells set the pattern bit, 'X' cells the don't-care
// bit; a grid without a selected button keeps the code).
void TakeTriggerOut(const TriggerOutGrid& grid);
// A click on a bit cell: 'X' -> '0' -> '1' -> 'X'.
char NextBitCell(char cell);

// Code 0, pattern 0x00, don't-care 0xFF, position 1 then 0s.
void RestoreDefaultTriggerOut();

// The settings texts: 16 bytes as 32 upper-case hex digits; a pair that is
// not hex, or missing, reads as 0.
std::string TriggerMemoryText(const std::array<std::uint8_t, 16>& memory);
void SetTriggerMemory(std::array<std::uint8_t, 16>& memory, std::string_view text);

inline constexpr const char* kTriggerFileName = "Vantrel.trg";
// Save As: the header, the code, 16 rows of bit cells, the position cells.
// Reports "Cannot Create Trigger Out File" / "Cannot Write to Trigger Out
// File" ("Trigger Out Setup Error").
FileResult WriteTriggerFile(const std::string& name, const TriggerOutGrid& grid);
// Load File into the grid (the values change at OK or Accept). Reports
// "Cannot Open Trigger Out File", "Invalid Trigger Out Setup File!" and
// "Cannot Read from Trigger Out Setup File!" ("Trigger Out Setup Error").
FileResult ReadTriggerFile(const std::string& name, TriggerOutGrid& grid);

}  // namespace vantrel
