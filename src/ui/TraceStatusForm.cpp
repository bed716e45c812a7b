#include "ui/TraceStatusForm.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QVBoxLayout>

#include <exception>
#include <filesystem>
#include <system_error>

#include "decode/ParseAH.h"
#include "pipeline/DisplayFile.h"
#include "pipeline/DisplayLoop.h"
#include "pipeline/LogFile.h"
#include "common/SpoolFile.h"
#include "pipeline/TraceControl.h"
#include "pipeline/TraceParserThread.h"
#include "pipeline/TraceState.h"
#include "pod/PodStatus.h"
#include "pod/PodInterface.h"

using vantrel::StatusColour;

namespace {

constexpr int kUpdateMs = 250;

QColor ColourOf(StatusColour c) {
  switch (c) {
    case StatusColour::Green:
      return QColor(0, 128, 0);
    case StatusColour::Orange:
      return QColor(255, 140, 0);
    case StatusColour::Red:
      return QColor(255, 0, 0);
    case StatusColour::Default:
      break;
  }
  return {};
}

std::string BaseName(const std::string& path) { return std::filesystem::path(path).filename().string(); }

std::uint64_t FreeBytes() {
  std::error_code ec;
  const std::filesystem::space_info s = std::filesystem::space(".", ec);
  return ec ? 0 : s.available;
}

// Runs one step of the update; a fault in it marks its fields and the
// update goes on with the next step.
template <typename Step, typename Mark>
void Guarded(Step step, Mark mark) {
  try {
    step();
  } catch (const std::exception&) {
    mark();
  }
}

}  // namespace

TTraceStatusForm::TTraceStatusForm(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("TraceStatus");
  setWindowTitle("Trace Status");
  // Two columns keep the window low enough for a small screen; it is always
  // the size of what it shows, whichever spool it shows.
  auto* columns = new QHBoxLayout(this);
  columns->setSizeConstraint(QLayout::SetFixedSize);
  auto* left = new QVBoxLayout;
  auto* right = new QVBoxLayout;
  columns->addLayout(left);
  columns->addLayout(right);
  QVBoxLayout* top = left;

  auto field = [this](const char* name) {
    auto* f = new QLineEdit(QString::fromLatin1(name), this);
    f->setObjectName(QString::fromLatin1(name));
    f->setReadOnly(true);
    f->setMinimumWidth(190);
    fields_[name] = f;
    colours_[name] = StatusColour::Default;
    return f;
  };
  // A titled group of "label: field" rows.
  auto group = [&](const char* title, std::initializer_list<std::pair<const char*, const char*>> rows) {
    auto* box = new QGroupBox(QString::fromLatin1(title), this);
    auto* grid = new QGridLayout(box);
    int row = 0;
    for (const auto& [label, name] : rows) {
      grid->addWidget(new QLabel(QString::fromLatin1(label), box), row, 0);
      grid->addWidget(field(name), row, 1);
      ++row;
    }
    top->addWidget(box);
    return box;
  };

  auto* messages = new QGroupBox("Messages", this);
  auto* mgrid = new QGridLayout(messages);
  mgrid->addWidget(new QLabel("Captured:", messages), 0, 0);
  mgrid->addWidget(field("MsgsCaptured"), 0, 1);
  mgrid->addWidget(new QLabel("Displayed", messages), 1, 0);
  mgrid->addWidget(field("MsgsDisplayed"), 1, 1);
  top->addWidget(messages);
  group("Trace", {{"State:", "TraceState"}, {"Time:", "TraceTime"}});
  group("Pod:", {{"State:", "PodState"}, {"Status:", "PodStatus"}});
  left->addStretch();
  top = right;
  SpoolBufferPanel =
      group("Spool Buffer", {{"Now:", "SpoolBufferNow"}, {"High:", "SpoolBufferHigh"}, {"Max (1):", "SpoolBufferMax"}});
  SpoolBufferPanel->setObjectName("SpoolBufferPanel");
  SpoolFilePanel = group("Spool File", {{"Now:", "SpoolFileNow"}, {"High:", "SpoolFileHigh"}, {"Max (1):", "SpoolFileMax"}});
  SpoolFilePanel->setObjectName("SpoolFilePanel");
  top->addWidget(new QLabel("1) To Configure Spool, See Spool Setup", this));
  group("Log File:", {{"Name:", "LogFileName"}, {"State:", "LogFileState"}, {"Size:", "LogFileSize"}});
  group("DisplayFile:", {{"Name:", "DisplayFileName"}, {"State:", "DisplayFileState"}, {"Size:", "DisplayFileSize"}});
  right->addStretch();

  UpdateTimer = new QTimer(this);
  UpdateTimer->setInterval(kUpdateMs);
  connect(UpdateTimer, &QTimer::timeout, this, &TTraceStatusForm::UpdateTimerTimer);
  SetSpoolChoice(vantrel::gSpoolChoice);
}

QLineEdit* TTraceStatusForm::Field(const char* name) const {
  auto it = fields_.find(name);
  return it == fields_.end() ? nullptr : it->second;
}

