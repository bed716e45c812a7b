// Options | Keep Whole Trace as a user meets it: a replay kept from its first
// line, messages picked anywhere in it, find over all of it (a slice at a
// time), selection and copy, following the end, the keys, the font, and the
// option's own rules (off by default, taken up when the display is emptied,
// saved only while on).
#include <QtTest>

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QListWidget>
#include <QAbstractPrintDialog>
#include <QTemporaryDir>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStatusBar>
#include <memory>

#include "UiTestSupport.h"
#include "pipeline/DisplayLines.h"
#include "pipeline/DisplayLoop.h"
#include "pipeline/TraceControl.h"
#include "pipeline/TraceState.h"
#include "pipeline/WholeTrace.h"
#include "settings/Settings.h"
#include "ui/BTimingForm.h"
#include "ui/MainForm.h"
#include "ui/Print.h"
#include "ui/RawDataForm.h"
#include "ui/TraceListView.h"

using vantrel::gWholeTrace;

namespace {
constexpr int kReplayTimeoutMs = 60000;
}  // namespace

class WholeTraceTest : public QObject {
  Q_OBJECT

  std::unique_ptr<FakeDialogs> dialogs_;
  std::unique_ptr<TMainForm> form_;

  TMainForm& Form() { return *form_; }
  TraceListView& List() { return *form_->TraceList; }
  QScrollBar& Bar() { return *form_->TraceList->verticalScrollBar(); }
  QAction* Menu(const char* name) { return form_->MenuItem(name); }
  bool Idle() { return !vantrel::gTrace.TraceRunning && Form().TraceButton->text() == "Trace"; }
  QString Note() { return Form().statusBar()->currentMessage(); }
  int Row() { return List().currentIndex().row(); }
  void SetRow(int row) { List().setCurrentIndex(Form().TraceLines->index(row, 0)); }
  // Keep Whole Trace on, the display emptied so that it takes effect.
  void KeepWhole() {
    Menu("MenuOptionsKeepWholeTrace")->trigger();
    Form().ClearDisplayButton->click();
    QVERIFY(gWholeTrace.Active());
  }
  // The display holding just these lines, given as the display loop gives a batch.
  void Show(int count, const std::function<QString(int)>& line) {
    vantrel::EmptyDisplay();
    vantrel::DisplayLines batch;
    for (int i = 0; i < count; ++i) batch.Add(line(i).toStdString(), false);
    gWholeTrace.AppendLines(batch);
    Form().WholeTraceGrew();
  }
  void Replay(const QString& log) {
    dialogs_->fileAnswers << log;
    Menu("MenuSetupLogRead")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(Idle(), kReplayTimeoutMs);
  }

 private Q_SLOTS:
  void init() {
    dialogs_ = std::make_unique<FakeDialogs>();
    TMainForm::Options o;
    o.aboutAtStart = false;
    form_ = std::make_unique<TMainForm>(o);
    form_->show();
    QTRY_VERIFY(!form_->LoadSettings->isActive());
  }

  void cleanup() {
    form_.reset();
    dialogs_.reset();
    vantrel::gTraceOptions.KeepWholeTrace = false;
    vantrel::ClearDisplayButtonClick();
  }

  void cleanupTestCase() { QFile::remove(GeneratedLog(400000)); }

  void offByDefaultTakenUpWhenTheDisplayEmpties() {
    QVERIFY(!Menu("MenuOptionsKeepWholeTrace")->isChecked());
    QCOMPARE(Form().DisplayStack->currentWidget(), Form().DataMemo);
    const QStringList welcome = Form().DisplayLines();
    QVERIFY(!welcome.isEmpty());
    // What the display shows stays until it is emptied anyway.
    Menu("MenuOptionsKeepWholeTrace")->trigger();
    QVERIFY(vantrel::gTraceOptions.KeepWholeTrace);
    QCOMPARE(Note(), QString("Keep Whole Trace takes effect with the next trace or Clear Display"));
    QCOMPARE(Form().DisplayStack->currentWidget(), Form().DataMemo);
    QCOMPARE(Form().DisplayLines(), welcome);
    Form().ClearDisplayButton->click();
    QCOMPARE(Form().DisplayStack->currentWidget(), static_cast<QWidget*>(&List()));
    // Saved only while on; Restore Default turns it off.
    QVERIFY(vantrel::SettingsLines().back() == "KeepWholeTrace=True");
    Menu("MenuSetupSettingsRestore")->trigger();
    QVERIFY(!Menu("MenuOptionsKeepWholeTrace")->isChecked());
    QVERIFY(vantrel::SettingsLines().back() != "KeepWholeTrace=True");
  }

