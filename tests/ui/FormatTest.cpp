// The plain functions behind the windows: Trace Status texts, the host
// platform values, and which lines a print of a selection takes.
#include <QtTest>

#include "ui/Platform.h"
#include "ui/Print.h"
#include "ui/TraceStatusFormat.h"

using namespace vantrel;

class FormatTest : public QObject {
  Q_OBJECT

 private Q_SLOTS:
  void counters() {
    QCOMPARE(FormatCount(0, 0), std::string("0"));
    QCOMPARE(FormatCount(0, 999), std::string("999"));
    QCOMPARE(FormatCount(0, 1000), std::string("1,000"));
    QCOMPARE(FormatCount(0, 999999999), std::string("999,999,999"));
    // 1,500,000,000 messages: one wrap and 500,000,000 units.
    QCOMPARE(FormatCount(1, 500000000), std::string("1,500,000,000"));
    // The units keep their nine digits after a wrap.
    QCOMPARE(FormatCount(2, 7), std::string("2,000,000,007"));
    QCOMPARE(FormatCount(1234, 0), std::string("1,234,000,000,000"));
  }

  void traceTime() {
    QCOMPARE(FormatTraceTime(25, 3, 12), std::string("1D:1H:3M:12 uS"));
    QCOMPARE(FormatTraceTime(1, 2, 3456789), std::string("1H:2M:3,456,789 uS"));
    QCOMPARE(FormatTraceTime(0, 5, 0), std::string("5M:0 uS"));
    QCOMPARE(FormatTraceTime(0, 0, 59999999), std::string("59,999,999 uS"));
    // Whole days show their zero hours and minutes.
    QCOMPARE(FormatTraceTime(48, 0, 1), std::string("2D:0H:0M:1 uS"));
    QCOMPARE(FormatTraceTime(0, 0, 0), std::string("0 uS"));
  }

  void spoolNowColours() {
    // 100KB RAM spool: 194 records, half is 97.
    SpoolNowText t = SpoolNowField(97, 194, false, 1e3, " KB");
    QCOMPARE(t.text, std::string("   49.86 KB SPOOLING"));
    QCOMPARE(t.colour, StatusColour::Orange);
    t = SpoolNowField(96, 194, false, 1e3, " KB");
    QCOMPARE(t.text, std::string("   49.34 KB SPOOLING"));
    QCOMPARE(t.colour, StatusColour::Green);
    t = SpoolNowField(194, 194, false, 1e3, " KB");
    QCOMPARE(t.text, std::string("   99.72 KB SPOOL FULL"));
    QCOMPARE(t.colour, StatusColour::Red);
    // Once red, draining reads DE-SPOOLING, then SPOOL EMPTY, still red.
    t = SpoolNowField(10, 194, true, 1e3, " KB");
    QCOMPARE(t.text, std::string("    5.14 KB DE-SPOOLING"));
    QCOMPARE(t.colour, StatusColour::Red);
    t = SpoolNowField(0, 194, true, 1e3, " KB");
    QCOMPARE(t.text, std::string("SPOOL EMPTY"));
    QCOMPARE(t.colour, StatusColour::Red);
    // An empty spool that never filled is green.
    QCOMPARE(SpoolNowField(0, 194, false, 1e3, " KB").colour, StatusColour::Green);
  }

  void spoolAmounts() {
    // A full 1GB disk spool: 1,945,525 records of 514 bytes.
    QCOMPARE(SpoolAmountText(1945525, 1e6, " MB"), std::string("1,000.00 MB"));
    QCOMPARE(SpoolAmountText(19455, 1e6, " MB"), std::string("   10.00 MB"));
    QCOMPARE(FormatSpoolAmount(0.005), std::string("    0.01"));
    QCOMPARE(FormatSpoolAmount(123456.789), std::string("123,456.79"));
  }

  void freeSpaceAndSizes() {
    QCOMPARE(FreeSpaceText(1000000001), std::string("1 GB"));
    QCOMPARE(FreeSpaceText(1000000000), std::string("1000 MB"));
    QCOMPARE(FreeSpaceText(1000001), std::string("1 MB"));
    QCOMPARE(FreeSpaceText(1000000), std::string("1000 KB"));
    QCOMPARE(FreeSpaceText(999), std::string("0 KB"));
    QCOMPARE(FileSizeText(1234, 52000000000), std::string("1,234 KB of 52 GB Free"));
    QCOMPARE(SpoolBufferMaxText(3), std::string("   1 MB"));
    QCOMPARE(SpoolFileMaxText(3), std::string("   1 GB"));
    QCOMPARE(SpoolBufferMaxText(9), std::string("   100 KB"));  // out of range: the default
  }

  void dataFolder() {
    using platform::DataFolderFrom;
    QCOMPARE(DataFolderFrom("/x/data", "/home/u"), std::string("/x/data/Orbisan/Vantrel 3.1/"));
    QCOMPARE(DataFolderFrom("/x/data/", "/home/u"), std::string("/x/data/Orbisan/Vantrel 3.1/"));
    // A relative XDG_DATA_HOME is ignored, as the XDG rules say.
    QCOMPARE(DataFolderFrom("rel", "/home/u"), std::string("/home/u/.local/share/Orbisan/Vantrel 3.1/"));
    QCOMPARE(DataFolderFrom("", "/home/u"), std::string("/home/u/.local/share/Orbisan/Vantrel 3.1/"));
    QCOMPARE(DataFolderFrom(nullptr, nullptr), std::string());
  }

  void userName() {
    using platform::UserNameFrom;
    QCOMPARE(UserNameFrom("Ada Lovelace,Room 1,,", "ada"), std::string("Ada Lovelace"));
    QCOMPARE(UserNameFrom(",,,", "ada"), std::string("ada"));
    QCOMPARE(UserNameFrom("", "ada"), std::string("ada"));
    QCOMPARE(UserNameFrom(nullptr, nullptr), std::string("<User Unknown>"));
  }

  void osVersion() {
    using platform::OsVersionLine;
    QCOMPARE(OsVersionLine(true, "Linux", "6.1.0-18-amd64"), std::string("OS: Linux V6.1"));
    QCOMPARE(OsVersionLine(true, "Linux", "5.15"), std::string("OS: Linux V5.15"));
    QCOMPARE(OsVersionLine(false, "", ""), std::string("Unable to read OS Version Information"));
    QVERIFY(platform::OsVersionLine().rfind("OS: ", 0) == 0);
  }

  void printedSelectionIsWholeLines() {
    const QString text = "line 1\nline 2\nline 3 abc\nline 4\nline 5 xyz\nline 6";
    const int start = static_cast<int>(text.indexOf("3 abc")) + 2;  // middle of line 3
    const int end = static_cast<int>(text.indexOf("xyz")) + 1;      // inside line 5
    QCOMPARE(ui::LinesToPrint(text, true, start, end), QStringList({"line 3 abc", "line 4", "line 5 xyz"}));
    // Backwards selections and a selection ending just after a line break.
    QCOMPARE(ui::LinesToPrint(text, true, end, start).size(), 3);
    const int afterBreak = static_cast<int>(text.indexOf("line 4"));
    QCOMPARE(ui::LinesToPrint(text, true, 0, afterBreak), QStringList({"line 1", "line 2", "line 3 abc"}));
    QCOMPARE(ui::LinesToPrint(text, false, start, end).size(), 6);
    const ui::LineRange r = ui::SelectedLineRange(text, 3, 3);  // empty selection: its own line
    QCOMPARE(r.first, 0);
    QCOMPARE(r.last, 0);
  }
};

QTEST_GUILESS_MAIN(FormatTest)
#include "FormatTest.moc"
