// The Spool Setup window: which spool the next trace uses, and how large.
// Every change is written to gSpoolChoice at once.
#pragma once
#include <QDialog>
#include <functional>

class QButtonGroup;
class QGroupBox;
class QStackedWidget;

namespace vantrel { struct SpoolChoice; }

class TSpoolSetupForm : public QDialog {
  Q_OBJECT

 public:
  explicit TSpoolSetupForm(QWidget* parent = nullptr);

  // Program settings reset: RAM, 100KB, 10MB.
  void RestoreDefaults();
  // Shows gSpoolChoice (after a settings load).
  void ShowChoice();

  void SpoolDeviceClick(int item);
  void SpoolBufferSizeClick(int item);
  void SpoolFileSizeClick(int item);
  void OKButtonClick();

  // Told of every change (the Trace Status window's captions).
  std::function<void(const vantrel::SpoolChoice&)> onChoiceChanged;

  QButtonGroup* SpoolDevice = nullptr;
  QButtonGroup* SpoolBufferSize = nullptr;
  QButtonGroup* SpoolFileSize = nullptr;
  QGroupBox* SpoolBufferSizeGroup = nullptr;
  QGroupBox* SpoolFileSizeGroup = nullptr;
  QStackedWidget* SizeGroups = nullptr;  // shows one of the two size groups

 private:
  void Changed();
};
