// Everything the windows ask of the user or the desktop goes through here:
// file dialogs, message boxes, modal windows, opening pages and documents.
// Tests install their own answers so that no real dialog ever blocks them.
#pragma once
#include <QHash>
#include <QString>
#include <QUrl>
#include <memory>

class QDialog;
class QMessageBox;
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
  // The chosen file; empty when cancelled. Once a file of a kind (its default
  // suffix, else its default name) was chosen, that kind's next dialog starts
  // in the chosen file's folder instead of the request's.
  QString FileName(QWidget* parent, FileDialogRequest request);
  virtual void Message(QWidget* parent, const QString& text, const QString& title) = 0;
  virtual bool OkCancel(QWidget* parent, const QString& text, const QString& title) = 0;
  // Shows a window modally; its result code.
  virtual int RunModal(QDialog& dialog) = 0;
  // A web page in the browser, or a document in its default application;
  // false when nothing on the desktop could open it.
  virtual bool OpenUrl(const QUrl& url) = 0;

 protected:
  virtual QString AskFileName(QWidget* parent, const FileDialogRequest& request) = 0;

 private:
  QHash<QString, QString> lastFolders_;  // kind -> folder, for this session
};

// The desktop's own dialogs.
class QtDialogs : public UiDialogs {
 public:
  void Message(QWidget* parent, const QString& text, const QString& title) override;
  bool OkCancel(QWidget* parent, const QString& text, const QString& title) override;
  int RunModal(QDialog& dialog) override;
  bool OpenUrl(const QUrl& url) override;

 protected:
  QString AskFileName(QWidget* parent, const FileDialogRequest& request) override;
};

UiDialogs& Dialogs();
// Not owned; nullptr restores the desktop's dialogs.
void SetDialogs(UiDialogs* dialogs);

// Opens the page or document; when the desktop cannot, says so with the
// address or file, so that the user can open it by hand. Whether it opened.
bool OpenOrReport(QWidget* parent, const QUrl& url);

// Message and OkCancel over the window the user works in (`fallback` when
// none is active); the focus goes back where it was, e.g. to the grid cell
// a check just found wrong.
void MessageInPlace(QWidget* fallback, const QString& text, const QString& title);
bool OkCancelInPlace(QWidget* fallback, const QString& text, const QString& title);

enum class MessageIcon { None, Information, Warning };

// The icon of a report's box, from its title: errors, warnings and the
// "... Report" titles warn; the setup file's messages show none; anything
// else informs.
MessageIcon IconForTitle(const QString& title);
// The narrowest box whose window frame still shows the whole title.
int MessageBoxMinimumWidth(const QString& title);
// A box as Message (OK) or OkCancel (OK and Cancel) shows it, at least
// MessageBoxMinimumWidth wide; a message's icon comes from its title, a
// question always warns. Not shown yet.
std::unique_ptr<QMessageBox> NewMessageBox(QWidget* parent, const QString& text, const QString& title,
                                           bool okCancel);

}  // namespace vantrel::ui
