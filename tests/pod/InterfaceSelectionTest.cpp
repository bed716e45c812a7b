// Choosing and initializing a pod interface as the user does it: the Select
// Pod Interface rules, every message of the pod initialization window, the
// System Diagnostics listing and the board library's reports.
#include <gtest/gtest.h>

#include <cerrno>

#include "PodTestSupport.h"
#include "common/Reports.h"
#include "pod/InterfaceSelection.h"
#include "pod/PodInitialization.h"
#include "pod/PodSimulator.h"

namespace vantrel::test {
namespace {

class Recorder : public ReportSeam {
 public:
  void ShowMessage(std::string_view text, std::string_view title) override {
    messages.push_back(std::string(title) + ": " + std::string(text));
  }
  bool AskOkCancel(std::string_view, std::string_view) override { return true; }
  std::string UserName() override { return "Tester"; }
  void Beep() override {}
  std::vector<std::string> messages;
};

class InterfaceSelectionTest : public PodTest {
 protected:
  void SetUp() override {
    PodTest::SetUp();
    SetReports(&recorder_);
    noAdapters_ = std::make_unique<EmulatedUsb>();  // no USB adapter attached
    Connect(Transport::Board);
    InstallDefaultPodInterface();
  }
  void TearDown() override {
    SetReports(nullptr);
    PodTest::TearDown();
    noAdapters_.reset();
  }
  PodInitUi Ui(std::string folder) {
    return {.selectInterface = [] {},
            .locateFile = [this](const std::string&) { return located_; },
            .halt = [this] { ++halts_; },
            .programFolder = std::move(folder)};
  }

