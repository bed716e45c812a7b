#include "decode/DisplayOptions.h"

#include <cctype>
#include <string>

#include "decode/DecoderServices.h"

namespace vantrel {

DisplayOptions gDisplay;

void RestoreDefaultDisplayOptions() {
  gDisplay = DisplayOptions{};
  SelectDataProtocol(DataProtocol::HEX);
  gDisplay.PECChecked = false;
  gDisplay.PECEnabled = false;
}

void SelectDataProtocol(DataProtocol p) {
  gDisplay.Protocol = p;
  if (p == DataProtocol::SBS) {
    gDisplay.PECEnabled = gDecoderServices.Revisions().SMBusRev >= 1;  // PEC came with SMBus 1.1
    gDisplay.ByteTimeEnabled = false;
  } else {
    gDisplay.PECEnabled = false;
    gDisplay.ByteTimeEnabled = true;
  }
}

void ClearDataProtocol(DataProtocol p) {
  if (gDisplay.Protocol == p) gDisplay.Protocol = DataProtocol::None;
}

DataProtocol DataProtocolFromName(std::string_view name) {
  std::string up;
  for (char c : name) up += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (up == "BIN") return DataProtocol::BIN;
  if (up == "ASCII") return DataProtocol::ASCII;
  if (up == "HEX") return DataProtocol::HEX;
  if (up == "SBS") return DataProtocol::SBS;
  if (up == "CD") return DataProtocol::CD;
  if (up == "RAW") return DataProtocol::Raw;
  return DataProtocol::None;
}

}  // namespace vantrel
