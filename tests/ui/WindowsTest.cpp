// The smaller windows: Spool Setup, Trace Status start state, printing,
// About, Revision Report, Byte Mode Viewer.
#include <QtTest>

#include <QAction>
#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTextBlock>
#include <QTemporaryDir>
#include <memory>

#include "UiTestSupport.h"
#include "pipeline/TraceControl.h"
#include "ui/AboutForm.h"
#include "pod/PodInterface.h"
#include "ui/MainForm.h"
#include "ui/PodForm.h"
#include "ui/PortselForm.h"
#include "ui/Print.h"
#include "ui/RTViewerForm.h"
#include "ui/RevRprtForm.h"
#include "ui/SBSRevForm.h"
#include "analysis/Revisions.h"
#include "decode/DisplayOptions.h"
#include <QCheckBox>
#include <QComboBox>
#include "ui/SpoolSetupForm.h"
#include "ui/TraceStatusForm.h"

namespace {

QStringList ButtonTexts(const QButtonGroup* group) {
  QStringList out;
  for (const QAbstractButton* b : group->buttons()) out << b->text();
  return out;
}

QStringList LabelTexts(const QWidget* w) {
  QStringList out;
  for (const QLabel* l : w->findChildren<QLabel*>()) out << l->text();
  return out;
}

}  // namespace

class WindowsTest : public QObject {
  Q_OBJECT

  std::unique_ptr<FakeDialogs> dialogs_;
  std::unique_ptr<TMainForm> form_;

 private Q_SLOTS:
  void init() {
    dialogs_ = std::make_unique<FakeDialogs>();
    TMainForm::Options o;
    o.aboutAtStart = false;
    form_ = std::make_unique<TMainForm>(o);
    form_->show();
  }

  void cleanup() {
    form_.reset();
    dialogs_.reset();
  }

  // No pod hardware on this machine: the windows say so and offer the
  // simulator.
  void podWindowsWithoutAnInterface() {
    vantrel::gPodSelection = {vantrel::InterfaceKind::Board, 2, ""};
    form_->MenuItem("MenuSetupPodInterface")->trigger();
    TPortselForm& portsel = *form_->Portsel;
    QCOMPARE(portsel.windowTitle(), QString("Select Pod Interface"));
    QCOMPARE(portsel.NotFoundLabel->text(),
             QString("Pod Interface NOT FOUND!\nSee User's Guide for instructions to\ninstall pod interface."));
    QVERIFY(!portsel.NotFoundLabel->isHidden());
    QCOMPARE(portsel.BoardNumListBox->count(), 2);
    QCOMPARE(portsel.BoardNumListBox->item(1)->text(), QString("Pod Simulator"));
    QCOMPARE(portsel.BoardNumListBox->currentRow(), 0);
    QVERIFY(vantrel::gPodSelection.InterfaceType == vantrel::InterfaceKind::None);

    dialogs_->modalShown.clear();
    form_->MenuItem("MenuSetupInitializePod")->trigger();
    QCOMPARE(dialogs_->modalShown, QStringList({"Portsel", "Pod"}));
    TPodForm& pod = *form_->PodForm;
    QCOMPARE(pod.windowTitle(), QString("Vantrel - Pod Initilization"));
    QCOMPARE(pod.PodFormMemo->toPlainText(),
             QString("Pod Initialization\n\nWARNING: Pod Interface NOT FOUND.\n\nCancel and Install, or Select "
                     "Alternate, Pod Interface.\n(See User's Guide for additional instructions.)"));
    QVERIFY(pod.ContinueBtn->isHidden() && pod.PodFormOkBtn->isHidden() && pod.RetryBtn->isHidden());
    QVERIFY(!pod.CancelBtn->isHidden());
    QVERIFY(!vantrel::PodInitialized);
  }