  Recorder recorder_;
  std::unique_ptr<EmulatedUsb> noAdapters_;
  int beeps_ = 0, halts_ = 0;
  std::string located_;
  std::function<void()> beep_ = [this] { ++beeps_; };
};

TEST_F(InterfaceSelectionTest, SelectPodInterfaceRules) {
  // Type 0 with an interface present: "<None Selected>" and a beep.
  gPodSelection = {InterfaceKind::None, 0, ""};
  PortselState st = PortselShow(beep_);
  EXPECT_EQ(st.entries, (std::vector<std::string>{"<None Selected>", "ISA/PCI/PCMCIA/PCIe Board #0", "Pod Simulator"}));
  EXPECT_TRUE(st.notFound.empty());
  EXPECT_EQ(st.selected, 0);
  EXPECT_EQ(beeps_, 1);
  // OK on "<None Selected>" beeps and stays; OK on the board chooses it.
  EXPECT_FALSE(PortselOk("<None Selected>", beep_));
  EXPECT_EQ(beeps_, 2);
  EXPECT_EQ(gPodSelection.InterfaceType, InterfaceKind::None);
  EXPECT_TRUE(PortselOk("ISA/PCI/PCMCIA/PCIe Board #0", beep_));
  EXPECT_EQ(gPodSelection.InterfaceType, InterfaceKind::Board);
  // Shown again: the chosen board is selected, no beep.
  st = PortselShow(beep_);
  EXPECT_EQ(st.selected, 1);
  EXPECT_EQ(beeps_, 2);
  // A board chosen before but gone now.
  gPodSelection.ULBoardNum = 3;
  st = PortselShow(beep_);
  EXPECT_EQ(st.selected, 0);
  EXPECT_EQ(gPodSelection.InterfaceType, InterfaceKind::None);
  EXPECT_EQ(beeps_, 3);

  EXPECT_EQ(EntryNumber("ISA/PCI/PCMCIA/PCIe Board #7", InterfaceKind::Board), 7);
  EXPECT_EQ(EntryNumber("ISA/PCI/PCMCIA/PCIe Board #", InterfaceKind::Board), std::nullopt);
  EXPECT_EQ(EntryNumber("USB SN #00001234", InterfaceKind::None), std::nullopt);  // "NONE" skips 4 characters

  // No board library: the three lines say no hardware was found; the
  // simulator is still offered.
  UnloadBoardLibrary();
  st = PortselShow(beep_);
  EXPECT_EQ(st.entries, (std::vector<std::string>{"<None Selected>", "Pod Simulator"}));
  EXPECT_TRUE(st.okVisible && st.testVisible);
  EXPECT_EQ(st.notFound, (std::vector<std::string>{"Pod Interface NOT FOUND!", "See User's Guide for instructions to",
                                                   "install pod interface."}));
  std::vector<std::string> lines;
  EXPECT_FALSE(ListPodInterfaces(lines));  // the simulator is not hardware found
  EXPECT_EQ(lines, (std::vector<std::string>{"ISA/PCI/PCMCIA/PCIe Pod Interface Driver (libcomedi.so.0) Not Found.",
                                             "USB Pod Interface Driver (emulated USB) Found.",
                                             "Pod Simulator Available."}));
  ASSERT_TRUE(LoadBoardLibrary());
  lines.clear();
  EXPECT_TRUE(ListPodInterfaces(lines));
  EXPECT_EQ(lines, (std::vector<std::string>{"ISA/PCI/PCMCIA/PCIe Pod Interface Driver (libcomedi.so.0) Found.",
                                             "ISA/PCI/PCMCIA/PCIe Board #0, 8255 stand-in",
                                             "USB Pod Interface Driver (emulated USB) Found.",
                                             "Pod Simulator Available."}));
}

TEST_F(InterfaceSelectionTest, ThePodSimulatorIsAnInterfaceLikeAnyOther) {
  UnloadBoardLibrary();
  EXPECT_EQ(EntryNumber("Pod Simulator", InterfaceKind::Simulator), 0);
  EXPECT_EQ(EntryNumber("Pod Simulator 2", InterfaceKind::Simulator), std::nullopt);
  EXPECT_TRUE(PortselOk("Pod Simulator", beep_));
  EXPECT_EQ(gPodSelection.InterfaceType, InterfaceKind::Simulator);
  EXPECT_EQ(gPodSelection.ULBoardNum, 0);
  EXPECT_EQ(InterfaceText(), "Pod Simulator");
  PortselState st = PortselShow(beep_);
  EXPECT_EQ(st.entries[static_cast<std::size_t>(st.selected)], "Pod Simulator");
  EXPECT_EQ(beeps_, 0);
  // Chosen, System Diagnostics goes on to test it.
  std::vector<std::string> lines;
  EXPECT_TRUE(ListPodInterfaces(lines));

  // Initialized through the window's steps, from the program folder's image.
  const std::string folder = dir_.string();
  WriteScratch("Vantrel.pod", ReadFile(ShippedImage()));
  PodInitState init;
  PodInitActivate(init, Ui(folder));
  EXPECT_EQ(init.memo[2], "Using Pod Interface: Pod Simulator");
  PodInitContinue(init, Ui(folder));
  EXPECT_TRUE(PodInitialized);
  EXPECT_TRUE(SimulatorPod().Snapshot().configured);
  EXPECT_TRUE(gPod.PodDetected());

  // The loopback test passes only with the simulated jumper fitted.
  gPod.ReleaseInterface();
  PodInitialized = false;
  std::vector<std::string> shown;
  const PortselTestUi ui{beep_, [](const std::string&, const std::string&) { return true; },
                         [&](const std::string& text, const std::string&) { shown.push_back(text); }};
  SimulatorPod().SetLoopbackJumper(true);
  PortselTest("Pod Simulator", ui);
  SimulatorPod().SetLoopbackJumper(false);
  PortselTest("Pod Simulator", ui);
  EXPECT_EQ(shown, (std::vector<std::string>{"Test Passed", "Test Failed"}));
  gPod.ReleaseInterface();
  ASSERT_TRUE(LoadBoardLibrary());
}

TEST_F(InterfaceSelectionTest, LoopbackTestAsksTwiceThenReports) {
  pod_->Unplug();
  pod_->SetLoopbackJumper(true);
  std::vector<std::string> asked, shown;
  const PortselTestUi ui{beep_,
                         [&](const std::string& text, const std::string&) {
                           asked.push_back(text);
                           return true;
                         },
                         [&](const std::string& text, const std::string& title) { shown.push_back(title + ": " + text); }};
  PortselTest("ISA/PCI/PCMCIA/PCIe Board #0", ui);
  EXPECT_EQ(asked, (std::vector<std::string>{"Interface test requires interface cable to be disconnected from Pod.",
                                             "Jumper Interface Board or Cable DB-37 Pin 25 to Pin 29."}));
  EXPECT_EQ(shown, (std::vector<std::string>{"Pod Interface Loopback Test: Test Passed"}));
  pod_->SetLoopbackJumper(false);
  PortselTest("ISA/PCI/PCMCIA/PCIe Board #0", ui);
  EXPECT_EQ(shown.back(), "Pod Interface Loopback Test: Test Failed");
  PortselTest("<None Selected>", ui);
  EXPECT_EQ(beeps_, 1);
  EXPECT_EQ(shown.size(), 2u);
}

TEST_F(InterfaceSelectionTest, PodInitializationMessages) {
  const std::string folder = dir_.string();
  gPodSelection = {InterfaceKind::Board, 0, ""};
  PodInitState st;
  PodInitActivate(st, Ui(folder));
  EXPECT_EQ(st.memo, (std::vector<std::string>{"Pod Initialization", "", "Using Pod Interface: ISA/PCI/PCMCIA/PCIe Board #0",
                                               "", "The operation you have selected requires",
                                               "Vantrel Pod initialization.", "", "Continue?"}));

  // No file in the program folder and the dialog cancelled.
  PodInitContinue(st, Ui(folder));
  EXPECT_FALSE(PodInitialized);
  EXPECT_EQ(st.memo, (std::vector<std::string>{"Pod Initialization Error", "",
                                               "Unable to access Pod Configuration File \"Vantrel.pod\"."}));
  EXPECT_TRUE(st.retryVisible && st.cancelVisible && !st.okVisible);
  EXPECT_EQ(halts_, 1);

  // A file chosen in the dialog under another name.
  located_ = WriteScratch("mine.pod", ReadFile(ShippedImage()));
  PodInitContinue(st, Ui(folder));
  EXPECT_TRUE(PodInitialized);
  EXPECT_EQ(gPodSelection.configPath, located_);
  EXPECT_EQ(st.memo.back(), "Pod Initialization Complete.");
  EXPECT_EQ(st.memo[3], "Using Pod Configuration File \"Vantrel.pod\".");
  EXPECT_TRUE(st.okVisible);
  EXPECT_EQ(st.focus, PodInitState::Focus::Ok);

  // An invalid image in the program folder.
  located_.clear();
  WriteScratch("Vantrel.pod", "0123\r\n");
  PodInitContinue(st, Ui(folder));
  EXPECT_FALSE(PodInitialized);
  EXPECT_EQ(st.memo.back(), "4: Invalid Pod Configuration File \"Vantrel.pod\".");

  // The interface gone.
  WriteScratch("Vantrel.pod", ReadFile(ShippedImage()));
  attach_(0, nullptr);
  PodInitContinue(st, Ui(folder));
  EXPECT_FALSE(PodInitialized);
  EXPECT_EQ(st.memo.back(), "(See User's Guide for additional instructions.)");
  EXPECT_EQ(st.memo[4], "WARNING: Pod Interface Busy, or Not Found.");
  EXPECT_FALSE(st.continueVisible);
  EXPECT_EQ(st.focus, PodInitState::Focus::Cancel);

  // No interface chosen.
  gPodSelection = {InterfaceKind::None, 0, ""};
  PodInitActivate(st, Ui(folder));
  EXPECT_EQ(st.memo[2], "WARNING: Pod Interface NOT FOUND.");
  EXPECT_FALSE(st.continueVisible);
}

TEST_F(InterfaceSelectionTest, BoardLibraryFailuresAreReported) {
  InstallBoardTransport();
  fail_(EBUSY, 1);
  EXPECT_FALSE(gPod.OpenInterface());
  ASSERT_EQ(recorder_.messages.size(), 1u);
  EXPECT_EQ(recorder_.messages[0].rfind("Interface Board Configuration: stand-in error", 0), 0u);
  ASSERT_TRUE(gPod.OpenInterface());
  fail_(EIO, 1);
  EXPECT_EQ(gPod.ReadPort(2), 0);
  fail_(EIO, 1);
  gPod.WritePort(0, 0x55);
  ASSERT_EQ(recorder_.messages.size(), 3u);
  EXPECT_EQ(recorder_.messages[1].rfind("Interface Board Access: stand-in error", 0), 0u);
  EXPECT_EQ(recorder_.messages[2].rfind("Interface Board Access: stand-in error", 0), 0u);
  // Ports beyond 2 are neither written nor read.
  pod_->RecordAccesses(true);
  gPod.WritePort(3, 1);
  EXPECT_EQ(gPod.ReadPort(7), 0);
  EXPECT_TRUE(pod_->TakeAccesses().empty());
}

}  // namespace
}  // namespace vantrel::test
