#include "pod/SampleConverter.h"

#include <algorithm>
#include <array>
#include <utility>

#include "tracegen/TraceGen.h"

namespace vantrel {

SampleConverter::SampleConverter(const SampleConverterOptions& options, Sink out)
    : options_(options), out_(std::move(out)) {
  if (options_.sampleRateHz == 0) options_.sampleRateHz = 1;
}

std::uint64_t SampleConverter::Micros(std::uint64_t at) const {
  // Whole µs, as the pod stamps; split so that long captures cannot overflow.
  const std::uint64_t rate = options_.sampleRateHz;
  return at / rate * 1'000'000 + at % rate * 1'000'000 / rate;
}

void SampleConverter::FlushIdle(std::uint64_t at) {
  const std::uint64_t period = Micros(at) / kWrapMicroseconds;
  while (wraps_ < period) {
    ++wraps_;
    ++words_;
    out_(kWrapFlag, wraps_ * kWrapMicroseconds);
  }
}

void SampleConverter::Emit(TraceWord flags, std::uint64_t at) {
  StampPodEvent(flags, Micros(at), inMessage_, wraps_, [this](TraceWord w, std::uint64_t us) {
    ++words_;
    out_(w, us);
  });
}

void SampleConverter::MeasureClock(std::uint64_t at) {
  // From one bit to the next within a byte only, and the median of the last
  // few: pauses and stretched clocks don't move it.
  if (haveRise_ && bits_ > 0) {
    intervals_[next_ % intervals_.size()] = at - lastRise_;
    ++next_;
    const std::size_t n = std::min(next_, intervals_.size());
    std::array<std::uint64_t, kIntervals> sorted = intervals_;
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(n / 2),
                     sorted.begin() + static_cast<std::ptrdiff_t>(n));
    if (n >= 4) period_ = static_cast<double>(sorted[n / 2]);
  }
  lastRise_ = at;
  haveRise_ = true;
}

void SampleConverter::Apply(std::uint64_t at, bool scl, bool sda) {
  const bool sclRise = !scl_ && scl;
  const bool sdaFall = sda_ && !sda;
  const bool sdaRise = !sda_ && sda;
  const bool sclWasHigh = scl_ && scl;
  scl_ = scl;
  sda_ = sda;
  if (sclRise) {
    if (!inMessage_) return;
    MeasureClock(at);
    ++bits_;
    if (bits_ <= 8) {
      byte_ = static_cast<std::uint8_t>((byte_ << 1) | (sda ? 1u : 0u));
      // A data bit only once SCL falls again: this rise may be the one
      // before a repeated START or a STOP, which the pod records no bit for.
      if (options_.bitTiming) heldBit_ = {at, sda, true};
      return;
    }
    if (options_.bitTiming) Emit(kBitFlag | (sda ? kBitValue : 0u), at);
    Emit(kByteFlag | (sda ? kNackFlag : 0u) | byte_, at);
    bits_ = 0;
    byte_ = 0;
    return;
  }
  if (!scl && heldBit_.held) {
    heldBit_.held = false;
    Emit(kBitFlag | (heldBit_.value ? kBitValue : 0u), heldBit_.at);
  }
  if (!sclWasHigh) return;
  heldBit_.held = false;
  if (sdaFall) {
    Emit(kStartFlag, at);
    inMessage_ = true;
  } else if (sdaRise) {
    Emit(kStopFlag, at);
    inMessage_ = false;
  } else {
    return;
  }
  bits_ = 0;
  byte_ = 0;
}

void SampleConverter::Filtered(bool scl, bool sda) {
  const double threshold = options_.glitchFraction * period_;
  if (threshold < 1.0) {
    sclEdge_.pending = sdaEdge_.pending = false;
    if (scl != scl_ || sda != sda_) Apply(sample_, scl, sda);
    return;
  }
  // A change is taken, at the sample it began, once it has lasted the
  // threshold; a line back at its level before then was a glitch.
  const auto due = [&](const Edge& e) { return e.pending && static_cast<double>(sample_ - e.at) >= threshold; };
  while (due(sclEdge_) || due(sdaEdge_)) {
    const bool both = due(sclEdge_) && due(sdaEdge_) && sclEdge_.at == sdaEdge_.at;
    const bool sclFirst = due(sclEdge_) && (!due(sdaEdge_) || sclEdge_.at <= sdaEdge_.at);
    const std::uint64_t at = sclFirst ? sclEdge_.at : sdaEdge_.at;
    bool nextScl = scl_, nextSda = sda_;
    if (sclFirst || both) {
      nextScl = !scl_;
      sclEdge_.pending = false;
    }
    if (!sclFirst || both) {
      nextSda = !sda_;
      sdaEdge_.pending = false;
    }
    Apply(at, nextScl, nextSda);
  }
  const auto track = [this](Edge& e, bool raw, bool level) {
    if (raw == level) {
      e.pending = false;
    } else if (!e.pending) {
      e = {sample_, true};
    }
  };
  track(sclEdge_, scl, scl_);
  track(sdaEdge_, sda, sda_);
}

void SampleConverter::Push(bool scl, bool sda) {
  if (!started_) {
    // The capture's first levels are where the bus stands, not edges.
    scl_ = rawScl_ = scl;
    sda_ = rawSda_ = sda;
    started_ = true;
  } else if (scl != rawScl_ || sda != rawSda_ || sclEdge_.pending || sdaEdge_.pending) {
    rawScl_ = scl;
    rawSda_ = sda;
    Filtered(scl, sda);
  }
  ++sample_;
}

void SampleConverter::PushLogic(const std::uint8_t* data, std::uint64_t count, unsigned unitSize,
                                unsigned sclChannel, unsigned sdaChannel) {
  if (data == nullptr || unitSize == 0 || sclChannel / 8 >= unitSize || sdaChannel / 8 >= unitSize) return;
  const std::uint8_t* scl = data + sclChannel / 8;
  const std::uint8_t* sda = data + sdaChannel / 8;
  const auto sclMask = static_cast<std::uint8_t>(1u << (sclChannel % 8));
  const auto sdaMask = static_cast<std::uint8_t>(1u << (sdaChannel % 8));
  for (std::uint64_t i = 0; i < count; ++i) {
    const std::uint64_t offset = i * unitSize;
    Push((scl[offset] & sclMask) != 0, (sda[offset] & sdaMask) != 0);
  }
}

void SampleConverter::Finish() {
  // Changes the glitch filter still holds lasted to the end: take them, in order.
  while (sclEdge_.pending || sdaEdge_.pending) {
    const bool sclFirst = sclEdge_.pending && (!sdaEdge_.pending || sclEdge_.at <= sdaEdge_.at);
    Edge& e = sclFirst ? sclEdge_ : sdaEdge_;
    e.pending = false;
    Apply(e.at, sclFirst ? !scl_ : scl_, sclFirst ? sda_ : !sda_);
  }
  if (!inMessage_ && sample_ > 0) FlushIdle(sample_ - 1);
}

}  // namespace vantrel
