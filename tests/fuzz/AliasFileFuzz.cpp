// Alias files from anywhere: reading one fills at most the 128 rows with
// kept-length, comment-free texts and reports only when it fails; loading it
// takes the rows as the aliases; and the rows saved again read back the same.
#include "FuzzSupport.h"
#include "filters/AliasFile.h"
#include "filters/AliasTable.h"
#include "settings/Settings.h"

namespace {

using namespace vantrel;
using namespace vantrel::fuzz;

CountingWindow gWindow;

void CheckReportOf(FileResult r) {
  if (r == FileResult::Done) {
    Require(gWindow.reports == 0, "a file read in full is not reported", gWindow.lastReport);
  } else {
    Require(gWindow.reports == 1, "a failed read is reported once");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  gWindow.Attach();
  RestoreDefaultSettings();
  SetAliasFileName("");  // a settings reset keeps the accepted name
  gWindow.Clear();
  const std::string path = WriteScratch("input.als", AsText(data, size));

  const AliasGrid defaults = AliasTableCopy();
  AliasGrid grid = defaults;
  const FileResult r = ReadAliasFile(path, grid);
  CheckReportOf(r);
  if (r == FileResult::Invalid) Require(grid == defaults, "a file with a wrong header fills no row");
  for (const std::string& row : grid) {
    Require(row.size() <= kFilterLineChars, "a row is kept to the line limit", row);
    Require(row.find_first_of(";\n") == std::string::npos, "a row is one line and no comment", row);
  }

  gWindow.Clear();
  LoadAliasFileByName(path);
  CheckReportOf(r);
  for (int a = 0; a < 128; ++a) {
    const std::string& alias = AliasText(a);
    Require(alias == (r == FileResult::Done ? grid : defaults)[static_cast<std::size_t>(a)],
            "a file read in full becomes the alias table, any other changes nothing", alias);
  }
  Require((AliasFileName() == path) == (r == FileResult::Done), "only a file read in full is the accepted one");
  if (r != FileResult::Done) return 0;

  // Saved and loaded again, the aliases are the same.
  const std::string saved = (ScratchDir() / "saved.als").string();
  Require(WriteAliasFile(saved, grid) == FileResult::Done, "the aliases can be saved");
  AliasGrid again;
  again.fill("?");
  Require(ReadAliasFile(saved, again) == FileResult::Done, "saved aliases read back", gWindow.lastReport);
  for (std::size_t a = 0; a < 128; ++a) Require(again[a] == grid[a], "saved aliases read back the same", again[a]);
  return 0;
}
