// The main window as a user drives it: start-up, the menu tree, log file
// selection and replays with paging and halts, the display options.
#include <QtTest>

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <memory>

#include "UiTestSupport.h"
#include "analysis/Revisions.h"
#include "decode/DisplayOptions.h"
#include "decode/ParseAH.h"
#include "pipeline/DisplayLoop.h"
#include "pipeline/MessageTables.h"
#include "pipeline/TraceControl.h"
#include "pipeline/TraceState.h"
#include "pod/PodInterface.h"
#include "ui/MainForm.h"
#include "ui/MatchForm.h"
#include "ui/Platform.h"
#include "ui/TraceStatusForm.h"

using vantrel::DataProtocol;

namespace {

constexpr int kReplayTimeoutMs = 60000;

TMainForm::Options TestOptions() {
  TMainForm::Options o;
  o.aboutAtStart = false;
  return o;
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

  std::unique_ptr<FakeDialogs> dialogs_;
  std::unique_ptr<TMainForm> form_;

  TMainForm& Form() { return *form_; }
  QAction* Menu(const char* name) { return form_->MenuItem(name); }
  // The display may still be empty while a replay starts.
  QString LastLine() {
    const QStringList lines = Form().DisplayLines();
    return lines.isEmpty() ? QString() : lines.back();
  }
  bool Idle() { return !vantrel::gTrace.TraceRunning && Form().TraceButton->text() == "Trace"; }
  void StartReplay(const QString& log) {
    dialogs_->fileAnswers << log;
    Menu("MenuSetupLogRead")->trigger();
  }

 private Q_SLOTS:
  void init() {
    dialogs_ = std::make_unique<FakeDialogs>();
    form_ = std::make_unique<TMainForm>(TestOptions());
    form_->show();
  }

  void cleanup() {
    form_.reset();
    dialogs_.reset();
    vantrel::gRevisions = {};
  }

  void cleanupTestCase() { QFile::remove(GeneratedLog(400000)); }

  void startUpText() {
    const QStringList lines = Form().DisplayLines();
    QVERIFY(lines.size() >= 11);
    QCOMPARE(lines.mid(0, 8), QStringList({"Welcome I2C Bus Developers", "",
                                           "This software is designed to work with the OSN Vantrel",
                                           "Pod, but can be used in Software-Only mode to view pre-recorded trace",
                                           "log files. (See Setup|Open Log File for Read...)", "",
                                           "Program Installation Information:", ""}));
    const QString user = QString::fromStdString(vantrel::platform::UserName());
    QCOMPARE(lines[8], "  Installation Folder = \"" + QCoreApplication::applicationDirPath() + "/\"");
    QCOMPARE(lines[9], "  Application Data Folder = \"" + qEnvironmentVariable("XDG_DATA_HOME") + "/Orbisan/Vantrel 3.1/\"");
    QCOMPARE(lines[10], "  User Name = \"" + user + "\"");
    QCOMPARE(QString::fromStdString(Form().UserName()), user);
    QVERIFY(QDir(qEnvironmentVariable("XDG_DATA_HOME") + "/Orbisan/Vantrel 3.1").exists());
    QCOMPARE(Form().windowTitle(), QString("Vantrel - Release 3"));
    QCOMPARE(Form().TraceButton->text(), QString("Trace"));
    QVERIFY(!Form().HaltButton->isEnabled());
    QCOMPARE(Form().findChild<QMenu*>("MenuUser")->title(), user);
    // The About window is not shown: tests pass aboutAtStart = false.
    QTest::qWait(700);
    QVERIFY(dialogs_->modalShown.isEmpty());
  }

  void missingInstallationNote() {
    form_.reset();
    const QByteArray xdg = qgetenv("XDG_DATA_HOME"), home = qgetenv("HOME");
    qunsetenv("XDG_DATA_HOME");
    qputenv("HOME", "");
    form_ = std::make_unique<TMainForm>(TestOptions());
    qputenv("XDG_DATA_HOME", xdg);
    qputenv("HOME", home);
    const QStringList lines = Form().DisplayLines();
    // Without HOME the password database gives the home folder, so only a
    // missing one leaves the data folder empty; either way the text is whole.
    if (Form().DataFolder().empty()) {
      QCOMPARE(lines[9], QString("  Application Data Folder = \"\""));
      QCOMPARE(lines.mid(11), QStringList({"", "Some installation data is missing. The missing data may limit some",
                                            "program features. This can happen if you run the program without",
                                            "performing a complete installation with setup.exe."}));
    } else {
      QCOMPARE(lines.size(), 11);
    }
  }

  void menuChecksAreTheTraceOptions() {
    Menu("MenuSetupTraceDisplay")->trigger();
    Menu("MenuOptionsAutoPause")->trigger();
    Menu("MenuSetupEnableBitTiming")->trigger();
    QVERIFY(!vantrel::gTraceOptions.EnableTraceDisplay);
    QVERIFY(vantrel::gTraceOptions.LogReadAutoPause);
    QVERIFY(vantrel::gTraceOptions.EnableBitTiming);
  }

  void laterWindowsOpenFromTheirMenus() {
    Menu("MenuSetupTriggerOut")->trigger();
    QVERIFY(Form().TriggerOut->isVisible());
    QCOMPARE(Form().TriggerOut->windowTitle(), QString("Trigger Out Setup"));
    Menu("MenuSetupThreshold")->trigger();
    Menu("MenuSetupPodInterface")->trigger();
    QCOMPARE(dialogs_->modalShown, QStringList({"Thres", "Portsel"}));
    QVERIFY(!vantrel::PodInitialized);
    // Without a pod the Bus Status Viewer first runs the pod initialization,
    // and stays closed when the pod is still not initialized.
    dialogs_->modalShown.clear();
    Menu("MenuViewBusStatus")->trigger();
    QCOMPARE(dialogs_->modalShown, QStringList({"Portsel", "Pod"}));
    Menu("MenuHelpOnline")->trigger();
    QCOMPARE(dialogs_->urls.size(), std::size_t{1});
    QVERIFY(dialogs_->urls[0].toString().startsWith("https://orbisan.example/vantrel/"));
  }

  void replayFromTheMenu() {
    StartReplay(ExampleLog("smart-battery.log"));
    QCOMPARE(dialogs_->fileRequests.size(), std::size_t{1});
    const vantrel::ui::FileDialogRequest& r = dialogs_->fileRequests[0];
    QCOMPARE(r.title, QString("Open Log File for Read"));
    QCOMPARE(r.defaultName, QString("Vantrel.log"));
    QCOMPARE(r.defaultSuffix, QString("log"));
    QCOMPARE(r.folder.toStdString(), Form().DataFolder());
    // Running: the button pages, Halt is on, Setup is locked.
    QCOMPARE(Form().TraceButton->text(), QString("Pause!"));
    QCOMPARE(Form().TraceButton->toolTip(), QString("pause message display (F5)"));
    QVERIFY(Form().HaltButton->isEnabled());
    QVERIFY(!Form().MenuSetup->menuAction()->isEnabled());
    QVERIFY(!Menu("MenuViewBusStatus")->isEnabled());
    QCOMPARE(Menu("MenuSetupLogRead")->text(), QString("Close Log File for Read"));
    QVERIFY(!Menu("MenuSetupLogWrite")->isVisible());

    QTRY_VERIFY_WITH_TIMEOUT(Idle(), kReplayTimeoutMs);
    const QStringList lines = Form().DisplayLines();
    QCOMPARE(lines.back(), QString("Log File Exhausted, Trace Terminated."));
    // The log's header comments come first, as the replay shows them.
    QCOMPARE(lines[0], QString(";Orbisan Corporation"));
    QVERIFY(lines[5].startsWith("Msg     1 [Start]#16[W] 09 [RptStart]#16[R]"));
    QCOMPARE(static_cast<qsizetype>(Form().DisplayLineCount()), lines.size());
    QVERIFY(!Form().HaltButton->isEnabled());
    QVERIFY(Form().MenuSetup->menuAction()->isEnabled());
    // The halt cleared the read selection and restored both items.
    QCOMPARE(Menu("MenuSetupLogRead")->text(), QString("Open Log File for &Read..."));
    QVERIFY(Menu("MenuSetupLogWrite")->isVisible());
    QVERIFY(vantrel::gTraceFiles.logReadName.empty());
    QVERIFY(dialogs_->messages.isEmpty());

    // The halt refreshed Trace Status with the final state, though the
    // replay was shorter than its refresh.
    TTraceStatusForm& status = *Form().TraceStatus;
    QCOMPARE(status.FieldText("TraceState"), QString("CAPTURE COMPLETE"));
    QCOMPARE(status.FieldText("LogFileName"), QString("smart-battery.log"));
    const QString captured = QString::fromStdString(std::to_string(vantrel::MsgNumberLow()));
    QVERIFY(vantrel::MsgNumberLow() > 1000);
    QCOMPARE(status.FieldText("MsgsCaptured").remove(','), captured);
    QCOMPARE(status.FieldText("MsgsDisplayed").remove(','), QString::number(lines.size() - 6));
    QVERIFY(status.FieldText("TraceTime").endsWith(" uS"));
    QCOMPARE(status.FieldText("LogFileState"), QString("CLOSED"));
    QCOMPARE(status.FieldText("SpoolBufferNow"), QString("CLOSED"));
  }

  void traceStatusDuringAReplay() {
    Menu("MenuViewTraceStatus")->trigger();
    TTraceStatusForm& status = *Form().TraceStatus;
    QVERIFY(status.isVisible());
    QCOMPARE(status.FieldText("TraceState"), QString("INACTIVE"));
    QCOMPARE(status.FieldText("SpoolBufferMax"), QString("   100 KB"));
    QVERIFY(status.SpoolBufferPanel->isVisibleTo(&status));
    QVERIFY(!status.SpoolFilePanel->isVisibleTo(&status));

    StartReplay(ExampleLog("smart-battery.log"));
    Form().TraceButton->click();  // "Pause!" holds the trace running
    QCOMPARE(Form().TraceButton->text(), QString("More!"));
    QCOMPARE(Form().TraceButton->toolTip(), QString("resume message display (F5)"));
    status.Update();
    QCOMPARE(status.FieldText("TraceState"), QString("CAPTURE IN PROGRESS"));
    QCOMPARE(status.FieldColour("TraceState"), vantrel::StatusColour::Green);
    QCOMPARE(status.FieldText("LogFileName"), QString("smart-battery.log"));
    QCOMPARE(status.FieldText("LogFileState"), QString("OPEN - READ"));
    QCOMPARE(status.FieldText("PodState"), QString("UNCONFIGURED"));
    QCOMPARE(status.FieldText("PodStatus"), QString("INACTIVE"));
    QCOMPARE(status.FieldText("DisplayFileState"), QString("CLOSED"));

    Form().TraceButton->click();  // "More!"
    QTRY_VERIFY_WITH_TIMEOUT(Idle(), kReplayTimeoutMs);
    // The window's own timer turns the finished trace's state over.
    QTRY_COMPARE(status.FieldText("TraceState"), QString("CAPTURE COMPLETE"));
  }

  void autoPausePagesAReplay() {
    const QString log = GeneratedLog(400000);
    QVERIFY(!log.isEmpty());
    Menu("MenuOptionsAutoPause")->trigger();
    StartReplay(log);
    QTRY_VERIFY_WITH_TIMEOUT(Form().TraceButton->text() == "More!", kReplayTimeoutMs);
    QVERIFY(vantrel::gTrace.TraceRunning);
    QVERIFY(Form().DisplayLineCount() > vantrel::kLineLimit);
    const QStringList paused = Form().DisplayLines();
    QTest::qWait(100);
    QCOMPARE(Form().DisplayLines().size(), paused.size());  // it stays paused

    // "More!" cuts the display back to its last 5000 lines, then runs to the
    // next stop.
    Form().TraceButton->click();
    Form().DataMemoUpdateTimer();  // the next tick, at once
    QCOMPARE(Form().TraceButton->text(), QString("Pause!"));
    QTRY_VERIFY_WITH_TIMEOUT(Form().TraceButton->text() == "More!" || Idle(), kReplayTimeoutMs);
    const QStringList next = Form().DisplayLines();
    QCOMPARE(next.front(), paused[paused.size() - vantrel::kLineLimit / 2]);
    QCOMPARE(next[vantrel::kLineLimit / 2 - 1], paused.back());

    // Halt in the middle: everything goes back to rest.
    Form().HaltButton->click();
    QVERIFY(Idle());
    QVERIFY(!Form().HaltButton->isEnabled());
    QVERIFY(vantrel::gTraceFiles.logReadName.empty());
    QVERIFY(LastLine() != "Log File Exhausted, Trace Terminated.");
    const qsizetype kept = Form().DisplayLines().size();
    QTest::qWait(50);
    QCOMPARE(Form().DisplayLines().size(), kept);
  }

  void traceWithoutPodOrLogStartsNothing() {
    Form().TraceButton->click();
    // The pod initialization window opens (and from it Select Pod
    // Interface); the pod stays uninitialized.
    QCOMPARE(dialogs_->modalShown, QStringList({"Portsel", "Pod"}));
    QVERIFY(Idle());
    QVERIFY(Form().TraceButton->isEnabled());
    QVERIFY(!Form().HaltButton->isEnabled());
    QVERIFY(Form().MenuSetup->menuAction()->isEnabled());
    QVERIFY(dialogs_->messages.isEmpty());
  }

  void clearDisplay() {
    StartReplay(ExampleLog("eeprom.log"));
    QTRY_VERIFY_WITH_TIMEOUT(Idle(), kReplayTimeoutMs);
    QVERIFY(Form().DisplayLineCount() > 10);
    QVERIFY(vantrel::gMsgTables.recordNext > 1);
    Form().ClearDisplayButton->click();
    QCOMPARE(Form().DisplayLineCount(), std::size_t{0});
    QVERIFY(Form().DisplayLines().isEmpty());
    QCOMPARE(vantrel::gMsgTables.recordNext, 1u);
  }

  void logFileSelection() {
    const QString name = QDir::temp().filePath("vantrel-ui-write.log");
    dialogs_->fileAnswers << name;
    Menu("MenuSetupLogWrite")->trigger();
    QCOMPARE(dialogs_->fileRequests.back().title, QString("Open Log File for Write"));
    QVERIFY(dialogs_->fileRequests.back().forWrite);
    QCOMPARE(QString::fromStdString(vantrel::gTraceFiles.logWriteName), name);
    QCOMPARE(Menu("MenuSetupLogWrite")->text(), QString("Close Log File for Write"));
    QVERIFY(!Menu("MenuSetupLogRead")->isVisible());
    Form().TraceStatus->Update();
    QCOMPARE(Form().TraceStatus->FieldText("LogFileState"), QString("PENDING - WRITE"));
    QCOMPARE(Form().TraceStatus->FieldText("LogFileName"), QString("vantrel-ui-write.log"));
    // The same item now closes the selection without a dialog.
    Menu("MenuSetupLogWrite")->trigger();
    QCOMPARE(dialogs_->fileRequests.size(), std::size_t{1});
    QVERIFY(vantrel::gTraceFiles.logWriteName.empty());
    QCOMPARE(Menu("MenuSetupLogWrite")->text(), QString("Open Log File for &Write..."));
    QVERIFY(Menu("MenuSetupLogRead")->isVisible());
    // A cancelled dialog changes nothing and starts nothing.
    Menu("MenuSetupLogRead")->trigger();
    QVERIFY(vantrel::gTraceFiles.logReadName.empty());
    QVERIFY(Idle());
    QCOMPARE(Menu("MenuSetupLogRead")->text(), QString("Open Log File for &Read..."));
  }

  void displayFileSelection() {
    const QString name = QDir::temp().filePath("a&b.txt");
    dialogs_->fileAnswers << name;
    Menu("MenuSetupDisplayFileWrite")->trigger();
    QCOMPARE(dialogs_->fileRequests.back().defaultName, QString("Vantrel.txt"));
    QCOMPARE(Menu("MenuSetupDisplayFileWrite")->text(), QString("Close Display File (a&&b.txt)"));
    Menu("MenuSetupDisplayFileWrite")->trigger();
    QVERIFY(vantrel::gTraceFiles.displayFileName.empty());
    QCOMPARE(Menu("MenuSetupDisplayFileWrite")->text(), QString("Open Display File for Write..."));
    // Reading a display file hands it to the desktop.
    dialogs_->fileAnswers << name;
    Menu("MenuSetupDisplayFileRead")->trigger();
    QCOMPARE(dialogs_->fileRequests.back().title, QString("Open Display File for Read"));
    QCOMPARE(dialogs_->urls.back(), QUrl::fromLocalFile(name));
  }

  void replayNamedAtStartUp() {
    form_.reset();
    TMainForm::Options o = TestOptions();
    o.startupLog = ExampleLog("eeprom.log");
    form_ = std::make_unique<TMainForm>(o);
    QTRY_VERIFY_WITH_TIMEOUT(LastLine() == "Log File Exhausted, Trace Terminated.", kReplayTimeoutMs);
    QVERIFY(Idle());
    QVERIFY(dialogs_->modalShown.isEmpty());
  }

  void systemDiagnostics() {
    Menu("MenuSetupDiagnostics")->trigger();
    const QStringList lines = Form().DisplayLines();
    QCOMPARE(lines.size(), 12);
    QCOMPARE(lines.mid(0, 3), QStringList({"Vantrel", "System Diagnostics Support", ""}));
    QVERIFY(lines[3].startsWith("OS: Linux V"));
    QCOMPARE(lines.mid(4, 2), QStringList({"", "Available Pod Interfaces:"}));
    // Found or not, depending on the machine; no board and no adapter either way.
    QVERIFY(lines[6].startsWith("ISA/PCI/PCMCIA/PCIe Pod Interface Driver (libcomedi.so.0) "));
    QVERIFY(lines[7].startsWith("USB Pod Interface Driver ("));
    QCOMPARE(lines[8], QString("Pod Simulator Available."));  // offered, but not hardware found
    QCOMPARE(lines.mid(9), QStringList({"", "Testing Pod Interface:", "Pod Interface NOT FOUND!"}));
  }

  void displayOptionsAreLive() {
    QCheckBox* ack = Form().OptionBoxes["DisplayAck"];
    QCOMPARE(ack->text(), QString("Ack"));
    QCOMPARE(ack->isChecked(), vantrel::gDisplay.DisplayAck);
    ack->click();
    QCOMPARE(vantrel::gDisplay.DisplayAck, ack->isChecked());
    Form().OptionBoxes["DisplayFilter"]->click();
    QVERIFY(!vantrel::gDisplay.DisplayFilter);
    Form().ProtocolButtons[DataProtocol::CD]->click();
    QCOMPARE(vantrel::gDisplay.Protocol, DataProtocol::CD);
    // Restore Default puts options and controls back together.
    Menu("MenuSetupSettingsRestore")->trigger();
    QVERIFY(vantrel::gDisplay.DisplayFilter);
    QVERIFY(Form().OptionBoxes["DisplayFilter"]->isChecked());
    QVERIFY(Form().ProtocolButtons[vantrel::gDisplay.Protocol]->isChecked());
    QVERIFY(!Form().ProtocolButtons[DataProtocol::CD]->isChecked());
    QVERIFY(!Form().ProtocolButtons[DataProtocol::Raw]->isVisibleTo(&Form()));
  }

  void protocolButtonsEnablePecAndByteTime() {
    QCheckBox* pec = Form().OptionBoxes["PECChecked"];
    QCheckBox* byteTime = Form().OptionBoxes["DisplayByteTime"];
    QVERIFY(!pec->isEnabled());  // disabled at start
    vantrel::gRevisions.SMBusRev = 0;
    Form().ProtocolButtons[DataProtocol::SBS]->click();
    QVERIFY(!pec->isEnabled());
    QVERIFY(!byteTime->isEnabled());
    vantrel::gRevisions.SMBusRev = 1;
    Form().ProtocolButtons[DataProtocol::SBS]->click();
    QVERIFY(pec->isEnabled());
    QVERIFY(!byteTime->isEnabled());
    Form().ProtocolButtons[DataProtocol::HEX]->click();
    QVERIFY(!pec->isEnabled());
    QVERIFY(byteTime->isEnabled());
    for (DataProtocol p : {DataProtocol::ASCII, DataProtocol::CD, DataProtocol::BIN}) {
      Form().ProtocolButtons[DataProtocol::SBS]->click();
      Form().ProtocolButtons[p]->click();
      QVERIFY(!pec->isEnabled());
      QVERIFY(byteTime->isEnabled());
    }
  }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
