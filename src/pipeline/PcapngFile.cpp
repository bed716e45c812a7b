#include "pipeline/PcapngFile.h"

#include <cstdint>
#include <limits>
#include <string_view>
#include <vector>

#include "common/Reports.h"
#include "common/TextFile.h"
#include "decode/MessageRecord.h"
#include "decode/ParseAH.h"
#include "decode/TraceWord.h"
#include "pipeline/MainWindowSeam.h"

namespace vantrel::PcapngFile {

std::atomic<bool> PcapngFileOpen{false};

namespace {

constexpr std::string_view kError = "Export Error";
constexpr std::string_view kWarning = "Export File Warning";
constexpr std::string_view kCannotWrite = "Cannot Write to Export File";

constexpr std::uint32_t kSectionHeaderBlock = 0x0A0D0D0A;
constexpr std::uint32_t kInterfaceBlock = 1;
constexpr std::uint32_t kEnhancedPacketBlock = 6;
constexpr std::uint32_t kByteOrderMagic = 0x1A2B3C4D;
constexpr std::uint16_t kOptEnd = 0;
constexpr std::uint16_t kOptComment = 1;
constexpr std::uint16_t kOptUserAppl = 4;
constexpr std::uint16_t kOptTsResol = 9;
constexpr char kMicroseconds[] = {6};  // 10^-6 s
constexpr std::uint16_t kLinkTypeI2cLinux = 209;

constexpr std::uint8_t kBus = 0;  // the pod watches one bus; bit 7 clear: data, not an event
constexpr std::uint32_t kFlagRead = 0x0001;
constexpr std::uint32_t kFlagNoStart = 0x4000;
constexpr std::size_t kPseudoHeaderBytes = 5;
constexpr std::uint32_t kSnapLength = kPseudoHeaderBytes + kMessageWordListSize;

TextWriter gWriter;

// Little-endian whatever the host: the byte-order magic says so.
class Block {
 public:
  void Begin(std::uint32_t type) {
    b_.clear();
    U32(type);
    U32(0);  // total length, filled in by End
  }
  void U8(std::uint8_t v) { b_ += static_cast<char>(v); }
  void U16(std::uint16_t v) {
    U8(static_cast<std::uint8_t>(v));
    U8(static_cast<std::uint8_t>(v >> 8));
  }
  void U32(std::uint32_t v) {
    U16(static_cast<std::uint16_t>(v));
    U16(static_cast<std::uint16_t>(v >> 16));
  }
  void Bytes(std::string_view s) { b_ += s; }
  void Pad() { b_.append((4 - b_.size() % 4) % 4, '\0'); }
  void Option(std::uint16_t code, std::string_view value) {
    value = value.substr(0, std::numeric_limits<std::uint16_t>::max());
    U16(code);
    U16(static_cast<std::uint16_t>(value.size()));
    Bytes(value);
    Pad();
  }
  std::string_view End() {
    Option(kOptEnd, {});
    const auto total = static_cast<std::uint32_t>(b_.size() + 4);
    U32(total);
    for (int i = 0; i < 4; ++i) b_[4 + i] = static_cast<char>(total >> (8 * i));
    return b_;
  }

