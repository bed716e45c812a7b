// vantrel-decode: replays a log file and prints every decoded message line.
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "decode/DisplayOptions.h"
#include "filters/Settings.h"
#include "pipeline/DisplayFile.h"
#include "pipeline/MainWindowSeam.h"
#include "pipeline/Replay.h"

namespace {

using namespace vantrel;

constexpr int kExitClean = 0;
constexpr int kExitReported = 1;
constexpr int kExitUsage = 2;

constexpr const char* kUsage =
    "usage: vantrel-decode [--protocol BIN|ASCII|HEX|SBS|CD|RAW] [--set KEY=VALUE]...\n"
    "                      [--display-file FILE] LOGFILE\n"
    "\n"
    "Replays LOGFILE through the message decoder and writes every decoded message\n"
    "line to standard output, one per line, in order: the lines a display file of\n"
    "that replay holds between its header and its \";Closed:\" line.\n"
    "\n"
    "Options start from the program's defaults (HEX; Start, Stop, R/W, Nack,\n"
    "Abs Time and Filtering on; the rest off).\n"
    "  --protocol X        select data protocol X, as a click on its button\n"
    "  --set KEY=VALUE     apply a settings-file line, e.g. --set DisplayAck=True;\n"
    "                      applied after --protocol, in the order given\n"
    "  --display-file FILE also write a display file; an existing FILE is\n"
    "                      replaced without asking\n"
    "\n"
    "Reports go to standard error as \"Title: text\".\n"
    "Exit status: 0 clean replay, 1 a report was made, 2 usage error.\n";

class HeadlessSeam final : public MainWindowSeam {
 public:
  void ShowMessage(std::string_view text, std::string_view title) override {
    ++reports;
    std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(title.size()), title.data(),
                 static_cast<int>(text.size()), text.data());
  }
  bool AskOkCancel(std::string_view, std::string_view) override { return true; }
  std::string UserName() override { return "<User Unknown>"; }
  void AppendDisplayLine(std::string_view) override {}
  int reports = 0;
};

class StdoutSink final : public LineSink {
 public:
  StdoutSink() { std::setvbuf(stdout, nullptr, _IOFBF, 1 << 20); }
  bool Line(std::string_view line) override {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    if (displayFile && !DisplayFile::WriteLine(line)) {
      // As the trace display does: the trace ends here.
      MainWindow().ShowMessage("Cannot Write to File", "Display File Error");
      return false;
    }
    return true;
  }
  bool displayFile = false;
};

int Usage(const char* error) {
  if (error) std::fprintf(stderr, "vantrel-decode: %s\n", error);
  std::fputs(kUsage, stderr);
  return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  HeadlessSeam seam;
  SetMainWindow(&seam);
  RestoreDefaultSettings();

  std::string protocol, displayFile, logFile;
  std::vector<std::string> sets;
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
      sets.emplace_back(v);
    } else if (arg == "--display-file") {
      const char* v = value("--display-file");
      if (!v) return Usage("--display-file needs a file name");
      displayFile = v;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return Usage(("unknown option " + std::string(arg)).c_str());
    } else if (logFile.empty()) {
      logFile = arg;
    } else {
      return Usage("only one LOGFILE");
    }
  }
  if (logFile.empty()) return Usage("no LOGFILE given");

  if (!protocol.empty()) {
    const DataProtocol p = DataProtocolFromName(protocol);
    if (p == DataProtocol::None) return Usage(("unknown protocol " + protocol).c_str());
    SelectDataProtocol(p);
  }
  for (const std::string& line : sets) {
    if (!ApplySettingsLine(line)) {
      seam.ShowMessage("Cannot Read from Setup File Vantrel.vps!", "Setup File Error");
      break;
    }
  }

  StdoutSink sink;
  if (!displayFile.empty()) {
    // A retry counter above 1 replaces an existing file without asking.
    if (!DisplayFile::Create(displayFile, 2)) return kExitReported;
    sink.displayFile = true;
  }
  ReplayCounts counts;
  ReplayLogDirect(logFile, sink, counts);
  if (sink.displayFile) DisplayFile::Close();
  if (std::fflush(stdout) != 0) {
    std::fprintf(stderr, "vantrel-decode: cannot write to standard output\n");
    return kExitReported;
  }
  return seam.reports > 0 ? kExitReported : kExitClean;
}
