#include "pipeline/MainWindowSeam.h"

namespace vantrel {
namespace {

class SilentSeam final : public MainWindowSeam {
 public:
  void ShowMessage(std::string_view, std::string_view) override {}
  bool AskOkCancel(std::string_view, std::string_view) override { return true; }
  std::string UserName() override { return "<User Unknown>"; }
  void AppendDisplayLine(std::string_view) override {}
};

SilentSeam gSilent;
MainWindowSeam* gSeam = &gSilent;

}  // namespace

MainWindowSeam& MainWindow() { return *gSeam; }
void SetMainWindow(MainWindowSeam* seam) { gSeam = seam ? seam : &gSilent; }

}  // namespace vantrel
