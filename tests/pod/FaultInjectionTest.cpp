// Faults injected into a live trace through real mechanisms: files that
// cannot grow (the process's file size limit) or sit on a full device, a
// spool that cannot be written or stays full, a word FIFO that overflows, a
// pod lost part way through a message, a configuration download or the bus
// status polls, a USB adapter that vanishes, and locks held past their
// waits. Each case checks what the user is told, whether the trace goes on,
// and that every word already taken from the pod is where it belongs.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <regex>
#include <thread>

#include "FileSizeLimit.h"
#include "LiveTraceSupport.h"
#include "common/SpoolFile.h"
#include "decode/DisplayOptions.h"
#include "decode/ParseAH.h"
#include "pipeline/LogFile.h"
#include "pipeline/MessageTables.h"
#include "pipeline/TraceControl.h"
#include "pipeline/TraceState.h"
#include "pod/BusStatusViewer.h"
#include "pod/PodInitialization.h"
#include "pod/PodStatus.h"
#include "settings/Settings.h"

namespace vantrel::test {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Longest any wait of these tests may take before it counts as a hang.
constexpr auto kPatience = 10s;

// ---- the pod's side of the stream ------------------------------------------

std::uint32_t WordBytes(TraceWord w) { return PodWordBytes(static_cast<std::uint8_t>(w >> 24)); }

// The words a software pod records for `scenario`, at least `bytes` of them,
// cycle by cycle as the pod's recorder runs it.
std::vector<TraceWord> PodWords(const BusScenario& scenario, std::uint64_t bytes) {
  std::vector<TraceWord> words;
  std::uint64_t total = 0;
  TraceBuilder bus(BusTiming{}, [&](TraceWord w) {
    words.push_back(w);
    total += WordBytes(w);
  });
  while (total < bytes) {
    scenario(bus);
    bus.Idle(0);
  }
  return words;
}

// The words whose bytes all lie within the first `bytes` bytes of the stream.
std::vector<TraceWord> WordsWithin(const std::vector<TraceWord>& words, std::uint64_t bytes) {
  std::vector<TraceWord> out;
  std::uint64_t at = 0;
  for (TraceWord w : words) {
    at += WordBytes(w);
    if (at > bytes) break;
    out.push_back(w);
  }
  return out;
}

// Byte offset of the end of the k-th message's address byte (k from 1): a
// pod lost there leaves that message without its data and STOP.
std::uint64_t AfterAddressOf(const std::vector<TraceWord>& words, int k) {
  std::uint64_t at = 0;
  int starts = 0;
  bool started = false;
  for (TraceWord w : words) {
    at += WordBytes(w);
    if (HasStart(w) && !started) {
      started = true;
      ++starts;
    } else if (started && HasByte(w)) {
      if (starts == k) return at;
      started = false;
    }
    if (HasStop(w)) started = false;
  }
  return 0;
}

// What a log holds when read back with the log reader.
struct ReadBack {
  std::vector<TraceWord> words;
  std::vector<std::string> comments;  // the header lines, shown by a replay
  std::vector<std::string> reports;   // of the reader
  bool closed = false;                // ends with its ";Closed:" line
};

// "xs is the first xs.size() elements of ys"
template <typename T>
::testing::AssertionResult IsPrefix(const std::vector<T>& xs, const std::vector<T>& ys) {
  if (xs.size() > ys.size()) return ::testing::AssertionFailure() << xs.size() << " elements, more than " << ys.size();
  for (std::size_t i = 0; i < xs.size(); ++i) {
    if (!(xs[i] == ys[i])) return ::testing::AssertionFailure() << "element " << i << " differs";
  }
  return ::testing::AssertionSuccess();
}

// Folded words equal `expected` but for an idle run still being counted when
// the trace stopped (the parser thread never emits that one).
::testing::AssertionResult SameWords(const std::vector<TraceWord>& logged, const std::vector<TraceWord>& expected) {
  std::vector<TraceWord> want = expected;
  if (logged.size() + 1 == want.size() && IsWrapRecord(want.back())) want.pop_back();
  if (logged == want) return ::testing::AssertionSuccess();
  auto failure = ::testing::AssertionFailure() << logged.size() << " words logged, " << want.size() << " taken from the pod";
  for (std::size_t i = 0; i < std::min(logged.size(), want.size()); ++i) {
    if (logged[i] != want[i]) return failure << "; first difference at word " << i;
  }
  return failure;
}

// ---- injection --------------------------------------------------------------

// The descriptor this process has open on `path`, or -1.
int DescriptorOf(const fs::path& path) {
  const fs::path target = fs::canonical(path);
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator("/proc/self/fd", ec)) {
    std::error_code linkError;
    const fs::path link = fs::read_symlink(entry.path(), linkError);
    if (!linkError && link == target) return std::stoi(entry.path().filename().string());
  }
  return -1;
}

