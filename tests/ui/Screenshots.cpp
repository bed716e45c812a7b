// Captures the program's windows for the documentation: the main window
// replaying the Smart Battery example with Message Detail and Activity Chart
// open, then Message Timing and Message Diagnostics of one picked message,
// and the pod windows with the pod simulator.
// With "layout", captures instead the windows whose layout follows their
// content: Message Data Filter, Slave Address Map with its legends, Spool
// Setup beside Trace Status after switching spools, the main window at its
// smallest, and a search in the display.
// With "guide", captures every window of the program for the user guide, each
// in a state a user meets it in, under a title bar with its caption (the
// virtual display has no window manager to draw one). The pod is the pod
// simulator; the data folder is a fresh one, so no saved settings creep in.
// Usage: ui_screenshots OUTDIR [layout|guide]   (scripts/screenshot runs it on a virtual X display)
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <map>

#include "UiTestSupport.h"
#include "pipeline/TraceState.h"
#include "pod/PodSimulator.h"
#include "ui/ActivityForm.h"
#include "ui/AddrMapForm.h"
#include "ui/AliasForm.h"
#include "ui/ImportForm.h"
#include "ui/MsgFilterSelectForm.h"
#include "ui/PatternForm.h"
#include "ui/PodForm.h"
#include "ui/PortselForm.h"
#include "ui/RTViewerForm.h"
#include "ui/RevRprtForm.h"
#include "ui/SBSRevForm.h"
#include "ui/SpoolSetupForm.h"
#include "ui/TraceControlForm.h"
#include "ui/TraceStatusForm.h"
#include "ui/BTimingForm.h"
#include "ui/DetailForm.h"
#include "pipeline/MessageTables.h"
#include "ui/MainForm.h"
#include "ui/MatchForm.h"
#include "ui/PodSimulatorForm.h"
#include "ui/RawDataForm.h"
#include "ui/ViewStatusForm.h"

