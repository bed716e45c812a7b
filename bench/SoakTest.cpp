// A long live trace, as a user leaves one running: the simulator transport,
// the software pod recording a fully loaded 400 kHz bus on the wall clock (the
// host must keep up or the pod's memory fills), the display on, a log file and
// a display file written. Every minute it prints a sample line; at the end it
// halts as the Halt button does and prints what the pod recorded and what the
// host read from it, by the time Halt was pressed and in all (the acquisition
// thread reads on until the halt stops it, after the parser thread ended).
// scripts/soak runs it and checks the files.
//
// Usage: soak_test SECONDS OUTDIR
//          writes OUTDIR/soak.log and OUTDIR/soak.txt; prints, each a line,
//          "sample elapsed_s=.. rss_kb=.. log_words=.. lines=.. cpu_s=.. ..."
//          every 60 s, "thread ..." lines just before the halt and a last
//          "result ..." line.
//        soak_test --words BYTES
//          prints the words a log holds for the first BYTES the pod gave the
//          host (the scenario replayed from its start, idle words folded as
//          the host folds them), one 8-digit word a line.
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/HeadlessMainWindow.h"
#include "common/Hex.h"
#include "decode/TraceWord.h"
#include "pipeline/MessageTables.h"
#include "pipeline/TraceControl.h"
#include "pipeline/TraceState.h"
#include "pod/PodCommands.h"
#include "pod/PodInterface.h"
#include "pod/PodStatus.h"
#include "pod/SimulatorTransport.h"
#include "pod/SoftwarePod.h"
#include "settings/Settings.h"
#include "tracegen/Scenarios.h"
#include "ResidentMemory.h"

using namespace vantrel;

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kSamplePeriod = std::chrono::seconds(60);
constexpr std::size_t kPodMemoryBytes = 8u << 20;
constexpr std::uintmax_t kLogWordLineBytes = 10;  // 8 digits and CR LF

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct ThreadCpu {
  int tid = 0;
  int nice = 0;
  double seconds = 0;  // user + system
};

std::vector<ThreadCpu> ThreadsCpu() {
  std::vector<ThreadCpu> out;
  const double tick = static_cast<double>(::sysconf(_SC_CLK_TCK));
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task", ec)) {
    std::ifstream stat(entry.path() / "stat");
    std::string text;
    std::getline(stat, text);
    const auto close = text.rfind(')');
    if (close == std::string::npos) continue;
    // Fields after the name: state is field 3, utime 14, stime 15, nice 19.
    std::istringstream rest(text.substr(close + 2));
    std::vector<std::string> f;
    for (std::string s; rest >> s;) f.push_back(s);
    if (f.size() < 17) continue;
    ThreadCpu t;
    t.tid = std::atoi(entry.path().filename().c_str());
    t.seconds = (std::atof(f[11].c_str()) + std::atof(f[12].c_str())) / tick;
    t.nice = std::atoi(f[16].c_str());
    out.push_back(t);
  }
  return out;
}

std::uintmax_t FileBytes(const std::string& name) {
  std::error_code ec;
  const auto n = std::filesystem::file_size(name, ec);
  return ec ? 0 : n;
}

// The pod's counts as the halt leaves them: the halt's reconfiguration clears
// the pod, so they are taken on the way into the release, after the
// acquisition thread stopped reading.
SoftwarePod* gSoakPod = nullptr;
void (*gRelease)() = nullptr;
std::uint64_t gBytesRead = 0, gBytesRecorded = 0;
bool gMemoryFilled = false;
std::atomic<std::uint64_t> gBytesReadAtHalt{0};  // when the Halt button was pressed

void ReleaseCountingPod() {
  const SoftwarePod::State s = gSoakPod->Snapshot();
  if (s.bytesRead > gBytesRead) {
    gBytesRead = s.bytesRead;
    gBytesRecorded = s.bytesRecorded;
  }
  gMemoryFilled = gMemoryFilled || s.memoryFull;
  gRelease();
}