// A file the program holds open whose later writes go to /dev/full
// (ENOSPC), until SpaceBack while the program still holds it.
class FullDisk {
 public:
  explicit FullDisk(const fs::path& path) : fd_(DescriptorOf(path)) {
    if (fd_ < 0) return;
    saved_ = ::dup(fd_);
    const int full = ::open("/dev/full", O_WRONLY);
    ok_ = saved_ >= 0 && full >= 0 && ::dup2(full, fd_) == fd_;
    if (full >= 0) ::close(full);
  }
  ~FullDisk() {
    if (saved_ >= 0) ::close(saved_);
  }
  FullDisk(const FullDisk&) = delete;
  FullDisk& operator=(const FullDisk&) = delete;
  // Only while the program still holds the file: a descriptor it closed is
  // not opened again behind its back.
  void SpaceBack() {
    struct stat now {}, full {};
    if (ok_ && ::fstat(fd_, &now) == 0 && ::stat("/dev/full", &full) == 0 && S_ISCHR(now.st_mode) &&
        now.st_rdev == full.st_rdev)
      ::dup2(saved_, fd_);
    ok_ = false;
  }
  bool ok() const { return ok_; }

 private:
  int fd_ = -1, saved_ = -1;
  bool ok_ = false;
};

// The disk spool is made in the working folder: a test's own for a while, so
// that tests running side by side never share one.
class WorkingFolder {
 public:
  explicit WorkingFolder(const fs::path& dir) : previous_(fs::current_path()) { fs::current_path(dir); }
  ~WorkingFolder() { fs::current_path(previous_); }
  WorkingFolder(const WorkingFolder&) = delete;
  WorkingFolder& operator=(const WorkingFolder&) = delete;

 private:
  fs::path previous_;
};

// The board's lines with a hand on them: every port access of the board
// transport passes here on its way to the pod, from whichever thread makes
// it. Set the hooks while no trace runs.
struct Lines {
  static inline SoftwarePod* pod = nullptr;
  static inline std::thread::id mainThread;
  // Trace bytes read by the acquisition thread: each one leaves the pod.
  static inline std::atomic<std::uint64_t> traceBytes{0};
  // Status looks of the acquisition thread since it last read a trace byte.
  static inline std::atomic<int> looksWithoutBytes{0};
  static inline std::function<void(std::uint16_t port, std::uint8_t value)> beforeWrite;
  static inline std::function<void(std::uint16_t port)> beforeRead;
  static void Clear() {
    beforeWrite = nullptr;
    beforeRead = nullptr;
  }
};

// ---- the fixture ------------------------------------------------------------

class FaultInjectionTest : public LiveTest {
 protected:
  void SetUp() override {
    LiveTest::SetUp();
    mainThread_ = std::this_thread::get_id();
    StartProgram();
  }
  void TearDown() override {
    // The hooks may hold the test body's locals, gone by now.
    Lines::Clear();
    LiveTest::TearDown();
    Lines::pod = nullptr;
  }

  // The software pod behind the board transport, its lines through Lines,
  // configured.
  void ConnectBoard() {
    Connect(Transport::Board);
    Lines::pod = pod_.get();
    Lines::mainThread = mainThread_;
    Lines::traceBytes = 0;
    Lines::looksWithoutBytes = 0;
    static const VantrelStandInLines lines{
        [](void*, std::uint16_t port, std::uint8_t v) {
          if (Lines::beforeWrite) Lines::beforeWrite(port, v);
          Lines::pod->WritePort(port, v);
        },
        [](void*, std::uint16_t port) {
          if (Lines::beforeRead) Lines::beforeRead(port);
          if (std::this_thread::get_id() != Lines::mainThread) {
            if (port == 1) {
              ++Lines::traceBytes;
              Lines::looksWithoutBytes = 0;
            } else if (port == 2) {
              ++Lines::looksWithoutBytes;
            }
          }
          return Lines::pod->ReadPort(port);
        },
        nullptr};
    attach_(0, &lines);
    Initialize();
  }
  void Initialize() {
    gPodSelection.configPath = ShippedImage();
    PodInitialized = gPod.InitializePod(ShippedImage());
    ASSERT_TRUE(PodInitialized);
  }

