#include "filters/AddrMapFile.h"

#include "common/Hex.h"
#include "filters/AddressFilter.h"
#include "common/Reports.h"

namespace vantrel {
namespace {

constexpr const char* kTitle = "Map File Error";

}  // namespace

FileResult WriteAddrMapFile(const std::string& name) {
  std::string body;
  for (int row = 1; row <= 8; ++row) {
    for (int column = 1; column <= 16; ++column)
      body.push_back(kHexDigits[gAddrFilter.AddrMap[static_cast<std::size_t>(AddressOfMapCell(column, row))] & 15]);
    body.append("\r\n");
  }
  const FileResult r = WriteFilterFile(name, "Address Map", body);
  if (r == FileResult::CannotCreate) Reports().ShowMessage("Cannot Create Map File", kTitle);
  if (r == FileResult::WriteFailed) Reports().ShowMessage("Cannot Write to Map File", kTitle);
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
        const int d = i < line.size() ? HexValue(line[i]) : -1;
        gAddrFilter.AddrMap[static_cast<std::size_t>(AddressOfMapCell(column, row))] =
            static_cast<std::uint8_t>(d < 0 ? DSEL : d);
      }
    }
    RefreshAddressMap();
  }
  switch (r) {
    case FileResult::CannotOpen: Reports().ShowMessage("Cannot Open Map File", kTitle); break;
    case FileResult::Invalid: Reports().ShowMessage("Invalid Map File!", kTitle); break;
    case FileResult::ReadFailed: Reports().ShowMessage("Cannot Read from Map File!", kTitle); break;
    default: break;
  }
  return r;
}

}  // namespace vantrel