 private:
  std::string b_;
};

Block gBlock;

std::string Header() {
  std::string h;
  gBlock.Begin(kSectionHeaderBlock);
  gBlock.U32(kByteOrderMagic);
  gBlock.U16(1);  // version 1.0
  gBlock.U16(0);
  gBlock.U32(0xFFFFFFFF);  // section length not given
  gBlock.U32(0xFFFFFFFF);
  gBlock.Option(kOptUserAppl, "Vantrel");
  h += gBlock.End();
  gBlock.Begin(kInterfaceBlock);
  gBlock.U16(kLinkTypeI2cLinux);
  gBlock.U16(0);
  gBlock.U32(kSnapLength);
  gBlock.Option(kOptTsResol, std::string_view(kMicroseconds, 1));
  h += gBlock.End();
  return h;
}

// One START (or the bytes after a STOP without one) and the bytes after it.
struct Segment {
  std::int64_t tick = 0;  // of its first word, counted as WriteMessage counts
  bool start = true;
  std::string bytes;
  std::vector<std::uint32_t> nacks;  // 1-based positions in bytes
  std::uint32_t missing = 0;         // bytes the decoder did not hand on
};

std::vector<Segment> gSegments;  // reused message after message

void Fail() {
  PcapngFileOpen = false;
  (void)gWriter.Close();  // the failed bytes were dropped; nothing more to report
  // Posted: a report opened in the middle of decoding would let the next
  // batch be decoded before this one ends.
  MainWindow().PostToMainThread([] { Reports().ShowMessage(kCannotWrite, kError); });
}

std::uint64_t Micros(const TraceTime& t) {
  constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
  if (t.minutes > (kMax - t.micros) / kMicrosPerMinute) return kMax;
  return t.minutes * kMicrosPerMinute + t.micros;
}

std::uint64_t Shift(std::uint64_t micros, std::int64_t by) {
  if (by < 0) {
    const auto back = static_cast<std::uint64_t>(-(by + 1)) + 1;
    return micros > back ? micros - back : 0;
  }
  const auto ahead = static_cast<std::uint64_t>(by);
  return micros > std::numeric_limits<std::uint64_t>::max() - ahead ? std::numeric_limits<std::uint64_t>::max()
                                                                     : micros + ahead;
}

bool WritePacket(const Segment& seg, std::uint64_t micros, std::uint64_t msgNumber) {
  std::uint32_t flags = seg.start ? 0 : kFlagNoStart;
  if (seg.start && (static_cast<std::uint8_t>(seg.bytes[0]) & 1u)) flags |= kFlagRead;
  const auto captured = static_cast<std::uint32_t>(kPseudoHeaderBytes + seg.bytes.size());

  std::string comment = "Msg ";
  comment += std::to_string(msgNumber);
  if (!seg.nacks.empty()) {
    comment += seg.nacks.size() == 1 ? ", NACK at byte " : ", NACK at bytes ";
    for (std::size_t i = 0; i < seg.nacks.size(); ++i) {
      if (i > 0) comment += ", ";
      comment += std::to_string(seg.nacks[i]);
    }
  }
  if (!seg.start) comment += ", no START";

  gBlock.Begin(kEnhancedPacketBlock);
  gBlock.U32(0);  // the one interface
  gBlock.U32(static_cast<std::uint32_t>(micros >> 32));
  gBlock.U32(static_cast<std::uint32_t>(micros));
  gBlock.U32(captured);
  gBlock.U32(captured + seg.missing);
  gBlock.U8(kBus);
  for (int shift = 24; shift >= 0; shift -= 8) gBlock.U8(static_cast<std::uint8_t>(flags >> shift));  // big-endian
  gBlock.Bytes(seg.bytes);
  gBlock.Pad();
  gBlock.Option(kOptComment, comment);
  return gWriter.Write(gBlock.End());
}

}  // namespace

bool Create(const std::string& name, int retryCounter) {
  if (!MayReplaceTraceFile("Export File", name, retryCounter, kWarning)) return false;
  if (!gWriter.Create(name)) {
    Reports().ShowMessage("Cannot Create Export File", kError);
    return false;
  }
  if (!gWriter.Write(Header()) || !gWriter.Flush()) {
    (void)gWriter.Close();
    Reports().ShowMessage(kCannotWrite, kError);
    return false;
  }
  PcapngFileOpen = true;
  return true;
}

void WriteMessage(const CompletedMessage& message) {
  if (!PcapngFileOpen) return;
  const MessageRecord& r = message.record;
  const std::span<const TraceWord> words = message.words;

  // Ticks count the decoder's clock from the first word: wraps x 65,536 us
  // plus the stamp, a word with the wrap flag standing at the start of its
  // wrap period. Only differences are used, anchored on a word whose running
  // time the record gives: the message's START, else (a STOP after a STOP)
  // the STOP.
  const std::size_t startAt = r.startIndex - 1;  // wraps to huge when 0
  const bool hasStart = startAt < words.size() && HasStart(words[startAt]);
  const bool hasStop = !words.empty() && HasStop(words.back());
  std::int64_t wraps = 0, anchorTick = 0;
  std::uint32_t events = 0;  // bytes and repeated STARTs after the START, as the record counts them
  gSegments.clear();
  for (std::size_t i = 0; i < words.size(); ++i) {
    const TraceWord w = words[i];
    std::int64_t tick = 0;
    if (HasWrap(w)) {
      wraps += IsWrapRecord(w) ? WrapCount(w) : 1;
      tick = wraps * kWrapMicroseconds;
    } else {
      tick = wraps * kWrapMicroseconds + TimeStamp(w);
    }
    if (hasStart ? i == startAt : i + 1 == words.size()) anchorTick = tick;
    if (hasStart && i > startAt) events += (HasStart(w) ? 1 : 0);
    if (hasStart && i >= startAt) events += (HasByte(w) ? 1 : 0);
    if (HasStart(w)) gSegments.push_back({tick, true, {}, {}, 0});
    if (HasByte(w)) {
      if (gSegments.empty()) gSegments.push_back({tick, false, {}, {}, 0});
      Segment& s = gSegments.back();
      s.bytes += static_cast<char>(DataByte(w));
      if (HasNack(w)) s.nacks.push_back(static_cast<std::uint32_t>(s.bytes.size()));
    }
  }
  if (hasStart && !hasStop && !gSegments.empty() && r.byteCount > events) gSegments.back().missing = r.byteCount - events;

  const std::uint64_t anchor = hasStart ? Micros({r.startMinutes, r.startMicroseconds})
                                        : Micros({r.lastMinutes, r.lastMicroseconds});
  const std::uint64_t number = std::uint64_t{r.msgNumberHigh} * kCounterWrap + r.msgNumberLow;
  for (const Segment& s : gSegments) {
    if (s.bytes.empty()) continue;
    if (!WritePacket(s, Shift(anchor, s.tick - anchorTick), number)) return Fail();
  }
}

void Close() {
  if (!PcapngFileOpen) return;
  PcapngFileOpen = false;
  if (!gWriter.Close()) Reports().ShowMessage(kCannotWrite, kError);
}

}  // namespace vantrel::PcapngFile
