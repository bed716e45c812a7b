// Settings files from anywhere, loaded as Program Settings | Load does: a
// load never crashes, and whatever it left saves and loads back to the same
// options. Only data filter cells the window could have made are held to the
// round trip: a hand-made cell ("Di", "sp", ...) may spell another key, and
// the file format lets such a value act as that key.
#include "FuzzSupport.h"
#include "common/Hex.h"
#include "filters/AliasTable.h"
#include "filters/DataFilter.h"
#include "pipeline/MessageTables.h"
#include "settings/Settings.h"

namespace {

using namespace vantrel;
using namespace vantrel::fuzz;

CountingWindow gWindow;

bool WindowMadeCells() {
  for (const std::string& cell : gDataFilter.MatchData) {
    const bool ok = cell == "XX" || (cell.size() == 2 && (cell[0] == '\'' || (HexValue(cell[0]) >= 0 && HexValue(cell[1]) >= 0)));
    if (!ok) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  WriteAliasFilesOnce();
  gWindow.Attach();
  ConnectDecoder();
  RestoreDefaultSettings();
  SetAliasFileName("");  // Restore Default keeps it; each input starts without one
  gWindow.Clear();

  // Line by line, with alias file names kept in the scratch folder.
  std::string text;
  std::string_view in = AsText(data, size);
  while (!in.empty()) {
    const std::size_t lf = in.find('\n');
    text += AliasNamesInScratch(in.substr(0, lf));
    if (lf == std::string_view::npos) break;
    text += '\n';
    in.remove_prefix(lf + 1);
  }
  LoadSettingsFile(WriteScratch("input.vps", text));

  if (!WindowMadeCells()) return 0;
  const std::vector<std::string> loaded = SettingsLines();
  const std::string saved = (ScratchDir() / "saved.vps").string();
  gWindow.Clear();
  Require(SaveSettingsFile(saved), "the options can be saved", gWindow.lastReport);
  RestoreDefaultSettings();
  Require(LoadSettingsFile(saved), "saved options load", gWindow.lastReport);
  const std::vector<std::string> again = SettingsLines();
  for (std::size_t i = 0; i < loaded.size() && i < again.size(); ++i)
    Require(loaded[i] == again[i], "saved options load back the same", loaded[i] + " / " + again[i]);
  Require(loaded.size() == again.size(), "saved options load back the same lines");
  return 0;
}
