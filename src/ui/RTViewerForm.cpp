#include "ui/RTViewerForm.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>
#include <QVBoxLayout>

#include "decode/ParseAH.h"

TRTViewerForm::TRTViewerForm(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("RTViewer");
  setWindowTitle("Byte Mode Viewer");
  auto* layout = new QVBoxLayout(this);
  LiveText = new QLineEdit(this);
  LiveText->setObjectName("LiveText");
  LiveText->setReadOnly(true);
  Memo = new QPlainTextEdit(this);
  Memo->setObjectName("Memo");
  Memo->setToolTip("unfiltered message display");
  Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
  layout->addWidget(LiveText);
  layout->addWidget(Memo);
  resize(520, 260);
  RefreshTimer = new QTimer(this);
  RefreshTimer->setInterval(250);
  connect(RefreshTimer, &QTimer::timeout, this, &TRTViewerForm::RefreshTimerTimer);
}

void TRTViewerForm::RefreshTimerTimer() {
  const QString text = QString::fromLatin1(vantrel::LiveMessageText());
  if (LiveText->text() != text) LiveText->setText(text);
}

void TRTViewerForm::showEvent(QShowEvent* event) {
  RefreshTimerTimer();
  RefreshTimer->start();
  QWidget::showEvent(event);
}

void TRTViewerForm::hideEvent(QHideEvent* event) {
  RefreshTimer->stop();
  QWidget::hideEvent(event);
}
