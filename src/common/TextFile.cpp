#include "common/TextFile.h"

#include "common/Hex.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace vantrel {

namespace {

enum class CharClass : std::uint8_t { Plain, Semicolon, LineEnd };

constexpr std::array<CharClass, 256> MakeCharClass() {
  std::array<CharClass, 256> t{};
  t['\n'] = t['\r'] = CharClass::LineEnd;
  t[';'] = CharClass::Semicolon;
  return t;
}
constexpr std::array<CharClass, 256> kCharClass = MakeCharClass();

constexpr const char* kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

void AppendTwoDigits(std::string& out, int v) {
  out.push_back(static_cast<char>('0' + (v / 10) % 10));
  out.push_back(static_cast<char>('0' + v % 10));
}

}  // namespace

std::string FileStamp(int year, int month, int day, int hour, int minute) {
  std::string out;
  out.reserve(24);
  AppendTwoDigits(out, day);
  out.push_back('-');
  out += kMonths[((month - 1) % 12 + 12) % 12];
  out.push_back('-');
  AppendTwoDigits(out, year / 100);
  AppendTwoDigits(out, year % 100);
  out += " at ";
  AppendTwoDigits(out, hour);
  out.push_back(':');
  AppendTwoDigits(out, minute);
  return out;
}

std::string FileStamp(std::time_t t) {
  std::tm tm{};
#if defined(_WIN32)
  localtime_s(&tm, &t);
#else
  localtime_r(&t, &tm);
#endif
  return FileStamp(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min);
}

std::string FileStampNow() { return FileStamp(std::time(nullptr)); }

std::string FileHeader(std::string_view kind, std::string_view version, std::string_view user,
                       std::string_view stamp) {
  std::string out;
  out.reserve(128 + user.size());
  out.append(kMakerLine).append(kCrLf);
  out.append(";Vantrel ").append(kind).append(" File").append(kCrLf);
  out.append(";Ver ").append(version).append(kCrLf);
  out.append(";Created: ").append(stamp).append(kCrLf);
  out.append(";By: ").append(user).append(kCrLf);
  return out;
}

std::string FileHeader(std::string_view kind, std::string_view version, std::string_view user) {
  return FileHeader(kind, version, user, FileStampNow());
}

std::string ClosedLine(std::string_view stamp) {
  std::string out(";Closed: ");
  out.append(stamp).append(kCrLf);
  return out;
}

std::string ClosedLine() { return ClosedLine(FileStampNow()); }

// ---------------------------------------------------------------------------

LineReader::LineReader(std::FILE* f, std::size_t keep) : f_(f), keep_(keep) {}

bool LineReader::Fill() {
  if (eof_ || failed_) return false;
  const std::size_t n = std::fread(buf_, 1, sizeof buf_, f_);
  pos_ = 0;
  len_ = n;
  if (n == 0) {
    if (std::ferror(f_))
      failed_ = true;
    else
      eof_ = true;
    return false;
  }
  return true;
}

void LineReader::SkipPendingLf() {
  if (!skipLf_) return;
  if (pos_ == len_ && !Fill()) return;
  skipLf_ = false;
  if (buf_[pos_] == '\n') ++pos_;
}

bool LineReader::Next(std::string& line, std::size_t scanLimit) {
  line.clear();
  semicolon_ = truncated_ = unterminated_ = false;
  SkipPendingLf();
  bool started = false;
  std::size_t scanned = 0;
  for (;;) {
    if (pos_ == len_ && !Fill()) return !failed_ && started;  // a last line may lack its line end
    started = true;
    const char* start = buf_ + pos_;
    const std::size_t avail = std::min(len_ - pos_, scanLimit - scanned);
    // One pass for the line end and a ';': most lines are a few characters.
    const char* p = start;
    const char* const stop = start + avail;
    const char* end = nullptr;
    for (; p != stop; ++p) {
      const CharClass k = kCharClass[static_cast<unsigned char>(*p)];
      if (k == CharClass::Plain) continue;
      if (k == CharClass::LineEnd) {
        end = p;
        break;
      }
      semicolon_ = true;
    }
    const std::size_t n = static_cast<std::size_t>(p - start);
    const std::size_t room = keep_ - line.size();
    line.append(start, std::min(n, room));
    if (n > room) truncated_ = true;
    pos_ += n;
    scanned += n;
    if (end) {
      ++pos_;
      if (*end == '\r') {
        if (pos_ < len_) {
          if (buf_[pos_] == '\n') ++pos_;
        } else {
          skipLf_ = true;
        }
      }
      return true;
    }
    if (scanned >= scanLimit) {
      unterminated_ = true;
      return true;
    }
  }
}

bool LineReader::NextInBuffer(std::string_view& line) {
  constexpr std::size_t kQuickScan = 64;
  if (skipLf_ || pos_ == len_) return false;
  const char* start = buf_ + pos_;
  const std::size_t avail = std::min({len_ - pos_, kQuickScan, keep_});
  bool semicolon = false;
  for (std::size_t i = 0; i < avail; ++i) {
    const CharClass k = kCharClass[static_cast<unsigned char>(start[i])];
    if (k == CharClass::Plain) continue;
    if (k == CharClass::Semicolon) {
      semicolon = true;
      continue;
    }
    std::size_t next = pos_ + i + 1;
    if (start[i] == '\r') {
      if (next < len_) {
        if (buf_[next] == '\n') ++next;
      } else {
        skipLf_ = true;
      }
    }
    line = std::string_view(start, i);
    pos_ = next;
    semicolon_ = semicolon;
    truncated_ = unterminated_ = false;
    return true;
  }
  return false;
}

bool LineReader::atEnd() {
  SkipPendingLf();
  return pos_ == len_ && !Fill();
}

// ---------------------------------------------------------------------------

TextWriter::~TextWriter() {
  if (f_) std::fclose(f_);
}

bool TextWriter::Create(const std::string& name) {
  if (f_) {
    std::fclose(f_);
    f_ = nullptr;
  }
  len_ = 0;
  if (name.find('\0') != std::string::npos) return false;  // would name another file
  f_ = std::fopen(name.c_str(), "wb");
  if (!f_) return false;
  // Our own buffer does the buffering; stdio must hold nothing back.
  std::setvbuf(f_, nullptr, _IONBF, 0);
  if (!buf_) buf_ = std::make_unique<char[]>(kBufferSize);
  return true;
}

bool TextWriter::Flush() {
  if (!f_) return false;
  if (len_ == 0) return true;
  const bool ok = std::fwrite(buf_.get(), 1, len_, f_) == len_;
  len_ = 0;  // dropped on failure too
  return ok;
}

bool TextWriter::Write(std::string_view text) {
  if (!f_) return false;
  if (kBufferSize - len_ < text.size()) {
    if (!Flush()) return false;
    if (text.size() > kBufferSize) return std::fwrite(text.data(), 1, text.size(), f_) == text.size();
  }
  std::memcpy(buf_.get() + len_, text.data(), text.size());
  len_ += text.size();
  return true;
}

bool TextWriter::WriteHexLine(std::uint32_t value) {
  if (!f_) return false;
  if (kBufferSize - len_ < 10 && !Flush()) return false;
  char* p = buf_.get() + len_;
  FormatHex(p, value, 8);
  p[8] = '\r';
  p[9] = '\n';
  len_ += 10;
  return true;
}

bool TextWriter::Close() {
  if (!f_) return true;
  bool ok = Flush();
  if (std::fclose(f_) != 0) ok = false;
  f_ = nullptr;
  len_ = 0;
  return ok;
}

}  // namespace vantrel
