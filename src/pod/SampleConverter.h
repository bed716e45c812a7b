// SCL/SDA samples from a logic analyser into trace words, as a pod records
// them: START when SDA falls while SCL is high, STOP when SDA rises while SCL
// is high, a byte word at the SCL rising edge of the acknowledge bit (with its
// NACK flag), optionally a bit-timing record at every SCL rising edge inside a
// message; 1 µs stamps, the pod's idle word at every counter wrap while the
// bus is quiet, and a wrap inside a message carried by the next event.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>

#include "decode/TraceWord.h"

namespace vantrel {

struct SampleConverterOptions {
  std::uint64_t sampleRateHz = 1'000'000;
  bool bitTiming = false;
  // Pulses on either line shorter than this fraction of the bus's clock
  // period are ignored (0: none). The period is measured from SCL as it runs,
  // between the bits of a byte; until four are measured nothing is ignored.
  double glitchFraction = 0.0;
};

class SampleConverter {
 public:
  // `out` gets each pod word with its time in µs since the first sample.
  using Sink = std::function<void(TraceWord word, std::uint64_t timeUs)>;
  SampleConverter(const SampleConverterOptions& options, Sink out);

  // The next sample's levels.
  void Push(bool scl, bool sda);
  // `count` samples of `unitSize` bytes each (little-endian channel bits, as
  // logic analysers deliver them), SCL and SDA at the given channel indices.
  void PushLogic(const std::uint8_t* data, std::uint64_t count, unsigned unitSize, unsigned sclChannel,
                 unsigned sdaChannel);
  // The capture ended: edges still held by the glitch filter are taken, and
  // the idle words of a quiet bus up to the last sample are sent.
  void Finish();

  std::uint64_t Samples() const { return sample_; }
  std::uint64_t Words() const { return words_; }
  // The measured SCL period in samples; 0 until measured.
  double ClockPeriodSamples() const { return period_; }

 private:
  struct Edge {
    std::uint64_t at = 0;  // sample index of the change
    bool pending = false;
  };
  void Filtered(bool scl, bool sda);
  void Apply(std::uint64_t at, bool scl, bool sda);
  void Emit(TraceWord flags, std::uint64_t at);
  void FlushIdle(std::uint64_t at);
  std::uint64_t Micros(std::uint64_t at) const;
  void MeasureClock(std::uint64_t at);

  SampleConverterOptions options_;
  Sink out_;
  std::uint64_t sample_ = 0;
  std::uint64_t words_ = 0;
  // Levels as taken (after the glitch filter) and as last seen.
  bool scl_ = true, sda_ = true;
  bool rawScl_ = true, rawSda_ = true;
  bool started_ = false;  // the first sample has set the levels
  Edge sclEdge_, sdaEdge_;
  // The bus as the pod sees it.
  bool inMessage_ = false;
  unsigned bits_ = 0;
  struct {
    std::uint64_t at = 0;
    bool value = false;
    bool held = false;
  } heldBit_;  // a data bit's record, sent once SCL falls
  std::uint8_t byte_ = 0;
  std::uint64_t wraps_ = 0;
  // Clock measurement: the last SCL rising edges.
  static constexpr std::size_t kIntervals = 8;
  std::array<std::uint64_t, kIntervals> intervals_{};
  std::size_t next_ = 0;
  std::uint64_t lastRise_ = 0;
  bool haveRise_ = false;
  double period_ = 0.0;
};

}  // namespace vantrel
