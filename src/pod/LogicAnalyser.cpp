#include "pod/LogicAnalyser.h"

#include <atomic>
#include <chrono>
#include <memory>

#include "common/Reports.h"
#include "common/SpoolFile.h"
#include "pod/Acquisition.h"
#include "pod/LogicCapture.h"
#include "pod/PodInterface.h"
#include "pod/PodStatus.h"
#include "pod/SampleConverter.h"
#include "pod/TraceWordAssembler.h"

namespace vantrel {

LogicAnalyserSettings gLogicAnalyser;

namespace {

constexpr const char* kTitle = "Pod Interface Report";
constexpr auto kFlushAfter = std::chrono::milliseconds(50);

std::atomic<bool> gOpen{false};
// Taken by the acquisition thread at its start.
std::atomic<bool> gBitTiming{false};
LogicAnalyserSettings gRunning;

bool OpenInterface() {
  std::string error;
  gOpen = LogicDevicePresent(gLogicAnalyser.device, error);
  return gOpen;
}

// The analyser's only port: a status that says it is there, with nothing
// waiting in a recording memory it does not have.
std::uint8_t ReadPort(std::uint16_t port) { return port == 2 && gOpen ? kPodPresent | kPodNoData : 0; }
std::uint8_t ReadStatusPort() { return ReadPort(2); }

void AcquisitionLoop() {
  SpoolRecord record{};
  std::uint32_t count = 0;
  bool storing = true;
  auto deadline = std::chrono::steady_clock::now() + kFlushAfter;
  const auto flush = [&] {
    if (count == 0 || !storing) return;
    record.SetLength(count);
    storing = acquisition::Store(record);
    count = 0;
    deadline = std::chrono::steady_clock::now() + kFlushAfter;
  };
  std::unique_ptr<SampleConverter> converter;
  int scl = -1, sda = -1;
  std::string channelError;
  LogicSource source;
  source.started = [&](std::uint64_t rate, const std::vector<std::string>& channels) {
    scl = FindChannel(channels, gRunning.scl);
    sda = FindChannel(channels, gRunning.sda);
    if (scl < 0 || sda < 0) {
      channelError = "Logic Analyser Has No Channel " + (scl < 0 ? gRunning.scl : gRunning.sda);
      return false;
    }
    SampleConverterOptions o;
    o.sampleRateHz = rate != 0 ? rate : gRunning.sampleRateHz;
    o.bitTiming = gBitTiming;
    converter = std::make_unique<SampleConverter>(o, [&](TraceWord w, std::uint64_t) {
      // The bytes the pod sends for the word, most significant first.
      const std::uint32_t n = PodWordBytes(static_cast<std::uint8_t>(w >> 24));
      for (std::uint32_t i = 0; i < n; ++i) {
        record.Payload()[count++] = static_cast<std::uint8_t>(w >> (24 - 8 * i));
        if (count == kSpoolPayload) flush();
      }
    });
    return true;
  };
  source.samples = [&](const std::uint8_t* data, std::uint64_t n, unsigned unitSize) {
    converter->PushLogic(data, n, unitSize, static_cast<unsigned>(scl), static_cast<unsigned>(sda));
    PollPodStatus();
    if (std::chrono::steady_clock::now() > deadline) flush();
  };
  source.stop = [&] { return !storing || acquisition::StopRequested(); };
  const std::string error = StreamLogicDevice(gRunning.device, gRunning.sampleRateHz, source);
  if (converter && storing && !acquisition::StopRequested()) converter->Finish();
  flush();
  if (!channelError.empty()) {
    Reports().ShowMessage(channelError, kTitle);
  } else if (!error.empty() && !acquisition::StopRequested()) {
    Reports().ShowMessage("Logic Analyser Stream Failed: " + error, kTitle);
  }
  // A played-back session has ended: the bus stays quiet until the halt.
  while (!acquisition::StopRequested()) {
    PollPodStatus();
    acquisition::Pause();
  }
}

void StopTraceThread() {
  acquisition::Stop();
  acquisition::Release();
}

void StartTraceThread() {
  if (!gOpen) return;
  gRunning = gLogicAnalyser;
  if (!acquisition::Prepare()) return;
  if (!acquisition::Start(&AcquisitionLoop)) {
    acquisition::Release();
    Reports().ShowMessage("Trace Thread Creation Failed [StartTraceThread-StopTrace]", kTitle);
  }
}

void ReleaseInterface() {
  StopTraceThread();
  gOpen = false;
}

}  // namespace

std::vector<std::string> LogicAnalyserEntries() {
  std::string error;
  if (!LogicDevicePresent(gLogicAnalyser.device, error)) return {};
  return {kLogicAnalyserEntry};
}

bool LogicAnalyserPresent(std::int32_t number) {
  std::string error;
  return number == 0 && LogicDevicePresent(gLogicAnalyser.device, error);
}

bool ListLogicAnalyser(std::vector<std::string>& lines) {
  std::string error;
  if (!LogicDevicePresent(gLogicAnalyser.device, error)) return false;
  lines.push_back(std::string(kLogicAnalyserEntry) + " " + gLogicAnalyser.device + " Available.");
  return true;
}

void InstallLogicAnalyserTransport() {
  gPod = PodInterfaceTable{
      .ReleaseInterface = &ReleaseInterface,
      .InitializePod = [](const std::string&) { return OpenInterface(); },
      .OpenInterface = &OpenInterface,
      .LoopbackTest = [] { return false; },
      .PodDetected = [] { return gOpen.load(); },
      .LoadPodConfiguration = [](const std::string&) { return gOpen.load(); },
      .StartPodTrace =
          [](bool bitTiming, bool, std::uint32_t, std::uint32_t) {
            gBitTiming = bitTiming;
            ClearPodMemoryFull();
            StartTraceThread();
          },
      .StopPodTrace = &StopTraceThread,
      .LoadTriggerPattern = [] {},
      .ReadPodByte = []() -> std::uint8_t { return 0; },
      .ReadBusLevels = [] { gBusLevels = {}; },
      .GetTraceWord = &AssembleTraceWord,
      .ReadPort = &ReadPort,
      .ReadStatusPort = &ReadStatusPort,
      .ShiftConfigNibble = [](std::uint8_t) {},
      .WritePort = [](std::uint16_t, std::uint8_t) {},
      .StartTraceThread = &StartTraceThread,
      .StopTraceThread = &StopTraceThread,
  };
}

}  // namespace vantrel