QString TTraceStatusForm::FieldText(const char* name) const {
  QLineEdit* f = Field(name);
  return f ? f->text() : QString();
}

StatusColour TTraceStatusForm::FieldColour(const char* name) const {
  auto it = colours_.find(name);
  return it == colours_.end() ? StatusColour::Default : it->second;
}

void TTraceStatusForm::Set(const char* name, const std::string& text, StatusColour colour) {
  QLineEdit* f = Field(name);
  if (f == nullptr) return;
  SetText(name, text);
  if (colours_[name] == colour) return;
  colours_[name] = colour;
  QPalette p = f->palette();
  p.setColor(QPalette::Text, colour == StatusColour::Default ? palette().color(QPalette::Text) : ColourOf(colour));
  f->setPalette(p);
}

void TTraceStatusForm::SetText(const char* name, const std::string& text) {
  QLineEdit* f = Field(name);
  const QString t = QString::fromStdString(text);
  if (f != nullptr && f->text() != t) f->setText(t);
}

void TTraceStatusForm::SetSpoolChoice(const vantrel::SpoolChoice& choice) {
  SetText("SpoolBufferMax", vantrel::SpoolBufferMaxText(choice.bufferSizeItem));
  SetText("SpoolFileMax", vantrel::SpoolFileMaxText(choice.fileSizeItem));
  // Hide before showing: never both at once, or the window grows for both.
  QWidget* shown = choice.deviceItem == 1 ? SpoolFilePanel : SpoolBufferPanel;
  (shown == SpoolFilePanel ? SpoolBufferPanel : SpoolFilePanel)->hide();
  shown->show();
}

void TTraceStatusForm::Initialize() {
  Set("TraceState", "INACTIVE");
  SetText("TraceTime", "0");
  SetText("MsgsCaptured", "0");
  SetText("MsgsDisplayed", "0");
  Set("SpoolFileNow", "CLOSED");
  SetText("SpoolFileHigh", "N/A");
  Set("SpoolBufferNow", "CLOSED");
  SetText("SpoolBufferHigh", "N/A");
  SetSpoolChoice(vantrel::gSpoolChoice);
  SetText("PodState", "UNCONFIGURED");
  Set("PodStatus", "INACTIVE");
  for (const char* prefix : {"LogFile", "DisplayFile"}) {
    const std::string p = prefix;
    SetText((p + "Name").c_str(), "N/A");
    SetText((p + "State").c_str(), "CLOSED");
    SetText((p + "Size").c_str(), "N/A");
  }
}

void TTraceStatusForm::UpdateTraceState() {
  if (vantrel::gTrace.TraceRunning) {
    // A replay runs without a pod, so the pod's flags say nothing about it.
    const bool replay = !vantrel::gTraceFiles.logReadName.empty();
    if (!replay && (!vantrel::ReadPodAlive() || vantrel::ReadPodMemoryFull())) {
      Set("TraceState", "CAPTURE COMPLETE", StatusColour::Red);
    } else {
      Set("TraceState", "CAPTURE IN PROGRESS", StatusColour::Green);
    }
  } else if (FieldText("TraceState") == "CAPTURE IN PROGRESS") {
    SetText("TraceState", "CAPTURE COMPLETE");
  }
}

void TTraceStatusForm::Finish() {
  if (FieldText("TraceState") != "CAPTURE COMPLETE") Set("TraceState", "CAPTURE IN PROGRESS", StatusColour::Green);
  Update();
}

void TTraceStatusForm::UpdateTraceTime() {
  const vantrel::TraceClock c = vantrel::CurrentTraceClock();
  SetText("TraceTime", vantrel::FormatTraceTime(c.hours, c.minutes, c.micros));
}

void TTraceStatusForm::UpdateCounters() {
  SetText("MsgsCaptured", vantrel::FormatCount(vantrel::MsgNumberHigh(), vantrel::MsgNumberLow()));
  SetText("MsgsDisplayed",
          vantrel::FormatCount(vantrel::gDisplayedLines.thousandsOfMillions, vantrel::gDisplayedLines.units));
}

void TTraceStatusForm::UpdateDiskSpool() {
  namespace sf = vantrel::SpoolFile;
  if (!sf::IsOpen()) {
    Set("SpoolFileNow", "CLOSED");
    SetText("SpoolFileHigh", "N/A");
    return;
  }
  const std::uint32_t count = sf::Count(), capacity = sf::Capacity(), high = sf::HighWater();
  if (capacity == 0) return;  // closed or busy in between: keep the last texts
  const bool wasRed = FieldColour("SpoolFileNow") == StatusColour::Red;
  const vantrel::SpoolNowText now = vantrel::SpoolNowField(count, capacity, wasRed, 1e6, " MB");
  Set("SpoolFileNow", now.text, now.colour);
  SetText("SpoolFileHigh", vantrel::SpoolAmountText(high, 1e6, " MB"));
}

