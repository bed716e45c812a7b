// The USB test bed as libusb-1.0 sees it, through libusb's public API alone:
// what the transport's tests build on has to hold here first.
#include "UsbTestBed.h"

#include <gtest/gtest.h>
#include <libusb.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "pod/PodStatus.h"
#include "pod/SoftwarePod.h"
#include "pod/UsbAdapterFirmware.h"
#include "pod/UsbPlatform.h"
#include "tracegen/Scenarios.h"

namespace vantrel::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr std::uint8_t kCommand = UsbAdapterFirmware::kCommandPipe;
constexpr std::uint8_t kTraceData = UsbAdapterFirmware::kTraceDataPipe;
constexpr std::uint8_t kReply = UsbAdapterFirmware::kReplyPipe;

// One context for the whole run, as the transport keeps one: it has to hear
// every later bed's adapters come and go.
libusb_context* Context() {
  static libusb_context* const context = [] {
    libusb_context* c = nullptr;
    return libusb_init(&c) == 0 ? c : nullptr;
  }();
  return context;
}

struct Closer {
  void operator()(libusb_device_handle* h) const { libusb_close(h); }
};
using Handle = std::unique_ptr<libusb_device_handle, Closer>;

// Every device libusb lists, with its bus and address.
struct Listed {
  std::uint16_t vendor, product;
  int bus, address;
};
std::vector<Listed> List() {
  libusb_device** all = nullptr;
  const ssize_t n = libusb_get_device_list(Context(), &all);
  std::vector<Listed> found;
  for (ssize_t i = 0; i < n; ++i) {
    libusb_device_descriptor d{};
    libusb_get_device_descriptor(all[i], &d);
    found.push_back({d.idVendor, d.idProduct, libusb_get_bus_number(all[i]), libusb_get_device_address(all[i])});
  }
  libusb_free_device_list(all, 1);
  return found;
}

// The pod's port sequences for a configuration and an immediate start.
void Control(SoftwarePod& pod, std::uint8_t v) { pod.WritePort(2, v); }
void Command(SoftwarePod& pod, std::uint8_t code) {
  pod.WritePort(0, code);
  for (int c : {0x70, 0x50, 0x70, 0xF0}) Control(pod, static_cast<std::uint8_t>(c));
}
void Data(SoftwarePod& pod, std::uint8_t value) {
  pod.WritePort(0, value);
  for (int c : {0xF0, 0xD0, 0xF0, 0xF0}) Control(pod, static_cast<std::uint8_t>(c));
}
void Configure(SoftwarePod& pod) {
  Control(pod, 0xCF);
  Control(pod, 0xDF);
  for (std::uint8_t byte : PodImage::Make(64)) {
    for (int bit = 7; bit >= 0; --bit) {
      Control(pod, 0xDF);
      pod.WritePort(0, static_cast<std::uint8_t>((byte >> bit) & 1u));
      Control(pod, 0xFF);
    }
  }
}
void Record(SoftwarePod& pod) {
  Command(pod, 0x04);
  Data(pod, 0x01);
  Data(pod, 0x40);
  Command(pod, 0x01);
}
void ConfigureAndRecord(SoftwarePod& pod) {
  Configure(pod);
  Record(pod);
}

class UsbTestBedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!UsbTestBed::Available()) GTEST_SKIP() << "needs umockdev's preload library (umockdev-wrapper)";
    bed_.emplace();
    ASSERT_NE(Context(), nullptr);
    ASSERT_TRUE(List().empty()) << "an earlier bed's adapters are still listed";
  }

  // The adapter libusb lists first, opened (and its interface claimed, with
  // the kernel driver let go first, as the transport claims it).
  Handle OpenFirst(bool claim = true) {
    libusb_device** all = nullptr;
    const ssize_t n = libusb_get_device_list(Context(), &all);
    libusb_device_handle* h = nullptr;
    const int r = n > 0 ? libusb_open(all[0], &h) : LIBUSB_ERROR_NOT_FOUND;
    libusb_free_device_list(all, 1);
    EXPECT_EQ(r, LIBUSB_SUCCESS) << libusb_error_name(r);
    if (h != nullptr && claim) {
      EXPECT_EQ(libusb_set_auto_detach_kernel_driver(h, 1), LIBUSB_SUCCESS);
      EXPECT_EQ(libusb_claim_interface(h, 0), LIBUSB_SUCCESS);
    }
    return Handle(h);
  }

  static int Send(libusb_device_handle* h, Bytes message) {
    int done = 0;
    const int r = libusb_bulk_transfer(h, kCommand, message.data(), static_cast<int>(message.size()), &done, 1000);
    if (r == LIBUSB_SUCCESS) {
      EXPECT_EQ(done, static_cast<int>(message.size()));
    }
    return r;
  }
  static int Read(libusb_device_handle* h, std::uint8_t pipe, Bytes& into, std::size_t max, unsigned timeout) {
    into.assign(max, 0);
    int got = 0;
    const int r = libusb_bulk_transfer(h, pipe, into.data(), static_cast<int>(max), &got, timeout);
    into.resize(static_cast<std::size_t>(got));
    return r;
  }

  SoftwarePod pod_{SmartBatteryScenario(), {.wallClock = false}};
  UsbAdapterFirmware firmware_{pod_, {}};
  std::optional<UsbTestBed> bed_;  // before the firmware goes
};

