// Every window whole: no control narrower or lower than its text needs, none
// reaching out of its parent, at the scale factor this run was started with
// (CTest runs it at 1, 1.5 and 2) and with a large font; the windows that
// change what they show keep their size sane.
#include <QtTest>

#include <QAbstractButton>
#include <QButtonGroup>
#include <QMenu>
#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTableWidget>
#include <memory>

#include "UiTestSupport.h"
#include "pipeline/TraceControl.h"
#include "ui/AddrMapForm.h"
#include "ui/MainForm.h"
#include "ui/PatternForm.h"
#include "ui/SpoolSetupForm.h"
#include "ui/TraceStatusForm.h"

namespace {

QString Name(const QWidget* w) {
  QString n = w->objectName();
  if (n.isEmpty()) {
    if (auto* l = qobject_cast<const QLabel*>(w)) n = "label \"" + l->text() + "\"";
    if (auto* b = qobject_cast<const QAbstractButton*>(w)) n = "button \"" + b->text() + "\"";
    if (auto* g = qobject_cast<const QGroupBox*>(w)) n = "group \"" + g->title() + "\"";
  }
  return QString("%1 %2 in %3").arg(w->metaObject()->className(), n, w->window()->windowTitle());
}

// What a control must have to show its text whole.
QSize Needed(const QWidget* w) {
  if (auto* l = qobject_cast<const QLabel*>(w)) {
    if (l->text().isEmpty() || l->wordWrap() || l->sizePolicy().horizontalPolicy() == QSizePolicy::Ignored) return {};
    return l->minimumSizeHint();
  }
  if (auto* b = qobject_cast<const QPushButton*>(w)) {
    if (b->text().isEmpty()) return {};
    const QFontMetrics fm(b->font());
    return {fm.horizontalAdvance(QString(b->text()).remove('&')) + 6, fm.height()};
  }
  if (qobject_cast<const QCheckBox*>(w) != nullptr || qobject_cast<const QRadioButton*>(w) != nullptr)
    return w->minimumSizeHint();
  if (auto* g = qobject_cast<const QGroupBox*>(w)) {
    const QFontMetrics fm(g->font());
    return {fm.horizontalAdvance(g->title()) + 8, fm.height()};
  }
  return {};
}

bool InsideScrollArea(const QWidget* w) {
  for (const QWidget* p = w->parentWidget(); p != nullptr && !p->isWindow(); p = p->parentWidget()) {
    if (qobject_cast<const QAbstractScrollArea*>(p) != nullptr) return true;
  }
  return false;
}

// The controls of `window` that do not show whole.
QStringList Clipped(QWidget* window) {
  QCoreApplication::processEvents();
  QStringList out;
  for (QWidget* w : window->findChildren<QWidget*>()) {
    if (w->window() != window || !w->isVisibleTo(window) || InsideScrollArea(w)) continue;
    const QSize need = Needed(w);
    if (w->width() < need.width() || w->height() < need.height()) {
      out << QString("%1: %2x%3, needs %4x%5")
                 .arg(Name(w))
                 .arg(w->width())
                 .arg(w->height())
                 .arg(need.width())
                 .arg(need.height());
    }
    const QWidget* parent = w->parentWidget();
    if (parent != nullptr && !parent->rect().contains(w->geometry())) out << Name(w) + ": reaches out of its parent";
  }
  return out;
}

// All of a fixed grid's cells inside its viewport.
bool AllCellsShow(const QTableWidget& g) {
  const QRect view = g.viewport()->rect();
  for (int r = 0; r < g.rowCount(); ++r)
    for (int c = 0; c < g.columnCount(); ++c)
      if (!view.contains(g.visualItemRect(g.item(r, c)))) return false;
  return true;
}

}  // namespace

class LayoutTest : public QObject {
  Q_OBJECT

  std::unique_ptr<FakeDialogs> dialogs_;
  std::unique_ptr<TMainForm> form_;

  void NewForm() {
    form_.reset();
    TMainForm::Options o;
    o.aboutAtStart = false;
    form_ = std::make_unique<TMainForm>(o);
    form_->show();
    QTRY_VERIFY(!form_->LoadSettings->isActive());
  }

  // Every window of the program shown in turn, checked, and hidden again.
  void CheckEveryWindow() {
    form_->resize(form_->minimumSizeHint());
    QCoreApplication::processEvents();
    QCOMPARE(Clipped(form_.get()), QStringList());
    // The display keeps eight lines at its smallest.
    QVERIFY(form_->DataMemo->viewport()->height() >= 8 * form_->DataMemo->fontMetrics().lineSpacing());

    int windows = 0;
    for (QWidget* w : form_->findChildren<QWidget*>()) {
      if (!w->isWindow() || qobject_cast<QMenu*>(w) != nullptr) continue;
      w->show();
      QCOMPARE(Clipped(w), QStringList());
      w->hide();
      ++windows;
    }
    QVERIFY(windows >= 20);
    // The address map with its legends open.
    auto* map = form_->findChild<TAddrMapForm*>();
    map->show();
    map->InfoButton->click();
    QVERIFY(map->FilterInfo->isVisible());
    QCOMPARE(Clipped(map), QStringList());
    map->hide();
  }

