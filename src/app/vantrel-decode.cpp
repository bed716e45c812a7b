// vantrel-decode: replays a log file and prints every decoded message line.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "decode/DisplayOptions.h"
#include "filters/AddrMapFile.h"
#include "filters/AliasFile.h"
#include "filters/MatchFile.h"
#include "settings/Settings.h"
#include "app/HeadlessMainWindow.h"
#include "pipeline/Replay.h"
#include "pipeline/TraceControl.h"
#include "pipeline/MessageTables.h"
#include "pod/PodInterface.h"
#include "pod/PodStatus.h"

namespace {

using namespace vantrel;

constexpr int kExitClean = 0;
constexpr int kExitReported = 1;
constexpr int kExitUsage = 2;

constexpr const char* kUsage =
    "usage: vantrel-decode [--settings FILE] [--protocol BIN|ASCII|HEX|SBS|CD|RAW]\n"
    "                      [--set KEY=VALUE]... [--alias FILE] [--map FILE] [--match FILE]\n"
    "                      [--save-settings FILE] [--display-file FILE] [--pcapng FILE]\n"
    "                      [--display] LOGFILE\n"
    "       vantrel-decode [--settings FILE] [options...] --save-settings FILE\n"
    "\n"
    "Replays LOGFILE through the message decoder and writes every decoded message\n"
    "line to standard output, one per line, in order: the lines a display file of\n"
    "that replay holds between its header and its \";Closed:\" line.\n"
    "\n"
    "Options start from the program's defaults (HEX; Start, Stop, R/W, Nack,\n"
    "Abs Time and Filtering on; the rest off).\n"
    "  --settings FILE     apply a settings file (.vps) as Program Settings | Load\n"
    "                      does, including the alias file it names; first of all\n"
    "  --protocol X        select data protocol X, as a click on its button\n"
    "  --set KEY=VALUE     apply a settings-file line, e.g. --set DisplayAck=True;\n"
    "                      applied after --protocol, in the order given\n"
    "  --alias FILE        load an alias file (.als) and accept it, as the Address\n"
    "                      Alias Table window's Load File and Accept do\n"
    "  --map FILE          load an address map file (.map), as Load Map does\n"
    "  --match FILE        load a data match file (.dmf) and accept it, as the\n"
    "                      Message Data Filter window's Load File and Accept do;\n"
    "                      these three are applied with the --set lines, in the\n"
    "                      order given\n"
    "  --save-settings FILE write the options in effect after all of the above to\n"
    "                      FILE as Program Settings | Save does; without LOGFILE\n"
    "                      nothing is replayed\n"
    "  --display-file FILE also write a display file; an existing FILE is\n"
    "                      replaced without asking\n"
    "  --pcapng FILE       also export every completed message, shown or filtered,\n"
    "                      to FILE as pcapng (Linux I2C link type) for a network\n"
    "                      analyser; an existing FILE is replaced without asking\n"
    "  --direct            decode on this one thread, without the trace pipeline\n"
    "                      (the same lines; a reference for benchmarks)\n"
    "  --display           print everything the trace display receives instead:\n"
    "                      the log's comment lines, the message lines and the\n"
    "                      end-of-trace line, as if the display were never trimmed\n"
    "\n"
    "Reports go to standard error as \"Title: text\".\n"
    "Exit status: 0 clean replay, 1 a report was made, 2 usage error.\n";

int Usage(const char* error) {
  if (error) std::fprintf(stderr, "vantrel-decode: %s\n", error);
  std::fputs(kUsage, stderr);
  return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  HeadlessMainWindow window;
  window.keepDisplay = false;  // lines go straight to stdout
  // The ";By:" line of files written here (display files, saved settings).
  for (const char* var : {"USER", "USERNAME"}) {
    const char* name = std::getenv(var);
    if (name != nullptr && *name != '\0') {
      window.userName = name;
      break;
    }
  }
  CreatePodStatusMutex();
  InstallDefaultPodInterface();
  ConnectDecoder();
  RestoreDefaultSettings();
  bool displayMode = false;
  bool direct = false;

  std::string protocol, displayFile, pcapngFile, logFile, settingsFile, saveSettingsFile;
  // --set, --alias, --map and --match, applied in the order given.
  struct Setting {
    std::string option, value;
  };
  std::vector<Setting> sets;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    auto value = [&](const char* name) -> const char* {
      if (i + 1 >= argc) return nullptr;
      (void)name;
      return argv[++i];
    };
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return kExitClean;
    } else if (arg == "--protocol") {
      const char* v = value("--protocol");
      if (!v) return Usage("--protocol needs a value");
      protocol = v;
    } else if (arg == "--set") {
      const char* v = value("--set");
      if (!v) return Usage("--set needs KEY=VALUE");
      sets.push_back({std::string(arg), v});
    } else if (arg == "--alias" || arg == "--map" || arg == "--match") {
      const char* v = value(argv[i]);
      if (!v) return Usage((std::string(arg) + " needs a file name").c_str());
      sets.push_back({std::string(arg), v});
    } else if (arg == "--settings" || arg == "--save-settings") {
      const char* v = value(argv[i]);
      if (!v) return Usage((std::string(arg) + " needs a file name").c_str());
      (arg == "--settings" ? settingsFile : saveSettingsFile) = v;
    } else if (arg == "--display-file") {
      const char* v = value("--display-file");
      if (!v) return Usage("--display-file needs a file name");
      displayFile = v;
    } else if (arg == "--pcapng") {
      const char* v = value("--pcapng");
      if (!v) return Usage("--pcapng needs a file name");
      pcapngFile = v;
    } else if (arg == "--direct") {
      direct = true;
    } else if (arg == "--display") {
      displayMode = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return Usage(("unknown option " + std::string(arg)).c_str());
    } else if (logFile.empty()) {
      logFile = arg;
    } else {
      return Usage("only one LOGFILE");
    }
  }
  if (logFile.empty() && saveSettingsFile.empty()) return Usage("no LOGFILE given");

  if (!settingsFile.empty()) LoadSettingsFile(settingsFile);
  if (!protocol.empty()) {
    const DataProtocol p = DataProtocolFromName(protocol);
    if (p == DataProtocol::None) return Usage(("unknown protocol " + protocol).c_str());
    SelectDataProtocol(p);
  }
  for (const Setting& s : sets) {
    if (s.option == "--alias") {
      LoadAliasFileByName(s.value);
    } else if (s.option == "--map") {
      ReadAddrMapFile(s.value);
    } else if (s.option == "--match") {
      LoadAndAcceptMatchFile(s.value);
    } else if (!ApplySettingsLine(s.value)) {
      window.ShowMessage("Cannot Read from Setup File Vantrel.vps!", "Setup File Error");
      break;
    }
  }

  if (!saveSettingsFile.empty()) SaveSettingsFile(saveSettingsFile);
  if (logFile.empty()) return window.reports > 0 ? kExitReported : kExitClean;

  std::setvbuf(stdout, nullptr, _IOFBF, 1 << 20);
  window.onDisplayLine = [displayMode](std::string_view text, bool message) {
    if (!displayMode && !message) return;
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fputc('\n', stdout);
  };
  if (direct) {
    if (displayMode || !displayFile.empty() || !pcapngFile.empty()) return Usage("--direct prints message lines only");
    class Print final : public LineSink {
     public:
      bool Line(std::string_view line) override {
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fputc('\n', stdout);
        return true;
      }
    } print;
    ReplayCounts counts;
    ReplayLogDirect(logFile, print, counts);
    std::fflush(stdout);
    return window.reports > 0 ? kExitReported : kExitClean;
  }
  // As "Open Log File for Read..." does: select the file and press Trace.
  gTraceFiles.logReadName = logFile;
  gTraceFiles.displayFileName = displayFile;
  gTraceFiles.pcapngFileName = pcapngFile;
  TraceButtonClick();
  window.Run();
  MainWindowClose();
  if (std::fflush(stdout) != 0) {
    std::fprintf(stderr, "vantrel-decode: cannot write to standard output\n");
    return kExitReported;
  }
  return window.reports > 0 ? kExitReported : kExitClean;
}
