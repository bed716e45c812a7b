// Captures the program's windows for the documentation: the main window
// replaying the Smart Battery example with Message Detail and Activity Chart
// open, then Message Timing and Message Diagnostics of one picked message,
// and the pod windows with the pod simulator.
// With "layout", captures instead the windows whose layout follows their
// content: Message Data Filter, Slave Address Map with its legends, Spool
// Setup beside Trace Status after switching spools, the main window at its
// smallest, and a search in the display.
// Usage: ui_screenshots OUTDIR [layout]   (scripts/screenshot runs it on a virtual X display)
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QDir>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <cstdio>

#include "UiTestSupport.h"
#include "pipeline/TraceState.h"
#include "ui/ActivityForm.h"
#include "ui/AddrMapForm.h"
#include "ui/PatternForm.h"
#include "ui/SpoolSetupForm.h"
#include "ui/TraceStatusForm.h"
#include "ui/BTimingForm.h"
#include "ui/DetailForm.h"
#include "ui/MainForm.h"
#include "ui/MatchForm.h"
#include "ui/PodSimulatorForm.h"
#include "ui/RawDataForm.h"

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

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const bool layout = argc == 3 && QString::fromLatin1(argv[2]) == "layout";
  if (argc != 2 && !layout) {
    std::fputs("usage: ui_screenshots OUTDIR [layout]\n", stderr);
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  FakeDialogs dialogs;
  dialogs.onModal = [](QDialog&) { return int(QDialog::Accepted); };
  TMainForm::Options options;
  options.aboutAtStart = false;
  options.startupLog = ExampleLog("smart-battery.log");
  TMainForm form(options);
  form.resize(900, 640);
  form.show();
  form.Detail->show();
  form.Detail->move(940, 40);
  form.Activity->show();
  form.Activity->move(940, 300);
  for (int i = 0; i < 600 && !form.DisplayLines().contains("Log File Exhausted, Trace Terminated."); ++i) Settle(50);
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
    form.BTiming->Select(*n);
    form.BTiming->show();
    ok = Save(*form.BTiming, out, "screenshot-message-timing.png") && ok;
    form.BTiming->hide();
    form.RawData->Select(*n);
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
