// Captures the program's windows for the documentation: the main window
// replaying the Smart Battery example with Message Detail and Activity Chart
// open, then Message Timing and Message Diagnostics of one picked message,
// and the pod windows with the pod simulator.
// Usage: ui_screenshots OUTDIR   (scripts/screenshot runs it on a virtual X display)
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTimer>
#include <cstdio>

#include "UiTestSupport.h"
#include "pipeline/TraceState.h"
#include "ui/ActivityForm.h"
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

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fputs("usage: ui_screenshots OUTDIR\n", stderr);
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
