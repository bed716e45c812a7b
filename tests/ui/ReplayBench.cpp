// GUI replay benchmark: replays a log through the main window with the trace
// display on and reports displayed lines/s, words/s and the display tick.
// With --whole, Keep Whole Trace is on and the kept trace is then scrolled,
// searched and picked from, each timed, with the longest stretch the window
// did not answer (its event loop's longest gap).
// Usage: ui_replay_bench LOGFILE WORDS [--whole]   (run on the offscreen platform)
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "UiTestSupport.h"
#include "pipeline/DisplayLoop.h"
#include "pipeline/TraceControl.h"
#include "pipeline/TraceState.h"
#include "pipeline/WholeTrace.h"
#include "ui/MainForm.h"
#include "ui/TraceListView.h"
#include "ResidentMemory.h"

namespace {

// Runs `act`, then the event loop until `done`; prints the time and the
// longest gap between two turns of the event loop meanwhile.
void Timed(const char* what, const std::function<void()>& act, const std::function<bool()>& done = [] { return true; }) {
  QElapsedTimer clock, gap;
  qint64 longest = 0;
  clock.start();
  gap.start();
  act();
  longest = gap.nsecsElapsed();
  while (!done()) {
    gap.restart();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    longest = std::max(longest, gap.nsecsElapsed());
  }
  QCoreApplication::processEvents();
  std::printf("%-34s %9.2f ms, longest pause %7.2f ms\n", what, static_cast<double>(clock.nsecsElapsed()) / 1e6,
              static_cast<double>(longest) / 1e6);
}

void Explore(TMainForm& form) {
  TraceListView& list = *form.TraceList;
  QScrollBar& bar = *list.verticalScrollBar();
  const vantrel::WholeTrace::Memory m = vantrel::gWholeTrace.MemoryUse();
  std::printf("kept lines         %zu (%.1f bytes each), messages %zu (%.1f bytes each), words %zu (%.1f bytes each)\n",
              m.lines, double(m.lineBytes) / double(m.lines), m.messages, double(m.messageBytes) / double(m.messages),
              m.words, double(m.wordBytes) / double(m.words));
  std::printf("process RSS        %.1f MiB\n", double(RssKb()) / 1024.0);
  const auto repaint = [&] { list.viewport()->repaint(); };
  Timed("scroll to the middle", [&] { bar.setValue(bar.maximum() / 2); repaint(); });
  Timed("scroll to the top (Ctrl+Home)", [&] {
    list.setFocus();
    QTest::keyClick(&list, Qt::Key_Home, Qt::ControlModifier);
    repaint();
  });
  Timed("100 x Page Down", [&] {
    for (int i = 0; i < 100; ++i) {
      QTest::keyClick(&list, Qt::Key_PageDown);
      repaint();
    }
  });
  Timed("scroll to the end (Ctrl+End)", [&] {
    QTest::keyClick(&list, Qt::Key_End, Qt::ControlModifier);
    repaint();
  });
  form.MenuFindClick();
  const auto find = [&](const char* what, const QString& text, bool matchCase) {
    form.FindEdit->setText(text);
    if (form.FindCase->isChecked() != matchCase) form.FindCase->click();
    Timed(what, [&] { form.FindNext(false); }, [&] { return !form.Finding(); });
  };
  list.setCurrentIndex(form.TraceLines->index(0, 0));
  find("find, not there (match case)", "No Such Text", true);
  find("find, not there (any case)", "no such text", false);
  list.setCurrentIndex(form.TraceLines->index(0, 0));
  find("find the last message", QString::fromLatin1(vantrel::gWholeTrace.Line(m.lines - 2).data(), 16), true);
  std::printf("  found at row     %d of %zu\n", list.currentIndex().row(), m.lines);
  const int middle = static_cast<int>(m.lines / 2);
  Timed("pick a message: Message Timing", [&] {
    list.setCurrentIndex(form.TraceLines->index(middle, 0));
    form.ShowMessageTiming();
  });
  Timed("pick a message: Diagnostics", [&] {
    list.setCurrentIndex(form.TraceLines->index(middle + 1, 0));
    form.ShowMessageDiagnostics();
  });
  Timed("select all rows and copy", [&] {
    list.selectAll();
    form.CopyDisplayLines();
  });
  Timed("Clear Display", [&] { form.ClearDisplayButton->click(); });
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const bool whole = argc == 4 && std::strcmp(argv[3], "--whole") == 0;
  if (argc != 3 && !whole) {
    std::fputs("usage: ui_replay_bench LOGFILE WORDS [--whole]\n", stderr);
    return 2;
  }
  const double words = std::strtod(argv[2], nullptr);
  FakeDialogs dialogs;
  TMainForm::Options options;
  options.aboutAtStart = false;
  TMainForm form(options);
  form.show();
  if (whole) {
    form.MenuItem("MenuOptionsKeepWholeTrace")->trigger();
    form.ClearDisplayButton->click();
  }

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
    if (!whole) std::printf("last line          %s\n", form.DisplayLines().back().toLatin1().constData());
    poll.stop();
    if (whole) Explore(form);
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