  // Runs the main thread until the trace is over; a trace that has not ended
  // within kPatience is halted and the test fails.
  void RunBounded() {
    std::atomic<bool> over{false};
    std::thread watchdog([&] {
      const auto until = Clock::now() + kPatience;
      while (!over && Clock::now() < until) std::this_thread::sleep_for(5ms);
      if (!over) {
        timedOut_ = true;
        window_->PostToMainThread([] { HaltButtonClick(); });
      }
    });
    window_->Run();
    over = true;
    watchdog.join();
    EXPECT_FALSE(timedOut_) << "the trace did not end by itself";
  }
  // Polls `ready` from the test thread (no main loop running) up to kPatience.
  static bool WaitFor(const std::function<bool()>& ready) {
    const auto until = Clock::now() + kPatience;
    while (!ready()) {
      if (Clock::now() >= until) return false;
      std::this_thread::sleep_for(1ms);
    }
    return true;
  }

  ReadBack ReadLog(const std::string& path) {
    ReadBack back;
    const std::size_t before = reports_.size();
    LogFile::SetCommentSink([&](std::string_view line) { back.comments.emplace_back(line); });
    if (LogFile::OpenForRead(path)) {
      for (TraceWord w = LogFile::ReadWord(); w != kNoWord; w = LogFile::ReadWord()) back.words.push_back(w);
    }
    LogFile::SetCommentSink(nullptr);
    back.reports.assign(reports_.begin() + static_cast<std::ptrdiff_t>(before), reports_.end());
    reports_.resize(before);
    const std::string text = ReadFile(path);
    static const std::regex closed(
        R"(;Closed: \d{2}-(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec)-\d{4} at \d{2}:\d{2}\r\n$)");
    back.closed = std::regex_search(text, closed);
    return back;
  }
  std::string Scratch(const std::string& name) const { return (dir_ / name).string(); }

  std::thread::id mainThread_;
  std::atomic<bool> timedOut_{false};
};

const std::vector<std::string> kHeader = {";Orbisan Corporation", ";Vantrel Log File", ";Ver 01.01"};

// ---- files ------------------------------------------------------------------

// A log that stops taking words is closed where it stands and reported once;
// the capture goes on. What reached the disk replays up to the cut line.
TEST_F(FaultInjectionTest, ALogThatCannotGrowIsClosedAndTheTraceGoesOn) {
  ConnectBoard();
  const std::string log = Scratch("live.log");

  // No room for even the header: the trace does not start.
  gTraceFiles.logWriteName = "/dev/full";
  TraceButtonClick();
  EXPECT_EQ(CurrentTraceMode(), TraceMode::Idle);
  EXPECT_EQ(reports_, (std::vector<std::string>{"Log File Error: Cannot Write to Log File"}));
  EXPECT_FALSE(pod_->Snapshot().recording);
  EXPECT_FALSE(LogFile::LogWriteOpen);
  reports_.clear();

  // Room for the header and 10,000 words and a half: the first time the
  // words go to the disk, the file fills in the middle of a line.
  gTraceFiles.logWriteName = log;
  const std::size_t header = FileHeader("Log", "01.01", window_->userName).size();
  constexpr std::size_t kWholeWords = 10000;
  FileSizeLimit limit(header + kWholeWords * 10 + 5);
  ASSERT_TRUE(limit.ok());
  // The report comes from the parser thread; the main thread notes where.
  std::atomic<bool> failed{false};
  std::size_t linesAtFailure = 0;
  onReport = [&] { failed = true; };
  HaltWhen([&] {
    if (linesAtFailure == 0 && failed) linesAtFailure = shown_.size();
    return linesAtFailure > 0 && shown_.size() >= linesAtFailure + 500;
  });
  TraceButtonClick();
  RunBounded();
  limit.Lift();

  EXPECT_EQ(reports_, (std::vector<std::string>{"Log File Error: Cannot Write to Log File"}));
  EXPECT_GE(shown_.size(), linesAtFailure + 500);  // the trace went on
  const std::uint64_t read = Lines::traceBytes;
  const std::vector<TraceWord> folded = Fold(WordsWithin(PodWords(SmartBatteryScenario(), read), read));
  EXPECT_TRUE(IsPrefix(shown_, DecodedLines(folded)));

  EXPECT_EQ(fs::file_size(log), header + kWholeWords * 10 + 5);
  const ReadBack back = ReadLog(log);
  EXPECT_EQ(back.words.size(), kWholeWords);
  EXPECT_TRUE(IsPrefix(back.words, folded));
  EXPECT_EQ(std::vector<std::string>(back.comments.begin(), back.comments.begin() + 3), kHeader);
  // The cut line is a read error, as any short word line is; no ";Closed:".
  EXPECT_EQ(back.reports, (std::vector<std::string>{"Log File Error: Cannot Read from Log File"}));
  EXPECT_FALSE(back.closed);
}

