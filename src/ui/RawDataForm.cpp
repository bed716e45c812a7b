#include "ui/RawDataForm.h"

#include <QFontDatabase>
#include <QListWidget>
#include <QVBoxLayout>

#include "pipeline/MessageTables.h"

TRawDataForm::TRawDataForm(QWidget* parent) : QDialog(parent) {
  setObjectName("RawData");
  setWindowTitle("Message Diagnostics");
  Lines = new QListWidget(this);
  Lines->setObjectName("Lines");
  Lines->setSelectionMode(QAbstractItemView::NoSelection);
  Lines->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Lines);
  resize(420, 480);
}

void TRawDataForm::Select(const vantrel::MessageNumber& number, const vantrel::MessageTablesView& tables) {
  Lines->clear();
  // Opened only while no trace runs: the tables hold still.
  for (const std::string& line : vantrel::MessageDiagnosticsLines(number, tables))
    Lines->addItem(QString::fromLatin1(line.c_str()));
}
