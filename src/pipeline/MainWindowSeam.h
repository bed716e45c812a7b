// The one way the core reaches the main window: reports, questions, the user
// name, and lines for the trace display. The desktop program implements it with
// message boxes; the headless tool with stderr; tests record the calls.
#pragma once
#include <string>
#include <string_view>

namespace vantrel {

class MainWindowSeam {
 public:
  virtual ~MainWindowSeam() = default;
  // A modal report with an OK button. Main thread, or the parser thread
  // (log reads), which the implementation must carry to the main thread.
  virtual void ShowMessage(std::string_view text, std::string_view title) = 0;
  // OK/Cancel question; true for OK.
  virtual bool AskOkCancel(std::string_view text, std::string_view title) = 0;
  // Caption of the User menu: written after ";By: " in every file header.
  virtual std::string UserName() = 0;
  // A line for the trace display that does not go to the display file
  // (log comment lines, end-of-trace lines). Kept in call order.
  virtual void AppendDisplayLine(std::string_view line) = 0;
};

// Never null: a silent seam (answers OK, "<User Unknown>") until one is set.
MainWindowSeam& MainWindow();
// Not owned; nullptr restores the silent seam.
void SetMainWindow(MainWindowSeam* seam);

}  // namespace vantrel
