// The filter and alias windows: opened from the menus, edits that take effect
// only when accepted, the selection rules through the map window, files.
#include <QtTest>

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QValidator>
#include <memory>

#include "UiTestSupport.h"
#include "filters/AddressFilter.h"
#include "filters/AliasTable.h"
#include "filters/DataFilter.h"
#include "settings/Settings.h"
#include "ui/AddrMapForm.h"
#include "ui/AliasForm.h"
#include "ui/MainForm.h"
#include "ui/MsgFilterSelectForm.h"
#include "ui/PatternForm.h"

namespace {

void WriteFile(const QString& path, const QByteArray& body) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(body);
}

const QByteArray kHeaderStart = ";Orbisan Corporation\r\n;Vantrel ";
const QByteArray kHeaderEnd = " File\r\n;Ver 01.00\r\n;Created: 01-Jan-2027 at 10:00\r\n;By: Someone\r\n";

}  // namespace

class FilterWindowsTest : public QObject {
  Q_OBJECT

  std::unique_ptr<FakeDialogs> dialogs_;
  std::unique_ptr<TMainForm> form_;
  std::unique_ptr<QTemporaryDir> dir_;

  template <typename T>
  T* Open(const char* menuItem) {
    form_->MenuItem(menuItem)->trigger();
    T* w = form_->findChild<T*>();
    if (w != nullptr && !w->isVisible()) return nullptr;
    return w;
  }

 private Q_SLOTS:
  void init() {
    dialogs_ = std::make_unique<FakeDialogs>();
    TMainForm::Options o;
    o.aboutAtStart = false;
    form_ = std::make_unique<TMainForm>(o);
    form_->show();
    dir_ = std::make_unique<QTemporaryDir>();
    vantrel::SetAliasFileName("");
  }

  void cleanup() {
    form_.reset();
    dialogs_.reset();
    dir_.reset();
  }

  void aliasEditsTakeEffectOnlyWhenAccepted() {
    auto* w = Open<TAliasForm>("MenuViewAliasTable");
    QVERIFY(w != nullptr);
    QCOMPARE(w->windowTitle(), QString("Address Alias Table"));
    QCOMPARE(w->AliasGrid->item(0x28, 0)->text(), QString("     50"));
    QCOMPARE(w->AliasGrid->item(0x28, 1)->text(), QString("#50"));
    QVERIFY(!w->OKButton->isEnabled());

    w->AliasGrid->item(0x28, 1)->setText("EEPROM");
    QVERIFY(w->AcceptButton->isEnabled() && w->OKButton->isEnabled());
    w->CancelButton->click();
    QCOMPARE(QString::fromStdString(vantrel::AliasText(0x28)), QString("#50"));
    w = Open<TAliasForm>("MenuViewAliasTable");
    QCOMPARE(w->AliasGrid->item(0x28, 1)->text(), QString("#50"));

    w->AliasGrid->item(0x28, 1)->setText("EEPROM");
    w->AliasGrid->item(0x0B, 1)->setText(QString(300, 'b'));
    w->AcceptButton->click();
    QCOMPARE(QString::fromStdString(vantrel::AliasText(0x28)), QString("EEPROM"));
    QCOMPARE(vantrel::AliasText(0x0B).size(), std::size_t{255});
    QVERIFY(!w->AcceptButton->isEnabled() && !w->UndoButton->isEnabled());
    QVERIFY(w->isVisible());

    // ';' would read back as a comment line: the editor refuses it.
    QStyleOptionViewItem option;
    std::unique_ptr<QWidget> editor(
        w->AliasGrid->itemDelegateForColumn(1)->createEditor(w, option, w->AliasGrid->model()->index(3, 1)));
    auto* edit = qobject_cast<QLineEdit*>(editor.get());
    QVERIFY(edit != nullptr && edit->validator() != nullptr);
    QString text = "a;b";
    int pos = 0;
    QCOMPARE(edit->validator()->validate(text, pos), QValidator::Invalid);
  }

