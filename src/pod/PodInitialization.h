// The pod initialization window's steps as plain code: what it writes into
// its memo, which buttons it shows and focuses, and the download itself.
// Main thread only.
#pragma once
#include <functional>
#include <string>
#include <vector>

namespace vantrel {

inline constexpr const char* kPodConfigName = "Vantrel.pod";

struct PodInitState {
  std::vector<std::string> memo;
  bool continueVisible = true, okVisible = false, retryVisible = false, cancelVisible = true;
  enum class Focus { Continue, Ok, Cancel } focus = Focus::Continue;
};

// What the window needs from around it.
struct PodInitUi {
  // Shows the Select Pod Interface window modally.
  std::function<void()> selectInterface;
  // The "Locate Pod Configuration File" dialog, opened in `folder` with the
  // default name; the chosen path, or empty when cancelled.
  std::function<std::string(const std::string& folder)> locateFile;
  // The main window's Halt command.
  std::function<void()> halt;
  std::string programFolder;  // empty when not known
};

// The window is shown: releases the interface, lets the user choose one, and
// asks whether to go on.
void PodInitActivate(PodInitState& st, const PodInitUi& ui);
// Continue or Retry: finds the configuration file, checks the interface,
// installs its transport, halts any trace and downloads the file; sets
// PodInitialized.
void PodInitContinue(PodInitState& st, const PodInitUi& ui);

}  // namespace vantrel
