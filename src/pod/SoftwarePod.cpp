#include "pod/SoftwarePod.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <iterator>
#include <utility>

#include "decode/TraceWord.h"
#include "pod/PodStatus.h"

namespace vantrel {
namespace {

// ---- configuration image ----------------------------------------------------

constexpr std::array<std::uint8_t, 4> kImageMagic = {'V', 'P', 'O', 'D'};
constexpr std::uint8_t kImageVersion = 1;
constexpr std::size_t kImageHeaderBytes = 7;  // magic, version, payload length
constexpr std::size_t kImageCrcBytes = 2;

// CRC-16/CCITT: polynomial 0x1021, initial 0xFFFF, not reflected.
std::uint16_t ImageCrc(const std::uint8_t* p, std::size_t n) {
  std::uint16_t crc = 0xFFFF;
  for (std::size_t i = 0; i < n; ++i) {
    crc = static_cast<std::uint16_t>(crc ^ (p[i] << 8));
    for (int b = 0; b < 8; ++b) {
      crc = static_cast<std::uint16_t>((crc & 0x8000u) ? (crc << 1) ^ 0x1021u : crc << 1);
    }
  }
  return crc;
}

// ---- ports ------------------------------------------------------------------

constexpr std::uint16_t kDataOutPort = 0, kDataInPort = 1, kControlPort = 2;

constexpr std::uint8_t kCtlEnable = 0x10;       // with kCtlWrite both low: configuration reset
constexpr std::uint8_t kCtlWrite = 0x20;        // write strobe, rising edge
constexpr std::uint8_t kCtlReadHigh = 0x40;     // read strobe, low while the host reads
constexpr std::uint8_t kCtlData = 0x80;         // what a write strobe writes: 0 command, 1 data
constexpr std::uint8_t kControlLines = 0xF0;

// Registers, and the data bits of the control register.
constexpr std::uint8_t kRegNone = 0x00, kRegGo = 0x01, kRegTrigger = 0x02, kRegControl = 0x04,
                       kRegThreshold = 0x08, kRegMemories = 0xC0;
constexpr std::uint8_t kMemResetAddress = 0x10, kMemStore = 0x20;
constexpr std::uint8_t kClearMemory = 0x01, kBitTiming = 0x04, kStopRecording = 0x08, kStartNow = 0x40,
                       kStartOnTrigger = 0x80;
constexpr std::uint8_t kTriggerCodeBits = 0xF8, kLevelSelectBits = 0x07;

constexpr std::uint8_t kLevelReference = 128;  // 2.5 V
constexpr std::uint8_t kLevelSupply = 169;     // 3.3 V
constexpr std::uint8_t kLevelLow = 5;

// A scenario that adds no time leaves the bus quiet; without a clock to catch
// up with, the quiet bus goes on in steps this long.
constexpr std::uint64_t kQuietStepUs = 64 * kWrapMicroseconds;

struct TimedWord {
  TraceWord word;
  std::uint64_t timeUs;
};

// The bus being recorded: the trace's own copy of the scenario and the builder
// it extends. Its words wait in `made` until the pod takes them.
struct Recorder {
  Recorder(BusScenario s, BusTiming timing)
      : scenario(std::move(s)), bus(timing, [this](TraceWord w, std::uint64_t t) { made.push_back({w, t}); }) {}
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  // One more cycle of traffic. `untilUs` is where a quiet bus stops when
  // paced by the clock.
  void Extend(bool paced, std::uint64_t untilUs) {
    const std::uint64_t before = bus.NowUs();
    if (scenario) scenario(bus);
    // Wraps already passed go out now rather than with the next cycle's first
    // event; the stream is the same either way.
    bus.Idle(0);
    if (bus.NowUs() == before) {
      if (paced) {
        bus.IdleUntil(untilUs);
      } else {
        bus.Idle(kQuietStepUs);
      }
    }
  }

