#include "ui/UiDialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPointer>
#include <QStyle>

namespace vantrel::ui {
namespace {

QtDialogs gQtDialogs;
UiDialogs* gDialogs = &gQtDialogs;

QMessageBox::Icon BoxIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::None: return QMessageBox::NoIcon;
    case MessageIcon::Warning: return QMessageBox::Warning;
    case MessageIcon::Information: break;
  }
  return QMessageBox::Information;
}

}  // namespace

QString UiDialogs::FileName(QWidget* parent, FileDialogRequest request) {
  const QString kind = request.defaultSuffix.isEmpty() ? request.defaultName : request.defaultSuffix;
  if (const auto last = lastFolders_.constFind(kind); last != lastFolders_.cend()) request.folder = *last;
  const QString chosen = AskFileName(parent, request);
  if (!chosen.isEmpty()) lastFolders_.insert(kind, QFileInfo(chosen).absolutePath());
  return chosen;
}

QString QtDialogs::AskFileName(QWidget* parent, const FileDialogRequest& request) {
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
  NewMessageBox(parent, text, title, false)->exec();
}

bool QtDialogs::OkCancel(QWidget* parent, const QString& text, const QString& title) {
  return NewMessageBox(parent, text, title, true)->exec() == QMessageBox::Ok;
}

int QtDialogs::RunModal(QDialog& dialog) { return dialog.exec(); }

bool QtDialogs::OpenUrl(const QUrl& url) { return QDesktopServices::openUrl(url); }

UiDialogs& Dialogs() { return *gDialogs; }
void SetDialogs(UiDialogs* dialogs) { gDialogs = dialogs ? dialogs : &gQtDialogs; }

bool OpenOrReport(QWidget* parent, const QUrl& url) {
  if (Dialogs().OpenUrl(url)) return true;
  if (url.isLocalFile()) {
    Dialogs().Message(parent,
                      "Cannot Open File\n\n" + QDir::toNativeSeparators(url.toLocalFile()) +
                          "\n\nNo application on this desktop opens it; please open it by hand.",
                      "Open File Error");
  } else {
    Dialogs().Message(parent,
                      "Cannot Open Web Page\n\n" + url.toString() +
                          "\n\nNo web browser could be started; please open this address by hand.",
                      "Web Browser Error");
  }
  return false;
}

namespace {

template <typename Ask>
auto InPlace(QWidget* fallback, Ask ask) {
  QWidget* owner = QApplication::activeModalWidget();
  if (owner == nullptr) owner = QApplication::activeWindow();
  if (owner == nullptr) owner = fallback;
  const QPointer<QWidget> focus = QApplication::focusWidget();
  const auto answer = ask(owner);
  if (focus != nullptr && focus->isVisible()) {
    focus->activateWindow();
    focus->setFocus(Qt::OtherFocusReason);
  }
  return answer;
}

}  // namespace

void MessageInPlace(QWidget* fallback, const QString& text, const QString& title) {
  InPlace(fallback, [&](QWidget* owner) {
    Dialogs().Message(owner, text, title);
    return true;
  });
}

bool OkCancelInPlace(QWidget* fallback, const QString& text, const QString& title) {
  return InPlace(fallback, [&](QWidget* owner) { return Dialogs().OkCancel(owner, text, title); });
}

MessageIcon IconForTitle(const QString& title) {
  // The settings file's messages have always come without an icon.
  if (title == QLatin1String("Setup File Error")) return MessageIcon::None;
  for (const char* end : {"Error", "Error!", "Warning", "Report"}) {
    if (title.endsWith(QLatin1String(end))) return MessageIcon::Warning;
  }
  // The interface board's failed calls, reported with the board library's text.
  if (title.startsWith(QLatin1String("Interface Board "))) return MessageIcon::Warning;
  return MessageIcon::Information;
}

int MessageBoxMinimumWidth(const QString& title) {
  // The window manager draws the title, often in bold, beside the window's
  // icon and its close, minimize and maximize buttons.
  QFont font = QFontDatabase::systemFont(QFontDatabase::TitleFont);
  font.setBold(true);
  const int bar = std::max(QApplication::style()->pixelMetric(QStyle::PM_TitleBarHeight), 16);
  return QFontMetrics(font).horizontalAdvance(title) + 5 * bar;
}

std::unique_ptr<QMessageBox> NewMessageBox(QWidget* parent, const QString& text, const QString& title,
                                           bool okCancel) {
  const QMessageBox::Icon icon = okCancel ? QMessageBox::Warning : BoxIcon(IconForTitle(title));
  auto box = std::make_unique<QMessageBox>(icon, title, text,
                                           okCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok, parent);
  box->setDefaultButton(okCancel ? QMessageBox::Cancel : QMessageBox::Ok);
  // The box sizes itself to its layout's minimum width; a row of that width
  // keeps the title whole.
  if (auto* grid = qobject_cast<QGridLayout*>(box->layout())) {
    grid->addItem(new QSpacerItem(MessageBoxMinimumWidth(title), 0, QSizePolicy::Fixed, QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
  }
  return box;
}

}  // namespace vantrel::ui
