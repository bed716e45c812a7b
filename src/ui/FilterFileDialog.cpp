#include "ui/FilterFileDialog.h"

#include <QPushButton>

#include <QFile>
#include <QFileInfo>

#include "ui/Platform.h"
#include "ui/UiDialogs.h"

namespace vantrel::ui {
namespace {

std::string Choose(QWidget* parent, const FilterFileKind& kind, bool forWrite) {
  FileDialogRequest r;
  r.title = QString::fromLatin1(forWrite ? kind.saveTitle : kind.loadTitle);
  r.folder = QString::fromStdString(platform::DataFolder());
  r.defaultSuffix = QString::fromLatin1(kind.suffix);
  r.defaultName = QString::fromLatin1(kind.defaultName);
  r.filter = QString::fromLatin1(kind.filter);
  r.forWrite = forWrite;
  const QString name = Dialogs().FileName(parent, r);
  if (name.isEmpty()) return {};
  // The desktop dialog leaves this question to us.
  if (forWrite && QFileInfo::exists(name) && !Dialogs().OkCancel(parent, "Already Exists, Replace?", r.title))
    return {};
  return QFile::encodeName(name).toStdString();
}

}  // namespace

std::string ChooseSaveFile(QWidget* parent, const FilterFileKind& kind) { return Choose(parent, kind, true); }
std::string ChooseLoadFile(QWidget* parent, const FilterFileKind& kind) { return Choose(parent, kind, false); }

QString FileCaption(const std::string& file, const char* caption) {
  return QFileInfo(QFile::decodeName(QByteArray::fromStdString(file))).fileName() + " - " + QString::fromLatin1(caption);
}

QString Latin1(const std::string& s) { return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size())); }
std::string Latin1(const QString& s) { return s.toLatin1().toStdString(); }

QPushButton* Button(QWidget* parent, const char* name, const char* caption, const char* hint) {
  auto* b = new QPushButton(QString::fromLatin1(caption), parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setToolTip(QString::fromLatin1(hint));
  b->setAutoDefault(false);
  return b;
}

}  // namespace vantrel::ui
