#include "ui/BTimingForm.h"

#include <QFontDatabase>
#include <QListWidget>
#include <QVBoxLayout>

#include "decode/DisplayOptions.h"
#include "pipeline/MessageTables.h"

TBTimingForm::TBTimingForm(QWidget* parent) : QDialog(parent) {
  setObjectName("BTiming");
  setWindowTitle("Message Timing");
  Lines = new QListWidget(this);
  Lines->setObjectName("Lines");
  Lines->setSelectionMode(QAbstractItemView::NoSelection);
  Lines->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Lines);
  resize(420, 480);
}

void TBTimingForm::Select(const vantrel::MessageNumber& number, const vantrel::MessageTablesView& tables) {
  Lines->clear();
  // Opened only while no trace runs: the tables hold still.
  for (const std::string& line : vantrel::MessageTimingLines(number, tables, vantrel::gDisplay.DisplayAbsTime))
    Lines->addItem(QString::fromLatin1(line.c_str()));
}
