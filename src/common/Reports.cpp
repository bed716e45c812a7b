#include "common/Reports.h"

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

}  // namespace vantrel
