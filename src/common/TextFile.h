// Pieces shared by every text file the program writes and reads: the comment
// header, the ";Created:"/";Closed:" stamps, and a bounded line reader for
// files from other people.
#pragma once
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <string_view>

namespace vantrel {

inline constexpr std::string_view kMakerLine = ";Orbisan Corporation";
inline constexpr std::string_view kCrLf = "\r\n";

// "05-Dec-2026 at 15:34" (English month abbreviations, local time).
std::string FileStamp(std::time_t t);
std::string FileStamp(int year, int month, int day, int hour, int minute);
std::string FileStampNow();

// The five header lines, each ending in CR LF, for a file kind such as "Log"
// (";Vantrel Log File") and a version such as "01.01", created now or at the
// given stamp.
std::string FileHeader(std::string_view kind, std::string_view version, std::string_view user);
std::string FileHeader(std::string_view kind, std::string_view version, std::string_view user,
                       std::string_view stamp);
// ";Closed: " + stamp (now by default) + CR LF.
std::string ClosedLine();
std::string ClosedLine(std::string_view stamp);

// Reads lines ending in CR LF, LF or a lone CR from a FILE*, keeping at most
// `keep` characters of each; the rest of an over-long line is skipped but
// still searched for ';' so that a comment is known as one. Never holds more
// than one chunk and one kept line in memory.
class LineReader {
 public:
  static constexpr std::size_t kNoLimit = static_cast<std::size_t>(-1);
  // Header lines are looked for within this many bytes: a device that never
  // ends a line must not be read for ever.
  static constexpr std::size_t kHeaderScan = 65536;

  explicit LineReader(std::FILE* f, std::size_t keep = 65536);
  // false at the end of the file (no line). A read error sets failed(). Gives
  // up after scanLimit bytes without a line end (unterminated()).
  bool Next(std::string& line, std::size_t scanLimit = kNoLimit);
  // The quick way for short lines: when the next line and its line end are
  // already buffered, a view of it (valid until the next call) and true;
  // otherwise false, and Next must read it.
  bool NextInBuffer(std::string_view& line);
  bool hasSemicolon() const { return semicolon_; }  // for the line last read
  bool truncated() const { return truncated_; }     // line was longer than `keep`
  bool unterminated() const { return unterminated_; }  // scan limit reached
  bool atEnd();                                     // no more lines after the last one read
  bool failed() const { return failed_; }

 private:
  bool Fill();
  void SkipPendingLf();
  std::FILE* f_;
  std::size_t keep_;
  char buf_[65536];
  std::size_t pos_ = 0, len_ = 0;
  bool eof_ = false, failed_ = false, semicolon_ = false, truncated_ = false, unterminated_ = false;
  bool skipLf_ = false;  // the last line ended in CR at the end of a chunk
};

// Writes a text file through its own large buffer (the FILE* itself is
// unbuffered), so a failed write drops the pending text and the close that
// follows does not fail a second time on the same data.
class TextWriter {
 public:
  TextWriter() = default;
  ~TextWriter();
  TextWriter(const TextWriter&) = delete;
  TextWriter& operator=(const TextWriter&) = delete;

  // Creates or replaces the file (a file still open is closed first).
  bool Create(const std::string& name);
  bool isOpen() const { return f_ != nullptr; }
  // Buffered; false when passing the buffer on to the file failed.
  bool Write(std::string_view text);
  // Eight upper-case hex digits and CR LF.
  bool WriteHexLine(std::uint32_t value);
  bool Flush();
  // Flushes and closes; false when either failed. Closed in any case.
  bool Close();

 private:
  static constexpr std::size_t kBufferSize = std::size_t{1} << 18;
  std::FILE* f_ = nullptr;
  std::unique_ptr<char[]> buf_;
  std::size_t len_ = 0;
};

}  // namespace vantrel
