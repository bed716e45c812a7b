#include "pipeline/TraceParserThread.h"

#include <algorithm>
#include <chrono>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#if defined(__linux__)
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

#include "decode/ParseAH.h"
#include "decode/TraceWord.h"
#include "pipeline/LogFile.h"
#include "pipeline/MainWindowSeam.h"
#include "common/SpoolFile.h"
#include "pipeline/TraceControl.h"
#include "pipeline/TraceState.h"
#include "pod/Acquisition.h"
#include "pod/PodInterface.h"
#include "pod/PodStatus.h"
#include "pod/TraceWordAssembler.h"

namespace vantrel {

namespace {

using namespace std::chrono_literals;

constexpr auto kWorkerWait = 100ms;
constexpr auto kRetryPause = 10ms;
constexpr std::uint32_t kFoldedIdleWord = kWrapFlag;
constexpr TraceWord kWrapFullStamp = 0x01FFFF00u;
constexpr TraceWord kClearStamp = 0xFF0000FFu;
// Words per trip to the main thread's decoder, and trips under way at once:
// big enough that the hand-offs cost little next to the decoding.
constexpr std::size_t kBatchWords = kDecodeBatchWords;
constexpr std::size_t kMaxInFlight = kDecodeBatchesInFlight;

// The parser thread and what it shares with the halt. Both sides take
// gEndMutex only briefly and never with another mutex.
std::thread gThread;
std::mutex gEndMutex;
std::condition_variable gEnded;
bool gFinished = true;

// Lets a parser thread that waits for room in the display queue go on as
// soon as the display loop has emptied it, instead of a fixed sleep.
std::mutex gRoomMutex;
std::condition_variable gRoom;
std::uint64_t gRoomGeneration = 0;

void WaitForRoom(std::uint64_t seen) {
  std::unique_lock lock(gRoomMutex);
  gRoom.wait_for(lock, kRetryPause, [&] { return gRoomGeneration != seen; });
}

std::uint64_t RoomGeneration() {
  std::lock_guard lock(gRoomMutex);
  return gRoomGeneration;
}

void SetLowestPriority() {
#if defined(__linux__)
  // Two steps below normal, as the acquisition thread must never starve.
  const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
  (void)::setpriority(PRIO_PROCESS, tid, ::getpriority(PRIO_PROCESS, tid) + 2);
#endif
}

// A log comment and the position (counted over the whole trace) of the word
// it stands before.
struct Comment {
  std::uint64_t beforeWord;
  std::string text;
};

// One batch of words on its way through the main thread's decoder. Shared by
// the parser thread and the posted call, so neither outlives the other's data.
struct BatchJob {
  std::uint32_t generation = 0;
  std::uint64_t first = 0;  // trace position of words[0]
  std::vector<TraceWord> words;
  std::vector<Comment> comments;
  DisplayLines lines;
  std::uint32_t endCode = kNoEndCode;  // follows the batch
  std::atomic<bool> done{false};
};

std::mutex gJobMutex;  // only for waiting on gJobDone
std::condition_variable gJobDone;

// The main thread's share of a batch: comments in their places, decoded lines.
void DecodeBatch(BatchJob& job) {
  if (!gTrace.TraceRunning || gTrace.Generation != job.generation) return;
  // Read once a batch: a batch is decoded well within a millisecond.
  const bool decode = gTraceOptions.EnableTraceDisplay;
  const std::size_t n = job.words.size();
  std::size_t i = 0;
  auto decodeUpTo = [&](std::size_t end) {
    if (!decode) {
      i = std::max(i, end);
      return;
    }
    for (; i < end; ++i) {
      const std::string& line = DecodeTraceWord(job.words[i]);
      if (!line.empty()) job.lines.Add(line, true);
    }
  };
  for (Comment& c : job.comments) {
    // Comments after the last word stand before the end code that follows.
    decodeUpTo(c.beforeWord <= job.first ? 0 : std::min<std::uint64_t>(c.beforeWord - job.first, n));
    job.lines.Add(c.text, false);
  }
  decodeUpTo(n);
  {
    std::lock_guard lock(gJobMutex);
    job.done = true;
  }
  gJobDone.notify_all();
}

class TTraceParserThread {
 public:
  void Run();

 private:
  bool TakeSpoolRecord(SpoolRecord& record);
  bool AssembleRecord(const SpoolRecord& record);
  void ReadLogWords();
  void PushPodStatusEndCode();
  bool Gather();
  bool HandOn();
  bool CompleteOldest();
  bool CompleteAll();
  bool QueueLines(DisplayLines& lines);
  void StoreEndCode(std::uint32_t code);

