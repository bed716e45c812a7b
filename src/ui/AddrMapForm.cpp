#include "ui/AddrMapForm.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "filters/AddrMapFile.h"
#include "filters/AliasTable.h"
#include "ui/FilterFileDialog.h"
#include "ui/MsgFilterSelectForm.h"
#include "ui/UiDialogs.h"

namespace ui = vantrel::ui;
using vantrel::ui::Button;
using vantrel::ActivityMark;

namespace {

constexpr const char* kCaption = "Slave Address Map";
constexpr const char* kNoAddress = "Address [Alias]:";
const ui::FilterFileKind kMapFile{"Save Address Map", "Load Address Map", "Vantrel.map", "map",
                                  "Address Map File (*.map)"};

TAddrMapForm* gMapForm = nullptr;


QString Hex2(int v) { return QString::number(v & 0xFF, 16).rightJustified(2, QChar('0')).toUpper(); }

QLabel* Swatch(QWidget* parent, const QImage& image) {
  auto* l = new QLabel(parent);
  l->setPixmap(QPixmap::fromImage(image));
  return l;
}

}  // namespace

namespace vantrel::ui {

QImage AddrStateImage(std::uint8_t state, ActivityMark mark) {
  QImage img(16, 16, QImage::Format_RGB32);
  img.fill(Qt::white);
  const std::uint16_t m = AccessMaskOf(state);
  const struct {
    std::uint16_t bit;
    QColor colour;
  } bars[] = {{0x1000, kReadColour}, {0x0100, kWriteColour}, {0x0010, kAckColour}, {0x0001, kNackColour}};
  for (int i = 0; i < 4; ++i) {
    if ((m & bars[i].bit) == 0) continue;
    for (int y = 8; y < 16; ++y)
      for (int x = i * 4; x < i * 4 + 3; ++x) img.setPixelColor(x, y, bars[i].colour);
  }
  // Codes 10..15 record no activity, so they never carry a mark.
  if (mark != ActivityMark::None) {
    for (int y = 1; y <= 6; ++y) {
      for (int x = 1; x <= 6; ++x) {
        const bool edge = x == 1 || x == 6 || y == 1 || y == 6;
        if (mark == ActivityMark::Acked || edge) img.setPixelColor(x, y, Qt::red);
      }
    }
  }
  return img;
}

QString AddrStateImageName(std::uint8_t state, ActivityMark mark) {
  const char* suffix = mark == ActivityMark::Acked ? "_A" : (mark == ActivityMark::Nacked ? "_N" : "_X");
  return QString::fromLatin1(StateName(state)) + suffix;
}

QString AddressAliasText(std::uint8_t addressByte) {
  return QString("Address [Alias]: ") + Hex2(addressByte) + " [" + Latin1(AliasText(addressByte >> 1)) + "]";
}

}  // namespace vantrel::ui

// ---------------------------------------------------------------------------

TAddrMapGrid::TAddrMapGrid(TAddrMapForm* form) : QWidget(form), form_(form) {
  setObjectName("AddrMapGrid");
  setFixedSize(17 * kPitch, 9 * kPitch);
  setMouseTracking(true);
  setToolTip("click to change fiter options");
}

bool TAddrMapGrid::CellAt(QPoint p, int& column, int& row) {
  if (p.x() < 17 || p.x() > 288 || p.y() < 17 || p.y() > 152) return false;
  column = (p.x() - 17) / 17 + 1;
  row = (p.y() - 17) / 17 + 1;
  return true;
}

void TAddrMapGrid::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Qt::gray);
  QFont f = font();
  f.setPixelSize(9);
  p.setFont(f);
  for (int c = 0; c <= 16; ++c) {
    for (int r = 0; r <= 8; ++r) {
      const QRect cell(c * kPitch, r * kPitch, 16, 16);
      if (c == 0 || r == 0) {
        p.fillRect(cell, palette().button());
        if (c != r) p.drawText(cell, Qt::AlignCenter, Hex2(c == 0 ? (r - 1) * 2 : (c - 1) * 16));
        continue;
      }
      const auto a = static_cast<std::size_t>(vantrel::AddressOfMapCell(c, r));
      p.drawImage(cell.topLeft(), ui::AddrStateImage(vantrel::gAddrFilter.AddrMap[a], vantrel::gAddrFilter.marks[a]));
    }
  }
}

