// Log files: the raw trace words of a trace as text, one word per line, so a
// trace can be replayed without a pod. One file open for writing and one for
// reading. Failures are reported through the main-window seam with the log
// file's own messages and close the file concerned; the trace goes on.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vantrel::LogFile {

// Set while a file is open; read by the trace status window from the main thread.
extern std::atomic<bool> LogWriteOpen;
extern std::atomic<bool> LogReadOpen;

// Main thread (trace start). retryCounter 1 = first attempt of the trace: an
// existing file is replaced only after "Already Exists, Replace?" is answered OK.
bool CreateForWrite(const std::string& name, int retryCounter);
// Parser thread, every word processed. Does nothing unless LogWriteOpen.
void WriteWord(std::uint32_t word);
// Main thread (halt): writes ";Closed:" and closes.
void CloseForWrite();
// KB on disk of the file being written (buffered data not counted); 0 when none.
std::uint32_t WrittenSizeKB();

// Main thread (trace start). Checks the two identification lines.
bool OpenForRead(const std::string& name);
// Main thread (a log chosen for read): the same checks and reports as
// OpenForRead, leaving nothing open.
bool CheckForRead(const std::string& name);
// Parser thread. The next trace word, or 0 at the end of the replay (end of the
// file, or an invalid or unreadable line, after its report). Comment lines met
// on the way go to the trace display, in file order.
std::uint32_t ReadWord();
// Main thread (halt), and the reader itself at the end.
void CloseForRead();

// Where ReadWord sends the comment lines it meets; empty sends them to the
// trace display through the main-window seam. Set on the reading thread.
using CommentSink = std::function<void(std::string_view line)>;
void SetCommentSink(CommentSink sink);

}  // namespace vantrel::LogFile
