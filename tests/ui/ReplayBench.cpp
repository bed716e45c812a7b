// GUI replay benchmark: replays a log through the main window with the trace
// display on and reports displayed lines/s, words/s and the display tick.
// Usage: ui_replay_bench LOGFILE WORDS   (run on the offscreen platform)
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "UiTestSupport.h"
#include "pipeline/DisplayLoop.h"
#include "pipeline/TraceState.h"
#include "ui/MainForm.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc != 3) {
    std::fputs("usage: ui_replay_bench LOGFILE WORDS\n", stderr);
    return 2;
  }
  const double words = std::strtod(argv[2], nullptr);
  FakeDialogs dialogs;
  TMainForm::Options options;
  options.aboutAtStart = false;
  TMainForm form(options);
  form.show();

  QElapsedTimer clock;
  QTimer poll;
  poll.setInterval(20);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (vantrel::gTrace.TraceRunning) return;
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    const double lines = vantrel::gDisplayedLines.thousandsOfMillions * 1e9 + vantrel::gDisplayedLines.units;
    const TMainForm::TickStats& t = form.DisplayTickStats();
    std::printf("elapsed            %.2f s\n", seconds);
    std::printf("displayed lines    %.0f (%.0f lines/s)\n", lines, lines / seconds);
    std::printf("words              %.0f (%.2f M words/s)\n", words, words / seconds / 1e6);
    std::printf("display ticks      %llu, average %.3f ms, longest %.3f ms\n",
                static_cast<unsigned long long>(t.ticks),
                t.ticks ? static_cast<double>(t.total.count()) / static_cast<double>(t.ticks) / 1e6 : 0.0,
                static_cast<double>(t.longest.count()) / 1e6);
    std::printf("last line          %s\n", form.DisplayLines().back().toLatin1().constData());
    QApplication::quit();
  });
  QTimer::singleShot(0, [&] {
    dialogs.fileAnswers << QString::fromLocal8Bit(argv[1]);
    clock.start();
    form.MenuItem("MenuSetupLogRead")->trigger();
    poll.start();
  });
  return QApplication::exec();
}
