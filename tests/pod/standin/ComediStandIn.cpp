// A stand-in for the data acquisition library, built as libcomedi.so.0 so
// that the program loads it exactly as it loads the real one. Each board is
// an 8255-type digital I/O subdevice of 24 channels (direction per channel,
// bit-field reads and writes) whose lines a test wires to a pod: channels
// 0-7 (port A) drive the pod's port 0, 8-15 (B) read its port 1, 20-23 (C
// high) drive its control nibble and 16-19 (C low) read its status nibble.
// Reads sample the port group the call's base channel names.
#include <comedilib.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "ComediStandIn.h"

struct comedi_t_struct {
  int board;
};

namespace {

struct Board {
  VantrelStandInLines lines{};
  bool present = false;
  std::uint32_t outputs = 0;  // channel directions, 1 = output
  std::uint32_t latch = 0;    // the output latches
  comedi_t_struct handle{};
};

std::mutex gMutex;  // guards the boards' directions and latches, never held while calling a pod
std::array<Board, 16> gBoards;
thread_local int tErrno = 0;
std::atomic<int> gFailWith{0};
std::atomic<int> gFailCount{0};

bool Failing() {
  if (gFailCount.load() <= 0) return false;
  if (gFailCount.fetch_sub(1) <= 0) return false;
  tErrno = gFailWith;
  return true;
}

Board* Of(comedi_t* it) {
  if (it == nullptr || it->board < 0 || it->board >= static_cast<int>(gBoards.size())) return nullptr;
  Board& b = gBoards[static_cast<std::size_t>(it->board)];
  return b.present ? &b : nullptr;
}

}  // namespace

extern "C" {

void vantrel_standin_attach(int board, const VantrelStandInLines* lines) {
  std::lock_guard lock(gMutex);
  Board& b = gBoards[static_cast<std::size_t>(board)];
  b = Board{};
  b.handle.board = board;
  if (lines != nullptr) {
    b.lines = *lines;
    b.present = true;
  }
}

void vantrel_standin_fail(int errnum, int calls) {
  gFailWith = errnum;
  gFailCount = calls;
}

comedi_t* comedi_open(const char* fn) {
  int n = -1;
  if (std::sscanf(fn, "/dev/comedi%d", &n) != 1 || n < 0 || n >= static_cast<int>(gBoards.size())) {
    tErrno = ENOENT;
    return nullptr;
  }
  std::lock_guard lock(gMutex);
  Board& b = gBoards[static_cast<std::size_t>(n)];
  if (!b.present) {
    tErrno = ENOENT;
    return nullptr;
  }
  return &b.handle;
}

int comedi_close(comedi_t*) { return 0; }

int comedi_find_subdevice_by_type(comedi_t* it, int type, unsigned int subd) {
  if (Of(it) == nullptr || type != COMEDI_SUBD_DIO || subd > 0) {
    tErrno = ENODEV;
    return -1;
  }
  return 0;
}

int comedi_dio_config(comedi_t* it, unsigned int subd, unsigned int chan, unsigned int dir) {
  Board* b = Of(it);
  if (b == nullptr || subd != 0 || chan >= 24 || Failing()) {
    if (b == nullptr || subd != 0 || chan >= 24) tErrno = EINVAL;
    return -1;
  }
  std::lock_guard lock(gMutex);
  if (dir == COMEDI_OUTPUT) {
    b->outputs |= 1u << chan;
  } else {
    b->outputs &= ~(1u << chan);
  }
  return 1;
}

int comedi_dio_bitfield2(comedi_t* it, unsigned int subd, unsigned int write_mask, unsigned int* bits,
                         unsigned int base_channel) {
  Board* b = Of(it);
  if (b == nullptr || subd != 0 || base_channel >= 24 || Failing()) {
    if (b == nullptr || subd != 0 || base_channel >= 24) tErrno = EINVAL;
    return -1;
  }
  const std::uint32_t mask = (write_mask << base_channel) & 0xFFFFFFu;
  std::uint32_t latch = 0, outputs = 0;
  {
    std::lock_guard lock(gMutex);
    b->latch = (b->latch & ~mask) | ((*bits << base_channel) & mask);
    latch = b->latch;
    outputs = b->outputs;
  }
  const VantrelStandInLines& l = b->lines;
  // Driven lines reach the pod.
  if ((mask & 0xFFu) != 0 && (outputs & 0xFFu) == 0xFFu) l.write(l.context, 0, static_cast<std::uint8_t>(latch));
  if ((mask & 0xF00000u) != 0 && (outputs & 0xF00000u) == 0xF00000u)
    l.write(l.context, 2, static_cast<std::uint8_t>(((latch >> 20) & 0xFu) << 4));
  if (write_mask != 0) return 1;
  // A read: the group at the base channel, outputs reading their latches.
  std::uint32_t lines = latch;
  if (base_channel == 8 && (outputs & 0xFF00u) == 0) {
    lines = (lines & ~0xFF00u) | (std::uint32_t{l.read(l.context, 1)} << 8);
  } else if (base_channel == 16 && (outputs & 0xF0000u) == 0) {
    lines = (lines & ~0xF0000u) | (std::uint32_t{static_cast<std::uint8_t>(l.read(l.context, 2) & 0x0Fu)} << 16);
  }
  *bits = lines >> base_channel;
  return 1;
}

const char* comedi_get_board_name(comedi_t* it) { return Of(it) != nullptr ? "8255 stand-in" : nullptr; }

int comedi_errno(void) { return tErrno; }

const char* comedi_strerror(int errnum) {
  static thread_local char text[96];
  std::snprintf(text, sizeof text, "stand-in error %d: %s", errnum, std::strerror(errnum));
  return text;
}

}  // extern "C"
