#include "pod/TraceWordAssembler.h"

#include "decode/TraceWord.h"

namespace vantrel {

CircularBuffer ByteFifo;

std::uint32_t AssembleTraceWord() {
  // A word is taken as soon as all of its own bytes are here: waiting for four
  // would strand the last short words of a capture (often its final STOP).
  std::uint8_t b[4];
  if (!ByteFifo.Peek(&b[0])) return kNoWord;
  const std::uint32_t length = PodWordBytes(b[0]);
  if (!ByteFifo.ReadN(b, length)) return kNoWord;
  std::uint32_t w = 0;
  for (std::uint32_t i = 0; i < length; ++i) w |= std::uint32_t{b[i]} << (8 * (3 - i));
  return w;
}

}  // namespace vantrel