  BusScenario scenario;
  std::vector<TimedWord> made;
  TraceBuilder bus;
};

enum class BusPhase : std::uint8_t { Idle, Started, InMessage };

}  // namespace

std::vector<std::uint8_t> PodImage::Make(std::size_t payloadBytes) {
  if (payloadBytes > 0xFFFF) throw std::length_error("pod image payload too long");
  std::vector<std::uint8_t> image(kImageMagic.begin(), kImageMagic.end());
  image.push_back(kImageVersion);
  image.push_back(static_cast<std::uint8_t>(payloadBytes >> 8));
  image.push_back(static_cast<std::uint8_t>(payloadBytes & 0xFFu));
  std::uint32_t x = 0x2545F491u;  // xorshift32: the same payload every time
  for (std::size_t i = 0; i < payloadBytes; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    image.push_back(static_cast<std::uint8_t>(x >> 24));
  }
  const std::uint16_t crc = ImageCrc(image.data(), image.size());
  image.push_back(static_cast<std::uint8_t>(crc >> 8));
  image.push_back(static_cast<std::uint8_t>(crc & 0xFFu));
  return image;
}

std::string PodImage::ToFileText(const std::vector<std::uint8_t>& image) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(image.size() * 2 + 2);
  for (std::uint8_t b : image) {
    text.push_back(kDigits[b >> 4]);
    text.push_back(kDigits[b & 0x0F]);
  }
  text += "\r\n";
  return text;
}

struct SoftwarePod::Impl {
  using Clock = std::chrono::steady_clock;

  Impl(BusScenario s, Options o) : options(o), scenario(std::move(s)), memory(o.memoryBytes) {
    if (options.bitRateHz == 0 || options.bitRateHz > 5'000'000) throw std::invalid_argument("bit rate out of range");
  }

  std::mutex mutex;
  const Options options;
  BusScenario scenario;

  // The world and the host's side of the cable.
  bool plugged = true;
  std::optional<Clock::time_point> plugBackAt;  // unplugged for a while only
  bool jumpered = false;
  std::uint8_t hostControl = kControlLines;
  std::uint8_t dataLines = 0;
  bool recordAccesses = false;
  std::vector<Access> accesses;

  std::uint8_t control = kControlLines;  // the control lines as the pod last saw them

  // The pod. Everything below is lost at a configuration reset or power loss.
  bool configured = false, configuring = false;
  std::vector<std::uint8_t> image;
  std::uint8_t imageBits = 0, imageByte = 0;
  std::size_t imageLength = 0;  // announced total, once the header is in

  std::uint8_t selected = kRegNone;
  std::uint8_t lastData = 0;
  std::uint8_t trigCode = 0, levelSelect = 0, threshold = 0;
  bool bitTiming = false, startOnTrigger = false;
  std::uint8_t memories[3][16] = {};  // pattern, don't-care, position
  std::uint8_t memoryAddress[3] = {};

  // Recording memory: a ring of whole words' bytes.
  std::vector<std::uint8_t> memory;
  std::size_t head = 0, used = 0;
  bool memoryFull = false;
  bool presented = false;  // a trace byte was read since the read strobe fell
  std::uint64_t bytesRecorded = 0, bytesRead = 0;

  bool recording = false, armed = false;
  Clock::time_point started;
  std::unique_ptr<Recorder> recorder;  // null while a thread extends the bus
  std::deque<TimedWord> pending;       // made, not yet in memory
  std::uint64_t generation = 0;        // changes whenever the words in flight are dropped
  BusPhase phase = BusPhase::Idle;

  // ---- state changes --------------------------------------------------------

  void DropRecording() {
    recording = false;
    armed = false;
    recorder.reset();
    pending.clear();
    ++generation;
    phase = BusPhase::Idle;
  }

  void ClearMemory() {
    head = used = 0;
    memoryFull = false;
    presented = false;
    bytesRecorded = bytesRead = 0;
  }

  // Configuration reset or power loss: the image and everything it set up.
  void PlugIn() {
    plugBackAt.reset();
    if (plugged) return;
    plugged = true;
    Unconfigure(false);
    control = hostControl & kControlLines;  // the lines as they are at power-up
  }
  // Nothing runs while the pod is away: it comes back at the first look
  // after its time.
  void PlugBackIfDue() {
    if (plugBackAt && Clock::now() >= *plugBackAt) PlugIn();
  }

