// The export file: the trace's messages as packets for a network analyser, in
// a pcapng file with the Linux I2C link type (209). Opened at trace start and
// closed at halt, like the display file, and fed every message the decoder
// completes, shown or filtered: filters choose what the display shows, the
// export keeps the bus. Nothing is exported while the trace display is
// disabled or the protocol is RAW, as nothing is decoded then.
//
// The file holds one section header, one interface (link type 209, time in
// microseconds) and one packet per segment of a message: its START or
// repeated START, the address byte and the bytes after it, in the order they
// crossed the bus. The link type gives each packet one direction, so a
// write-then-read message is two packets. Each packet is stamped with the
// running time of its own START (the message's START for the first) since the
// trace's first START, as µs since 1970-01-01 00:00:00 UTC.
//
// A packet's data is the link type's 5-byte pseudo-header (bus 0 and no event
// in the first byte; the flags, big-endian: 0x0001 read, 0x4000 no START)
// followed by the bytes. The format has no acknowledge, so every packet
// carries a comment: "Msg N", then ", NACK at byte K" (or "bytes K, L"), K
// counted from 1 at the address byte, and ", no START" for bytes that
// followed a STOP without one. A START with no byte after it gives no packet.
// The decoder hands on at most a message's first 999 words: past them the
// last packet holds the bytes it saw, and its original length counts the
// rest of the message's bytes (repeated STARTs among them count as bytes).
//
// Main thread only. Failures are reported as "Export Error"; a failed write
// closes the file and the trace goes on.
#pragma once
#include <atomic>
#include <string>

#include "decode/DecoderServices.h"

namespace vantrel::PcapngFile {

// Set while a file is open.
extern std::atomic<bool> PcapngFileOpen;

// Trace start. Writes the section header and the interface. retryCounter 1
// asks before replacing a file (a lost-pod retry already has the answer).
// false, reported, when the file cannot be made.
bool Create(const std::string& name, int retryCounter);
// The decoder's output (every completed message). Does nothing unless open.
void WriteMessage(const CompletedMessage& message);
// Halt: flushes and closes.
void Close();

}  // namespace vantrel::PcapngFile