  void sbsRevisionWindowAndThePecBox() {
    vantrel::ResetRevisions();
    TSBSRevForm& rev = *form_->findChild<TSBSRevForm*>("SBSRev");
    QCOMPARE(rev.windowTitle(), QString("SBS Revision"));
    const QStringList labels = LabelTexts(&rev);
    for (const char* caption : {"Smart Battery System ", "Specification References:", "System Management Bus Rev.",
                                "Smart Battery Data Rev.", "Smart Battery Charger Rev.", "Smart Battery Selector Rev."})
      QVERIFY2(labels.contains(caption), caption);
    auto* pec = form_->findChild<QCheckBox*>("PECChecked");
    QVERIFY(pec != nullptr);
    form_->findChild<QRadioButton*>("SBSButton")->click();
    QVERIFY(!pec->isEnabled());  // SMBus 1.0: no PEC

    // OK stores every list; PEC becomes available with SBS selected.
    dialogs_->onModal = [](QDialog& d) {
      auto& form = static_cast<TSBSRevForm&>(d);
      form.List(0)->setCurrentIndex(1);
      form.List(2)->setCurrentIndex(1);
      form.OKButtonClick();
      return d.result();
    };
    form_->MenuItem("MenuSetupSBSRevision")->trigger();
    QCOMPARE(dialogs_->modalShown, QStringList({"SBSRev"}));
    QCOMPARE(vantrel::gRevisions.SMBusRev, 1u);
    QCOMPARE(vantrel::gRevisions.SBChargerRev, 1u);
    QCOMPARE(vantrel::gRevisions.SBDataRev, 0u);
    QVERIFY(pec->isEnabled());

    // Cancel keeps the values, and the window shows them when opened again.
    dialogs_->onModal = [](QDialog& d) {
      auto& form = static_cast<TSBSRevForm&>(d);
      if (form.List(0)->currentIndex() != 1 || form.List(2)->currentIndex() != 1) return -1;
      form.List(0)->setCurrentIndex(0);
      form.CancelButtonClick();
      return d.result();
    };
    form_->MenuItem("MenuSetupSBSRevision")->trigger();
    QCOMPARE(vantrel::gRevisions.SMBusRev, 1u);
    QVERIFY(pec->isEnabled());

    // Back to 1.0: PEC goes, also with SBS still selected; HEX keeps it off.
    dialogs_->onModal = [](QDialog& d) {
      auto& form = static_cast<TSBSRevForm&>(d);
      form.List(0)->setCurrentIndex(0);
      form.OKButtonClick();
      return d.result();
    };
    form_->MenuItem("MenuSetupSBSRevision")->trigger();
    QVERIFY(!pec->isEnabled());
    QVERIFY(!vantrel::gDisplay.PECEnabled);
    vantrel::ResetRevisions();
  }

