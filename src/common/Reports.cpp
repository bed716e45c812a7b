#include "common/Reports.h"

#include <filesystem>
#include <system_error>

namespace vantrel {
namespace {

class Silent final : public ReportSeam {
 public:
  void ShowMessage(std::string_view, std::string_view) override {}
  bool AskOkCancel(std::string_view, std::string_view) override { return true; }
  std::string UserName() override { return "<User Unknown>"; }
  void Beep() override {}
};

Silent gSilent;
ReportSeam* gReports = &gSilent;

}  // namespace

ReportSeam& Reports() { return *gReports; }
void SetReports(ReportSeam* seam) { gReports = seam ? seam : &gSilent; }

bool MayReplaceTraceFile(std::string_view kind, const std::string& name, int retryCounter, std::string_view title) {
  std::error_code ec;
  if (retryCounter > 1 || !std::filesystem::exists(name, ec)) return true;
  const std::string question = std::string(kind) + ":\r\n\r\n[" + name + "]\r\n\r\nAlready Exists, Replace?";
  return Reports().AskOkCancel(question, title);
}

}  // namespace vantrel
