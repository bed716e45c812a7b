#include "filters/AliasFile.h"

#include "filters/AliasTable.h"
#include "common/Reports.h"

namespace vantrel {

AliasGrid AliasTableCopy() {
  AliasGrid g;
  for (int a = 0; a < 128; ++a) g[static_cast<std::size_t>(a)] = AliasText(a);
  return g;
}

void AcceptAliasGrid(const AliasGrid& grid, const std::string& pendingName) {
  for (int a = 0; a < 128; ++a) SetAlias(a, grid[static_cast<std::size_t>(a)]);
  SetAliasFileName(pendingName);
}

FileResult WriteAliasFile(const std::string& name, const AliasGrid& grid) {
  std::string body;
  for (const std::string& alias : grid) body.append(alias).append("\r\n");
  const FileResult r = WriteFilterFile(name, "Alias", body);
  if (r == FileResult::CannotCreate) Reports().ShowMessage("Cannot Create Alias File", "Alias Error");
  if (r == FileResult::WriteFailed) Reports().ShowMessage("Cannot Write to Alias File", "Alias Error");
  return r;
}

FileResult ReadAliasFile(const std::string& name, AliasGrid& grid) {
  constexpr const char* kTitle = "Alias File Error";
  FilterFileReader in;
  FileResult r = in.Open(name, ";Vantrel Alias File");
  if (r == FileResult::Done) {
    for (std::string& row : grid) {
      in.NextData(row);  // empty at the end of the file
      if (in.failed()) {
        r = FileResult::ReadFailed;
        break;
      }
    }
  }
  switch (r) {
    case FileResult::CannotOpen: Reports().ShowMessage("Cannot Open Alias File", kTitle); break;
    case FileResult::Invalid: Reports().ShowMessage("Invalid Alias File!", kTitle); break;
    case FileResult::ReadFailed: Reports().ShowMessage("Cannot Read from Alias File!", kTitle); break;
    default: break;
  }
  return r;
}

bool LoadAliasFileByName(std::string_view name) {
  if (name.empty()) return true;
  const std::string file(name);
  AliasGrid grid = AliasTableCopy();
  if (ReadAliasFile(file, grid) != FileResult::Done) return true;
  AcceptAliasGrid(grid, file);
  if (AliasTableChanged) AliasTableChanged();
  return true;
}

}  // namespace vantrel
