#include "analysis/Revisions.h"

namespace vantrel {

Revisions gRevisions;

void ResetRevisions() { gRevisions = Revisions{}; }

}  // namespace vantrel
