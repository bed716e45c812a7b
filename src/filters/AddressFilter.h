// The slave address filter: one state per 7-bit address saying which
// messages to it are shown, and the live activity mark per address.
// Main thread only (the decoder runs there).
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vantrel {

enum AddrState : std::uint8_t {
  DSEL = 0, RW_AN = 1, RW_XN = 2, RW_AX = 3, XW_AN = 4,
  XW_XN = 5, XW_AX = 6, RX_AN = 7, RX_XN = 8, RX_AX = 9,
};
inline constexpr int kAddrStateCount = 10;  // codes 10..15 behave as RW_AN

enum class ActivityMark : std::uint8_t { None, Acked, Nacked };

struct AddressFilterTable {
  std::array<std::uint8_t, 128> AddrMap{};  // state codes 0..15
  std::array<ActivityMark, 128> marks{};
};

extern AddressFilterTable gAddrFilter;

// True when messages to this address byte (R/W in bit 0) with this
// acknowledge are shown; records the address's activity mark.
bool CheckAddressFilter(std::uint8_t addressByte, bool acknowledged);

// Access masks: one nibble each for Read, Write, Ack, Nack (all = 0x1111).
std::uint16_t AccessMaskOf(std::uint8_t state);
std::uint8_t StateOfMask(std::uint16_t mask);  // unknown masks give RW_AN
const char* StateName(std::uint8_t state);     // "DSEL", "RW_AN", ...; codes 10..15 as RW_AN

// The selection window's four check boxes and their consistency rules: at
// least one of Read/Write and one of Ack/Nack stays checked (unchecking one
// checks its partner), a change to Read or Write checks Ack when Nack is
// unchecked, a change to Ack or Nack checks Read when Write is unchecked.
// Boxes checked by a rule count as changed in turn.
struct AccessBoxes {
  bool read = false, write = false, ack = false, nack = false;
};
enum class AccessBox { Read, Write, Ack, Nack };
AccessBoxes ApplyAccessRules(AccessBoxes boxes, AccessBox changed);
AccessBoxes AccessBoxesOfMask(std::uint16_t mask);
std::uint16_t MaskOfAccessBoxes(const AccessBoxes& boxes);

std::string GetAddrMapString();                 // 128 upper-case hex digits
bool SetAddrMapString(std::string_view value);  // applied only at exactly 128 characters
void SetAddressState(int address7, std::uint8_t state);
void ResetAddressFilter();                      // every address RW_AN, then refresh
void RefreshAddressMap();                       // every mark back to none

// Set by the map window: called when an address's mark changes.
extern void (*AddressActivityChanged)(int address7);
// Set by the map window: called after the whole map was refreshed (a settings
// value, a reset, a map file), so that every cell is redrawn.
extern void (*AddressMapRefreshed)();

}  // namespace vantrel
