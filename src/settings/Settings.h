// The program settings: every option of every subsystem written to and read
// from the settings file ("Vantrel.vps") as KEY=VALUE lines in one table's
// order, and the built-in defaults. The options stay with their owners; this
// module only reads and sets them. Main thread only.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

// Options owned by no other subsystem.
struct WindowOptions {
  bool ShowHints = true;           // Options | Show Hints
  std::uint32_t CharPerLine = 250;  // stored and restored only
};
extern WindowOptions gWindowOptions;

inline constexpr const char* kSettingsFileName = "Vantrel.vps";

// Every option to its built-in default, in the table's order, after
// releasing an initialized pod (the program's start-up state).
void RestoreDefaultSettings();

// Tests the line against every key in table order (a key's text anywhere in
// the line applies it, so one line may set several keys). Lines holding ';'
// are comments and change nothing. false when a value is malformed in a way
// that makes a settings file unreadable from this line on (a negative number,
// a short MatchCondition or MatchData value); earlier keys stay applied.
bool ApplySettingsLine(std::string_view line);

// The five header lines and one line per option, each ending in CR LF, as
// Save writes them.
std::string SettingsFileText();
// The option lines alone, in write order, without line ends.
std::vector<std::string> SettingsLines();

// Save: writes `path`, replacing it. Reports "Cannot Create Setup File" or
// "Cannot Write to Setup File" ("Setup File Error"); false then.
bool SaveSettingsFile(const std::string& path);
// Load from the program's data folder ("" when there is none): releases an
// initialized pod, then reads data folder + "Vantrel.vps", or "Vantrel.vps"
// in the current folder; neither there: nothing changes, no report.
void LoadSettings(const std::string& dataFolder);
// Load of one named file (the pod released as above). Reports "Cannot Open
// Setup File NAME!" and "Cannot Read from Setup File NAME!" (NAME without
// its folder), "Setup File Error"; false then. Lines read before a read
// error stay applied.
bool LoadSettingsFile(const std::string& path);

}  // namespace vantrel