void TTraceStatusForm::UpdateRamSpool() {
  if (!vantrel::RamSpool.Exists()) {
    Set("SpoolBufferNow", "CLOSED");
    SetText("SpoolBufferHigh", "N/A");
    return;
  }
  const std::uint32_t capacity = vantrel::gSpool.sizeBytes / vantrel::kSpoolRecordSize;
  const bool wasRed = FieldColour("SpoolBufferNow") == StatusColour::Red;
  const vantrel::SpoolNowText now = vantrel::SpoolNowField(vantrel::RamSpool.Count(), capacity, wasRed, 1e3, " KB");
  Set("SpoolBufferNow", now.text, now.colour);
  SetText("SpoolBufferHigh", vantrel::SpoolAmountText(vantrel::RamSpool.HighWater(), 1e3, " KB"));
}

void TTraceStatusForm::UpdatePod() {
  if (!vantrel::PodInitialized) {
    SetText("PodState", "UNCONFIGURED");
    Set("PodStatus", "INACTIVE");
    return;
  }
  SetText("PodState", "CONFIGURED");
  const QString status = FieldText("PodStatus");
  if (vantrel::gTrace.TraceRunning) {
    if (!vantrel::ReadPodAlive()) {
      Set("PodStatus", "NOT OK", StatusColour::Red);
    } else if (status != "FIFO FULL TERMINATION") {
      if (vantrel::ReadPodMemoryFull()) {
        Set("PodStatus", "FIFO FULL TERMINATION", StatusColour::Red);
      } else if (vantrel::ReadPodFifoEmpty()) {
        Set("PodStatus", "FIFO EMPTY", StatusColour::Green);
      } else {
        Set("PodStatus", "FIFO FILLING", StatusColour::Green);
      }
    }
  } else if (status != "FIFO FULL TERMINATION" && status != "NOT OK") {
    Set("PodStatus", "INACTIVE");
  }
}

void TTraceStatusForm::UpdateFiles() {
  namespace lf = vantrel::LogFile;
  namespace df = vantrel::DisplayFile;
  const vantrel::TraceFiles& files = vantrel::gTraceFiles;
  const bool writing = lf::LogWriteOpen || df::DisplayFileOpen;
  const std::uint64_t free = writing ? FreeBytes() : 0;
  if (lf::LogWriteOpen) {
    SetText("LogFileName", BaseName(files.logWriteName));
    SetText("LogFileState", "OPEN - WRITE");
    SetText("LogFileSize", vantrel::FileSizeText(lf::WrittenSizeKB(), free));
  } else if (lf::LogReadOpen) {
    SetText("LogFileName", BaseName(files.logReadName));
    SetText("LogFileState", "OPEN - READ");
  } else if (!files.logWriteName.empty()) {
    SetText("LogFileName", BaseName(files.logWriteName));
    SetText("LogFileState", "PENDING - WRITE");
  } else {
    // A replay that has ended still names its log until the next trace.
    if (!files.logReadName.empty()) SetText("LogFileName", BaseName(files.logReadName));
    SetText("LogFileState", "CLOSED");
  }
  if (df::DisplayFileOpen) {
    SetText("DisplayFileName", BaseName(files.displayFileName));
    SetText("DisplayFileState", "OPEN - WRITE");
    SetText("DisplayFileSize", vantrel::FileSizeText(df::WrittenSizeKB(), free));
  } else if (!files.displayFileName.empty()) {
    SetText("DisplayFileName", BaseName(files.displayFileName));
    SetText("DisplayFileState", "PENDING - WRITE");
  } else {
    SetText("DisplayFileState", "CLOSED");
  }
}

void TTraceStatusForm::Update() {
  const std::string fault = "<EXCEPTION DETECTED>";
  auto mark = [&](std::initializer_list<const char*> names) {
    return [this, names, &fault] {
      for (const char* n : names) SetText(n, fault);
    };
  };
  Guarded([this] { UpdateTraceState(); }, mark({"TraceState"}));
  Guarded([this] { UpdateTraceTime(); }, mark({"TraceTime"}));
  Guarded([this] { UpdateCounters(); }, mark({"MsgsCaptured", "MsgsDisplayed"}));
  Guarded([this] { UpdateDiskSpool(); }, mark({"SpoolFileNow", "SpoolFileHigh"}));
  Guarded([this] { UpdateRamSpool(); }, mark({"SpoolBufferNow", "SpoolBufferHigh"}));
  Guarded([this] { UpdatePod(); }, mark({"PodState", "PodStatus"}));
  Guarded([this] { UpdateFiles(); },
          mark({"LogFileName", "LogFileState", "LogFileSize", "DisplayFileName", "DisplayFileState", "DisplayFileSize"}));
}

void TTraceStatusForm::UpdateTimerTimer() { Update(); }

void TTraceStatusForm::showEvent(QShowEvent* event) {
  if (!vantrel::gTrace.TraceRunning && FieldText("TraceState") == "TraceState") Initialize();
  UpdateTimer->start();
  QWidget::showEvent(event);
}

void TTraceStatusForm::hideEvent(QHideEvent* event) {
  UpdateTimer->stop();
  QWidget::hideEvent(event);
}
