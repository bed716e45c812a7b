#include "ui/RevRprtForm.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const char* const kHistory[] = {
    "Vantrel I2C Bus Analyzer",
    "Revision Report",
    "",
    "Date\tRevision",
    "06-DEC-2026\tMessage decoder: trace words, I2C messages with their times and bit rates, display line format",
    "06-DEC-2026\tSmart Battery decoding: SMBus and Smart Battery commands and values, protocol checks, PEC, SBS Revision window",
    "06-DEC-2026\tLog files and display files: writing, reading and replaying a logged trace",
    "06-DEC-2026\tTrace pipeline: parser thread with batched decoding, trace start and halt, display loop",
    "06-DEC-2026\tSpool: RAM and disk spools, Spool Setup window",
    "06-DEC-2026\tFilters and alias files: Address Alias Table, Slave Address Map, Slave Address Filter and Message Data Filter windows with their alias, map and data match files",
    "06-DEC-2026\tStatistics: messages and bus use per address, Trace Status window",
    "06-DEC-2026\tTrace generator and example logs; command line decoder",
    "06-DEC-2026\tMain window: trace display, display options, menus, start-up, printing, About, Revision Report, Byte Mode Viewer",
    "06-DEC-2026\tOptions menu: Show Hints, Log File Read Auto-Pause, Set Font",
    "07-DEC-2026\tCommon library: text files, reports, ring buffer, timed mutexes, disk spool files",
    "07-DEC-2026\tPod: command set, acquisition thread, trace word assembler, pod status, System Diagnostics",
    "07-DEC-2026\tBoard transport: the pod on a digital I/O board through the data acquisition library",
    "07-DEC-2026\tUSB adapter transport: adapter discovery, message protocol, acquisition, unplugging",
    "07-DEC-2026\tPod simulator: an interface of its own, Options | Pod Simulator window with scenarios, unplug, memory full, loopback jumper",
    "07-DEC-2026\tPod initialization: Select Pod Interface window with the loopback test, Pod Initialization window",
    "07-DEC-2026\tSpool: live trace through the disk spool",
    "07-DEC-2026\tPod options: Logic Level Threshold and Trace Control windows",
    "07-DEC-2026\tTrigger out: Trigger Out Setup window with its bit pattern grid and trigger out files",
    "07-DEC-2026\tSettings file: Program Settings Save, Load and Restore Default, with every window following",
    "07-DEC-2026\tBus Status Viewer: bus supply, SCL and SDA voltages",
    "07-DEC-2026\tStatistics and message views: Message Detail, Activity Chart, Bus Bandwidth Utilization, Message Timing, Message Diagnostics",
    "07-DEC-2026\tDesktop: find and copy in the trace display, status bar, keyboard, windows sized to their contents, print to PDF",
    "07-DEC-2026\tLogic analyser captures: sample converter, Import Logic Capture, vantrel-import",
    "07-DEC-2026\tLogic analyser as the pod: the Logic Analyser interface",
    "07-DEC-2026\tExport Trace: pcapng files for network analysers",
    "07-DEC-2026\tLive path hardening: disk full, spool and pod faults",
    "07-DEC-2026\tKeep Whole Trace: every line of a trace kept, scrolled, searched and picked from",
};

}  // namespace

TRevRprtForm::TRevRprtForm(QWidget* parent) : QDialog(parent) {
  setObjectName("RevRprt");
  setWindowTitle("Vantrel - Revision Report");
  auto* layout = new QVBoxLayout(this);
  Memo = new QPlainTextEdit(this);
  Memo->setReadOnly(true);
  Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  for (const char* line : kHistory) Memo->appendPlainText(QString::fromLatin1(line));
  layout->addWidget(Memo);
  auto* ok = new QPushButton("OK", this);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(ok, 0, Qt::AlignHCenter);
  resize(760, 420);
}
