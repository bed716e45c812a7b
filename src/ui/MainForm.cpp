#include "ui/MainForm.h"

#include <QAbstractPrintDialog>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPageSetupDialog>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTextBlock>
#include <QThread>
#include <QKeyEvent>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <condition_variable>
#include <mutex>

#include "settings/Settings.h"
#include "decode/Format.h"
#include "decode/ParseAH.h"
#include "pipeline/DisplayLoop.h"
#include "pipeline/LogFile.h"
#include "pipeline/MessageTables.h"
#include "pipeline/TraceControl.h"
#include "pipeline/TraceParserThread.h"
#include "pipeline/TraceState.h"
#include "pod/PodInterface.h"
#include "pod/BoardLibrary.h"
#include "pod/InterfaceSelection.h"
#include "pod/PodStatus.h"
#include "analysis/Revisions.h"
#include "ui/AboutForm.h"
#include "pod/LogicCapture.h"
#include "tracegen/TraceGen.h"
#include "common/TextFile.h"
#include "ui/AddrMapForm.h"
#include "ui/ImportForm.h"
#include "ui/AliasForm.h"
#include "ui/SBSRevForm.h"
#include "ui/PatternForm.h"
#include "ui/ActivityForm.h"
#include "ui/BTimingForm.h"
#include "ui/DetailForm.h"
#include "ui/RawDataForm.h"
#include "ui/PodSimulatorForm.h"
#include "ui/PodForm.h"
#include "ui/Placement.h"
#include "ui/PortselForm.h"
#include "ui/MatchForm.h"
#include "ui/ThresForm.h"
#include "ui/TraceControlForm.h"
#include "ui/ViewStatusForm.h"
#include "ui/Platform.h"
#include "ui/Print.h"
#include "ui/RTViewerForm.h"
#include "ui/RevRprtForm.h"
#include "ui/SpoolSetupForm.h"
#include "ui/TraceStatusForm.h"
#include "ui/TraceListView.h"
#include "ui/UiDialogs.h"
#include "ui/WebPages.h"

using vantrel::DataProtocol;
using vantrel::DisplayOptions;
namespace platform = vantrel::platform;
namespace ui = vantrel::ui;

namespace {

using namespace std::chrono_literals;
constexpr int kHintMs = 25000;

QString Text(std::string_view s) { return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size())); }
// A name shown in a menu caption: '&' would become an accelerator.
QString Literal(const QString& s) {
  QString t = s;
  return t.replace(QLatin1Char('&'), QLatin1String("&&"));
}

struct OptionBox {
  const char* key;
  const char* caption;
  const char* hint;
  bool DisplayOptions::*flag;
};
const OptionBox kOptionBoxes[] = {
    {"DisplayStart", "Start", "show Starts [Start]", &DisplayOptions::DisplayStart},
    {"DisplayStop", "Stop", "show Stops [Stop]", &DisplayOptions::DisplayStop},
    {"DisplayRW", "R/W", "show Read & Write [R] [W]", &DisplayOptions::DisplayRW},
    {"DisplayAck", "Ack", "show Acknowledgements [A]", &DisplayOptions::DisplayAck},
    {"DisplayNack", "Nack", "show Negative Acknowledgements [N]", &DisplayOptions::DisplayNack},
    {"DisplayByteTime", "Byte Time", "show Byte Timing (uS)", &DisplayOptions::DisplayByteTime},
    {"DisplayStartTime", "Start Time", "show Start Timing (uS)", &DisplayOptions::DisplayStartTime},
    {"DisplayAbsTime", "Abs Time", "Absolute or Relative (+) Time Display", &DisplayOptions::DisplayAbsTime},
    {"DisplayBitRate", "Bit Rate", "show Message Bit Rate (Kb/sec)", &DisplayOptions::DisplayBitRate},
    {"DisplayFilter", "Filtering", "enable Address, Message Data, Protocol Error Filtering",
     &DisplayOptions::DisplayFilter},
    {"PECChecked", "PEC", "enable Packet Error Checking", &DisplayOptions::PECChecked},
};

struct ProtocolButton {
  DataProtocol protocol;
  const char* caption;
  const char* hint;
  bool visible;
};
const ProtocolButton kProtocolButtons[] = {
    {DataProtocol::ASCII, "ASCII", "display printable Data in ASCII format", true},
    {DataProtocol::HEX, "HEX", "display Data in Hexadecimal format", true},
    {DataProtocol::BIN, "BIN", "display Data in Binary format", true},
    {DataProtocol::CD, "CD", "display Data in Comma Delimited format", true},
    {DataProtocol::SBS, "SBS", "display SBS Data in Smart Battery System format", true},
    {DataProtocol::Raw, "Raw", "", false},
    {DataProtocol::IPMI, "IPMI", "", false},
};

const char* const kWelcome[] = {
    "Welcome I2C Bus Developers",
    "",
    "This software is designed to work with the OSN Vantrel",
    "Pod, but can be used in Software-Only mode to view pre-recorded trace",
    "log files. (See Setup|Open Log File for Read...)",
    "",
    "Program Installation Information:",
    "",
};
const char* const kMissingInstall[] = {
    "",
    "Some installation data is missing. The missing data may limit some",
    "program features. This can happen if you run the program without",
    "performing a complete installation with setup.exe.",
};

}  // namespace

TMainForm::TMainForm(Options options) : options_(std::move(options)) {
  setObjectName("MainForm");
  setWindowTitle("Vantrel - Release 3");
  vantrel::SetMainWindow(this);
  vantrel::SetReports(this);
  vantrel::InstallDefaultPodInterface();
  vantrel::ConnectDecoder();
  vantrel::gRetryCounter = 1;
  vantrel::gTraceFiles = {};
  vantrel::gTraceOptions = {};

  auto* central = new QWidget(this);
  setCentralWidget(central);
  auto* layout = new QVBoxLayout(central);
  BuildDisplay();
  layout->addWidget(DisplayStack, 1);
  BuildFindBar();
  layout->addWidget(FindBar, 0);
  auto* bottom = new QWidget(central);
  BuildControls(bottom);
  layout->addWidget(bottom, 0);
  BuildMenus();
  BuildStatusBar();
  const auto key = [this](QKeySequence keys, auto handler) {
    connect(new QShortcut(keys, this), &QShortcut::activated, this, handler);
  };
  key(QKeySequence::Find, [this] { MenuFindClick(); });
  key(QKeySequence(Qt::Key_F3), [this] { FindNext(false); });
  key(QKeySequence(Qt::SHIFT | Qt::Key_F3), [this] { FindNext(true); });
  key(QKeySequence(Qt::Key_F5), [this] {
    if (TraceButton->isEnabled()) TraceButton->click();
  });
  key(QKeySequence(Qt::SHIFT | Qt::Key_F5), [this] {
    if (HaltButton->isEnabled()) HaltButton->click();
  });

  DataMemoUpdate = new QTimer(this);
  DataMemoUpdate->setInterval(10);
  DataMemoUpdate->setTimerType(Qt::PreciseTimer);
  connect(DataMemoUpdate, &QTimer::timeout, this, &TMainForm::DataMemoUpdateTimer);
  TraceClickTimer = new QTimer(this);
  TraceClickTimer->setInterval(100);
  TraceClickTimer->setSingleShot(true);
  connect(TraceClickTimer, &QTimer::timeout, this, &TMainForm::TraceClickTimerTimer);
  LoadSettings = new QTimer(this);
  LoadSettings->setInterval(500);
  connect(LoadSettings, &QTimer::timeout, this, &TMainForm::LoadSettingsTimer);

  // The other windows, the Spool Setup window last.
  TraceStatus = new TTraceStatusForm(this);
  RTViewer = new TRTViewerForm(this);
  RTViewer->Memo->setFont(DataMemo->font());
  RevRprt = new TRevRprtForm(this);
  About = new TAboutForm(this);
  SBSRev = new TSBSRevForm(this);
  Portsel = new TPortselForm(this);
  Thres = new TThresForm(this);
  TraceControl = new TTraceControlForm(this);
  TriggerOut = new TMatchForm(this);
  ViewStatus = new TViewStatusForm(this);
  PodSimulator = new TPodSimulatorForm(this);
  PodForm = new TPodForm(
      this, [this] { MenuSetupPodInterfaceClick(); }, [] { vantrel::HaltButtonClick(); });
  Detail = new TDetailForm(this, [this](int percent, const std::string& label) { SetBandwidth(percent, label); });
  Activity = new TActivityForm(this);
  Utilization = new TUtilizationForm(this);
  BTiming = new TBTimingForm(this);
  RawData = new TRawDataForm(this);
  Import = new TImportForm(this);
  SpoolSetup = new TSpoolSetupForm(this);
  SpoolSetup->onChoiceChanged = [this](const vantrel::SpoolChoice& c) { TraceStatus->SetSpoolChoice(c); };

  RestoreDefaults();
  vantrel::PodInitialized = false;
  vantrel::gTrace.TraceRunning = false;
  vantrel::ClearPodMemoryFull();
  vantrel::CreatePodStatusMutex();
  vantrel::LoadBoardLibrary();
  SetBandwidth(0, "0%");

  qApp->installEventFilter(this);
  for (QWidget* w : findChildren<QWidget*>()) {
    if (!w->toolTip().isEmpty()) w->setToolTipDuration(kHintMs);
  }

  installFolder_ = platform::InstallationFolder();
  dataFolder_ = platform::DataFolder();
  userName_ = platform::UserName();
  MenuUser->setTitle(Literal(QString::fromStdString(userName_)));
  WriteWelcomeText();

  bottom->setMinimumSize(bottom->sizeHint());
  FitDisplayMinimum();
  resize(std::max(980, minimumSizeHint().width()), std::max(640, minimumSizeHint().height()));
  for (QWidget* w : std::initializer_list<QWidget*>{TraceStatus, RTViewer, Detail, Activity, TriggerOut, TraceControl,
                                                    PodSimulator})
    ui::PlaceBeside(w, this);
  if (QScreen* s = QGuiApplication::primaryScreen()) move(s->availableGeometry().center() - rect().center());
  LoadSettings->start();
}

