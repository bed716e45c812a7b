#include "common/FilterFile.h"

#include "common/Reports.h"
#include "common/TextFile.h"

namespace vantrel {

FilterFileReader::FilterFileReader() = default;

FilterFileReader::~FilterFileReader() {
  reader_.reset();
  if (f_) std::fclose(f_);
}

FileResult FilterFileReader::Open(const std::string& name, std::string_view kindLine) {
  // A name from a settings file may hold a NUL; no file has that name, and
  // the part before it names another file.
  if (name.find('\0') != std::string::npos) return FileResult::CannotOpen;
  f_ = std::fopen(name.c_str(), "rb");
  if (!f_) return FileResult::CannotOpen;
  reader_ = std::make_unique<LineReader>(f_, kFilterLineChars);
  auto header = [this](std::string_view expected) {
    std::string line;
    return reader_->Next(line, LineReader::kHeaderScan) && !reader_->unterminated() && line == expected;
  };
  const bool valid = header(kMakerLine) && header(kindLine);
  if (failed()) return FileResult::ReadFailed;
  return valid ? FileResult::Done : FileResult::Invalid;
}

bool FilterFileReader::Next(std::string& line) {
  line.clear();
  if (!reader_ || !reader_->Next(line)) {
    line.clear();
    return false;
  }
  return true;
}

bool FilterFileReader::NextData(std::string& line) {
  while (Next(line)) {
    if (!reader_->hasSemicolon()) return true;
  }
  return false;
}

bool FilterFileReader::failed() const { return reader_ && reader_->failed(); }

FileResult WriteFilterFile(const std::string& name, std::string_view kind, std::string_view body) {
  TextWriter w;
  if (!w.Create(name)) return FileResult::CannotCreate;
  bool ok = w.Write(FileHeader(kind, "01.00", Reports().UserName()));
  ok = ok && w.Write(body);
  ok = w.Close() && ok;
  return ok ? FileResult::Done : FileResult::WriteFailed;
}

}  // namespace vantrel
