#include "pipeline/TraceState.h"

namespace vantrel {

TraceState gTrace;

void BeginTraceState() {
  if (!gTrace.MsgTrackingMutex) gTrace.MsgTrackingMutex = std::make_unique<TimedMutex>();
  gTrace.TraceRunning = true;
}

void EndTraceState() {
  gTrace.TraceRunning = false;
  gTrace.MsgTrackingMutex.reset();
}

}  // namespace vantrel
