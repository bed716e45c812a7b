#include "pipeline/DisplayFile.h"

#include <filesystem>

#include "common/Reports.h"
#include "pipeline/MainWindowSeam.h"
#include "common/TextFile.h"

namespace vantrel::DisplayFile {

std::atomic<bool> DisplayFileOpen{false};

namespace {

constexpr std::string_view kError = "Display File Error";
constexpr std::string_view kWarning = "Display File Warning";

TextWriter gWriter;
std::string gName;

void Report(std::string_view text) { Reports().ShowMessage(text, kError); }

void CloseWriter() {
  if (!gWriter.Close()) Report("Cannot Close File");
}

}  // namespace

bool Create(const std::string& name, int retryCounter) {
  gName = name;
  if (!MayReplaceTraceFile("Display File", name, retryCounter, kWarning)) return false;
  if (!gWriter.Create(name)) {
    Report("Cannot Create File");
    return false;
  }
  if (!gWriter.Write(FileHeader("Display", "01.00", Reports().UserName())) || !gWriter.Flush()) {
    Report("Cannot Write to File");
    CloseWriter();
    return false;
  }
  DisplayFileOpen = true;
  return true;
}

bool WriteLine(std::string_view line) {
  if (!gWriter.isOpen()) return false;
  if (gWriter.Write(line) && gWriter.Write(kCrLf)) return true;
  // Lines are missing from here on: closed as it stands, without the
  // ";Closed:" line that would make it look whole, and without a second
  // report from the halt.
  DisplayFileOpen = false;
  CloseWriter();
  return false;
}

void Close() {
  DisplayFileOpen = false;
  if (!gWriter.isOpen()) return;
  if (!gWriter.Write(ClosedLine()) || !gWriter.Flush()) Report("Cannot Write to File");
  CloseWriter();
}

std::uint32_t WrittenSizeKB() {
  if (!DisplayFileOpen) return 0;
  std::error_code ec;
  const auto size = std::filesystem::file_size(gName, ec);
  if (ec) return 0;
  const auto kb = size / 1024;
  return kb > UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(kb);
}

}  // namespace vantrel::DisplayFile
