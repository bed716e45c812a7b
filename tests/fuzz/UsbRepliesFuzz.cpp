// A hostile USB adapter: the input decides how each call of the USB services
// comes back (an error of any kind at any step, a short or altered message,
// a short, forged or partial reply, odd pipes), below the USB transport's
// discovery, Select Pod Interface, pod initialization, port reads and a short
// trace. Calls the input does not decide go through to emulated adapter
// firmware over software pods. Nothing may crash, hang or leak; an entry of
// eight digits is selected and shown as listed; every trace byte a transfer
// delivered reaches the spool, one record per transfer, in order; and a
// released interface holds no adapter.
//
// Input: an options byte, a byte whose low five bits give the length of the
// acquisition thread's script, that script, then the main thread's (the entry
// chosen in Select Pod Interface among it). Options: bits 0-1 the adapters
// attached (1..3), bit 2 a trace, bit 3 a configuration image of several
// blocks, bits 4-5 the serial asked for when the entry chosen names no
// adapter, bit 6 bit timing.
#include <chrono>
#include <condition_variable>
#include <limits>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "EmulatedUsb.h"
#include "FuzzSupport.h"
#include "common/SpoolFile.h"
#include "pod/Acquisition.h"
#include "pod/InterfaceSelection.h"
#include "pod/PodCommands.h"
#include "pod/PodInterface.h"
#include "pod/PodStatus.h"
#include "pod/SoftwarePod.h"
#include "pod/USBAdapter.h"
#include "pod/UsbAdapterFirmware.h"
#include "tracegen/Scenarios.h"

namespace {

using namespace vantrel;
using namespace vantrel::fuzz;
using namespace std::chrono_literals;

constexpr const char* kSerials[] = {"00001234", "00000042", "00000007"};
constexpr std::int32_t kAskedFor[] = {1234, 42, 777, 0};
constexpr int kErrors[] = {kUsbSemTimeout, kUsbBadDevice,       kUsbUnknown,
                           kUsbInvalidParameter, kUsbNotEnoughMemory, kUsbIoPending};
constexpr std::uint32_t kLongestReply = 8;  // longer reads are trace data reads
// The acquisition thread's calls the input decides: about eight passes of its
// loop, each reading up to 512 bytes strobe by strobe from a software pod.
constexpr int kAcquisitionCalls = 24;

CountingWindow gWindow;

// A decision byte: its low three bits say how the call comes back, the rest
// is an argument. 0..3 pass the call on, and the argument counts further
// calls passed on without a decision, so that short inputs reach the later
// steps; an input that runs out leaves an adapter that behaves.
enum Answer : std::uint8_t { kFail = 4, kShort = 5, kForge = 6, kOdd = 7 };

// At most `calls` decisions are taken.
class Script {
 public:
  Script() = default;
  Script(const std::uint8_t* data, std::size_t size, int calls) : bytes_(data, size), calls_(calls) {}
  bool over() const { return calls_ == 0 || (passes_ == 0 && bytes_.empty()); }
  std::uint8_t Decision() {
    if (calls_ == 0) return 0;
    --calls_;
    if (passes_ > 0) {
      --passes_;
      return 0;
    }
    const std::uint8_t d = bytes_.Byte();
    if ((d & 7) < kFail) passes_ = d >> 3;
    return d;
  }
  // What a decision other than a pass goes on with.
  std::uint8_t Byte() { return bytes_.Byte(); }

