// Choosing a pod interface: the kinds of interface the program knows (how
// each lists its interfaces, checks one's presence and installs its
// transport), the Select Pod Interface window's rules as plain code, and the
// interface listing of System Diagnostics. Main thread only.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "pod/PodInterface.h"

namespace vantrel {

struct InterfaceKindOps {
  InterfaceKind type;
  const char* prefix;                      // entry prefix, e.g. "USB SN #"
  bool numbered;                           // entries are prefix + number; else the prefix alone (number 0)
  std::vector<std::string> (*Entries)();   // its discovery list entries
  bool (*Present)(std::int32_t number);    // the numbered interface is there
  void (*Install)();                       // fills the pod table
  bool (*List)(std::vector<std::string>& lines);  // System Diagnostics; true when one was listed
};
// In listing order. Every kind the program was built with.
const std::vector<InterfaceKindOps>& InterfaceKinds();
const InterfaceKindOps* KindOps(InterfaceKind type);

inline constexpr const char* kNoneSelected = "<None Selected>";

// The prefix of an interface type ("NONE" for none).
std::string EntryPrefix(InterfaceKind type);
// The number in the (up to) 10 characters after the first
// Length(prefix of `type`) characters of an entry, if they are one; 0 for
// an entry of an unnumbered kind that is its prefix alone.
std::optional<std::int32_t> EntryNumber(const std::string& entry, InterfaceKind type);
// The interface type an entry names (the first kind whose prefix it contains).
InterfaceKind KindOfEntry(const std::string& entry);
// "NONE", "ISA/PCI/PCMCIA/PCIe Board #3", "USB SN #00001234", "Pod Simulator".
std::string InterfaceText();

// The Select Pod Interface window.
struct PortselState {
  std::vector<std::string> entries;  // "<None Selected>" first
  int selected = 0;
  bool okVisible = true, testVisible = true;
  std::vector<std::string> notFound;  // the three lines shown when no pod hardware was found
};
// On show: lists the interfaces and selects the one chosen before; beeps and
// selects "<None Selected>" (InterfaceType 0) when it is not among them.
PortselState PortselShow(const std::function<void()>& beep);
// OK: true when the window closes; false (after a beep) when the entry
// names no interface.
bool PortselOk(const std::string& entry, const std::function<void()>& beep);

// Test: the loopback test with its questions and result.
struct PortselTestUi {
  std::function<void()> beep;
  std::function<bool(const std::string& text, const std::string& title)> askOkCancel;
  std::function<void(const std::string& text, const std::string& title)> show;
};
void PortselTest(const std::string& entry, const PortselTestUi& ui);

// System Diagnostics' "Available Pod Interfaces:" lines; true when any
// interface was found.
bool ListPodInterfaces(std::vector<std::string>& lines);

}  // namespace vantrel
