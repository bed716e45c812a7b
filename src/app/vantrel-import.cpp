// vantrel-import: a logic analyser capture of an I2C bus as a Vantrel log.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/HeadlessMainWindow.h"
#include "pipeline/LogFile.h"
#include "pod/LogicCapture.h"

namespace {

using namespace vantrel;

constexpr const char* kUsage =
    "usage: vantrel-import CAPTURE [--scl CH] [--sda CH] [--bit-timing] [--glitch F]\n"
    "                      [--samplerate HZ] [--format ID] -o LOGFILE\n"
    "\n"
    "Turns the SCL and SDA samples of a logic analyser capture into the trace\n"
    "words a pod records, and writes them as a log that Vantrel and\n"
    "vantrel-decode replay. CAPTURE is a session file (.sr) or any file the logic\n"
    "analyser library's input modules read (VCD, CSV, raw binary...).\n"
    "  --scl CH, --sda CH  the clock and data channels, by name (any case) or\n"
    "                      index; SCL and SDA by default\n"
    "  --bit-timing        also record every data bit, as the pod's bit timing does\n"
    "  --glitch F          ignore pulses shorter than F times the bus's clock\n"
    "                      period (e.g. 0.1); off by default\n"
    "  --samplerate HZ     the sample rate, for captures that give none or a wrong one\n"
    "  --format ID         the input module to read CAPTURE with (vcd, csv, binary...)\n"
    "  -o LOGFILE          the log to write; an existing one is replaced\n"
    "\n"
    "Exit status: 0 written, 1 the capture could not be read or the log written,\n"
    "2 usage error.\n";

int Usage(const char* error) {
  if (error) std::fprintf(stderr, "vantrel-import: %s\n", error);
  std::fputs(kUsage, stderr);
  return 2;
}

bool ParseCount(const char* text, std::uint64_t& value) {
  char* end = nullptr;
  value = std::strtoull(text, &end, 10);
  return *text != '\0' && *end == '\0' && text[0] != '-';
}

}  // namespace

int main(int argc, char** argv) {
  HeadlessMainWindow window;
  for (const char* var : {"USER", "USERNAME"}) {
    const char* name = std::getenv(var);
    if (name != nullptr && *name != '\0') {
      window.userName = name;
      break;
    }
  }
  LogicImportOptions options;
  std::string capture, logName;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--bit-timing") {
      options.bitTiming = true;
    } else if (arg == "--scl" && hasValue) {
      options.scl = argv[++i];
    } else if (arg == "--sda" && hasValue) {
      options.sda = argv[++i];
    } else if (arg == "--format" && hasValue) {
      options.format = argv[++i];
    } else if (arg == "-o" && hasValue) {
      logName = argv[++i];
    } else if (arg == "--glitch" && hasValue) {
      char* end = nullptr;
      options.glitchFraction = std::strtod(argv[++i], &end);
      if (*end != '\0' || !(options.glitchFraction >= 0.0 && options.glitchFraction < 1.0))
        return Usage("--glitch takes a fraction from 0 to below 1");
    } else if (arg == "--samplerate" && hasValue) {
      if (!ParseCount(argv[++i], options.sampleRateHz) || options.sampleRateHz == 0)
        return Usage("--samplerate takes a rate in Hz");
    } else if (arg == "-h" || arg == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (!arg.empty() && arg[0] == '-') {
      return Usage(("unknown option or missing value: " + arg).c_str());
    } else if (capture.empty()) {
      capture = arg;
    } else {
      return Usage("one capture at a time");
    }
  }
  if (capture.empty() || logName.empty()) return Usage("a capture and -o LOGFILE are needed");

  // The log is written only once the capture has been read: a capture that
  // cannot be read leaves an existing log alone.
  std::vector<TraceWord> words;
  const LogicImportResult r = ImportLogicCapture(capture, options, [&](TraceWord w) { words.push_back(w); });
  if (!r.ok) {
    std::fprintf(stderr, "vantrel-import: %s: %s\n", capture.c_str(), r.error.c_str());
    return 1;
  }
  if (!LogFile::CreateForWrite(logName, 1)) return 1;
  for (TraceWord w : words) LogFile::WriteWord(w);
  LogFile::CloseForWrite();
  if (window.reports > 0) return 1;
  std::fprintf(stderr, "vantrel-import: %llu samples at %llu Hz, %llu words\n",
               static_cast<unsigned long long>(r.samples), static_cast<unsigned long long>(r.sampleRateHz),
               static_cast<unsigned long long>(r.words));
  return 0;
}