// A display file on a full disk halts the trace with one report; the log is
// closed as at any halt. A display file that lost lines never gets the
// ";Closed:" line that would make it look whole, even when the disk has room
// again by the time the report is acknowledged.
TEST_F(FaultInjectionTest, ADisplayFileOnAFullDiskHaltsTheTraceOnce) {
  ConnectBoard();
  const std::string log = Scratch("live.log");
  const std::string display = Scratch("display.txt");
  gTraceFiles.logWriteName = log;
  gTraceFiles.displayFileName = display;
  const std::string header = FileHeader("Display", "01.00", window_->userName);
  // Long lines, so that the display file's buffer goes to the disk sooner.
  gDisplay.DisplayAck = gDisplay.DisplayByteTime = gDisplay.DisplayStartTime = gDisplay.DisplayBitRate = true;

  for (const bool spaceComesBack : {false, true}) {
    SCOPED_TRACE(spaceComesBack ? "space back during the report" : "the disk stays full");
    shown_.clear();
    notes_.clear();
    reports_.clear();
    TraceButtonClick();
    ASSERT_EQ(CurrentTraceMode(), TraceMode::Live);
    FullDisk full(display);
    ASSERT_TRUE(full.ok());
    onReport = [&] {
      if (spaceComesBack) full.SpaceBack();
    };
    RunBounded();

    EXPECT_EQ(reports_, (std::vector<std::string>{"Display File Error: Cannot Write to File"}));
    EXPECT_EQ(notes_, (std::vector<std::string>{"Display File Error, Trace Terminated."}));
    EXPECT_EQ(CurrentTraceMode(), TraceMode::Idle);
    // Everything after the header went to the full disk, the ";Closed:" line too.
    const std::string text = ReadFile(display);
    EXPECT_EQ(text.size(), header.size());
    EXPECT_EQ(text.rfind(";Orbisan Corporation\r\n", 0), 0u);

    const std::uint64_t read = Lines::traceBytes;
    const std::vector<TraceWord> folded = Fold(WordsWithin(PodWords(SmartBatteryScenario(), read), read));
    EXPECT_TRUE(IsPrefix(shown_, DecodedLines(folded)));
    const ReadBack back = ReadLog(log);
    EXPECT_TRUE(back.closed);
    EXPECT_TRUE(back.reports.empty());
    EXPECT_TRUE(IsPrefix(back.words, folded));
    EXPECT_GE(DecodedLines(back.words).size(), shown_.size());  // the log holds at least what was shown
    ASSERT_TRUE(PodInitialized);
  }
}

// The disk spool cannot grow: the acquisition thread keeps its record and
// tries again, the parser thread still reads every record already spooled,
// and once there is room the trace goes on without a word lost or repeated.
TEST_F(FaultInjectionTest, ASpoolFileThatCannotGrowLosesNothing) {
  ConnectBoard();
  WorkingFolder folder(dir_);
  gSpoolChoice.deviceItem = 1;  // "Spool File (DISK)"
  const std::string log = Scratch("live.log");
  gTraceFiles.logWriteName = log;
  constexpr std::uint64_t kRecords = 120;
  FileSizeLimit limit(kRecords * kSpoolRecordSize + 100);
  ASSERT_TRUE(limit.ok());

  const std::vector<TraceWord> words = PodWords(SmartBatteryScenario(), 1u << 20);
  const std::size_t spooledLines = DecodedLines(Fold(WordsWithin(words, kRecords * kSpoolPayload))).size();

  // The main thread does not run yet, so the parser thread soon waits for
  // it while the acquisition thread fills the spool file up to the limit.
  TraceButtonClick();
  ASSERT_TRUE(WaitFor([] {
    std::error_code ec;
    return fs::file_size(kSpoolFileName, ec) == kRecords * kSpoolRecordSize + 100;
  }));
  std::uint64_t readWhileFull = 0;
  onLine = [&] {
    if (readWhileFull == 0 && shown_.size() == spooledLines) {
      readWhileFull = Lines::traceBytes;
      limit.Lift();
    }
    if (!halting_ && readWhileFull > 0 && shown_.size() >= spooledLines + 300) {
      halting_ = true;
      window_->PostToMainThread([] { HaltButtonClick(); });
    }
  };
  RunBounded();
  limit.Lift();

  // The record that did not fit was kept, and nothing more was read meanwhile.
  EXPECT_EQ(readWhileFull, (kRecords + 1) * kSpoolPayload);
  const std::uint64_t read = Lines::traceBytes;
  const std::vector<TraceWord> folded = Fold(WordsWithin(words, read));
  EXPECT_GE(shown_.size(), spooledLines + 300);
  EXPECT_TRUE(IsPrefix(shown_, DecodedLines(folded)));
  const ReadBack back = ReadLog(log);
  EXPECT_TRUE(back.closed);
  EXPECT_TRUE(back.reports.empty());
  EXPECT_TRUE(IsPrefix(back.words, folded));
  EXPECT_TRUE(reports_.empty());
  EXPECT_FALSE(fs::exists(kSpoolFileName));
}

