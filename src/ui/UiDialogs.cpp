#include "ui/UiDialogs.h"

#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>

namespace vantrel::ui {
namespace {

QtDialogs gQtDialogs;
UiDialogs* gDialogs = &gQtDialogs;

}  // namespace

QString QtDialogs::FileName(QWidget* parent, const FileDialogRequest& request) {
  QFileDialog dialog(parent, request.title, request.folder, request.filter);
  dialog.setDefaultSuffix(request.defaultSuffix);
  dialog.selectFile(request.defaultName);
  if (request.forWrite) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // Creating the file asks "Already Exists, Replace?" itself.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
  } else {
    dialog.setFileMode(QFileDialog::ExistingFile);
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().front();
}

void QtDialogs::Message(QWidget* parent, const QString& text, const QString& title) {
  QMessageBox::information(parent, title, text, QMessageBox::Ok);
}

bool QtDialogs::OkCancel(QWidget* parent, const QString& text, const QString& title) {
  return QMessageBox::warning(parent, title, text, QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel) ==
         QMessageBox::Ok;
}

int QtDialogs::RunModal(QDialog& dialog) { return dialog.exec(); }

void QtDialogs::OpenUrl(const QUrl& url) { QDesktopServices::openUrl(url); }

UiDialogs& Dialogs() { return *gDialogs; }
void SetDialogs(UiDialogs* dialogs) { gDialogs = dialogs ? dialogs : &gQtDialogs; }

}  // namespace vantrel::ui
