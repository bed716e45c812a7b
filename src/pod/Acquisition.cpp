#include "pod/Acquisition.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#if defined(__linux__)
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

#include "common/Reports.h"
#include "common/TimedMutex.h"
#include "pod/PodStatus.h"

namespace vantrel::acquisition {
namespace {

using namespace std::chrono_literals;
constexpr auto kWait = 100ms;
constexpr auto kPause = 10ms;
constexpr const char* kTitle = "Pod Interface Report";

std::unique_ptr<TimedMutex> gTraceMutex;  // guards gStopRequested
bool gStopRequested = false;
std::thread gThread;
std::atomic<bool> gHolding{false};

// The thread's end, for the polls of Stop, and the wake-up of its pauses.
std::mutex gEndMutex;
std::condition_variable gEnded;
bool gFinished = true;
bool gWake = false;

void SetHighestPriority() {
#if defined(__linux__)
  // Raising a thread's priority needs privileges most users lack; the parser
  // thread runs two steps below normal either way.
  const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
  (void)::setpriority(PRIO_PROCESS, tid, -2);
#endif
}

bool OpenSpool() {
  const std::uint32_t records = gSpool.sizeBytes / kSpoolRecordSize;
  if (gSpool.device == SpoolDevice::Disk) return SpoolFile::Open(kSpoolFileName, records);
  return RamSpool.Create(records, kSpoolRecordSize);
}

void ReleaseSpool() {
  if (SpoolFile::IsOpen()) (void)SpoolFile::Close();
  RamSpool.Destroy();
}

}  // namespace

bool Prepare() {
  gStopRequested = false;
  gHolding = false;
  SetPodAlive();
  gTraceMutex = std::make_unique<TimedMutex>();
  if (!OpenSpool()) {
    gTraceMutex.reset();
    Reports().ShowMessage(gSpool.device == SpoolDevice::Disk ? "Trace Spool File Open Failure [StartTraceThread]"
                                                             : "Trace Spool Buffer Allocation Failure",
                          kTitle);
    return false;
  }
  return true;
}

bool Start(void (*loop)()) {
  if (Running()) return false;
  if (gThread.joinable()) gThread.join();
  {
    std::lock_guard lock(gEndMutex);
    gFinished = false;
    gWake = false;
  }
  try {
    gThread = std::thread([loop] {
      SetHighestPriority();
      loop();
      gHolding = false;  // a stop may have come while a record was filled
      std::lock_guard lock(gEndMutex);
      gFinished = true;
      gEnded.notify_all();
    });
  } catch (const std::exception&) {
    std::lock_guard lock(gEndMutex);
    gFinished = true;
    return false;
  }
  return true;
}

bool Running() {
  std::lock_guard lock(gEndMutex);
  return !gFinished;
}

void Stop() {
  if (!gThread.joinable()) return;
  TimedMutex* m = gTraceMutex.get();
  if (m != nullptr && m->try_lock_for(kWait)) {
    gStopRequested = true;
    m->unlock();
  }
  bool ended = false;
  {
    std::unique_lock lock(gEndMutex);
    gWake = true;
    gEnded.notify_all();
    gEnded.wait_for(lock, kWait, [] { return gFinished; });
    for (int poll = 0; poll < 10 && !gFinished; ++poll) gEnded.wait_for(lock, kWait);
    ended = gFinished;
  }
  if (ended) {
    gThread.join();
  } else {
    // Let go rather than block the program; TraceMutex stays alive for it.
    gThread.detach();
    (void)gTraceMutex.release();
  }
}

void Release() {
  gTraceMutex.reset();
  ReleaseSpool();
}

bool StopRequested() {
  TimedMutex* m = gTraceMutex.get();
  if (m == nullptr || !m->try_lock_for(kWait)) return true;
  const bool stop = gStopRequested;
  m->unlock();
  return stop;
}

void Pause() {
  std::unique_lock lock(gEndMutex);
  gEnded.wait_for(lock, kPause, [] { return gWake; });
}

void HoldBytes() { gHolding = true; }

bool HoldingBytes() { return gHolding; }

bool Store(const SpoolRecord& record) {
  // Held from here at the latest: the polls below may find the pod gone.
  gHolding = true;
  for (;;) {
    const bool stored = gSpool.device == SpoolDevice::Disk ? SpoolFile::WriteRecord(record)
                                                           : RamSpool.Write(record.bytes, 1);
    if (stored || StopRequested()) {
      gHolding = false;
      return stored;
    }
    PollPodStatus();
    Pause();
  }
}

}  // namespace vantrel::acquisition
