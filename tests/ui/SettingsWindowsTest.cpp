// The pod option windows and the program settings as a user meets them:
// set everything, Save, quit, start again and find it all back; Restore
// Default; the threshold, trace control and trigger out windows.
#include <QtTest>

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QToolButton>
#include <memory>

#include "UiTestSupport.h"
#include "decode/DisplayOptions.h"
#include "filters/AddressFilter.h"
#include "filters/AliasFile.h"
#include "filters/AliasTable.h"
#include "pipeline/TraceControl.h"
#include "pod/PodInterface.h"
#include "settings/Settings.h"
#include "ui/MainForm.h"
#include "ui/MatchForm.h"
#include "ui/ThresForm.h"
#include "ui/TraceControlForm.h"

class SettingsWindowsTest : public QObject {
  Q_OBJECT

  std::unique_ptr<FakeDialogs> dialogs_;
  std::unique_ptr<TMainForm> form_;

  QAction* Menu(const char* name) { return form_->MenuItem(name); }
  void Start() {
    TMainForm::Options o;
    o.aboutAtStart = false;
    form_ = std::make_unique<TMainForm>(o);
    form_->show();
    QTRY_VERIFY(!form_->LoadSettings->isActive());  // the start-up load is done
  }
  QString SettingsFile() const {
    return QString::fromStdString(form_->DataFolder()) + QString::fromLatin1(vantrel::kSettingsFileName);
  }
  QString Cell(int row, int column) { return form_->TriggerOut->StringGridMatch->item(row, column)->text(); }

 private Q_SLOTS:
  void init() {
    dialogs_ = std::make_unique<FakeDialogs>();
    Start();
  }
  void cleanup() {
    QFile::remove(SettingsFile());
    form_.reset();
    dialogs_.reset();
    vantrel::RestoreDefaultSettings();
  }

  void everythingIsBackAfterARestart() {
    // Threshold 3.3 V logic.
    dialogs_->onModal = [](QDialog& d) {
      auto& t = static_cast<TThresForm&>(d);
      t.RadioButton33V->click();
      t.OKButton->click();
      return d.result();
    };
    Menu("MenuSetupThreshold")->trigger();
    QCOMPARE(vantrel::gPodOptions.Threshold, 150u);
    // Start on Trigger In.
    Menu("MenuSetupTraceControl")->trigger();
    form_->TraceControl->ExtTrigger->click();
    form_->TraceControl->CloseButton->click();
    QVERIFY(vantrel::gPodOptions.ExtTrigger);
    // A bit pattern on the address byte, trigger after byte 2.
    Menu("MenuSetupTriggerOut")->trigger();
    TMatchForm& trig = *form_->TriggerOut;
    trig.BitMatchButton->click();
    trig.AllZeroButton->click();
    trig.StringGridMatchMouseDown(1, 1);  // 0 -> 1: bit 7 of the address
    trig.StringGridTrigMouseDown(2);
    trig.OKButton->click();
    QCOMPARE(vantrel::gPodOptions.TrigCode, 5u);
    QCOMPARE(int(vantrel::gTriggerOut.PatternMem[0]), 0x80);
    QCOMPARE(int(vantrel::gTriggerOut.DontCareMem[0]), 0x00);
    QCOMPARE(int(vantrel::gTriggerOut.TrigPosMem[2]), 1);
    // Display options, menu checks, an address map entry and an alias file.
    form_->OptionBoxes["DisplayAck"]->click();
    form_->ProtocolButtons[vantrel::DataProtocol::CD]->click();
    Menu("MenuSetupEnableBitTiming")->trigger();
    Menu("MenuOptionsAutoPause")->trigger();
    Menu("MenuOptionsShowHints")->trigger();
    vantrel::gAddrFilter.AddrMap[0x0B] = vantrel::DSEL;
    vantrel::AliasGrid aliases;
    for (int a = 0; a < 128; ++a) aliases[static_cast<std::size_t>(a)] = "dev" + std::to_string(a);
    const std::string aliasFile = form_->DataFolder() + "mine.als";
    QCOMPARE(int(vantrel::WriteAliasFile(aliasFile, aliases)), int(vantrel::FileResult::Done));
    vantrel::LoadAliasFileByName(aliasFile);

    Menu("MenuSetupSettingsSave")->trigger();
    QVERIFY(QFile::exists(SettingsFile()));
    QVERIFY(dialogs_->messages.isEmpty());

    // Quit and start again: the program starts from its defaults, then loads.
    form_.reset();
    vantrel::RestoreDefaultSettings();
    vantrel::ResetAliasTable();
    Start();
    QCOMPARE(vantrel::gPodOptions.Threshold, 150u);
    QVERIFY(vantrel::gPodOptions.ExtTrigger);
    QCOMPARE(vantrel::gPodOptions.TrigCode, 5u);
    QCOMPARE(int(vantrel::gTriggerOut.TrigPosMem[2]), 1);
    QVERIFY(form_->OptionBoxes["DisplayAck"]->isChecked());
    QVERIFY(form_->ProtocolButtons[vantrel::DataProtocol::CD]->isChecked());
    QVERIFY(Menu("MenuSetupEnableBitTiming")->isChecked());
    QVERIFY(Menu("MenuOptionsAutoPause")->isChecked());
    QVERIFY(!Menu("MenuOptionsShowHints")->isChecked());
    QCOMPARE(int(vantrel::gAddrFilter.AddrMap[0x0B]), int(vantrel::DSEL));
    QCOMPARE(QString::fromStdString(vantrel::AliasText(0x0B)), QString("dev11"));
    // The windows show what was loaded.
    QCOMPARE(Cell(1, 1), QString("1"));
    QCOMPARE(Cell(1, 2), QString("0"));
    QCOMPARE(form_->TriggerOut->TrigButtons->checkedId(), 5);
    QVERIFY(!form_->TriggerOut->AcceptButton->isEnabled());
    form_->Thres->FormShow();
    QVERIFY(form_->Thres->RadioButton33V->isChecked());
    QCOMPARE(form_->Thres->ThresEdit->text(), QString("1.50"));

    // Restore Default: the table's defaults, menu checks included.
    Menu("MenuSetupSettingsRestore")->trigger();
    QCOMPARE(vantrel::gPodOptions.Threshold, 250u);
    QVERIFY(!vantrel::gPodOptions.ExtTrigger);
    QVERIFY(!Menu("MenuSetupEnableBitTiming")->isChecked());
    QVERIFY(!Menu("MenuOptionsAutoPause")->isChecked());
    QVERIFY(Menu("MenuOptionsShowHints")->isChecked());
    QVERIFY(form_->ProtocolButtons[vantrel::DataProtocol::HEX]->isChecked());
    QCOMPARE(Cell(1, 1), QString("X"));
    QCOMPARE(form_->TriggerOut->TrigButtons->checkedId(), 0);
    QFile::remove(QString::fromStdString(aliasFile));
  }

