// No logic analyser library on this build: no capture can be read.
#include "pod/LogicCapture.h"

namespace vantrel {

std::string ReadLogicFile(const std::string&, const std::string&, const LogicSource&) {
  return "This Vantrel was built without the logic analyser library (libsigrok): it cannot read captures";
}

std::string StreamLogicDevice(const std::string&, std::uint64_t, const LogicSource&) {
  return ReadLogicFile({}, {}, {});
}

bool LogicDevicePresent(const std::string&, std::string& error) {
  error = ReadLogicFile({}, {}, {});
  return false;
}

}  // namespace vantrel
