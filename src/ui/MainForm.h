// The main window: the trace display, the display options the decoder reads,
// the Trace, Halt and Clear Display buttons, the status panels and every menu.
// It is the core's MainWindowSeam; all other windows are opened from here.
#pragma once
#include <QMainWindow>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "decode/DisplayOptions.h"
#include "common/Reports.h"
#include "analysis/MessageViews.h"
#include "pipeline/MainWindowSeam.h"
#include "pipeline/WholeTrace.h"

class QAction;
class QButtonGroup;
class QCheckBox;
class QFont;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPrinter;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QStackedWidget;
class TraceLinesModel;
class TraceListView;
class QTimer;
class TAboutForm;
class TSBSRevForm;
class TActivityForm;
class TBTimingForm;
class TDetailForm;
class TRawDataForm;
class TImportForm;
class TUtilizationForm;
class TPodForm;
class TPortselForm;
class TRevRprtForm;
class TRTViewerForm;
class TSpoolSetupForm;
class TTraceStatusForm;
class TViewStatusForm;
class TThresForm;
class TTraceControlForm;
class TMatchForm;
class TPodSimulatorForm;

class TMainForm : public QMainWindow, public vantrel::MainWindowSeam, public vantrel::ReportSeam {
  Q_OBJECT

 public:
  struct Options {
    // The About window after the start-up settings load. Off for a replay
    // named on the command line and for tests, which must not be blocked.
    bool aboutAtStart = true;
    // Replayed once start-up is done, as if chosen with "Open Log File for Read...".
    QString startupLog;
  };
  explicit TMainForm(Options options);
  TMainForm() : TMainForm(Options{}) {}
  ~TMainForm() override;

  // Display tick timing, for the benchmark.
  struct TickStats {
    std::uint64_t ticks = 0;
    std::chrono::nanoseconds total{0};
    std::chrono::nanoseconds longest{0};
  };
  const TickStats& DisplayTickStats() const { return tickStats_; }
  QStringList DisplayLines() const;
  QAction* MenuItem(const char* name) const;
  // Options | Set Font's choice: the display and the Byte Mode Viewer.
  void ApplyDisplayFont(const QFont& font);
  const std::string& InstallationFolder() const { return installFolder_; }
  const std::string& DataFolder() const { return dataFolder_; }

  // ReportSeam
  void ShowMessage(std::string_view text, std::string_view title) override;
  bool AskOkCancel(std::string_view text, std::string_view title) override;
  std::string UserName() override { return userName_; }
  void Beep() override;

  // MainWindowSeam
  void AppendDisplayLine(std::string_view line) override;
  void AppendDisplayLines(const vantrel::DisplayLines& lines) override;
  void ClearDisplay() override;
  std::size_t DisplayLineCount() override { return lineCount_; }
  void DeleteFirstDisplayLines(std::size_t count) override;
  void WholeTraceGrew() override;
  void ShowTraceMode(vantrel::TraceMode mode) override;
  void SetDisplayContextMenu(bool enabled) override;
  void SetBandwidth(int percent, std::string_view label) override;
  void SetLogWriteMenuEnabled(bool enabled) override;
  void LogReadSelectionCleared() override;
  void RunInitializePodCommand() override { MenuSetupInitializePodClick(); }
  void TraceStatusStarted() override;
  void TraceStatusRefresh() override;
  void TraceStatusFinished() override;
  void StatisticsStarted() override;
  void StatisticsStopped() override;
  void SetDisplayTimerEnabled(bool enabled) override;
  void StartTraceClickTimer() override;
  void WaitMilliseconds(int ms) override;
  void PostToMainThread(std::function<void()> fn) override;
  void DisplayWork() override {}

  // Handlers.
  void TraceButtonClick();
  void HaltButtonClick();
  void ClearDisplayButtonClick();
  void DataMemoUpdateTimer();
  void TraceClickTimerTimer();
  void LoadSettingsTimer();
  void TraceStatusPanelClick();
  void DataProtocolClick(vantrel::DataProtocol protocol);
  void MenuFilePrinterSetupClick();
  void MenuFilePrintClick();
  void MenuFileExitClick();
  void MenuFileImportClick();
  void MenuFileExportClick();
  void MenuSetupPodInterfaceClick();
  void MenuSetupSpoolClick();
  void MenuSetupLogWriteClick();
  void MenuSetupLogReadClick();
  void MenuSetupDisplayFileWriteClick();
  void MenuSetupDisplayFileReadClick();
  void MenuSetupInitializePodClick();
  void MenuSetupSettingsSaveClick();
  void MenuSetupSettingsLoadClick();
  void MenuSetupSettingsRestoreClick();
  void MenuSetupDiagnosticsClick();
  void MenuOptionsShowHintsClick();
  void MenuOptionsKeepWholeTraceClick();
  void MenuOptionsSetFontClick();
  void MenuOptionsPodSimulatorClick();
  void MenuSetupThresholdClick();
  void MenuSetupTraceControlClick();
  void MenuSetupTriggerOutClick();
  void MenuViewByteModeClick();
  void MenuViewTraceStatusClick();
  void MenuViewBusStatusClick();
  void MenuViewActivityChartClick();
  void MenuViewMessageDetailClick();
  // The display's context menu: the message on the caret's line.
  void ShowMessageTiming();
  void ShowMessageDiagnostics();
  // The message line under the caret, selected and scrolled into view;
  // nothing (after "Message Number not found") on any other line.
  std::optional<vantrel::MessageNumber> SelectMessage();
  void MenuHelpOnlineClick();
  void MenuHelpRevisionReportClick();
  void MenuHelpAboutClick();
  void MenuSetupSBSRevisionClick();
  void DataMemoContextPopup(const QPoint& at);
  void BuildFindBar();
  void BuildStatusBar();
  void FitDisplayMinimum();
  // Replays the log as Setup | Open Log File for Read does once it is chosen.
  void ReplayLog(const std::string& path);
  bool DisplayAtEnd() const;
  void FollowEnd(bool follow);
  // Find in the trace display (Ctrl+F, F3, Shift+F3) and Copy.
  void MenuFindClick();
  void FindNext(bool backward);
  // Whether a find in the whole trace is still under way.
  bool Finding() const { return find_.left > 0; }
  void CopyDisplayLines();
  void StatusBarTimer();

