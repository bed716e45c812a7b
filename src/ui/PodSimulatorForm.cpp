#include "ui/PodSimulatorForm.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include "pod/PodSimulator.h"
#include "pod/SoftwarePod.h"

TPodSimulatorForm::TPodSimulatorForm(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("PodSimulator");
  setWindowTitle("Pod Simulator");
  auto* scenarios = new QGroupBox("Bus Scenario (from the next Trace on)", this);
  auto* scenarioLayout = new QVBoxLayout(scenarios);
  ScenarioButtons = new QButtonGroup(this);
  const auto& list = vantrel::SimScenarios();
  for (std::size_t i = 0; i < list.size(); ++i) {
    auto* b = new QRadioButton(QString::fromLatin1(list[i].name), scenarios);
    ScenarioButtons->addButton(b, static_cast<int>(i));
    scenarioLayout->addWidget(b);
  }
  connect(ScenarioButtons, &QButtonGroup::idClicked, this, &TPodSimulatorForm::ScenarioClick);

  auto* pod = new QGroupBox("Pod", this);
  auto* podLayout = new QVBoxLayout(pod);
  StatusLabel = new QLabel(pod);
  StatusLabel->setObjectName("StatusLabel");
  PlugButton = new QPushButton(pod);
  PlugButton->setObjectName("PlugButton");
  PlugButton->setToolTip("pull the pod's cable, or plug it back in");
  BriefUnplugButton = new QPushButton("Unplug for &3 s", pod);
  BriefUnplugButton->setObjectName("BriefUnplugButton");
  BriefUnplugButton->setToolTip("pull the pod's cable and plug it back three seconds later");
  FillButton = new QPushButton("&Fill Memory", pod);
  FillButton->setObjectName("FillButton");
  FillButton->setToolTip("the pod's recording memory is full from now on");
  JumperBox = new QCheckBox("&Loopback jumper fitted (Pin 25 to Pin 29)", pod);
  JumperBox->setObjectName("JumperBox");
  auto* podButtons = new QHBoxLayout;
  podButtons->addWidget(PlugButton);
  podButtons->addWidget(BriefUnplugButton);
  podButtons->addWidget(FillButton);
  podButtons->addStretch();
  podLayout->addWidget(StatusLabel);
  podLayout->addLayout(podButtons);
  podLayout->addWidget(JumperBox);
  connect(PlugButton, &QPushButton::clicked, this, &TPodSimulatorForm::PlugButtonClick);
  connect(BriefUnplugButton, &QPushButton::clicked, this, &TPodSimulatorForm::BriefUnplugButtonClick);
  connect(FillButton, &QPushButton::clicked, this, &TPodSimulatorForm::FillButtonClick);
  connect(JumperBox, &QCheckBox::clicked, this, &TPodSimulatorForm::JumperBoxClick);

  auto* close = new QPushButton("Close", this);
  connect(close, &QPushButton::clicked, this, &QWidget::close);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(scenarios);
  layout->addWidget(pod);
  layout->addLayout(buttons);

  RefreshTimer = new QTimer(this);
  RefreshTimer->setInterval(250);
  connect(RefreshTimer, &QTimer::timeout, this, &TPodSimulatorForm::RefreshStatus);
}

void TPodSimulatorForm::ScenarioClick(int index) {
  const auto& list = vantrel::SimScenarios();
  if (index >= 0 && static_cast<std::size_t>(index) < list.size()) vantrel::SetSimulatorScenario(list[index].id);
}

void TPodSimulatorForm::PlugButtonClick() {
  vantrel::SoftwarePod& pod = vantrel::SimulatorPod();
  if (pod.Snapshot().plugged) pod.Unplug(); else pod.PlugIn();
  RefreshStatus();
}

void TPodSimulatorForm::BriefUnplugButtonClick() {
  vantrel::SimulatorPod().UnplugFor(std::chrono::seconds(3));
  RefreshStatus();
}

void TPodSimulatorForm::FillButtonClick() {
  vantrel::SimulatorPod().FillMemory();
  RefreshStatus();
}

void TPodSimulatorForm::JumperBoxClick() {
  vantrel::SimulatorPod().SetLoopbackJumper(JumperBox->isChecked());
  RefreshStatus();
}

void TPodSimulatorForm::RefreshStatus() {
  const vantrel::SoftwarePod::State s = vantrel::SimulatorPod().Snapshot();
  QString text;
  if (!s.plugged) {
    text = "Unplugged";
  } else {
    text = s.configured ? "Plugged in, configured" : "Plugged in, not configured";
    if (s.recording) text += ", recording";
    text += QString(", %1 bytes held").arg(s.memoryUsed);
    if (s.memoryFull) text += ", MEMORY FULL";
  }
  StatusLabel->setText(text);
  PlugButton->setText(s.plugged ? "&Unplug" : "&Plug In");
  BriefUnplugButton->setEnabled(s.plugged);
  FillButton->setEnabled(s.plugged && !s.memoryFull);
  JumperBox->setChecked(s.jumpered);
}

void TPodSimulatorForm::showEvent(QShowEvent* event) {
  const vantrel::SimScenario current = vantrel::SimulatorScenario();
  const auto& list = vantrel::SimScenarios();
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (list[i].id == current) ScenarioButtons->button(static_cast<int>(i))->setChecked(true);
  }
  RefreshStatus();
  RefreshTimer->start();
  QWidget::showEvent(event);
}

void TPodSimulatorForm::hideEvent(QHideEvent* event) {
  RefreshTimer->stop();
  QWidget::hideEvent(event);
}
