#include "pipeline/MainWindowSeam.h"

namespace vantrel {
namespace {

NullMainWindow gSilent;
MainWindowSeam* gSeam = &gSilent;

}  // namespace

MainWindowSeam& MainWindow() { return *gSeam; }
void SetMainWindow(MainWindowSeam* seam) { gSeam = seam ? seam : &gSilent; }

}  // namespace vantrel
