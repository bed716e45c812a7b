#include "pod/PodInitialization.h"

#include <filesystem>

#include "pod/InterfaceSelection.h"
#include "pod/PodInterface.h"

namespace vantrel {
namespace {

using Focus = PodInitState::Focus;

void InterfaceMissing(PodInitState& st, const char* warning) {
  st.memo.push_back(warning);
  st.memo.push_back("");
  st.memo.push_back("Cancel and Install, or Select Alternate, Pod Interface.");
  st.memo.push_back("(See User's Guide for additional instructions.)");
  st.cancelVisible = true;
  st.continueVisible = false;
  st.focus = Focus::Cancel;
}

bool Exists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

std::string Quoted(const std::string& name) { return "\"" + name + "\"."; }

}  // namespace

void PodInitActivate(PodInitState& st, const PodInitUi& ui) {
  st = PodInitState{};
  if (PodInitialized) gPod.ReleaseInterface();
  PodInitialized = false;
  st.memo = {"Pod Initialization", ""};
  ui.selectInterface();
  if (gPodSelection.InterfaceType == InterfaceKind::None) {
    InterfaceMissing(st, "WARNING: Pod Interface NOT FOUND.");
    return;
  }
  st.memo.push_back("Using Pod Interface: " + InterfaceText());
  for (const char* line : {"", "The operation you have selected requires", "Vantrel Pod initialization.", "",
                           "Continue?"})
    st.memo.push_back(line);
}

void PodInitContinue(PodInitState& st, const PodInitUi& ui) {
  st.continueVisible = st.okVisible = st.retryVisible = st.cancelVisible = false;
  st.memo = {"Pod Initialization in Progress.", "", "Using Pod Interface: " + InterfaceText()};
  PodInitialized = false;

  std::string& path = gPodSelection.configPath;
  path = ui.programFolder.empty() ? std::string(kPodConfigName)
                                  : (std::filesystem::path(ui.programFolder) / kPodConfigName).string();
  if (!Exists(path)) {
    const std::string chosen = ui.locateFile(ui.programFolder);
    if (!chosen.empty()) path = chosen;
  }

  const InterfaceKindOps* kind = KindOps(gPodSelection.InterfaceType);
  if (kind == nullptr || !kind->Present(gPodSelection.ULBoardNum)) {
    st.memo.push_back("");
    InterfaceMissing(st, "WARNING: Pod Interface Busy, or Not Found.");
    return;
  }
  kind->Install();
  st.memo.push_back("Using Pod Configuration File " + Quoted(kPodConfigName));
  for (const char* line : {"", "Please Standby...", "", ""}) st.memo.push_back(line);

  ui.halt();
  const bool fileThere = Exists(path);
  if (fileThere) {
    gPod.ReleaseInterface();
    PodInitialized = gPod.InitializePod(path);
  }
  if (PodInitialized) {
    st.memo.push_back("");
    st.memo.push_back("Pod Initialization Complete.");
    st.okVisible = true;
    st.focus = Focus::Ok;
    return;
  }
  gPod.ReleaseInterface();
  st.memo = {"Pod Initialization Error", ""};
  if (fileThere) {
    for (const char* line : {"Please check:", "", "1: Pod power (Power light should be ON).",
                             "2: Host computer to pod cable connection.", "3: Pod Interface in use."})
      st.memo.push_back(line);
    st.memo.push_back(std::string("4: Invalid Pod Configuration File ") + Quoted(kPodConfigName));
  } else {
    st.memo.push_back("Unable to access Pod Configuration File " +
                      Quoted(std::filesystem::path(path).filename().string()));
  }
  st.retryVisible = st.cancelVisible = true;
  st.focus = Focus::Cancel;
}

}  // namespace vantrel