TMainForm::~TMainForm() {
  if (!closed_) {
    closed_ = true;
    vantrel::MainWindowClose();
    vantrel::UnloadBoardLibrary();
  }
  qApp->removeEventFilter(this);
  vantrel::SetMainWindow(nullptr);
  vantrel::SetReports(nullptr);
}

void TMainForm::BuildDisplay() {
  DataMemo = new QPlainTextEdit(this);
  DataMemo->setObjectName("DataMemo");
  DataMemo->setReadOnly(true);
  DataMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
  DataMemo->setUndoRedoEnabled(false);
  DataMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  DataMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  DataMemo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  // A caret the keyboard moves (Ctrl+Home, Ctrl+End), for picking lines.
  DataMemo->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  DataMemo->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(DataMemo, &QWidget::customContextMenuRequested, this, &TMainForm::DataMemoContextPopup);
  TraceLines = new TraceLinesModel(this);
  TraceList = new TraceListView(this);
  TraceList->setObjectName("TraceList");
  TraceList->setModel(TraceLines);
  TraceList->setFont(DataMemo->font());
  TraceList->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(TraceList, &QWidget::customContextMenuRequested, this, &TMainForm::DataMemoContextPopup);
  DisplayStack = new QStackedWidget(this);
  DisplayStack->addWidget(DataMemo);
  DisplayStack->addWidget(TraceList);
  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName("PopupMenu1");
  QAction* timing = PopupMenu1->addAction("Show Message Timing");
  timing->setObjectName("PopupShowTiming");
  connect(timing, &QAction::triggered, this, &TMainForm::ShowMessageTiming);
  QAction* diagnostics = PopupMenu1->addAction("Show Message Diagnostics");
  diagnostics->setObjectName("PopupShowDiagnostics");
  connect(diagnostics, &QAction::triggered, this, &TMainForm::ShowMessageDiagnostics);
  PopupMenu1->addSeparator();
  QAction* copy = PopupMenu1->addAction("&Copy");
  copy->setObjectName("PopupCopy");
  connect(copy, &QAction::triggered, this, &TMainForm::CopyDisplayLines);
  SetDisplayContextMenu(false);
}

void TMainForm::BuildControls(QWidget* bottom) {
  auto* row = new QHBoxLayout(bottom);
  row->setContentsMargins(0, 0, 0, 0);

  auto* options = new QGroupBox("Display [Options]", bottom);
  auto* grid = new QGridLayout(options);
  int i = 0;
  for (const OptionBox& b : kOptionBoxes) {
    auto* box = new QCheckBox(QString::fromLatin1(b.caption), options);
    box->setObjectName(QString::fromLatin1(b.key));
    box->setToolTip(QString::fromLatin1(b.hint));
    const auto flag = b.flag;
    connect(box, &QCheckBox::toggled, this, [flag](bool on) { vantrel::gDisplay.*flag = on; });
    OptionBoxes[b.key] = box;
    grid->addWidget(box, i % 4, i / 4);
    ++i;
  }
  row->addWidget(options);

  auto* protocol = new QGroupBox("Data Protocol", bottom);
  auto* plist = new QVBoxLayout(protocol);
  auto* group = new QButtonGroup(protocol);
  for (const ProtocolButton& b : kProtocolButtons) {
    auto* button = new QRadioButton(QString::fromLatin1(b.caption), protocol);
    button->setObjectName(QString::fromLatin1(b.caption) + "Button");
    button->setToolTip(QString::fromLatin1(b.hint));
    button->setVisible(b.visible);
    group->addButton(button);
    const DataProtocol p = b.protocol;
    connect(button, &QRadioButton::clicked, this, [this, p] { DataProtocolClick(p); });
    ProtocolButtons[p] = button;
    if (b.visible) plist->addWidget(button);
  }
  row->addWidget(protocol);

  auto* bandwidth = new QVBoxLayout;
  ProgressBar1 = new QProgressBar(bottom);
  ProgressBar1->setObjectName("ProgressBar1");
  ProgressBar1->setOrientation(Qt::Vertical);
  ProgressBar1->setRange(0, 100);
  ProgressBar1->setTextVisible(false);
  ProgressBar1->setToolTip("Bus Bandwidth Used");
  BWLabel = new QLabel("0%", bottom);
  BWLabel->setObjectName("BWLabel");
  bandwidth->addWidget(ProgressBar1, 1, Qt::AlignHCenter);
  bandwidth->addWidget(BWLabel, 0, Qt::AlignHCenter);
  row->addLayout(bandwidth);

  auto* right = new QVBoxLayout;
  auto* maker = new QFrame(bottom);
  maker->setObjectName("MakerPanel");
  maker->setFrameStyle(QFrame::Panel | QFrame::Raised);
  maker->setToolTip(ui::kMakerSite);
  auto* makerRow = new QHBoxLayout(maker);
  auto* makerName = new QLabel("Orbisan", maker);
  makerName->setToolTip(ui::kMakerSite);
  auto* inset = new QLabel("OSN", maker);
  inset->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  QFont bold = inset->font();
  bold.setBold(true);
  inset->setFont(bold);
  inset->setToolTip(ui::kMakerSite);
  makerRow->addWidget(inset);
  makerRow->addWidget(makerName, 1);
  right->addWidget(maker);

  TraceStatusPanel = new QLabel("Trace Status", bottom);
  TraceStatusPanel->setObjectName("TraceStatusPanel");
  TraceStatusPanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
  TraceStatusPanel->setAlignment(Qt::AlignCenter);
  TraceStatusPanel->setToolTip("show Trace Status");
  TraceStatusPanel->setCursor(Qt::PointingHandCursor);
  TraceStatusPanel->installEventFilter(this);
  right->addWidget(TraceStatusPanel);

  TraceButton = new QPushButton("Trace", bottom);
  TraceButton->setObjectName("TraceButton");
  TraceButton->setToolTip("start Trace (F5)");
  HaltButton = new QPushButton("Halt", bottom);
  HaltButton->setObjectName("HaltButton");
  HaltButton->setToolTip("stop Trace (Shift+F5)");
  HaltButton->setEnabled(false);
  ClearDisplayButton = new QPushButton("Clear Display", bottom);
  ClearDisplayButton->setObjectName("ClearDisplayButton");
  ClearDisplayButton->setToolTip("clear Display Window");
  connect(TraceButton, &QPushButton::clicked, this, &TMainForm::TraceButtonClick);
  connect(HaltButton, &QPushButton::clicked, this, &TMainForm::HaltButtonClick);
  connect(ClearDisplayButton, &QPushButton::clicked, this, &TMainForm::ClearDisplayButtonClick);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(TraceButton);
  buttons->addWidget(HaltButton);
  buttons->addWidget(ClearDisplayButton);
  right->addLayout(buttons);
  right->addStretch();
  row->addLayout(right);
  row->addStretch();
}

