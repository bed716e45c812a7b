// Synthetic bus traffic: builds the word stream a capture pod would send for a
// described sequence of I2C/SMBus messages, folds it the way the host's parser
// thread does, and writes it as a log file. Used by tests, benchmarks and the
// example generator.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "common/TextFile.h"
#include "decode/TraceWord.h"

namespace vantrel {

using WordSink = std::function<void(TraceWord)>;
// A pod word with its time in µs since the start of the trace; an idle word
// comes at its wrap instant.
using TimedWordSink = std::function<void(TraceWord, std::uint64_t timeUs)>;

// The pod's own idle word, sent once per counter wrap while the bus is quiet.
// Its count bits are 0: the parser thread counts these words and emits its own.
inline constexpr TraceWord kPodIdleWord = kWrapFlag;

// Applies the parser thread's idle folding to a stream of pod words (an
// independent restatement of it, so that tests can hold the two against each
// other): runs of
// idle words become counted idle words (at most 101 each), and the wrap-instant
// stamp 0xFFFF on an event word is cleared. A count still pending when the
// stream ends is dropped, as the parser thread drops it.
class Folder {
 public:
  explicit Folder(WordSink out) : out_(std::move(out)) {}
  void Push(TraceWord w);
  std::uint32_t Pending() const { return pending_; }

 private:
  WordSink out_;
  std::uint32_t pending_ = 0;
};

std::vector<TraceWord> Fold(const std::vector<TraceWord>& podWords);

// An event as the pod records it at `us` µs since the trace start: first the
// pod's idle word for each counter wrap since the last one sent (`wraps`
// counts them), except that a wrap inside a message is not sent on its own:
// the event carries it (wrap flag, stamp 0xFFFF) and counts as happening at
// the wrap. `put(word, us)` gets each word.
template <typename Put>
void StampPodEvent(TraceWord flags, std::uint64_t us, bool inMessage, std::uint64_t& wraps, Put&& put) {
  const std::uint64_t period = us / kWrapMicroseconds;
  bool atWrap = false;
  while (wraps < period) {
    ++wraps;
    if (inMessage && wraps == period) {
      atWrap = true;
      us = wraps * kWrapMicroseconds;
    } else {
      put(kPodIdleWord, wraps * kWrapMicroseconds);
    }
  }
  put(atWrap ? (flags | kWrapFlag | kStampMask) : (flags | static_cast<TraceWord>((us % kWrapMicroseconds) << 8)), us);
}

struct BusTiming {
  std::uint32_t bitRateHz = 100000;
  bool bitTiming = false;  // the pod also sends one record per data bit
};

// One bus event as placed by the builder: the word as the pod sends it and its
// time in µs since the start of the trace.
struct BusEvent {
  TraceWord word;
  std::uint64_t timeUs;
};

// How a convenience message goes wrong or is protected.
struct MessageOptions {
  bool pec = false;            // append a packet error code
  std::uint8_t pecError = 0;   // xor'ed into the code: non-zero sends a wrong one
  // Wire positions of bytes that are NACKed, counting every byte of the message
  // from 0 (the first address byte), across the repeated start. The message
  // ends with a STOP right after such a byte.
  std::vector<std::size_t> nackAt = {};
  bool stop = true;            // false leaves the message open
};

// Builds a trace from bus-level steps. The clock runs in nanoseconds so that
// 400 kHz bit times stay exact; events are stamped in whole µs.
//
// Without a sink the builder keeps the pod words and the events for
// inspection; with a sink it keeps nothing and can stream any length.
class TraceBuilder {
 public:
  explicit TraceBuilder(BusTiming timing = {});
  TraceBuilder(BusTiming timing, WordSink podSink);
  TraceBuilder(BusTiming timing, TimedWordSink podSink);

  void SetTiming(BusTiming timing);
  const BusTiming& Timing() const { return timing_; }

  // Low-level steps. Start() inside an open message is a repeated start.
  void Start();
  void Address(std::uint8_t addr7, bool read, bool ack = true);
  void Byte(std::uint8_t b, bool ack = true);
  // The packet error code over every byte since the message's first START.
  void Pec(bool ack = true, std::uint8_t error = 0);
  // A byte cut off after `bits` data bits: bit records only, no byte word.
  void PartialByte(std::uint8_t b, unsigned bits);
  void Stop();
  // Quiet bus: time passes and the idle words for it are sent now.
  void Idle(std::uint64_t us);
  void IdleUntil(std::uint64_t us);
  // Time passes without any event (e.g. a stretched clock inside a message).
  void Gap(std::uint64_t us);

