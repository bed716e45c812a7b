#include "pipeline/HeadlessMainWindow.h"

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

}  // namespace

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

bool HeadlessMainWindow::AskOkCancel(std::string_view, std::string_view) { return answerOk; }

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

void HeadlessMainWindow::SetTraceButton(std::string_view caption, std::string_view hint, bool enabled, bool) {
  traceCaption = caption;
  traceHint = hint;
  traceEnabled = enabled;
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
  {
    std::lock_guard lock(mutex_);
    work_ = true;
  }
  wake_.notify_one();
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
      {
        std::lock_guard lock(mutex_);
        work_ = false;
      }
      DataMemoUpdateTimer();
      nextTick = Clock::now() + kTick;
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
