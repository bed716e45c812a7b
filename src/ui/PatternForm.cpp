#include "ui/PatternForm.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "common/Reports.h"
#include "pipeline/MainWindowSeam.h"
#include "ui/FilterFileDialog.h"

namespace ui = vantrel::ui;
using vantrel::ui::Button;

namespace {

constexpr const char* kCaption = "Message Data Filter";
const ui::FilterFileKind kMatchFile{"Save Match Data", "Load Match Data", "Vantrel.dmf", "dmf",
                                    "Data Match File (*.dmf)"};

TPatternForm* gPatternForm = nullptr;


QTableWidget* MakeGrid(QWidget* parent, const char* name, int columns) {
  auto* g = new QTableWidget(8, columns, parent);
  g->setObjectName(QString::fromLatin1(name));
  g->horizontalHeader()->hide();
  g->verticalHeader()->hide();
  g->verticalHeader()->setDefaultSectionSize(16);
  g->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  g->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  g->horizontalHeader()->setMinimumSectionSize(1);
  g->verticalHeader()->setMinimumSectionSize(1);
  for (int r = 0; r < 8; ++r)
    for (int c = 0; c < columns; ++c) g->setItem(r, c, new QTableWidgetItem);
  return g;
}

// Rows and columns sized to the grid's font, and the grid to exactly its
// cells, so that every cell shows and nothing can scroll away.
void FitGrid(QTableWidget* g, int firstColumnWidth) {
  const QFontMetrics fm(g->font());
  const int cell = fm.horizontalAdvance(QStringLiteral("WW")) + 10;
  const int row = fm.height() + 6;
  for (int r = 0; r < g->rowCount(); ++r) g->setRowHeight(r, row);
  int width = 0;
  for (int c = 0; c < g->columnCount(); ++c) {
    g->setColumnWidth(c, c == 0 && firstColumnWidth > 0 ? firstColumnWidth : cell);
    width += g->columnWidth(c);
  }
  const int frame = 2 * g->frameWidth();
  g->setFixedSize(width + frame, row * g->rowCount() + frame);
}

}  // namespace