  void spoolSetupCaptionsAndVisibility() {
    TSpoolSetupForm& setup = *form_->SpoolSetup;
    TTraceStatusForm& status = *form_->TraceStatus;
    // Opened modally from the Setup menu.
    form_->MenuItem("MenuSetupSpool")->trigger();
    QCOMPARE(dialogs_->modalShown, QStringList({"SpoolSetup"}));
    setup.show();
    QCOMPARE(ButtonTexts(setup.SpoolDevice), QStringList({"Spool Buffer (RAM)", "Spool File (DISK)"}));
    QCOMPARE(ButtonTexts(setup.SpoolBufferSize), QStringList({"100KB", "250KB", "500KB", "1MB"}));
    QCOMPARE(ButtonTexts(setup.SpoolFileSize), QStringList({"10MB", "100MB", "500MB", "1GB"}));
    QCOMPARE(setup.SpoolBufferSizeGroup->title(), QString("Spool Buffer Size"));
    QCOMPARE(setup.SpoolFileSizeGroup->title(), QString("Spool File Size"));
    QVERIFY(LabelTexts(&setup).contains("If the Spool becomes FULL, the Pod FIFO will fill and terminate data capture."));
    QVERIFY(LabelTexts(&setup).contains("Use the Trace Status viewer to see real-time Spool and Pod activity levels."));
    // Defaults: RAM, 100KB, only the buffer sizes shown.
    QVERIFY(setup.SpoolDevice->button(0)->isChecked());
    QVERIFY(setup.SpoolBufferSize->button(0)->isChecked());
    QVERIFY(setup.SpoolFileSize->button(0)->isChecked());
    QVERIFY(setup.SpoolBufferSizeGroup->isVisible());
    QVERIFY(!setup.SpoolFileSizeGroup->isVisible());

    // Choosing the disk swaps the groups and the Trace Status panels.
    setup.SpoolDevice->button(1)->click();
    QVERIFY(!setup.SpoolBufferSizeGroup->isVisible());
    QVERIFY(setup.SpoolFileSizeGroup->isVisible());
    QCOMPARE(vantrel::gSpoolChoice.deviceItem, 1);
    QVERIFY(status.SpoolFilePanel->isVisibleTo(&status));
    QVERIFY(!status.SpoolBufferPanel->isVisibleTo(&status));
    setup.SpoolFileSize->button(3)->click();
    QCOMPARE(vantrel::SpoolSizeOf(vantrel::gSpoolChoice), 1000000000u);
    QVERIFY(vantrel::SpoolDeviceOf(vantrel::gSpoolChoice) == vantrel::SpoolDevice::Disk);
    QCOMPARE(status.FieldText("SpoolFileMax"), QString("   1 GB"));
    setup.SpoolDevice->button(0)->click();
    setup.SpoolBufferSize->button(2)->click();
    QCOMPARE(vantrel::SpoolSizeOf(vantrel::gSpoolChoice), 500000u);
    QCOMPARE(status.FieldText("SpoolBufferMax"), QString("   500 KB"));
    QCOMPARE(vantrel::gSpoolChoice.fileSizeItem, 3);  // the other device keeps its size

    // Program settings Restore Default puts the spool back too.
    form_->MenuItem("MenuSetupSettingsRestore")->trigger();
    QCOMPARE(vantrel::gSpoolChoice.deviceItem, 0);
    QCOMPARE(vantrel::gSpoolChoice.bufferSizeItem, 0);
    QCOMPARE(vantrel::gSpoolChoice.fileSizeItem, 0);
    QVERIFY(setup.SpoolBufferSize->button(0)->isChecked());
    QCOMPARE(status.FieldText("SpoolBufferMax"), QString("   100 KB"));
  }

  void traceStatusStartState() {
    TTraceStatusForm& status = *form_->TraceStatus;
    QCOMPARE(status.windowTitle(), QString("Trace Status"));
    QCOMPARE(status.FieldText("TraceState"), QString("TraceState"));  // its own name until initialized
    // The "Trace Status" panel opens it, initialized.
    QTest::mouseClick(form_->TraceStatusPanel, Qt::LeftButton);
    QVERIFY(status.isVisible());
    QVERIFY(status.UpdateTimer->isActive());
    const std::pair<const char*, const char*> expected[] = {
        {"TraceState", "INACTIVE"},     {"TraceTime", "0"},          {"MsgsCaptured", "0"},
        {"MsgsDisplayed", "0"},         {"SpoolFileNow", "CLOSED"},  {"SpoolFileHigh", "N/A"},
        {"SpoolFileMax", "   10 MB"},   {"SpoolBufferNow", "CLOSED"}, {"SpoolBufferHigh", "N/A"},
        {"PodState", "UNCONFIGURED"},   {"PodStatus", "INACTIVE"},   {"LogFileName", "N/A"},
        {"LogFileState", "CLOSED"},     {"LogFileSize", "N/A"},      {"DisplayFileName", "N/A"},
        {"DisplayFileState", "CLOSED"}, {"DisplayFileSize", "N/A"},
    };
    for (const auto& [field, text] : expected) QCOMPARE(status.FieldText(field), QString(text));
    status.close();
    QVERIFY(!status.UpdateTimer->isActive());
  }

