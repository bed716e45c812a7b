// vantrel: the desktop program. `vantrel [LOGFILE]` replays LOGFILE once
// start-up is done, as if it were chosen with "Open Log File for Read...".
#include <QApplication>
#include <QIcon>
#include <cstdio>

#include "ui/MainForm.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // The desktop entry and icon the package installs.
  QGuiApplication::setDesktopFileName("vantrel");
  QApplication::setWindowIcon(QIcon::fromTheme("vantrel"));
  const QStringList args = QApplication::arguments();
  if (args.size() > 2 || (args.size() == 2 && args[1].startsWith('-'))) {
    std::fputs("usage: vantrel [LOGFILE]\n", stderr);
    return 2;
  }
  TMainForm::Options options;
  if (args.size() == 2) {
    options.startupLog = args[1];
    options.aboutAtStart = false;  // the replay is wanted, not the About window
  }
  TMainForm form(options);
  form.show();
  return QApplication::exec();
}