namespace {

void Settle(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

bool Save(QWidget& w, const QDir& dir, const char* name) {
  w.raise();
  Settle(300);
  const QString path = dir.filePath(QString::fromLatin1(name));
  const bool ok = w.grab().save(path);
  std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
  return ok;
}

// Two windows side by side in one picture.
bool SaveBoth(QWidget& a, QWidget& b, const QDir& dir, const char* name) {
  Settle(300);
  const QPixmap left = a.grab(), right = b.grab();
  QPixmap both(left.width() + 12 + right.width(), std::max(left.height(), right.height()));
  both.fill(Qt::darkGray);
  QPainter p(&both);
  p.drawPixmap(0, 0, left);
  p.drawPixmap(left.width() + 12, 0, right);
  p.end();
  const QString path = dir.filePath(QString::fromLatin1(name));
  const bool ok = both.save(path);
  std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
  return ok;
}

int LayoutShots(TMainForm& form, const QDir& out) {
  auto* pattern = form.findChild<TPatternForm*>();
  pattern->show();
  bool ok = Save(*pattern, out, "layout-data-filter.png");
  pattern->hide();
  auto* map = form.findChild<TAddrMapForm*>();
  map->show();
  map->InfoButton->click();
  ok = Save(*map, out, "layout-address-map.png") && ok;
  map->hide();
  // Spool Setup switched to the disk spool and back, beside Trace Status.
  form.MenuItem("MenuViewTraceStatus")->trigger();
  form.SpoolSetup->show();
  form.SpoolSetup->SpoolDevice->button(1)->click();
  Settle(100);
  form.SpoolSetup->SpoolDevice->button(0)->click();
  ok = SaveBoth(*form.SpoolSetup, *form.TraceStatus, out, "layout-spool-setup.png") && ok;
  form.SpoolSetup->hide();
  form.TraceStatus->hide();
  // The main window at its smallest.
  form.resize(form.minimumSizeHint());
  ok = Save(form, out, "layout-main-window-smallest.png") && ok;
  // Find in the display, and its context menu.
  form.resize(900, 640);
  form.activateWindow();
  form.DataMemo->setFocus();
  Settle(100);
  QTest::keyClick(form.DataMemo, Qt::Key_F, Qt::ControlModifier);
  Settle(100);
  QTest::keyClicks(QApplication::focusWidget(), "#12[W] 15");
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_F3);
  ok = Save(form, out, "layout-find.png") && ok;
  auto* popup = form.findChild<QMenu*>("PopupMenu1");
  popup->popup(form.mapToGlobal(QPoint(200, 200)));
  ok = Save(*popup, out, "layout-context-menu.png") && ok;
  popup->hide();
  return ok ? 0 : 1;
}


// ---- guide ------------------------------------------------------------------

constexpr const char* kExhausted = "Log File Exhausted, Trace Terminated.";

// A window as the user sees it: its caption in a title bar above it.
QPixmap Framed(QWidget& w) {
  const QPixmap body = w.grab();
  const int bar = 26;
  QPixmap out(body.width() + 2, body.height() + bar + 1);
  out.fill(QColor(64, 64, 64));
  QPainter p(&out);
  p.drawPixmap(1, bar, body);
  QFont f = w.font();
  f.setBold(true);
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(QRect(10, 0, out.width() - 20, bar), Qt::AlignVCenter | Qt::AlignLeft, w.windowTitle());
  return out;
}

bool SavePixmap(const QPixmap& pixmap, const QDir& dir, const QString& name) {
  const QString path = dir.filePath(name);
  // Highest compression: the pictures live in the repository.
  const bool ok = !pixmap.isNull() && pixmap.toImage().convertToFormat(QImage::Format_RGB888).save(path, "PNG", 0);
  std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
  return ok;
}

// Pictures side by side: one window in two states.
QPixmap SideBySide(const QList<QPixmap>& pictures) {
  int width = 0, height = 0;
  for (const QPixmap& p : pictures) {
    width += p.width() + 12;
    height = std::max(height, p.height());
  }
  QPixmap all(width - 12, height);
  all.fill(Qt::white);
  QPainter painter(&all);
  int x = 0;
  for (const QPixmap& p : pictures) {
    painter.drawPixmap(x, 0, p);
    x += p.width() + 12;
  }
  return all;
}

bool WaitFor(const std::function<bool()>& done, int ms) {
  for (int waited = 0; waited < ms; waited += 50) {
    if (done()) return true;
    Settle(50);
  }
  return done();
}

int MessageLineCount(const TMainForm& form) {
  int n = 0;
  for (const QString& l : form.DisplayLines()) n += l.startsWith("Msg ") ? 1 : 0;
  return n;
}

// The pod configuration file the build made, else one made now.
QString PodImage(const QTemporaryDir& scratch) {
  const QString built = QDir(QCoreApplication::applicationDirPath()).filePath("../../src/app/Vantrel.pod");
  if (QFileInfo::exists(built)) return QFileInfo(built).canonicalFilePath();
  const QString made = scratch.filePath("Vantrel.pod");
  QProcess gen;
  gen.start(QStringLiteral(VANTREL_GEN), {"pod-image", made});
  if (!gen.waitForFinished(60000) || gen.exitCode() != 0) return {};
  return made;
}

class Guide {
 public:
  Guide(TMainForm& form, FakeDialogs& dialogs, const QDir& out, const QTemporaryDir& scratch)
      : form_(form), dialogs_(dialogs), out_(out), scratch_(scratch), podImage_(PodImage(scratch)) {
    dialogs_.onModal = [this](QDialog& d) { return Answer(d); };
  }

  int Run();

 private:
  QAction* Menu(const char* name) { return form_.MenuItem(name); }

  void Save(QWidget& w, const char* name) {
    w.raise();
    Settle(300);
    ok_ = SavePixmap(Framed(w), out_, QString::fromLatin1(name)) && ok_;
  }

  // A window shown modally: the test's dialogs do not show it, so it is shown
  // here for the picture and hidden again before it is answered.
  QPixmap Shown(QDialog& d) {
    d.show();
    Settle(300);
    const QPixmap p = Framed(d);
    d.hide();
    return p;
  }

  // The next time the window with this object name is shown modally, `step`
  // answers it; otherwise the answers a user without pod hardware gives.
  void When(const char* window, std::function<int(QDialog&)> step) { steps_[window] = std::move(step); }
  // ... and only its picture is wanted, then Cancel.
  void Picture(const char* window, const char* name) {
    When(window, [this, name](QDialog& d) {
      ok_ = SavePixmap(Shown(d), out_, QString::fromLatin1(name)) && ok_;
      return int(QDialog::Rejected);
    });
  }

