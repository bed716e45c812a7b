// The "Activity Chart" window: messages per address as horizontal bars,
// refreshed every second from trace start; "No Data Available" until the
// first message. Also the "Bus Bandwidth Utilization" window, which has a
// chart and a Close button but is never given data (its menu item is hidden).
#pragma once
#include <QDialog>
#include <QWidget>

class QBarCategoryAxis;
class QBarSet;
class QChart;
class QChartView;
class QHorizontalBarSeries;
class QLabel;
class QTimer;
class QValueAxis;

class TActivityForm : public QWidget {
  Q_OBJECT

 public:
  explicit TActivityForm(QWidget* parent = nullptr);
  void Reset();  // trace start: emptied and hidden, the chart timer runs
  void Stop();   // halt: the timer stops after a last refresh
  void RefreshActivity();

  QChartView* ChartView = nullptr;
  QLabel* NoDataLabel = nullptr;
  QTimer* ChartTimer = nullptr;
  // What the chart shows, for tests: the bars' labels and values.
  QStringList Labels() const;
  QList<qreal> Values() const;
  QString AxisTitle() const;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  QChart* chart_ = nullptr;
  QHorizontalBarSeries* series_ = nullptr;
  QBarSet* bars_ = nullptr;
  QBarCategoryAxis* addresses_ = nullptr;
  QValueAxis* messages_ = nullptr;
};

class TUtilizationForm : public QDialog {
  Q_OBJECT

 public:
  explicit TUtilizationForm(QWidget* parent = nullptr);
};