  bool logReadAtStart_ = false;
  std::uint64_t pushed_ = 0;  // words and end codes pushed during the trace
  std::uint64_t popped_ = 0;  // words and end codes popped during the trace
  std::deque<Comment> comments_;
  // The batch being gathered, then the batches the main thread decodes while
  // this thread reads on, oldest first.
  std::shared_ptr<BatchJob> pending_;
  std::deque<std::shared_ptr<BatchJob>> inFlight_;
};

void TTraceParserThread::Run() {
  logReadAtStart_ = LogFile::LogReadOpen;
  if (logReadAtStart_) {
    LogFile::SetCommentSink([this](std::string_view line) { comments_.push_back({pushed_, std::string(line)}); });
  }
  SpoolRecord record;
  while (gTrace.TraceRunning) {
    if (TakeSpoolRecord(record)) {
      if (!gTrace.TraceRunning || !AssembleRecord(record)) break;
    } else if (logReadAtStart_) {
      ReadLogWords();
    } else {
      PushPodStatusEndCode();
    }
    if (gTrace.Words.Empty() && comments_.empty()) {
      // Nothing new: hand on what was gathered and finish the batches under
      // way before resting.
      if (!HandOn() || !CompleteAll()) break;
      std::this_thread::sleep_for(kRetryPause);
      continue;
    }
    if (!Gather()) break;
  }
  LogFile::SetCommentSink(nullptr);
}

bool SpoolHoldsRecords() {
  if (gSpool.device == SpoolDevice::Disk) return SpoolFile::Count() > 0;
  return RamSpool.Count() > 0;
}

bool TTraceParserThread::TakeSpoolRecord(SpoolRecord& record) {
  if (gSpool.device == SpoolDevice::Disk) return SpoolFile::ReadRecord(record);
  if (gSpool.device == SpoolDevice::Ram) return RamSpool.Count() >= 1 && RamSpool.Read(record.bytes);
  return false;
}

// Moves the record's bytes into ByteFifo and folds the words they make.
// false when the trace stopped meanwhile.
bool TTraceParserThread::AssembleRecord(const SpoolRecord& record) {
  // A damaged length must not read past the payload.
  const std::uint32_t length = std::min(record.Length(), kSpoolPayload);
  while (!ByteFifo.Write(record.Payload(), length)) {
    if (!gTrace.TraceRunning) return false;
    std::this_thread::sleep_for(kRetryPause);
  }
  WordFifo& fifo = gTrace.Words;
  while (gTrace.TraceRunning) {
    TraceWord w = gPod.GetTraceWord();
    if (w == kNoWord) break;
    if (IsWrapRecord(w)) {
      if (++gTrace.IdleRunCount > kMaxFoldedIdle - 1) {
        fifo.Push(kFoldedIdleWord + gTrace.IdleRunCount);
        gTrace.IdleRunCount = 0;
      }
      continue;
    }
    if (gTrace.IdleRunCount > 0) {
      fifo.Push(kFoldedIdleWord + gTrace.IdleRunCount);
      gTrace.IdleRunCount = 0;
    }
    if ((w & kWrapFullStamp) == kWrapFullStamp) w &= kClearStamp;
    fifo.Push(w);
  }
  return true;
}

// A replay reads as many words as the FIFO holds, so that one trip to the main
// thread decodes many of them; a 0 (end of the replay) is pushed too.
void TTraceParserThread::ReadLogWords() {
  WordFifo& fifo = gTrace.Words;
  while (LogFile::LogReadOpen && fifo.count < WordFifo::kCapacity) {
    const TraceWord w = LogFile::ReadWord();
    fifo.Push(w);
    ++pushed_;
    if (w == kNoWord) break;
  }
}

// Called with the spool found empty. The end code comes after every byte the
// pod let go: bytes the acquisition thread still holds, or spooled since the
// spool was found empty, are taken first.
void TTraceParserThread::PushPodStatusEndCode() {
  if (gTrace.EndCodePushed) return;
  std::uint32_t code = kNoEndCode;
  if (ReadPodLost()) {
    code = kEndPodLost;
  } else if (ReadPodFifoEmpty() && ReadPodMemoryFull()) {
    code = kEndPodMemoryFull;
  }
  if (code == kNoEndCode || acquisition::HoldingBytes() || SpoolHoldsRecords()) return;
  gTrace.Words.Push(code);
  gTrace.EndCodePushed = true;
}

// Pops the words into the batch being gathered, logging each. The batch is
// handed on when it is full or an end code ends it; an end code waits until
// every batch before it has been shown, so lines and end codes keep the order
// of the words. false when the trace stopped.
bool TTraceParserThread::Gather() {
  WordFifo& fifo = gTrace.Words;
  do {
    if (!pending_) {
      pending_ = std::make_shared<BatchJob>();
      pending_->generation = gTrace.Generation;
      pending_->first = popped_;
      pending_->words.reserve(kBatchWords);
    }
    BatchJob& job = *pending_;
    const std::size_t from = job.words.size();
    while (!fifo.Empty() && job.words.size() < kBatchWords) {
      const TraceWord w = fifo.Pop();
      ++popped_;
      if (IsEndCode(w)) {
        job.endCode = w;
        break;
      }
      job.words.push_back(w);
    }
    if (LogFile::LogWriteOpen) {
      for (std::size_t k = from; k < job.words.size(); ++k) LogFile::WriteWord(job.words[k]);
    }
    const std::uint64_t end = job.first + job.words.size();
    while (!comments_.empty() && comments_.front().beforeWord <= end) {
      job.comments.push_back(std::move(comments_.front()));
      comments_.pop_front();
    }
    const bool ends = job.endCode != kNoEndCode;
    if (ends || job.words.size() >= kBatchWords) {
      if (!HandOn()) return false;
      if (ends && !CompleteAll()) return false;
    }
    // An overflowed FIFO yields end code 0 for ever: rest between them.
    if (fifo.overflow) std::this_thread::sleep_for(kRetryPause);
  } while (gTrace.TraceRunning && !fifo.Empty());
  return gTrace.TraceRunning;
}

// Gives the batch being gathered to the main thread's decoder.
bool TTraceParserThread::HandOn() {
  if (!pending_) return true;
  std::shared_ptr<BatchJob> job = std::move(pending_);
  if (inFlight_.size() >= kMaxInFlight && !CompleteOldest()) return false;
  if (job->words.empty() && job->comments.empty()) {
    job->done = true;  // an end code alone: nothing for the decoder
  } else {
    MainWindow().PostToMainThread([job] { DecodeBatch(*job); });
  }
  inFlight_.push_back(std::move(job));
  return true;
}

bool TTraceParserThread::CompleteAll() {
  while (!inFlight_.empty()) {
    if (!CompleteOldest()) return false;
  }
  return true;
}

// Waits for the oldest batch under way and hands on its lines and end code.
// false when the trace stopped first (what it had is dropped).
bool TTraceParserThread::CompleteOldest() {
  if (inFlight_.empty()) return true;
  BatchJob& job = *inFlight_.front();
  {
    std::unique_lock lock(gJobMutex);
    while (!job.done && gTrace.TraceRunning) gJobDone.wait_for(lock, kWorkerWait);
  }
  if (!job.done) return false;
  if (!QueueLines(job.lines)) return false;
  if (job.endCode != kNoEndCode) StoreEndCode(job.endCode);
  inFlight_.pop_front();
  return true;
}

// false when the trace stopped first (the lines not yet queued are dropped).
bool TTraceParserThread::QueueLines(DisplayLines& lines) {
  std::size_t queued = 0;
  while (queued < lines.size()) {
    if (!gTrace.TraceRunning) return false;
    const std::uint64_t seen = RoomGeneration();
    TimedMutex* m = gTrace.DisplayQueueMutex.get();
    bool progress = false;
    if (m != nullptr && m->try_lock_for(kWorkerWait)) {
      DisplayLines& queue = gTrace.DisplayQueue;
      const std::size_t n = std::min(kDisplayQueueLimit - std::min(queue.size(), kDisplayQueueLimit),
                                     lines.size() - queued);
      if (queue.empty() && queued == 0 && n == lines.size()) {
        queue.Swap(lines);  // the usual case: the display has taken everything
      } else {
        queue.AddRange(lines, queued, n);
      }
      queued += n;
      progress = n > 0;
      if (progress) gTrace.NewLinesQueued = true;
      m->unlock();
    }
    if (progress) MainWindow().DisplayWork();
    if (queued < lines.size()) WaitForRoom(seen);
  }
  return true;
}

void TTraceParserThread::StoreEndCode(std::uint32_t code) {
  while (gTrace.TraceRunning) {
    TimedMutex* m = gTrace.DisplayQueueMutex.get();
    if (m != nullptr && m->try_lock_for(kWorkerWait)) {
      gTrace.EndCode = code;
      m->unlock();
      MainWindow().DisplayWork();
      return;
    }
    std::this_thread::sleep_for(kRetryPause);
  }
}

}  // namespace

bool StartParserThread() {
  if (ParserThreadRunning()) return false;
  if (gThread.joinable()) gThread.join();
  {
    std::lock_guard lock(gEndMutex);
    gFinished = false;
  }
  try {
    gThread = std::thread([] {
      SetLowestPriority();
      TTraceParserThread parser;
      parser.Run();
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

bool WaitParserThreadEnd() {
  bool ended = false;
  {
    std::unique_lock lock(gEndMutex);
    for (int poll = 0; poll < 10 && !gFinished; ++poll) gEnded.wait_for(lock, kWorkerWait);
    ended = gFinished;
  }
  if (gThread.joinable()) {
    if (ended) {
      gThread.join();
    } else {
      gThread.detach();
    }
  }
  return ended;
}

bool ParserThreadRunning() {
  std::lock_guard lock(gEndMutex);
  return !gFinished;
}

void DisplayQueueTaken() {
  {
    std::lock_guard lock(gRoomMutex);
    ++gRoomGeneration;
  }
  gRoom.notify_all();
}

}  // namespace vantrel
