#include "analysis/MessageViews.h"

#include <algorithm>
#include <cstdio>
#include <span>

#include "common/Hex.h"
#include "decode/Format.h"
#include "decode/RunningTime.h"

namespace vantrel {
namespace {

// Digits only and within 32 bits; anything else reads as 0.
std::uint32_t NumberOrZero(std::string_view digits) {
  std::uint64_t v = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return 0;
    v = v * 10 + static_cast<std::uint64_t>(c - '0');
    if (v > UINT32_MAX) return 0;
  }
  return static_cast<std::uint32_t>(v);
}

std::string NumberLine(const MessageNumber& n) { return "Message Number " + MessageNumberText(n) + " Selected"; }

bool Holds(const MessageRecord& r, const MessageNumber& n) {
  return r.msgNumberLow == n.low && r.msgNumberHigh == n.high;
}

// The view's records, slots 1 to recordNext - 1.
std::span<const MessageRecord> Records(const MessageTablesView& t) {
  if (t.records == nullptr || t.recordNext < 2) return {};
  return {t.records + 1, std::size_t{t.recordNext} - 1};
}

// The record's words that lie within the view; none when stopIndex < startIndex.
std::span<const TraceWord> WordsOf(const MessageRecord& r, const MessageTablesView& t) {
  const std::uint32_t first = std::max(r.startIndex, t.wordBase + 1);
  const std::uint32_t last = std::min(r.stopIndex, t.wordCount);
  if (t.words == nullptr || last < first) return {};
  return {t.words + (first - t.wordBase), std::size_t{last} - first + 1};
}

// The "#, " pattern: thousands grouped, no digits at all for 0, then a space.
void AppendMicros(std::string& s, const TraceTime& t) {
  const std::uint64_t micros = t.minutes * kMicrosPerMinute + t.micros;
  if (micros != 0) AppendGrouped(s, micros);
  s += ' ';
}

// The timing lines of one message; true when it has bit-timing records.
bool AppendTiming(std::vector<std::string>& lines, std::span<const TraceWord> words, bool absTime) {
  const std::size_t own = lines.size();  // the lines before this message stay
  RunningClock clock;
  TraceTime reference;
  bool started = false, bytesSeen = false, bitsSeen = false;
  std::uint32_t bitNumber = 1, byteNumber = 1;
  // "@ " and the event's time; in relative mode the event becomes the reference.
  const auto at = [&](TraceTime time) {
    const TraceTime since = TimeDiff(time, reference);
    if (!absTime) reference = time;
    std::string s = absTime ? " @ " : " @ +";
    AppendMicros(s, since);
    return s;
  };
  const auto removeLast = [&] {
    if (lines.size() > own) lines.pop_back();
  };

  for (const TraceWord w : words) {
    const TraceTime time = clock.Advance(w);
    if (HasStart(w)) {
      if (!bytesSeen) {
        started = true;
        reference = time;
        lines.push_back("START @ 0 uS");
      } else {
        if (bitsSeen) removeLast();
        lines.push_back("RptSTART" + at(time) + "uS ");
        bitNumber = 1;
      }
      lines.push_back(" ");
    }
    // Words kept from before the message's START (idle time, stray bits)
    // only move the clock.
    if (!started) continue;
    if (HasBit(w)) {
      lines.push_back(" Bit " + std::to_string(bitNumber++) + " = " + (BitValue(w) ? "1" : "0") + at(time) + "uS ");
      bitsSeen = true;
    }
    if (HasByte(w)) {
      bitNumber = 1;
      bytesSeen = true;
      std::string line = "Byte " + std::to_string(byteNumber++) + " = ";
      AppendHex2(line, DataByte(w));
      const std::string when = at(time);
      if (!bitsSeen) line += " Hex" + when + "uS";
      lines.push_back(std::move(line));
      if (bitsSeen) lines.push_back(" ");
    }
    if (HasStop(w)) {
      if (bitsSeen) removeLast();
      lines.push_back("STOP" + at(time) + "uS ");
    }
  }
  return bitsSeen;
}

void AppendHexTime(std::string& s, std::uint64_t minutes, std::uint32_t micros) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%08llX:%08X", static_cast<unsigned long long>(minutes), micros);
  s += buf;
}

}  // namespace

std::optional<MessageNumber> MessageNumberOfLine(std::string_view line) {
  constexpr std::string_view kPrefix = "Msg ";
  if (!line.starts_with(kPrefix)) return std::nullopt;
  std::string_view text = line.substr(kPrefix.size());
  text.remove_prefix(std::min(text.find_first_not_of(' '), text.size()));
  text = text.substr(0, text.find(' '));
  std::string digits;
  for (char c : text)
    if (c != ',') digits += c;
  const std::string_view all = digits;
  MessageNumber n;
  if (all.size() > 9) {
    n.high = NumberOrZero(all.substr(0, all.size() - 9));
    n.low = NumberOrZero(all.substr(all.size() - 9));
  } else {
    n.low = NumberOrZero(all);
  }
  if (n.high == 0 && n.low == 0) return std::nullopt;
  return n;
}

std::string MessageNumberText(const MessageNumber& n) {
  std::string s;
  if (n.high != 0) {
    AppendGrouped(s, n.high);
    s += ',';
    AppendGrouped9(s, n.low);
  } else {
    AppendGrouped(s, n.low);
  }
  return s;
}

std::vector<std::string> MessageTimingLines(const MessageNumber& n, const MessageTablesView& tables, bool absTime) {
  std::vector<std::string> lines = {NumberLine(n), " ",
                                    absTime ? "Start Event Time Reference" : "Previous Event (+) Time Reference", " "};
  bool bits = false;
  for (const MessageRecord& r : Records(tables))
    if (Holds(r, n)) bits |= AppendTiming(lines, WordsOf(r, tables), absTime);
  lines.push_back(" ");
  lines.push_back(bits ? "Note: Bit Times recorded on the LOW to HIGH transition of SCL"
                       : "Note: Bit Timing NOT detected");
  return lines;
}

std::vector<std::string> MessageDiagnosticsLines(const MessageNumber& n, const MessageTablesView& tables) {
  std::vector<std::string> lines = {"Vantrel", "Message Diagnostics Support", "", NumberLine(n), ""};
  const auto records = Records(tables);
  const auto r = std::find_if(records.begin(), records.end(), [&](const MessageRecord& m) { return Holds(m, n); });
  if (r == records.end()) {
    lines.push_back("Data Not Found");
    return lines;
  }
  std::string address = "Address: ";
  AppendHex2(address, static_cast<std::uint8_t>(r->address));
  lines.push_back(std::move(address));
  lines.push_back("No. of Bytes: " + std::to_string(r->byteCount));
  lines.push_back("Start Index: " + std::to_string(r->startIndex));
  std::string time = "Start Time: ";
  AppendHexTime(time, r->startMinutes, r->startMicroseconds);
  lines.push_back(std::move(time));
  lines.push_back("Stop Index: " + std::to_string(r->stopIndex));
  time = "Stop Time: ";
  AppendHexTime(time, r->lastMinutes, r->lastMicroseconds);
  lines.push_back(std::move(time));
  time = "Start2Stop Time: ";
  AppendHexTime(time, r->durationMinutes, r->durationMicroseconds);
  lines.push_back(std::move(time));
  lines.push_back("");
  std::size_t packet = 1;
  for (const TraceWord w : WordsOf(*r, tables)) {
    std::string line = "Packet[" + std::to_string(packet++) + "] = ";
    AppendHex8(line, w);
    lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace vantrel