TPatternForm::TPatternForm(QWidget* parent) : QDialog(parent) {
  setObjectName("PatternForm");
  setWindowTitle(kCaption);
  auto* top = new QVBoxLayout(this);
  top->setSizeConstraint(QLayout::SetFixedSize);
  auto* grids = new QGridLayout;
  grids->setHorizontalSpacing(0);

  DataGrid = MakeGrid(this, "DataGrid", 9);
  const int column0 = QFontMetrics(DataGrid->font()).horizontalAdvance("Message ") + 20;
  FitGrid(DataGrid, column0);
  for (int r = 0; r < 8; ++r) {
    QTableWidgetItem* item = DataGrid->item(r, 0);
    item->setText(QString("        %1").arg(r + 1));
    item->setFlags(Qt::ItemIsEnabled);
  }
  // The headings stand over their columns: "Byte #" over the first,
  // "Specified Data" over the eight data columns.
  auto* byteHeading = new QLabel("Byte #", this);
  byteHeading->setFixedWidth(column0 + DataGrid->frameWidth());
  grids->addWidget(byteHeading, 0, 0);
  grids->addWidget(new QLabel("Specified Data", this), 0, 1);
  grids->setColumnMinimumWidth(2, 8);
  grids->addWidget(new QLabel("Match", this), 0, 3);
  DataGrid->setToolTip(
      "Click to select a cell.\r\nThen enter match data:\r\n  Hexadecimal (00...FF) digits.\r\n  ASCII codes (i.e. "
      "'a for the letter a).\r\n  XX for Don't Care.\r\n\r\nEnter up to 8 match data per message byte.");
  ConditionGrid = MakeGrid(this, "ConditionGrid", 1);
  FitGrid(ConditionGrid, 0);
  ConditionGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ConditionGrid->setToolTip(
      "Click to select Match Condition\r\nDisplay Messages that:\r\n  Y - Match Any Specified Data.\r\n  N - Do Not "
      "Match Any Specified Data.");
  grids->addWidget(DataGrid, 1, 0, 1, 2, Qt::AlignLeft);
  grids->addWidget(ConditionGrid, 1, 3, Qt::AlignLeft);
  grids->addWidget(new QLabel("(00...FF, 'a...'z, XX = Don't Care)", this), 2, 0, 1, 4);
  top->addLayout(grids);
  ProtocolErrorBox = new QCheckBox("Only Display Messages with Protocol Errors (SBS Only)", this);
  ProtocolErrorBox->setObjectName("ProtocolErrorBox");
  ProtocolErrorBox->setToolTip("Filter out messages with no protocol errors");
  top->addWidget(ProtocolErrorBox);

  auto* buttons = new QHBoxLayout;
  ClearAllButton = Button(this, "ClearAllButton", "Clear All", "set all to don't care");
  AcceptButton = Button(this, "AcceptButton", "Accept", "accept changes");
  UndoButton = Button(this, "UndoButton", "Undo", "undo changes");
  OKButton = Button(this, "OKButton", "OK", "accept any changes and exit");
  CancelButton = Button(this, "CancelButton", "Cancel", "ignore any changes and exit");
  SaveAsButton = Button(this, "SaveAsButton", "Save As", "save data match file");
  LoadFileButton = Button(this, "LoadFileButton", "Load File", "load data match file");
  for (QPushButton* b :
       {ClearAllButton, AcceptButton, UndoButton, OKButton, CancelButton, SaveAsButton, LoadFileButton})
    buttons->addWidget(b);
  top->addLayout(buttons);

  connect(ClearAllButton, &QPushButton::clicked, this, &TPatternForm::ClearAllButtonClick);
  connect(AcceptButton, &QPushButton::clicked, this, &TPatternForm::AcceptButtonClick);
  connect(UndoButton, &QPushButton::clicked, this, &TPatternForm::UndoButtonClick);
  connect(OKButton, &QPushButton::clicked, this, &TPatternForm::OKButtonClick);
  connect(CancelButton, &QPushButton::clicked, this, &TPatternForm::CancelButtonClick);
  connect(SaveAsButton, &QPushButton::clicked, this, &TPatternForm::SaveAsButtonClick);
  connect(LoadFileButton, &QPushButton::clicked, this, &TPatternForm::LoadFileButtonClick);
  connect(DataGrid, &QTableWidget::itemChanged, this, [this](QTableWidgetItem*) { Modified(); });
  connect(ConditionGrid, &QTableWidget::cellPressed, this, [this](int row, int) { ConditionGridMouseDown(row); });
  connect(ProtocolErrorBox, &QCheckBox::clicked, this, [this] { Modified(); });
  DataGrid->installEventFilter(this);
  ConditionGrid->installEventFilter(this);

  gPatternForm = this;
  vantrel::DataFilterChanged = [](vantrel::DataFilterPart part) {
    if (gPatternForm != nullptr) gPatternForm->FilterChanged(part);
  };
  ShowApplied();
  Settled();
}

TPatternForm::~TPatternForm() {
  if (gPatternForm == this) {
    gPatternForm = nullptr;
    vantrel::DataFilterChanged = nullptr;
  }
}

void TPatternForm::showEvent(QShowEvent* event) {
  ShowApplied();
  QDialog::showEvent(event);
}

bool TPatternForm::eventFilter(QObject* watched, QEvent* event) {
  if ((watched == DataGrid || watched == ConditionGrid) && event->type() == QEvent::KeyPress) Modified();
  return QDialog::eventFilter(watched, event);
}

vantrel::MatchGrid TPatternForm::Grid() const {
  vantrel::MatchGrid g;
  for (int b = 0; b < 8; ++b) {
    for (int a = 0; a < 8; ++a)
      g.cells[static_cast<std::size_t>(b)][static_cast<std::size_t>(a)] = ui::Latin1(DataGrid->item(b, a + 1)->text());
    g.conditions[static_cast<std::size_t>(b)] = ui::Latin1(ConditionGrid->item(b, 0)->text());
  }
  g.protocolErrorDetect = ProtocolErrorBox->isChecked();
  return g;
}

void TPatternForm::ShowGrid(const vantrel::MatchGrid& g) {
  const QSignalBlocker block(DataGrid);
  for (int b = 0; b < 8; ++b) {
    for (int a = 0; a < 8; ++a)
      DataGrid->item(b, a + 1)->setText(ui::Latin1(g.cells[static_cast<std::size_t>(b)][static_cast<std::size_t>(a)]));
    ConditionGrid->item(b, 0)->setText(ui::Latin1(g.conditions[static_cast<std::size_t>(b)]));
  }
  ProtocolErrorBox->setChecked(g.protocolErrorDetect);
}