void TAddrMapGrid::mouseMoveEvent(QMouseEvent* event) {
  int c = 0, r = 0;
  if (CellAt(event->position().toPoint(), c, r)) {
    form_->AddressLabel->setText(ui::AddressAliasText(static_cast<std::uint8_t>((c - 1) * 16 + (r - 1) * 2)));
  } else {
    form_->AddressLabel->setText(kNoAddress);
  }
}

void TAddrMapGrid::mousePressEvent(QMouseEvent* event) {
  int c = 0, r = 0;
  if (CellAt(event->position().toPoint(), c, r)) form_->AddrMapGridMouseDown(c, r);
}

void TAddrMapGrid::leaveEvent(QEvent*) { form_->AddressLabel->setText(kNoAddress); }

// ---------------------------------------------------------------------------

TAddrMapForm::TAddrMapForm(QWidget* parent) : QDialog(parent) {
  setObjectName("AddrMapForm");
  setWindowTitle(kCaption);
  auto* top = new QVBoxLayout(this);
  // The window is always the size of what it shows, legends or not, at any font.
  top->setSizeConstraint(QLayout::SetFixedSize);
  AddressLabel = new QLabel(kNoAddress, this);
  AddressLabel->setObjectName("AddressLabel");
  // Its text follows the mouse; the window must not resize with it.
  AddressLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  top->addWidget(AddressLabel);

  auto* row = new QHBoxLayout;
  AddrMapGrid = new TAddrMapGrid(this);
  row->addWidget(AddrMapGrid);
  auto* buttons = new QGridLayout;
  AllButton = Button(this, "AllButton", "All", "monitor all");
  NoneButton = Button(this, "NoneButton", "None", "filter all");
  InfoButton = Button(this, "InfoButton", "Info", "show or hide the legends");
  CloseButton = Button(this, "CloseButton", "Close", "close Slave Address Map");
  SaveMapButton = Button(this, "SaveMapButton", "Save Map", "save address map file");
  LoadMapButton = Button(this, "LoadMapButton", "Load Map", "load address map file");
  buttons->addWidget(AllButton, 0, 0);
  buttons->addWidget(NoneButton, 0, 1);
  buttons->addWidget(SaveMapButton, 1, 0);
  buttons->addWidget(LoadMapButton, 1, 1);
  buttons->addWidget(InfoButton, 2, 0);
  buttons->addWidget(CloseButton, 2, 1);
  row->addLayout(buttons);
  top->addLayout(row);

  FilterInfo = new QGroupBox("Slave Address Filter Info", this);
  auto* fl = new QGridLayout(FilterInfo);
  const struct {
    const char* text;
    std::uint8_t state;
  } keys[] = {{"R - Read Access", vantrel::RX_AX}, {"W - Write Access", vantrel::XW_AX},
              {"A - Acknowledged", vantrel::RW_AX}, {"N - Not Acknowledged", vantrel::RW_XN}};
  int i = 0;
  for (const auto& k : keys) {
    // Each swatch shows the one bar of its option.
    QImage img(16, 16, QImage::Format_RGB32);
    img.fill(Qt::white);
    const QColor colours[] = {ui::kReadColour, ui::kWriteColour, ui::kAckColour, ui::kNackColour};
    for (int y = 8; y < 16; ++y)
      for (int x = i * 4; x < i * 4 + 3; ++x) img.setPixelColor(x, y, colours[i]);
    fl->addWidget(Swatch(FilterInfo, img), i / 2, (i % 2) * 2);
    fl->addWidget(new QLabel(k.text, FilterInfo), i / 2, (i % 2) * 2 + 1);
    ++i;
  }
  ActivityInfo = new QGroupBox("Slave Address Activity Info", this);
  auto* al = new QGridLayout(ActivityInfo);
  const struct {
    ActivityMark mark;
    const char* text;
  } marks[] = {{ActivityMark::None, "No Activity"},
               {ActivityMark::Acked, "Acknowledged Activity"},
               {ActivityMark::Nacked, "Neg Acknowledged Activity"}};
  int line = 0;
  for (const auto& m : marks) {
    al->addWidget(Swatch(ActivityInfo, ui::AddrStateImage(vantrel::DSEL, m.mark)), line, 0);
    al->addWidget(new QLabel(m.text, ActivityInfo), line, 1);
    ++line;
  }
  al->setColumnStretch(1, 1);
  auto* info = new QHBoxLayout;
  info->addWidget(FilterInfo);
  info->addWidget(ActivityInfo);
  top->addLayout(info);

  connect(AllButton, &QPushButton::clicked, this, &TAddrMapForm::AllButtonClick);
  connect(NoneButton, &QPushButton::clicked, this, &TAddrMapForm::NoneButtonClick);
  connect(InfoButton, &QPushButton::clicked, this, &TAddrMapForm::InfoButtonClick);
  connect(CloseButton, &QPushButton::clicked, this, &QDialog::close);
  connect(SaveMapButton, &QPushButton::clicked, this, &TAddrMapForm::SaveMapButtonClick);
  connect(LoadMapButton, &QPushButton::clicked, this, &TAddrMapForm::LoadMapButtonClick);

  MsgFilterSelect = new TMsgFilterSelectForm(this);

  gMapForm = this;
  vantrel::AddressActivityChanged = [](int) {
    if (gMapForm != nullptr) gMapForm->AddrMapGrid->update();
  };
  vantrel::AddressMapRefreshed = [] {
    if (gMapForm != nullptr) gMapForm->Refresh();
  };
  vantrel::RefreshAddressMap();
  FilterInfo->hide();
  ActivityInfo->hide();
}