QAction* TMainForm::Item(QMenu* menu, const char* name, const char* caption, void (TMainForm::*handler)(),
                         const char* hint) {
  QAction* a = menu->addAction(QString::fromLatin1(caption));
  a->setObjectName(QString::fromLatin1(name));
  if (hint != nullptr) a->setToolTip(QString::fromLatin1(hint));
  if (handler != nullptr) connect(a, &QAction::triggered, this, handler);
  return a;
}

void TMainForm::BuildMenus() {
  QMenuBar* bar = menuBar();
  auto menu = [&](const char* name, const char* caption) {
    QMenu* m = bar->addMenu(QString::fromLatin1(caption));
    m->setObjectName(QString::fromLatin1(name));
    m->setToolTipsVisible(true);
    return m;
  };

  QMenu* file = menu("MenuFile", "&File");
  Item(file, "MenuFileImport", "&Import Logic Capture...", &TMainForm::MenuFileImportClick,
       "replay a logic analyser capture of the bus");
  Item(file, "MenuFileExport", "&Export Trace...", &TMainForm::MenuFileExportClick,
       "write the next trace's messages as a pcapng file for a network analyser");
  file->addSeparator();
  Item(file, "MenuFilePrinterSetup", "Printer &Setup...", &TMainForm::MenuFilePrinterSetupClick);
  Item(file, "MenuFilePrint", "&Print...", &TMainForm::MenuFilePrintClick)->setShortcut(QKeySequence("Ctrl+P"));
  file->addSeparator();
  Item(file, "MenuFileExit", "E&xit", &TMainForm::MenuFileExitClick);

  MenuSetup = menu("MenuSetup", "Set&up");
  Item(MenuSetup, "MenuSetupPodInterface", "Select Pod &Interface...", &TMainForm::MenuSetupPodInterfaceClick);
  Item(MenuSetup, "MenuSetupSpool", "Spool Setup...", &TMainForm::MenuSetupSpoolClick);
  Item(MenuSetup, "MenuSetupThreshold", "&Logic Level Threshold...", &TMainForm::MenuSetupThresholdClick);
  Item(MenuSetup, "MenuSetupTraceControl", "&Trace Control...", &TMainForm::MenuSetupTraceControlClick);
  Item(MenuSetup, "MenuSetupTriggerOut", "Trigger &Out...", &TMainForm::MenuSetupTriggerOutClick);
  MenuSetup->addSeparator();
  QAction* bitTiming = Item(MenuSetup, "MenuSetupEnableBitTiming", "&Enable Bit Timing", nullptr,
                            "enable Pod bit time generation");
  bitTiming->setCheckable(true);
  connect(bitTiming, &QAction::toggled, this, [](bool on) { vantrel::gTraceOptions.EnableBitTiming = on; });
  QAction* traceDisplay = Item(MenuSetup, "MenuSetupTraceDisplay", "Enable Trace Display", nullptr,
                               "Enable Trace Parsing and Display");
  traceDisplay->setCheckable(true);
  traceDisplay->setChecked(vantrel::gTraceOptions.EnableTraceDisplay);
  connect(traceDisplay, &QAction::toggled, this, [](bool on) { vantrel::gTraceOptions.EnableTraceDisplay = on; });
  Item(MenuSetup, "MenuSetupSBSRevision", "Select SBS Re&vision...", &TMainForm::MenuSetupSBSRevisionClick);
  MenuSetup->addSeparator();
  Item(MenuSetup, "MenuSetupLogWrite", "Open Log File for &Write...", &TMainForm::MenuSetupLogWriteClick);
  Item(MenuSetup, "MenuSetupLogRead", "Open Log File for &Read...", &TMainForm::MenuSetupLogReadClick);
  Item(MenuSetup, "MenuSetupDisplayFileWrite", "Open Display File for Write...",
       &TMainForm::MenuSetupDisplayFileWriteClick);
  Item(MenuSetup, "MenuSetupDisplayFileRead", "Open Display File for Read...",
       &TMainForm::MenuSetupDisplayFileReadClick);
  MenuSetup->addSeparator();
  Item(MenuSetup, "MenuSetupInitializePod", "Initialize External &Pod", &TMainForm::MenuSetupInitializePodClick,
       "reset external Pod");
  QMenu* settings = MenuSetup->addMenu("Progr&am Settings");
  settings->setObjectName("MenuSetupProgramSettings");
  settings->menuAction()->setObjectName("MenuSetupProgramSettingsItem");
  Item(settings, "MenuSetupSettingsSave", "&Save", &TMainForm::MenuSetupSettingsSaveClick);
  Item(settings, "MenuSetupSettingsLoad", "&Load", &TMainForm::MenuSetupSettingsLoadClick);
  Item(settings, "MenuSetupSettingsRestore", "&Restore Default", &TMainForm::MenuSetupSettingsRestoreClick);
  Item(MenuSetup, "MenuSetupDiagnostics", "System &Diagnostics", &TMainForm::MenuSetupDiagnosticsClick);

  QMenu* options = menu("MenuOptions", "&Options");
  QAction* hints = Item(options, "MenuOptionsShowHints", "Show &Hints", &TMainForm::MenuOptionsShowHintsClick);
  hints->setCheckable(true);
  hints->setChecked(true);
  QAction* autoPause = Item(options, "MenuOptionsAutoPause", "Log File Read &Auto-Pause");
  autoPause->setCheckable(true);
  connect(autoPause, &QAction::toggled, this, [](bool on) { vantrel::gTraceOptions.LogReadAutoPause = on; });
  QAction* whole = Item(options, "MenuOptionsKeepWholeTrace", "Keep &Whole Trace",
                        &TMainForm::MenuOptionsKeepWholeTraceClick,
                        "keep every line of the trace, with no line limit (from the next trace or Clear Display)");
  whole->setCheckable(true);
  Item(options, "MenuOptionsSetFont", "Set &Font...", &TMainForm::MenuOptionsSetFontClick);
  Item(options, "MenuOptionsPodSimulator", "Pod Si&mulator...", &TMainForm::MenuOptionsPodSimulatorClick,
       "simulated pod: bus scenario, unplug, memory full");

  QMenu* filtering = menu("MenuFiltering", "Filt&ering");
  // The filter and alias windows live as long as the main window; their
  // tables are shown whenever they open.
  auto open = [this](QAction* a, QDialog* window) {
    ui::PlaceBeside(window, this);
    connect(a, &QAction::triggered, this, [window] { ui::ShowWindow(window); });
  };
  open(Item(filtering, "MenuFilteringSlaveAddress", "Slave &Address"), new TAddrMapForm(this));
  open(Item(filtering, "MenuFilteringMessageData", "Message &Data"), new TPatternForm(this));

  QMenu* view = menu("MenuView", "&View");
  Item(view, "MenuViewActivityChart", "&Activity Chart", &TMainForm::MenuViewActivityChartClick);
  Item(view, "MenuViewMessageDetail", "&Message Detail", &TMainForm::MenuViewMessageDetailClick);
  QAction* utilization = Item(view, "MenuViewBusUtilization", "Bus &Utilization Graph");
  connect(utilization, &QAction::triggered, this, [this] { Utilization->show(); });
  utilization->setVisible(false);
  Item(view, "MenuViewByteMode", "&Byte Mode Viewer", &TMainForm::MenuViewByteModeClick);
  open(Item(view, "MenuViewAliasTable", "Address Alias &Table"), new TAliasForm(this));
  Item(view, "MenuViewTraceStatus", "Trace &Status", &TMainForm::MenuViewTraceStatusClick);
  Item(view, "MenuViewBusStatus", "Bus Status &Viewer...", &TMainForm::MenuViewBusStatusClick);

  QMenu* help = menu("MenuHelp", "&Help");
  for (auto [name, caption] : {std::pair{"MenuHelpContents", "&Contents"}, std::pair{"MenuHelpTopicSearch", "&Topic Search"},
                               std::pair{"MenuHelpHowToUse", "&How to Use Help"}}) {
    QAction* a = Item(help, name, caption);
    a->setVisible(false);
    a->setEnabled(false);
  }
  Item(help, "MenuHelpOnline", "&Online Resources...", &TMainForm::MenuHelpOnlineClick);
  Item(help, "MenuHelpRevisionReport", "R&evision Report...", &TMainForm::MenuHelpRevisionReportClick);
  Item(help, "MenuHelpAbout", "&About Vantrel...", &TMainForm::MenuHelpAboutClick);

  MenuUser = menu("MenuUser", platform::kUserUnknown);
}