  void aliasFilesSaveAndLoad() {
    auto* w = Open<TAliasForm>("MenuViewAliasTable");
    QVERIFY(w != nullptr);
    w->AliasGrid->item(0, 1)->setText("unaccepted");
    const QString saved = dir_->filePath("a.als");
    dialogs_->fileAnswers << saved;
    w->SaveAsButton->click();
    QCOMPARE(dialogs_->fileRequests.back().title, QString("Save Alias File"));
    QCOMPARE(dialogs_->fileRequests.back().defaultName, QString("Vantrel.als"));
    QCOMPARE(w->windowTitle(), QString("a.als - Address Alias Table"));
    QFile f(saved);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(f.readAll().contains("\r\nunaccepted\r\n#02\r\n"));

    // Saving over a file asks first.
    dialogs_->okCancelAnswer = false;
    dialogs_->fileAnswers << saved;
    w->SaveAsButton->click();
    QCOMPARE(dialogs_->messages.back(), QString("Save Alias File: Already Exists, Replace?"));

    // Ten aliases: the other rows come out empty, and only OK applies them.
    QByteArray body = kHeaderStart + "Alias" + kHeaderEnd;
    for (int i = 0; i < 10; ++i) body += "name" + QByteArray::number(i) + "\r\n;comment\r\n";
    const QString ten = dir_->filePath("ten.als");
    WriteFile(ten, body);
    dialogs_->fileAnswers << ten;
    w->LoadFileButton->click();
    QCOMPARE(w->AliasGrid->item(9, 1)->text(), QString("name9"));
    QCOMPARE(w->AliasGrid->item(10, 1)->text(), QString());
    QCOMPARE(w->windowTitle(), QString("ten.als - Address Alias Table"));
    QCOMPARE(QString::fromStdString(vantrel::AliasText(9)), QString("#12"));
    w->OKButton->click();
    QVERIFY(!w->isVisible());
    QCOMPARE(QString::fromStdString(vantrel::AliasText(9)), QString("name9"));
    QCOMPARE(QString::fromStdString(vantrel::AliasText(10)), QString());
    QCOMPARE(QString::fromStdString(vantrel::AliasFileName()), ten);

    // A bad file is reported and leaves the grid alone.
    w = Open<TAliasForm>("MenuViewAliasTable");
    WriteFile(dir_->filePath("bad.als"), ";Orbisan Corporation \r\n;Vantrel Alias File\r\n");
    dialogs_->fileAnswers << dir_->filePath("bad.als");
    w->LoadFileButton->click();
    QCOMPARE(dialogs_->messages.back(), QString("Alias File Error: Invalid Alias File!"));
    QCOMPARE(w->AliasGrid->item(9, 1)->text(), QString("name9"));
  }

  void mapCellsOpenTheSelectionWindow() {
    auto* w = Open<TAddrMapForm>("MenuFilteringSlaveAddress");
    QVERIFY(w != nullptr);
    QCOMPARE(w->windowTitle(), QString("Slave Address Map"));
    vantrel::SetAddressState(0x50, vantrel::DSEL);  // byte A0: column 11, row 1
    vantrel::SetAlias(0x50, "EEPROM");
    bool sawAllUnchecked = false;
    QString label;
    dialogs_->onModal = [&](QDialog& d) {
      auto& s = static_cast<TMsgFilterSelectForm&>(d);
      sawAllUnchecked = !s.ReadBox->isChecked() && !s.WriteBox->isChecked() && !s.AckBox->isChecked() &&
                        !s.NackBox->isChecked();
      label = s.AddressLabel->text();
      s.ReadBox->click();  // Ack follows by the rules
      return int(QDialog::Accepted);
    };
    const QPoint cell(11 * 17 + 8, 1 * 17 + 8);
    QTest::mouseMove(w->AddrMapGrid, cell);
    QTest::mouseClick(w->AddrMapGrid, Qt::LeftButton, {}, cell);
    QCOMPARE(dialogs_->modalShown, QStringList({"MsgFilterSelectForm"}));
    QVERIFY(sawAllUnchecked);
    QCOMPARE(label, QString("Address [Alias]: A0 [EEPROM]"));
    QCOMPARE(int(vantrel::gAddrFilter.AddrMap[0x50]), int(vantrel::RX_AX));

    // Cancel keeps the state; None in the window reaches DSEL.
    dialogs_->onModal = [](QDialog& d) {
      static_cast<TMsgFilterSelectForm&>(d).NoneButton->click();
      return int(QDialog::Rejected);
    };
    QTest::mouseClick(w->AddrMapGrid, Qt::LeftButton, {}, cell);
    QCOMPARE(int(vantrel::gAddrFilter.AddrMap[0x50]), int(vantrel::RX_AX));
    dialogs_->onModal = [](QDialog& d) {
      static_cast<TMsgFilterSelectForm&>(d).NoneButton->click();
      return int(QDialog::Accepted);
    };
    QTest::mouseClick(w->AddrMapGrid, Qt::LeftButton, {}, cell);
    QCOMPARE(int(vantrel::gAddrFilter.AddrMap[0x50]), int(vantrel::DSEL));
    // A heading does nothing.
    QTest::mouseClick(w->AddrMapGrid, Qt::LeftButton, {}, QPoint(8, 25));
    QCOMPARE(dialogs_->modalShown.size(), 3);

    w->AllButton->click();
    QCOMPARE(QString::fromStdString(vantrel::GetAddrMapString()), QString(128, '1'));
    w->NoneButton->click();
    QCOMPARE(QString::fromStdString(vantrel::GetAddrMapString()), QString(128, '0'));
    QVERIFY(!w->FilterInfo->isVisible());
    w->InfoButton->click();
    QVERIFY(w->FilterInfo->isVisible() && w->ActivityInfo->isVisible());
    w->InfoButton->click();
    QVERIFY(!w->FilterInfo->isVisible());
  }

