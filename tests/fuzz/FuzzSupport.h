// Shared by the fuzz targets: a quiet main window that counts what it is
// told, a scratch folder of the process's own for the files a run reads, a
// reader for the option bytes in front of an input, and the check that stops
// a run.
#pragma once
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "common/Reports.h"
#include "pipeline/MainWindowSeam.h"

namespace vantrel::fuzz {

// A broken rule stops the run; libFuzzer keeps the input as a crash.
[[noreturn]] inline void Fail(std::string_view rule, std::string_view detail = {}) {
  std::fprintf(stderr, "\n*** %.*s", static_cast<int>(rule.size()), rule.data());
  if (!detail.empty()) std::fprintf(stderr, ": [%.*s]", static_cast<int>(detail.size()), detail.data());
  std::fputc('\n', stderr);
  std::abort();
}
inline void Require(bool ok, std::string_view rule, std::string_view detail = {}) {
  if (!ok) Fail(rule, detail);
}

// Reports and display lines are only counted: a run must not print.
class CountingWindow : public NullMainWindow, public ReportSeam {
 public:
  // Becomes the main window and the report seam.
  void Attach() {
    SetMainWindow(this);
    SetReports(this);
  }
  void ShowMessage(std::string_view text, std::string_view title) override {
    ++reports;
    lastReport = std::string(title) + ": " + std::string(text);
  }
  bool AskOkCancel(std::string_view, std::string_view) override { return true; }
  std::string UserName() override { return "<User Unknown>"; }
  void Beep() override {}
  void AppendDisplayLine(std::string_view line) override {
    ++displayLines;
    longestDisplayLine = std::max(longestDisplayLine, line.size());
  }
  void Clear() { *this = CountingWindow(); }

  int reports = 0;
  std::string lastReport;
  std::size_t displayLines = 0, longestDisplayLine = 0;
};

// $TMPDIR/vantrel-fuzz-<pid>: the files of this process's runs.
inline const std::filesystem::path& ScratchDir() {
  static const std::filesystem::path dir = [] {
    auto d = std::filesystem::temp_directory_path() / ("vantrel-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(d);
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(ScratchDir(), ec);
    });
    return d;
  }();
  return dir;
}

// Writes bytes as the scratch file `leaf` (replacing it) and returns its path.
inline std::string WriteScratch(const std::string& leaf, std::string_view bytes) {
  const std::string path = (ScratchDir() / leaf).string();
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  Require(out.good(), "scratch file written", path);
  return path;
}

// Takes an input apart from the front; reads past the end give zeros.
class ByteStream {
 public:
  ByteStream(const std::uint8_t* data, std::size_t size) : p_(data), end_(data + size) {}
  bool empty() const { return p_ == end_; }
  std::size_t left() const { return static_cast<std::size_t>(end_ - p_); }
  std::uint8_t Byte() { return p_ == end_ ? 0 : *p_++; }
  // Big-endian, as a log file writes a word: type byte first.
  std::uint32_t Word() {
    std::uint32_t w = 0;
    for (int i = 0; i < 4; ++i) w = w << 8 | Byte();
    return w;
  }
  std::string_view Text(std::size_t n) {
    n = std::min(n, left());
    const std::string_view s(reinterpret_cast<const char*>(p_), n);
    p_ += n;
    return s;
  }

 private:
  const std::uint8_t* p_;
  const std::uint8_t* end_;
};

inline std::string_view AsText(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// The alias files a settings line may name, written once: a good one
// (alias.als) and a refused one (bad.als).
inline void WriteAliasFilesOnce() {
  static const bool written = [] {
    std::string good = ";Orbisan Corporation\r\n;Vantrel Alias File\r\n;Ver 01.00\r\n";
    good += "Host\r\n\r\n; a comment\r\nSmart Battery Charger\r\n" + std::string(300, 'L') + "\r\n";
    WriteScratch("alias.als", good);
    WriteScratch("bad.als", ";Orbisan Corporation\r\n;Vantrel Log File\r\nHost\r\n");
    return true;
  }();
  (void)written;
}

// A settings line whose AliasFileName value names a file in the scratch
// folder ('/' becomes '_'), so that a run never opens anything else.
inline std::string AliasNamesInScratch(std::string_view line) {
  constexpr std::string_view kAliasKey = "AliasFileName=";
  std::string s(line);
  const std::size_t at = s.find(kAliasKey);
  if (at == std::string::npos || at + kAliasKey.size() == s.size()) return s;
  for (std::size_t i = at + kAliasKey.size(); i < s.size(); ++i)
    if (s[i] == '/') s[i] = '_';
  s.insert(at + kAliasKey.size(), ScratchDir().string() + "/");
  return s;
}

}  // namespace vantrel::fuzz