// ---- a full spool and a full word FIFO --------------------------------------

// The RAM spool stays full while the main thread is busy elsewhere: the
// acquisition thread waits with its record. When the pod's memory fills, the
// trace ends by itself, and every byte the pod let go is in the log.
TEST_F(FaultInjectionTest, ASpoolThatStaysFullLosesNoRecord) {
  pod_ = std::make_unique<SoftwarePod>(SmartBatteryScenario(), SoftwarePod::Options{.memoryBytes = 4096, .wallClock = false});
  ConnectBoard();
  const std::string log = Scratch("live.log");
  gTraceFiles.logWriteName = log;
  TraceButtonClick();
  // Five retries, each a status look 10 ms apart, with no byte read between.
  ASSERT_TRUE(WaitFor([] { return Lines::looksWithoutBytes >= 5; }));
  EXPECT_EQ(RamSpool.Count(), RamSpool.Capacity());
  EXPECT_EQ(Lines::traceBytes % kSpoolPayload, 0u);  // a whole record held

  pod_->FillMemory();
  std::optional<SoftwarePod::State> atEnd;
  onLine = [&] {
    if (!atEnd && !notes_.empty()) atEnd = pod_->Snapshot();
  };
  RunBounded();
  EXPECT_EQ(notes_, (std::vector<std::string>{"Pod Recording Memory Full Detected, Trace Terminated."}));
  ASSERT_TRUE(atEnd);
  EXPECT_EQ(atEnd->memoryUsed, 0u);  // drained
  EXPECT_EQ(Lines::traceBytes, atEnd->bytesRead);
  const std::vector<TraceWord> folded =
      Fold(WordsWithin(PodWords(SmartBatteryScenario(), Lines::traceBytes), Lines::traceBytes));
  EXPECT_EQ(shown_, DecodedLines(folded));
  const ReadBack back = ReadLog(log);
  EXPECT_TRUE(back.closed);
  EXPECT_TRUE(SameWords(back.words, folded));
  EXPECT_TRUE(reports_.empty());
}

// A bus that shows nothing but a STOP condition every counter wrap (noise),
// read in full records, folds into a STOP word and an idle word every 4
// bytes: more than the word FIFO holds. The trace ends once, as the FIFO
// promises, with the log closed and replayable.
TEST_F(FaultInjectionTest, AWordFifoOverflowEndsTheLiveTraceOnce) {
  const BusScenario sparse = [](TraceBuilder& bus) {
    bus.Stop();
    bus.Idle(kWrapMicroseconds - 10);
  };
  pod_->SetScenario(sparse);
  Connect(Transport::Simulator);
  Initialize();
  const std::string log = Scratch("live.log");
  gTraceFiles.logWriteName = log;
  TraceButtonClick();
  RunBounded();
  EXPECT_EQ(notes_, (std::vector<std::string>{"Log File Exhausted, Trace Terminated."}));
  EXPECT_EQ(CurrentTraceMode(), TraceMode::Idle);
  EXPECT_TRUE(reports_.empty());
  const ReadBack back = ReadLog(log);
  EXPECT_TRUE(back.closed);
  EXPECT_TRUE(back.reports.empty());
  EXPECT_FALSE(back.words.empty());
  EXPECT_TRUE(IsPrefix(back.words, Fold(PodWords(sparse, 1u << 16))));
}

// ---- the pod goes away ------------------------------------------------------

// Lost after a message's address byte and never back: ten retries, then the
// end. The log keeps every word the pod gave up to that byte.
TEST_F(FaultInjectionTest, APodLostInTheMiddleOfAMessage) {
  ConnectBoard();
  const std::vector<TraceWord> words = PodWords(SmartBatteryScenario(), 1u << 16);
  const std::uint64_t lostAt = AfterAddressOf(words, 150);
  ASSERT_GT(lostAt % kSpoolPayload, 0u);  // part of a record
  std::atomic<bool> lost{false};
  Lines::beforeRead = [&](std::uint16_t port) {
    // The status look after that byte finds the pod gone.
    if (port == 2 && Lines::traceBytes == lostAt && !lost.exchange(true)) Lines::pod->Unplug();
  };
  const std::string log = Scratch("live.log");
  gTraceFiles.logWriteName = log;
  TraceButtonClick();
  RunBounded();

  for (int n = 1; n <= 10; ++n) {
    const std::string line = "Pod Communication Lost, Attempting Retry (" + std::to_string(n) + ") of (10).";
    EXPECT_EQ(std::count(notes_.begin(), notes_.end(), line), 1) << line;
  }
  ASSERT_FALSE(notes_.empty());
  EXPECT_EQ(notes_.back(), "External Pod Not Detected, Trace Terminated.");
  EXPECT_TRUE(reports_.empty());
  EXPECT_FALSE(PodInitialized);
  const std::vector<TraceWord> folded = Fold(WordsWithin(words, lostAt));
  EXPECT_EQ(shown_, DecodedLines(folded));  // every message before the lost one
  const ReadBack back = ReadLog(log);
  EXPECT_TRUE(back.closed);
  EXPECT_TRUE(back.reports.empty());
  EXPECT_TRUE(SameWords(back.words, folded));
  ASSERT_FALSE(back.words.empty());
  EXPECT_TRUE(HasByte(back.words.back()));  // the address byte of the cut message
}

