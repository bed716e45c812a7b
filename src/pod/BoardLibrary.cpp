#include "pod/BoardLibrary.h"

#include <array>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <type_traits>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#if !defined(_WIN32)
// The library's own handle type; its header, where installed, checks the
// calls below against the real declarations.
struct comedi_t_struct;
#if __has_include(<comedilib.h>)
#include <comedilib.h>
#define VANTREL_CHECK_COMEDI 1
#endif
#endif

namespace vantrel {
namespace {

BoardLibrary gTable;
bool gLoaded = false;

#if defined(_WIN32)

// The board vendor's own library has these calls.
constexpr const char* kLibraryFile = "CBW32.DLL";
HMODULE gModule = nullptr;

template <typename F>
bool Resolve(F& slot, const char* name) {
  slot = reinterpret_cast<F>(::GetProcAddress(gModule, name));
  return slot != nullptr;
}

bool Load() {
  gModule = ::LoadLibraryA(kLibraryFile);
  if (gModule == nullptr) return false;
  const bool all = Resolve(gTable.cbDOut, "cbDOut") && Resolve(gTable.cbDIn, "cbDIn") &&
                   Resolve(gTable.cbGetErrMsg, "cbGetErrMsg") && Resolve(gTable.cbDConfigPort, "cbDConfigPort") &&
                   Resolve(gTable.cbDeclareRevision, "cbDeclareRevision") &&
                   Resolve(gTable.cbErrHandling, "cbErrHandling") && Resolve(gTable.cbGetBoardName, "cbGetBoardName");
  if (!all) {
    ::FreeLibrary(gModule);
    gModule = nullptr;
  }
  return all;
}

void Unload() {
  if (gModule != nullptr) ::FreeLibrary(gModule);
  gModule = nullptr;
}

#else

// The data acquisition library's C interface, as far as the adapter uses it.
constexpr const char* kLibraryFile = "libcomedi.so.0";
constexpr int kSubdeviceDio = 5;  // COMEDI_SUBD_DIO
constexpr unsigned kInput = 0, kOutput = 1;
using comedi_t = ::comedi_t_struct;

struct Comedi {
  comedi_t* (*open)(const char* file);
  int (*close)(comedi_t* device);
  int (*find_subdevice_by_type)(comedi_t* device, int type, unsigned start);
  int (*dio_config)(comedi_t* device, unsigned subdevice, unsigned channel, unsigned direction);
  int (*dio_bitfield2)(comedi_t* device, unsigned subdevice, unsigned writeMask, unsigned* bits, unsigned base);
  const char* (*get_board_name)(comedi_t* device);
  int (*errno_)();
  const char* (*strerror)(int code);
};
Comedi gComedi;
void* gHandle = nullptr;

template <typename F>
bool Resolve(F& slot, const char* name) {
  slot = reinterpret_cast<F>(::dlsym(gHandle, name));
  return slot != nullptr;
}

// Errors of the adapter itself, above the library's own codes.
constexpr int kNoSuchBoard = 100001, kNoDigitalIo = 100002, kBadPort = 100003;

// A board, opened on first use and kept open (the main thread opens boards;
// the acquisition thread only reads and writes an open one).
struct Board {
  std::atomic<comedi_t*> device{nullptr};
  int subdevice = -1;
};
std::array<Board, kMaxBoards> gBoards;

int LastError() { return gComedi.errno_ ? gComedi.errno_() : kNoSuchBoard; }

Board* OpenBoard(int n, int& error) {
  if (n < 0 || n >= kMaxBoards) {
    error = kNoSuchBoard;
    return nullptr;
  }
  Board& b = gBoards[static_cast<std::size_t>(n)];
  if (b.device.load() != nullptr) return &b;
  const std::string file = "/dev/comedi" + std::to_string(n);
  comedi_t* d = gComedi.open(file.c_str());
  if (d == nullptr) {
    error = kNoSuchBoard;
    return nullptr;
  }
  const int subdevice = gComedi.find_subdevice_by_type(d, kSubdeviceDio, 0);
  if (subdevice < 0) {
    gComedi.close(d);
    error = kNoDigitalIo;
    return nullptr;
  }
  b.subdevice = subdevice;
  b.device = d;
  return &b;
}

struct Channels {
  unsigned first, count;
};
bool ChannelsOf(int port, Channels& c) {
  switch (port) {
    case kBoardPortA: c = {0, 8}; return true;
    case kBoardPortB: c = {8, 8}; return true;
    case kBoardPortCLow: c = {16, 4}; return true;
    case kBoardPortCHigh: c = {20, 4}; return true;
    default: return false;
  }
}

int DeclareRevision(float*) { return 0; }
int ErrHandling(int, int) { return 0; }

int DConfigPort(int board, int port, int direction) {
  int error = 0;
  Channels c{};
  if (!ChannelsOf(port, c)) return kBadPort;
  Board* b = OpenBoard(board, error);
  if (b == nullptr) return error;
  const unsigned dir = direction == kDigitalOut ? kOutput : kInput;
  for (unsigned ch = c.first; ch < c.first + c.count; ++ch) {
    if (gComedi.dio_config(b->device, static_cast<unsigned>(b->subdevice), ch, dir) < 0) return LastError();
  }
  return 0;
}

int DOut(int board, int port, std::uint16_t value) {
  int error = 0;
  Channels c{};
  if (!ChannelsOf(port, c)) return kBadPort;
  Board* b = OpenBoard(board, error);
  if (b == nullptr) return error;
  // Bits count from the port's first channel.
  const unsigned mask = (1u << c.count) - 1;
  unsigned bits = static_cast<unsigned>(value) & mask;
  if (gComedi.dio_bitfield2(b->device, static_cast<unsigned>(b->subdevice), mask, &bits, c.first) < 0)
    return LastError();
  return 0;
}

int DIn(int board, int port, std::uint16_t* value) {
  int error = 0;
  Channels c{};
  if (!ChannelsOf(port, c)) return kBadPort;
  Board* b = OpenBoard(board, error);
  if (b == nullptr) return error;
  unsigned bits = 0;
  if (gComedi.dio_bitfield2(b->device, static_cast<unsigned>(b->subdevice), 0, &bits, c.first) < 0)
    return LastError();
  *value = static_cast<std::uint16_t>(bits & ((1u << c.count) - 1));
  return 0;
}

void Copy(char* out, const char* text) {
  std::snprintf(out, kBoardMessageSize, "%s", text != nullptr ? text : "");
}

int GetErrMsg(int code, char* message) {
  switch (code) {
    case kNoSuchBoard: Copy(message, "Board not found."); break;
    case kNoDigitalIo: Copy(message, "Board has no digital I/O."); break;
    case kBadPort: Copy(message, "Invalid port number."); break;
    default: Copy(message, gComedi.strerror(code)); break;
  }
  return 0;
}

int GetBoardName(int board, char* name) {
  int error = 0;
  Board* b = OpenBoard(board, error);
  if (b == nullptr) return error;
  const char* text = gComedi.get_board_name(b->device);
  if (text == nullptr) {
    // The board went away: forget it, so that it can be found again later.
    if (comedi_t* d = b->device.exchange(nullptr)) gComedi.close(d);
    return kNoSuchBoard;
  }
  Copy(name, text);
  return 0;
}

#if defined(VANTREL_CHECK_COMEDI)
static_assert(std::is_same_v<decltype(&::comedi_open), decltype(Comedi::open)>);
static_assert(std::is_same_v<decltype(&::comedi_close), decltype(Comedi::close)>);
static_assert(std::is_same_v<decltype(&::comedi_find_subdevice_by_type), decltype(Comedi::find_subdevice_by_type)>);
static_assert(std::is_same_v<decltype(&::comedi_dio_config), decltype(Comedi::dio_config)>);
static_assert(std::is_same_v<decltype(&::comedi_dio_bitfield2), decltype(Comedi::dio_bitfield2)>);
static_assert(std::is_same_v<decltype(&::comedi_get_board_name), decltype(Comedi::get_board_name)>);
static_assert(std::is_same_v<decltype(&::comedi_errno), decltype(Comedi::errno_)>);
static_assert(std::is_same_v<decltype(&::comedi_strerror), decltype(Comedi::strerror)>);
static_assert(kSubdeviceDio == COMEDI_SUBD_DIO && kInput == COMEDI_INPUT && kOutput == COMEDI_OUTPUT);
#endif

bool Load() {
  gHandle = ::dlopen(kLibraryFile, RTLD_NOW | RTLD_LOCAL);
  if (gHandle == nullptr) return false;
  const bool all = Resolve(gComedi.open, "comedi_open") && Resolve(gComedi.close, "comedi_close") &&
                   Resolve(gComedi.find_subdevice_by_type, "comedi_find_subdevice_by_type") &&
                   Resolve(gComedi.dio_config, "comedi_dio_config") &&
                   Resolve(gComedi.dio_bitfield2, "comedi_dio_bitfield2") &&
                   Resolve(gComedi.get_board_name, "comedi_get_board_name") &&
                   Resolve(gComedi.errno_, "comedi_errno") && Resolve(gComedi.strerror, "comedi_strerror");
  if (!all) {
    ::dlclose(gHandle);
    gHandle = nullptr;
    return false;
  }
  gTable = {&DeclareRevision, &ErrHandling, &DConfigPort, &DOut, &DIn, &GetErrMsg, &GetBoardName};
  return true;
}

void Unload() {
  for (Board& b : gBoards) {
    if (comedi_t* d = b.device.exchange(nullptr)) gComedi.close(d);
  }
  if (gHandle != nullptr) ::dlclose(gHandle);
  gHandle = nullptr;
  gComedi = {};
}

#endif

}  // namespace

bool LoadBoardLibrary() {
  if (gLoaded) return true;
  gLoaded = Load();
  if (!gLoaded) gTable = {};
  return gLoaded;
}

void UnloadBoardLibrary() {
  if (!gLoaded) return;
  Unload();
  gTable = {};
  gLoaded = false;
}

const BoardLibrary* BoardLib() { return gLoaded ? &gTable : nullptr; }

const char* BoardLibraryFile() { return kLibraryFile; }

}  // namespace vantrel