  void Unconfigure(bool configureNext) {
    DropRecording();
    ClearMemory();
    configured = false;
    configuring = configureNext;
    image.clear();
    imageBits = imageByte = 0;
    imageLength = 0;
    selected = kRegNone;
    lastData = trigCode = levelSelect = threshold = 0;
    bitTiming = startOnTrigger = false;
    for (auto& m : memories) std::fill(std::begin(m), std::end(m), std::uint8_t{0});
    std::fill(std::begin(memoryAddress), std::end(memoryAddress), std::uint8_t{0});
  }

  void StartRecording() {
    DropRecording();
    recording = true;
    started = Clock::now();
    recorder = std::make_unique<Recorder>(scenario, BusTiming{.bitRateHz = options.bitRateHz, .bitTiming = bitTiming});
  }

  void Go() {
    if (recording || armed || memoryFull) return;
    if (startOnTrigger) {
      armed = true;
    } else {
      StartRecording();
    }
  }

  void ShiftImageBit(bool bit) {
    imageByte = static_cast<std::uint8_t>((imageByte << 1) | (bit ? 1u : 0u));
    if (++imageBits < 8) return;
    image.push_back(imageByte);
    imageBits = imageByte = 0;
    const std::size_t i = image.size() - 1;
    const bool headerOk = i < kImageMagic.size()   ? image[i] == kImageMagic[i]
                          : i == kImageMagic.size() ? image[i] == kImageVersion
                                                    : true;
    if (!headerOk) {  // not an image for this pod: stop taking bits at once
      configuring = false;
      return;
    }
    if (image.size() == kImageHeaderBytes) {
      imageLength = kImageHeaderBytes + ((std::size_t{image[5]} << 8) | image[6]) + kImageCrcBytes;
    }
    if (imageLength != 0 && image.size() == imageLength) {
      configuring = false;
      const std::size_t body = imageLength - kImageCrcBytes;
      const auto crc = static_cast<std::uint16_t>((image[body] << 8) | image[body + 1]);
      configured = ImageCrc(image.data(), body) == crc;
      image.clear();
    }
  }

  void Command(std::uint8_t code) {
    if (code & kRegMemories) {
      const int m = (code >> 6) - 1;
      if (code & kMemResetAddress) memoryAddress[m] = 0;
      if (code & kMemStore) {
        memories[m][memoryAddress[m]] = lastData;
        memoryAddress[m] = static_cast<std::uint8_t>((memoryAddress[m] + 1) & 15u);
      }
      selected = kRegNone;
      return;
    }
    selected = code;
    if (code == kRegGo) Go();
  }

  void Data(std::uint8_t value) {
    lastData = value;
    switch (selected) {
      case kRegTrigger:
        trigCode = value & kTriggerCodeBits;
        levelSelect = value & kLevelSelectBits;
        break;
      case kRegThreshold:
        threshold = value;
        break;
      case kRegControl:
        if (value & kClearMemory) ClearMemory();
        if (value & kStopRecording) DropRecording();
        if (value & (kStartNow | kStartOnTrigger)) {
          bitTiming = (value & kBitTiming) != 0;
          startOnTrigger = (value & kStartOnTrigger) != 0;
        }
        break;
      default:
        break;
    }
  }

  void Control(std::uint8_t value) {
    const std::uint8_t before = control;
    control = value & kControlLines;
    if ((control & (kCtlEnable | kCtlWrite)) == 0) {
      Unconfigure(true);
      return;
    }
    const bool writeEdge = !(before & kCtlWrite) && (control & kCtlWrite) && (control & kCtlEnable);
    if (writeEdge) {
      if (configuring) {
        ShiftImageBit((dataLines & 1u) != 0);
      } else if (configured) {
        if (control & kCtlData) {
          Data(dataLines);
        } else {
          Command(dataLines);
        }
      }
    }
    if ((before & kCtlReadHigh) && !(control & kCtlReadHigh)) presented = false;
    if (!(before & kCtlReadHigh) && (control & kCtlReadHigh) && presented) {
      // The trace byte just read leaves the memory.
      presented = false;
      if (used > 0) {
        head = (head + 1) % memory.size();
        --used;
        ++bytesRead;
      }
    }
  }