  // The controls read from gDisplay (after a settings change).
  void ShowDisplayOptions();

  QPlainTextEdit* DataMemo = nullptr;
  // Keep Whole Trace's display, in DataMemo's place while the trace is kept whole.
  TraceListView* TraceList = nullptr;
  TraceLinesModel* TraceLines = nullptr;
  QStackedWidget* DisplayStack = nullptr;
  QMenu* PopupMenu1 = nullptr;
  QPushButton* TraceButton = nullptr;
  QPushButton* HaltButton = nullptr;
  QPushButton* ClearDisplayButton = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QLabel* BWLabel = nullptr;
  QLabel* TraceStatusPanel = nullptr;
  QMenu* MenuSetup = nullptr;
  QMenu* MenuUser = nullptr;
  QTimer* DataMemoUpdate = nullptr;
  QTimer* TraceClickTimer = nullptr;
  QWidget* FindBar = nullptr;
  QLineEdit* FindEdit = nullptr;
  QCheckBox* FindCase = nullptr;
  QLabel* StatusMessages = nullptr;
  QLabel* StatusTime = nullptr;
  QLabel* StatusFile = nullptr;
  QTimer* StatusTimer = nullptr;
  QTimer* LoadSettings = nullptr;
  std::map<std::string, QCheckBox*> OptionBoxes;  // by settings key
  std::map<vantrel::DataProtocol, QRadioButton*> ProtocolButtons;

  TTraceStatusForm* TraceStatus = nullptr;
  TSpoolSetupForm* SpoolSetup = nullptr;
  TRTViewerForm* RTViewer = nullptr;
  TRevRprtForm* RevRprt = nullptr;
  TAboutForm* About = nullptr;
  TSBSRevForm* SBSRev = nullptr;
  TPortselForm* Portsel = nullptr;
  TPodForm* PodForm = nullptr;
  TViewStatusForm* ViewStatus = nullptr;
  TThresForm* Thres = nullptr;
  TTraceControlForm* TraceControl = nullptr;
  TMatchForm* TriggerOut = nullptr;
  TPodSimulatorForm* PodSimulator = nullptr;
  TDetailForm* Detail = nullptr;
  TActivityForm* Activity = nullptr;
  TUtilizationForm* Utilization = nullptr;
  TBTimingForm* BTiming = nullptr;
  TRawDataForm* RawData = nullptr;
  TImportForm* Import = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildDisplay();
  void BuildControls(QWidget* bottom);
  void BuildMenus();
  QAction* Item(QMenu* menu, const char* name, const char* caption, void (TMainForm::*handler)() = nullptr,
                const char* hint = nullptr);
  void WriteWelcomeText();
  void ChooseLogFile(bool forRead);
  void StartupReplay();
  void RestoreDefaults();
  // Every control and window that shows an option, after a settings load or reset.
  void ShowSettings();
  bool Whole() const { return vantrel::gWholeTrace.Active(); }
  QScrollBar* DisplayBar() const;  // the shown display's vertical bar
  // Lines [first, last] of the whole trace.
  QStringList WholeLines(std::size_t first, std::size_t last) const;
  // The whole trace's selected rows as [first, last] ranges; the current
  // row when nothing is selected.
  std::vector<std::pair<int, int>> WholeSelection() const;
  std::size_t WholeSelectionCount() const;
  QStringList WholeSelectedLines() const;
  // Copy and Print take a bounded number of lines; false (and a message) past it.
  bool WholeLinesFit(std::size_t count, const char* what);
  // The tables the message views read: the picked message's own while the
  // trace is kept whole.
  vantrel::MessageTablesView PickedTables() const;
  // Find in the whole trace, a slice of lines at a time between events, so
  // that a search of millions of lines never stops the window.
  void FindWhole(const QString& text, bool backward);
  void StepFind(std::uint64_t generation);
  struct FindJob {
    QString text;
    std::string pattern;
    bool matchCase = false, backward = false, wrapped = false;
    std::size_t next = 0;   // the next line to search
    std::size_t left = 0;   // lines still to search; 0: no find under way
    std::size_t count = 0;  // the lines there were when it began
    std::uint64_t generation = 0;
  } find_;

  Options options_;
  std::string installFolder_, dataFolder_, userName_;
  std::size_t lineCount_ = 0;
  int followedTo_ = 0;  // the scroll position the display last followed the end to; -1: not following
  bool closed_ = false;
  vantrel::WholeTrace::OneMessage picked_;
  TickStats tickStats_;
  QPrinter& Printer();
  std::unique_ptr<QPrinter> printer_;  // made when first needed: it asks for the printers
};