  int Answer(QDialog& d) {
    const auto step = steps_.find(d.objectName());
    if (step != steps_.end()) {
      const auto answer = std::move(step->second);
      steps_.erase(step);
      return answer(d);
    }
    if (auto* portsel = qobject_cast<TPortselForm*>(&d)) return ChooseSimulator(*portsel);
    if (auto* pod = qobject_cast<TPodForm*>(&d)) return InitializePod(*pod);
    return QDialog::Rejected;
  }

  int ChooseSimulator(TPortselForm& portsel) {
    const auto items = portsel.BoardNumListBox->findItems("Pod Simulator", Qt::MatchExactly);
    if (items.isEmpty()) {
      std::puts("FAILED: no Pod Simulator in Select Pod Interface");
      ok_ = false;
      return QDialog::Rejected;
    }
    portsel.BoardNumListBox->setCurrentItem(items.first());
    portsel.OKButtonClick();
    return portsel.result();
  }

  // Continue (the configuration file comes from the Locate dialog), then OK.
  int InitializePod(TPodForm& pod, QList<QPixmap>* pictures = nullptr) {
    if (pictures != nullptr) *pictures << Shown(pod);
    dialogs_.fileAnswers.prepend(podImage_);
    pod.ContinueBtnClick();
    dialogs_.fileAnswers.removeOne(podImage_);
    if (pictures != nullptr) *pictures << Shown(pod);
    if (pod.PodFormOkBtn->isHidden()) {
      std::printf("FAILED: pod initialization: %s\n", qPrintable(pod.PodFormMemo->toPlainText()));
      ok_ = false;
      return QDialog::Rejected;
    }
    pod.PodFormOkBtnClick();
    return pod.result();
  }

  void Replay(const QString& log) {
    form_.ReplayLog(QFile::encodeName(log).toStdString());
    if (!WaitFor([this] { return form_.DisplayLines().contains(kExhausted); }, 60000)) {
      std::printf("FAILED: replay of %s did not end\n", qPrintable(log));
      ok_ = false;
    }
  }

  // The caret on a message line, scrolled into view.
  QRect PickMessage(const char* start) {
    for (QTextBlock b = form_.DataMemo->document()->begin(); b.isValid(); b = b.next()) {
      if (!b.text().startsWith(QLatin1String(start))) continue;
      form_.DataMemo->setTextCursor(QTextCursor(b));
      form_.DataMemo->ensureCursorVisible();
      return form_.DataMemo->cursorRect();
    }
    std::printf("FAILED: no line \"%s\"\n", start);
    ok_ = false;
    return {};
  }

  void MainWindowShots();
  void MessageViews();
  void PausedReplay();
  void WholeTrace();
  void SettingsWindows();
  void FilterWindows();
  void PodWindows();
  void HelpWindows();
  void ImportShots();

