// Settings lines ("KEY=VALUE") applied to the options of every subsystem, the
// way a settings file load applies each of its lines, and the defaults.
// Main thread only.
#pragma once
#include <string_view>

namespace vantrel {

// Every option to its built-in default (the program's start-up state).
void RestoreDefaultSettings();

// Tests the line against every key in table order (a key's text anywhere in
// the line applies it, so one line may set several keys). Lines holding ';'
// are comments and change nothing. false when a value is malformed in a way
// that makes a settings file unreadable from this line on (a negative number,
// a short MatchCondition or MatchData value); earlier keys stay applied.
bool ApplySettingsLine(std::string_view line);

}  // namespace vantrel