  void thresholdWindowSpins() {
    vantrel::gPodOptions.Threshold = 250;
    dialogs_->onModal = [](QDialog& d) {
      auto& t = static_cast<TThresForm&>(d);
      if (!t.RadioButton5V->isChecked() || !t.SpinButton1->isHidden()) return int(QDialog::Rejected);
      t.RadioButtonCustom->click();
      if (t.SpinButton1->isHidden()) return int(QDialog::Rejected);
      t.SpinUp->click();
      if (t.ThresEdit->text() != "2.50") return int(QDialog::Rejected);
      for (int i = 0; i < 3; ++i) t.SpinDown->click();
      t.OKButton->click();
      return d.result();
    };
    Menu("MenuSetupThreshold")->trigger();
    QCOMPARE(vantrel::gPodOptions.Threshold, 220u);
    // Cancel changes nothing.
    dialogs_->onModal = [](QDialog& d) {
      auto& t = static_cast<TThresForm&>(d);
      t.RadioButton5V->click();
      t.CancelButton->click();
      return d.result();
    };
    Menu("MenuSetupThreshold")->trigger();
    QCOMPARE(vantrel::gPodOptions.Threshold, 220u);
  }

  void triggerOutWindowRulesAndFiles() {
    Menu("MenuSetupTriggerOut")->trigger();
    TMatchForm& trig = *form_->TriggerOut;
    // Defaults: every bit don't care, position 0, None; the grids are off.
    QCOMPARE(Cell(1, 8), QString("X"));
    QCOMPARE(trig.StringGridTrig->item(0, 0)->text(), QString("1"));
    QCOMPARE(trig.TrigButtons->checkedId(), 0);
    QVERIFY(!trig.StringGridMatch->isEnabled());
    QVERIFY(!trig.OKButton->isEnabled());
    trig.BitMatchButton->click();
    QVERIFY(trig.StringGridMatch->isEnabled() && trig.OKButton->isEnabled());
    trig.StringGridMatchMouseDown(3, 4);
    QCOMPARE(Cell(3, 4), QString("0"));
    trig.StringGridMatchMouseDown(0, 4);  // a heading: nothing
    QCOMPARE(Cell(0, 4), QString(" 4"));
    // Cancel keeps the values, and the grid its edits until Undo.
    trig.CancelButton->click();
    QCOMPARE(vantrel::gPodOptions.TrigCode, 0u);
    QCOMPARE(Cell(3, 4), QString("0"));
    trig.UndoButtonClick();
    QCOMPARE(Cell(3, 4), QString("X"));

    // Save As then Load File through the dialogs.
    trig.TrigButtons->button(3)->click();  // Nacks
    const QString file = QString::fromStdString(form_->DataFolder()) + "t.trg";
    QFile::remove(file);
    dialogs_->fileAnswers << file;
    trig.SaveAsButton->click();
    QCOMPARE(trig.windowTitle(), QString("t.trg - Trigger Out Setup"));
    QCOMPARE(dialogs_->fileRequests.back().title, QString("Save Trigger File"));
    trig.TrigButtons->button(1)->click();
    QCOMPARE(trig.windowTitle(), QString("Trigger Out Setup"));
    dialogs_->fileAnswers << file;
    trig.LoadFileButton->click();
    QCOMPARE(dialogs_->fileRequests.back().title, QString("Load Trigger File"));
    QCOMPARE(trig.TrigButtons->checkedId(), 3);
    QVERIFY(trig.AcceptButton->isEnabled());
    QCOMPARE(vantrel::gPodOptions.TrigCode, 0u);  // values change at Accept
    trig.AcceptButton->click();
    QCOMPARE(vantrel::gPodOptions.TrigCode, 3u);
    QVERIFY(dialogs_->messages.isEmpty());
    QFile::remove(file);
  }
};

QTEST_MAIN(SettingsWindowsTest)
#include "SettingsWindowsTest.moc"
