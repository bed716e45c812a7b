#include "ui/MatchForm.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "ui/FilterFileDialog.h"

namespace ui = vantrel::ui;
using vantrel::ui::Button;

namespace {

constexpr const char* kCaption = "Trigger Out Setup";
const ui::FilterFileKind kTriggerFile{"Save Trigger File", "Load Trigger File", vantrel::kTriggerFileName, "trg",
                                      "Trigger File (*.trg)"};
constexpr int kCell = 18;

// The position cells' pictures: a lit and a dark lamp.
QPixmap Lamp(bool lit) {
  QPixmap p(12, 12);
  p.fill(Qt::transparent);
  QPainter painter(&p);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QColor(40, 40, 40));
  painter.setBrush(lit ? QColor(230, 30, 30) : QColor(110, 70, 70));
  painter.drawEllipse(1, 1, 10, 10);
  return p;
}

QTableWidget* MakeGrid(QWidget* parent, const char* name, int rows, int columns) {
  auto* g = new QTableWidget(rows, columns, parent);
  g->setObjectName(QString::fromLatin1(name));
  g->horizontalHeader()->hide();
  g->verticalHeader()->hide();
  g->verticalHeader()->setDefaultSectionSize(kCell);
  g->horizontalHeader()->setDefaultSectionSize(kCell);
  g->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  g->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  g->setEditTriggers(QAbstractItemView::NoEditTriggers);
  g->setSelectionMode(QAbstractItemView::NoSelection);
  g->setFocusPolicy(Qt::NoFocus);
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      auto* item = new QTableWidgetItem;
      item->setTextAlignment(Qt::AlignCenter);
      item->setFlags(Qt::ItemIsEnabled);
      g->setItem(r, c, item);
    }
  }
  return g;
}

}  // namespace

