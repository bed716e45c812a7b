// The Trace Status window: four times a second, the state of the running
// trace, its counts and time, the spools, the pod and the trace files.
#pragma once
#include <QWidget>
#include <map>
#include <string>

#include "ui/TraceStatusFormat.h"

class QGroupBox;
class QLineEdit;
class QTimer;

namespace vantrel { struct SpoolChoice; }

class TTraceStatusForm : public QWidget {
  Q_OBJECT

 public:
  explicit TTraceStatusForm(QWidget* parent = nullptr);

  // Trace start, and showing the window while no trace runs.
  void Initialize();
  // The 250 ms timer; also the display loop before a lost-pod retry.
  void Update();
  // A halt: the final counts and files, the capture complete even when it
  // ended between two refreshes.
  void Finish();
  // The Spool Setup window's choice: "Max" captions and the visible panel.
  void SetSpoolChoice(const vantrel::SpoolChoice& choice);

  QString FieldText(const char* name) const;
  vantrel::StatusColour FieldColour(const char* name) const;

  QTimer* UpdateTimer = nullptr;
  QGroupBox* SpoolBufferPanel = nullptr;
  QGroupBox* SpoolFilePanel = nullptr;

  void UpdateTimerTimer();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  QLineEdit* Field(const char* name) const;
  void Set(const char* name, const std::string& text, vantrel::StatusColour colour = vantrel::StatusColour::Default);
  void SetText(const char* name, const std::string& text);
  void UpdateTraceState();
  void UpdateTraceTime();
  void UpdateCounters();
  void UpdateDiskSpool();
  void UpdateRamSpool();
  void UpdatePod();
  void UpdateFiles();

  std::map<std::string, QLineEdit*> fields_;
  std::map<std::string, vantrel::StatusColour> colours_;
};