  TMainForm& form_;
  FakeDialogs& dialogs_;
  QDir out_;
  const QTemporaryDir& scratch_;
  QString podImage_;
  std::map<QString, std::function<int(QDialog&)>> steps_;
  bool ok_ = true;
};

// After the start-up replay of the Smart Battery example in HEX.
void Guide::MainWindowShots() {
  Save(form_, "main-window.png");
  ok_ = SavePixmap(Framed(*form_.Detail), out_, "message-detail.png") && ok_;
  ok_ = SavePixmap(Framed(*form_.Activity), out_, "activity-chart.png") && ok_;
  form_.Detail->hide();
  form_.Activity->hide();

  // Find: Ctrl+F, a text, Enter.
  QTest::keyClick(form_.DataMemo, Qt::Key_F, Qt::ControlModifier);
  if (form_.FindBar->isHidden()) form_.MenuFindClick();
  QTest::keyClicks(form_.FindEdit, "#12[W] 15");
  QTest::keyClick(form_.FindEdit, Qt::Key_Return);
  Save(form_, "find-bar.png");
  form_.FindBar->hide();

  // The context menu over message 5, drawn where it opens.
  const QRect line = PickMessage("Msg     5 ");
  QMenu& popup = *form_.PopupMenu1;
  popup.popup(form_.DataMemo->viewport()->mapToGlobal(QPoint(480, line.center().y())));
  Settle(300);
  QPixmap picture = Framed(form_);
  {
    QPainter p(&picture);
    p.drawPixmap(form_.mapFromGlobal(popup.pos()) + QPoint(1, 26), popup.grab());
  }
  popup.hide();
  ok_ = SavePixmap(picture, out_, "context-menu.png") && ok_;
}

// Its two menu items on message 5.
void Guide::MessageViews() {
  PickMessage("Msg     5 ");
  Picture("BTiming", "message-timing.png");
  Menu("PopupShowTiming")->trigger();
  PickMessage("Msg     5 ");
  Picture("RawData", "message-diagnostics.png");
  Menu("PopupShowDiagnostics")->trigger();
}

// A long replay that Log File Read Auto-Pause stops at 10,000 lines.
void Guide::PausedReplay() {
  const QString log = scratch_.filePath("mixed-traffic.log");
  QProcess gen;
  gen.start(QStringLiteral(VANTREL_GEN), {"bench", "--words", "150000", log});
  if (!gen.waitForFinished(120000) || gen.exitCode() != 0) {
    std::puts("FAILED: no log of mixed traffic");
    ok_ = false;
    return;
  }
  Menu("MenuOptionsAutoPause")->setChecked(true);
  form_.ReplayLog(QFile::encodeName(log).toStdString());
  if (!WaitFor([this] { return form_.TraceButton->text() == "More!"; }, 60000)) {
    std::puts("FAILED: the replay did not pause");
    ok_ = false;
  }
  Save(form_, "main-window-paused.png");
  form_.HaltButton->click();
  Menu("MenuOptionsAutoPause")->setChecked(false);
  Settle(300);
}

void Guide::SettingsWindows() {
  Picture("SpoolSetup", "spool-setup.png");
  Menu("MenuSetupSpool")->trigger();

  // SBS with SMBus 1.1, so that packet error codes are checked.
  form_.ProtocolButtons[vantrel::DataProtocol::SBS]->click();
  When("SBSRev", [this](QDialog& d) {
    auto& rev = static_cast<TSBSRevForm&>(d);
    rev.List(0)->setCurrentIndex(1);
    ok_ = SavePixmap(Shown(rev), out_, "sbs-revision.png") && ok_;
    rev.OKButtonClick();
    return rev.result();
  });
  Menu("MenuSetupSBSRevision")->trigger();
  form_.OptionBoxes["PECChecked"]->setChecked(true);
}

void Guide::FilterWindows() {
  // Names for the battery and its charger.
  Menu("MenuViewAliasTable")->trigger();
  auto& aliases = *form_.findChild<TAliasForm*>();
  aliases.AliasGrid->item(0x12 >> 1, 1)->setText("Charger");
  aliases.AliasGrid->item(0x16 >> 1, 1)->setText("Battery");
  aliases.AliasGrid->scrollToItem(aliases.AliasGrid->item(4, 0), QAbstractItemView::PositionAtTop);
  aliases.AliasGrid->setCurrentCell(0x16 >> 1, 1);
  Save(aliases, "address-alias-table.png");
  aliases.OKButtonClick();

  // The same example again, as Smart Battery commands, with the names.
  Replay(ExampleLog("smart-battery.log"));
  form_.DataMemo->moveCursor(QTextCursor::Start);
  form_.DataMemo->verticalScrollBar()->setValue(0);
  Save(form_, "main-window-sbs.png");

  // The map after the replay (every address that spoke is marked), its
  // legends open, and the battery's cell clicked.
  Menu("MenuFilteringSlaveAddress")->trigger();
  auto& map = *form_.findChild<TAddrMapForm*>();
  map.InfoButton->click();
  Save(map, "slave-address-map.png");
  Picture("MsgFilterSelectForm", "slave-address-filter.png");
  map.AddrMapGridMouseDown(2, 4);  // address 16
  map.hide();

  // Only the battery's Voltage() and Current() answers: byte 1 is 09 or 0A.
  Menu("MenuFilteringMessageData")->trigger();
  auto& data = *form_.findChild<TPatternForm*>();
  data.DataGrid->item(0, 1)->setText("09");
  data.DataGrid->item(0, 2)->setText("0A");
  Save(data, "message-data-filter.png");
  data.CancelButtonClick();
}

void Guide::PodWindows() {
  vantrel::SetSimulatorScenario(vantrel::SimScenario::SmartBattery);
  When("Portsel", [this](QDialog& d) {
    auto& portsel = static_cast<TPortselForm&>(d);
    const auto items = portsel.BoardNumListBox->findItems("Pod Simulator", Qt::MatchExactly);
    if (!items.isEmpty()) portsel.BoardNumListBox->setCurrentItem(items.first());
    ok_ = SavePixmap(Shown(portsel), out_, "select-pod-interface.png") && ok_;
    return ChooseSimulator(portsel);
  });
  Menu("MenuSetupPodInterface")->trigger();

  When("Pod", [this](QDialog& d) {
    QList<QPixmap> states;
    const int result = InitializePod(static_cast<TPodForm&>(d), &states);
    ok_ = SavePixmap(SideBySide(states), out_, "pod-initialization.png") && ok_;
    return result;
  });
  Menu("MenuSetupInitializePod")->trigger();

  When("ViewStatus", [this](QDialog& d) {
    auto& view = static_cast<TViewStatusForm&>(d);
    view.Timer1Timer();
    ok_ = SavePixmap(Shown(view), out_, "bus-status-viewer.png") && ok_;
    return int(QDialog::Accepted);
  });
  Menu("MenuViewBusStatus")->trigger();

  Picture("Thres", "logic-level-threshold.png");
  Menu("MenuSetupThreshold")->trigger();

  Menu("MenuSetupTraceControl")->trigger();
  Save(*form_.TraceControl, "trace-control.png");
  form_.TraceControl->hide();

  // Trigger out on a bit pattern: a write to address 16 (0001011, then 0).
  Menu("MenuSetupTriggerOut")->trigger();
  TMatchForm& trigger = *form_.TriggerOut;
  trigger.BitMatchButton->click();
  const char bits[] = "00010110";
  for (int c = 1; c <= 8; ++c) {
    for (int clicks = bits[c - 1] == '1' ? 2 : 1; clicks > 0; --clicks) trigger.StringGridMatchMouseDown(1, c);
  }
  Save(trigger, "trigger-out-setup.png");
  trigger.CancelButtonClick();

  // A live trace from the simulated pod.
  form_.TraceButton->click();
  if (!WaitFor([this] { return MessageLineCount(form_) >= 12; }, 20000)) {
    std::puts("FAILED: no live trace from the pod simulator");
    ok_ = false;
  }
  Menu("MenuOptionsPodSimulator")->trigger();
  Save(*form_.PodSimulator, "pod-simulator.png");
  form_.PodSimulator->hide();
  Menu("MenuViewTraceStatus")->trigger();
  Settle(1000);
  Save(*form_.TraceStatus, "trace-status.png");
  form_.TraceStatus->hide();
  Save(form_, "main-window-live.png");
  form_.HaltButton->click();
  Settle(300);

  // The Byte Mode Viewer shows the message being received: on a busy bus
  // there nearly always is one.
  form_.PodSimulator->ScenarioButtons->button(static_cast<int>(vantrel::SimScenario::LoadedBus400k))->click();
  form_.TraceButton->click();
  Menu("MenuViewByteMode")->trigger();
  if (!WaitFor([this] { return !form_.RTViewer->LiveText->text().isEmpty(); }, 10000)) {
    std::puts("FAILED: the Byte Mode Viewer stayed empty");
    ok_ = false;
  }
  Save(*form_.RTViewer, "byte-mode-viewer.png");
  form_.RTViewer->hide();
  form_.HaltButton->click();
  Settle(300);

  Menu("MenuSetupDiagnostics")->trigger();
  Save(form_, "system-diagnostics.png");
}

void Guide::HelpWindows() {
  Menu("MenuHelpRevisionReport")->trigger();
  Save(*form_.RevRprt, "revision-report.png");
  form_.RevRprt->hide();
  Picture("About", "about.png");
  Menu("MenuHelpAbout")->trigger();
}

// An I2C monitor's power-up read, from a logic analyser's session file.
void Guide::ImportShots() {
  const QString capture = QStringLiteral(VANTREL_EXAMPLES "/../tests/data/captures/samsung_syncmaster203b.sr");
  const QString log = scratch_.filePath("samsung_syncmaster203b.log");
  dialogs_.fileAnswers = {QFileInfo(capture).canonicalFilePath(), log};
  form_.ProtocolButtons[vantrel::DataProtocol::HEX]->click();
  When("ImportForm", [this](QDialog& d) {
    auto& import = static_cast<TImportForm&>(d);
    ok_ = SavePixmap(Shown(import), out_, "import-logic-capture.png") && ok_;
    import.OKButtonClick();
    return import.result();
  });
  Menu("MenuFileImport")->trigger();
  if (!WaitFor([this] { return form_.DisplayLines().contains(kExhausted); }, 60000)) {
    std::puts("FAILED: the imported capture was not replayed");
    ok_ = false;
  }
  form_.DataMemo->verticalScrollBar()->setValue(0);
  Save(form_, "main-window-import.png");
}

// The same long replay kept whole, its first message found from the end.
void Guide::WholeTrace() {
  Menu("MenuOptionsKeepWholeTrace")->setChecked(true);
  form_.MenuOptionsKeepWholeTraceClick();
  form_.ClearDisplayButton->click();
  form_.ReplayLog(QFile::encodeName(scratch_.filePath("mixed-traffic.log")).toStdString());
  if (!WaitFor([this] { return form_.TraceButton->text() == "Trace" && !vantrel::gTrace.TraceRunning; }, 60000)) {
    std::puts("FAILED: the whole trace replay did not end");
    ok_ = false;
  }
  form_.MenuFindClick();
  form_.FindEdit->setText("Msg     2 [");
  form_.FindNext(false);
  WaitFor([this] { return !form_.Finding(); }, 10000);
  Save(form_, "main-window-whole-trace.png");
  form_.FindBar->hide();
  Menu("MenuOptionsKeepWholeTrace")->setChecked(false);
  form_.MenuOptionsKeepWholeTraceClick();
  form_.ClearDisplayButton->click();
  Settle(300);
}

int Guide::Run() {
  MainWindowShots();
  MessageViews();
  PausedReplay();
  WholeTrace();
  SettingsWindows();
  FilterWindows();
  PodWindows();
  HelpWindows();
  ImportShots();
  for (const QString& m : dialogs_.messages) std::printf("message: %s\n", qPrintable(m));
  return ok_ ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const QString mode = argc == 3 ? QString::fromLatin1(argv[2]) : QString();
  const bool layout = mode == "layout", guide = mode == "guide";
  if (argc != 2 && !layout && !guide) {
    std::fputs("usage: ui_screenshots OUTDIR [layout|guide]\n", stderr);
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  // The guide starts from the defaults, as after a fresh installation.
  QTemporaryDir scratch;
  if (guide) qputenv("XDG_DATA_HOME", QFile::encodeName(scratch.filePath("data")));
  FakeDialogs dialogs;
  dialogs.onModal = [](QDialog&) { return int(QDialog::Accepted); };
  TMainForm::Options options;
  options.aboutAtStart = false;
  options.startupLog = ExampleLog("smart-battery.log");
  TMainForm form(options);
  if (!guide) form.resize(900, 640);
  form.show();
  form.Detail->show();
  form.Detail->move(940, 40);
  form.Activity->show();
  form.Activity->move(940, 300);
  for (int i = 0; i < 600 && !form.DisplayLines().contains("Log File Exhausted, Trace Terminated."); ++i) Settle(50);
  if (guide) return Guide(form, dialogs, out, scratch).Run();
  if (layout) {
    form.Detail->hide();
    form.Activity->hide();
    return LayoutShots(form, out);
  }

  bool ok = Save(form, out, "screenshot.png") && Save(*form.Detail, out, "screenshot-message-detail.png") &&
            Save(*form.Activity, out, "screenshot-activity-chart.png");

  // Pick message 5 and show its two views.
  for (QTextBlock b = form.DataMemo->document()->begin(); b.isValid(); b = b.next()) {
    if (!b.text().startsWith("Msg     5 ")) continue;
    form.DataMemo->setTextCursor(QTextCursor(b));
    break;
  }
  if (const auto n = form.SelectMessage()) {
    form.BTiming->Select(*n, vantrel::MessageTablesNow());
    form.BTiming->show();
    ok = Save(*form.BTiming, out, "screenshot-message-timing.png") && ok;
    form.BTiming->hide();
    form.RawData->Select(*n, vantrel::MessageTablesNow());
    form.RawData->show();
    ok = Save(*form.RawData, out, "screenshot-message-diagnostics.png") && ok;
    form.RawData->hide();
  } else {
    ok = false;
  }
  form.MenuItem("MenuOptionsPodSimulator")->trigger();
  ok = Save(*form.PodSimulator, out, "screenshot-pod-simulator.png") && ok;
  form.PodSimulator->hide();
  form.MenuItem("MenuSetupTriggerOut")->trigger();
  ok = Save(*form.TriggerOut, out, "screenshot-trigger-out.png") && ok;
  return ok ? 0 : 1;
}
