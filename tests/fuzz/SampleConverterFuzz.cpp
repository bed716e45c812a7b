// Logic analyser samples from anywhere (a capture is someone else's file):
// the converter never crashes, and the words it makes are words a pod could
// send: in time order, bytes and bits only inside a message, a wrap counted
// for every 65,536 µs (a message longer than a wrap gets the pod's idle words
// too, all but the last wrap, which its next event carries), and folded they
// are all trace words.
#include <cstdint>
#include <cstring>
#include <vector>

#include "FuzzSupport.h"
#include "pod/SampleConverter.h"
#include "tracegen/TraceGen.h"

using namespace vantrel;
using namespace vantrel::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  // Option bytes: the rate (1 kHz .. 65 MHz, and huge), bit timing, glitch.
  SampleConverterOptions o;
  const std::uint8_t rateByte = data[0];
  o.sampleRateHz = rateByte == 0xFF ? 0xFFFFFFFFFFFFull : (static_cast<std::uint64_t>(rateByte) + 1) * 257'000ull / 64;
  o.bitTiming = (data[1] & 1) != 0;
  o.glitchFraction = (data[1] >> 1) / 128.0;
  const unsigned repeat = 1u + data[2] % 16;  // each sample held this long
  data += 3;
  size -= 3;

  std::uint64_t lastTime = 0, wraps = 0;
  bool inMessage = false;
  std::vector<TraceWord> folded;
  Folder folder([&](TraceWord w) { folded.push_back(w); });
  SampleConverter c(o, [&](TraceWord w, std::uint64_t us) {
    Require(us >= lastTime, "words come in time order");
    lastTime = us;
    if (w == kWrapFlag) {
      ++wraps;
      Require(us == wraps * kWrapMicroseconds, "a wrap word at its wrap");
    } else {
      if (HasWrap(w)) ++wraps;
      Require(us / kWrapMicroseconds == wraps, "every wrap is counted once", std::to_string(us));
      if (HasByte(w) || HasBit(w)) Require(inMessage, "bytes and bits only inside a message");
      if (HasStart(w)) inMessage = true;
      if (HasStop(w)) inMessage = false;
      Require(HasStart(w) || HasStop(w) || HasByte(w) || HasBit(w), "an event word says what it is");
    }
    folder.Push(w);
  });
  // Two lines per byte of input, four samples a byte; the rest as wide samples.
  const std::size_t half = size / 2;
  for (std::size_t i = 0; i < half; ++i) {
    for (int k = 0; k < 4; ++k) {
      const bool scl = (data[i] >> (2 * k)) & 1, sda = (data[i] >> (2 * k + 1)) & 1;
      for (unsigned r = 0; r < repeat; ++r) c.Push(scl, sda);
    }
  }
  if (size - half >= 2) c.PushLogic(data + half, (size - half) / 2, 2, data[half] % 17, data[half + 1] % 17);
  c.Finish();
  for (TraceWord w : folded) Require(!IsEndCode(w), "folded, every word is a trace word");
  return 0;
}
