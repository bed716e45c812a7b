// The digital I/O board library: the seven calls the board transport makes,
// held as a table of function pointers resolved when the program starts, so
// that the program runs without the library (the board entries then just
// disappear). On Linux the calls are a thin adapter over the kernel's data
// acquisition library, loaded at run time: board n is /dev/comedi<n> and its
// first digital I/O subdevice; ports 10, 11, 12 and 13 are channels 0-7,
// 8-15, 16-19 and 20-23; a port's direction is set channel by channel.
// Every call returns 0 on success, else an error code for cbGetErrMsg.
#pragma once
#include <cstddef>
#include <cstdint>

namespace vantrel {

struct BoardLibrary {
  int (*cbDeclareRevision)(float* revision);
  int (*cbErrHandling)(int reporting, int handling);
  int (*cbDConfigPort)(int board, int port, int direction);
  int (*cbDOut)(int board, int port, std::uint16_t value);
  int (*cbDIn)(int board, int port, std::uint16_t* value);
  // The error's text into `message` (room for kBoardMessageSize characters).
  int (*cbGetErrMsg)(int code, char* message);
  // The board's name into `name` (room for kBoardMessageSize characters);
  // nonzero when there is no such board.
  int (*cbGetBoardName)(int board, char* name);
};

inline constexpr int kBoardPortA = 10, kBoardPortB = 11, kBoardPortCLow = 12, kBoardPortCHigh = 13;
inline constexpr int kDigitalOut = 1, kDigitalIn = 2;
inline constexpr std::size_t kBoardMessageSize = 256;
inline constexpr int kMaxBoards = 10;

// Program start (main window creation): false when the library or one of its
// calls is missing; the table is then null.
bool LoadBoardLibrary();
// Main window close.
void UnloadBoardLibrary();
// The loaded library's calls, or null.
const BoardLibrary* BoardLib();
// The library file the calls come from, as System Diagnostics names it.
const char* BoardLibraryFile();

}  // namespace vantrel
