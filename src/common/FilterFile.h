// Reading and writing the small setup files (filter, alias and trigger out
// files): the shared header, bounded reading of files that may come from
// anywhere, and the outcome of each step.
#pragma once
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace vantrel {

class LineReader;

enum class FileResult { Done, CannotOpen, Invalid, ReadFailed, CannotCreate, WriteFailed };

// Every line of these files is kept to 255 characters; the rest is skipped.
inline constexpr std::size_t kFilterLineChars = 255;

// Opens a file and checks its first two lines; then hands out the lines
// that follow.
class FilterFileReader {
 public:
  FilterFileReader();
  ~FilterFileReader();
  FilterFileReader(const FilterFileReader&) = delete;
  FilterFileReader& operator=(const FilterFileReader&) = delete;

  // CannotOpen, ReadFailed, Invalid (line 1 is not ";Orbisan Corporation" or
  // line 2 not kindLine, both exactly) or Done.
  FileResult Open(const std::string& name, std::string_view kindLine);
  // The next line; false at the end of the file or after a read error
  // (failed() tells which), with the line empty.
  bool Next(std::string& line);
  // The next line that holds no ';' (comments may stand anywhere).
  bool NextData(std::string& line);
  bool failed() const;

 private:
  std::FILE* f_ = nullptr;
  std::unique_ptr<LineReader> reader_;
};

// Creates the file and writes the five header lines of `kind` ("Alias" gives
// ";Vantrel Alias File") and then body. CannotCreate, WriteFailed or Done.
FileResult WriteFilterFile(const std::string& name, std::string_view kind, std::string_view body);

}  // namespace vantrel
