// A scripted pod for the pipeline tests: each trace start takes the next
// script, whose acquisition thread writes the script's pod bytes to the RAM
// spool and then reports the script's final status.
#pragma once
#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "common/SpoolFile.h"
#include "pipeline/TraceControl.h"
#include "pipeline/TraceParserThread.h"
#include "pod/PodInterface.h"
#include "pod/PodStatus.h"
#include "pod/TraceWordAssembler.h"

namespace vantrel::testing {

struct PodScript {
  std::vector<std::uint8_t> bytes;  // the pod's byte stream, sent in 512-byte transfers
  std::uint8_t finalStatus = 0x07;  // after the data: present, no data, memory full
};

struct FakePod {
  static inline std::mutex mutex;  // guards scripts and the counters
  static inline std::deque<PodScript> scripts;
  static inline std::deque<bool> initializeAnswers;  // InitializePod results in turn; false once used up
  static inline int starts = 0, stops = 0, releases = 0, initializes = 0;
  static inline std::atomic<std::uint8_t> status{0x03};
  static inline std::atomic<bool> running{false};
  static inline std::thread acquisition;

  static void Install() {
    gPod = DefaultPodInterface();
    gPod.GetTraceWord = &AssembleTraceWord;
    gPod.ReadPort = [](std::uint16_t port) -> std::uint8_t { return port == 2 ? status.load() : 0; };
    gPod.StartPodTrace = [](bool, bool, std::uint32_t, std::uint32_t) {
      {
        std::lock_guard lock(mutex);
        ++starts;
      }
      gPod.StartTraceThread();
    };
    gPod.StopPodTrace = [] {
      gPod.StopTraceThread();
      std::lock_guard lock(mutex);
      ++stops;
    };
    gPod.ReleaseInterface = [] {
      std::lock_guard lock(mutex);
      ++releases;
    };
    gPod.InitializePod = [](const std::string&) {
      std::lock_guard lock(mutex);
      ++initializes;
      if (initializeAnswers.empty()) return false;
      const bool a = initializeAnswers.front();
      initializeAnswers.pop_front();
      return a;
    };
    gPod.StartTraceThread = [] {
      PodScript script;
      {
        std::lock_guard lock(mutex);
        if (!scripts.empty()) {
          script = std::move(scripts.front());
          scripts.pop_front();
        }
      }
      RamSpool.Create(gSpool.sizeBytes / kSpoolRecordSize, kSpoolRecordSize);
      status = 0x01;
      running = true;
      acquisition = std::thread([script = std::move(script)] {
        std::size_t sent = 0;
        while (running) {
          PollPodStatus();
          if (sent < script.bytes.size()) {
            SpoolRecord r{};
            const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(kSpoolPayload, script.bytes.size() - sent));
            r.SetLength(n);
            std::copy_n(script.bytes.begin() + static_cast<std::ptrdiff_t>(sent), n, r.Payload());
            if (RamSpool.Write(r.bytes, 1)) sent += n;
          } else {
            status = script.finalStatus;
          }
          std::this_thread::yield();
        }
      });
    };
    gPod.StopTraceThread = [] {
      running = false;
      if (acquisition.joinable()) acquisition.join();
      RamSpool.Destroy();
    };
  }

  static void Reset() {
    std::lock_guard lock(mutex);
    scripts.clear();
    initializeAnswers.clear();
    starts = stops = releases = initializes = 0;
    status = 0x03;
  }
};

}  // namespace vantrel::testing
