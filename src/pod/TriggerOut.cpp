#include "pod/TriggerOut.h"

#include <algorithm>
#include <charconv>

#include "common/Hex.h"
#include "common/Reports.h"

namespace vantrel {
namespace {

constexpr const char* kTitle = "Trigger Out Setup Error";
constexpr int kCodes = 6;  // None, Starts, Stops, Nacks, Acks, Bit Pattern

std::uint8_t BitOf(std::size_t column) { return static_cast<std::uint8_t>(0x80u >> column); }

}  // namespace

TriggerOutGrid ShowTriggerOut() {
  TriggerOutGrid g;
  for (std::size_t r = 0; r < 16; ++r) {
    for (std::size_t c = 0; c < 8; ++c) {
      char cell = '0';
      if (gTriggerOut.PatternMem[r] & BitOf(c)) cell = '1';
      if (gTriggerOut.DontCareMem[r] & BitOf(c)) cell = 'X';
      g.bits[r][c] = cell;
    }
    g.position[r] = gTriggerOut.TrigPosMem[r] == 1;
  }
  g.code = gPodOptions.TrigCode < kCodes ? static_cast<int>(gPodOptions.TrigCode) : -1;
  return g;
}

void TakeTriggerOut(const TriggerOutGrid& grid) {
  for (std::size_t r = 0; r < 16; ++r) {
    std::uint8_t pattern = 0, dontCare = 0;
    for (std::size_t c = 0; c < 8; ++c) {
      if (grid.bits[r][c] == '1') pattern |= BitOf(c);
      if (grid.bits[r][c] == 'X') dontCare |= BitOf(c);
    }
    gTriggerOut.PatternMem[r] = pattern;
    gTriggerOut.DontCareMem[r] = dontCare;
    gTriggerOut.TrigPosMem[r] = grid.position[r] ? 1 : 0;
  }
  if (grid.code >= 0) gPodOptions.TrigCode = static_cast<std::uint32_t>(grid.code);
}

char NextBitCell(char cell) {
  switch (cell) {
    case 'X': return '0';
    case '0': return '1';
    default: return 'X';
  }
}

void RestoreDefaultTriggerOut() {
  gPodOptions.TrigCode = 0;
  gTriggerOut = {};
}

std::string TriggerMemoryText(const std::array<std::uint8_t, 16>& memory) {
  std::string s;
  for (std::uint8_t b : memory) {
    s += kHexDigits[b >> 4];
    s += kHexDigits[b & 15];
  }
  return s;
}

void SetTriggerMemory(std::array<std::uint8_t, 16>& memory, std::string_view text) {
  for (std::size_t i = 0; i < 16; ++i) {
    const int hi = 2 * i < text.size() ? HexValue(text[2 * i]) : -1;
    const int lo = 2 * i + 1 < text.size() ? HexValue(text[2 * i + 1]) : -1;
    memory[i] = hi >= 0 && lo >= 0 ? static_cast<std::uint8_t>(hi << 4 | lo) : 0;
  }
}

FileResult WriteTriggerFile(const std::string& name, const TriggerOutGrid& grid) {
  std::string body(1, static_cast<char>('0' + (grid.code >= 0 ? grid.code : 0)));
  body += "\r\n";
  for (const auto& row : grid.bits) {
    body.append(row.begin(), row.end());
    body += "\r\n";
  }
  for (bool on : grid.position) body += on ? '1' : '0';
  body += "\r\n";
  const FileResult r = WriteFilterFile(name, "Trigger Out", body);
  if (r == FileResult::CannotCreate) Reports().ShowMessage("Cannot Create Trigger Out File", kTitle);
  if (r == FileResult::WriteFailed) Reports().ShowMessage("Cannot Write to Trigger Out File", kTitle);
  return r;
}

FileResult ReadTriggerFile(const std::string& name, TriggerOutGrid& grid) {
  FilterFileReader in;
  FileResult r = in.Open(name, ";Vantrel Trigger Out File");
  switch (r) {
    case FileResult::CannotOpen: Reports().ShowMessage("Cannot Open Trigger Out File", kTitle); return r;
    case FileResult::Invalid: Reports().ShowMessage("Invalid Trigger Out Setup File!", kTitle); return r;
    default: break;
  }
  std::string line;
  // A short file or a short line cannot be read; what was read stays in the window.
  const auto readFailed = [&] {
    Reports().ShowMessage("Cannot Read from Trigger Out Setup File!", kTitle);
    return FileResult::ReadFailed;
  };
  if (r != FileResult::Done || !in.NextData(line)) return readFailed();
  int code = 0;
  const auto [end, ec] = std::from_chars(line.data(), line.data() + line.size(), code);
  if (ec != std::errc{} || end != line.data() + line.size() || code < 0 || code >= kCodes) code = 0;
  grid.code = code;
  for (auto& row : grid.bits) {
    if (!in.NextData(line) || line.size() < 8) return readFailed();
    std::copy_n(line.begin(), 8, row.begin());
  }
  if (!in.Next(line) || line.size() < 16) return readFailed();
  for (std::size_t i = 0; i < 16; ++i) grid.position[i] = line[i] == '1';
  return FileResult::Done;
}

}  // namespace vantrel
