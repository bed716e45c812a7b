// The file dialogs of the filter and alias windows: they start at the
// default name in the data folder, and saving over a file asks first.
#pragma once
#include <QString>
#include <string>

class QPushButton;
class QWidget;

namespace vantrel::ui {

struct FilterFileKind {
  const char* saveTitle;
  const char* loadTitle;
  const char* defaultName;  // "Vantrel.als"
  const char* suffix;       // "als"
  const char* filter;       // "Alias Files (*.als)"
};

// The chosen file in the local file name encoding; empty when cancelled or when the user would
// not replace an existing file.
std::string ChooseSaveFile(QWidget* parent, const FilterFileKind& kind);
std::string ChooseLoadFile(QWidget* parent, const FilterFileKind& kind);
// "name.als - caption": the file name without its folder.
QString FileCaption(const std::string& file, const char* caption);
QString Latin1(const std::string& s);
std::string Latin1(const QString& s);
// A window button with its object name and hint; Enter does not press it.
QPushButton* Button(QWidget* parent, const char* name, const char* caption, const char* hint);

}  // namespace vantrel::ui
