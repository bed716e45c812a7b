#include "tracegen/TraceGen.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "decode/CRC8.h"

namespace vantrel {

// ---- idle folding -----------------------------------------------------------

void Folder::Push(TraceWord w) {
  if (IsWrapRecord(w)) {
    if (++pending_ >= kMaxFoldedIdle) {
      out_(MakeIdleWord(pending_));
      pending_ = 0;
    }
    return;
  }
  if (pending_ > 0) {
    out_(MakeIdleWord(pending_));
    pending_ = 0;
  }
  // An event at the wrap instant: its stamp means nothing downstream.
  if ((w & (kWrapFlag | kStampMask)) == (kWrapFlag | kStampMask)) w &= ~kStampMask;
  out_(w);
}

std::vector<TraceWord> Fold(const std::vector<TraceWord>& podWords) {
  std::vector<TraceWord> out;
  out.reserve(podWords.size());
  Folder folder([&out](TraceWord w) { out.push_back(w); });
  for (TraceWord w : podWords) folder.Push(w);
  return out;
}

// ---- builder ----------------------------------------------------------------

TraceBuilder::TraceBuilder(BusTiming timing) : TraceBuilder(timing, WordSink{}) {}

TraceBuilder::TraceBuilder(BusTiming timing, WordSink podSink) : timing_(timing), sink_(std::move(podSink)) {
  SetTiming(timing);
}

TraceBuilder::TraceBuilder(BusTiming timing, TimedWordSink podSink)
    : timing_(timing), timedSink_(std::move(podSink)) {
  SetTiming(timing);
}

void TraceBuilder::SetTiming(BusTiming timing) {
  if (timing.bitRateHz == 0 || timing.bitRateHz > 5'000'000) throw std::invalid_argument("bit rate out of range");
  timing_ = timing;
}

std::uint64_t TraceBuilder::BitNs() const { return 1'000'000'000ull / timing_.bitRateHz; }

void TraceBuilder::Put(TraceWord w, std::uint64_t timeUs) {
  ++wordCount_;
  if (timedSink_) {
    timedSink_(w, timeUs);
  } else if (sink_) {
    sink_(w);
  } else {
    pod_.push_back(w);
  }
}

void TraceBuilder::Emit(TraceWord flags, std::uint64_t timeNs) {
  StampPodEvent(flags, timeNs / 1000, inMessage_, wraps_, [this](TraceWord w, std::uint64_t t) {
    Put(w, t);
    if (!sink_ && !timedSink_ && w != kPodIdleWord) events_.push_back({w, t});
  });
}

void TraceBuilder::FlushIdle() {
  if (inMessage_) return;
  const std::uint64_t period = NowUs() / kWrapMicroseconds;
  while (wraps_ < period) {
    ++wraps_;
    Put(kPodIdleWord, wraps_ * kWrapMicroseconds);
  }
}

void TraceBuilder::Start() {
  const std::uint64_t half = BitNs() / 2;
  if (inMessage_) {
    nowNs_ += half;  // SCL back up before the repeated start
  } else {
    pec_ = 0;
  }
  Emit(kStartFlag, nowNs_);
  inMessage_ = true;
  nowNs_ += half;
}

void TraceBuilder::Stop() {
  const std::uint64_t half = BitNs() / 2;
  nowNs_ += half;
  Emit(kStopFlag, nowNs_);
  inMessage_ = false;
  nowNs_ += half;  // bus free time
}

void TraceBuilder::SendByte(std::uint8_t b, bool ack) {
  const std::uint64_t bit = BitNs();
  if (timing_.bitTiming) {
    for (unsigned i = 0; i < 9; ++i) {
      const bool level = i < 8 ? ((b >> (7 - i)) & 1u) != 0 : !ack;
      Emit(kBitFlag | (level ? kBitValue : 0u), nowNs_ + i * bit + bit / 2);
    }
  }
  nowNs_ += 9 * bit;
  Emit(kByteFlag | (ack ? 0u : kNackFlag) | b, nowNs_);
  pec_ = Crc8Update(pec_, b);
}

void TraceBuilder::Address(std::uint8_t addr7, bool read, bool ack) {
  SendByte(static_cast<std::uint8_t>(((addr7 & 0x7Fu) << 1) | (read ? 1u : 0u)), ack);
}

void TraceBuilder::Byte(std::uint8_t b, bool ack) { SendByte(b, ack); }

void TraceBuilder::Pec(bool ack, std::uint8_t error) { SendByte(static_cast<std::uint8_t>(pec_ ^ error), ack); }

void TraceBuilder::PartialByte(std::uint8_t b, unsigned bits) {
  const std::uint64_t bit = BitNs();
  bits = std::min(bits, 8u);
  if (timing_.bitTiming) {
    for (unsigned i = 0; i < bits; ++i) {
      const bool level = ((b >> (7 - i)) & 1u) != 0;
      Emit(kBitFlag | (level ? kBitValue : 0u), nowNs_ + i * bit + bit / 2);
    }
  }
  nowNs_ += bits * bit;
}

void TraceBuilder::Idle(std::uint64_t us) {
  nowNs_ += us * 1000;
  FlushIdle();
}

void TraceBuilder::IdleUntil(std::uint64_t us) {
  if (us > NowUs()) Idle(us - NowUs());
}

void TraceBuilder::Gap(std::uint64_t us) { nowNs_ += us * 1000; }

// ---- whole messages ---------------------------------------------------------

namespace {
bool NackedAt(const MessageOptions& opt, std::size_t pos) {
  return std::find(opt.nackAt.begin(), opt.nackAt.end(), pos) != opt.nackAt.end();
}
std::uint8_t AddrByte(std::uint8_t addr7, bool read) {
  return static_cast<std::uint8_t>(((addr7 & 0x7Fu) << 1) | (read ? 1u : 0u));
}
}  // namespace

bool TraceBuilder::SendChecked(std::uint8_t b, std::size_t& pos, const MessageOptions& opt) {
  const bool ack = !NackedAt(opt, pos++);
  SendByte(b, ack);
  if (!ack) Stop();
  return ack;
}

void TraceBuilder::ReadPhase(const std::vector<std::uint8_t>& data, std::size_t& pos, const MessageOptions& opt) {
  for (std::size_t i = 0; i < data.size(); ++i) {
    const bool last = i + 1 == data.size() && !opt.pec;
    if (last) {
      SendByte(data[i], false);
      ++pos;
    } else if (!SendChecked(data[i], pos, opt)) {
      return;
    }
  }
  if (opt.pec) {
    Pec(false, opt.pecError);
    ++pos;
  }
  if (opt.stop) Stop();
}

void TraceBuilder::Write(std::uint8_t addr7, const std::vector<std::uint8_t>& bytes, const MessageOptions& opt) {
  std::size_t pos = 0;
  Start();
  if (!SendChecked(AddrByte(addr7, false), pos, opt)) return;
  for (std::uint8_t b : bytes) {
    if (!SendChecked(b, pos, opt)) return;
  }
  if (opt.pec) {
    const bool ack = !NackedAt(opt, pos++);
    Pec(ack, opt.pecError);
    if (!ack) {
      Stop();
      return;
    }
  }
  if (opt.stop) Stop();
}

void TraceBuilder::Read(std::uint8_t addr7, const std::vector<std::uint8_t>& cmd,
                        const std::vector<std::uint8_t>& data, const MessageOptions& opt) {
  std::size_t pos = 0;
  Start();
  if (!SendChecked(AddrByte(addr7, false), pos, opt)) return;
  for (std::uint8_t b : cmd) {
    if (!SendChecked(b, pos, opt)) return;
  }
  Start();
  if (!SendChecked(AddrByte(addr7, true), pos, opt)) return;
  ReadPhase(data, pos, opt);
}

void TraceBuilder::ReadOnly(std::uint8_t addr7, const std::vector<std::uint8_t>& data, const MessageOptions& opt) {
  std::size_t pos = 0;
  Start();
  if (!SendChecked(AddrByte(addr7, true), pos, opt)) return;
  ReadPhase(data, pos, opt);
}

void TraceBuilder::WriteWord(std::uint8_t addr7, std::uint8_t cmd, std::uint16_t value, const MessageOptions& opt) {
  Write(addr7, {cmd, static_cast<std::uint8_t>(value & 0xFFu), static_cast<std::uint8_t>(value >> 8)}, opt);
}

void TraceBuilder::ReadWord(std::uint8_t addr7, std::uint8_t cmd, std::uint16_t value, const MessageOptions& opt) {
  Read(addr7, {cmd}, {static_cast<std::uint8_t>(value & 0xFFu), static_cast<std::uint8_t>(value >> 8)}, opt);
}

void TraceBuilder::BlockRead(std::uint8_t addr7, std::uint8_t cmd, const std::vector<std::uint8_t>& block,
                             const MessageOptions& opt) {
  std::vector<std::uint8_t> data;
  data.reserve(block.size() + 1);
  data.push_back(static_cast<std::uint8_t>(block.size()));
  data.insert(data.end(), block.begin(), block.end());
  Read(addr7, {cmd}, data, opt);
}

void TraceBuilder::AddressNack(std::uint8_t addr7, bool read) {
  Start();
  Address(addr7, read, false);
  Stop();
}

void TraceBuilder::AbortAfter(std::uint8_t addr7, const std::vector<std::uint8_t>& bytes) {
  Start();
  Address(addr7, false, true);
  for (std::uint8_t b : bytes) Byte(b, true);
  Stop();
}

// ---- pod byte stream --------------------------------------------------------

std::vector<std::uint8_t> EncodePodBytes(const std::vector<TraceWord>& words) {
  std::vector<std::uint8_t> out;
  out.reserve(words.size() * 4);
  for (TraceWord w : words) {
    const std::size_t n = PodWordBytes(static_cast<std::uint8_t>(w >> 24));
    for (std::size_t i = 0; i < n; ++i) out.push_back(static_cast<std::uint8_t>((w >> (24 - 8 * i)) & 0xFFu));
  }
  return out;
}

// ---- log file ---------------------------------------------------------------

LogWriter::LogWriter(const std::string& path, const std::string& createdStamp, const std::string& user)
    : path_(path) {
  if (!out_.Create(path)) throw std::runtime_error("cannot create " + path);
  Check(out_.Write(FileHeader("Log", "01.01", user, createdStamp)));
}

void LogWriter::Check(bool ok) {
  if (!ok) throw std::runtime_error("write failed: " + path_);
}

void LogWriter::Write(TraceWord w) {
  Check(out_.WriteHexLine(w));
  ++count_;
}

void LogWriter::Close(const std::string& closedStamp) {
  if (!out_.isOpen()) return;
  Check(out_.Write(ClosedLine(closedStamp)));
  Check(out_.Close());
}

// ---- value change dump ----------------------------------------------------------

namespace {
constexpr std::uint64_t kDrawnBitUs = 10;  // 100 kHz
}  // namespace

VcdBusWriter::VcdBusWriter(const std::string& path) : path_(path) {
  Check(out_.Create(path));
  Check(out_.Write("$timescale 1 us $end\n$scope module bus $end\n$var wire 1 ! SCL $end\n"
                   "$var wire 1 \" SDA $end\n$upscope $end\n$enddefinitions $end\n#0\n1!\n1\"\n"));
}

void VcdBusWriter::Set(std::uint64_t us, bool scl, bool sda) {
  if (scl == scl_ && sda == sda_) return;
  char line[48];
  int n = std::snprintf(line, sizeof line, "#%llu\n", static_cast<unsigned long long>(us));
  if (scl != scl_) n += std::snprintf(line + n, sizeof line - static_cast<std::size_t>(n), "%c!\n", scl ? '1' : '0');
  if (sda != sda_) n += std::snprintf(line + n, sizeof line - static_cast<std::size_t>(n), "%c\"\n", sda ? '1' : '0');
  scl_ = scl;
  sda_ = sda;
  Check(out_.Write(std::string_view(line, static_cast<std::size_t>(n))));
}

void VcdBusWriter::Event(TraceWord w, std::uint64_t us) {
  const std::uint64_t half = kDrawnBitUs / 2;
  if (HasStart(w) || HasStop(w)) {
    // SDA changes while SCL is high; from anything but that, SCL comes
    // down, SDA is set, SCL goes up first.
    const bool before = HasStop(w) ? false : true;
    if (!scl_ || sda_ != before) {
      Set(us - half, false, sda_);
      Set(us - half + 1, false, before);
      Set(us - 2, true, before);
    }
    Set(us, true, !before);
    return;
  }
  if (!HasByte(w)) return;
  // Nine bits end at the word's time: SCL low for half a bit (SDA set just
  // after it falls), then high.
  const std::uint64_t first = us - 9 * kDrawnBitUs;
  for (unsigned i = 0; i < 9; ++i) {
    const bool level = i < 8 ? ((w >> (7 - i)) & 1u) != 0 : (w & kNackFlag) != 0;
    const std::uint64_t at = first + i * kDrawnBitUs;
    Set(at, false, sda_);
    Set(at + 1, false, level);
    Set(at + half, true, level);
  }
}

void VcdBusWriter::Close(std::uint64_t endUs) {
  char line[32];
  const int n = std::snprintf(line, sizeof line, "#%llu\n", static_cast<unsigned long long>(endUs));
  Check(out_.Write(std::string_view(line, static_cast<std::size_t>(n))));
  Check(out_.Close());
}

void VcdBusWriter::Check(bool ok) {
  if (!ok) throw std::runtime_error("cannot write " + path_);
}

}  // namespace vantrel
