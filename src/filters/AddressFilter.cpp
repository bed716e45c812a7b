#include "filters/AddressFilter.h"
#include "common/Hex.h"

#include <iterator>

namespace vantrel {
namespace {

constexpr std::uint16_t kMasks[kAddrStateCount] = {
    0x0000, 0x1111, 0x1101, 0x1110, 0x0111, 0x0101, 0x0110, 0x1011, 0x1001, 0x1010,
};
constexpr const char* kNames[kAddrStateCount] = {
    "DSEL", "RW_AN", "RW_XN", "RW_AX", "XW_AN", "XW_XN", "XW_AX", "RX_AN", "RX_XN", "RX_AX",
};

AddressFilterTable MakeDefault() {
  AddressFilterTable t;
  t.AddrMap.fill(RW_AN);
  t.marks.fill(ActivityMark::None);
  return t;
}

}  // namespace

AddressFilterTable gAddrFilter = MakeDefault();
void (*AddressActivityChanged)(int) = nullptr;
void (*AddressMapRefreshed)() = nullptr;

bool CheckAddressFilter(std::uint8_t addressByte, bool acknowledged) {
  const int a = (addressByte >> 1) & 0x7F;
  const std::uint8_t state = gAddrFilter.AddrMap[static_cast<std::size_t>(a)];
  if (state >= kAddrStateCount) return true;  // unknown codes show all and mark nothing

  const ActivityMark mark = acknowledged ? ActivityMark::Acked : ActivityMark::Nacked;
  ActivityMark& current = gAddrFilter.marks[static_cast<std::size_t>(a)];
  if (current != mark) {
    current = mark;
    if (AddressActivityChanged) AddressActivityChanged(a);
  }

  const std::uint16_t m = kMasks[state];
  const bool read = (addressByte & 1) != 0;
  const bool dirOk = read ? (m & 0x1000) != 0 : (m & 0x0100) != 0;
  const bool ackOk = acknowledged ? (m & 0x0010) != 0 : (m & 0x0001) != 0;
  return dirOk && ackOk;
}

std::uint16_t AccessMaskOf(std::uint8_t state) {
  return state < kAddrStateCount ? kMasks[state] : kMasks[RW_AN];
}

std::uint8_t StateOfMask(std::uint16_t mask) {
  for (std::uint8_t s = 0; s < kAddrStateCount; ++s)
    if (kMasks[s] == mask) return s;
  return RW_AN;
}

const char* StateName(std::uint8_t state) {
  return state < kAddrStateCount ? kNames[state] : kNames[RW_AN];
}

AccessBoxes ApplyAccessRules(AccessBoxes b, AccessBox changed) {
  // Rules only ever check a box, so the queue runs dry after a few steps.
  AccessBox queue[16];
  std::size_t head = 0, tail = 0;
  queue[tail++] = changed;
  auto check = [&](bool& box, AccessBox which) {
    if (box) return;
    box = true;
    if (tail < std::size(queue)) queue[tail++] = which;
  };
  while (head < tail) {
    switch (queue[head++]) {
      case AccessBox::Read:
        if (!b.read) check(b.write, AccessBox::Write);
        if (!b.nack) check(b.ack, AccessBox::Ack);
        break;
      case AccessBox::Write:
        if (!b.write) check(b.read, AccessBox::Read);
        if (!b.nack) check(b.ack, AccessBox::Ack);
        break;
      case AccessBox::Ack:
        if (!b.ack) check(b.nack, AccessBox::Nack);
        if (!b.write) check(b.read, AccessBox::Read);
        break;
      case AccessBox::Nack:
        if (!b.nack) check(b.ack, AccessBox::Ack);
        if (!b.write) check(b.read, AccessBox::Read);
        break;
    }
  }
  return b;
}

AccessBoxes AccessBoxesOfMask(std::uint16_t mask) {
  AccessBoxes b;
  b.read = (mask & 0x1000) != 0;
  b.write = (mask & 0x0100) != 0;
  b.ack = (mask & 0x0010) != 0;
  b.nack = (mask & 0x0001) != 0;
  return b;
}

std::uint16_t MaskOfAccessBoxes(const AccessBoxes& b) {
  return static_cast<std::uint16_t>((b.read ? 0x1000 : 0) | (b.write ? 0x0100 : 0) | (b.ack ? 0x0010 : 0) |
                                    (b.nack ? 0x0001 : 0));
}

std::string GetAddrMapString() {
  std::string s(128, '0');
  for (std::size_t i = 0; i < 128; ++i) s[i] = kHexDigits[gAddrFilter.AddrMap[i] & 15];
  return s;
}

bool SetAddrMapString(std::string_view value) {
  if (value.size() != 128) return false;
  for (std::size_t i = 0; i < 128; ++i) {
    const int d = HexValue(value[i]);
    gAddrFilter.AddrMap[i] = static_cast<std::uint8_t>(d < 0 ? DSEL : d);
  }
  RefreshAddressMap();
  return true;
}

void SetAddressState(int address7, std::uint8_t state) {
  if (address7 < 0 || address7 > 127) return;
  gAddrFilter.AddrMap[static_cast<std::size_t>(address7)] = static_cast<std::uint8_t>(state & 15);
  gAddrFilter.marks[static_cast<std::size_t>(address7)] = ActivityMark::None;
}

void ResetAddressFilter() {
  gAddrFilter.AddrMap.fill(RW_AN);
  RefreshAddressMap();
}

void RefreshAddressMap() {
  gAddrFilter.marks.fill(ActivityMark::None);
  if (AddressMapRefreshed) AddressMapRefreshed();
}

}  // namespace vantrel
