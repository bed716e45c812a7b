// The pod's byte stream back into trace words: what both transports install
// as the pod table's GetTraceWord. Parser thread only.
#pragma once
#include <cstdint>

#include "common/CircularBuffer.h"

namespace vantrel {

// Payload bytes waiting to be assembled (1000 bytes); created by trace start,
// filled by the parser thread from spool records.
extern CircularBuffer ByteFifo;

// The next trace word from ByteFifo, or 0 until all of its bytes are
// buffered (1, 3 or 4, as its first byte tells).
std::uint32_t AssembleTraceWord();

}  // namespace vantrel