  // ---- recording --------------------------------------------------------------

  std::uint64_t ElapsedUs() const {
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - started).count());
  }

  // False when the word does not fit.
  bool Store(TraceWord w) {
    const std::size_t n = PodWordBytes(static_cast<std::uint8_t>(w >> 24));
    if (used + n > memory.size()) return false;
    for (std::size_t i = 0; i < n; ++i) {
      memory[(head + used) % memory.size()] = static_cast<std::uint8_t>(w >> (24 - 8 * i));
      ++used;
    }
    bytesRecorded += n;
    if (HasStop(w)) {
      phase = BusPhase::Idle;
    } else if (HasStart(w)) {
      phase = BusPhase::Started;
    } else if (HasByte(w) || HasBit(w)) {
      phase = BusPhase::InMessage;
    }
    return true;
  }

  // Brings the recording memory up to date: up to now on the clock, or as
  // full as it goes.
  void CatchUp(std::unique_lock<std::mutex>& lock) {
    if (!recording) return;
    const bool paced = options.wallClock;
    const std::uint64_t now = paced ? ElapsedUs() : 0;
    while (recording) {
      while (!pending.empty()) {
        const TimedWord tw = pending.front();
        if (paced && tw.timeUs > now) return;
        if (!Store(tw.word)) {
          if (paced) {  // the bus does not wait for the host
            memoryFull = true;
            DropRecording();
          }
          return;
        }
        pending.pop_front();
      }
      if (!recorder) return;  // another thread is extending the bus
      if (paced && recorder->bus.NowUs() >= now) return;
      Extend(lock, paced, now);
    }
  }

  // Runs one cycle of the scenario without the lock.
  void Extend(std::unique_lock<std::mutex>& lock, bool paced, std::uint64_t untilUs) {
    std::unique_ptr<Recorder> rec = std::move(recorder);
    const std::uint64_t mine = generation;
    lock.unlock();
    std::exception_ptr failure;
    try {
      rec->made.clear();
      rec->Extend(paced, untilUs);
    } catch (...) {
      failure = std::current_exception();
    }
    lock.lock();
    if (generation != mine) return;  // stopped or restarted meanwhile
    if (failure) {
      DropRecording();
      std::rethrow_exception(failure);
    }
    pending.insert(pending.end(), rec->made.begin(), rec->made.end());
    recorder = std::move(rec);
  }

  // ---- reads ------------------------------------------------------------------

  std::uint8_t Level() const {
    const bool busy = recording && phase != BusPhase::Idle;
    switch (levelSelect) {
      case 1: return kLevelReference;
      case 3: return kLevelSupply;
      case 5: return busy && phase == BusPhase::InMessage ? kLevelLow : kLevelSupply;
      case 7: return busy ? kLevelLow : kLevelSupply;
      default: return 0;
    }
  }

  bool Reachable() const { return plugged && !jumpered; }

  std::uint8_t Status() const {
    if (jumpered) return (hostControl & kCtlEnable) ? kPodPresent : 0;
    if (!plugged) return 0;
    std::uint8_t s = 0;
    if (configured) s |= kPodPresent;
    if (used == 0) s |= kPodNoData;
    if (memoryFull) s |= kPodMemoryFull;
    if (configuring) s |= kPodConfiguring;
    return s;
  }

  std::uint8_t DataIn() {
    if (!Reachable() || !configured || (control & kCtlReadHigh)) return 0;
    if (selected == kRegTrigger) return Level();
    if (selected != kRegGo || used == 0) return 0;
    presented = true;
    return memory[head];
  }
};

SoftwarePod::SoftwarePod(BusScenario scenario) : SoftwarePod(std::move(scenario), Options{}) {}

SoftwarePod::SoftwarePod(BusScenario scenario, Options options)
    : impl_(std::make_unique<Impl>(std::move(scenario), options)) {}