  void printingASelectionPrintsWholeLines() {
    QTemporaryDir dir;
    const QString pdf = dir.filePath("display.pdf");
    QPlainTextEdit* memo = form_->DataMemo;
    const QStringList shown = form_->DisplayLines();
    // From the middle of line 3 to the middle of line 5.
    QTextCursor c(memo->document());
    c.setPosition(memo->document()->findBlockByNumber(2).position() + 3);
    c.setPosition(memo->document()->findBlockByNumber(4).position() + 5, QTextCursor::KeepAnchor);
    memo->setTextCursor(c);

    QAbstractPrintDialog::PrintRange offered = QAbstractPrintDialog::AllPages;
    bool selectionAllowed = false, toFileAllowed = true;
    dialogs_->onModal = [&](QDialog& d) {
      auto* print = qobject_cast<QPrintDialog*>(&d);
      if (print == nullptr) return int(QDialog::Rejected);
      offered = print->printRange();
      selectionAllowed = print->testOption(QAbstractPrintDialog::PrintSelection);
      toFileAllowed = print->testOption(QAbstractPrintDialog::PrintToFile);
      print->printer()->setOutputFormat(QPrinter::PdfFormat);
      print->printer()->setOutputFileName(pdf);
      return int(QDialog::Accepted);
    };
    form_->MenuItem("MenuFilePrint")->trigger();
    QCOMPARE(offered, QAbstractPrintDialog::Selection);
    QVERIFY(selectionAllowed);
    QVERIFY(!toFileAllowed);
    QVERIFY(QFileInfo(pdf).size() > 0);
    QVERIFY(dialogs_->messages.isEmpty());
    // What the handler sent: lines 3, 4 and 5 whole.
    QCOMPARE(vantrel::ui::LinesToPrint(memo->toPlainText(), true, c.selectionStart(), c.selectionEnd()),
             shown.mid(2, 3));
    // Without a selection the dialog offers everything.
    memo->moveCursor(QTextCursor::End);
    form_->MenuItem("MenuFilePrint")->trigger();
    QCOMPARE(offered, QAbstractPrintDialog::AllPages);
  }

  void aboutAndRevisionReport() {
    form_->MenuItem("MenuHelpAbout")->trigger();
    QCOMPARE(dialogs_->modalShown, QStringList({"About"}));
    TAboutForm& about = *form_->About;
    QCOMPARE(about.windowTitle(), QString("About"));
    const QStringList labels = LabelTexts(&about);
    for (const char* text : {"Vantrel", "Release 3.1 SP1", "Analyzer Software", "Specification References:",
                             "System Management Bus Rev. 1.0, 1.1", "Smart Battery Selector Rev. 1.0, 1.1"}) {
      QVERIFY2(labels.contains(text), text);
    }
    for (QPushButton* b : about.findChildren<QPushButton*>()) {
      if (b->text() == "Check for Updates") {
        QCOMPARE(b->toolTip(), QString("Click to Check for Updates"));
        b->click();
      }
    }
    QCOMPARE(dialogs_->urls.size(), std::size_t{1});
    QCOMPARE(dialogs_->urls[0].toString(), QString("https://orbisan.example/vantrel/updates"));

    form_->MenuItem("MenuHelpRevisionReport")->trigger();
    TRevRprtForm& report = *form_->RevRprt;
    QVERIFY(report.isVisible());
    QCOMPARE(report.windowTitle(), QString("Vantrel - Revision Report"));
    const QStringList history = report.Memo->toPlainText().split('\n');
    QVERIFY(history.contains("Revision Report"));
    QVERIFY(history.contains("Date\tRevision"));
    const QRegularExpression change("^\\d\\d-[A-Z]{3}-\\d{4}\\t.+");
    QVERIFY(std::count_if(history.begin(), history.end(), [&](const QString& l) { return change.match(l).hasMatch(); }) >= 1);
  }

  void byteModeViewerFollowsTheDisplayFont() {
    form_->MenuItem("MenuViewByteMode")->trigger();
    TRTViewerForm& viewer = *form_->RTViewer;
    QVERIFY(viewer.isVisible());
    QCOMPARE(viewer.windowTitle(), QString("Byte Mode Viewer"));
    QCOMPARE(viewer.Memo->toolTip(), QString("unfiltered message display"));
    QCOMPARE(viewer.Memo->font(), form_->DataMemo->font());
    QVERIFY(viewer.RefreshTimer->isActive());
    QCOMPARE(viewer.RefreshTimer->interval(), 250);
  }
};

QTEST_MAIN(WindowsTest)
#include "WindowsTest.moc"
