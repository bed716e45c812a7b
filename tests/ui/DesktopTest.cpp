// The main window's desktop conveniences as a user meets them: a log checked
// when it is chosen, windows brought back, the display following its end,
// find, copy, shortcuts, the status bar, message boxes, printing to PDF,
// pages and files the desktop cannot open, the Revision Report and the file
// dialogs' folders.
#include <QtTest>

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPageLayout>
#include <QPageSize>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QComboBox>
#include <QLineEdit>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <memory>

#include "UiTestSupport.h"
#include "decode/ParseAH.h"
#include "pipeline/DisplayLines.h"
#include "pipeline/DisplayLoop.h"
#include "pipeline/LogFile.h"
#include "pipeline/TraceControl.h"
#include "pipeline/TraceState.h"
#include "ui/AboutForm.h"
#include "ui/ImportForm.h"
#include "ui/MainForm.h"
#include "ui/Print.h"
#include "ui/RevRprtForm.h"
#include "ui/TraceStatusForm.h"
#include "ui/UiDialogs.h"

namespace ui = vantrel::ui;

namespace {

constexpr int kReplayTimeoutMs = 60000;

TMainForm::Options TestOptions() {
  TMainForm::Options o;
  o.aboutAtStart = false;
  return o;
}

QPageLayout A4() { return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(10, 10, 10, 10)); }

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  QCOMPARE(f.write(bytes), bytes.size());
}

}  // namespace

class DesktopTest : public QObject {
  Q_OBJECT

  std::unique_ptr<FakeDialogs> dialogs_;
  std::unique_ptr<TMainForm> form_;
  QTemporaryDir dir_;

