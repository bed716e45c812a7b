// Data match files from anywhere: reading one fills the cells with at most
// two characters each and reports only when it fails; Load and Accept leaves
// only valid cells applied, with values that agree with them; and a filter
// saved again loads back the same.
#include "FuzzSupport.h"
#include "filters/DataFilter.h"
#include "filters/MatchFile.h"
#include "settings/Settings.h"

namespace {

using namespace vantrel;
using namespace vantrel::fuzz;

CountingWindow gWindow;

bool ValidAppliedCell(const std::string& cell) {
  auto hex = [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); };
  return cell == "XX" || (cell.size() == 2 && (cell[0] == '\'' || (hex(cell[0]) && hex(cell[1]))));
}

bool SameFilter(const DataFilterTable& a, const DataFilterTable& b) {
  return a.MatchData == b.MatchData && a.MatchValues == b.MatchValues && a.MatchCondition == b.MatchCondition &&
         a.ProtocolErrorDetect == b.ProtocolErrorDetect;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  gWindow.Attach();
  RestoreDefaultSettings();
  gWindow.Clear();
  const std::string path = WriteScratch("input.dmf", AsText(data, size));

  MatchGrid grid = AppliedMatchGrid();
  const FileResult r = ReadMatchFile(path, grid);
  if (r == FileResult::Done) {
    Require(gWindow.reports == 0, "a file read in full is not reported", gWindow.lastReport);
  } else {
    Require(gWindow.reports == 1, "a failed read is reported once");
  }
  for (const auto& row : grid.cells)
    for (const std::string& cell : row) Require(cell.size() <= 2, "a cell holds at most two characters", cell);
  for (const std::string& c : grid.conditions) Require(c.size() == 1, "a condition is one character", c);

  RestoreDefaultSettings();
  gWindow.Clear();
  const bool accepted = LoadAndAcceptMatchFile(path);
  Require(accepted == (gWindow.reports == 0), "Load and Accept fails exactly when it reports");
  for (std::size_t i = 0; i < 64; ++i) {
    const std::string& cell = gDataFilter.MatchData[i];
    std::int32_t v = -2;
    Require(MatchCellValue(cell, v) && v == gDataFilter.MatchValues[i], "an applied value agrees with its cell", cell);
    if (accepted) Require(ValidAppliedCell(cell), "Accept applies only valid cells", cell);
  }
  CheckDataFilter("00112233445566778899");
  if (!accepted) return 0;

  // Saved and loaded again, the filter is the same.
  const DataFilterTable applied = gDataFilter;
  const std::string saved = (ScratchDir() / "saved.dmf").string();
  Require(WriteMatchFile(saved, AppliedMatchGrid()) == FileResult::Done, "the filter can be saved");
  ResetDataFilter();
  Require(LoadAndAcceptMatchFile(saved), "a saved filter loads back", gWindow.lastReport);
  Require(SameFilter(gDataFilter, applied), "a saved filter loads back the same", GetMatchDataString());
  return 0;
}