SoftwarePod::~SoftwarePod() = default;

void SoftwarePod::WritePort(std::uint16_t port, std::uint8_t value) {
  std::unique_lock lock(impl_->mutex);
  Impl& s = *impl_;
  s.PlugBackIfDue();
  if (s.recordAccesses) s.accesses.push_back({true, port, value});
  if (port == kDataOutPort) s.dataLines = value;
  if (port == kControlPort) s.hostControl = value;
  if (!s.Reachable()) return;
  s.CatchUp(lock);  // what the bus did up to now, before the host acts on it
  if (port == kControlPort) s.Control(value);
}

std::uint8_t SoftwarePod::ReadPort(std::uint16_t port) {
  std::unique_lock lock(impl_->mutex);
  Impl& s = *impl_;
  s.PlugBackIfDue();
  if (s.Reachable()) s.CatchUp(lock);
  std::uint8_t value = 0;
  if (port == kControlPort) {
    value = s.Status();
  } else if (port == kDataInPort) {
    value = s.DataIn();
  }
  if (s.recordAccesses) s.accesses.push_back({false, port, value});
  return value;
}

void SoftwarePod::Unplug() {
  std::lock_guard lock(impl_->mutex);
  impl_->plugged = false;
  impl_->plugBackAt.reset();
  impl_->Unconfigure(false);
}

void SoftwarePod::UnplugFor(std::chrono::milliseconds away) {
  std::lock_guard lock(impl_->mutex);
  impl_->plugged = false;
  impl_->plugBackAt = Impl::Clock::now() + away;
  impl_->Unconfigure(false);
}

void SoftwarePod::PlugIn() {
  std::lock_guard lock(impl_->mutex);
  impl_->PlugIn();
}

void SoftwarePod::SetLoopbackJumper(bool on) {
  std::lock_guard lock(impl_->mutex);
  Impl& s = *impl_;
  if (s.jumpered && !on) s.control = s.hostControl & kControlLines;
  s.jumpered = on;
}

void SoftwarePod::TriggerIn() {
  std::lock_guard lock(impl_->mutex);
  Impl& s = *impl_;
  if (!s.plugged || !s.armed) return;
  s.StartRecording();
}

void SoftwarePod::FillMemory() {
  std::unique_lock lock(impl_->mutex);
  Impl& s = *impl_;
  if (!s.plugged) return;
  s.CatchUp(lock);
  s.memoryFull = true;
  s.DropRecording();
}

void SoftwarePod::SetScenario(BusScenario scenario) {
  std::lock_guard lock(impl_->mutex);
  impl_->scenario = std::move(scenario);
}

SoftwarePod::State SoftwarePod::Snapshot() {
  std::unique_lock lock(impl_->mutex);
  Impl& s = *impl_;
  s.PlugBackIfDue();
  if (s.plugged) s.CatchUp(lock);
  State st;
  st.plugged = s.plugged;
  st.jumpered = s.jumpered;
  st.configured = s.configured;
  st.configuring = s.configuring;
  st.recording = s.recording;
  st.armedForTrigger = s.armed;
  st.bitTiming = s.bitTiming;
  st.threshold = s.threshold;
  st.trigCode = s.trigCode;
  std::copy(std::begin(s.memories[0]), std::end(s.memories[0]), st.pattern);
  std::copy(std::begin(s.memories[1]), std::end(s.memories[1]), st.dontCare);
  std::copy(std::begin(s.memories[2]), std::end(s.memories[2]), st.position);
  st.memoryUsed = s.used;
  st.bytesRecorded = s.bytesRecorded;
  st.bytesRead = s.bytesRead;
  st.memoryFull = s.memoryFull;
  return st;
}

void SoftwarePod::RecordAccesses(bool on) {
  std::lock_guard lock(impl_->mutex);
  impl_->recordAccesses = on;
}

std::vector<SoftwarePod::Access> SoftwarePod::TakeAccesses() {
  std::lock_guard lock(impl_->mutex);
  return std::exchange(impl_->accesses, {});
}

}  // namespace vantrel