QAction* TMainForm::MenuItem(const char* name) const { return findChild<QAction*>(QString::fromLatin1(name)); }

void TMainForm::RestoreDefaults() {
  vantrel::RestoreDefaultSettings();
  SpoolSetup->RestoreDefaults();
  ShowSettings();
}

void TMainForm::ShowSettings() {
  ShowDisplayOptions();
  const auto check = [this](const char* item, bool on) {
    QAction* a = MenuItem(item);
    const QSignalBlocker block(a);
    a->setChecked(on);
  };
  check("MenuSetupEnableBitTiming", vantrel::gTraceOptions.EnableBitTiming);
  check("MenuOptionsAutoPause", vantrel::gTraceOptions.LogReadAutoPause);
  check("MenuOptionsShowHints", vantrel::gWindowOptions.ShowHints);
  check("MenuOptionsKeepWholeTrace", vantrel::gTraceOptions.KeepWholeTrace);
  SpoolSetup->ShowChoice();
  TraceStatus->SetSpoolChoice(vantrel::gSpoolChoice);
  TriggerOut->ValuesChanged();
  TraceControl->ShowValue();
}

void TMainForm::ShowDisplayOptions() {
  const DisplayOptions& d = vantrel::gDisplay;
  for (const OptionBox& b : kOptionBoxes) {
    QCheckBox* box = OptionBoxes[b.key];
    const QSignalBlocker block(box);
    box->setChecked(d.*(b.flag));
  }
  OptionBoxes["DisplayByteTime"]->setEnabled(d.ByteTimeEnabled);
  OptionBoxes["PECChecked"]->setEnabled(d.PECEnabled);
  QButtonGroup* group = ProtocolButtons.begin()->second->group();
  // No button may be selected (a settings file can do that).
  group->setExclusive(false);
  for (auto& [p, button] : ProtocolButtons) button->setChecked(p == d.Protocol);
  group->setExclusive(true);
}

void TMainForm::WriteWelcomeText() {
  vantrel::EmptyDisplay();
  for (const char* line : kWelcome) vantrel::AppendDisplayNote(line);
  vantrel::AppendDisplayNote("  Installation Folder = \"" + installFolder_ + "\"");
  vantrel::AppendDisplayNote("  Application Data Folder = \"" + dataFolder_ + "\"");
  vantrel::AppendDisplayNote("  User Name = \"" + userName_ + "\"");
  if (installFolder_.empty() || dataFolder_.empty() || userName_ == platform::kUserUnknown) {
    for (const char* line : kMissingInstall) vantrel::AppendDisplayNote(line);
  }
}

// ---- seam -------------------------------------------------------------------

void TMainForm::ShowMessage(std::string_view text, std::string_view title) {
  const QString t = Text(text), c = Text(title);
  if (QThread::currentThread() == thread()) {
    ui::MessageInPlace(this, t, c);
  } else {
    // From the parser thread: it must not wait for the user.
    QMetaObject::invokeMethod(this, [this, t, c] { ui::MessageInPlace(this, t, c); }, Qt::QueuedConnection);
  }
}

bool TMainForm::AskOkCancel(std::string_view text, std::string_view title) {
  return ui::OkCancelInPlace(this, Text(text), Text(title));
}

void TMainForm::Beep() { QApplication::beep(); }

void TMainForm::AppendDisplayLine(std::string_view line) {
  QTextCursor c(DataMemo->document());
  c.movePosition(QTextCursor::End);
  if (lineCount_ > 0) c.insertBlock();
  const bool follow = DisplayAtEnd();
  c.insertText(Text(line));
  ++lineCount_;
  FollowEnd(follow);
}

void TMainForm::AppendDisplayLines(const vantrel::DisplayLines& lines) {
  if (lines.empty()) return;
  const QString text = Text(lines.Joined());
  const bool follow = DisplayAtEnd();
  DataMemo->setUpdatesEnabled(false);
  QTextCursor c(DataMemo->document());
  c.beginEditBlock();
  c.movePosition(QTextCursor::End);
  if (lineCount_ > 0) c.insertBlock();
  c.insertText(text);
  c.endEditBlock();
  lineCount_ += lines.size();
  FollowEnd(follow);
  DataMemo->setUpdatesEnabled(true);
}

void TMainForm::ClearDisplay() {
  DataMemo->clear();
  lineCount_ = 0;
  followedTo_ = 0;
  TraceLines->Reset();
  picked_ = {};
  ++find_.generation;  // a find under way has lost its lines
  find_.left = 0;
  QWidget* shown = Whole() ? static_cast<QWidget*>(TraceList) : DataMemo;
  if (DisplayStack->currentWidget() != shown) {
    const bool focused = DisplayStack->currentWidget()->hasFocus();
    DisplayStack->setCurrentWidget(shown);
    if (focused) shown->setFocus();
  }
}

void TMainForm::WholeTraceGrew() {
  const bool follow = DisplayAtEnd();
  TraceLines->Grew();
  FollowEnd(follow);
}

QScrollBar* TMainForm::DisplayBar() const {
  return Whole() ? TraceList->verticalScrollBar() : DataMemo->verticalScrollBar();
}

// The display follows new lines while it shows the end, however the user got
// there (the bar, the wheel, Page Down, Ctrl+End), and stops while the user
// reads further back.
bool TMainForm::DisplayAtEnd() const {
  // The bar's range can grow after lines come in: still where the display
  // last followed to counts as the end.
  const QScrollBar* bar = DisplayBar();
  return bar->value() >= bar->maximum() || bar->value() == followedTo_;
}

void TMainForm::FollowEnd(bool follow) {
  QScrollBar* bar = DisplayBar();
  if (follow) bar->setValue(bar->maximum());
  followedTo_ = follow ? bar->value() : -1;
}

void TMainForm::DeleteFirstDisplayLines(std::size_t count) {
  if (count == 0) return;
  if (count >= lineCount_) {
    ClearDisplay();
    return;
  }
  QTextDocument* doc = DataMemo->document();
  DataMemo->setUpdatesEnabled(false);
  QTextCursor c(doc);
  c.setPosition(0);
  c.setPosition(doc->findBlockByNumber(static_cast<int>(count)).position(), QTextCursor::KeepAnchor);
  QScrollBar* bar = DataMemo->verticalScrollBar();
  const int at = bar->value();
  const bool follow = DisplayAtEnd();
  c.removeSelectedText();
  lineCount_ -= count;
  // A user reading back keeps the same lines in view.
  if (!follow) bar->setValue(std::max(0, at - static_cast<int>(count)));
  FollowEnd(follow);
  DataMemo->setUpdatesEnabled(true);
}

QStringList TMainForm::WholeLines(std::size_t first, std::size_t last) const {
  QStringList lines;
  for (std::size_t i = first; i <= last && i < vantrel::gWholeTrace.LineCount(); ++i) {
    const std::string_view line = vantrel::gWholeTrace.Line(i);
    lines << QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size()));
  }
  return lines;
}

bool TMainForm::WholeLinesFit(std::size_t count, const char* what) {
  // Ten million lines would take gigabytes as text and minutes to lay out.
  constexpr std::size_t kMaxLines = 1'000'000;
  if (count <= kMaxLines) return true;
  ui::Dialogs().Message(this,
                        QString("Too Many Lines\n\n%1 takes up to 1,000,000 lines at a time. A display file "
                                "(Setup | Open Display File for Write) keeps a whole trace as text.")
                            .arg(what),
                        what);
  return false;
}

QStringList TMainForm::WholeSelectedLines() const {
  QStringList lines;
  for (const auto& [first, last] : WholeSelection()) lines << WholeLines(first, last);
  return lines;
}

std::size_t TMainForm::WholeSelectionCount() const {
  std::size_t n = 0;
  for (const auto& [first, last] : WholeSelection()) n += static_cast<std::size_t>(last - first) + 1;
  return n;
}

