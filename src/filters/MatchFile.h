// The data match file (".dmf") and the rules the data filter window applies
// to its cells: validation and Accept.
#pragma once
#include <array>
#include <string>

#include "common/FilterFile.h"

namespace vantrel {

// The window's edit copy, by byte row and alternative: cells[byte - 1][alt - 1].
struct MatchGrid {
  std::array<std::array<std::string, 8>, 8> cells;
  std::array<std::string, 8> conditions;  // "Y" or "N" per byte row
  bool protocolErrorDetect = false;
};

// The applied filter as the window shows it.
MatchGrid AppliedMatchGrid();
// Every cell "XX", every condition "Y", the check box cleared.
MatchGrid ClearedMatchGrid();

// Rewrites the cells in row, then alternative order: "x", "X", "xx" become
// "XX", hex numbers 0..255 two upper-case digits; an apostrophe and one
// character stay. Returns byte * 8 + alternative (both from 0) of the first
// cell that is not valid match data, or -1 when all are.
int ValidateMatchGrid(MatchGrid& grid);
// Accept: a validated grid becomes MatchData, MatchValues, MatchCondition and
// ProtocolErrorDetect.
void ApplyMatchGrid(const MatchGrid& grid);

// Cell lines from grid.cells, condition and protocol lines from the applied
// filter. Reports "Cannot Create Data Match File" / "Cannot Write to Data
// Match File" ("Message Data Filter Error").
FileResult WriteMatchFile(const std::string& name, const MatchGrid& grid);
// Fills grid.cells (a short line leaves empty cells); the MatchCondition and
// ProtocolErrorDetect lines take effect on the applied filter at once. Reports
// "Cannot Open Data Match File", "Invalid Data Match File!" and "Cannot Read
// from Data Match File!" ("Match File Error"). Validation is the caller's.
FileResult ReadMatchFile(const std::string& name, MatchGrid& grid);

// Load File followed by Accept, without the window: reads the file over the
// applied filter, validates ("Invalid Match Data", "Message Data Filter
// Error") and applies the cells. false after any report.
bool LoadAndAcceptMatchFile(const std::string& name);

}  // namespace vantrel