// Lost during the configuration download: the initialization window says
// what to check, and Retry with the pod back configures it and traces.
TEST_F(FaultInjectionTest, APodLostDuringTheConfigurationDownload) {
  ConnectBoard();
  gPodSelection = {InterfaceKind::Board, 0, ""};
  WriteScratch("Vantrel.pod", ReadFile(ShippedImage()));
  int strobes = 0;
  Lines::beforeWrite = [&](std::uint16_t port, std::uint8_t value) {
    // Each configuration bit goes in with a write strobe: control 0xD0, then 0xF0.
    if (port == 2 && (value & 0xF0) == 0xF0 && ++strobes == 2000) Lines::pod->Unplug();
  };
  const PodInitUi ui{.selectInterface = [] {},
                     .locateFile = [](const std::string&) { return std::string(); },
                     .halt = [] {},
                     .programFolder = dir_.string()};
  PodInitState st;
  PodInitContinue(st, ui);
  EXPECT_GE(strobes, 2000);
  EXPECT_FALSE(PodInitialized);
  EXPECT_FALSE(pod_->Snapshot().configured);
  EXPECT_EQ(st.memo, (std::vector<std::string>{"Pod Initialization Error", "", "Please check:", "",
                                               "1: Pod power (Power light should be ON).",
                                               "2: Host computer to pod cable connection.", "3: Pod Interface in use.",
                                               "4: Invalid Pod Configuration File \"Vantrel.pod\"."}));
  EXPECT_TRUE(st.retryVisible && st.cancelVisible && !st.okVisible);
  EXPECT_TRUE(reports_.empty());

  Lines::beforeWrite = nullptr;
  pod_->PlugIn();
  PodInitContinue(st, ui);  // Retry
  ASSERT_TRUE(PodInitialized);
  EXPECT_EQ(st.memo.back(), "Pod Initialization Complete.");
  HaltWhen([this] { return shown_.size() >= 50; });
  TraceButtonClick();
  RunBounded();
  EXPECT_TRUE(IsPrefix(shown_, DecodedLines(Fold(PodWords(SmartBatteryScenario(), 1u << 16)))));
  EXPECT_GE(shown_.size(), 50u);
  EXPECT_TRUE(reports_.empty());
}

// The Bus Status Viewer keeps polling a pod that goes and comes back:
// "--.--" without a report from the tick after it went, while it is away and
// while it is back but not configured; the readings again once it is
// initialized.
TEST_F(FaultInjectionTest, ThePodLostWhileTheBusStatusViewerPolls) {
  ConnectBoard();
  auto tick = [] {
    const std::optional<BusVoltsText> v = ReadBusVolts();
    return v ? v->scl + " " + v->sda + " " + v->bus : std::string("none");
  };
  EXPECT_EQ(tick(), "3.30 3.30 3.30");
  // Gone half way through a tick's reads (after the reference).
  int reads = 0;
  Lines::beforeRead = [&](std::uint16_t port) {
    if (port == 1 && ++reads == 3) Lines::pod->Unplug();
  };
  EXPECT_NE(tick(), "none");
  Lines::beforeRead = nullptr;
  EXPECT_EQ(tick(), "--.-- --.-- --.--");
  EXPECT_EQ(tick(), "--.-- --.-- --.--");
  pod_->PlugIn();
  EXPECT_EQ(tick(), "--.-- --.-- --.--");
  Initialize();
  EXPECT_EQ(tick(), "3.30 3.30 3.30");
  EXPECT_TRUE(reports_.empty());
}

// ---- the USB adapter vanishes ------------------------------------------------

// The USB services with a hand on them: each message written to the adapter
// passes `onMessage` first.
struct UsbHand {
  static inline UsbPlatform services{};
  static inline std::function<void(const std::uint8_t* message, std::uint32_t length)> onMessage;
  static inline std::function<void()> onList;
  static const UsbPlatform& Over(const UsbPlatform& inner) {
    static const UsbPlatform* below = nullptr;
    below = &inner;
    services = inner;
    services.WritePipe = [](UsbInterface* usb, std::uint8_t pipe, const std::uint8_t* data, std::uint32_t length,
                            std::uint32_t* written) {
      if (onMessage) onMessage(data, length);
      return below->WritePipe(usb, pipe, data, length, written);
    };
    services.ListAdapters = [](UsbDeviceList** list) {
      if (onList) onList();
      return below->ListAdapters(list);
    };
    return services;
  }
  static void Clear() {
    onMessage = nullptr;
    onList = nullptr;
  }
};