std::vector<std::pair<int, int>> TMainForm::WholeSelection() const {
  std::vector<std::pair<int, int>> ranges;
  for (const QItemSelectionRange& r : TraceList->selectionModel()->selection()) ranges.emplace_back(r.top(), r.bottom());
  std::sort(ranges.begin(), ranges.end());
  if (ranges.empty() && TraceList->currentIndex().isValid())
    ranges.emplace_back(TraceList->currentIndex().row(), TraceList->currentIndex().row());
  return ranges;
}

QStringList TMainForm::DisplayLines() const {
  if (Whole()) return vantrel::gWholeTrace.LineCount() == 0 ? QStringList() : WholeLines(0, vantrel::gWholeTrace.LineCount() - 1);
  if (lineCount_ == 0) return {};
  return DataMemo->toPlainText().split(QLatin1Char('\n'));
}

void TMainForm::ShowTraceMode(vantrel::TraceMode mode) {
  const vantrel::TraceControls c = vantrel::TraceControlsOf(mode);
  TraceButton->setText(c.traceCaption);
  TraceButton->setToolTip(QString::fromLatin1(c.traceHint) + " (F5)");
  TraceButton->setEnabled(c.traceEnabled);
  HaltButton->setEnabled(c.haltEnabled);
  MenuSetup->menuAction()->setEnabled(c.setupEnabled);
  MenuItem("MenuViewBusStatus")->setEnabled(c.setupEnabled);
  // Like Setup's trace files, chosen only between traces.
  MenuItem("MenuFileImport")->setEnabled(c.setupEnabled);
  MenuItem("MenuFileExport")->setEnabled(c.setupEnabled);
  if (c.focus == vantrel::TraceControls::Trace) TraceButton->setFocus();
  if (c.focus == vantrel::TraceControls::Halt) HaltButton->setFocus();
}

void TMainForm::SetDisplayContextMenu(bool enabled) {
  MenuItem("PopupShowTiming")->setEnabled(enabled);
  MenuItem("PopupShowDiagnostics")->setEnabled(enabled);
}

void TMainForm::SetBandwidth(int percent, std::string_view label) {
  ProgressBar1->setValue(percent);
  BWLabel->setText(Text(label));
}

void TMainForm::SetLogWriteMenuEnabled(bool enabled) { MenuItem("MenuSetupLogWrite")->setEnabled(enabled); }

void TMainForm::LogReadSelectionCleared() {
  QAction* read = MenuItem("MenuSetupLogRead");
  read->setText("Open Log File for &Read...");
  read->setEnabled(true);
  read->setVisible(true);
  MenuItem("MenuSetupLogWrite")->setVisible(true);
}

void TMainForm::TraceStatusStarted() { TraceStatus->Initialize(); }
void TMainForm::TraceStatusRefresh() { TraceStatus->Update(); }
void TMainForm::TraceStatusFinished() { TraceStatus->Finish(); }

void TMainForm::SetDisplayTimerEnabled(bool enabled) {
  if (enabled) {
    if (!DataMemoUpdate->isActive()) DataMemoUpdate->start();
  } else {
    DataMemoUpdate->stop();
  }
}

void TMainForm::StartTraceClickTimer() { TraceClickTimer->start(); }

void TMainForm::WaitMilliseconds(int ms) { QThread::msleep(static_cast<unsigned long>(ms)); }

void TMainForm::PostToMainThread(std::function<void()> fn) {
  QMetaObject::invokeMethod(this, std::move(fn), Qt::QueuedConnection);
}

// ---- buttons and timers --------------------------------------------------------

void TMainForm::TraceButtonClick() { vantrel::TraceButtonClick(); }
void TMainForm::HaltButtonClick() { vantrel::HaltButtonClick(); }
void TMainForm::ClearDisplayButtonClick() { vantrel::ClearDisplayButtonClick(); }
void TMainForm::TraceClickTimerTimer() { vantrel::TraceClickTimerTimer(); }

void TMainForm::DataMemoUpdateTimer() {
  const auto start = std::chrono::steady_clock::now();
  vantrel::DataMemoUpdateTimer();
  const auto took = std::chrono::steady_clock::now() - start;
  ++tickStats_.ticks;
  tickStats_.total += took;
  if (took > tickStats_.longest) tickStats_.longest = std::chrono::duration_cast<std::chrono::nanoseconds>(took);
}

void TMainForm::LoadSettingsTimer() {
  if (SpoolSetup == nullptr) return;
  LoadSettings->stop();
  MenuSetupSettingsLoadClick();
  if (!options_.startupLog.isEmpty()) {
    StartupReplay();
  } else if (options_.aboutAtStart) {
    MenuHelpAboutClick();
  }
}

void TMainForm::StartupReplay() {
  vantrel::gTraceFiles.logReadName = QFileInfo(options_.startupLog).absoluteFilePath().toStdString();
  MenuItem("MenuSetupLogRead")->setText("Close Log File for Read");
  MenuItem("MenuSetupLogWrite")->setVisible(false);
  vantrel::TraceButtonClick();
}

void TMainForm::TraceStatusPanelClick() { MenuViewTraceStatusClick(); }

void TMainForm::DataProtocolClick(DataProtocol protocol) {
  vantrel::SelectDataProtocol(protocol);
  ShowDisplayOptions();
}

