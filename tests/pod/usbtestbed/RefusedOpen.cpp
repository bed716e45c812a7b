// The executable's own open(), ahead of umockdev's preload library and libc in
// symbol lookup, so that libusb's open of a device node can be refused.
// Everything else passes straight through to the next open() in line.
#undef _FORTIFY_SOURCE  // this file defines the functions fortify wraps
#include "RefusedOpen.h"

#include <dlfcn.h>
#include <fcntl.h>

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstring>

namespace {

std::atomic<bool> gRefuseNext{false};

bool Refused(const char* path) {
  constexpr char kNodes[] = "/dev/bus/usb/";
  return path != nullptr && std::strncmp(path, kNodes, sizeof kNodes - 1) == 0 && gRefuseNext.exchange(false);
}

template <typename F>
F Next(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

mode_t ModeArgument(int flags, std::va_list args) {
  return (flags & (O_CREAT | O_TMPFILE)) != 0 ? static_cast<mode_t>(va_arg(args, unsigned)) : 0;
}

using OpenFn = int (*)(const char*, int, ...);
using Open2Fn = int (*)(const char*, int);

}  // namespace

namespace vantrel::test {
void RefuseNextUsbNodeOpen(bool refuse) { gRefuseNext = refuse; }
}  // namespace vantrel::test

extern "C" {

int open(const char* path, int flags, ...) {
  std::va_list args;
  va_start(args, flags);
  const mode_t mode = ModeArgument(flags, args);
  va_end(args);
  if (Refused(path)) {
    errno = EACCES;
    return -1;
  }
  static const OpenFn next = Next<OpenFn>("open");
  return next(path, flags, mode);
}

int open64(const char* path, int flags, ...) {
  std::va_list args;
  va_start(args, flags);
  const mode_t mode = ModeArgument(flags, args);
  va_end(args);
  if (Refused(path)) {
    errno = EACCES;
    return -1;
  }
  static const OpenFn next = Next<OpenFn>("open64");
  return next(path, flags, mode);
}

// What fortified callers (libusb among them) call when the flags are not a
// constant.
int __open_2(const char* path, int flags) {
  if (Refused(path)) {
    errno = EACCES;
    return -1;
  }
  static const Open2Fn next = Next<Open2Fn>("__open_2");
  return next(path, flags);
}

int __open64_2(const char* path, int flags) {
  if (Refused(path)) {
    errno = EACCES;
    return -1;
  }
  static const Open2Fn next = Next<Open2Fn>("__open64_2");
  return next(path, flags);
}

}  // extern "C"
