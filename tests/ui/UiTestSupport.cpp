#include "UiTestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

QString FakeDialogs::AskFileName(QWidget*, const vantrel::ui::FileDialogRequest& request) {
  fileRequests.push_back(request);
  return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
}

void FakeDialogs::Message(QWidget*, const QString& text, const QString& title) { messages << title + ": " + text; }

bool FakeDialogs::OkCancel(QWidget*, const QString& text, const QString& title) {
  messages << title + ": " + text;
  return okCancelAnswer;
}

int FakeDialogs::RunModal(QDialog& dialog) {
  modalShown << dialog.objectName();
  return onModal ? onModal(dialog) : QDialog::Rejected;
}

QString ExampleLog(const char* name) { return QStringLiteral(VANTREL_EXAMPLES "/") + QString::fromLatin1(name); }

QString GeneratedLog(quint64 words) {
  const QString path = QDir::temp().filePath(QStringLiteral("vantrel-ui-%1-%2.log").arg(words).arg(QCoreApplication::applicationPid()));
  if (QFileInfo::exists(path)) return path;
  QProcess gen;
  gen.start(QStringLiteral(VANTREL_GEN), {"bench", "--words", QString::number(words), path});
  if (!gen.waitForFinished(120000) || gen.exitCode() != 0) return {};
  return path;
}
