// The display file: a text copy of the message lines shown in the trace display.
#pragma once
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

namespace vantrel::DisplayFile {

extern std::atomic<bool> DisplayFileOpen;

// Main thread (trace start). retryCounter 1 asks before replacing a file.
bool Create(const std::string& name, int retryCounter);
// Main thread (display loop). false after a failed write, which closes the
// file without its ";Closed:" line (the caller reports "Display File Error,
// Trace Terminated." and halts).
bool WriteLine(std::string_view line);
// Main thread (halt): writes ";Closed:" and closes.
void Close();
std::uint32_t WrittenSizeKB();

}  // namespace vantrel::DisplayFile
