// The digital I/O board transport: the pod cabled to a board with ports A, B
// and C, driven through the board library (BoardLibrary.h). Pod port 0 is
// port A (out), port 1 port B (in), port 2 port C's high nibble when written
// and its low nibble when read. Its acquisition thread reads trace bytes one
// strobe at a time and flushes a spool record at 512 bytes or 50 ms after
// its first byte. Main thread unless said otherwise.
#pragma once
#include <string>
#include <vector>

namespace vantrel {

// Fills all 18 slots of the pod table (ULBoardNum is the board number).
void InstallBoardTransport();
// A board library is loaded and board n answers with its name.
bool BoardPresent(int n);
// "ISA/PCI/PCMCIA/PCIe Board #n" for every board 0..9 that answers.
std::vector<std::string> BoardEntries();
// System Diagnostics: the library line, then a line per board with its name.
// Returns true when at least one board is listed.
bool ListBoards(std::vector<std::string>& lines);

inline constexpr const char* kBoardPrefix = "ISA/PCI/PCMCIA/PCIe Board #";

// Reused by the pod simulator, whose ports behave as a board's.
namespace board {
// Sends the configuration file's digits, four bits each, while the pod asks
// for more; true when the pod then reports itself configured.
bool LoadPodConfiguration(const std::string& path);
// The strobed acquisition loop (acquisition thread).
void AcquisitionLoop();
}  // namespace board

}  // namespace vantrel
