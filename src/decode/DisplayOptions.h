// The main window's "Display [Options]" check boxes and "Data Protocol" radio
// buttons, named as their settings keys. The decoder reads them on every word,
// so a change takes effect from the next word on. Main thread only.
#pragma once
#include <cstdint>
#include <string_view>

namespace vantrel {

// None: no radio button selected (a settings file can cause it); decodes as BIN.
enum class DataProtocol : std::uint8_t { None, BIN, ASCII, HEX, SBS, CD, Raw, IPMI };

struct DisplayOptions {
  bool DisplayStart = true;
  bool DisplayStop = true;
  bool DisplayRW = true;
  bool DisplayAck = false;
  bool DisplayNack = true;
  bool DisplayByteTime = false;
  bool DisplayStartTime = false;
  bool DisplayAbsTime = true;
  bool DisplayBitRate = false;
  bool DisplayFilter = true;
  bool PECChecked = false;
  bool ByteTimeEnabled = true;  // enabled state of the Byte Time box
  bool PECEnabled = false;      // enabled state of the PEC box
  DataProtocol Protocol = DataProtocol::HEX;
};

extern DisplayOptions gDisplay;

// Restore Default's share: the check boxes and HEX selected.
void RestoreDefaultDisplayOptions();

// A click on a data protocol radio button: selects it and runs its selection
// handler (SBS enables PEC only for SMBus revision 1.1 and disables Byte Time;
// the others disable PEC and enable Byte Time).
void SelectDataProtocol(DataProtocol p);
// Clearing a radio button without selecting another (a settings "False" line).
void ClearDataProtocol(DataProtocol p);

// "BIN", "ASCII", "HEX", "SBS", "CD", "RAW" (any case); None when unknown.
DataProtocol DataProtocolFromName(std::string_view name);

}  // namespace vantrel