class UsbFaultTest : public FaultInjectionTest {
 protected:
  void SetUp() override {
    FaultInjectionTest::SetUp();
    Connect(Transport::Usb);
    SetUsbServices(&UsbHand::Over(usb_->Services()));
  }
  void TearDown() override {
    UsbHand::Clear();
    FaultInjectionTest::TearDown();  // the platform's services come back with usb_
  }
};

// Gone between two questions of the discovery: reported with the step and
// the error's name, and the discovery ends; gone from the next listing
// without a report; found again once plugged back.
TEST_F(UsbFaultTest, AnAdapterVanishingDuringDiscovery) {
  int identify = 0;
  UsbHand::onMessage = [&](const std::uint8_t* m, std::uint32_t) {
    if (m[0] == 6 && ++identify == 2) usb_->Remove(usbId_);
  };
  EXPECT_FALSE(gPod.InitializePod(ShippedImage()));
  EXPECT_EQ(reports_, (std::vector<std::string>{"WinUSB Driver Error: WinUsb_WritePipe.2() Failed [ERROR_BAD_DEVICE]",
                                                "WinUSB Driver Error: SetupDiEnumDeviceInterfaces() Failed [ERROR_UNKNOWN]"}));
  reports_.clear();
  EXPECT_EQ(UsbDiscovery(0), 0);
  EXPECT_FALSE(UsbAdapterPresent(1234));
  EXPECT_TRUE(reports_.empty());

  usbId_ = usb_->Add(*firmware_);
  ASSERT_TRUE(gPod.InitializePod(ShippedImage()));
  EXPECT_TRUE(pod_->Snapshot().configured);
  EXPECT_TRUE(reports_.empty());
}

// Gone during a trace and never back (the retries are UsbAdapterTest's):
// every word the adapter passed on is shown or logged, and the log is closed.
TEST_F(UsbFaultTest, AnAdapterVanishingDuringATraceKeepsTheLog) {
  Initialize();
  const std::string log = Scratch("live.log");
  gTraceFiles.logWriteName = log;
  onLine = [this] {
    if (shown_.size() == 30) usb_->Remove(usbId_);
  };
  TraceButtonClick();
  RunBounded();
  ASSERT_FALSE(notes_.empty());
  EXPECT_EQ(notes_.back(), "External Pod Not Detected, Trace Terminated.");
  // Nothing reached the pod after it was gone, so it still counts what it gave.
  const std::uint64_t read = pod_->Snapshot().bytesRead;
  const std::vector<TraceWord> folded = Fold(WordsWithin(PodWords(SmartBatteryScenario(), read), read));
  EXPECT_EQ(shown_, DecodedLines(folded));
  const ReadBack back = ReadLog(log);
  EXPECT_TRUE(back.closed);
  EXPECT_TRUE(back.reports.empty());
  EXPECT_TRUE(SameWords(back.words, folded));
}

// Gone as the halt stops the trace, or after the halt let it go and before
// the halt configures the pod again: the trace ends as halted, the log is
// closed with every word, the pod is not initialized (one report when the
// stop itself failed), and the next Trace asks for the pod's initialization.
TEST_F(UsbFaultTest, AnAdapterVanishingBetweenHaltAndReinitialization) {
  for (const bool atTheStop : {true, false}) {
    SCOPED_TRACE(atTheStop ? "at the stop" : "before the discovery");
    UsbHand::Clear();
    Initialize();
    shown_.clear();
    notes_.clear();
    reports_.clear();
    halting_ = false;
    const std::string log = Scratch("live.log");
    gTraceFiles.logWriteName = log;
    HaltWhen([this] { return shown_.size() >= 100; });
    std::atomic<bool> halted{false};
    if (atTheStop) {
      UsbHand::onMessage = [&](const std::uint8_t* m, std::uint32_t length) {
        if (length == 1 && m[0] == 4 && !halted.exchange(true)) usb_->Remove(usbId_);
      };
    } else {
      UsbHand::onList = [&] {
        if (!gTrace.TraceRunning && !halted.exchange(true)) usb_->Remove(usbId_);
      };
    }
    TraceButtonClick();
    RunBounded();
    EXPECT_TRUE(halted);
    EXPECT_EQ(CurrentTraceMode(), TraceMode::Idle);
    EXPECT_FALSE(PodInitialized);
    if (atTheStop) {
      EXPECT_EQ(reports_, (std::vector<std::string>{"Pod Interface Report: Pod Communication Lost [StopTraceThread-WritePipe]"}));
    } else {
      EXPECT_TRUE(reports_.empty());
    }
    EXPECT_GE(shown_.size(), 100u);
    const ReadBack back = ReadLog(log);
    EXPECT_TRUE(back.closed);
    EXPECT_TRUE(back.reports.empty());
    EXPECT_GE(DecodedLines(back.words).size(), shown_.size());
    EXPECT_TRUE(IsPrefix(shown_, DecodedLines(back.words)));

    const int runs = window_->initializePodRuns;
    gTraceFiles = {};
    TraceButtonClick();
    EXPECT_EQ(window_->initializePodRuns, runs + 1);
    EXPECT_EQ(CurrentTraceMode(), TraceMode::Idle);

    UsbHand::Clear();
    usbId_ = usb_->Add(*firmware_);
  }
}