void TMainForm::DataMemoContextPopup(const QPoint& at) {
  // Copy is there at any time; the message views only after a halt.
  PopupMenu1->popup((Whole() ? TraceList->viewport() : DataMemo->viewport())->mapToGlobal(at));
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ToolTip && !vantrel::gWindowOptions.ShowHints) return true;
  if (watched == DataMemo && event->type() == QEvent::KeyPress) {
    // Ctrl+End stops a line short of the bar's end; it means the end.
    const auto* key = static_cast<const QKeyEvent*>(event);
    if (key->matches(QKeySequence::MoveToEndOfDocument) || key->matches(QKeySequence::SelectEndOfDocument)) {
      QTimer::singleShot(0, this, [this] { FollowEnd(true); });
    }
  }
  if (watched == TraceStatusPanel && event->type() == QEvent::MouseButtonRelease) {
    TraceStatusPanelClick();
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

void TMainForm::closeEvent(QCloseEvent* event) {
  if (!closed_) {
    closed_ = true;
    vantrel::MainWindowClose();
  }
  event->accept();
}

// ---- menus --------------------------------------------------------------------

QPrinter& TMainForm::Printer() {
  if (!printer_) printer_ = std::make_unique<QPrinter>();
  return *printer_;
}

void TMainForm::MenuFilePrinterSetupClick() {
  if (!ui::PrinterInstalled()) {
    ui::Dialogs().Message(this, "No Printer Installed\n\nPrint writes a PDF file instead, on the pages set up here.",
                          "Printer Setup");
  }
  QPageSetupDialog dialog(&Printer(), this);
  ui::Dialogs().RunModal(dialog);
}

void TMainForm::MenuFilePrintClick() {
  const QString text = Whole() ? QString() : DataMemo->toPlainText();
  if (Whole() ? vantrel::gWholeTrace.LineCount() == 0 : text.trimmed().isEmpty()) {
    ui::Dialogs().Message(this, "Nothing to Print\n\nThe display is empty.", "Print");
    return;
  }
  const QTextCursor selection = DataMemo->textCursor();
  const bool selected = Whole() ? !TraceList->selectionModel()->selection().isEmpty() : selection.hasSelection();
  QPrintDialog dialog(&Printer(), this);
  dialog.setOption(QAbstractPrintDialog::PrintSelection, true);
  dialog.setOption(QAbstractPrintDialog::PrintToFile, false);
  dialog.setPrintRange(selected ? QAbstractPrintDialog::Selection : QAbstractPrintDialog::AllPages);
  if (ui::Dialogs().RunModal(dialog) != QDialog::Accepted) return;
  const bool selectionOnly = dialog.printRange() == QAbstractPrintDialog::Selection && selected;
  if (Whole() && !WholeLinesFit(selectionOnly ? WholeSelectionCount() : vantrel::gWholeTrace.LineCount(), "Print"))
    return;
  QStringList lines;
  if (!Whole()) {
    lines = ui::LinesToPrint(text, selectionOnly, selection.selectionStart(), selection.selectionEnd());
  } else if (selectionOnly) {
    lines = WholeSelectedLines();
  } else {
    lines = WholeLines(0, vantrel::gWholeTrace.LineCount() - 1);
  }
  // With no printer installed the dialog offers none to choose.
  if (!ui::PrinterChosen(Printer())) {
    ui::PrintToPdf(this, lines, DataMemo->font(), Printer().pageLayout());
  } else if (ui::PrintLines(Printer(), lines, DataMemo->font()) == 0) {
    ui::Dialogs().Message(this, "Cannot Print", "Print Error");
  }
}

void TMainForm::MenuFileExitClick() { close(); }

void TMainForm::MenuSetupPodInterfaceClick() {
  if (vantrel::PodInitialized) vantrel::gPod.ReleaseInterface();
  vantrel::PodInitialized = false;
  Portsel->FormShow();
  ui::Dialogs().RunModal(*Portsel);
}

void TMainForm::MenuSetupSpoolClick() {
  SpoolSetup->ShowChoice();
  ui::Dialogs().RunModal(*SpoolSetup);
}

void TMainForm::ChooseLogFile(bool forRead) {
  QAction* self = MenuItem(forRead ? "MenuSetupLogRead" : "MenuSetupLogWrite");
  QAction* other = MenuItem(forRead ? "MenuSetupLogWrite" : "MenuSetupLogRead");
  std::string& name = forRead ? vantrel::gTraceFiles.logReadName : vantrel::gTraceFiles.logWriteName;
  if (!name.empty()) {
    name.clear();
    self->setText(forRead ? "Open Log File for &Read..." : "Open Log File for &Write...");
    self->setVisible(true);
    other->setVisible(true);
    return;
  }
  ui::FileDialogRequest request;
  request.title = forRead ? "Open Log File for Read" : "Open Log File for Write";
  request.folder = QString::fromStdString(platform::DataFolder());
  request.defaultSuffix = "log";
  request.defaultName = "Vantrel.log";
  request.filter = "Log Files (*.log)";
  request.forWrite = !forRead;
  const QString chosen = ui::Dialogs().FileName(this, request);
  if (chosen.isEmpty()) return;
  // A file that is no log is refused now, before a Trace empties the display.
  if (forRead && !vantrel::LogFile::CheckForRead(chosen.toStdString())) return;
  if (forRead) {
    ReplayLog(chosen.toStdString());
    return;
  }
  name = chosen.toStdString();
  self->setText("Close Log File for Write");
  other->setVisible(false);
}

void TMainForm::ReplayLog(const std::string& path) {
  vantrel::gTraceFiles.logReadName = path;
  MenuItem("MenuSetupLogRead")->setText("Close Log File for Read");
  MenuItem("MenuSetupLogWrite")->setVisible(false);
  vantrel::TraceButtonClick();
}

void TMainForm::MenuFileImportClick() {
  if (vantrel::gTrace.TraceRunning || !vantrel::gTraceFiles.logReadName.empty()) {
    ui::Dialogs().Message(this, "Halt the trace and close the log file for read first.", "Import Logic Capture");
    return;
  }
  ui::FileDialogRequest request;
  request.title = "Import Logic Capture";
  request.folder = QString::fromStdString(dataFolder_);
  request.defaultSuffix = "sr";
  request.filter = "Logic Captures (*.sr *.vcd *.csv);;All Files (*)";
  const QString capture = ui::Dialogs().FileName(this, request);
  if (capture.isEmpty()) return;
  const std::string path = QFile::encodeName(capture).toStdString();
  // The channels and the rate first, for the window.
  std::vector<std::string> channels;
  std::uint64_t rate = 0;
  bool seen = false;
  vantrel::LogicSource probe;
  probe.started = [&](std::uint64_t r, const std::vector<std::string>& c) {
    channels = c;
    rate = r;
    seen = true;
    return false;
  };
  probe.samples = [](const std::uint8_t*, std::uint64_t, unsigned) {};
  const std::string error = vantrel::ReadLogicFile(path, "", probe);
  if (!seen) {
    ui::Dialogs().Message(this, Text(error.empty() ? "The capture holds no logic samples" : error) + "\n\n" + capture,
                          "Import Error");
    return;
  }
  Import->FormShow(capture, channels, rate);
  if (ui::Dialogs().RunModal(*Import) != QDialog::Accepted) return;
  std::vector<vantrel::TraceWord> words;
  const vantrel::LogicImportResult r =
      vantrel::ImportLogicCapture(path, Import->Options(), [&](vantrel::TraceWord w) { words.push_back(w); });
  if (!r.ok) {
    ui::Dialogs().Message(this, Text(r.error) + "\n\n" + capture, "Import Error");
    return;
  }
  // The words are kept as a log of their own, replayed like any other.
  ui::FileDialogRequest save;
  save.title = "Save Imported Trace As";
  save.folder = QString::fromStdString(dataFolder_);
  save.defaultSuffix = "log";
  save.defaultName = QFileInfo(capture).completeBaseName() + ".log";
  save.filter = "Log Files (*.log)";
  save.forWrite = true;
  const QString log = ui::Dialogs().FileName(this, save);
  if (log.isEmpty()) return;
  const std::string logPath = QFile::encodeName(log).toStdString();
  try {
    vantrel::LogWriter writer(logPath, vantrel::FileStampNow(), userName_);
    for (vantrel::TraceWord w : words) writer.Write(w);
    writer.Close(vantrel::FileStampNow());
  } catch (const std::exception&) {
    ui::Dialogs().Message(this, "Cannot Write to Log File\n\n" + log, "Import Error");
    return;
  }
  ReplayLog(logPath);
}

void TMainForm::MenuSetupLogWriteClick() { ChooseLogFile(false); }
void TMainForm::MenuSetupLogReadClick() { ChooseLogFile(true); }

void TMainForm::MenuSetupDisplayFileWriteClick() {
  QAction* self = MenuItem("MenuSetupDisplayFileWrite");
  std::string& name = vantrel::gTraceFiles.displayFileName;
  if (!name.empty()) {
    name.clear();
    self->setText("Open Display File for Write...");
    return;
  }
  ui::FileDialogRequest request;
  request.title = "Open Display File for Write";
  request.folder = QString::fromStdString(platform::DataFolder());
  request.defaultSuffix = "txt";
  request.defaultName = "Vantrel.txt";
  request.filter = "Text Files (*.txt)";
  request.forWrite = true;
  const QString chosen = ui::Dialogs().FileName(this, request);
  if (chosen.isEmpty()) return;
  name = chosen.toStdString();
  self->setText("Close Display File (" + Literal(QFileInfo(chosen).fileName()) + ")");
}

// As the display file: chosen before a trace, written while it runs.
void TMainForm::MenuFileExportClick() {
  QAction* self = MenuItem("MenuFileExport");
  std::string& name = vantrel::gTraceFiles.pcapngFileName;
  if (!name.empty()) {
    name.clear();
    self->setText("&Export Trace...");
    return;
  }
  ui::FileDialogRequest request;
  request.title = "Export Trace";
  request.folder = QString::fromStdString(dataFolder_);
  request.defaultSuffix = "pcapng";
  request.defaultName = "Vantrel.pcapng";
  request.filter = "pcapng Files (*.pcapng)";
  request.forWrite = true;
  const QString chosen = ui::Dialogs().FileName(this, request);
  if (chosen.isEmpty()) return;
  name = QFile::encodeName(chosen).toStdString();
  self->setText("Close Export File (" + Literal(QFileInfo(chosen).fileName()) + ")");
}

void TMainForm::MenuSetupDisplayFileReadClick() {
  ui::FileDialogRequest request;
  request.title = "Open Display File for Read";
  request.folder = QString::fromStdString(platform::DataFolder());
  request.defaultSuffix = "txt";
  request.defaultName = "Vantrel.txt";
  request.filter = "Text Files (*.txt)";
  const QString chosen = ui::Dialogs().FileName(this, request);
  if (!chosen.isEmpty()) ui::OpenOrReport(this, QUrl::fromLocalFile(chosen));
}

void TMainForm::MenuSetupInitializePodClick() {
  PodForm->FormActivate();
  ui::Dialogs().RunModal(*PodForm);
}

// The settings file's Save and Load come with the settings file itself.
void TMainForm::MenuSetupSettingsSaveClick() { vantrel::SaveSettingsFile(dataFolder_ + vantrel::kSettingsFileName); }

void TMainForm::MenuSetupSettingsLoadClick() {
  vantrel::LoadSettings(dataFolder_);
  ShowSettings();
}

void TMainForm::MenuSetupSettingsRestoreClick() { RestoreDefaults(); }

void TMainForm::MenuSetupThresholdClick() {
  Thres->FormShow();
  ui::Dialogs().RunModal(*Thres);
}

void TMainForm::MenuSetupTraceControlClick() {
  ui::ShowWindow(TraceControl);
}

void TMainForm::MenuSetupTriggerOutClick() {
  ui::ShowWindow(TriggerOut);
}

void TMainForm::MenuSetupDiagnosticsClick() {
  vantrel::EmptyDisplay();
  vantrel::AppendDisplayNote("Vantrel");
  vantrel::AppendDisplayNote("System Diagnostics Support");
  vantrel::AppendDisplayNote("");
  vantrel::AppendDisplayNote(platform::OsVersionLine());
  if (vantrel::PodInitialized) vantrel::gPod.ReleaseInterface();
  vantrel::PodInitialized = false;
  vantrel::AppendDisplayNote("");
  vantrel::AppendDisplayNote("Available Pod Interfaces:");
  std::vector<std::string> lines;
  const bool found = vantrel::ListPodInterfaces(lines);
  for (const std::string& l : lines) vantrel::AppendDisplayNote(l);
  vantrel::AppendDisplayNote("");
  vantrel::AppendDisplayNote("Testing Pod Interface:");
  if (!found) {
    vantrel::AppendDisplayNote("Pod Interface NOT FOUND!");
    return;
  }
  MenuSetupInitializePodClick();
  if (!vantrel::PodInitialized) {
    vantrel::AppendDisplayNote("Pod Test INCOMPLETE!");
    return;
  }
  vantrel::AppendDisplayNote(std::string("Pod Status = ") + (vantrel::gPod.PodDetected() ? "OK" : "NOT DETECTED"));
  vantrel::gPod.ReleaseInterface();
  vantrel::PodInitialized = false;
}

void TMainForm::MenuOptionsShowHintsClick() {
  vantrel::gWindowOptions.ShowHints = MenuItem("MenuOptionsShowHints")->isChecked();
}

void TMainForm::MenuOptionsKeepWholeTraceClick() {
  vantrel::gTraceOptions.KeepWholeTrace = MenuItem("MenuOptionsKeepWholeTrace")->isChecked();
  // The display keeps what it shows until it is emptied anyway.
  if (vantrel::gTraceOptions.KeepWholeTrace != Whole())
    statusBar()->showMessage("Keep Whole Trace takes effect with the next trace or Clear Display", 5000);
}

// Every control whole (the bottom panel keeps its size hint), and eight
// lines of the display in its font.
void TMainForm::FitDisplayMinimum() {
  DataMemo->setMinimumHeight(DataMemo->fontMetrics().lineSpacing() * 8 + 2 * DataMemo->frameWidth() +
                             DataMemo->horizontalScrollBar()->sizeHint().height());
}

void TMainForm::MenuOptionsSetFontClick() {
  bool ok = false;
  const QFont font = QFontDialog::getFont(&ok, DataMemo->font(), this);
  if (ok) ApplyDisplayFont(font);
}

void TMainForm::ApplyDisplayFont(const QFont& font) {
  DataMemo->setFont(font);
  TraceList->setFont(font);
  RTViewer->Memo->setFont(font);
  FitDisplayMinimum();
}

void TMainForm::MenuOptionsPodSimulatorClick() {
  ui::ShowWindow(PodSimulator);
}

void TMainForm::MenuViewByteModeClick() {
  ui::ShowWindow(RTViewer);
}

void TMainForm::MenuViewTraceStatusClick() {
  ui::ShowWindow(TraceStatus);
}

void TMainForm::MenuViewBusStatusClick() {
  if (!vantrel::PodInitialized) MenuSetupInitializePodClick();
  if (vantrel::PodInitialized) ui::Dialogs().RunModal(*ViewStatus);
}

void TMainForm::MenuViewActivityChartClick() {
  ui::ShowWindow(Activity);
}

void TMainForm::MenuViewMessageDetailClick() {
  ui::ShowWindow(Detail);
}

void TMainForm::StatisticsStarted() {
  Activity->Reset();
  Detail->Start();
}

void TMainForm::StatisticsStopped() {
  Detail->Stop();
  Activity->Stop();
}

std::optional<vantrel::MessageNumber> TMainForm::SelectMessage() {
  if (Whole()) {
    const QModelIndex current = TraceList->currentIndex();
    const std::size_t row = current.isValid() ? static_cast<std::size_t>(current.row()) : 0;
    const std::optional<vantrel::MessageNumber> n =
        current.isValid() ? vantrel::MessageNumberOfLine(vantrel::gWholeTrace.Line(row)) : std::nullopt;
    const std::optional<std::size_t> message = vantrel::gWholeTrace.MessageOfLine(row);
    if (!n || !message) {
      ui::Dialogs().Message(this, "Message Number not found", "Message Error");
      return std::nullopt;
    }
    // The parser thread may still add messages while a replay is paused.
    vantrel::TimedMutex* m = vantrel::gTrace.TraceRunning ? vantrel::gTrace.MsgTrackingMutex.get() : nullptr;
    if (m != nullptr && !m->try_lock_for(std::chrono::milliseconds(500))) {
      ui::Dialogs().Message(this, "Message Data Busy, Try Again", "Message Error");
      return std::nullopt;
    }
    picked_ = vantrel::gWholeTrace.Message(*message);
    if (m != nullptr) m->unlock();
    TraceList->selectionModel()->select(current, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    TraceList->scrollTo(current);
    return n;
  }
  QTextCursor cursor = DataMemo->textCursor();
  const std::optional<vantrel::MessageNumber> n =
      vantrel::MessageNumberOfLine(cursor.block().text().toLatin1().toStdString());
  if (!n) {
    ui::Dialogs().Message(this, "Message Number not found", "Message Error");
    return std::nullopt;
  }
  cursor.movePosition(QTextCursor::StartOfBlock);
  cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
  DataMemo->setTextCursor(cursor);
  DataMemo->ensureCursorVisible();
  return n;
}

vantrel::MessageTablesView TMainForm::PickedTables() const {
  return Whole() ? picked_.View() : vantrel::MessageTablesNow();
}

void TMainForm::ShowMessageTiming() {
  const std::optional<vantrel::MessageNumber> n = SelectMessage();
  if (!n) return;
  BTiming->Select(*n, PickedTables());
  ui::Dialogs().RunModal(*BTiming);
}

void TMainForm::ShowMessageDiagnostics() {
  const std::optional<vantrel::MessageNumber> n = SelectMessage();
  if (!n) return;
  RawData->Select(*n, PickedTables());
  ui::Dialogs().RunModal(*RawData);
}

void TMainForm::MenuHelpOnlineClick() { ui::OpenOrReport(this, QUrl(ui::kResourcesPage)); }

void TMainForm::MenuHelpRevisionReportClick() {
  ui::ShowWindow(RevRprt);
}

void TMainForm::MenuHelpAboutClick() { ui::Dialogs().RunModal(*About); }

void TMainForm::MenuSetupSBSRevisionClick() {
  SBSRev->ShowRevisions();
  ui::Dialogs().RunModal(*SBSRev);
  // OK or Cancel: PEC is there only under SMBus 1.1, and only for SBS.
  DisplayOptions& d = vantrel::gDisplay;
  if (vantrel::gRevisions.SMBusRev < 1) {
    d.PECEnabled = false;
  } else if (d.Protocol == vantrel::DataProtocol::SBS) {
    d.PECEnabled = true;
  }
  ShowDisplayOptions();
}

// ---- find, copy, status bar ----------------------------------------------------

void TMainForm::BuildFindBar() {
  FindBar = new QWidget(this);
  FindBar->setObjectName("FindBar");
  auto* row = new QHBoxLayout(FindBar);
  row->setContentsMargins(0, 0, 0, 0);
  FindEdit = new QLineEdit(FindBar);
  FindEdit->setObjectName("FindEdit");
  FindEdit->setPlaceholderText("Find in the trace display");
  FindCase = new QCheckBox("Match &case", FindBar);
  FindCase->setObjectName("FindCase");
  auto* next = new QPushButton("&Next", FindBar);
  next->setToolTip("find the next match (F3)");
  auto* previous = new QPushButton("&Previous", FindBar);
  previous->setToolTip("find the previous match (Shift+F3)");
  auto* close = new QToolButton(FindBar);
  close->setText("x");
  close->setToolTip("close the find bar (Esc)");
  row->addWidget(new QLabel("Find:", FindBar));
  row->addWidget(FindEdit, 1);
  row->addWidget(FindCase);
  row->addWidget(next);
  row->addWidget(previous);
  row->addWidget(close);
  FindBar->hide();
  connect(FindEdit, &QLineEdit::returnPressed, this, [this] { FindNext(false); });
  connect(next, &QPushButton::clicked, this, [this] { FindNext(false); });
  connect(previous, &QPushButton::clicked, this, [this] { FindNext(true); });
  connect(close, &QToolButton::clicked, this, [this] {
    FindBar->hide();
    ++find_.generation;
    find_.left = 0;
    DisplayStack->currentWidget()->setFocus();
  });
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), FindBar);
  escape->setContext(Qt::WidgetWithChildrenShortcut);
  connect(escape, &QShortcut::activated, close, &QToolButton::click);
}

