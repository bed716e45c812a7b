#include "ui/ActivityForm.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHorizontalBarSeries>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QTimer>
#include <QValueAxis>
#include <QVBoxLayout>
#include <algorithm>

#include "analysis/StatisticsViews.h"

TActivityForm::TActivityForm(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName("Activity");
  setWindowTitle("Activity Chart");
  chart_ = new QChart;
  chart_->legend()->hide();
  series_ = new QHorizontalBarSeries;
  bars_ = new QBarSet("Messages");
  bars_->setColor(Qt::red);
  series_->append(bars_);
  series_->setLabelsVisible(true);
  series_->setLabelsPosition(QAbstractBarSeries::LabelsOutsideEnd);
  chart_->addSeries(series_);
  addresses_ = new QBarCategoryAxis;
  messages_ = new QValueAxis;
  messages_->setLabelFormat("%.0f");
  chart_->addAxis(addresses_, Qt::AlignLeft);
  chart_->addAxis(messages_, Qt::AlignBottom);
  series_->attachAxis(addresses_);
  series_->attachAxis(messages_);
  ChartView = new QChartView(chart_, this);
  ChartView->setObjectName("ActivityChart");
  ChartView->setRenderHint(QPainter::Antialiasing);
  NoDataLabel = new QLabel("No Data Available", this);
  NoDataLabel->setAlignment(Qt::AlignCenter);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(NoDataLabel);
  layout->addWidget(ChartView);
  ChartView->hide();
  resize(560, 420);
  ChartTimer = new QTimer(this);
  ChartTimer->setInterval(1000);
  connect(ChartTimer, &QTimer::timeout, this, &TActivityForm::RefreshActivity);
}

void TActivityForm::Reset() {
  bars_->remove(0, bars_->count());
  addresses_->clear();
  ChartView->hide();
  NoDataLabel->show();
  ChartTimer->start();
}

void TActivityForm::Stop() {
  ChartTimer->stop();
  RefreshActivity();
}

void TActivityForm::RefreshActivity() {
  const std::optional<vantrel::ActivityChartData> d = vantrel::RefreshActivity();
  if (!d) return;
  bars_->remove(0, bars_->count());
  addresses_->clear();
  QStringList categories;
  qreal largest = 0;
  for (std::size_t i = 0; i < d->bars.size(); ++i) {
    const vantrel::ChartBar& b = d->bars[i];
    // Categories must differ: the empty bar's is a blank of its own.
    categories << (b.label.empty() ? QString(" ").repeated(static_cast<int>(i) + 1) : QString::fromLatin1(b.label.c_str()));
    bars_->append(static_cast<qreal>(b.value));
    largest = std::max(largest, static_cast<qreal>(b.value));
  }
  for (std::size_t i = d->bars.size(); i < d->axisMax; ++i) {
    categories << QString(" ").repeated(static_cast<int>(i) + 1);
    bars_->append(0);
  }
  addresses_->append(categories);
  messages_->setTitleText(QString::fromLatin1(d->axisTitle.c_str()));
  messages_->setRange(0, largest > 0 ? largest * 1.1 : 1);
  messages_->applyNiceNumbers();
  NoDataLabel->hide();
  ChartView->show();
}

QStringList TActivityForm::Labels() const { return addresses_->categories(); }

QList<qreal> TActivityForm::Values() const {
  QList<qreal> v;
  for (int i = 0; i < bars_->count(); ++i) v << bars_->at(i);
  return v;
}

QString TActivityForm::AxisTitle() const { return messages_->titleText(); }

void TActivityForm::showEvent(QShowEvent* event) {
  RefreshActivity();
  QWidget::showEvent(event);
}

void TActivityForm::closeEvent(QCloseEvent* event) {
  ChartTimer->stop();
  QWidget::closeEvent(event);
}

TUtilizationForm::TUtilizationForm(QWidget* parent) : QDialog(parent) {
  setObjectName("Utilization");
  setWindowTitle("Bus Bandwidth Utilization");
  auto* chart = new QChart;
  chart->legend()->hide();
  chart->addSeries(new QLineSeries);
  auto* view = new QChartView(chart, this);
  auto* close = new QPushButton("Close", this);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(view);
  layout->addLayout(buttons);
  resize(480, 320);
}
