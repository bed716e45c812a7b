// The SMBus and Smart Battery revisions the decoder follows (0 = 1.0,
// 1 = 1.1), as the SBS Revision window and the settings file set them.
#pragma once
#include "decode/DecoderServices.h"

namespace vantrel {

using Revisions = SbsRevisions;
extern Revisions gRevisions;  // main thread
void ResetRevisions();

}  // namespace vantrel