 private Q_SLOTS:
  void init() {
    dialogs_ = std::make_unique<FakeDialogs>();
    NewForm();
  }

  void cleanup() {
    form_.reset();
    dialogs_.reset();
    QApplication::setFont(QFont());
    vantrel::RestoreDefaultSpoolChoice();
  }

  void everyWindowWhole() { CheckEveryWindow(); }

  void everyWindowWholeWithLargeFonts() {
    QFont large = QApplication::font();
    large.setPointSizeF(large.pointSizeF() * 1.6);
    QApplication::setFont(large);
    NewForm();
    QFont display = form_->DataMemo->font();
    display.setPointSize(20);
    form_->ApplyDisplayFont(display);
    CheckEveryWindow();
  }

  void dataFilterGridShowsEveryCell() {
    auto* pattern = form_->findChild<TPatternForm*>();
    pattern->show();
    QTableWidget& grid = *pattern->DataGrid;
    QVERIFY(AllCellsShow(grid));
    QVERIFY(AllCellsShow(*pattern->ConditionGrid));
    // Walking the cells with the arrow keys scrolls nothing away.
    grid.setFocus();
    grid.setCurrentCell(0, 1);
    for (int i = 0; i < 10; ++i) QTest::keyClick(&grid, Qt::Key_Right);
    for (int i = 0; i < 10; ++i) QTest::keyClick(&grid, Qt::Key_Down);
    QCOMPARE(grid.currentColumn(), 8);
    QCOMPARE(grid.currentRow(), 7);
    QCOMPARE(grid.horizontalScrollBar()->value(), 0);
    QCOMPARE(grid.verticalScrollBar()->value(), 0);
    QVERIFY(AllCellsShow(grid));
    // "Specified Data" stands over the first data column.
    QLabel* heading = nullptr;
    for (QLabel* l : pattern->findChildren<QLabel*>())
      if (l->text() == "Specified Data") heading = l;
    QVERIFY(heading != nullptr);
    const int firstData = grid.mapTo(pattern, grid.visualItemRect(grid.item(0, 1)).topLeft()).x() + grid.frameWidth();
    QVERIFY2(qAbs(heading->x() - firstData) <= 8, qPrintable(QString("%1 vs %2").arg(heading->x()).arg(firstData)));
  }

  void invalidMatchDataPutsTheFocusOnItsCell() {
    auto* pattern = form_->findChild<TPatternForm*>();
    pattern->show();
    QApplication::setActiveWindow(pattern);
    QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(pattern));
    pattern->DataGrid->item(2, 4)->setText("1G");
    pattern->AcceptButton->setFocus();
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(pattern->AcceptButton));
    pattern->AcceptButton->click();
    QVERIFY(dialogs_->messages.contains("Message Data Filter Error: Invalid Match Data"));
    QCOMPARE(pattern->DataGrid->currentRow(), 2);
    QCOMPARE(pattern->DataGrid->currentColumn(), 4);
    QWidget* focus = QApplication::focusWidget();
    QVERIFY2(focus == pattern->DataGrid, focus ? qPrintable(Name(focus)) : "no focus");
  }

  void addressMapLegendsOpenAndCloseWithoutBands() {
    auto* map = form_->findChild<TAddrMapForm*>();
    map->show();
    QCoreApplication::processEvents();
    const QSize closed = map->size();
    map->InfoButton->click();
    QCoreApplication::processEvents();
    QVERIFY(map->height() > closed.height());
    // No empty band below the legends.
    const int legendsEnd = map->FilterInfo->geometry().bottom();
    QVERIFY2(map->height() - legendsEnd < 30, qPrintable(QString("%1 below").arg(map->height() - legendsEnd)));
    map->InfoButton->click();
    QCoreApplication::processEvents();
    QCOMPARE(map->size(), closed);
  }

  void spoolSwitchingMovesNothing() {
    TSpoolSetupForm& setup = *form_->SpoolSetup;
    TTraceStatusForm& status = *form_->TraceStatus;
    setup.show();
    status.show();
    QCoreApplication::processEvents();
    auto* ok = setup.findChild<QPushButton*>("OKButton");
    QAbstractButton* ram = setup.SpoolDevice->button(0);
    QAbstractButton* disk = setup.SpoolDevice->button(1);
    ram->click();
    QCoreApplication::processEvents();
    const QSize setupSize = setup.size(), statusSize = status.size();
    const QPoint okAt = ok->pos();
    for (int i = 0; i < 3; ++i) {
      disk->click();
      QCoreApplication::processEvents();
      QVERIFY(setup.SpoolFileSizeGroup->isVisible());
      QVERIFY(status.SpoolFilePanel->isVisible());
      QVERIFY(!status.SpoolBufferPanel->isVisible());
      QCOMPARE(setup.size(), setupSize);
      QCOMPARE(ok->pos(), okAt);
      QVERIFY(status.height() <= statusSize.height());
      ram->click();
      QCoreApplication::processEvents();
      QCOMPARE(setup.size(), setupSize);
      QCOMPARE(status.size(), statusSize);
    }
    // Trace Status fits an 800-pixel-high screen with its frame.
    QVERIFY2(status.height() <= 720, qPrintable(QString::number(status.height())));
  }
};

QTEST_MAIN(LayoutTest)
#include "LayoutTest.moc"
