#include "decode/DecoderServices.h"

#include <array>

#include "common/Hex.h"

namespace vantrel {
namespace {

const std::array<std::string, 128> kDefaultAliases = [] {
  std::array<std::string, 128> t;
  for (int a = 0; a < 128; ++a) {
    const int b = a * 2;
    t[static_cast<std::size_t>(a)] = {'#', kHexDigits[b >> 4], kHexDigits[b & 15]};
  }
  return t;
}();

const std::string& DefaultAlias(int address7) { return kDefaultAliases[static_cast<std::size_t>(address7 & 0x7F)]; }
const SbsRevisions& DefaultRevisions() {
  static const SbsRevisions revisions;
  return revisions;
}

}  // namespace

DecoderServices DefaultDecoderServices() {
  return DecoderServices{
      .AliasText = &DefaultAlias,
      .CheckAddressFilter = [](std::uint8_t, bool) { return true; },
      .CheckDataFilter = [](std::string_view) { return true; },
      .ProtocolErrorDetect = [] { return false; },
      .Revisions = &DefaultRevisions,
      .MessageCompleted = [](const CompletedMessage&) { return true; },
  };
}

DecoderServices gDecoderServices = DefaultDecoderServices();

void InstallDecoderServices(DecoderServices s) {
  const DecoderServices d = DefaultDecoderServices();
  if (!s.AliasText) s.AliasText = d.AliasText;
  if (!s.CheckAddressFilter) s.CheckAddressFilter = d.CheckAddressFilter;
  if (!s.CheckDataFilter) s.CheckDataFilter = d.CheckDataFilter;
  if (!s.ProtocolErrorDetect) s.ProtocolErrorDetect = d.ProtocolErrorDetect;
  if (!s.Revisions) s.Revisions = d.Revisions;
  if (!s.MessageCompleted) s.MessageCompleted = d.MessageCompleted;
  gDecoderServices = s;
}

}  // namespace vantrel
