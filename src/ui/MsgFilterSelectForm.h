// The Slave Address Filter window: the four access options of one address,
// shown modally from the map window. The rules live in ApplyAccessRules.
#pragma once
#include <QDialog>
#include <cstdint>

#include "filters/AddressFilter.h"

class QCheckBox;
class QLabel;
class QPushButton;

class TMsgFilterSelectForm : public QDialog {
  Q_OBJECT

 public:
  explicit TMsgFilterSelectForm(QWidget* parent = nullptr);

  // Before showing: the address byte (R/W clear) and its current mask.
  void Prepare(std::uint8_t addressByte, std::uint16_t mask);

  void AllButtonClick();
  void NoneButtonClick();

  std::uint8_t SelectedAddress = 0;
  std::uint16_t AccessMask = 0x1111;

  QLabel* AddressLabel = nullptr;
  QCheckBox* ReadBox = nullptr;
  QCheckBox* WriteBox = nullptr;
  QCheckBox* AckBox = nullptr;
  QCheckBox* NackBox = nullptr;
  QPushButton* ReadBar = nullptr;  // colour key; a click toggles its box
  QPushButton* WriteBar = nullptr;
  QPushButton* AckBar = nullptr;
  QPushButton* NackBar = nullptr;
  QPushButton* AllButton = nullptr;
  QPushButton* NoneButton = nullptr;
  QPushButton* OKButton = nullptr;
  QPushButton* CancelButton = nullptr;

 private:
  void BoxChanged(vantrel::AccessBox which);
  void ShowBoxes(const vantrel::AccessBoxes& boxes);
  vantrel::AccessBoxes Boxes() const;
  void Rebuild();
  bool suspended_ = false;  // boxes set by code: no rules
};
