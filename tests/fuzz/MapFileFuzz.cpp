// Address map files from anywhere: reading one leaves every address with a
// state code, changes nothing when the file is refused, reports only when it
// fails, and a map saved again reads back the same.
#include "FuzzSupport.h"
#include "filters/AddrMapFile.h"
#include "filters/AddressFilter.h"
#include "settings/Settings.h"

namespace {

using namespace vantrel;
using namespace vantrel::fuzz;

CountingWindow gWindow;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  gWindow.Attach();
  RestoreDefaultSettings();
  gWindow.Clear();
  const std::string path = WriteScratch("input.map", AsText(data, size));

  const auto defaults = gAddrFilter.AddrMap;
  const FileResult r = ReadAddrMapFile(path);
  if (r == FileResult::Done) {
    Require(gWindow.reports == 0, "a map read in full is not reported", gWindow.lastReport);
  } else {
    Require(gWindow.reports == 1, "a failed map read is reported once");
  }
  if (r == FileResult::Invalid || r == FileResult::CannotOpen)
    Require(gAddrFilter.AddrMap == defaults, "a refused map file changes nothing");
  for (std::uint8_t state : gAddrFilter.AddrMap) Require(state < 16, "every address holds a state code");

  // Saved and loaded again, the map is the same.
  const auto applied = gAddrFilter.AddrMap;
  const std::string saved = (ScratchDir() / "saved.map").string();
  gWindow.Clear();
  Require(WriteAddrMapFile(saved) == FileResult::Done, "the map can be saved", gWindow.lastReport);
  ResetAddressFilter();
  Require(ReadAddrMapFile(saved) == FileResult::Done, "a saved map reads back", gWindow.lastReport);
  Require(gAddrFilter.AddrMap == applied, "a saved map reads back the same", GetAddrMapString());
  return 0;
}
