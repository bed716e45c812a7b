// The "Message Detail" window: one row per active address (messages, bus
// usage, average bit rate) and the idle row, refreshed four times a second
// from trace start; each refresh also moves the main window's bandwidth bar.
#pragma once
#include <QWidget>
#include <functional>
#include <string>

class QTableWidget;
class QTimer;

class TDetailForm : public QWidget {
  Q_OBJECT

 public:
  // showBandwidth moves the main window's bar and label.
  TDetailForm(QWidget* parent, std::function<void(int, const std::string&)> showBandwidth);
  void Start();  // trace start: the grid timer runs
  void Stop();   // halt: the timer stops after a last refresh
  void RefreshDetail();

  QTableWidget* DetailGrid = nullptr;
  QTimer* GridTimer = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  std::function<void(int, const std::string&)> showBandwidth_;
};
