// The message decoder under any options and any word stream. After every
// word: no parser exception, a running time within its minute, lines within
// their limit and led by the message number (unless the message's START
// word also held its first byte, whose text replaces the START's), Raw giving each word back as
// hex, and the shown-message tables within their size.
//
// Input: a few option bytes (layout in Configure), then the words. Each word
// is led by a byte whose low 3 bits choose its kind, so that short inputs
// already make whole messages; stamps advance by the following byte and wrap
// the 16-bit counter as the pod's do.
#include <string>

#include "FuzzSupport.h"
#include "analysis/AddressStats.h"
#include "analysis/Revisions.h"
#include "decode/DisplayOptions.h"
#include "decode/Format.h"
#include "decode/ParseAH.h"
#include "filters/AddressFilter.h"
#include "filters/AliasTable.h"
#include "filters/MatchFile.h"
#include "settings/Settings.h"
#include "pipeline/MessageTables.h"
#include "pipeline/TraceState.h"

namespace {

using namespace vantrel;
using namespace vantrel::fuzz;

// The STOP's tokens, its time and the bit rate may follow a line at its limit.
constexpr std::size_t kStopAllowance = 256;

bool Bit(unsigned bits, int n) { return (bits >> n & 1u) != 0; }

void Configure(ByteStream& in) {
  gDisplay.Protocol = static_cast<DataProtocol>(in.Byte() % 8);  // None .. IPMI
  const unsigned low = in.Byte();
  const unsigned o = low | unsigned{in.Byte()} << 8;
  gDisplay.DisplayStart = Bit(o, 0);
  gDisplay.DisplayStop = Bit(o, 1);
  gDisplay.DisplayRW = Bit(o, 2);
  gDisplay.DisplayAck = Bit(o, 3);
  gDisplay.DisplayNack = Bit(o, 4);
  gDisplay.DisplayByteTime = Bit(o, 5);
  gDisplay.DisplayStartTime = Bit(o, 6);
  gDisplay.DisplayAbsTime = Bit(o, 7);
  gDisplay.DisplayBitRate = Bit(o, 8);
  gDisplay.DisplayFilter = Bit(o, 9);
  gDisplay.PECChecked = Bit(o, 10);
  gDisplay.PECEnabled = Bit(o, 11);
  gDisplay.ByteTimeEnabled = Bit(o, 12);

  // Two bits per revision; a settings file may hold any number up to 999.
  constexpr std::uint32_t kRevs[] = {0, 1, 2, 999};
  const unsigned r = in.Byte();
  gRevisions = {kRevs[r & 3], kRevs[r >> 2 & 3], kRevs[r >> 4 & 3], kRevs[r >> 6 & 3]};

  const unsigned f = in.Byte();
  if (Bit(f, 0)) {  // address states
    for (unsigned n = in.Byte() % 8; n > 0; --n) {
      const int address = in.Byte() & 0x7F;
      SetAddressState(address, in.Byte() & 15);
    }
  }
  MatchGrid grid = ClearedMatchGrid();
  if (Bit(f, 1)) {  // data match cells and conditions
    const unsigned conditions = in.Byte();
    for (unsigned b = 0; b < 8; ++b) grid.conditions[b] = Bit(conditions, static_cast<int>(b)) ? "N" : "Y";
    for (unsigned n = in.Byte() % 8; n > 0; --n) {
      const unsigned cell = in.Byte() & 63;
      std::string& text = grid.cells[cell / 8][cell % 8];
      text.clear();
      AppendHex2(text, in.Byte());
    }
  }
  grid.protocolErrorDetect = Bit(f, 2);
  Require(ValidateMatchGrid(grid) < 0, "the fuzz target builds a valid match grid");
  ApplyMatchGrid(grid);
  for (unsigned n = f >> 3 & 3; n > 0; --n) {  // aliases of any length and bytes
    const int address = in.Byte() & 0x7F;
    SetAlias(address, std::string(in.Text(in.Byte())));
  }
}

class WordMaker {
 public:
  // The next word, or 0 for a raw word the host would never decode.
  TraceWord Next(ByteStream& in) {
    const unsigned k = in.Byte();
    const bool flag = Bit(k, 3);
    switch (k & 7) {
      case 0:
      case 1: return Stamped(kStartFlag, in, k);
      case 2:
      case 3: {
        const TraceWord data = in.Byte();
        return Stamped(kByteFlag | data | (flag ? kNackFlag : 0u), in, k);
      }
      case 4: return Stamped(kStopFlag, in, k);
      case 5: {  // an idle run: a wrap record with its count
        std::uint32_t count = in.Byte();
        if (flag) {
          count |= std::uint32_t{in.Byte()} << 8;
          count |= std::uint32_t{in.Byte()} << 16;
        }
        return kWrapFlag | count;
      }
      case 6: return Stamped(kBitFlag | (flag ? kBitValue : 0u), in, k);
      default: {
        const TraceWord w = in.Word();
        return w < kFirstTraceWord ? 0 : w;
      }
    }
  }

 private:
  TraceWord Stamped(TraceWord event, ByteStream& in, unsigned k) {
    stamp_ += in.Byte() * ((k >> 4) + 1);
    TraceWord w = event;
    if (stamp_ >= 0x10000) {
      stamp_ -= 0x10000;
      w |= kWrapFlag;
    }
    return w | stamp_ << 8;
  }
  std::uint32_t stamp_ = 0;
};

// unnumbered: the message began with a word holding its START and a byte
// together; the byte's text replaces the START's, number included.
void CheckLine(const std::string& line, TraceWord w, bool started, bool unnumbered) {
  Require(line != kParserException, "no parser exception");
  Require(CurrentTraceTime.micros < kMicrosPerMinute, "the running time stays within its minute");
  Require(line.size() <= kMaxLineChars + kStopAllowance, "a line keeps to its limit");
  Require(LiveMessageText().size() <= kMaxLineChars + kStopAllowance, "a message under way keeps to the limit");
  Require(gMsgTables.wordNext >= 1 && gMsgTables.wordNext <= kMsgWordBufferSize, "the word table index in range");
  Require(gMsgTables.recordNext >= 1 && gMsgTables.recordNext <= kMsgRecordTableSize, "the record index in range");
  if (gDisplay.Protocol == DataProtocol::Raw) {
    std::string hex;
    AppendHex8(hex, w);
    // Nothing is shown before the trace's first START.
    Require(line == (started ? hex : std::string()), "Raw gives every word as eight hex digits", line);
  } else if (!line.empty() && !unnumbered) {
    const bool numbered = gDisplay.Protocol == DataProtocol::CD ? line[0] >= '1' && line[0] <= '9'
                                                                 : line.rfind("Msg ", 0) == 0;
    Require(numbered, "a line starts with its message number", line.substr(0, 80));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static CountingWindow window;
  window.Attach();
  ConnectDecoder();
  RestoreDefaultSettings();
  ResetDecoder();
  ResetStatistics();
  ClearMessageTables();
  BeginTraceState();

  ByteStream in(data, size);
  Configure(in);
  WordMaker maker;
  bool started = false, inMessage = false, unnumbered = false;
  while (!in.empty()) {
    const TraceWord w = maker.Next(in);
    if (w == 0) continue;
    started = started || HasStart(w);
    if (HasStart(w) && !inMessage) {
      inMessage = true;
      unnumbered = HasByte(w);
    }
    CheckLine(DecodeTraceWord(w), w, started, unnumbered);
    if (HasStop(w)) inMessage = unnumbered = false;
  }
  EndTraceState();
  return 0;
}
