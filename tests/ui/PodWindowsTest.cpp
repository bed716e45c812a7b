// A new user with no hardware: choose the pod simulator, initialize the pod,
// trace live, read the bus voltages, pull the pod's cable and plug it back.
#include <QtTest>

#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <memory>

#include "UiTestSupport.h"
#include "pipeline/TraceControl.h"
#include "pipeline/TraceState.h"
#include "pod/PodInterface.h"
#include "pod/PodSimulator.h"
#include "pod/SoftwarePod.h"
#include "ui/MainForm.h"
#include "ui/PodForm.h"
#include "ui/PodSimulatorForm.h"
#include "ui/PortselForm.h"
#include "ui/ViewStatusForm.h"

namespace {

constexpr int kLiveTimeoutMs = 20000;

int MessageLines(const QStringList& lines) {
  int n = 0;
  for (const QString& l : lines) n += l.startsWith("Msg ") ? 1 : 0;
  return n;
}

}  // namespace

class PodWindowsTest : public QObject {
  Q_OBJECT

  std::unique_ptr<FakeDialogs> dialogs_;
  std::unique_ptr<TMainForm> form_;
  QStringList volts_;

  QAction* Menu(const char* name) { return form_->MenuItem(name); }

  // The modal windows, answered as the user would.
  int Answer(QDialog& d) {
    if (auto* portsel = qobject_cast<TPortselForm*>(&d)) {
      const auto items = portsel->BoardNumListBox->findItems("Pod Simulator", Qt::MatchExactly);
      if (items.isEmpty()) return QDialog::Rejected;
      portsel->BoardNumListBox->setCurrentItem(items.first());
      portsel->OKButtonClick();
      return d.result();
    }
    if (auto* pod = qobject_cast<TPodForm*>(&d)) {
      pod->ContinueBtnClick();  // the configuration file comes from the dialog
      if (pod->PodFormOkBtn->isHidden()) return QDialog::Rejected;
      pod->PodFormOkBtnClick();
      return d.result();
    }
    if (auto* view = qobject_cast<TViewStatusForm*>(&d)) {
      view->Timer1Timer();
      volts_ = {view->SCLEdit->text(), view->SDAEdit->text(), view->BUSEdit->text()};
      view->CloseButton->click();
      return d.result();
    }
    return QDialog::Rejected;
  }

 private Q_SLOTS:
  void init() {
    dialogs_ = std::make_unique<FakeDialogs>();
    dialogs_->onModal = [this](QDialog& d) { return Answer(d); };
    TMainForm::Options o;
    o.aboutAtStart = false;
    form_ = std::make_unique<TMainForm>(o);
    form_->show();
    QTRY_VERIFY(!form_->LoadSettings->isActive());  // start-up done: its settings load releases the pod
    vantrel::SetSimulatorScenario(vantrel::SimScenario::SmartBattery);
  }

  void cleanup() {
    form_.reset();
    dialogs_.reset();
  }

  void liveTraceFromThePodSimulator() {
    Menu("MenuSetupPodInterface")->trigger();
    QVERIFY(vantrel::gPodSelection.InterfaceType == vantrel::InterfaceKind::Simulator);

    // Bus Status Viewer first initializes the pod.
    dialogs_->modalShown.clear();
    dialogs_->fileAnswers << QStringLiteral(VANTREL_POD_IMAGE);
    Menu("MenuViewBusStatus")->trigger();
    QVERIFY(vantrel::PodInitialized);
    QCOMPARE(dialogs_->modalShown.join(","), QString("Portsel,Pod,ViewStatus"));
    QCOMPARE(volts_, QStringList({"3.30", "3.30", "3.30"}));  // an idle bus

    form_->TraceButtonClick();
    QTRY_VERIFY_WITH_TIMEOUT(MessageLines(form_->DisplayLines()) >= 10, kLiveTimeoutMs);
    QVERIFY(vantrel::gTrace.TraceRunning);
    QVERIFY(form_->DisplayLines().join('\n').contains("[Start]#16[W]"));  // the host polls the battery

    // The cable pulled, then plugged back: the trace restarts on its own.
    TPodSimulatorForm& sim = *form_->PodSimulator;
    Menu("MenuOptionsPodSimulator")->trigger();
    QVERIFY(sim.isVisible());
    // The pod comes back while the retries hold the program.
    sim.BriefUnplugButtonClick();
    QVERIFY(!vantrel::SimulatorPod().Snapshot().plugged);
    QTRY_VERIFY_WITH_TIMEOUT(!vantrel::gTrace.TraceRunning, kLiveTimeoutMs);
    // The new trace empties the display and starts from the pod's start again.
    QTRY_VERIFY_WITH_TIMEOUT(vantrel::gTrace.TraceRunning && MessageLines(form_->DisplayLines()) >= 5, kLiveTimeoutMs);
    QVERIFY(form_->DisplayLines().first().startsWith("Msg     1 "));
    QVERIFY(!form_->DisplayLines().contains("Pod Communication Lost, Attempting Retry (3) of (10)."));
    QVERIFY(vantrel::SimulatorPod().Snapshot().recording);

    // A full memory ends the trace.
    sim.FillButtonClick();
    QTRY_VERIFY_WITH_TIMEOUT(!vantrel::gTrace.TraceRunning, kLiveTimeoutMs);
    sim.close();
  }
};

QTEST_MAIN(PodWindowsTest)
#include "PodWindowsTest.moc"