// The words a log of the first `bytes` the pod gave holds, as the pod records
// them: the scenario from its start, the wraps passed flushed after each
// cycle. Fails when the bytes end inside a word (the words before it are
// printed) or the bus went quiet (the pod then paces the quiet on the clock,
// which this cannot repeat).
int PrintWords(std::uint64_t bytes) {
  std::vector<char> out(1u << 20);
  std::size_t len = 0;
  auto put = [&](TraceWord w) {
    if (out.size() - len < 9) {
      std::fwrite(out.data(), 1, len, stdout);
      len = 0;
    }
    FormatHex(out.data() + len, w, 8);
    out[len + 8] = '\n';
    len += 9;
  };
  Folder folder(put);
  std::uint64_t taken = 0;
  bool split = false;  // the bytes end inside a word, which is left out
  TraceBuilder bus(BusTiming{}, [&](TraceWord w) {
    if (taken >= bytes) return;
    const std::uint64_t n = PodWordBytes(static_cast<std::uint8_t>(w >> 24));
    split = taken + n > bytes;
    taken = split ? bytes : taken + n;
    if (!split) folder.Push(w);
  });
  BusScenario scenario = LoadedBus400kScenario();
  bool quiet = false;
  while (taken < bytes && !quiet) {
    const std::uint64_t before = bus.NowUs();
    scenario(bus);
    bus.Idle(0);
    quiet = bus.NowUs() == before;
  }
  std::fwrite(out.data(), 1, len, stdout);
  if (std::fflush(stdout) != 0) return 1;
  if (quiet) {
    std::fprintf(stderr, "soak_test: the scenario went quiet\n");
    return 1;
  }
  if (split) {
    std::fprintf(stderr, "soak_test: %llu bytes end inside a word\n", static_cast<unsigned long long>(bytes));
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--words") == 0) return PrintWords(std::strtoull(argv[2], nullptr, 10));
  if (argc != 3) {
    std::fprintf(stderr, "usage: soak_test SECONDS OUTDIR | soak_test --words BYTES\n");
    return 2;
  }
  const double seconds = std::atof(argv[1]);
  const std::string dir = argv[2];
  const std::string logName = dir + "/soak.log", displayName = dir + "/soak.txt";
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  std::filesystem::remove(logName, ec);
  std::filesystem::remove(displayName, ec);
  std::setvbuf(stdout, nullptr, _IOLBF, 0);

  HeadlessMainWindow window;
  window.keepDisplay = false;
  window.realWaits = false;
  window.userName = "soak";
  CreatePodStatusMutex();
  ConnectDecoder();
  RestoreDefaultSettings();
  PodWait = [](int) {};
  gSpoolChoice.deviceItem = 0;
  gSpoolChoice.bufferSizeItem = 3;  // 1 MB
  gTraceOptions.EnableTraceDisplay = true;
  gTraceOptions.EnableBitTiming = false;
  gTraceFiles.logWriteName = logName;
  gTraceFiles.displayFileName = displayName;

  SoftwarePod pod(LoadedBus400kScenario(), {.memoryBytes = kPodMemoryBytes, .wallClock = true});
  AttachSimulatedPod(&pod);
  InstallSimulatorTransport();
  gSoakPod = &pod;
  gRelease = gPod.ReleaseInterface;
  gPod.ReleaseInterface = &ReleaseCountingPod;
  gPodSelection.configPath = VANTREL_POD_IMAGE;  // the halt configures the pod again
  PodInitialized = gPod.InitializePod(VANTREL_POD_IMAGE);
  if (!PodInitialized) {
    std::fprintf(stderr, "soak_test: the pod did not take its configuration\n");
    return 1;
  }

  std::atomic<std::uint64_t> lines{0};
  window.onDisplayLine = [&](std::string_view, bool message) {
    if (message) lines.fetch_add(1, std::memory_order_relaxed);
  };

  const auto start = Clock::now();
  const double cpu0 = CpuSeconds();
  TraceButtonClick();
  const std::uintmax_t logHeaderBytes = FileBytes(logName);  // the header is flushed at creation
  auto sample = [&] {
    const SoftwarePod::State s = pod.Snapshot();
    const std::uintmax_t logBytes = FileBytes(logName);
    std::printf("sample elapsed_s=%.0f rss_kb=%ld log_words=%ju lines=%ju cpu_s=%.1f pod_bytes_read=%ju "
                "pod_memory_used=%zu pod_memory_full=%d\n",
                std::chrono::duration<double>(Clock::now() - start).count(), RssKb(),
                logBytes > logHeaderBytes ? (logBytes - logHeaderBytes) / kLogWordLineBytes : 0,
                static_cast<std::uintmax_t>(lines.load()), CpuSeconds() - cpu0,
                static_cast<std::uintmax_t>(s.bytesRead), s.memoryUsed, s.memoryFull ? 1 : 0);
  };

  std::mutex stopMutex;  // guards stop
  std::condition_variable stopWake;
  bool stop = false;
  std::thread sampler([&] {
    const int self = static_cast<int>(::gettid());
    const auto end = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    auto next = start + kSamplePeriod;
    std::unique_lock lock(stopMutex);
    for (;;) {
      const auto until = std::min(next, end);
      if (stopWake.wait_until(lock, until, [&] { return stop; })) return;
      if (until != end) {
        sample();
        next += kSamplePeriod;
        continue;
      }
      // The trace's threads end with the halt: their CPU time is taken now.
      const double wall = std::chrono::duration<double>(Clock::now() - start).count();
      for (const ThreadCpu& t : ThreadsCpu()) {
        const char* role = t.tid == static_cast<int>(::getpid()) ? "main"
                           : t.tid == self                       ? "sampler"
                           : t.nice > 0                          ? "parser"
                                                                 : "acquisition";
        std::printf("thread tid=%d role=%s nice=%d cpu_s=%.1f per_core=%.3f\n", t.tid, role, t.nice, t.seconds,
                    t.seconds / wall);
      }
      sample();
      window.PostToMainThread([&pod] {
        if (!gTrace.TraceRunning) return;
        gBytesReadAtHalt = pod.Snapshot().bytesRead;
        HaltButtonClick();
      });
      return;
    }
  });

  window.Run();
  {
    std::lock_guard lock(stopMutex);
    stop = true;
  }
  stopWake.notify_all();
  sampler.join();
  const double wall = std::chrono::duration<double>(Clock::now() - start).count();
  const double cpu = CpuSeconds() - cpu0;
  MainWindowClose();

  std::printf("result wall_s=%.1f cpu_s=%.1f cpu_per_core=%.3f rss_kb=%ld pod_bytes_read_at_halt=%ju "
              "pod_bytes_read=%ju pod_bytes_recorded=%ju pod_memory_filled=%d lines=%ju reports=%d log_bytes=%ju display_bytes=%ju\n",
              wall, cpu, cpu / wall, RssKb(), static_cast<std::uintmax_t>(gBytesReadAtHalt.load()),
              static_cast<std::uintmax_t>(gBytesRead),
              static_cast<std::uintmax_t>(gBytesRecorded), gMemoryFilled ? 1 : 0,
              static_cast<std::uintmax_t>(lines.load()), window.reports, FileBytes(logName), FileBytes(displayName));
  return window.reports > 0 || gMemoryFilled ? 1 : 0;
}