TEST_F(UsbTestBedTest, ListsExactlyTheAdaptersPresent) {
  const int first = bed_->AddAdapter(firmware_);
  std::vector<Listed> listed = List();
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(listed[0].vendor, kAdapterVendorId);
  EXPECT_EQ(listed[0].product, kAdapterProductId);

  SoftwarePod otherPod(SmartBatteryScenario(), {.wallClock = false});
  UsbAdapterFirmware other(otherPod, {});
  const int second = bed_->AddAdapter(other);
  listed = List();
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(listed[0].bus, listed[1].bus);
  EXPECT_NE(listed[0].address, listed[1].address);

  bed_->RemoveAdapter(first);
  listed = List();
  ASSERT_EQ(listed.size(), 1u);
  EXPECT_EQ(listed[0].address, second);
  bed_->RemoveAdapter(second);
  EXPECT_TRUE(List().empty());
}

TEST_F(UsbTestBedTest, OpensClaimsAndGivesThePipesInOrder) {
  bed_->AddAdapter(firmware_);
  Handle h = OpenFirst();
  ASSERT_TRUE(h);
  libusb_device* device = libusb_get_device(h.get());
  EXPECT_EQ(libusb_get_device_speed(device), LIBUSB_SPEED_HIGH);
  libusb_config_descriptor* config = nullptr;
  ASSERT_EQ(libusb_get_active_config_descriptor(device, &config), LIBUSB_SUCCESS);
  ASSERT_EQ(config->bNumInterfaces, 1);
  const libusb_interface_descriptor& alt = config->interface[0].altsetting[0];
  std::vector<int> pipes;
  for (int i = 0; i < alt.bNumEndpoints; ++i) {
    pipes.push_back(alt.endpoint[i].bEndpointAddress);
    EXPECT_EQ(alt.endpoint[i].bmAttributes & 3, LIBUSB_TRANSFER_TYPE_BULK);
    EXPECT_EQ(alt.endpoint[i].wMaxPacketSize, 512);
  }
  libusb_free_config_descriptor(config);
  EXPECT_EQ(pipes, (std::vector<int>{kCommand, kTraceData, kReply}));
  EXPECT_EQ(libusb_release_interface(h.get(), 0), LIBUSB_SUCCESS);
}

TEST_F(UsbTestBedTest, MessagesGetTheirRepliesAndAnEmptyPipeTimesOut) {
  bed_->AddAdapter(firmware_);
  Handle h = OpenFirst();
  ASSERT_TRUE(h);
  Bytes reply;
  ASSERT_EQ(Send(h.get(), {6, 2}), LIBUSB_SUCCESS);
  ASSERT_EQ(Read(h.get(), kReply, reply, 64, 1000), LIBUSB_SUCCESS);
  EXPECT_EQ(std::string(reply.begin(), reply.end()), "00001234");

  ASSERT_EQ(Send(h.get(), {1, 2}), LIBUSB_SUCCESS);
  ASSERT_EQ(Read(h.get(), kReply, reply, 64, 1000), LIBUSB_SUCCESS);
  EXPECT_EQ(reply, Bytes{pod_.ReadPort(2)});

  // Nothing queued: libusb's own timeout discards the read, having slept
  // in poll() meanwhile rather than reaped in a loop...
  const Clock::time_point start = Clock::now();
  const std::size_t reaps = bed_->Reaps();
  EXPECT_EQ(Read(h.get(), kReply, reply, 64, 50), LIBUSB_ERROR_TIMEOUT);
  EXPECT_GE(Clock::now() - start, 50ms);
  EXPECT_LE(bed_->Reaps() - reaps, 4u);
  EXPECT_TRUE(reply.empty());
  // ...and the pipe goes on: a read already waiting when the next message
  // goes out completes with its reply.
  int waiting = LIBUSB_ERROR_OTHER;
  std::thread reader([&] { waiting = Read(h.get(), kReply, reply, 64, 1000); });
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(Send(h.get(), {6, 0}), LIBUSB_SUCCESS);
  reader.join();
  EXPECT_EQ(waiting, LIBUSB_SUCCESS);
  EXPECT_EQ(reply, (Bytes{0x01, 0x03}));
}

