// Reports and questions to the user, and the user's name for file headers:
// the one way every subsystem reaches the user. Main thread, except that
// ShowMessage may also come from the parser thread (log file failures); the
// implementation carries it to the main thread.
#pragma once
#include <string>
#include <string_view>

namespace vantrel {

class ReportSeam {
 public:
  virtual ~ReportSeam() = default;
  // A modal report with an OK button.
  virtual void ShowMessage(std::string_view text, std::string_view title) = 0;
  // OK/Cancel question; true for OK.
  virtual bool AskOkCancel(std::string_view text, std::string_view title) = 0;
  // Caption of the User menu: written after ";By: " in every file header.
  virtual std::string UserName() = 0;
  virtual void Beep() = 0;
};

// Never null: until one is set, reports are dropped, questions answered OK
// and the user is "<User Unknown>".
ReportSeam& Reports();
void SetReports(ReportSeam* seam);  // not owned; nullptr restores the silent one

// Before a trace creates one of its files: false when `name` exists and the
// user answers Cancel to "KIND:\r\n\r\n[NAME]\r\n\r\nAlready Exists,
// Replace?". Only the trace's first attempt asks (retryCounter 1); a retry
// already has the user's answer.
bool MayReplaceTraceFile(std::string_view kind, const std::string& name, int retryCounter, std::string_view title);

}  // namespace vantrel
