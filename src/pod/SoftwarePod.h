// A pod in software: the state machine behind the three pod ports that answers
// exactly the port sequences the host sends (command and data writes, data and
// trace byte reads, configuration, release), records a bus scenario into a
// bounded recording memory while a trace runs, and can be unplugged, plugged
// back, jumpered for the loopback test and made to fill its memory. Tests,
// benchmarks and the pod simulator drive it through a transport's ports.
//
// Ports (only bits 4..7 of a port 2 write reach the pod, the control nibble;
// a port 2 read gives the status in bits 0..3):
//   port 0 write: the data lines to the pod; port 1 read: the pod's data byte;
//   port 2 write: control; port 2 read: status.
// Control nibble bits: bit 4 (0x10) and bit 5 (0x20) both low = configuration
// reset (the image is cleared, the pod configures again: nibbles 0x0, 0x4,
// 0x8, 0xC, so the release sequence's 0x00 unconfigures the pod too);
// bit 5 = write strobe, acted on at its rising edge while bit 4 is high;
// bit 7 = what a write strobe writes: 0 a command (register select), 1 data;
// bit 6 = read strobe, low while the host reads port 1; in trace mode its
// rising edge takes the trace byte just read.
// While configuring, a write strobe shifts bit 0 of port 0 into the image.
// The pod drives port 1 only while the read strobe is low and it is
// configured; otherwise port 1 reads 0. Until configured it takes no command
// or data.
//
// Status: kPodPresent once configured with a valid image (and plugged in),
// kPodNoData while the recording memory is empty, kPodMemoryFull once it
// filled (recording stops then), kPodConfiguring while it takes image bits.
//
// Recording: the scenario is copied at each start, so every trace replays it
// from its beginning, at Options::bitRateHz until the scenario sets its own.
// With wallClock the pod has no thread: each port access first records what
// the bus did between the start and now, and a word due when the memory has
// no room for it fills the memory. Without wallClock the bus runs as fast as
// the memory is read: each access tops the memory up, and it never fills.
//
// Registers (a command selects one; data writes go to it):
//   0x01 go: recording starts (at once, or at Trigger In when armed so);
//        selected, data reads give the recording memory's bytes;
//   0x02 trigger code (0x00, 0x08, 0x10, 0x20, 0x40, 0x80) and, in its low
//        bits, the level input select: 1 reference, 3 bus supply, 5 SCL,
//        7 SDA, 6 off; data reads return the selected level (8 bits);
//   0x04 control: 0x01 clear the recording memory, 0x08 stop recording,
//        flags 0x04 bit timing, 0x40 start at once, 0x80 start on Trigger In;
//   0x08 threshold (hundredths of a volt);
//   0x4n/0x8n/0xCn the pattern, don't-care and position memories: bit 4
//        (0x50, 0x90, 0xD0) resets the address, bit 5 (0x60, 0xA0, 0xE0)
//        stores the data last written and advances it (16 bytes each).
// Trace data leaves the pod as its words of 1, 3 or 4 bytes, most
// significant first (PodWordBytes).
//
// Thread safety: every public member may be called from any thread; one
// internal mutex guards the whole state, never held while the scenario runs.
#pragma once
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tracegen/TraceGen.h"

namespace vantrel {

// The pod configuration image ("Vantrel.pod"): lowercase hexadecimal digits
// of the image bytes, then a line end. Image bytes: "VPOD", version 1, the
// payload length (16 bits, big-endian), the payload, and a CRC-16 (CCITT,
// initial 0xFFFF, big-endian) of everything before it. The pod takes exactly
// as many bits as the header announces, then checks the CRC.
struct PodImage {
  static std::vector<std::uint8_t> Make(std::size_t payloadBytes);  // deterministic payload
  static std::string ToFileText(const std::vector<std::uint8_t>& image);  // hex digits + "\r\n"
};

class SoftwarePod {
 public:
  struct Options {
    std::size_t memoryBytes = 1u << 20;  // recording memory
    bool wallClock = true;  // record the scenario as time passes; false: as fast as it is read
    std::uint32_t bitRateHz = 100000;  // until the scenario sets its own
  };
  explicit SoftwarePod(BusScenario scenario);
  SoftwarePod(BusScenario scenario, Options options);
  ~SoftwarePod();
  SoftwarePod(const SoftwarePod&) = delete;
  SoftwarePod& operator=(const SoftwarePod&) = delete;

  // The ports, as a transport drives them.
  void WritePort(std::uint16_t port, std::uint8_t value);
  std::uint8_t ReadPort(std::uint16_t port);

  // The world around the pod.
  void Unplug();     // every read gives 0 until plugged back
  void UnplugFor(std::chrono::milliseconds away);  // plugged back by itself after `away`
  void PlugIn();     // powered up again: unconfigured
  void SetLoopbackJumper(bool on);  // cable jumpered: status bit 0 reads control bit 4
  void TriggerIn();  // the Trigger In line goes low
  void FillMemory();  // the recording memory is full from now on
  void SetScenario(BusScenario scenario);  // from the next trace start on

  // What the pod holds, for tests and the bus status viewer.
  struct State {
    bool plugged = true, jumpered = false;
    bool configured = false, configuring = false, recording = false, armedForTrigger = false;
    bool bitTiming = false;
    std::uint8_t threshold = 0, trigCode = 0;
    std::uint8_t pattern[16] = {}, dontCare[16] = {}, position[16] = {};
    std::size_t memoryUsed = 0;
    std::uint64_t bytesRecorded = 0, bytesRead = 0;
    bool memoryFull = false;
  };
  State Snapshot();

  // Every port access, in order, while recording is on (off by default).
  struct Access {
    bool write;
    std::uint16_t port;
    std::uint8_t value;
    bool operator==(const Access&) const = default;
  };
  void RecordAccesses(bool on);
  std::vector<Access> TakeAccesses();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace vantrel