  void mapImagesAndFiles() {
    using vantrel::ActivityMark;
    const QImage all = vantrel::ui::AddrStateImage(vantrel::RW_AN, ActivityMark::Acked);
    QCOMPARE(all.size(), QSize(16, 16));
    QCOMPARE(all.pixelColor(3, 3), QColor(Qt::red));
    QCOMPARE(all.pixelColor(1, 10), QColor(0, 128, 0));
    QCOMPARE(all.pixelColor(5, 15), QColor(0, 0, 255));
    QCOMPARE(all.pixelColor(8, 8), QColor(128, 0, 128));
    QCOMPARE(all.pixelColor(14, 12), QColor(0, 0, 128));
    QCOMPARE(all.pixelColor(3, 10), QColor(Qt::white));  // the gap between bars
    const QImage dsel = vantrel::ui::AddrStateImage(vantrel::DSEL, ActivityMark::Nacked);
    QCOMPARE(dsel.pixelColor(1, 4), QColor(Qt::red));
    QCOMPARE(dsel.pixelColor(3, 3), QColor(Qt::white));  // an outline only
    QCOMPARE(dsel.pixelColor(1, 12), QColor(Qt::white));
    const QImage rx = vantrel::ui::AddrStateImage(vantrel::RX_XN, ActivityMark::None);
    QCOMPARE(rx.pixelColor(1, 1), QColor(Qt::white));
    QCOMPARE(rx.pixelColor(5, 12), QColor(Qt::white));   // no write bar
    QCOMPARE(rx.pixelColor(13, 12), QColor(0, 0, 128));
    QCOMPARE(vantrel::ui::AddrStateImageName(vantrel::RX_XN, ActivityMark::Acked), QString("RX_XN_A"));
    QCOMPARE(vantrel::ui::AddrStateImageName(12, ActivityMark::None), QString("RW_AN_X"));

    auto* w = Open<TAddrMapForm>("MenuFilteringSlaveAddress");
    QVERIFY(w != nullptr);
    vantrel::SetAddressState(3, vantrel::XW_AX);
    const QString map = dir_->filePath("a.map");
    dialogs_->fileAnswers << map;
    w->SaveMapButton->click();
    QCOMPARE(w->windowTitle(), QString("a.map - Slave Address Map"));
    w->AllButton->click();
    QCOMPARE(w->windowTitle(), QString("Slave Address Map"));
    dialogs_->fileAnswers << map;
    w->LoadMapButton->click();
    QCOMPARE(int(vantrel::gAddrFilter.AddrMap[3]), int(vantrel::XW_AX));
    QCOMPARE(w->windowTitle(), QString("a.map - Slave Address Map"));
    dialogs_->fileAnswers << dir_->filePath("missing.map");
    w->LoadMapButton->click();
    QCOMPARE(dialogs_->messages.back(), QString("Map File Error: Cannot Open Map File"));
  }