void TPatternForm::ShowApplied() { ShowGrid(vantrel::AppliedMatchGrid()); }

void TPatternForm::Modified() {
  setWindowTitle(kCaption);
  AcceptButton->setEnabled(true);
  UndoButton->setEnabled(true);
  SaveAsButton->setEnabled(false);
  OKButton->setEnabled(true);
}

void TPatternForm::Settled() {
  AcceptButton->setEnabled(false);
  UndoButton->setEnabled(false);
  SaveAsButton->setEnabled(true);
}

void TPatternForm::FilterChanged(vantrel::DataFilterPart part) {
  const vantrel::MatchGrid applied = vantrel::AppliedMatchGrid();
  vantrel::MatchGrid g = Grid();
  switch (part) {
    case vantrel::DataFilterPart::Conditions:
      g.conditions = applied.conditions;
      ShowGrid(g);
      return;
    case vantrel::DataFilterPart::ProtocolErrorDetect:
      ProtocolErrorBox->setChecked(applied.protocolErrorDetect);
      return;
    case vantrel::DataFilterPart::Cells:
    case vantrel::DataFilterPart::All:
      ShowGrid(applied);
      setWindowTitle(kCaption);
      Settled();
      return;
  }
}

bool TPatternForm::ValidateGrid(vantrel::MatchGrid& g) {
  const int bad = vantrel::ValidateMatchGrid(g);
  // Cells rewritten before a bad one keep their new form.
  const QSignalBlocker block(DataGrid);
  for (int b = 0; b < 8; ++b)
    for (int a = 0; a < 8; ++a)
      DataGrid->item(b, a + 1)->setText(ui::Latin1(g.cells[static_cast<std::size_t>(b)][static_cast<std::size_t>(a)]));
  if (bad < 0) return true;
  DataGrid->setCurrentCell(bad / 8, bad % 8 + 1);
  DataGrid->setFocus(Qt::OtherFocusReason);
  vantrel::Reports().ShowMessage("Invalid Match Data", "Message Data Filter Error");
  return false;
}

void TPatternForm::ConditionGridMouseDown(int row) {
  QTableWidgetItem* item = ConditionGrid->item(row, 0);
  if (item == nullptr) return;
  item->setText(item->text() == "Y" ? "N" : "Y");
  Modified();
}

void TPatternForm::ClearAllButtonClick() {
  ShowGrid(vantrel::ClearedMatchGrid());
  Modified();
}

void TPatternForm::AcceptButtonClick() {
  vantrel::MatchGrid g = Grid();
  if (!ValidateGrid(g)) return;
  vantrel::ApplyMatchGrid(g);
  Settled();
}

void TPatternForm::UndoButtonClick() {
  ShowApplied();
  setWindowTitle(kCaption);
  Settled();
}

void TPatternForm::OKButtonClick() {
  vantrel::MatchGrid g = Grid();
  if (!ValidateGrid(g)) return;
  vantrel::ApplyMatchGrid(g);
  Settled();
  accept();
}

void TPatternForm::CancelButtonClick() {
  Settled();
  reject();
}

void TPatternForm::SaveAsButtonClick() {
  vantrel::MatchGrid g = Grid();
  if (!ValidateGrid(g)) return;
  const std::string name = ui::ChooseSaveFile(this, kMatchFile);
  if (name.empty()) return;
  if (vantrel::WriteMatchFile(name, g) == vantrel::FileResult::Done) setWindowTitle(ui::FileCaption(name, kCaption));
}

void TPatternForm::LoadFileButtonClick() {
  const std::string name = ui::ChooseLoadFile(this, kMatchFile);
  if (name.empty()) return;
  vantrel::MatchGrid g = Grid();
  const vantrel::FileResult r = vantrel::ReadMatchFile(name, g);
  if (r != vantrel::FileResult::Done && r != vantrel::FileResult::ReadFailed) return;
  ShowGrid(g);  // rows read before a failure stay
  if (r != vantrel::FileResult::Done) return;
  setWindowTitle(ui::FileCaption(name, kCaption));
  AcceptButton->setEnabled(true);
  UndoButton->setEnabled(true);
  SaveAsButton->setEnabled(false);
  OKButton->setEnabled(true);
  ValidateGrid(g);
}
