#include "decode/ParseAH.h"

#include <chrono>
#include <exception>

#include "decode/DecoderServices.h"
#include "decode/DisplayOptions.h"
#include "decode/Format.h"
#include "decode/ParseSMB.h"
#include "decode/RunningTime.h"

namespace vantrel {

std::string CurrentLine;
TraceTime CurrentTraceTime;

namespace {

constexpr std::size_t kMaxDataHex = 16;       // the data filter looks at 8 bytes
constexpr std::size_t kMaxCodeChars = 4u << 20;

struct Decoder {
  bool waitFirstStart = true;
  RunningClock clock;  // time zero at the first START
  TraceTime now;
  bool inMessage = false;
  bool addressNext = false;
  std::uint32_t msgNumberLow = 0, msgNumberHigh = 0;
  std::uint32_t byteCount = 0;
  std::uint16_t addressByte = 0;
  bool addressPass = true;
  TraceTime msgStart, eventTime, prevEvent, sinceStart;
  std::string prefix, startTimeText, bitRateText, lineText, dataHex, messageCode;
  bool lineCapped = false;
  std::array<TraceWord, kMessageWordListSize> wordList{};
  std::uint32_t wordCount = 0;
  MessageRecord record;
};

Decoder d;

void AppendTimeToken(std::string& s, TraceTime t, bool cd, bool absolute) {
  if (cd) {
    AppendUInt(s, t.minutes / 60);
    s += ", ";
    AppendUInt(s, t.minutes % 60);
    s += ", ";
    AppendUInt(s, t.micros);
    s += ',';
    return;
  }
  s += absolute ? "[" : "[+";
  if (t.minutes > 59) {
    AppendGrouped(s, t.minutes / 60);
    s += "H:";
    AppendGrouped(s, t.minutes % 60);
    s += "M:";
  } else if (t.minutes > 0) {
    AppendGrouped(s, t.minutes);
    s += "M:";
  }
  AppendGrouped(s, t.micros);
  s += "uS]";
}

void Token(std::string& s, const char* text, bool cd) {
  s += text;
  if (cd) s += ',';
}

std::uint32_t ListPosition() { return d.wordCount; }

void BuildPrefix(bool cd) {
  d.prefix.clear();
  if (cd) {
    if (d.msgNumberHigh > 0) {
      AppendUInt(d.prefix, d.msgNumberHigh);
      AppendZero9(d.prefix, d.msgNumberLow);
    } else {
      AppendUInt(d.prefix, d.msgNumberLow);
    }
    d.prefix += ',';
  } else if (d.msgNumberHigh > 0) {
    d.prefix += "Msg ";
    AppendGrouped(d.prefix, d.msgNumberHigh);
    d.prefix += ',';
    AppendGrouped9(d.prefix, d.msgNumberLow);
    d.prefix += ' ';
  } else if (d.msgNumberLow > 999) {
    d.prefix += "Msg ";
    AppendGrouped(d.prefix, d.msgNumberLow);
    d.prefix += ' ';
  } else {
    d.prefix += "Msg ";
    AppendRight5(d.prefix, d.msgNumberLow);
    d.prefix += ' ';
  }
}

void StartOutsideMessage(const DisplayOptions& o, bool cd) {
  d.inMessage = true;
  d.addressNext = true;
  if (++d.msgNumberLow >= kCounterWrap) {
    d.msgNumberLow = 0;
    ++d.msgNumberHigh;
  }
  d.byteCount = 0;
  d.lineText.clear();
  d.dataHex.clear();
  d.lineCapped = false;
  BuildPrefix(cd);
  std::string& s = d.lineText;
  s += d.prefix;
  if (o.DisplayStart) Token(s, "[Start]", cd);
  d.msgStart = d.now;
  d.startTimeText.clear();
  if (o.DisplayStartTime) {
    const TraceTime t = o.DisplayAbsTime ? d.msgStart : TimeDiff(d.msgStart, d.prevEvent);
    AppendTimeToken(d.startTimeText, t, cd, o.DisplayAbsTime);
    s += d.startTimeText;
  }
  d.prevEvent = d.msgStart;
  d.record = MessageRecord{};
  d.record.msgNumberLow = d.msgNumberLow;
  d.record.msgNumberHigh = d.msgNumberHigh;
  d.record.byteCount = d.byteCount;
  d.record.startIndex = d.record.stopIndex = ListPosition();
  d.record.startMinutes = d.record.lastMinutes = d.msgStart.minutes;
  d.record.startMicroseconds = d.record.lastMicroseconds = d.msgStart.micros;
  d.messageCode.clear();
}

void MarkEvent() {
  d.prevEvent = d.eventTime;
  d.record.stopIndex = ListPosition();
  d.record.lastMinutes = d.eventTime.minutes;
  d.record.lastMicroseconds = d.eventTime.micros;
  d.record.byteCount = d.byteCount;
}

void EventTimeToken(const DisplayOptions& o, bool cd) {
  const TraceTime t = o.DisplayAbsTime ? TimeDiff(d.eventTime, d.msgStart) : TimeDiff(d.eventTime, d.prevEvent);
  AppendTimeToken(d.lineText, t, cd, o.DisplayAbsTime);
}

void RepeatedStart(const DisplayOptions& o, bool cd) {
  ++d.byteCount;
  d.addressNext = true;
  d.eventTime = d.now;
  if (o.DisplayStart) {
    Token(d.lineText, "[RptStart]", cd);
    if (o.DisplayByteTime) EventTimeToken(o, cd);
  }
  MarkEvent();
}

void Byte(TraceWord w, const DisplayOptions& o, DataProtocol proto, bool cd, std::size_t wordStart) {
  ++d.byteCount;
  const std::uint8_t b = DataByte(w);
  const bool nack = HasNack(w);
  std::string& s = d.lineText;
  s.resize(wordStart);  // a byte replaces the text its own word made before
  if (d.addressNext) {
    d.addressNext = false;
    d.addressByte = b;
    d.addressPass = gDecoderServices.CheckAddressFilter(b, !nack);
    if (cd) {
      AppendHex2(s, static_cast<std::uint8_t>(b & 0xFE));
      s += ',';
    } else {
      s += gDecoderServices.AliasText(b >> 1);
    }
    if (o.DisplayRW) Token(s, (b & 1) ? "[R]" : "[W]", cd);
    d.record.address = b;
    if (d.messageCode.size() < kMaxCodeChars) {
      d.messageCode += nack ? '2' : '1';
      AppendHex2(d.messageCode, b);
    }
  } else {
    if (d.dataHex.size() < kMaxDataHex) AppendHex2(d.dataHex, b);
    if (proto == DataProtocol::BIN) {
      char bits[9];
      for (int i = 0; i < 8; ++i) bits[i < 4 ? i : i + 1] = (b & (0x80 >> i)) ? '1' : '0';
      bits[4] = '.';
      s.append(bits, 9);
    } else if (proto == DataProtocol::ASCII && b >= 0x20 && b <= 0x7D) {
      s += static_cast<char>(b);
    } else {
      AppendHex2(s, b);
    }
    if (cd) s += ',';
    if (d.messageCode.size() < kMaxCodeChars) {
      d.messageCode += nack ? '4' : '3';
      AppendHex2(d.messageCode, b);
    }
  }
  if (o.DisplayAck && !nack) {
    Token(s, "[A]", cd);
  } else if (o.DisplayNack && nack) {
    Token(s, "[N]", cd);
  } else if (!cd) {
    s += ' ';
  }
  d.eventTime = d.now;
  if (o.DisplayByteTime) EventTimeToken(o, cd);
  MarkEvent();
}

// Returns false when the call must end with an empty result. sbsLine is set
// when the shown line is the SBS formatter's.
bool Stop(const DisplayOptions& o, bool cd, bool& shown, const std::string*& sbsLine) {
  d.inMessage = false;
  d.eventTime = d.now;
  d.sinceStart = TimeDiff(d.eventTime, d.msgStart);
  std::string& s = d.lineText;
  if (o.DisplayStop) {
    Token(s, "[Stop]", cd);
    if (o.DisplayByteTime) {
      const TraceTime t = o.DisplayAbsTime ? d.sinceStart : TimeDiff(d.eventTime, d.prevEvent);
      AppendTimeToken(s, t, cd, o.DisplayAbsTime);
    }
  }
  d.prevEvent = d.eventTime;

  d.bitRateText.clear();
  const std::uint64_t durationMicros =
      std::uint64_t{d.sinceStart.minutes} * kMicrosPerMinute + d.sinceStart.micros;
  if (o.DisplayBitRate && d.byteCount > 0 && durationMicros != 0) {
    const std::string rate = FormatBitRate(BitRate(d.byteCount, durationMicros));
    if (cd) {
      d.bitRateText = rate.empty() ? "0" : rate;
    } else if (rate.empty()) {
      d.bitRateText = "[0 K Bits/Sec]";
    } else {
      d.bitRateText = "[" + rate + "K Bits/Sec]";
    }
    s += d.bitRateText;
    if (cd) s += ',';
  }

  d.record.stopIndex = ListPosition();
  d.record.lastMinutes = d.eventTime.minutes;
  d.record.lastMicroseconds = d.eventTime.micros;
  d.record.byteCount = d.byteCount;
  d.record.durationMinutes = d.sinceStart.minutes;
  d.record.durationMicroseconds = d.sinceStart.micros;

  shown = !o.DisplayFilter || (d.addressPass && gDecoderServices.CheckDataFilter(d.dataHex));
  d.messageCode += "500";
  if (shown && o.Protocol == DataProtocol::SBS && IsSmbusDeviceAddress(d.record.address)) {
    // Formatted before the message is stored: a line the protocol error
    // filter hides must not take a record, or the records and the display's
    // message lines fall out of step.
    const std::string& line = FormatSbsMessage(d.prefix, d.startTimeText, d.messageCode, d.bitRateText);
    shown = !line.empty();
    if (shown) sbsLine = &line;
  }
  const std::string_view line = !shown ? std::string_view() : sbsLine ? *sbsLine : d.lineText;
  const CompletedMessage message{d.record, {d.wordList.data(), d.wordCount}, shown, line};
  const bool kept = gDecoderServices.MessageCompleted(message);
  d.wordCount = 0;
  return kept || !shown;
}

const std::string& Decode(TraceWord w) {
  CurrentLine.clear();
  if (d.waitFirstStart) {
    if (!HasStart(w)) return CurrentLine;
    // The first START is time zero, also when it falls on a counter wrap
    // (that wrap is not counted).
    d.clock.timeBase = HasWrap(w) ? 0 : static_cast<std::uint16_t>(TimeStamp(w));
    d.waitFirstStart = false;
    d.now = {};
  } else {
    d.now = d.clock.Advance(w);
  }
  CurrentTraceTime = d.now;

  const DisplayOptions& o = gDisplay;
  DataProtocol proto = o.Protocol;
  if (proto == DataProtocol::Raw) {
    AppendHex8(CurrentLine, w);
    return CurrentLine;
  }
  if (proto == DataProtocol::None) proto = DataProtocol::BIN;
  const bool cd = proto == DataProtocol::CD;

  if (d.wordCount < kMessageWordListSize) d.wordList[d.wordCount++] = w;

  // Words after a STOP and before the next START still make a line (a stray
  // STOP completes an empty message): it carries the last message's number.
  if (!d.inMessage && !HasStart(w) && (HasByte(w) || HasStop(w)) && d.lineText.empty()) d.lineText = d.prefix;
  std::size_t wordStart = d.lineText.size();
  if (HasStart(w)) {
    if (!d.inMessage) {
      StartOutsideMessage(o, cd);
      wordStart = 0;
    } else {
      RepeatedStart(o, cd);
    }
  }
  if (HasByte(w)) Byte(w, o, proto, cd, wordStart);
  // Past the cap only one "[...]" and then the STOP's own tokens follow.
  if (d.lineCapped || d.lineText.size() > kMaxLineChars) {
    d.lineText.resize(wordStart);
    if (!d.lineCapped) {
      d.lineCapped = true;
      Token(d.lineText, "[...]", cd);
    }
  }
  if (!HasStop(w)) return CurrentLine;

  bool shown = false;
  const std::string* sbsLine = nullptr;
  const bool store = Stop(o, cd, shown, sbsLine);
  if (store && shown) CurrentLine = sbsLine != nullptr ? *sbsLine : d.lineText;
  // The message is complete: nothing of it may leak into the next one.
  d.lineText.clear();
  d.dataHex.clear();
  d.messageCode.clear();
  d.lineCapped = false;
  return CurrentLine;
}

}  // namespace

void ResetDecoder() {
  d.waitFirstStart = true;
  d.clock = {};
  d.now = {};
  d.msgNumberLow = d.msgNumberHigh = 0;
  d.byteCount = 0;
  d.prevEvent = {};
  d.inMessage = false;
  d.addressNext = false;
  d.lineText.clear();
  d.messageCode.clear();
  d.lineCapped = false;
  d.wordCount = 0;
  CurrentTraceTime = {};
  BuildCommandTable();
}

const std::string& DecodeTraceWord(TraceWord word) {
  try {
    return Decode(word);
  } catch (const std::exception&) {
    CurrentLine = kParserException;
    return CurrentLine;
  }
}

const std::string& LiveMessageText() { return d.lineText; }

TraceClock CurrentTraceClock() {
  return {d.now.minutes / 60, static_cast<std::uint32_t>(d.now.minutes % 60), d.now.micros};
}

std::uint32_t MsgNumberLow() { return d.msgNumberLow; }
std::uint32_t MsgNumberHigh() { return d.msgNumberHigh; }

void SetMessageNumber(std::uint32_t low, std::uint32_t high) {
  d.msgNumberLow = low % kCounterWrap;
  d.msgNumberHigh = high;
}


}  // namespace vantrel
