// No logic analyser library on this build: no capture can be read.
#include "pod/LogicCapture.h"

namespace vantrel {

std::string ReadLogicFile(const std::string&, const std::string&, const LogicSource&) {
  return "This Vantrel was built without the logic analyser library (libsigrok): it cannot read captures";
}

}  // namespace vantrel