  // Whole messages.
  void Write(std::uint8_t addr7, const std::vector<std::uint8_t>& bytes, const MessageOptions& opt = {});
  // Write `cmd`, repeated start, read `data`; the master NACKs the last byte.
  void Read(std::uint8_t addr7, const std::vector<std::uint8_t>& cmd, const std::vector<std::uint8_t>& data,
            const MessageOptions& opt = {});
  // A read with no command phase (sequential read, alert response).
  void ReadOnly(std::uint8_t addr7, const std::vector<std::uint8_t>& data, const MessageOptions& opt = {});

  // SMBus protocols, words little-endian.
  void WriteWord(std::uint8_t addr7, std::uint8_t cmd, std::uint16_t value, const MessageOptions& opt = {});
  void ReadWord(std::uint8_t addr7, std::uint8_t cmd, std::uint16_t value, const MessageOptions& opt = {});
  void BlockRead(std::uint8_t addr7, std::uint8_t cmd, const std::vector<std::uint8_t>& block,
                 const MessageOptions& opt = {});

  // Aborted messages: an address nobody answers, and a message whose master
  // gives up after some bytes.
  void AddressNack(std::uint8_t addr7, bool read = false);
  void AbortAfter(std::uint8_t addr7, const std::vector<std::uint8_t>& bytes);

  std::uint64_t NowUs() const { return nowNs_ / 1000; }
  bool InMessage() const { return inMessage_; }
  std::uint8_t CurrentPec() const { return pec_; }
  std::uint64_t WordCount() const { return wordCount_; }

  // Kept only without a sink.
  const std::vector<TraceWord>& PodWords() const { return pod_; }
  std::vector<TraceWord> FoldedWords() const { return Fold(pod_); }
  const std::vector<BusEvent>& Events() const { return events_; }

 private:
  std::uint64_t BitNs() const;
  void Emit(TraceWord flags, std::uint64_t timeNs);
  void Put(TraceWord w, std::uint64_t timeUs);
  void FlushIdle();
  void SendByte(std::uint8_t b, bool ack);
  // One byte of a convenience message at wire position pos (then advanced);
  // false when it was NACKed and the message has been ended.
  bool SendChecked(std::uint8_t b, std::size_t& pos, const MessageOptions& opt);
  // The read phase: the master ACKs every byte but the last.
  void ReadPhase(const std::vector<std::uint8_t>& data, std::size_t& pos, const MessageOptions& opt);

  BusTiming timing_;
  WordSink sink_;
  TimedWordSink timedSink_;
  std::uint64_t nowNs_ = 0;
  std::uint64_t wraps_ = 0;  // counter wraps already shown in the stream
  bool inMessage_ = false;
  std::uint8_t pec_ = 0;
  std::uint64_t wordCount_ = 0;
  std::vector<TraceWord> pod_;
  std::vector<BusEvent> events_;
};

// Endless bus traffic: each call appends some messages and idle time to the
// builder (see tracegen/Scenarios.h).
using BusScenario = std::function<void(TraceBuilder& bus)>;

// The pod's byte stream: each word as the bytes the pod sends for it (its
// first PodWordBytes bytes, most significant first).
std::vector<std::uint8_t> EncodePodBytes(const std::vector<TraceWord>& words);

// Writes a log file with the product's own header, word lines and closing
// line, at given stamps (so that examples come out the same every time).
// Throws std::runtime_error on I/O failure.
class LogWriter {
 public:
  LogWriter(const std::string& path, const std::string& createdStamp, const std::string& user);
  ~LogWriter() = default;  // a writer not closed leaves the log unclosed, as a cut-off capture does
  LogWriter(const LogWriter&) = delete;
  LogWriter& operator=(const LogWriter&) = delete;

  void Write(TraceWord w);
  void Close(const std::string& closedStamp);
  std::uint64_t Count() const { return count_; }

 private:
  void Check(bool ok);

  std::string path_;
  TextWriter out_;
  std::uint64_t count_ = 0;
};

// Draws a 100 kHz bus, as the builder places its events (a START, each byte
// word at the end of its acknowledge bit, a STOP), as the SCL and SDA lines
// of a value change dump sampled at 1 MHz: what a logic analyser on that bus
// would record. Bit records and idle words are not drawn. Throws
// std::runtime_error on I/O failure.
class VcdBusWriter {
 public:
  explicit VcdBusWriter(const std::string& path);
  // An event word at its µs since the trace start, in time order.
  void Event(TraceWord w, std::uint64_t us);
  void Close(std::uint64_t endUs);

 private:
  void Set(std::uint64_t us, bool scl, bool sda);
  void Check(bool ok);

  std::string path_;
  TextWriter out_;
  bool scl_ = true, sda_ = true;
};

}  // namespace vantrel
