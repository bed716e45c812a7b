#include "pipeline/MainWindowSeam.h"

namespace vantrel {
namespace {

NullMainWindow gSilent;
MainWindowSeam* gSeam = &gSilent;

}  // namespace

TraceControls TraceControlsOf(TraceMode mode) {
  switch (mode) {
    case TraceMode::Live:
      return {"Trace", "start Trace", false, true, false, TraceControls::Halt};
    case TraceMode::Replay:
      return {"Pause!", "pause message display", true, true, false, TraceControls::None};
    case TraceMode::Paused:
    case TraceMode::Resumed:
      return {"More!", "resume message display", true, true, false, TraceControls::None};
    case TraceMode::Idle:
      break;
  }
  return {"Trace", "start Trace", true, false, true, TraceControls::Trace};
}

MainWindowSeam& MainWindow() { return *gSeam; }
void SetMainWindow(MainWindowSeam* seam) { gSeam = seam ? seam : &gSilent; }

}  // namespace vantrel