// ---- locks held past their waits ---------------------------------------------

// Holds a lock from another thread for `hold`, once the main thread says so.
class Holder {
 public:
  ~Holder() {
    if (thread_.joinable()) thread_.join();
  }
  void Hold(TimedMutex* m, std::chrono::milliseconds hold) {
    thread_ = std::thread([m, hold, this] {
      m->lock();
      held_ = true;
      std::this_thread::sleep_for(hold);
      m->unlock();
      released_ = true;
    });
  }
  bool held() const { return held_; }
  bool released() const { return released_; }

 private:
  std::thread thread_;
  std::atomic<bool> held_{false}, released_{false};
};

// The display queue's and the message tables' locks held for three times
// the longest wait: every waiter tries again, no line is lost or doubled, and
// the trace halts cleanly afterwards.
TEST_F(FaultInjectionTest, LocksHeldPastTheirWaitsOnlyDelayTheTrace) {
  ConnectBoard();
  const std::vector<std::string> expected = DecodedLines(Fold(PodWords(SmartBatteryScenario(), 1u << 17)));
  for (const bool displayQueue : {true, false}) {
    SCOPED_TRACE(displayQueue ? "DisplayQueueMutex" : "MsgTrackingMutex");
    shown_.clear();
    halting_ = false;
    Holder holder;
    std::size_t linesAtRelease = 0;
    onLine = [&] {
      if (shown_.size() == 50 && !holder.held()) {
        holder.Hold(displayQueue ? gTrace.DisplayQueueMutex.get() : gTrace.MsgTrackingMutex.get(), 300ms);
      }
      if (linesAtRelease == 0 && holder.released()) linesAtRelease = shown_.size();
      if (!halting_ && linesAtRelease > 0 && shown_.size() >= linesAtRelease + 300) {
        halting_ = true;
        window_->PostToMainThread([] { HaltButtonClick(); });
      }
    };
    TraceButtonClick();
    RunBounded();
    EXPECT_TRUE(holder.released());
    EXPECT_GE(shown_.size(), linesAtRelease + 300);
    EXPECT_TRUE(IsPrefix(shown_, expected));
    EXPECT_TRUE(notes_.empty());
    EXPECT_TRUE(reports_.empty());
    EXPECT_EQ(CurrentTraceMode(), TraceMode::Idle);
    EXPECT_TRUE(PodInitialized);
  }
}

// The pod status lock held past the parser thread's wait (a status read that
// takes 300 ms): the pod is not taken for lost, and the trace goes on.
TEST_F(FaultInjectionTest, ASlowStatusReadIsNotALostPod) {
  ConnectBoard();
  std::atomic<bool> armed{false}, slept{false};
  Lines::beforeRead = [&](std::uint16_t port) {
    if (port == 2 && std::this_thread::get_id() != mainThread_ && armed.exchange(false)) {
      std::this_thread::sleep_for(300ms);
      slept = true;
    }
  };
  std::size_t linesAfter = 0;
  onLine = [&] {
    if (shown_.size() == 50) armed = true;
    if (linesAfter == 0 && slept) linesAfter = shown_.size();
    if (!halting_ && linesAfter > 0 && shown_.size() >= linesAfter + 300) {
      halting_ = true;
      window_->PostToMainThread([] { HaltButtonClick(); });
    }
  };
  TraceButtonClick();
  RunBounded();
  EXPECT_TRUE(slept);
  EXPECT_TRUE(notes_.empty()) << notes_.front();
  EXPECT_TRUE(reports_.empty());
  EXPECT_TRUE(IsPrefix(shown_, DecodedLines(Fold(PodWords(SmartBatteryScenario(), 1u << 17)))));
  EXPECT_GE(shown_.size(), 350u);
}

}  // namespace
}  // namespace vantrel::test
