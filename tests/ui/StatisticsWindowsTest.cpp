// The statistics and message views during and after a replay: the Message
// Detail grid, the bandwidth bar, the Activity Chart, picking a line and its
// Message Timing and Message Diagnostics windows.
#include <QtTest>

#include <QAction>
#include <QChartView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTableWidget>
#include <QTextBlock>
#include <memory>

#include "UiTestSupport.h"
#include "pipeline/TraceState.h"
#include "ui/ActivityForm.h"
#include "ui/BTimingForm.h"
#include "ui/DetailForm.h"
#include "ui/MainForm.h"
#include "ui/RawDataForm.h"

namespace {

constexpr int kReplayTimeoutMs = 60000;

}  // namespace

class StatisticsWindowsTest : public QObject {
  Q_OBJECT

  std::unique_ptr<FakeDialogs> dialogs_;
  std::unique_ptr<TMainForm> form_;
  QStringList shown_;  // the lines of the last message window

  QAction* Menu(const char* name) { return form_->MenuItem(name); }
  void Replay(const QString& log) {
    dialogs_->fileAnswers << log;
    Menu("MenuSetupLogRead")->trigger();
  }
  QString GridText(int row, int column) {
    const QTableWidgetItem* item = form_->Detail->DetailGrid->item(row, column);
    return item != nullptr ? item->text() : QString();
  }
  // Puts the caret on the display line that starts with `prefix`.
  bool CaretOn(const QString& prefix) {
    QTextDocument* doc = form_->DataMemo->document();
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
      if (!b.text().startsWith(prefix)) continue;
      QTextCursor c(b);
      form_->DataMemo->setTextCursor(c);
      return true;
    }
    return false;
  }

 private Q_SLOTS:
  void init() {
    dialogs_ = std::make_unique<FakeDialogs>();
    dialogs_->onModal = [this](QDialog& d) {
      shown_.clear();
      auto* lines = d.findChild<QListWidget*>("Lines");
      for (int i = 0; lines != nullptr && i < lines->count(); ++i) shown_ << lines->item(i)->text();
      return int(QDialog::Accepted);
    };
    TMainForm::Options o;
    o.aboutAtStart = false;
    form_ = std::make_unique<TMainForm>(o);
    form_->show();
    QTRY_VERIFY(!form_->LoadSettings->isActive());
  }
  void cleanup() {
    form_.reset();
    dialogs_.reset();
  }

  void viewsFollowAReplay() {
    Menu("MenuViewMessageDetail")->trigger();
    Menu("MenuViewActivityChart")->trigger();
    QVERIFY(form_->Activity->NoDataLabel->isVisible());
    Replay(ExampleLog("smart-battery.log"));
    QTRY_VERIFY_WITH_TIMEOUT(form_->DisplayLines().contains("Log File Exhausted, Trace Terminated."), kReplayTimeoutMs);
    QVERIFY(!vantrel::gTrace.TraceRunning);

    // The grid: one row per address in address order, then the idle row.
    QTableWidget* grid = form_->Detail->DetailGrid;
    QCOMPARE(GridText(0, 0), QString(" Address"));
    QStringList addresses;
    for (int r = 1; r < grid->rowCount(); ++r) addresses << GridText(r, 0);
    QCOMPARE(addresses, QStringList({"#10", "#12", "#16", "#18", " Idle"}));
    QVERIFY(GridText(3, 4).endsWith("K Bits/Sec"));
    QVERIFY(GridText(5, 3).endsWith("%"));
    // The halt set the bar back.
    QCOMPARE(form_->ProgressBar1->value(), 0);
    QCOMPARE(form_->BWLabel->text(), QString("0%"));
    // The chart: the empty bar, then the four addresses; the battery is polled most.
    QVERIFY(form_->Activity->ChartView->isVisible());
    const QStringList labels = form_->Activity->Labels();
    QCOMPARE(labels.size(), 5);
    QVERIFY(labels[2].endsWith("  #12"));
    QVERIFY(labels[3].endsWith("  #16"));
    QCOMPARE(form_->Activity->AxisTitle(), QString("Messages"));
    QVERIFY(form_->Activity->Values()[3] > form_->Activity->Values()[2]);

    // Picking a message line after the replay.
    QVERIFY(form_->PopupMenu1->actions()[0]->isEnabled());
    QVERIFY(CaretOn("Msg     3 "));
    form_->ShowMessageTiming();
    QCOMPARE(dialogs_->modalShown.last(), QString("BTiming"));
    QVERIFY(shown_.size() > 4);
    QCOMPARE(shown_[0], QString("Message Number 3 Selected"));
    QVERIFY(shown_.contains("START @ 0 uS"));
    QVERIFY(form_->DataMemo->textCursor().selectedText().startsWith("Msg     3 "));
    form_->ShowMessageDiagnostics();
    QCOMPARE(dialogs_->modalShown.last(), QString("RawData"));
    QCOMPARE(shown_.mid(0, 4), QStringList({"Vantrel", "Message Diagnostics Support", "", "Message Number 3 Selected"}));
    QVERIFY(shown_.contains("Address: 17"));  // the last address byte: the read
    QVERIFY(shown_.last().startsWith("Packet["));

    // A line that names no message.
    QVERIFY(CaretOn("Log File Exhausted"));
    const qsizetype modals = dialogs_->modalShown.size();
    form_->ShowMessageTiming();
    QCOMPARE(dialogs_->messages.last(), QString("Message Error: Message Number not found"));
    QCOMPARE(dialogs_->modalShown.size(), modals);

    // Clear Display leaves nothing to pick.
    form_->ClearDisplayButtonClick();
    QVERIFY(!form_->PopupMenu1->actions()[0]->isEnabled());
  }

  void closingTheDetailWindowStopsItsTimer() {
    Menu("MenuViewMessageDetail")->trigger();
    Replay(GeneratedLog(400000));
    QTRY_VERIFY_WITH_TIMEOUT(form_->Detail->GridTimer->isActive(), 5000);
    // While the replay runs the grid moves the bandwidth bar.
    QTRY_VERIFY_WITH_TIMEOUT(form_->BWLabel->text() != "0%", kReplayTimeoutMs);
    form_->Detail->close();
    QVERIFY(!form_->Detail->GridTimer->isActive());
    form_->HaltButtonClick();
  }
};

QTEST_MAIN(StatisticsWindowsTest)
#include "StatisticsWindowsTest.moc"
