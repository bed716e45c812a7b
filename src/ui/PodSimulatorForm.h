// The "Pod Simulator" window: which bus the simulated pod listens to, and the
// world around it: the cable pulled and plugged back, the loopback jumper,
// a recording memory that fills. Not modal, so a trace can run beside it.
#pragma once
#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QPushButton;
class QTimer;

class TPodSimulatorForm : public QWidget {
  Q_OBJECT

 public:
  explicit TPodSimulatorForm(QWidget* parent = nullptr);
  void ScenarioClick(int index);
  void PlugButtonClick();  // unplugs, or plugs back in
  // Unplugs for three seconds: the pod comes back by itself, even while the
  // lost-pod retries hold the program.
  void BriefUnplugButtonClick();
  void FillButtonClick();
  void JumperBoxClick();
  void RefreshStatus();

  QButtonGroup* ScenarioButtons = nullptr;
  QPushButton* PlugButton = nullptr;
  QPushButton* BriefUnplugButton = nullptr;
  QPushButton* FillButton = nullptr;
  QCheckBox* JumperBox = nullptr;
  QLabel* StatusLabel = nullptr;
  QTimer* RefreshTimer = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
};
