// Trigger out files from anywhere: reading one never crashes, reports once
// when it fails, and a grid read in full saves and reads back the same.
#include "FuzzSupport.h"
#include "pod/TriggerOut.h"

namespace {

using namespace vantrel;
using namespace vantrel::fuzz;

CountingWindow gWindow;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  gWindow.Attach();
  RestoreDefaultTriggerOut();
  gWindow.Clear();
  TriggerOutGrid grid = ShowTriggerOut();
  const FileResult r = ReadTriggerFile(WriteScratch("input.trg", AsText(data, size)), grid);
  if (r == FileResult::Done) {
    Require(gWindow.reports == 0, "a file read in full is not reported", gWindow.lastReport);
  } else {
    Require(gWindow.reports == 1, "a failed read is reported once");
    return 0;
  }
  Require(grid.code >= 0 && grid.code <= 5, "a loaded code selects a button");

  const std::string saved = (ScratchDir() / "saved.trg").string();
  Require(WriteTriggerFile(saved, grid) == FileResult::Done, "the grid can be saved", gWindow.lastReport);
  TriggerOutGrid back = ShowTriggerOut();
  Require(ReadTriggerFile(saved, back) == FileResult::Done, "a saved grid reads back", gWindow.lastReport);
  Require(back.bits == grid.bits && back.position == grid.position && back.code == grid.code,
          "a saved grid reads back the same");
  // Taken as the values and shown again, the bits that mean something stay.
  TakeTriggerOut(grid);
  const TriggerOutGrid shown = ShowTriggerOut();
  for (std::size_t r8 = 0; r8 < 16; ++r8)
    for (std::size_t c = 0; c < 8; ++c) {
      const char cell = grid.bits[r8][c];
      Require(shown.bits[r8][c] == (cell == '1' || cell == 'X' ? cell : '0'), "the values keep the grid's bits");
    }
  return 0;
}
