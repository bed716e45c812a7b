#include "filters/AddrMapFile.h"

#include "filters/AddressFilter.h"
#include "pipeline/MainWindowSeam.h"

namespace vantrel {
namespace {

constexpr const char* kTitle = "Map File Error";

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

FileResult WriteAddrMapFile(const std::string& name) {
  constexpr char hex[] = "0123456789ABCDEF";
  std::string body;
  for (int row = 1; row <= 8; ++row) {
    for (int column = 1; column <= 16; ++column)
      body.push_back(hex[gAddrFilter.AddrMap[static_cast<std::size_t>(AddressOfMapCell(column, row))] & 15]);
    body.append("\r\n");
  }
  const FileResult r = WriteFilterFile(name, "Address Map", body);
  if (r == FileResult::CannotCreate) MainWindow().ShowMessage("Cannot Create Map File", kTitle);
  if (r == FileResult::WriteFailed) MainWindow().ShowMessage("Cannot Write to Map File", kTitle);
  return r;
}

FileResult ReadAddrMapFile(const std::string& name) {
  FilterFileReader in;
  FileResult r = in.Open(name, ";Vantrel Address Map File");
  if (r == FileResult::Done) {
    std::string line;
    for (int row = 1; row <= 8; ++row) {
      in.NextData(line);
      if (in.failed()) {
        r = FileResult::ReadFailed;
        break;
      }
      for (int column = 1; column <= 16; ++column) {
        const std::size_t i = static_cast<std::size_t>(column - 1);
        const int d = i < line.size() ? HexDigit(line[i]) : -1;
        gAddrFilter.AddrMap[static_cast<std::size_t>(AddressOfMapCell(column, row))] =
            static_cast<std::uint8_t>(d < 0 ? DSEL : d);
      }
    }
    RefreshAddressMap();
  }
  switch (r) {
    case FileResult::CannotOpen: MainWindow().ShowMessage("Cannot Open Map File", kTitle); break;
    case FileResult::Invalid: MainWindow().ShowMessage("Invalid Map File!", kTitle); break;
    case FileResult::ReadFailed: MainWindow().ShowMessage("Cannot Read from Map File!", kTitle); break;
    default: break;
  }
  return r;
}

}  // namespace vantrel