  void dataFilterValidatesAndApplies() {
    auto* w = Open<TPatternForm>("MenuFilteringMessageData");
    QVERIFY(w != nullptr);
    QCOMPARE(w->windowTitle(), QString("Message Data Filter"));
    QCOMPARE(w->DataGrid->item(2, 0)->text(), QString("        3"));
    QVERIFY(!w->AcceptButton->isEnabled() && w->SaveAsButton->isEnabled());

    w->DataGrid->item(0, 1)->setText("f");
    QVERIFY(w->AcceptButton->isEnabled() && !w->SaveAsButton->isEnabled());
    w->ConditionGridMouseDown(1);
    QCOMPARE(w->ConditionGrid->item(1, 0)->text(), QString("N"));
    w->AcceptButton->click();
    QCOMPARE(w->DataGrid->item(0, 1)->text(), QString("0F"));
    QCOMPARE(vantrel::gDataFilter.MatchValues[0], 15);
    QCOMPARE(QString::fromStdString(vantrel::GetMatchConditionString()), QString("YNYYYYYY"));

    w->DataGrid->item(4, 3)->setText("1FF");
    w->OKButton->click();
    QCOMPARE(dialogs_->messages.back(), QString("Message Data Filter Error: Invalid Match Data"));
    QVERIFY(w->isVisible());
    QCOMPARE(w->DataGrid->currentRow(), 4);
    QCOMPARE(w->DataGrid->currentColumn(), 3);
    w->CancelButton->click();
    QCOMPARE(vantrel::gDataFilter.MatchValues[2 * 8 + 4], -1);
    w = Open<TPatternForm>("MenuFilteringMessageData");
    QCOMPARE(w->DataGrid->item(4, 3)->text(), QString("XX"));

    w->ClearAllButtonClick();
    QCOMPARE(w->ConditionGrid->item(1, 0)->text(), QString("Y"));
    QCOMPARE(QString::fromStdString(vantrel::GetMatchConditionString()), QString("YNYYYYYY"));  // not yet applied
    w->UndoButton->click();
    QCOMPARE(w->ConditionGrid->item(1, 0)->text(), QString("N"));

    // A settings value replaces the grid while the window is open.
    QVERIFY(vantrel::ApplySettingsLine("MatchData=A5" + std::string(126, 'X')));
    QCOMPARE(w->DataGrid->item(0, 1)->text(), QString("A5"));
  }

  void dataMatchFileLoadsConditionsAtOnce() {
    auto* w = Open<TPatternForm>("MenuFilteringMessageData");
    QVERIFY(w != nullptr);
    QByteArray body = kHeaderStart + "Data Match" + kHeaderEnd + "10'AXXXXXXXXXXXX\r\n";
    for (int i = 0; i < 7; ++i) body += "XXXXXXXXXXXXXXXX\r\n";
    body += "MatchCondition=NYYYYYYY\r\nProtocolErrorDetect=True\r\n";
    const QString file = dir_->filePath("a.dmf");
    WriteFile(file, body);
    dialogs_->fileAnswers << file;
    w->LoadFileButton->click();
    QCOMPARE(dialogs_->fileRequests.back().title, QString("Load Match Data"));
    QCOMPARE(w->windowTitle(), QString("a.dmf - Message Data Filter"));
    QCOMPARE(w->DataGrid->item(0, 2)->text(), QString("'A"));
    QCOMPARE(w->ConditionGrid->item(0, 0)->text(), QString("N"));
    QVERIFY(w->ProtocolErrorBox->isChecked());
    QCOMPARE(QString::fromStdString(vantrel::GetMatchConditionString()), QString("NYYYYYYY"));
    QVERIFY(vantrel::gDataFilter.ProtocolErrorDetect);
    QCOMPARE(vantrel::gDataFilter.MatchValues[0], -1);  // cells wait for Accept
    QVERIFY(w->AcceptButton->isEnabled() && !w->SaveAsButton->isEnabled());
    w->AcceptButton->click();
    QCOMPARE(vantrel::gDataFilter.MatchValues[0], 0x10);
    QCOMPARE(vantrel::gDataFilter.MatchValues[8], 'A');

    const QString saved = dir_->filePath("b.dmf");
    dialogs_->fileAnswers << saved;
    w->SaveAsButton->click();
    QCOMPARE(w->windowTitle(), QString("b.dmf - Message Data Filter"));
    QFile f(saved);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(f.readAll().endsWith("10'AXXXXXXXXXXXX\r\n" + QByteArray("XXXXXXXXXXXXXXXX\r\n").repeated(7) +
                                 "MatchCondition=NYYYYYYY\r\nProtocolErrorDetect=True\r\n"));
  }
};

QTEST_MAIN(FilterWindowsTest)
#include "FilterWindowsTest.moc"
