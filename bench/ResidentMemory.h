// The benchmarks' memory figure: this process's resident set.
#pragma once
#include <cstdlib>
#include <fstream>
#include <string>

// In kB; -1 where /proc is not there.
inline long RssKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return -1;
}