 private:
  ByteStream bytes_{nullptr, 0};
  int calls_ = 0, passes_ = 0;
};

// The hostile layer's state. The main thread and the acquisition thread each
// take decisions from their own script, so that how far the acquisition
// thread gets before the stop never shifts the main thread's answers.
struct Hostile {
  std::mutex mutex;  // guards everything below
  std::condition_variable changed;
  Script main, acquisition;
  std::thread::id mainThread;
  bool acquisitionDone = false;                   // its script ran out; it gets a quiet pod since
  int lists = 0, files = 0, interfaces = 0;       // handles given out and not let go
  std::vector<std::vector<std::uint8_t>> chunks;  // what each trace data read delivered
};
Hostile gH;
const UsbPlatform* gBelow = nullptr;

// Under gH.mutex. Null when the calling thread is the acquisition thread
// and its script is over: a quiet pod answers it then.
Script* CallersScript() {
  if (std::this_thread::get_id() == gH.mainThread) return &gH.main;
  if (gH.acquisition.over()) {
    gH.acquisitionDone = true;
    gH.changed.notify_all();
    return nullptr;
  }
  return &gH.acquisition;
}

int Error(std::uint8_t arg) { return kErrors[arg % std::size(kErrors)]; }

// The answer to a call without data: 0 to pass it on, else the error.
int Refusal() {
  std::lock_guard lock(gH.mutex);
  Script* s = CallersScript();
  const std::uint8_t d = s != nullptr ? s->Decision() : 0;
  return (d & 7) == kFail || (d & 7) == kOdd ? Error(static_cast<std::uint8_t>(d >> 3)) : 0;
}

int ListAdapters(UsbDeviceList** list) {
  if (const int e = Refusal()) return e;
  const int e = gBelow->ListAdapters(list);
  std::lock_guard lock(gH.mutex);
  if (e == 0) ++gH.lists;
  return e;
}

int OpenAdapter(UsbDeviceList* list, int index, UsbDeviceFile** file) {
  if (const int e = Refusal()) return e;
  const int e = gBelow->OpenAdapter(list, index, file);
  std::lock_guard lock(gH.mutex);
  if (e == 0) ++gH.files;
  return e;
}

int Initialize(UsbDeviceFile* file, UsbInterface** usb) {
  if (const int e = Refusal()) return e;
  const int e = gBelow->Initialize(file, usb);
  std::lock_guard lock(gH.mutex);
  if (e == 0) ++gH.interfaces;
  return e;
}

// An interface with fewer pipes, or pipes at other addresses.
int QueryPipe(UsbInterface* usb, int index, std::uint8_t* pipe) {
  std::uint8_t d = 0, other = 0;
  {
    std::lock_guard lock(gH.mutex);
    d = gH.main.Decision();
    if ((d & 7) == kOdd) other = gH.main.Byte();
  }
  if ((d & 7) == kFail) return kUsbNoMoreItems;
  const int e = gBelow->QueryPipe(usb, index, pipe);
  if (e == 0 && (d & 7) == kOdd) *pipe = other;
  return e;
}

int SetPipeTimeout(UsbInterface* usb, std::uint8_t pipe, std::uint32_t milliseconds) {
  if (const int e = Refusal()) return e;
  return gBelow->SetPipeTimeout(usb, pipe, milliseconds);
}

int WritePipe(UsbInterface* usb, std::uint8_t pipe, const std::uint8_t* data, std::uint32_t length,
              std::uint32_t* written) {
  std::uint8_t d = 0, extra = 0;
  {
    std::lock_guard lock(gH.mutex);
    Script* s = CallersScript();
    if (s == nullptr) {  // the quiet pod takes every message
      *written = length;
      return 0;
    }
    d = s->Decision();
    if ((d & 7) >= kFail) extra = s->Byte();
  }
  const auto arg = static_cast<std::uint8_t>(d >> 3);
  switch (d & 7) {
    case kFail:
      *written = 0;
      return Error(arg);
    case kShort: {  // the adapter takes part of the message and says so
      const std::uint32_t n = length > 0 ? arg % length : 0;
      *written = 0;
      return n == 0 ? 0 : gBelow->WritePipe(usb, pipe, data, n, written);
    }
    case kForge: {  // delivered, but the host hears of an error
      (void)gBelow->WritePipe(usb, pipe, data, length, written);
      return Error(extra);
    }
    case kOdd: {  // one byte of the message arrives altered
      std::vector<std::uint8_t> altered(data, data + length);
      if (!altered.empty()) altered[arg % altered.size()] = extra;
      return gBelow->WritePipe(usb, pipe, altered.data(), length, written);
    }
    default:
      return gBelow->WritePipe(usb, pipe, data, length, written);
  }
}

int ReadPipe(UsbInterface* usb, std::uint8_t pipe, std::uint8_t* data, std::uint32_t length, std::uint32_t* read) {
  const bool trace = length > kLongestReply;
  std::uint8_t d = 0, extra = 0;
  std::vector<std::uint8_t> forged;
  {
    std::lock_guard lock(gH.mutex);
    Script* s = CallersScript();
    if (s == nullptr) {  // the quiet pod: present, nothing recorded
      *read = 0;
      if (trace) return kUsbSemTimeout;
      std::fill(data, data + length, std::uint8_t{0});
      data[0] = kPodPresent | kPodNoData;
      *read = length;
      return 0;
    }
    d = s->Decision();
    if ((d & 7) >= kFail) extra = s->Byte();
    if ((d & 7) == kForge) {
      const std::uint32_t n = trace ? std::min<std::uint32_t>(length, 1u + extra) : length;
      for (std::uint32_t i = 0; i < n; ++i) forged.push_back(s->Byte());
    }
  }
  const auto arg = static_cast<std::uint8_t>(d >> 3);
  int e = 0;
  *read = 0;
  switch (d & 7) {
    case kFail:
      return Error(arg);
    case kShort: {  // fewer bytes than asked for, the rest left behind
      const std::uint32_t n = length > 0 ? arg % length : 0;
      if (n > 0) e = gBelow->ReadPipe(usb, pipe, data, n, read);
      break;
    }
    case kForge:  // a reply the adapter got wrong; trace data the pod never recorded
      if (!trace) (void)gBelow->ReadPipe(usb, pipe, data, length, read);
      std::copy(forged.begin(), forged.end(), data);
      *read = static_cast<std::uint32_t>(forged.size());
      break;
    case kOdd: {  // a transfer that gives up after part of its data
      const std::uint32_t n = std::min<std::uint32_t>(length, 1u + extra);
      (void)gBelow->ReadPipe(usb, pipe, data, n, read);
      e = Error(arg);
      break;
    }
    default:
      e = gBelow->ReadPipe(usb, pipe, data, length, read);
      break;
  }
  if (trace && *read > 0) {
    std::lock_guard lock(gH.mutex);
    gH.chunks.emplace_back(data, data + *read);
  }
  return e;
}

void Free(UsbInterface* usb) {
  if (usb == nullptr) return;
  gBelow->Free(usb);
  std::lock_guard lock(gH.mutex);
  --gH.interfaces;
}

void CloseAdapter(UsbDeviceFile* file) {
  if (file == nullptr) return;
  gBelow->CloseAdapter(file);
  std::lock_guard lock(gH.mutex);
  --gH.files;
}

void FreeList(UsbDeviceList* list) {
  if (list == nullptr) return;
  gBelow->FreeList(list);
  std::lock_guard lock(gH.mutex);
  --gH.lists;
}

const UsbPlatform kHostile{&ListAdapters,
                           [](UsbDeviceList* l, int i) { return gBelow->EnumAdapter(l, i); },
                           &OpenAdapter,
                           &Initialize,
                           &QueryPipe,
                           &SetPipeTimeout,
                           &WritePipe,
                           &ReadPipe,
                           &Free,
                           &CloseAdapter,
                           &FreeList,
                           &UsbErrorName,
                           [] { return gBelow->LibraryName(); }};

std::uint8_t MainByte() {
  std::lock_guard lock(gH.mutex);
  return gH.main.Byte();
}

// Select Pod Interface as a user goes through it: an entry of eight digits
// is selected and shown as listed; then the input picks one.
void SelectInterface(std::int32_t askedFor) {
  const PortselState st = PortselShow([] {});
  for (const std::string& entry : st.entries) {
    if (KindOfEntry(entry) != InterfaceKind::Usb) continue;
    Require(entry.size() == std::string_view(kUsbPrefix).size() + 8, "an adapter's entry holds its eight characters",
            entry);
    const std::string serial = entry.substr(entry.size() - 8);
    if (serial.find_first_not_of("0123456789") != std::string::npos) continue;
    Require(PortselOk(entry, [] {}), "an entry of eight digits can be selected", entry);
    Require(InterfaceText() == entry, "a selected entry is shown as listed", entry + " / " + InterfaceText());
  }
  const std::size_t pick = st.entries.empty() ? 0 : MainByte() % st.entries.size();
  if (pick == 0 || !PortselOk(st.entries[pick], [] {}) || gPodSelection.InterfaceType != InterfaceKind::Usb)
    gPodSelection = {InterfaceKind::Usb, askedFor, ""};
}

// Takes what the spool holds, as the parser thread would.
void Drain(std::vector<std::vector<std::uint8_t>>& records) {
  SpoolRecord r{};
  while (RamSpool.Exists() && RamSpool.Count() >= 1 && RamSpool.Read(r.bytes)) {
    Require(r.Length() >= 1 && r.Length() <= kSpoolPayload, "a spool record holds 1..512 bytes",
            std::to_string(r.Length()));
    records.emplace_back(r.Payload(), r.Payload() + r.Length());
  }
}

// A short trace: runs until the acquisition thread's script is over (or the
// transport let the adapter go), then stops.
void ShortTrace(bool bitTiming) {
  gSpool = {};
  ClearPodMemoryFull();
  gPod.StartPodTrace(bitTiming, false, 0, 250);
  std::vector<std::vector<std::uint8_t>> records;
  const auto deadline = std::chrono::steady_clock::now() + 5s;
  for (;;) {
    Drain(records);
    const bool running = acquisition::Running();
    std::unique_lock lock(gH.mutex);
    if (!running || gH.acquisitionDone || gH.interfaces == 0) break;
    Require(std::chrono::steady_clock::now() < deadline, "the acquisition thread gets through its script");
    gH.changed.wait_for(lock, 5ms);
  }
  Drain(records);
  gPod.StopPodTrace();
  std::lock_guard lock(gH.mutex);
  for (std::size_t i = 0; i < records.size() && i < gH.chunks.size(); ++i)
    Require(records[i] == gH.chunks[i], "each trace transfer is one spool record, byte for byte",
            "#" + std::to_string(i) + ": " + std::to_string(records[i].size()) + " bytes stored, " +
                std::to_string(gH.chunks[i].size()) + " delivered");
  Require(records.size() == gH.chunks.size(), "every trace transfer reaches the spool",
          std::to_string(records.size()) + " records, " + std::to_string(gH.chunks.size()) + " transfers");
}

const std::string& ImagePath(bool severalBlocks) {
  static const std::string small = WriteScratch("small.pod", PodImage::ToFileText(PodImage::Make(8)));
  static const std::string blocks = WriteScratch("blocks.pod", PodImage::ToFileText(PodImage::Make(200)));
  return severalBlocks ? blocks : small;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool once = [] {
    PodWait = [](int) {};
    CreatePodStatusMutex();
    return true;
  }();
  (void)once;
  ByteStream in(data, size);
  const std::uint8_t options = in.Byte();
  const std::size_t acquisitionBytes = std::min<std::size_t>(in.Byte() & 31u, in.left());
  {
    std::lock_guard lock(gH.mutex);
    gH.acquisition = Script(data + (size - in.left()), acquisitionBytes, kAcquisitionCalls);
    in.Text(acquisitionBytes);
    gH.main = Script(data + (size - in.left()), in.left(), std::numeric_limits<int>::max());
    gH.mainThread = std::this_thread::get_id();
    gH.acquisitionDone = false;
    gH.lists = gH.files = gH.interfaces = 0;
    gH.chunks.clear();
  }
  gWindow.Attach();
  gWindow.Clear();

  const int adapters = 1 + (options & 3) % 3;
  std::vector<std::unique_ptr<SoftwarePod>> pods;
  std::vector<std::unique_ptr<UsbAdapterFirmware>> firmware;
  for (int k = 0; k < adapters; ++k) {
    pods.push_back(std::make_unique<SoftwarePod>(SmartBatteryScenario(),
                                                 SoftwarePod::Options{.memoryBytes = 16u << 10, .wallClock = false}));
    firmware.push_back(std::make_unique<UsbAdapterFirmware>(*pods.back(), UsbAdapterFirmware::Options{.serial = kSerials[k]}));
  }
  {
    test::EmulatedUsb usb;
    for (auto& f : firmware) usb.Add(*f);
    gBelow = &usb.Services();
    SetUsbServices(&kHostile);
    InstallUsbTransport();

    SelectInterface(kAskedFor[options >> 4 & 3]);
    gPodSelection.configPath = ImagePath(options & 8);
    PodInitialized = gPod.InitializePod(gPodSelection.configPath);
    (void)gPod.PodDetected();
    gPod.ReadBusLevels();
    if (options & 4) ShortTrace(options & 0x40);
    gPod.ReleaseInterface();
    PodInitialized = false;

    Require(!acquisition::Running(), "no acquisition thread outlives the release");
    std::lock_guard lock(gH.mutex);
    Require(gH.lists == 0 && gH.files == 0 && gH.interfaces == 0, "a released interface holds no adapter",
            std::to_string(gH.lists) + " lists, " + std::to_string(gH.files) + " files, " +
                std::to_string(gH.interfaces) + " interfaces");
  }
  InstallDefaultPodInterface();
  return 0;
}