TEST_F(UsbTestBedTest, FailuresReachLibusbAsTheKernelReportsThem) {
  bed_->AddAdapter(firmware_);
  bed_->FailNextOpen();
  libusb_device** all = nullptr;
  ASSERT_EQ(libusb_get_device_list(Context(), &all), 1);
  libusb_device_handle* raw = nullptr;
  EXPECT_EQ(libusb_open(all[0], &raw), LIBUSB_ERROR_ACCESS);
  libusb_free_device_list(all, 1);

  bed_->FailNextClaim();
  Handle h = OpenFirst(false);  // opens this time
  ASSERT_TRUE(h);
  EXPECT_EQ(libusb_claim_interface(h.get(), 0), LIBUSB_ERROR_BUSY);
  EXPECT_EQ(libusb_claim_interface(h.get(), 0), LIBUSB_SUCCESS);

  firmware_.StallNext(6);
  EXPECT_EQ(Send(h.get(), {6, 2}), LIBUSB_ERROR_PIPE);
  EXPECT_EQ(Send(h.get(), {6, 2}), LIBUSB_SUCCESS);

  // Another open file holds the interface until it lets it go.
  Handle other = OpenFirst(false);
  ASSERT_TRUE(other);
  EXPECT_EQ(libusb_claim_interface(other.get(), 0), LIBUSB_ERROR_BUSY);
  EXPECT_EQ(libusb_release_interface(h.get(), 0), LIBUSB_SUCCESS);
  EXPECT_EQ(libusb_claim_interface(other.get(), 0), LIBUSB_SUCCESS);
}

TEST_F(UsbTestBedTest, AnUnpluggedAdapterFailsPendingAndLaterTransfers) {
  const int id = bed_->AddAdapter(firmware_);
  Handle h = OpenFirst();
  ASSERT_TRUE(h);
  int pending = LIBUSB_SUCCESS;
  Clock::duration waited{};
  std::thread reader([&] {
    Bytes reply;
    const Clock::time_point start = Clock::now();
    pending = Read(h.get(), kReply, reply, 64, 5000);
    waited = Clock::now() - start;
  });
  std::this_thread::sleep_for(30ms);
  bed_->RemoveAdapter(id);
  reader.join();
  EXPECT_TRUE(pending == LIBUSB_ERROR_NO_DEVICE || pending == LIBUSB_ERROR_IO) << libusb_error_name(pending);
  EXPECT_LT(waited, 1s);
  const int later = Send(h.get(), {6, 2});
  EXPECT_TRUE(later == LIBUSB_ERROR_NO_DEVICE || later == LIBUSB_ERROR_IO) << libusb_error_name(later);
  EXPECT_TRUE(List().empty());
}

TEST_F(UsbTestBedTest, TraceDataIsThePodsRecording) {
  bed_->AddAdapter(firmware_);
  Handle h = OpenFirst();
  ASSERT_TRUE(h);
  ConfigureAndRecord(pod_);
  ASSERT_EQ(pod_.ReadPort(2) & kPodPresent, kPodPresent);
  ASSERT_EQ(Send(h.get(), {3}), LIBUSB_SUCCESS);
  Bytes trace;
  ASSERT_EQ(Read(h.get(), kTraceData, trace, 512, 1000), LIBUSB_SUCCESS);

  // The same pod read by hand gives the same bytes.
  SoftwarePod twin(SmartBatteryScenario(), {.wallClock = false});
  ConfigureAndRecord(twin);
  Bytes expected;
  while (expected.size() < 512 && (twin.ReadPort(2) & (kPodPresent | kPodNoData)) == kPodPresent) {
    Control(twin, 0xB0);
    expected.push_back(twin.ReadPort(1));
    Control(twin, 0xF0);
  }
  ASSERT_EQ(expected.size(), 512u);
  EXPECT_EQ(trace, expected);
}

TEST_F(UsbTestBedTest, AWaitingTraceReadGetsDataThePodRecordsLater) {
  bed_->AddAdapter(firmware_);
  Handle h = OpenFirst();
  ASSERT_TRUE(h);
  Configure(pod_);
  ASSERT_EQ(Send(h.get(), {3}), LIBUSB_SUCCESS);
  // The pod records nothing yet: the read waits. Recording then starts with
  // no message to the adapter, as a trace armed for Trigger In does.
  int result = LIBUSB_ERROR_OTHER;
  Bytes trace;
  std::thread reader([&] { result = Read(h.get(), kTraceData, trace, 512, 2000); });
  std::this_thread::sleep_for(20ms);
  const std::size_t reaps = bed_->Reaps();
  Record(pod_);
  reader.join();
  EXPECT_EQ(result, LIBUSB_SUCCESS) << libusb_error_name(result);
  EXPECT_EQ(trace.size(), 512u);
  EXPECT_LE(bed_->Reaps() - reaps, 4u);
}

}  // namespace
}  // namespace vantrel::test