  void aReplayKeptWholeAndPickedAnywhere() {
    const QString log = GeneratedLog(400000);
    QVERIFY(!log.isEmpty());
    KeepWhole();
    Replay(log);
    const int rows = Form().TraceLines->rowCount();
    QCOMPARE(static_cast<std::size_t>(rows), gWholeTrace.LineCount());
    QVERIFY2(rows > 3 * static_cast<int>(vantrel::kLineLimit), qPrintable(QString::number(rows)));
    QCOMPARE(static_cast<std::size_t>(rows), 5 + vantrel::gDisplayedLines.units + 1);
    // From the log's first line to the end note, the view at the end.
    QCOMPARE(Form().DisplayLines().first(), QString(";Orbisan Corporation"));
    QCOMPARE(Form().DisplayLines().last(), QString("Log File Exhausted, Trace Terminated."));
    QCOMPARE(Bar().value(), Bar().maximum());
    QCOMPARE(Bar().maximum(), rows - Bar().pageStep());
    QCOMPARE(List().indexAt(QPoint(5, (Bar().pageStep() - 1) * List().RowHeight())).row(), rows - 1);
    QVERIFY(Menu("PopupShowTiming")->isEnabled());

    // The first message, long gone from a trimmed display.
    SetRow(5);
    Menu("PopupShowTiming")->trigger();
    QCOMPARE(dialogs_->modalShown.last(), Form().BTiming->objectName());
    QVERIFY(Form().BTiming->Lines->count() > 5);
    QCOMPARE(Form().BTiming->Lines->item(0)->text(), QString("Message Number 1 Selected"));
    Menu("PopupShowDiagnostics")->trigger();
    QCOMPARE(Form().RawData->Lines->item(3)->text(), QString("Message Number 1 Selected"));
    QCOMPARE(Form().RawData->Lines->item(7)->text(), QString("Start Index: 1"));
    QVERIFY(Form().RawData->Lines->item(Form().RawData->Lines->count() - 1)->text().startsWith("Packet["));
    QVERIFY(List().selectionModel()->isRowSelected(5, {}));
    // One in the middle, by its own number.
    const int middle = rows / 2;
    SetRow(middle);
    const QString number = Form().DisplayLines()[middle].section(' ', 1, -1, QString::SectionSkipEmpty).section(' ', 0, 0);
    Menu("PopupShowDiagnostics")->trigger();
    QCOMPARE(Form().RawData->Lines->item(3)->text(), "Message Number " + number + " Selected");
    QVERIFY(Form().RawData->Lines->item(5)->text().startsWith("Address: "));
    // A line that is not a message.
    SetRow(0);
    Menu("PopupShowTiming")->trigger();
    QCOMPARE(dialogs_->messages.last(), QString("Message Error: Message Number not found"));

    // Copy: the selected rows, or the current one.
    List().selectionModel()->select(QItemSelection(Form().TraceLines->index(5, 0), Form().TraceLines->index(7, 0)),
                                    QItemSelectionModel::ClearAndSelect);
    Menu("PopupCopy")->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), Form().DisplayLines().mid(5, 3).join('\n') + '\n');
    QCOMPARE(Note(), QString("3 lines copied"));
    List().clearSelection();
    SetRow(9);
    List().clearSelection();
    Menu("PopupCopy")->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), Form().DisplayLines()[9] + '\n');
    // Shift+Down selects from the current row on.
    SetRow(20);
    List().setFocus();
    QTest::keyClick(&List(), Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(&List(), Qt::Key_Down, Qt::ShiftModifier);
    Menu("PopupCopy")->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), Form().DisplayLines().mid(20, 3).join('\n') + '\n');

    // Ctrl+Home and Ctrl+End go to either end.
    List().setFocus();
    QTest::keyClick(&List(), Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(Row(), 0);
    QCOMPARE(Bar().value(), 0);
    QTest::keyClick(&List(), Qt::Key_PageDown);
    QCOMPARE(Row(), Bar().pageStep());
    QTest::keyClick(&List(), Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(Row(), rows - 1);
    QCOMPARE(Bar().value(), Bar().maximum());
  }

  void findOverTheWholeTraceASliceAtATime() {
    KeepWhole();
    constexpr int kLines = 700'000;  // three slices
    Show(kLines, [](int i) { return QString("Msg %1 [Start]#%2[W]").arg(i).arg(i % 128, 2, 16, QChar('0')); });
    QCOMPARE(Form().TraceLines->rowCount(), kLines);
    Form().MenuFindClick();
    Form().FindEdit->setText("Msg 650000 [");
    SetRow(10);
    Form().FindNext(false);
    QVERIFY(Form().Finding());  // beyond the first slice: the window goes on meanwhile
    QVERIFY(Note().startsWith("Searching for \"Msg 650000 [\""));
    QTRY_VERIFY(!Form().Finding());
    QCOMPARE(Row(), 650000);
    QVERIFY(Note().isEmpty());
    QVERIFY(Bar().value() <= 650000 && 650000 < Bar().value() + Bar().pageStep());
    // Round past the end, with the note; backward past the top.
    Form().FindEdit->setText("msg 5 [start]");
    Form().FindNext(false);
    QTRY_COMPARE(Row(), 5);
    QCOMPARE(Note(), QString("Passed the end of the display, continued from the top"));
    Form().FindEdit->setText("Msg 699999 ");
    Form().FindNext(true);
    QTRY_COMPARE(Row(), kLines - 1);
    QCOMPARE(Note(), QString("Passed the top of the display, continued from the end"));
    // Match case; nothing found leaves the row where it was.
    Form().FindCase->click();
    Form().FindEdit->setText("msg 5 [start]");
    Form().FindNext(false);
    QTRY_VERIFY(!Form().Finding());
    QTRY_COMPARE(Note(), QString("\"msg 5 [start]\" not found"));
    QCOMPARE(Row(), kLines - 1);
    // A new find or Clear Display ends one under way.
    Form().FindCase->click();
    Form().FindEdit->setText("Msg 400000 ");
    SetRow(0);
    Form().FindNext(false);
    QVERIFY(Form().Finding());
    Form().ClearDisplayButton->click();
    QVERIFY(!Form().Finding());
    QTest::qWait(50);
    QCOMPARE(Form().TraceLines->rowCount(), 0);
  }

  void printsTheWholeTraceOrItsSelection() {
    KeepWhole();
    vantrel::EmptyDisplay();
    Menu("MenuFilePrint")->trigger();
    QCOMPARE(dialogs_->messages.last(), QString("Print: Nothing to Print\n\nThe display is empty."));
    if (vantrel::ui::PrinterInstalled()) QSKIP("a printer is installed: Print would use it");
    Show(30000, [](int i) { return QString("line %1").arg(i); });
    List().selectionModel()->select(QItemSelection(Form().TraceLines->index(2, 0), Form().TraceLines->index(3, 0)),
                                    QItemSelectionModel::ClearAndSelect);
    QTemporaryDir dir;
    for (const bool selection : {true, false}) {
      const QString pdf = dir.filePath(selection ? "selection.pdf" : "all.pdf");
      dialogs_->fileAnswers << pdf;
      dialogs_->onModal = [selection](QDialog& d) {
        static_cast<QAbstractPrintDialog&>(d).setPrintRange(selection ? QAbstractPrintDialog::Selection
                                                                       : QAbstractPrintDialog::AllPages);
        return int(QDialog::Accepted);
      };
      Menu("MenuFilePrint")->trigger();
      QVERIFY(QFileInfo(pdf).size() > 100);
    }
    // Two lines make one page, thirty thousand several hundred.
    QVERIFY(QFileInfo(dir.filePath("all.pdf")).size() > 20 * QFileInfo(dir.filePath("selection.pdf")).size());
  }

  void copyAndPrintTakeABoundedNumberOfLines() {
    KeepWhole();
    Show(1'000'001, [](int i) { return QString::number(i); });
    List().selectAll();
    Menu("PopupCopy")->trigger();
    QCOMPARE(dialogs_->messages.last(),
             QString("Copy: Too Many Lines\n\nCopy takes up to 1,000,000 lines at a time. A display file "
                     "(Setup | Open Display File for Write) keeps a whole trace as text."));
    List().selectionModel()->select(QItemSelection(Form().TraceLines->index(1, 0), Form().TraceLines->index(1'000'000, 0)),
                                    QItemSelectionModel::ClearAndSelect);
    dialogs_->messages.clear();
    Menu("PopupCopy")->trigger();
    QVERIFY(dialogs_->messages.isEmpty());
    QCOMPARE(QGuiApplication::clipboard()->text().size(), 6'888'896);  // the digits of 1..1,000,000 and their ends
    dialogs_->onModal = [](QDialog& d) {
      static_cast<QAbstractPrintDialog&>(d).setPrintRange(QAbstractPrintDialog::AllPages);
      return int(QDialog::Accepted);
    };
    Menu("MenuFilePrint")->trigger();
    QVERIFY(dialogs_->messages.last().startsWith("Print: Too Many Lines\n\nPrint takes up to 1,000,000 lines"));
  }

  void followsTheEndOnlyAtTheEnd() {
    KeepWhole();
    Show(500, [](int i) { return QString("line %1").arg(i); });
    QCOMPARE(Bar().value(), Bar().maximum());
    vantrel::AppendDisplayNote("one more");
    QCOMPARE(Bar().value(), Bar().maximum());
    QCOMPARE(List().indexAt(QPoint(5, (Bar().pageStep() - 1) * List().RowHeight())).data().toString(),
             QString("one more"));
    // Reading further back: new lines leave the view where it is.
    Bar().setValue(100);
    vantrel::AppendDisplayNote("and another");
    QCOMPARE(Bar().value(), 100);
    QCOMPARE(List().indexAt(QPoint(5, 1)).data().toString(), QString("line 100"));
    Bar().setValue(Bar().maximum());
    vantrel::AppendDisplayNote("last");
    QCOMPARE(Bar().value(), Bar().maximum());

    // A larger font: taller rows, the same lines.
    const int height = List().RowHeight();
    QFont font = List().font();
    font.setPointSize(font.pointSize() * 2);
    Form().ApplyDisplayFont(font);
    QVERIFY(List().RowHeight() > height);
    QVERIFY(List().horizontalScrollBar()->maximum() >= 0);
    QCOMPARE(Form().TraceLines->rowCount(), 503);
  }
};

QTEST_MAIN(WholeTraceTest)
#include "WholeTraceTest.moc"
