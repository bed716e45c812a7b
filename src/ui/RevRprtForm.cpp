#include "ui/RevRprtForm.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const char* const kHistory[] = {
    "Vantrel I2C Bus Analyzer",
    "Revision Report",
    "",
    "Date\tRevision",
    "12-JAN-2026\tTrace decoding: I2C messages, SMBus checks with PEC, Smart Battery values",
    "02-FEB-2026\tLog files, RAM and disk spools, parser thread, display loop and display file",
    "16-FEB-2026\tDesktop main window, Trace Status, Spool Setup, printing, System Diagnostics",
};

}  // namespace

TRevRprtForm::TRevRprtForm(QWidget* parent) : QDialog(parent) {
  setObjectName("RevRprt");
  setWindowTitle("Vantrel - Revision Report");
  auto* layout = new QVBoxLayout(this);
  Memo = new QPlainTextEdit(this);
  Memo->setReadOnly(true);
  Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  for (const char* line : kHistory) Memo->appendPlainText(QString::fromLatin1(line));
  layout->addWidget(Memo);
  auto* ok = new QPushButton("OK", this);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(ok, 0, Qt::AlignHCenter);
  resize(620, 320);
}
