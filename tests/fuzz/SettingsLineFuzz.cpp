// Settings files from anywhere, applied line by line as a settings load does
// (it stops at the first line that makes the file unreadable). Afterwards
// every option holds a value its owner can hold, and the decoder still turns
// a few fixed messages into numbered lines without a parser exception.
//
// AliasFileName values name files in the scratch folder only
// (AliasNamesInScratch), so that a run never opens anything else.
#include <string>

#include "FuzzSupport.h"
#include "analysis/AddressStats.h"
#include "decode/DisplayOptions.h"
#include "decode/Format.h"
#include "decode/ParseAH.h"
#include "filters/AddressFilter.h"
#include "filters/AliasTable.h"
#include "filters/DataFilter.h"
#include "settings/Settings.h"
#include "pipeline/MessageTables.h"
#include "pipeline/TraceState.h"

namespace {

using namespace vantrel;
using namespace vantrel::fuzz;

constexpr std::size_t kMaxAlias = 255;

CountingWindow gWindow;

// START, 16 W, command 09, repeated START, 17 R, two bytes, NACK, STOP; a
// write to 50 with a byte; an address nobody acknowledges.
constexpr TraceWord kMessages[] = {
    0x04000100, 0x10000216, 0x10000309, 0x04000400, 0x10000517, 0x100006E1, 0x9000072E, 0x08000800,
    0x04001000, 0x100011A0, 0x10001255, 0x08001300, 0x04002000, 0x900021A2, 0x08002200,
};

void CheckDecoding() {
  ResetDecoder();
  ResetStatistics();
  ClearMessageTables();
  BeginTraceState();
  for (TraceWord w : kMessages) {
    const std::string& line = DecodeTraceWord(w);
    Require(line != kParserException, "the options decode without a parser exception");
    if (line.empty()) continue;
    if (gDisplay.Protocol == DataProtocol::Raw) {
      std::string hex;
      AppendHex8(hex, w);
      Require(line == hex, "Raw gives the word as hex", line);
    } else {
      const bool numbered = gDisplay.Protocol == DataProtocol::CD ? line[0] >= '1' && line[0] <= '9'
                                                                   : line.rfind("Msg ", 0) == 0;
      Require(numbered, "a line starts with its message number", line);
    }
  }
  EndTraceState();
}

void CheckOptions() {
  Require(gDisplay.Protocol <= DataProtocol::IPMI, "a data protocol the window knows");
  for (std::uint8_t state : gAddrFilter.AddrMap) Require(state < 16, "every address holds a state code");
  for (std::size_t i = 0; i < 64; ++i) {
    const std::string& cell = gDataFilter.MatchData[i];
    std::int32_t v = -2;
    Require(MatchCellValue(cell, v) && v == gDataFilter.MatchValues[i], "a match value agrees with its cell", cell);
  }
  for (const std::string& c : gDataFilter.MatchCondition) Require(c.size() == 1, "a condition is one character", c);
  for (int a = 0; a < 128; ++a) Require(AliasText(a).size() <= kMaxAlias, "an alias keeps to its limit");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  WriteAliasFilesOnce();
  gWindow.Attach();
  ConnectDecoder();
  RestoreDefaultSettings();
  gWindow.Clear();

  std::string_view text = AsText(data, size);
  while (!text.empty()) {
    const std::size_t lf = text.find('\n');
    std::string_view line = text.substr(0, lf);
    text.remove_prefix(lf == std::string_view::npos ? text.size() : lf + 1);
    if (lf != std::string_view::npos && !line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (!ApplySettingsLine(AliasNamesInScratch(line))) break;
  }
  CheckOptions();
  CheckDecoding();
  return 0;
}