TAddrMapForm::~TAddrMapForm() {
  if (gMapForm == this) {
    gMapForm = nullptr;
    vantrel::AddressActivityChanged = nullptr;
    vantrel::AddressMapRefreshed = nullptr;
  }
}

void TAddrMapForm::Refresh() {
  AddrMapGrid->update();
  setWindowTitle(kCaption);
}

void TAddrMapForm::AddrMapGridMouseDown(int column, int row) {
  if (column < 1 || column > 16 || row < 1 || row > 8) return;
  const int address = vantrel::AddressOfMapCell(column, row);
  MsgFilterSelect->Prepare(static_cast<std::uint8_t>(address * 2),
                           vantrel::AccessMaskOf(vantrel::gAddrFilter.AddrMap[static_cast<std::size_t>(address)]));
  if (ui::Dialogs().RunModal(*MsgFilterSelect) != QDialog::Accepted) return;
  vantrel::SetAddressState(address, vantrel::StateOfMask(MsgFilterSelect->AccessMask));
  AddrMapGrid->update();
  setWindowTitle(kCaption);
}

void TAddrMapForm::AllButtonClick() {
  vantrel::gAddrFilter.AddrMap.fill(vantrel::RW_AN);
  vantrel::RefreshAddressMap();
}

void TAddrMapForm::NoneButtonClick() {
  vantrel::gAddrFilter.AddrMap.fill(vantrel::DSEL);
  vantrel::RefreshAddressMap();
}

void TAddrMapForm::InfoButtonClick() {
  const bool open = FilterInfo->isHidden();
  FilterInfo->setVisible(open);
  ActivityInfo->setVisible(open);
}

void TAddrMapForm::SaveMapButtonClick() {
  const std::string name = ui::ChooseSaveFile(this, kMapFile);
  if (name.empty()) return;
  if (vantrel::WriteAddrMapFile(name) == vantrel::FileResult::Done) setWindowTitle(ui::FileCaption(name, kCaption));
}

void TAddrMapForm::LoadMapButtonClick() {
  const std::string name = ui::ChooseLoadFile(this, kMapFile);
  if (name.empty()) return;
  if (vantrel::ReadAddrMapFile(name) == vantrel::FileResult::Done) setWindowTitle(ui::FileCaption(name, kCaption));
}
