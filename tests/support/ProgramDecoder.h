// The decoder as the program runs it: its real lookups (aliases, filters,
// revisions), statistics and displayed-message tables, default settings, and
// a trace running.
#pragma once
#include "DecoderFixture.h"
#include "analysis/AddressStats.h"
#include "pipeline/MessageTables.h"
#include "pipeline/TraceState.h"
#include "settings/Settings.h"

namespace vantrel::test {

class ProgramDecoderTest : public DecodingTest {
 protected:
  void SetUp() override {
    ConnectDecoder();
    RestoreDefaultSettings();
    ResetDecoder();
    ResetStatistics();
    ClearMessageTables();
    BeginTraceState();
  }
  void TearDown() override { EndTraceState(); }
};

}  // namespace vantrel::test
