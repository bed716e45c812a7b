// Everything the windows ask of the user or the desktop goes through here:
// file dialogs, message boxes, modal windows, opening pages and documents.
// Tests install their own answers so that no real dialog ever blocks them.
#pragma once
#include <QString>
#include <QUrl>

class QDialog;
class QWidget;

namespace vantrel::ui {

struct FileDialogRequest {
  QString title;
  QString folder;         // initial folder
  QString defaultSuffix;  // "log"
  QString defaultName;    // "Vantrel.log"
  QString filter;         // "Log Files (*.log)"
  bool forWrite = false;  // a save dialog: the file need not exist yet
};

class UiDialogs {
 public:
  virtual ~UiDialogs() = default;
  // The chosen file; empty when cancelled.
  virtual QString FileName(QWidget* parent, const FileDialogRequest& request) = 0;
  virtual void Message(QWidget* parent, const QString& text, const QString& title) = 0;
  virtual bool OkCancel(QWidget* parent, const QString& text, const QString& title) = 0;
  // Shows a window modally; its result code.
  virtual int RunModal(QDialog& dialog) = 0;
  // A web page in the browser, or a document in its default application.
  virtual void OpenUrl(const QUrl& url) = 0;
};

// The desktop's own dialogs.
class QtDialogs : public UiDialogs {
 public:
  QString FileName(QWidget* parent, const FileDialogRequest& request) override;
  void Message(QWidget* parent, const QString& text, const QString& title) override;
  bool OkCancel(QWidget* parent, const QString& text, const QString& title) override;
  int RunModal(QDialog& dialog) override;
  void OpenUrl(const QUrl& url) override;
};

UiDialogs& Dialogs();
// Not owned; nullptr restores the desktop's dialogs.
void SetDialogs(UiDialogs* dialogs);

}  // namespace vantrel::ui