void TMainForm::MenuFindClick() {
  FindBar->show();
  const QString selected = Whole() ? QString() : DataMemo->textCursor().selectedText();
  if (!selected.isEmpty() && !selected.contains(QChar::ParagraphSeparator)) FindEdit->setText(selected);
  FindEdit->setFocus();
  FindEdit->selectAll();
}

void TMainForm::FindNext(bool backward) {
  const QString text = FindEdit->text();
  if (text.isEmpty()) {
    MenuFindClick();
    return;
  }
  if (Whole()) {
    FindWhole(text, backward);
    return;
  }
  QTextDocument::FindFlags flags;
  if (backward) flags |= QTextDocument::FindBackward;
  if (FindCase->isChecked()) flags |= QTextDocument::FindCaseSensitively;
  if (DataMemo->find(text, flags)) {
    statusBar()->clearMessage();
    return;
  }
  // Not found before the end: go round once.
  QTextCursor from(DataMemo->document());
  from.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
  const QTextCursor found = DataMemo->document()->find(text, from, flags);
  if (found.isNull()) {
    QApplication::beep();
    statusBar()->showMessage("\"" + text + "\" not found", 5000);
    return;
  }
  DataMemo->setTextCursor(found);
  DataMemo->ensureCursorVisible();
  statusBar()->showMessage(backward ? "Passed the top of the display, continued from the end"
                                    : "Passed the end of the display, continued from the top",
                           5000);
}

