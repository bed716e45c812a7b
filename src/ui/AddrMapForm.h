// The Slave Address Map window: one cell per 7-bit address showing its
// filter state and live bus activity; a click opens the selection window.
#pragma once
#include <QColor>
#include <QDialog>
#include <QImage>
#include <cstdint>

#include "filters/AddressFilter.h"

class QGroupBox;
class QLabel;
class QPushButton;
class TMsgFilterSelectForm;

namespace vantrel::ui {

// The colour key of the four options.
inline const QColor kReadColour{0, 128, 0};
inline const QColor kWriteColour{0, 0, 255};
inline const QColor kAckColour{128, 0, 128};
inline const QColor kNackColour{0, 0, 128};

// The 16 x 16 image of a state and mark (codes 10..15 drawn as RW_AN): a bar
// per option shown in the lower half, the activity square upper left.
QImage AddrStateImage(std::uint8_t state, ActivityMark mark);
// "RW_AN_X", "RX_XN_A", "DSEL_N".
QString AddrStateImageName(std::uint8_t state, ActivityMark mark);
// "Address [Alias]: A0 [EEPROM]" for an address byte.
QString AddressAliasText(std::uint8_t addressByte);

}  // namespace vantrel::ui

class TAddrMapGrid;

class TAddrMapForm : public QDialog {
  Q_OBJECT

 public:
  explicit TAddrMapForm(QWidget* parent = nullptr);
  ~TAddrMapForm() override;

  // A press on grid cell (column, row), both from 0; headings do nothing.
  void AddrMapGridMouseDown(int column, int row);
  void AllButtonClick();
  void NoneButtonClick();
  void InfoButtonClick();
  void SaveMapButtonClick();
  void LoadMapButtonClick();
  void Refresh();  // every cell redrawn, caption reset

  TAddrMapGrid* AddrMapGrid = nullptr;
  QLabel* AddressLabel = nullptr;
  QPushButton* AllButton = nullptr;
  QPushButton* NoneButton = nullptr;
  QPushButton* CloseButton = nullptr;
  QPushButton* InfoButton = nullptr;
  QPushButton* SaveMapButton = nullptr;
  QPushButton* LoadMapButton = nullptr;
  QGroupBox* FilterInfo = nullptr;
  QGroupBox* ActivityInfo = nullptr;
  TMsgFilterSelectForm* MsgFilterSelect = nullptr;
};

// The 17 x 9 grid of 16-pixel cells with one-pixel lines; row 0 and column 0
// are headings.
class TAddrMapGrid : public QWidget {
  Q_OBJECT

 public:
  explicit TAddrMapGrid(TAddrMapForm* form);
  static constexpr int kPitch = 17;
  // The cell under a point, or false outside the data cells.
  static bool CellAt(QPoint p, int& column, int& row);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  TAddrMapForm* form_;
};
