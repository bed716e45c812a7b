#include "app/HeadlessMainWindow.h"

#include <algorithm>
#include <cstdio>
#include <thread>

#include "pipeline/DisplayLoop.h"
#include "pipeline/TraceControl.h"
#include "pipeline/TraceState.h"

namespace vantrel {
namespace {

using namespace std::chrono_literals;
constexpr auto kTick = 10ms;
constexpr auto kTraceClickDelay = 100ms;
constexpr auto kHandOffWait = 100ms;

}  // namespace

HeadlessMainWindow::HeadlessMainWindow() {
  SetMainWindow(this);
  SetReports(this);
}

HeadlessMainWindow::~HeadlessMainWindow() {
  if (&MainWindow() == this) SetMainWindow(nullptr);
  if (&Reports() == this) SetReports(nullptr);
}

void HeadlessMainWindow::ShowMessage(std::string_view text, std::string_view title) {
  std::lock_guard lock(reportMutex_);
  ++reports;
  if (onMessage) {
    onMessage(text, title);
  } else {
    std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(title.size()), title.data(), static_cast<int>(text.size()),
                 text.data());
  }
}

void HeadlessMainWindow::AppendDisplayLine(std::string_view line) {
  if (onDisplayLine) onDisplayLine(line, false);
  ++lineCount_;
  if (keepDisplay) display.emplace_back(line);
}

void HeadlessMainWindow::AppendDisplayLines(const DisplayLines& lines) {
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (onDisplayLine) onDisplayLine(lines.Text(i), lines.IsMessage(i));
    if (keepDisplay) display.emplace_back(lines.Text(i));
  }
  lineCount_ += lines.size();
}

void HeadlessMainWindow::DeleteFirstDisplayLines(std::size_t count) {
  count = std::min(count, lineCount_);
  lineCount_ -= count;
  if (keepDisplay) display.erase(display.begin(), display.begin() + static_cast<std::ptrdiff_t>(count));
}

void HeadlessMainWindow::ClearDisplay() {
  display.clear();
  lineCount_ = 0;
}

void HeadlessMainWindow::SetBandwidth(int percent, std::string_view label) {
  bandwidth = percent;
  bandwidthLabel = label;
}

void HeadlessMainWindow::RunInitializePodCommand() {
  ++initializePodRuns;
  if (onInitializePod) onInitializePod();
}

void HeadlessMainWindow::StartTraceClickTimer() {
  traceClickPending = true;
  traceClickDue_ = Clock::now() + kTraceClickDelay;
}

void HeadlessMainWindow::WaitMilliseconds(int ms) {
  waits.push_back(ms);
  if (realWaits) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void HeadlessMainWindow::PostToMainThread(std::function<void()> fn) {
  {
    std::lock_guard lock(mutex_);
    posted_.push_back(std::move(fn));
  }
  wake_.notify_one();
}

void HeadlessMainWindow::DisplayWork() {
  std::unique_lock lock(mutex_);
  work_ = true;
  const std::uint64_t mine = ++handOffs_;
  wake_.notify_one();
  if (!tickAfterEachHandOff) return;
  while (served_ < mine && gTrace.TraceRunning) ticked_.wait_for(lock, kHandOffWait);
}

void HeadlessMainWindow::Run() {
  auto nextTick = Clock::now() + kTick;
  for (;;) {
    std::function<void()> post;
    bool work = false;
    {
      std::unique_lock lock(mutex_);
      if (!posted_.empty()) {
        post = std::move(posted_.front());
        posted_.pop_front();
      } else {
        work = work_;
      }
    }
    if (post) {
      post();
      continue;
    }
    const auto now = Clock::now();
    if (displayTimerEnabled && (work || now >= nextTick)) {
      std::uint64_t seen = 0;
      {
        std::lock_guard lock(mutex_);
        work_ = false;
        seen = handOffs_;
      }
      DataMemoUpdateTimer();
      nextTick = Clock::now() + kTick;
      {
        std::lock_guard lock(mutex_);
        served_ = std::max(served_, seen);
      }
      ticked_.notify_all();
      continue;
    }
    if (traceClickPending && now >= traceClickDue_) {
      traceClickPending = false;
      TraceClickTimerTimer();
      continue;
    }
    std::unique_lock lock(mutex_);
    if (!posted_.empty() || (displayTimerEnabled && work_)) continue;
    if (!displayTimerEnabled && !traceClickPending) return;
    auto until = displayTimerEnabled ? nextTick : traceClickDue_;
    if (displayTimerEnabled && traceClickPending) until = std::min(nextTick, traceClickDue_);
    wake_.wait_until(lock, until);
  }
}

}  // namespace vantrel
