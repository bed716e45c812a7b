// Log files from anywhere: reading one always ends, yields only trace words
// (never an end code) and makes at most one report; and a log the program
// writes reads back word for word.
#include <vector>

#include "FuzzSupport.h"
#include "decode/TraceWord.h"
#include "pipeline/LogFile.h"

namespace {

using namespace vantrel;
using namespace vantrel::fuzz;

constexpr std::size_t kCommentKeep = 65536;  // the reader shows at most this much of a comment

CountingWindow gWindow;

void ReadInputAsLog(std::string_view bytes) {
  gWindow.Clear();
  const std::string path = WriteScratch("input.log", bytes);
  if (!LogFile::OpenForRead(path)) {
    Require(gWindow.reports == 1, "a refused log is reported once");
    Require(!LogFile::LogReadOpen, "a refused log is not left open");
    return;
  }
  Require(gWindow.reports == 0, "an accepted log opens without a report", gWindow.lastReport);
  std::size_t words = 0;
  for (std::uint32_t w = LogFile::ReadWord(); w != kNoWord; w = LogFile::ReadWord()) {
    Require(w >= kFirstTraceWord, "a log yields no end codes");
    ++words;
    // Each word needs a line of its own with eight hex digits.
    Require(words * 8 <= bytes.size(), "the reader invents no words");
  }
  Require(!LogFile::LogReadOpen, "the end of a replay closes the log");
  Require(LogFile::ReadWord() == kNoWord, "a closed log yields nothing more");
  Require(gWindow.reports <= 1, "a replay ends with at most one report", gWindow.lastReport);
  Require(gWindow.longestDisplayLine <= kCommentKeep, "a shown comment is kept to its limit");
}

void WriteThenRead(ByteStream in) {
  std::vector<std::uint32_t> written;
  while (in.left() >= 4) {
    const std::uint32_t w = in.Word();
    if (w >= kFirstTraceWord) written.push_back(w);
  }
  gWindow.Clear();
  const std::string path = (ScratchDir() / "written.log").string();
  Require(LogFile::CreateForWrite(path, 1), "a log can be created", gWindow.lastReport);
  for (std::uint32_t w : written) LogFile::WriteWord(w);
  LogFile::CloseForWrite();
  Require(gWindow.reports == 0, "a log is written without a report", gWindow.lastReport);

  Require(LogFile::OpenForRead(path), "a written log opens", gWindow.lastReport);
  std::vector<std::uint32_t> read;
  for (std::uint32_t w = LogFile::ReadWord(); w != kNoWord && read.size() <= written.size(); w = LogFile::ReadWord())
    read.push_back(w);
  LogFile::CloseForRead();
  if (read != written) {
    std::size_t i = 0;
    while (i < read.size() && i < written.size() && read[i] == written[i]) ++i;
    char detail[96];
    std::snprintf(detail, sizeof detail, "%zu written, %zu read, first difference at word %zu", written.size(),
                  read.size(), i);
    Fail("a written log reads back the same words", detail);
  }
  Require(gWindow.reports == 0, "a written log reads without a report", gWindow.lastReport);
  // The five header lines are shown; the ";Closed:" line is not.
  Require(gWindow.displayLines == 5, "a written log shows its header and nothing else");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  gWindow.Attach();
  ReadInputAsLog(AsText(data, size));
  WriteThenRead(ByteStream(data, size));
  return 0;
}
