#include "filters/MatchFile.h"

#include "common/Hex.h"
#include "filters/DataFilter.h"
#include "common/Reports.h"

namespace vantrel {
namespace {

constexpr std::size_t Index(std::size_t byte, std::size_t alt) { return alt * 8 + byte; }

// A hex number 0..255 of any length (leading zeros allowed); -1 otherwise.
int HexByte(const std::string& s) {
  if (s.empty()) return -1;
  int v = 0;
  for (char c : s) {
    const int d = HexValue(c);
    if (d < 0) return -1;
    v = v * 16 + d;
    if (v > 255) return -1;
  }
  return v;
}

}  // namespace

MatchGrid AppliedMatchGrid() {
  MatchGrid g;
  for (std::size_t b = 0; b < 8; ++b) {
    for (std::size_t a = 0; a < 8; ++a) g.cells[b][a] = gDataFilter.MatchData[Index(b, a)];
    g.conditions[b] = gDataFilter.MatchCondition[b];
  }
  g.protocolErrorDetect = gDataFilter.ProtocolErrorDetect;
  return g;
}

MatchGrid ClearedMatchGrid() {
  MatchGrid g;
  for (auto& row : g.cells) row.fill("XX");
  g.conditions.fill("Y");
  return g;
}

int ValidateMatchGrid(MatchGrid& grid) {
  for (std::size_t b = 0; b < 8; ++b) {
    for (std::size_t a = 0; a < 8; ++a) {
      std::string& cell = grid.cells[b][a];
      if (cell == "x" || cell == "X" || cell == "xx") cell = "XX";
      if (cell == "XX" || (cell.size() == 2 && cell[0] == '\'')) continue;
      const int v = HexByte(cell);
      if (v < 0) return static_cast<int>(b * 8 + a);
      cell = std::string{kHexDigits[v >> 4], kHexDigits[v & 15]};
    }
  }
  return -1;
}

void ApplyMatchGrid(const MatchGrid& grid) {
  for (std::size_t b = 0; b < 8; ++b) {
    for (std::size_t a = 0; a < 8; ++a) {
      const std::string& cell = grid.cells[b][a];
      std::int32_t v = -1;
      if (!MatchCellValue(cell, v)) v = -1;  // not reached after validation
      gDataFilter.MatchData[Index(b, a)] = cell;
      gDataFilter.MatchValues[Index(b, a)] = v;
    }
    gDataFilter.MatchCondition[b] = grid.conditions[b];
  }
  gDataFilter.ProtocolErrorDetect = grid.protocolErrorDetect;
}

FileResult WriteMatchFile(const std::string& name, const MatchGrid& grid) {
  std::string body;
  for (const auto& row : grid.cells) {
    for (const std::string& cell : row) body += cell;
    body += "\r\n";
  }
  body += "MatchCondition=" + GetMatchConditionString() + "\r\n";
  body += std::string("ProtocolErrorDetect=") + (gDataFilter.ProtocolErrorDetect ? "True" : "False") + "\r\n";
  const FileResult r = WriteFilterFile(name, "Data Match", body);
  constexpr const char* kTitle = "Message Data Filter Error";
  if (r == FileResult::CannotCreate) Reports().ShowMessage("Cannot Create Data Match File", kTitle);
  if (r == FileResult::WriteFailed) Reports().ShowMessage("Cannot Write to Data Match File", kTitle);
  return r;
}

FileResult ReadMatchFile(const std::string& name, MatchGrid& grid) {
  FilterFileReader in;
  FileResult r = in.Open(name, ";Vantrel Data Match File");
  const bool opened = r == FileResult::Done;
  std::string line;
  if (opened) {
    for (auto& row : grid.cells) {
      in.NextData(line);
      if (in.failed()) {
        r = FileResult::ReadFailed;
        break;
      }
      for (std::size_t a = 0; a < 8; ++a) row[a] = 2 * a < line.size() ? line.substr(2 * a, 2) : std::string();
    }
  }
  while (r == FileResult::Done && in.NextData(line)) {
    std::size_t at = line.find("MatchCondition=");
    if (at != std::string::npos && !SetMatchConditionString(line.substr(at + 15, 200))) r = FileResult::ReadFailed;
    at = line.find("ProtocolErrorDetect=");
    if (r == FileResult::Done && at != std::string::npos)
      SetProtocolErrorDetect(line.find("True") != std::string::npos);
  }
  if (in.failed()) r = FileResult::ReadFailed;
  if (opened) {
    // What took effect on the applied filter shows in the window as well.
    grid.conditions = AppliedMatchGrid().conditions;
    grid.protocolErrorDetect = gDataFilter.ProtocolErrorDetect;
  }
  constexpr const char* kTitle = "Match File Error";
  switch (r) {
    case FileResult::CannotOpen: Reports().ShowMessage("Cannot Open Data Match File", kTitle); break;
    case FileResult::Invalid: Reports().ShowMessage("Invalid Data Match File!", kTitle); break;
    case FileResult::ReadFailed: Reports().ShowMessage("Cannot Read from Data Match File!", kTitle); break;
    default: break;
  }
  return r;
}

bool LoadAndAcceptMatchFile(const std::string& name) {
  MatchGrid grid = AppliedMatchGrid();
  if (ReadMatchFile(name, grid) != FileResult::Done) return false;
  if (ValidateMatchGrid(grid) >= 0) {
    Reports().ShowMessage("Invalid Match Data", "Message Data Filter Error");
    return false;
  }
  ApplyMatchGrid(grid);
  return true;
}

}  // namespace vantrel
