#include "pod/InterfaceSelection.h"

#include <charconv>

#include "pod/CBWAdapter.h"
#include "pod/LogicAnalyser.h"
#include "pod/PodInterface.h"
#include "pod/PodSimulator.h"
#include "pod/USBAdapter.h"

namespace vantrel {

const std::vector<InterfaceKindOps>& InterfaceKinds() {
  static const std::vector<InterfaceKindOps> kinds = {
      {InterfaceKind::Board, kBoardPrefix, true, &BoardEntries, &BoardPresent, &InstallBoardTransport, &ListBoards},
      {InterfaceKind::Usb, kUsbPrefix, true, &UsbEntries, &UsbAdapterPresent, &InstallUsbTransport,
       &ListUsbAdapters},
      {InterfaceKind::Simulator, kSimulatorEntry, false, &SimulatorEntries, &SimulatorPresent,
       &InstallPodSimulator, &ListSimulator},
      {InterfaceKind::LogicAnalyser, kLogicAnalyserEntry, false, &LogicAnalyserEntries, &LogicAnalyserPresent,
       &InstallLogicAnalyserTransport, &ListLogicAnalyser},
  };
  return kinds;
}

const InterfaceKindOps* KindOps(InterfaceKind type) {
  for (const InterfaceKindOps& k : InterfaceKinds()) {
    if (k.type == type) return &k;
  }
  return nullptr;
}

std::string EntryPrefix(InterfaceKind type) {
  const InterfaceKindOps* k = KindOps(type);
  return k != nullptr ? k->prefix : "NONE";
}

std::optional<std::int32_t> EntryNumber(const std::string& entry, InterfaceKind type) {
  const InterfaceKindOps* k = KindOps(type);
  if (k != nullptr && !k->numbered) return entry == k->prefix ? std::optional<std::int32_t>(0) : std::nullopt;
  const std::size_t skip = EntryPrefix(type).size();
  if (entry.size() <= skip) return std::nullopt;
  const std::string digits = entry.substr(skip, 10);
  std::int32_t n = 0;
  const char* first = digits.data();
  const char* last = first + digits.size();
  if (first != last && *first == '+') ++first;
  const auto [end, ec] = std::from_chars(first, last, n);
  if (ec != std::errc{} || end != last) return std::nullopt;
  return n;
}

InterfaceKind KindOfEntry(const std::string& entry) {
  for (const InterfaceKindOps& k : InterfaceKinds()) {
    if (entry.find(k.prefix) != std::string::npos) return k.type;
  }
  return InterfaceKind::None;
}

std::string InterfaceText() {
  const PodSelection& s = gPodSelection;
  switch (s.InterfaceType) {
    case InterfaceKind::None:
      return "NONE";
    case InterfaceKind::Usb: {
      std::string serial = std::to_string(s.ULBoardNum);
      if (serial.size() < 8) serial.insert(0, 8 - serial.size(), '0');
      return EntryPrefix(s.InterfaceType) + serial;
    }
    case InterfaceKind::Simulator:
    case InterfaceKind::LogicAnalyser:
      return EntryPrefix(s.InterfaceType);
    default:
      return EntryPrefix(s.InterfaceType) + std::to_string(s.ULBoardNum);
  }
}

PortselState PortselShow(const std::function<void()>& beep) {
  PortselState st;
  st.entries.push_back(kNoneSelected);
  bool hardware = false;
  for (const InterfaceKindOps& k : InterfaceKinds()) {
    for (std::string& e : k.Entries()) {
      hardware = hardware || k.numbered;
      st.entries.push_back(std::move(e));
    }
  }
  // Said even when the simulator is offered: no pod hardware was found.
  if (!hardware) st.notFound = {"Pod Interface NOT FOUND!", "See User's Guide for instructions to", "install pod interface."};
  PodSelection& sel = gPodSelection;
  if (st.entries.size() == 1) {
    sel.InterfaceType = InterfaceKind::None;
    st.entries.clear();
    st.okVisible = st.testVisible = false;
    return st;
  }
  st.selected = 1;
  const std::string prefix = EntryPrefix(sel.InterfaceType);
  for (std::size_t i = 0; i < st.entries.size(); ++i) {
    if (sel.InterfaceType == InterfaceKind::None) break;
    const std::string& e = st.entries[i];
    if (e.find(prefix) != std::string::npos && EntryNumber(e, sel.InterfaceType) == sel.ULBoardNum) {
      st.selected = static_cast<int>(i);
      return st;
    }
  }
  st.selected = 0;
  sel.InterfaceType = InterfaceKind::None;
  beep();
  return st;
}

bool PortselOk(const std::string& entry, const std::function<void()>& beep) {
  PodSelection& sel = gPodSelection;
  sel.InterfaceType = KindOfEntry(entry);
  const std::optional<std::int32_t> n = EntryNumber(entry, sel.InterfaceType);
  if (!n) {
    beep();
    return false;
  }
  sel.ULBoardNum = *n;
  return true;
}

void PortselTest(const std::string& entry, const PortselTestUi& ui) {
  PodSelection& sel = gPodSelection;
  sel.InterfaceType = KindOfEntry(entry);
  const std::optional<std::int32_t> n = EntryNumber(entry, sel.InterfaceType);
  if (!n) {
    ui.beep();
    return;
  }
  sel.ULBoardNum = *n;
  const InterfaceKindOps* k = KindOps(sel.InterfaceType);
  if (k == nullptr) {
    ui.beep();
    return;
  }
  k->Install();
  const std::string title = "Pod Interface Loopback Test";
  if (!ui.askOkCancel("Interface test requires interface cable to be disconnected from Pod.", title)) return;
  if (!ui.askOkCancel("Jumper Interface Board or Cable DB-37 Pin 25 to Pin 29.", "Operator Action Required")) return;
  ui.show(gPod.LoopbackTest() ? "Test Passed" : "Test Failed", title);
}

bool ListPodInterfaces(std::vector<std::string>& lines) {
  bool any = false;
  for (const InterfaceKindOps& k : InterfaceKinds()) any = k.List(lines) || any;
  return any;
}

}  // namespace vantrel