void TMainForm::FindWhole(const QString& text, bool backward) {
  const std::size_t count = vantrel::gWholeTrace.LineCount();
  find_.text = text;
  find_.pattern = text.toLatin1().toStdString();
  find_.matchCase = FindCase->isChecked();
  find_.backward = backward;
  find_.wrapped = false;
  find_.count = find_.left = count;
  const std::uint64_t generation = ++find_.generation;
  if (count == 0) {
    StepFind(generation);
    return;
  }
  // From the line after (before) the current one, or from the lines in sight.
  const QModelIndex current = TraceList->currentIndex();
  const std::size_t top = static_cast<std::size_t>(TraceList->verticalScrollBar()->value());
  if (!current.isValid()) {
    const std::size_t rows = static_cast<std::size_t>(TraceList->viewport()->height() / TraceList->RowHeight());
    find_.next = backward ? std::min(count - 1, top + std::max<std::size_t>(rows, 1) - 1) : std::min(top, count - 1);
  } else {
    const std::size_t row = static_cast<std::size_t>(current.row());
    find_.next = backward ? (row == 0 ? count - 1 : row - 1) : (row + 1 >= count ? 0 : row + 1);
    find_.wrapped = backward ? row == 0 : row + 1 >= count;
  }
  StepFind(generation);
}

void TMainForm::StepFind(std::uint64_t generation) {
  constexpr std::size_t kSliceLines = 250'000;  // a few milliseconds
  if (generation != find_.generation || find_.left == 0) {
    if (generation == find_.generation) {
      QApplication::beep();
      statusBar()->showMessage("\"" + find_.text + "\" not found", 5000);
    }
    return;
  }
  FindJob& f = find_;
  const std::size_t toEdge = f.backward ? f.next + 1 : f.count - f.next;
  const std::size_t n = std::min({kSliceLines, toEdge, f.left});
  const std::optional<std::size_t> found = vantrel::gWholeTrace.Find(f.pattern, f.matchCase, f.next, n, f.backward);
  if (found) {
    f.left = 0;
    const QModelIndex at = TraceLines->index(static_cast<int>(*found), 0);
    TraceList->selectionModel()->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    TraceList->scrollTo(at, QAbstractItemView::PositionAtCenter);
    if (f.wrapped) {
      statusBar()->showMessage(f.backward ? "Passed the top of the display, continued from the end"
                                          : "Passed the end of the display, continued from the top",
                               5000);
    } else {
      statusBar()->clearMessage();
    }
    return;
  }
  f.left -= n;
  if (n == toEdge) {
    f.next = f.backward ? f.count - 1 : 0;
    f.wrapped = true;
  } else {
    f.next = f.backward ? f.next - n : f.next + n;
  }
  if (f.left > 0) statusBar()->showMessage("Searching for \"" + f.text + "\"...");
  QTimer::singleShot(0, this, [this, generation] { StepFind(generation); });
}

void TMainForm::CopyDisplayLines() {
  QStringList lines;
  if (Whole()) {
    if (!WholeLinesFit(WholeSelectionCount(), "Copy")) return;
    lines = WholeSelectedLines();
    if (lines.isEmpty()) return;
  } else {
    // Whole lines, as Print takes them: from the line of the selection's
    // first character to the line of its last (a selection ending right
    // after a line break ends on that break's line), or the line under the
    // caret.
    const QTextCursor cursor = DataMemo->textCursor();
    QTextDocument* doc = DataMemo->document();
    const int start = cursor.selectionStart(), end = cursor.selectionEnd();
    const QTextBlock first = doc->findBlock(start);
    const QTextBlock last = doc->findBlock(end > start ? end - 1 : start);
    for (QTextBlock b = first; b.isValid(); b = b.next()) {
      lines << b.text();
      if (b == last) break;
    }
  }
  QGuiApplication::clipboard()->setText(lines.join('\n') + '\n');
  statusBar()->showMessage(QString("%1 line%2 copied").arg(lines.size()).arg(lines.size() == 1 ? "" : "s"), 3000);
}

void TMainForm::BuildStatusBar() {
  StatusMessages = new QLabel(this);
  StatusMessages->setObjectName("StatusMessages");
  StatusTime = new QLabel(this);
  StatusTime->setObjectName("StatusTime");
  StatusFile = new QLabel(this);
  StatusFile->setObjectName("StatusFile");
  // Not permanent: a passing note (find, copy) takes its place for a while.
  statusBar()->addWidget(StatusFile, 1);
  statusBar()->addPermanentWidget(StatusMessages);
  statusBar()->addPermanentWidget(StatusTime);
  StatusTimer = new QTimer(this);
  StatusTimer->setInterval(250);
  connect(StatusTimer, &QTimer::timeout, this, &TMainForm::StatusBarTimer);
  StatusTimer->start();
  StatusBarTimer();
}

void TMainForm::StatusBarTimer() {
  std::string messages = "Messages: ";
  const std::uint32_t high = vantrel::MsgNumberHigh(), low = vantrel::MsgNumberLow();
  if (high > 0) {
    vantrel::AppendGrouped(messages, high);
    messages += ',';
    vantrel::AppendGrouped9(messages, low);
  } else {
    vantrel::AppendGrouped(messages, low);
  }
  StatusMessages->setText(QString::fromLatin1(messages.c_str()));
  const vantrel::TraceClock c = vantrel::CurrentTraceClock();
  StatusTime->setText(QString("Trace Time: %1:%2:%3.%4")
                          .arg(c.hours)
                          .arg(c.minutes, 2, 10, QLatin1Char('0'))
                          .arg(c.micros / 1000000, 2, 10, QLatin1Char('0'))
                          .arg(c.micros % 1000000 / 1000, 3, 10, QLatin1Char('0')));
  const vantrel::TraceFiles& f = vantrel::gTraceFiles;
  QString file;
  if (!f.logReadName.empty()) file = "Replaying " + QFileInfo(QString::fromStdString(f.logReadName)).fileName();
  if (!f.logWriteName.empty()) file = "Logging to " + QFileInfo(QString::fromStdString(f.logWriteName)).fileName();
  StatusFile->setText(file);
}
