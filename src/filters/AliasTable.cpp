#include "filters/AliasTable.h"
#include "common/Hex.h"

#include <array>

namespace vantrel {
namespace {

constexpr std::size_t kMaxAlias = 255;

std::array<std::string, 128> MakeDefaults() {
  std::array<std::string, 128> t;
  for (int a = 0; a < 128; ++a) t[static_cast<std::size_t>(a)] = DefaultAliasText(a);
  return t;
}

std::array<std::string, 128> gAliasTable = MakeDefaults();
const std::string kRangeError = "Range Error";
std::string gAliasFileName;

}  // namespace

std::string DefaultAliasText(int address7) {
  const int b = (address7 * 2) & 0xFF;
  return std::string{'#', kHexDigits[b >> 4], kHexDigits[b & 15]};
}

const std::string& AliasText(int address7) {
  if (address7 < 0 || address7 > 127) return kRangeError;
  return gAliasTable[static_cast<std::size_t>(address7)];
}

void SetAlias(int address7, const std::string& text) {
  if (address7 < 0 || address7 > 127) return;
  gAliasTable[static_cast<std::size_t>(address7)] = text.substr(0, kMaxAlias);
}

void ResetAliasTable() { gAliasTable = MakeDefaults(); }

const std::string& AliasFileName() { return gAliasFileName; }
void SetAliasFileName(const std::string& name) { gAliasFileName = name; }

void (*AliasTableChanged)() = nullptr;

}  // namespace vantrel
