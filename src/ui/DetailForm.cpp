#include "ui/DetailForm.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "analysis/StatisticsViews.h"
#include "decode/ParseAH.h"

namespace {

const char* const kHeaders[] = {" Address", "   Alias", " Messages", " Bus Usage", " Average Bits/Sec"};
constexpr int kAliasColumn = 1;

}  // namespace

TDetailForm::TDetailForm(QWidget* parent, std::function<void(int, const std::string&)> showBandwidth)
    : QWidget(parent, Qt::Window), showBandwidth_(std::move(showBandwidth)) {
  setObjectName("Detail");
  setWindowTitle("Message Detail");
  DetailGrid = new QTableWidget(2, 5, this);
  DetailGrid->setObjectName("DetailGrid");
  DetailGrid->horizontalHeader()->hide();
  DetailGrid->verticalHeader()->hide();
  DetailGrid->verticalHeader()->setDefaultSectionSize(DetailGrid->fontMetrics().height() + 6);
  DetailGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
  DetailGrid->setSelectionMode(QAbstractItemView::NoSelection);
  const QFontMetrics fm = DetailGrid->fontMetrics();
  for (int c = 0; c < 5; ++c) {
    DetailGrid->setItem(0, c, new QTableWidgetItem(QString::fromLatin1(kHeaders[c])));
    DetailGrid->setColumnWidth(c, fm.horizontalAdvance(QString::fromLatin1(kHeaders[c])) + 10);
  }
  DetailGrid->setColumnWidth(kAliasColumn, fm.horizontalAdvance("    Alias     ") + 20);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(DetailGrid);
  GridTimer = new QTimer(this);
  GridTimer->setInterval(250);
  connect(GridTimer, &QTimer::timeout, this, &TDetailForm::RefreshDetail);
}

void TDetailForm::Start() { GridTimer->start(); }

void TDetailForm::Stop() {
  GridTimer->stop();
  RefreshDetail();
}

void TDetailForm::RefreshDetail() {
  const std::optional<vantrel::DetailTable> t = vantrel::RefreshDetail(vantrel::CurrentTraceTime);
  if (!t) return;
  const int rows = static_cast<int>(t->rows.size());
  DetailGrid->setRowCount(rows + 1);
  const QFontMetrics fm = DetailGrid->fontMetrics();
  for (int r = 0; r < rows; ++r) {
    const vantrel::DetailRow& row = t->rows[static_cast<std::size_t>(r)];
    const std::string* cells[] = {&row.address, &row.alias, &row.messages, &row.usage, &row.bitRate};
    for (int c = 0; c < 5; ++c) {
      QTableWidgetItem* item = DetailGrid->item(r + 1, c);
      if (item == nullptr) DetailGrid->setItem(r + 1, c, item = new QTableWidgetItem);
      item->setText(QString::fromLatin1(cells[c]->c_str()));
    }
    const int aliasWidth = fm.horizontalAdvance(QString::fromLatin1(row.alias.c_str())) + 20;
    if (aliasWidth > DetailGrid->columnWidth(kAliasColumn)) DetailGrid->setColumnWidth(kAliasColumn, aliasWidth);
  }
  // Six rows high beyond three addresses; the window follows the grid.
  const int visibleRows = rows - 1 > 3 ? 6 : rows + 1;
  int width = 10;
  for (int c = 0; c < 5; ++c) width += DetailGrid->columnWidth(c);
  const bool scroll = width > 500;
  DetailGrid->setHorizontalScrollBarPolicy(scroll ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
  DetailGrid->setVerticalScrollBarPolicy(scroll || rows + 1 > visibleRows ? Qt::ScrollBarAlwaysOn
                                                                           : Qt::ScrollBarAlwaysOff);
  DetailGrid->setFixedSize(std::min(width, 500),
                           visibleRows * DetailGrid->verticalHeader()->defaultSectionSize() + 4);
  setFixedWidth(DetailGrid->width() + 100);
  adjustSize();
  if (showBandwidth_) showBandwidth_(static_cast<int>(t->total), vantrel::UsageText(t->total));
}

void TDetailForm::showEvent(QShowEvent* event) {
  RefreshDetail();
  QWidget::showEvent(event);
}

void TDetailForm::closeEvent(QCloseEvent* event) {
  GridTimer->stop();  // and with it the bandwidth bar, until the next trace
  QWidget::closeEvent(event);
}
