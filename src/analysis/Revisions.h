// The SMBus and Smart Battery revisions the decoder follows: 0 = 1.0, 1 = 1.1.
#pragma once
#include <cstdint>

namespace vantrel {

struct Revisions {
  std::uint32_t SMBusRev = 0;
  std::uint32_t SBDataRev = 0;
  std::uint32_t SBChargerRev = 0;
  std::uint32_t SBSelectorRev = 0;
};

extern Revisions gRevisions;  // main thread

void ResetRevisions();

}  // namespace vantrel
