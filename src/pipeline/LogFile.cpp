#include "pipeline/LogFile.h"

#include <array>
#include <filesystem>
#include <memory>
#include <string_view>
#include <utility>

#include "common/Reports.h"
#include "decode/TraceWord.h"
#include "pipeline/MainWindowSeam.h"
#include "common/Hex.h"
#include "common/TextFile.h"

namespace vantrel::LogFile {

std::atomic<bool> LogWriteOpen{false};
std::atomic<bool> LogReadOpen{false};

namespace {

constexpr std::string_view kError = "Log File Error";
constexpr std::string_view kWarning = "Log File Warning";
constexpr std::string_view kKindLine = ";Vantrel Log File";

// Longest part of a comment line that is shown; the rest is dropped.
constexpr std::size_t kCommentKeep = 65536;

TextWriter gWriter;
std::string gWriteName;

std::FILE* gReadFile = nullptr;
std::unique_ptr<LineReader> gReader;
std::string gLine;
CommentSink gCommentSink;

void Report(std::string_view text, std::string_view title) { Reports().ShowMessage(text, title); }

bool FileExists(const std::string& name) {
  std::error_code ec;
  return std::filesystem::exists(name, ec);
}

void CloseWriter() {
  if (!gWriter.Close()) Report("Cannot Close Log File", kError);
}

// The first eight characters as a word: type byte, then the low 24 bits.
bool ParseWord(std::string_view line, std::uint32_t& word) {
  return line.size() >= 8 && ParseHex(line.substr(0, 8), word);
}

// Read error or an undecodable line: the replay ends here.
std::uint32_t ReadFailure() {
  LogReadOpen = false;
  Report("Cannot Read from Log File", kError);
  CloseForRead();
  return 0;
}

}  // namespace

bool CreateForWrite(const std::string& name, int retryCounter) {
  gWriteName = name;
  if (!MayReplaceTraceFile("Log File", name, retryCounter, kWarning)) return false;
  if (!gWriter.Create(name)) {
    Report("Cannot Create Log File", kError);
    return false;
  }
  // Flushed at once so that a file that cannot take even the header is known now.
  if (!gWriter.Write(FileHeader("Log", "01.01", Reports().UserName())) || !gWriter.Flush()) {
    Report("Cannot Write to Log File", kError);
    CloseWriter();
    return false;
  }
  LogWriteOpen = true;
  return true;
}

void WriteWord(std::uint32_t word) {
  if (!LogWriteOpen.load(std::memory_order_relaxed)) return;
  if (gWriter.WriteHexLine(word)) return;
  LogWriteOpen = false;
  Report("Cannot Write to Log File", kError);
  CloseWriter();
}

void CloseForWrite() {
  LogWriteOpen = false;
  if (!gWriter.isOpen()) return;
  if (!gWriter.Write(ClosedLine()) || !gWriter.Flush()) Report("Cannot Write to File", kError);
  CloseWriter();
}

std::uint32_t WrittenSizeKB() {
  if (!LogWriteOpen) return 0;
  std::error_code ec;
  const auto size = std::filesystem::file_size(gWriteName, ec);
  if (ec) return 0;
  const auto kb = size / 1024;
  return kb > UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(kb);
}

bool CheckForRead(const std::string& name) {
  if (!FileExists(name)) {
    Report("Cannot Open Log File for Read!", kWarning);
    return false;
  }
  std::FILE* f = std::fopen(name.c_str(), "rb");
  if (!f) {
    Report("Cannot Open Log File for Read!", kError);
    return false;
  }
  LineReader reader(f, kCommentKeep);
  std::string line;
  auto header = [&](std::string_view expected) {
    return reader.Next(line, LineReader::kHeaderScan) && !reader.unterminated() && line == expected;
  };
  const bool valid = header(kMakerLine) && header(kKindLine);
  const bool failed = reader.failed();
  std::fclose(f);
  if (failed) {
    Report("Cannot Read from Log File!", kError);
    return false;
  }
  if (!valid) Report("Invalid Log File!", kError);
  return valid;
}

bool OpenForRead(const std::string& name) {
  LogReadOpen = false;
  if (gReadFile) {  // left over from an earlier replay
    std::fclose(gReadFile);
    gReadFile = nullptr;
  }
  gReader.reset();

  if (!FileExists(name)) {
    Report("Cannot Open Log File for Read!", kWarning);
    return false;
  }
  gReadFile = std::fopen(name.c_str(), "rb");
  if (!gReadFile) {
    Report("Cannot Open Log File for Read!", kError);
    return false;
  }
  gReader = std::make_unique<LineReader>(gReadFile, kCommentKeep);
  auto header = [](std::string_view expected) {
    return gReader->Next(gLine, LineReader::kHeaderScan) && !gReader->unterminated() && gLine == expected;
  };
  const bool valid = header(kMakerLine) && header(kKindLine);
  if (gReader->failed()) {
    Report("Cannot Read from Log File!", kError);
    CloseForRead();
    return false;
  }
  if (!valid) {
    Report("Invalid Log File!", kError);
    CloseForRead();
    return false;
  }
  // The replay starts from the top so that the header lines are shown too.
  if (std::fseek(gReadFile, 0, SEEK_SET) != 0) {
    Report("Cannot Read from Log File!", kError);
    CloseForRead();
    return false;
  }
  gReader = std::make_unique<LineReader>(gReadFile, kCommentKeep);
  LogReadOpen = true;
  return true;
}

std::uint32_t ReadWord() {
  if (!LogReadOpen.load(std::memory_order_relaxed) || !gReader) return 0;
  for (;;) {
    std::string_view line;
    if (!gReader->NextInBuffer(line)) {
      if (!gReader->Next(gLine)) {
        if (gReader->failed()) return ReadFailure();
        CloseForRead();
        return 0;
      }
      line = gLine;
    }
    if (gReader->hasSemicolon()) {
      if (line.data() != gLine.data()) gLine.assign(line);  // atEnd may refill the buffer
      const bool last = gReader->atEnd();
      if (gReader->failed()) return ReadFailure();
      // A closed file ends with its ";Closed:" line, which is not shown.
      if (last) {
        CloseForRead();
        return 0;
      }
      if (gCommentSink) {
        gCommentSink(gLine);
      } else {
        MainWindow().AppendDisplayLine(gLine);
      }
      continue;
    }

    std::uint32_t word = 0;
    if (!ParseWord(line, word)) return ReadFailure();
    // 0 and the host's end codes 1 and 2 must never come out of a log.
    if (IsEndCode(word)) {
      CloseForRead();
      Report("Invalid Log File!", kError);
      return 0;
    }
    // A word on the last line (a file that was never closed) is kept; the
    // next call finds the end of the file.
    return word;
  }
}

void CloseForRead() {
  LogReadOpen = false;
  gReader.reset();
  if (!gReadFile) return;
  const bool ok = std::fclose(gReadFile) == 0;
  gReadFile = nullptr;
  if (!ok) Report("Cannot Close Log File", kError);
}

void SetCommentSink(CommentSink sink) { gCommentSink = std::move(sink); }

}  // namespace vantrel::LogFile