  TMainForm& Form() { return *form_; }
  QPlainTextEdit& Memo() { return *form_->DataMemo; }
  QScrollBar& Bar() { return *form_->DataMemo->verticalScrollBar(); }
  QAction* Menu(const char* name) { return form_->MenuItem(name); }
  bool Idle() { return !vantrel::gTrace.TraceRunning && Form().TraceButton->text() == "Trace"; }
  void StartReplay(const QString& log) {
    dialogs_->fileAnswers << log;
    Menu("MenuSetupLogRead")->trigger();
  }
  // The display holding just these lines, as notes of the display loop.
  void Show(const QStringList& lines) {
    vantrel::EmptyDisplay();
    for (const QString& line : lines) vantrel::AppendDisplayNote(line.toStdString());
  }
  QString TopLine() { return Memo().cursorForPosition(QPoint(2, 2)).block().text(); }
  bool AtEnd() { return Bar().maximum() > 0 && Bar().value() == Bar().maximum(); }
  // As a user drags the scroll bar's slider.
  void DragTo(int value) {
    Bar().setSliderDown(true);
    Bar().setSliderPosition(value);
    Bar().setSliderDown(false);
  }
  bool LastLineVisible() {
    QTextCursor end(Memo().document());
    end.movePosition(QTextCursor::End);
    const QRect r = Memo().cursorRect(end);
    return r.top() >= 0 && r.bottom() <= Memo().viewport()->height();
  }
  int Position(int line, int column) { return Memo().document()->findBlockByNumber(line).position() + column; }
  void SetCaret(int line, int column = 0) { Select(line, column, line, column); }
  // From the anchor to the caret.
  void Select(int fromLine, int fromColumn, int toLine, int toColumn) {
    QTextCursor c(Memo().document());
    c.setPosition(Position(fromLine, fromColumn));
    c.setPosition(Position(toLine, toColumn), QTextCursor::KeepAnchor);
    Memo().setTextCursor(c);
  }
  int CaretLine() { return Memo().textCursor().blockNumber(); }
  QString Note() { return Form().statusBar()->currentMessage(); }
  QString StatusText(const char* name) { return Form().findChild<QLabel*>(name)->text(); }
  void Activate() {
    Form().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&Form()));
  }

 private Q_SLOTS:
  void initTestCase() { QVERIFY(dir_.isValid()); }

  void init() {
    dialogs_ = std::make_unique<FakeDialogs>();
    form_ = std::make_unique<TMainForm>(TestOptions());
    form_->show();
    QTRY_VERIFY(!form_->LoadSettings->isActive());
    QVERIFY(dialogs_->messages.isEmpty());
  }

  void cleanup() {
    form_.reset();
    dialogs_.reset();
  }

  void cleanupTestCase() { QFile::remove(GeneratedLog(400000)); }

  void logChosenForReadIsCheckedAtOnce() {
    StartReplay(ExampleLog("eeprom.log"));
    QTRY_VERIFY_WITH_TIMEOUT(Idle(), kReplayTimeoutMs);
    const QStringList shown = Form().DisplayLines();
    QCOMPARE(shown.back(), QString("Log File Exhausted, Trace Terminated."));

    const QString wrongKind = dir_.filePath("wrong-kind.log");
    WriteFile(wrongKind, ";Orbisan Corporation\r\n;Vantrel Display File\r\n;By: someone\r\n");
    const QString wrongMaker = dir_.filePath("wrong-maker.log");
    WriteFile(wrongMaker, ";Someone Else\r\n;Vantrel Log File\r\n");
    const QString empty = dir_.filePath("empty.log");
    WriteFile(empty, "");
    const QString missing = dir_.filePath("missing.log");
    const std::pair<QString, QString> refused[] = {
        {wrongKind, "Log File Error: Invalid Log File!"},
        {wrongMaker, "Log File Error: Invalid Log File!"},
        {empty, "Log File Error: Invalid Log File!"},
        {missing, "Log File Warning: Cannot Open Log File for Read!"},
    };
    for (const auto& [file, message] : refused) {
      dialogs_->messages.clear();
      StartReplay(file);
      QVERIFY2(dialogs_->messages == QStringList{message}, qPrintable(file + ": " + dialogs_->messages.join('|')));
      // Refused before anything starts: the display and the menu as they were.
      QVERIFY(Idle());
      QVERIFY(vantrel::gTraceFiles.logReadName.empty());
      QCOMPARE(Menu("MenuSetupLogRead")->text(), QString("Open Log File for &Read..."));
      QVERIFY(Menu("MenuSetupLogWrite")->isVisible());
      QVERIFY(Form().MenuSetup->menuAction()->isEnabled());
      QCOMPARE(Form().DisplayLines(), shown);
    }

    // A log with nothing after its identification is still a log.
    dialogs_->messages.clear();
    const QString headerOnly = dir_.filePath("header-only.log");
    WriteFile(headerOnly, ";Orbisan Corporation\r\n;Vantrel Log File\r\n");
    QVERIFY(vantrel::LogFile::CheckForRead(headerOnly.toStdString()));
    QVERIFY(dialogs_->messages.isEmpty());

    // A good log is taken and replayed.
    StartReplay(ExampleLog("smart-battery.log"));
    QCOMPARE(QString::fromStdString(vantrel::gTraceFiles.logReadName), ExampleLog("smart-battery.log"));
    QVERIFY(vantrel::gTrace.TraceRunning);
    QTRY_VERIFY_WITH_TIMEOUT(Idle(), kReplayTimeoutMs);
    QCOMPARE(Form().DisplayLines().front(), QString(";Orbisan Corporation"));
    QVERIFY(dialogs_->messages.isEmpty());
  }

  void minimizedWindowsComeBack() {
    TTraceStatusForm& status = *Form().TraceStatus;
    Menu("MenuViewTraceStatus")->trigger();
    QVERIFY(status.isVisible());
    status.showMinimized();
    QTRY_VERIFY(status.windowState() & Qt::WindowMinimized);
    Menu("MenuViewTraceStatus")->trigger();
    QVERIFY(!(status.windowState() & Qt::WindowMinimized));
    QVERIFY(status.isVisible());
    // Closed, it opens again.
    status.close();
    Menu("MenuViewTraceStatus")->trigger();
    QVERIFY(status.isVisible());

    // The filter windows come back the same way.
    auto* map = Form().findChild<QDialog*>("AddrMapForm");
    QVERIFY(map != nullptr);
    Menu("MenuFilteringSlaveAddress")->trigger();
    QVERIFY(map->isVisible());
    map->showMinimized();
    QTRY_VERIFY(map->windowState() & Qt::WindowMinimized);
    Menu("MenuFilteringSlaveAddress")->trigger();
    QVERIFY(!(map->windowState() & Qt::WindowMinimized));
    QVERIFY(map->isVisible());
  }

  void displayFollowsTheEndOnlyAtTheEnd() {
    QStringList lines;
    for (int i = 0; i < 300; ++i) lines << QString("note %1").arg(i);
    Show(lines);
    QVERIFY(AtEnd());
    QCOMPARE(TopLine(), QString("note %1").arg(300 - Bar().pageStep()));

    // Read back: new lines, one at a time or in a batch, leave the view alone.
    DragTo(Bar().maximum() - Bar().pageStep());
    const int at = Bar().value();
    const QString top = TopLine();
    QVERIFY(at < Bar().maximum());
    vantrel::AppendDisplayNote("one more");
    vantrel::DisplayLines batch;
    for (int i = 0; i < 50; ++i) batch.Add("message " + std::to_string(i), true);
    Form().AppendDisplayLines(batch);
    QCOMPARE(Bar().value(), at);
    QCOMPARE(TopLine(), top);

    // Lines cut from the top (the display's line limit) keep what is being
    // read in view, and the view still does not follow.
    DragTo(50);
    const QString far = TopLine();
    Form().DeleteFirstDisplayLines(20);
    QCOMPARE(TopLine(), far);
    QCOMPARE(Bar().value(), 30);
    vantrel::AppendDisplayNote("after the cut");
    QCOMPARE(TopLine(), far);
    // The same when what is read lies within the cut's length of the end.
    DragTo(Bar().maximum() - 10);
    const QString near = TopLine();
    Form().DeleteFirstDisplayLines(50);
    vantrel::AppendDisplayNote("after another cut");
    QCOMPARE(TopLine(), near);

    // Back at the end it follows again.
    DragTo(Bar().maximum());
    Form().AppendDisplayLines(batch);
    QVERIFY(AtEnd());
    vantrel::AppendDisplayNote("last");
    QVERIFY(AtEnd());
    Form().DeleteFirstDisplayLines(100);
    QVERIFY(AtEnd());
    vantrel::AppendDisplayNote("very last");
    QVERIFY(AtEnd());

    // A cleared display follows, wherever the old one was read.
    DragTo(0);
    Show(lines);
    QVERIFY(AtEnd());

    // Paging up with the keyboard is reading back too.
    QTest::keyClick(&Memo(), Qt::Key_PageUp);
    const QString paged = TopLine();
    QVERIFY(!AtEnd());
    vantrel::AppendDisplayNote("after paging up");
    QCOMPARE(TopLine(), paged);
  }

  void followTheEndDuringAReplay() {
    const QString log = GeneratedLog(400000);
    QVERIFY(!log.isEmpty());
    Menu("MenuOptionsAutoPause")->trigger();
    StartReplay(log);
    QTRY_VERIFY_WITH_TIMEOUT(Form().TraceButton->text() == "More!", kReplayTimeoutMs);
    QVERIFY(AtEnd());

    // Scrolled up, the next page comes in below without moving the view,
    // though the display is cut back to its last lines first.
    DragTo(Bar().maximum() - Bar().pageStep());
    const QString top = TopLine();
    QVERIFY(top.startsWith("Msg "));
    Form().TraceButton->click();
    Form().DataMemoUpdateTimer();
    QCOMPARE(Form().TraceButton->text(), QString("Pause!"));
    QTRY_VERIFY_WITH_TIMEOUT(Form().TraceButton->text() == "More!" || Idle(), kReplayTimeoutMs);
    QVERIFY(!Idle());  // the log must be long enough for the last step
    QVERIFY(TopLine() == top && Bar().value() < Bar().maximum());

    // Back at the end, the view follows the rest of the replay.
    DragTo(Bar().maximum());
    Form().TraceButton->click();
    Form().DataMemoUpdateTimer();
    QCOMPARE(Form().TraceButton->text(), QString("Pause!"));
    QTRY_VERIFY_WITH_TIMEOUT(Form().TraceButton->text() == "More!" || Idle(), kReplayTimeoutMs);
    QVERIFY(AtEnd());
    Form().HaltButton->click();
    QVERIFY(Idle());
  }

  void findInTheDisplay() {
    Show({"alpha one", "Beta two", "beta three", "gamma", "ALPHA four"});
    Activate();
    QVERIFY(!Form().FindBar->isVisible());
    QTest::keyClick(&Memo(), Qt::Key_Home, Qt::ControlModifier);
    QTest::keyClick(&Form(), Qt::Key_F, Qt::ControlModifier);
    QVERIFY(Form().FindBar->isVisible());
    QTRY_COMPARE(QApplication::focusWidget(), Form().FindEdit);
    QTest::keyClicks(Form().FindEdit, "beta");
    QTest::keyClick(Form().FindEdit, Qt::Key_Return);
    QCOMPARE(CaretLine(), 1);
    QCOMPARE(Memo().textCursor().selectedText(), QString("Beta"));
    QTest::keyClick(&Form(), Qt::Key_F3);
    QCOMPARE(CaretLine(), 2);
    QVERIFY(Note().isEmpty());
    // Past the last match: round to the first, with a note.
    QTest::keyClick(&Form(), Qt::Key_F3);
    QCOMPARE(CaretLine(), 1);
    QCOMPARE(Note(), QString("Passed the end of the display, continued from the top"));
    // The note has the bar's room while it shows: the file's label steps aside.
    QVERIFY(Form().findChild<QLabel*>("StatusFile")->isHidden());
    QTest::keyClick(&Form(), Qt::Key_F3, Qt::ShiftModifier);
    QCOMPARE(CaretLine(), 2);
    QCOMPARE(Note(), QString("Passed the top of the display, continued from the end"));
    QTest::keyClick(&Form(), Qt::Key_F3, Qt::ShiftModifier);
    QCOMPARE(CaretLine(), 1);
    QVERIFY(Note().isEmpty());

    // Match case.
    Form().FindEdit->setText("ALPHA");
    SetCaret(0);
    QTest::keyClick(&Form(), Qt::Key_F3);
    QCOMPARE(CaretLine(), 0);
    Form().FindCase->click();
    SetCaret(0);
    QTest::keyClick(&Form(), Qt::Key_F3);
    QCOMPARE(CaretLine(), 4);
    QCOMPARE(Memo().textCursor().selectedText(), QString("ALPHA"));
    QTest::keyClick(&Form(), Qt::Key_F3);
    QCOMPARE(CaretLine(), 4);  // the only one, found again from the top
    QCOMPARE(Note(), QString("Passed the end of the display, continued from the top"));

    // Nothing found: the caret stays.
    Form().FindEdit->setText("delta");
    QTest::keyClick(&Form(), Qt::Key_F3);
    QCOMPARE(CaretLine(), 4);
    QCOMPARE(Note(), QString("\"delta\" not found"));

    // Ctrl+F takes a selection within one line as the text to find.
    Select(3, 1, 3, 4);
    QTest::keyClick(&Form(), Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(Form().FindEdit->text(), QString("amm"));
    Select(1, 1, 2, 2);
    QTest::keyClick(&Form(), Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(Form().FindEdit->text(), QString("amm"));

    // F3 with nothing to find opens the bar instead.
    QTest::keyClick(Form().FindEdit, Qt::Key_Escape);
    QVERIFY(!Form().FindBar->isVisible());
    Form().FindEdit->clear();
    SetCaret(3);
    QTest::keyClick(&Form(), Qt::Key_F3);
    QVERIFY(Form().FindBar->isVisible());
    QCOMPARE(CaretLine(), 3);
  }

  void copyFromTheContextMenu() {
    Show({"alpha one", "Beta two", "beta three", "gamma", "ALPHA four"});
    QAction* copy = Menu("PopupCopy");
    // Copy is offered at any time; the message views only after a trace.
    QVERIFY(copy->isEnabled());
    QVERIFY(!Menu("PopupShowTiming")->isEnabled());
    Form().DataMemoContextPopup(QPoint(10, 10));
    QVERIFY(Form().PopupMenu1->isVisible());
    QVERIFY(Form().PopupMenu1->actions().contains(copy));
    Form().PopupMenu1->close();

    QClipboard* clipboard = QGuiApplication::clipboard();
    SetCaret(3, 2);
    copy->trigger();
    QCOMPARE(clipboard->text(), QString("gamma\n"));
    QCOMPARE(Note(), QString("1 line copied"));
    // A selection copies the whole lines it touches.
    Select(1, 3, 2, 4);
    copy->trigger();
    QCOMPARE(clipboard->text(), QString("Beta two\nbeta three\n"));
    QCOMPARE(Note(), QString("2 lines copied"));
    Select(2, 4, 0, 0);  // made upwards
    copy->trigger();
    QCOMPARE(clipboard->text(), QString("alpha one\nBeta two\nbeta three\n"));
    Select(4, 0, 4, 10);
    copy->trigger();
    QCOMPARE(clipboard->text(), QString("ALPHA four\n"));
    // Two whole lines selected with Shift+Down end at the next line's start,
    // which holds no selected character (as Print counts them).
    SetCaret(1);
    QTest::keyClick(&Memo(), Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(&Memo(), Qt::Key_Down, Qt::ShiftModifier);
    QCOMPARE(Memo().textCursor().selectedText(), QString("Beta two") + QChar::ParagraphSeparator + "beta three" +
                                                       QChar::ParagraphSeparator);
    copy->trigger();
    QCOMPARE(clipboard->text(), QString("Beta two\nbeta three\n"));
  }

  void keyboard() {
    QStringList lines;
    for (int i = 0; i < 200; ++i) lines << QString("line %1").arg(i);
    Show(lines);
    SetCaret(100);
    QTest::keyClick(&Memo(), Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(CaretLine(), 0);
    QCOMPARE(Bar().value(), 0);
    QTest::keyClick(&Memo(), Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(CaretLine(), 199);
    QVERIFY(LastLineVisible());

    // The buttons' hints name their keys, from the start on.
    QCOMPARE(Form().HaltButton->toolTip(), QString("stop Trace (Shift+F5)"));
    QCOMPARE(Form().TraceButton->toolTip(), QString("start Trace (F5)"));

    Activate();
    StartReplay(ExampleLog("smart-battery.log"));
    QCOMPARE(Form().TraceButton->toolTip(), QString("pause message display (F5)"));
    QTest::keyClick(&Form(), Qt::Key_F5);
    QCOMPARE(Form().TraceButton->text(), QString("More!"));
    QCOMPARE(Form().TraceButton->toolTip(), QString("resume message display (F5)"));
    QTest::keyClick(&Form(), Qt::Key_F5, Qt::ShiftModifier);
    QVERIFY(Idle());
    QCOMPARE(Form().TraceButton->toolTip(), QString("start Trace (F5)"));
    // Shift+F5 with Halt disabled does nothing; F5 at rest is the Trace button.
    QTest::keyClick(&Form(), Qt::Key_F5, Qt::ShiftModifier);
    QVERIFY(dialogs_->modalShown.isEmpty());
    QTest::keyClick(&Form(), Qt::Key_F5);
    QCOMPARE(dialogs_->modalShown, QStringList({"Portsel", "Pod"}));
    QVERIFY(Idle());
  }

  void statusBar() {
    QCOMPARE(StatusText("StatusFile"), QString());
    StartReplay(ExampleLog("smart-battery.log"));
    Form().TraceButton->click();  // paused
    QTRY_COMPARE(StatusText("StatusFile"), QString("Replaying smart-battery.log"));
    Form().TraceButton->click();
    QTRY_VERIFY_WITH_TIMEOUT(Idle(), kReplayTimeoutMs);

    const std::uint32_t messages = vantrel::MsgNumberLow();
    QVERIFY(messages > 1000);
    const QString grouped = QLocale(QLocale::English).toString(messages);
    QTRY_COMPARE(StatusText("StatusMessages"), "Messages: " + grouped);
    // The trace's own clock, to the millisecond.
    const vantrel::TraceClock c = vantrel::CurrentTraceClock();
    const qint64 ms = static_cast<qint64>((c.hours * 60 + c.minutes) * 60000 + c.micros / 1000);
    QVERIFY(ms > 0);
    const auto shownMs = [this]() -> qint64 {
      const QRegularExpressionMatch t =
          QRegularExpression("^Trace Time: (\\d+):(\\d\\d):(\\d\\d)\\.(\\d\\d\\d)$").match(StatusText("StatusTime"));
      if (!t.hasMatch()) return -1;
      return ((t.captured(1).toLongLong() * 60 + t.captured(2).toInt()) * 60 + t.captured(3).toInt()) * 1000 +
             t.captured(4).toInt();
    };
    QTRY_COMPARE(shownMs(), ms);
    QCOMPARE(StatusText("StatusFile"), QString());

    // A log chosen for writing is named while it waits for a trace.
    dialogs_->fileAnswers << dir_.filePath("written.log");
    Menu("MenuSetupLogWrite")->trigger();
    QTRY_COMPARE(StatusText("StatusFile"), QString("Logging to written.log"));
    Menu("MenuSetupLogWrite")->trigger();
    QTRY_COMPARE(StatusText("StatusFile"), QString());

    // Past the low counter's range the high part leads.
    vantrel::SetMessageNumber(1234, 2);
    QTRY_COMPARE(StatusText("StatusMessages"), QString("Messages: 2,000,001,234"));
    vantrel::SetMessageNumber(0, 0);
  }

  void messageBoxes() {
    const std::pair<QString, QMessageBox::Icon> titles[] = {
        {"Alias File Error", QMessageBox::Warning},
        {"Log File Warning", QMessageBox::Warning},
        {"Trigger Out File Error!", QMessageBox::Warning},
        {"Interface Board cbDConfigPort", QMessageBox::Warning},
        {"Setup File Error", QMessageBox::NoIcon},
        {"Print", QMessageBox::Information},
    };
    for (const auto& [title, icon] : titles) {
      std::unique_ptr<QMessageBox> box = ui::NewMessageBox(&Form(), "OK", title, false);
      QCOMPARE(box->windowTitle(), title);
      QCOMPARE(box->icon(), icon);
      QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
      box->show();
      QVERIFY(QTest::qWaitForWindowExposed(box.get()));
      QVERIFY2(box->width() >= ui::MessageBoxMinimumWidth(title), qPrintable(title));
    }
    // A question always warns, and Cancel is the safe default.
    std::unique_ptr<QMessageBox> question =
        ui::NewMessageBox(&Form(), "Already Exists, Replace?", "Save Alias File", true);
    QCOMPARE(question->icon(), QMessageBox::Warning);
    QCOMPARE(question->standardButtons(), QMessageBox::Ok | QMessageBox::Cancel);
    QCOMPARE(question->defaultButton(), question->button(QMessageBox::Cancel));
    question->show();
    QVERIFY(QTest::qWaitForWindowExposed(question.get()));
    QVERIFY(question->width() >= ui::MessageBoxMinimumWidth("Save Alias File"));
  }

  void print() {
    Form().ClearDisplayButton->click();
    Menu("MenuFilePrint")->trigger();
    QCOMPARE(dialogs_->messages, QStringList{"Print: Nothing to Print\n\nThe display is empty."});
    QVERIFY(dialogs_->modalShown.isEmpty());

    const QStringList lines = {"Msg     1 [Start]#16[W] 09 [Stop]", "Msg     2 [Start]#16[R] 0A [Stop]"};
    const QFont font = Memo().font();
    const QPageLayout layout = A4();
    const QString pdf = dir_.filePath("trace.pdf");
    dialogs_->messages.clear();
    dialogs_->fileAnswers << pdf;
    QVERIFY(ui::PrintToPdf(&Form(), lines, font, layout));
    const vantrel::ui::FileDialogRequest& r = dialogs_->fileRequests.back();
    QCOMPARE(r.defaultName, QString("Vantrel.pdf"));
    QCOMPARE(r.defaultSuffix, QString("pdf"));
    QVERIFY(r.forWrite);
    QCOMPARE(r.folder.toStdString(), Form().DataFolder());
    QFile file(pdf);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.size() > 100);
    QVERIFY(file.read(4) == "%PDF");
    file.close();
    QVERIFY(dialogs_->messages.isEmpty());

    // Cancelled: nothing written, nothing said.
    QVERIFY(!ui::PrintToPdf(&Form(), lines, font, layout));
    QVERIFY(dialogs_->messages.isEmpty());

    const QString nowhere = dir_.filePath("no-such-folder/trace.pdf");
    dialogs_->fileAnswers << nowhere;
    QVERIFY(!ui::PrintToPdf(&Form(), lines, font, layout));
    QCOMPARE(dialogs_->messages, QStringList{"Print Error: Cannot Write to PDF File\n\n" + nowhere});
    QVERIFY(!QFile::exists(nowhere));

    // File | Print on a computer without printers writes the PDF too.
    if (ui::PrinterInstalled()) QSKIP("a printer is installed: Print would use it");
    Show(lines);
    const QString fromMenu = dir_.filePath("menu.pdf");
    dialogs_->messages.clear();
    dialogs_->fileAnswers << fromMenu;
    dialogs_->onModal = [](QDialog&) { return int(QDialog::Accepted); };
    Menu("MenuFilePrint")->trigger();
    QVERIFY(dialogs_->messages.isEmpty());
    QFile menuFile(fromMenu);
    QVERIFY(menuFile.open(QIODevice::ReadOnly));
    QVERIFY(menuFile.read(4) == "%PDF");
  }

  void desktopThatCannotOpen() {
    dialogs_->urlOpens = false;
    Menu("MenuHelpOnline")->trigger();
    QCOMPARE(dialogs_->messages, QStringList{"Web Browser Error: Cannot Open Web Page\n\n"
                                             "https://orbisan.example/vantrel/resources\n\n"
                                             "No web browser could be started; please open this address by hand."});

    dialogs_->messages.clear();
    for (const char* caption : {"Check for Updates", "Orbisan Home Page"}) {
      QPushButton* button = nullptr;
      for (QPushButton* b : Form().About->findChildren<QPushButton*>())
        if (b->text() == caption) button = b;
      QVERIFY2(button != nullptr, caption);
      button->click();
    }
    QCOMPARE(dialogs_->messages.size(), 2);
    QVERIFY(dialogs_->messages[0].contains("\n\nhttps://orbisan.example/vantrel/updates\n\n"));
    QVERIFY(dialogs_->messages[1].contains("\n\nhttps://orbisan.example/vantrel/\n\n"));
    QVERIFY(dialogs_->messages[1].startsWith("Web Browser Error: "));

    dialogs_->messages.clear();
    const QString text = dir_.filePath("a b.txt");
    dialogs_->fileAnswers << text;
    Menu("MenuSetupDisplayFileRead")->trigger();
    QCOMPARE(dialogs_->urls.back(), QUrl::fromLocalFile(text));
    QCOMPARE(dialogs_->messages, QStringList{"Open File Error: Cannot Open File\n\n" + text +
                                             "\n\nNo application on this desktop opens it; please open it by hand."});

    // Where the desktop can open them, nothing is said.
    dialogs_->urlOpens = true;
    dialogs_->messages.clear();
    dialogs_->fileAnswers << text;
    Menu("MenuSetupDisplayFileRead")->trigger();
    Menu("MenuHelpOnline")->trigger();
    QVERIFY(dialogs_->messages.isEmpty());
    QCOMPARE(dialogs_->urls.size(), std::size_t{6});
  }

  void importLogicCapture() {
    // A capture with lower-case channel names, replayed through the window.
    const QString capture = QStringLiteral(VANTREL_CAPTURES "/samsung_syncmaster203b.sr");
    const QString log = dir_.filePath("edid.log");
    dialogs_->fileAnswers << capture << log;
    QString sclShown, rateShown;
    dialogs_->onModal = [&](QDialog& d) {
      auto* import = qobject_cast<TImportForm*>(&d);
      if (import == nullptr) return int(QDialog::Rejected);
      sclShown = import->SclBox->currentText();
      rateShown = import->RateEdit->text();
      import->OKButton->click();
      return d.result();
    };
    Menu("MenuFileImport")->trigger();
    QCOMPARE(sclShown, QString("0: scl"));
    QCOMPARE(rateShown, QString("1000000"));
    QCOMPARE(dialogs_->fileRequests.back().defaultName, QString("samsung_syncmaster203b.log"));
    QTRY_VERIFY_WITH_TIMEOUT(Idle(), kReplayTimeoutMs);
    const QStringList lines = Form().DisplayLines();
    QVERIFY(lines.contains("Log File Exhausted, Trace Terminated."));
    QVERIFY(lines.filter(QRegularExpression("^Msg +3 \\[Start\\]#A0\\[W\\] 00 \\[RptStart\\]#A0\\[R\\] 00 FF FF")).size() == 1);
    QVERIFY(vantrel::LogFile::CheckForRead(log.toStdString()));
    QVERIFY(dialogs_->messages.isEmpty());

    // Not a capture: said, and nothing replayed.
    dialogs_->fileAnswers << ExampleLog("eeprom.log");
    Menu("MenuFileImport")->trigger();
    QCOMPARE(dialogs_->messages.size(), 1);
    QVERIFY(dialogs_->messages[0].startsWith("Import Error: "));
    QVERIFY(dialogs_->messages[0].endsWith(ExampleLog("eeprom.log")));
    QVERIFY(Idle());
  }

  void exportTrace() {
    // Chosen before a replay, written while it runs; the replay's messages
    // are all in it (every START begins a packet).
    const QString pcapng = dir_.filePath("trace.pcapng");
    dialogs_->fileAnswers << pcapng;
    Menu("MenuFileExport")->trigger();
    QCOMPARE(Menu("MenuFileExport")->text(), QString("Close Export File (trace.pcapng)"));
    StartReplay(ExampleLog("smart-battery.log"));
    QVERIFY(!Menu("MenuFileExport")->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(Idle(), kReplayTimeoutMs);
    QVERIFY(Menu("MenuFileExport")->isEnabled());
    QFile f(pcapng);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray head = f.read(4);
    QCOMPARE(head, QByteArray("\x0A\x0D\x0D\x0A", 4));  // a section header block
    QVERIFY(f.size() > 100000);
    QVERIFY(dialogs_->messages.isEmpty());
    // Chosen again: no export for the next trace.
    Menu("MenuFileExport")->trigger();
    QCOMPARE(Menu("MenuFileExport")->text(), QString("&Export Trace..."));
    QVERIFY(vantrel::gTraceFiles.pcapngFileName.empty());
  }

  void revisionReport() {
    Menu("MenuHelpRevisionReport")->trigger();
    TRevRprtForm& report = *Form().RevRprt;
    QVERIFY(report.isVisible());
    const QStringList lines = report.Memo->toPlainText().split('\n');
    QCOMPARE(lines.mid(0, 4), QStringList({"Vantrel I2C Bus Analyzer", "Revision Report", "", "Date\tRevision"}));
    const QStringList entries = lines.mid(4);
    QVERIFY(entries.size() >= 20);
    const QRegularExpression entry("^(\\d\\d)-(JAN|FEB|MAR|APR|MAY|JUN|JUL|AUG|SEP|OCT|NOV|DEC)-(\\d{4})\t\\S");
    const QStringList months = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
    QDate last;
    for (const QString& e : entries) {
      const QRegularExpressionMatch m = entry.match(e);
      QVERIFY2(m.hasMatch(), qPrintable(e));
      const QDate date(m.captured(3).toInt(), static_cast<int>(months.indexOf(m.captured(2))) + 1, m.captured(1).toInt());
      QVERIFY2(date.isValid(), qPrintable(e));
      QVERIFY2(!last.isValid() || last <= date, qPrintable(e));  // oldest first
      last = date;
    }
    const QString all = entries.join('\n');
    for (const char* module :
         {"decoder", "Smart Battery", "PEC", "Log files", "display files", "parser thread", "Spool Setup",
          "Address Alias Table", "Slave Address Map", "Slave Address Filter", "Message Data Filter", "Statistics",
          "Trace Status", "Pod:", "System Diagnostics", "Board transport", "USB adapter", "Pod simulator",
          "Select Pod Interface", "Pod Initialization", "Logic Level Threshold", "Trace Control", "Trigger Out Setup",
          "Settings file", "Program Settings", "Bus Status Viewer", "Message Detail", "Activity Chart",
          "Bus Bandwidth Utilization", "Message Timing", "Message Diagnostics", "Byte Mode Viewer", "About",
          "printing", "command line"}) {
      QVERIFY2(all.contains(QLatin1String(module)), module);
    }
  }

  void fileDialogsRememberTheirFolder() {
    const QString data = QString::fromStdString(Form().DataFolder());
    QVERIFY(QDir().mkpath(dir_.filePath("logs")));
    QVERIFY(QDir().mkpath(dir_.filePath("texts")));
    const QString logs = dir_.filePath("logs"), texts = dir_.filePath("texts");
    auto folderOfNext = [this](const char* item) {
      Menu(item)->trigger();  // cancelled
      return dialogs_->fileRequests.back().folder;
    };

    QCOMPARE(folderOfNext("MenuSetupLogRead"), data);
    dialogs_->fileAnswers << logs + "/written.log";
    Menu("MenuSetupLogWrite")->trigger();
    Menu("MenuSetupLogWrite")->trigger();  // closes the selection again
    // Reading and writing logs share a folder; a cancelled dialog keeps it.
    QCOMPARE(folderOfNext("MenuSetupLogRead"), logs);
    QCOMPARE(folderOfNext("MenuSetupLogWrite"), logs);
    // Display files keep theirs.
    QCOMPARE(folderOfNext("MenuSetupDisplayFileRead"), data);
    dialogs_->fileAnswers << texts + "/shown.txt";
    Menu("MenuSetupDisplayFileWrite")->trigger();
    Menu("MenuSetupDisplayFileWrite")->trigger();
    QCOMPARE(folderOfNext("MenuSetupDisplayFileRead"), texts);
    QCOMPARE(folderOfNext("MenuSetupLogRead"), logs);

    // A log from yet another folder moves the logs' folder, refused or not.
    const QString bad = dir_.filePath("not-a.log");
    WriteFile(bad, "hello\r\n");
    StartReplay(bad);
    QCOMPARE(dialogs_->messages, QStringList{"Log File Error: Invalid Log File!"});
    QCOMPARE(folderOfNext("MenuSetupLogRead"), dir_.path());
    QCOMPARE(folderOfNext("MenuSetupDisplayFileWrite"), texts);

    // And the PDF a printout goes to has a kind of its own.
    dialogs_->fileAnswers << texts + "/out.pdf";
    QVERIFY(ui::PrintToPdf(&Form(), {"x"}, Memo().font(), A4()));
    QCOMPARE(dialogs_->fileRequests.back().folder, data);
    QVERIFY(!ui::PrintToPdf(&Form(), {"x"}, Memo().font(), A4()));
    QCOMPARE(dialogs_->fileRequests.back().folder, texts);
    QCOMPARE(folderOfNext("MenuSetupLogWrite"), dir_.path());
  }
};

QTEST_MAIN(DesktopTest)
#include "DesktopTest.moc"
