// What a test uses to wire the stand-in data acquisition library to a pod.
#pragma once
#include <cstdint>

extern "C" {

struct VantrelStandInLines {
  void (*write)(void* context, std::uint16_t port, std::uint8_t value);
  std::uint8_t (*read)(void* context, std::uint16_t port);
  void* context;
};

// Board n answers (lines not null) or is absent (null).
void vantrel_standin_attach(int board, const VantrelStandInLines* lines);
// The next `calls` configuration and bit-field calls fail with errnum.
void vantrel_standin_fail(int errnum, int calls);
}