TMatchForm::TMatchForm(QWidget* parent) : QDialog(parent), on_(Lamp(true)), off_(Lamp(false)) {
  setObjectName("Pattern");
  setWindowTitle(kCaption);
  auto* top = new QHBoxLayout(this);

  auto* radios = new QVBoxLayout;
  auto* trigLabel = new QLabel("Trigger Out", this);
  radios->addWidget(trigLabel);
  TrigButtons = new QButtonGroup(this);
  const char* names[] = {"TrigNoneButton", "TrigStartButton", "TrigStopButton",
                         "TrigNackButton", "TrigAckButton",   "BitMatchButton"};
  const char* captions[] = {"None", "Starts", "Stops", "Nacks", "Acks", "Bit Pattern"};
  for (int i = 0; i < 6; ++i) {
    auto* b = new QRadioButton(captions[i], this);
    b->setObjectName(names[i]);
    TrigButtons->addButton(b, i);
    radios->addWidget(b);
  }
  BitMatchButton = static_cast<QRadioButton*>(TrigButtons->button(5));
  radios->addStretch();
  top->addLayout(radios);

  auto* grids = new QGridLayout;
  const QList<QLabel*> labels = {new QLabel("Bit Pattern Data", this), new QLabel("Position", this),
                                 new QLabel("X = Don't Care", this),
                                 new QLabel("1) Address [0] 1=Read, 0=Write", this)};
  patternLabels_ = labels;
  grids->addWidget(labels[0], 0, 0);
  grids->addWidget(labels[1], 0, 1);
  StringGridMatch = MakeGrid(this, "StringGridMatch", 17, 9);
  StringGridMatch->setToolTip("click to select 0,1, don't care bits");
  const int column0 = QFontMetrics(StringGridMatch->font()).horizontalAdvance(" Address (1)") + 12;
  StringGridMatch->setColumnWidth(0, column0);
  StringGridMatch->item(0, 0)->setText(" Bit Pos >");
  for (int c = 1; c <= 8; ++c) StringGridMatch->item(0, c)->setText(QString(" %1").arg(8 - c));
  StringGridMatch->item(1, 0)->setText(" Address (1)");
  for (int n = 1; n <= 15; ++n) StringGridMatch->item(n + 1, 0)->setText(QString(" Data %1").arg(n));
  for (int r = 0; r < 17; ++r) StringGridMatch->item(r, 0)->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  StringGridMatch->setFixedSize(column0 + kCell * 8 + 4, kCell * 17 + 4);
  StringGridTrig = MakeGrid(this, "StringGridTrig", 16, 1);
  StringGridTrig->setToolTip("Trigger Out occurs on Acknowledgement following byte");
  StringGridTrig->setFixedSize(kCell + 4, kCell * 16 + 4);
  grids->addWidget(StringGridMatch, 1, 0);
  auto* trigColumn = new QVBoxLayout;
  trigColumn->addSpacing(kCell);
  trigColumn->addWidget(StringGridTrig);
  grids->addLayout(trigColumn, 1, 1, Qt::AlignTop);
  grids->addWidget(labels[2], 2, 0, 1, 2);
  grids->addWidget(labels[3], 3, 0, 1, 2);
  auto* all = new QHBoxLayout;
  AllXButton = Button(this, "AllXButton", "All 'X'", "set every bit to don't care");
  AllOneButton = Button(this, "AllOneButton", "All '1'", "set every bit to 1");
  AllZeroButton = Button(this, "AllZeroButton", "All '0'", "set every bit to 0");
  for (QPushButton* b : {AllXButton, AllOneButton, AllZeroButton}) all->addWidget(b);
  grids->addLayout(all, 4, 0, 1, 2);
  top->addLayout(grids);

  auto* buttons = new QVBoxLayout;
  OKButton = Button(this, "OKButton", "OK", "accept any changes and exit");
  CancelButton = Button(this, "CancelButton", "Cancel", "ignore any changes and exit");
  UndoButton = Button(this, "UndoButton", "Undo", "undo changes");
  AcceptButton = Button(this, "AcceptButton", "Accept", "accept changes");
  SaveAsButton = Button(this, "SaveAsButton", "Save As", "save trigger out file");
  LoadFileButton = Button(this, "LoadFileButton", "Load File", "load trigger out file");
  for (QPushButton* b : {OKButton, CancelButton, UndoButton, AcceptButton, SaveAsButton, LoadFileButton})
    buttons->addWidget(b);
  buttons->addStretch();
  top->addLayout(buttons);

  connect(TrigButtons, &QButtonGroup::idClicked, this, &TMatchForm::RadioClick);
  connect(StringGridMatch, &QTableWidget::cellPressed, this, &TMatchForm::StringGridMatchMouseDown);
  connect(StringGridTrig, &QTableWidget::cellPressed, this, [this](int row, int) { StringGridTrigMouseDown(row); });
  connect(AllXButton, &QPushButton::clicked, this, [this] { AllButtonClick('X'); });
  connect(AllOneButton, &QPushButton::clicked, this, [this] { AllButtonClick('1'); });
  connect(AllZeroButton, &QPushButton::clicked, this, [this] { AllButtonClick('0'); });
  connect(OKButton, &QPushButton::clicked, this, &TMatchForm::OKButtonClick);
  connect(CancelButton, &QPushButton::clicked, this, &TMatchForm::CancelButtonClick);
  connect(UndoButton, &QPushButton::clicked, this, &TMatchForm::UndoButtonClick);
  connect(AcceptButton, &QPushButton::clicked, this, &TMatchForm::AcceptButtonClick);
  connect(SaveAsButton, &QPushButton::clicked, this, &TMatchForm::SaveAsButtonClick);
  connect(LoadFileButton, &QPushButton::clicked, this, &TMatchForm::LoadFileButtonClick);

  SetPosition(0);
  ShowValues();
  Settled();
}

vantrel::TriggerOutGrid TMatchForm::Grid() const {
  vantrel::TriggerOutGrid g;
  for (std::size_t r = 0; r < 16; ++r) {
    for (std::size_t c = 0; c < 8; ++c) {
      const QString t = StringGridMatch->item(static_cast<int>(r) + 1, static_cast<int>(c) + 1)->text();
      g.bits[r][c] = t.isEmpty() ? ' ' : t.at(0).toLatin1();
    }
    g.position[r] = StringGridTrig->item(static_cast<int>(r), 0)->text() == "1";
  }
  g.code = TrigButtons->checkedId();
  return g;
}

void TMatchForm::ShowGrid(const vantrel::TriggerOutGrid& g) {
  for (std::size_t r = 0; r < 16; ++r) {
    for (std::size_t c = 0; c < 8; ++c)
      StringGridMatch->item(static_cast<int>(r) + 1, static_cast<int>(c) + 1)->setText(QString(QChar::fromLatin1(g.bits[r][c])));
    QTableWidgetItem* cell = StringGridTrig->item(static_cast<int>(r), 0);
    cell->setText(g.position[r] ? "1" : "0");
    cell->setData(Qt::DecorationRole, g.position[r] ? on_ : off_);
    cell->setForeground(Qt::transparent);  // the lamp shows the state
  }
  // A code beyond the buttons selects none.
  TrigButtons->setExclusive(false);
  for (QAbstractButton* b : TrigButtons->buttons()) b->setChecked(TrigButtons->id(b) == g.code);
  TrigButtons->setExclusive(true);
  EnablePattern(g.code == 5);
}

void TMatchForm::ShowValues() { ShowGrid(vantrel::ShowTriggerOut()); }

void TMatchForm::EnablePattern(bool on) {
  StringGridMatch->setEnabled(on);
  StringGridTrig->setEnabled(on);
  const QColor text = on ? Qt::black : Qt::gray;
  for (int r = 1; r < 17; ++r)
    for (int c = 1; c < 9; ++c) StringGridMatch->item(r, c)->setForeground(text);
  for (QLabel* l : patternLabels_) l->setEnabled(on);
  for (QPushButton* b : {AllXButton, AllOneButton, AllZeroButton}) b->setEnabled(on);
}

void TMatchForm::Modified() {
  setWindowTitle(kCaption);
  AcceptButton->setEnabled(true);
  UndoButton->setEnabled(true);
  OKButton->setEnabled(true);
}

void TMatchForm::Settled() {
  AcceptButton->setEnabled(false);
  UndoButton->setEnabled(false);
  OKButton->setEnabled(false);
}

void TMatchForm::RadioClick(int code) {
  EnablePattern(code == 5);
  Modified();
}

void TMatchForm::StringGridMatchMouseDown(int row, int column) {
  if (row < 1 || column < 1) return;
  QTableWidgetItem* cell = StringGridMatch->item(row, column);
  const QString t = cell->text();
  cell->setText(QString(QChar::fromLatin1(vantrel::NextBitCell(t.isEmpty() ? ' ' : t.at(0).toLatin1()))));
  Modified();
}

void TMatchForm::SetPosition(int row) {
  for (int r = 0; r < 16; ++r) {
    QTableWidgetItem* cell = StringGridTrig->item(r, 0);
    cell->setText(r == row ? "1" : "0");
    cell->setData(Qt::DecorationRole, r == row ? on_ : off_);
    cell->setForeground(Qt::transparent);
  }
}

void TMatchForm::StringGridTrigMouseDown(int row) {
  SetPosition(row);
  Modified();
}

void TMatchForm::AllButtonClick(char cell) {
  for (int r = 1; r < 17; ++r)
    for (int c = 1; c < 9; ++c) StringGridMatch->item(r, c)->setText(QString(QChar::fromLatin1(cell)));
  Modified();
}

void TMatchForm::OKButtonClick() {
  vantrel::TakeTriggerOut(Grid());
  Settled();
  accept();
}

void TMatchForm::CancelButtonClick() {
  Settled();
  reject();
}

void TMatchForm::UndoButtonClick() {
  ShowValues();
  setWindowTitle(kCaption);
  Settled();
}

void TMatchForm::AcceptButtonClick() {
  vantrel::TakeTriggerOut(Grid());
  AcceptButton->setEnabled(false);
  UndoButton->setEnabled(false);
}

void TMatchForm::SaveAsButtonClick() {
  const std::string name = ui::ChooseSaveFile(this, kTriggerFile);
  if (name.empty()) return;
  if (vantrel::WriteTriggerFile(name, Grid()) == vantrel::FileResult::Done)
    setWindowTitle(ui::FileCaption(name, kCaption));
}

void TMatchForm::LoadFileButtonClick() {
  const std::string name = ui::ChooseLoadFile(this, kTriggerFile);
  if (name.empty()) return;
  vantrel::TriggerOutGrid g = Grid();
  const vantrel::FileResult r = vantrel::ReadTriggerFile(name, g);
  if (r != vantrel::FileResult::Done && r != vantrel::FileResult::ReadFailed) return;
  ShowGrid(g);  // what was read before a failure stays
  if (r != vantrel::FileResult::Done) return;
  setWindowTitle(ui::FileCaption(name, kCaption));
  for (QPushButton* b : {AcceptButton, UndoButton, OKButton}) b->setEnabled(true);
}

void TMatchForm::ValuesChanged() {
  ShowValues();
  setWindowTitle(kCaption);
  Settled();
}
