#include "UsbTestBed.h"

#include <fcntl.h>
#include <link.h>
#include <linux/ioctl.h>
#include <linux/usb/ch9.h>
#include <linux/usbdevice_fs.h>
#include <sys/stat.h>
#include <umockdev.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "RefusedOpen.h"
#include "pod/UsbPlatform.h"

namespace vantrel::test {
namespace {

constexpr int kBus = 1;
constexpr int kUsbDeviceMajor = 189;
// How often a waiting trace data read asks the firmware again: the pod's
// data appears as it records, with no message from the host to announce it.
constexpr guint kTraceDataCheckMs = 2;

std::atomic<bool> gFailNextClaim{false};

// The testbed lives as long as the process: libusb's hotplug monitor listens
// in the testbed's folder from the first context on.
UMockdevTestbed* SharedTestbed() {
  static UMockdevTestbed* const testbed = [] {
    UMockdevTestbed* t = umockdev_testbed_new();
    std::atexit([] { g_object_unref(SharedTestbed()); });
    return t;
  }();
  return testbed;
}

// Addresses are never given twice in a process, as the kernel does not reuse
// them at once: a stale handle must not reach a newer adapter.
std::atomic<int> gNextAddress{2};

using Bytes = std::vector<std::uint8_t>;

// What the bed saw, across its adapters.
struct Seen {
  std::mutex mutex;  // guards messages
  std::vector<Bytes> messages;
  std::atomic<std::size_t> reaps{0};
};

// One URB between its submission and its reaping: our copy of the client's
// usbfs_urb and of its buffer, written back to the client when reaped.
struct Urb {
  UMockdevIoctlData* urb = nullptr;
  UMockdevIoctlData* buffer = nullptr;  // a child of urb; null for no data
  std::uint8_t endpoint = 0;
  bool in = false;
  int status = 0, actual = 0;
};

void Drop(Urb& u) {
  if (u.buffer != nullptr) g_object_unref(u.buffer);
  if (u.urb != nullptr) g_object_unref(u.urb);
  u = {};
}

struct FileUrbs;

// What the ioctl handler knows of its adapter. Shared by the handler, every
// open file of the node and the trace data check, so that a file left open
// past the adapter's removal still finds it; `firmware` is null once the
// adapter is gone.
struct AdapterLink {
  std::mutex mutex;  // guards everything below; held while the firmware works
  UsbAdapterFirmware* firmware = nullptr;
  std::vector<FileUrbs*> files;  // the node's open files
  const FileUrbs* holder = nullptr;  // the file that claimed interface 0
  // The bed's end of the node, a FIFO: empty (writable, as usbfs signals a
  // URB to reap) exactly while some file has a completed URB; full otherwise.
  int node = -1;
  bool ready = false;
  GMainContext* context = nullptr;  // the ioctl thread's, once it has run
  GSource* check = nullptr;         // while a trace data read waits
  std::shared_ptr<Seen> seen;

  // The check holds the link: none runs by then.
  ~AdapterLink() {
    if (node >= 0) ::close(node);
    if (context != nullptr) g_main_context_unref(context);
  }
};
using LinkPtr = std::shared_ptr<AdapterLink>;

// The URBs of one open file of the node.
struct FileUrbs {
  LinkPtr link;
  std::deque<Urb> pending;   // submitted, no answer yet
  std::deque<Urb> reapable;  // completed, in completion order
  ~FileUrbs();
};

// Makes the node show whether a URB waits to be reaped. Link locked.
void UpdateReadiness(AdapterLink& link) {
  const bool any = std::any_of(link.files.begin(), link.files.end(),
                               [](const FileUrbs* f) { return !f->reapable.empty(); });
  if (any == link.ready || link.node < 0) return;
  link.ready = any;
  char bytes[4096];
  if (any) {
    while (::read(link.node, bytes, sizeof bytes) > 0) {
    }
  } else {
    std::memset(bytes, 0, sizeof bytes);
    while (::write(link.node, bytes, sizeof bytes) > 0) {
    }
  }
}

FileUrbs::~FileUrbs() {
  std::lock_guard lock(link->mutex);
  for (Urb& u : pending) Drop(u);
  for (Urb& u : reapable) Drop(u);
  reapable.clear();
  std::erase(link->files, this);
  if (link->holder == this) link->holder = nullptr;  // closing a file lets its interface go
  UpdateReadiness(*link);
}

FileUrbs& UrbsOf(UMockdevIoctlClient* client, const LinkPtr& link) {
  constexpr char kKey[] = "vantrel-urbs";
  auto* urbs = static_cast<FileUrbs*>(g_object_get_data(G_OBJECT(client), kKey));
  if (urbs == nullptr) {
    urbs = new FileUrbs{link, {}, {}};
    {
      std::lock_guard lock(link->mutex);
      link->files.push_back(urbs);
    }
    g_object_set_data_full(G_OBJECT(client), kKey, urbs, [](gpointer p) { delete static_cast<FileUrbs*>(p); });
  }
  return *urbs;
}

bool IsPipe(std::uint8_t endpoint) {
  return endpoint == UsbAdapterFirmware::kCommandPipe || endpoint == UsbAdapterFirmware::kTraceDataPipe ||
         endpoint == UsbAdapterFirmware::kReplyPipe;
}

UMockdevIoctlData* Resolve(UMockdevIoctlData* data, std::size_t offset, std::size_t length) {
  GError* error = nullptr;
  UMockdevIoctlData* r = umockdev_ioctl_data_resolve(data, offset, length, &error);
  if (error != nullptr) {
    std::fprintf(stderr, "usb test bed: cannot read the caller's memory: %s\n", error->message);
    g_error_free(error);
    return nullptr;
  }
  return r;
}

void Fail(UMockdevIoctlClient* client, int error) { umockdev_ioctl_client_complete(client, -1, error); }
void Succeed(UMockdevIoctlClient* client, long result = 0) { umockdev_ioctl_client_complete(client, result, 0); }

// The first unsigned int the argument points to (an interface number).
bool ReadUnsigned(UMockdevIoctlData* arg, unsigned& value) {
  UMockdevIoctlData* d = Resolve(arg, 0, sizeof(unsigned));
  if (d == nullptr) return false;
  std::memcpy(&value, d->data, sizeof value);
  g_object_unref(d);
  return true;
}

void Capabilities(UMockdevIoctlClient* client, UMockdevIoctlData* arg, bool gone) {
  if (gone) return Fail(client, ENODEV);
  UMockdevIoctlData* d = Resolve(arg, 0, sizeof(std::uint32_t));
  if (d == nullptr) return Fail(client, EFAULT);
  const std::uint32_t caps = USBDEVFS_CAP_ZERO_PACKET | USBDEVFS_CAP_BULK_CONTINUATION |
                             USBDEVFS_CAP_NO_PACKET_SIZE_LIM | USBDEVFS_CAP_REAP_AFTER_DISCONNECT;
  std::memcpy(d->data, &caps, sizeof caps);
  g_object_unref(d);
  Succeed(client);
}

// One open file at a time holds the interface, as usbfs grants it.
void Claim(UMockdevIoctlClient* client, UMockdevIoctlData* arg, AdapterLink& link, const FileUrbs& file,
           bool claim) {
  unsigned interface = 0;
  if (link.firmware == nullptr) return Fail(client, ENODEV);
  if (!ReadUnsigned(arg, interface)) return Fail(client, EFAULT);
  if (interface != 0) return Fail(client, claim ? ENOENT : EINVAL);
  if (!claim) {
    if (link.holder != &file) return Fail(client, EINVAL);
    link.holder = nullptr;
    return Succeed(client);
  }
  if (gFailNextClaim.exchange(false) || (link.holder != nullptr && link.holder != &file)) return Fail(client, EBUSY);
  link.holder = &file;
  Succeed(client);
}

bool WaitsForTraceData(const AdapterLink& link) {
  for (const FileUrbs* f : link.files) {
    for (const Urb& u : f->pending) {
      if (u.endpoint == UsbAdapterFirmware::kTraceDataPipe) return true;
    }
  }
  return false;
}

// Each file's pending IN URBs, oldest first on each pipe, ask the firmware
// until it has nothing more for that pipe. Link locked.
void AnswerPending(AdapterLink& link) {
  if (link.firmware == nullptr) return;
  for (FileUrbs* f : link.files) {
    std::vector<std::uint8_t> silent;  // pipes the firmware had nothing for
    for (auto it = f->pending.begin(); it != f->pending.end();) {
      Urb& u = *it;
      if (!u.in || std::find(silent.begin(), silent.end(), u.endpoint) != silent.end()) {
        ++it;
        continue;
      }
      std::size_t got = 0;
      const std::size_t max = u.buffer != nullptr ? static_cast<std::size_t>(u.buffer->data_len) : 0;
      const UsbAdapterFirmware::Result r =
          max == 0 ? UsbAdapterFirmware::Result::Done : link.firmware->In(u.endpoint, u.buffer->data, max, got);
      if (r == UsbAdapterFirmware::Result::NoReply) {
        silent.push_back(u.endpoint);
        ++it;
        continue;
      }
      u.status = r == UsbAdapterFirmware::Result::Stall ? -EPIPE : 0;
      u.actual = static_cast<int>(got);
      f->reapable.push_back(u);
      it = f->pending.erase(it);
    }
  }
}

// The periodic trace data check, on the ioctl thread: it lasts while a trace
// data read waits on a present adapter.
gboolean CheckTraceData(gpointer data) {
  AdapterLink& link = **static_cast<LinkPtr*>(data);
  std::lock_guard lock(link.mutex);
  AnswerPending(link);
  UpdateReadiness(link);
  if (link.firmware != nullptr && WaitsForTraceData(link)) return G_SOURCE_CONTINUE;
  g_source_unref(link.check);
  link.check = nullptr;
  return G_SOURCE_REMOVE;
}

void WatchTraceData(const LinkPtr& link) {
  if (link->check != nullptr || link->context == nullptr || !WaitsForTraceData(*link)) return;
  GSource* s = g_timeout_source_new(kTraceDataCheckMs);
  g_source_set_callback(s, &CheckTraceData, new LinkPtr(link), [](gpointer p) { delete static_cast<LinkPtr*>(p); });
  g_source_attach(s, link->context);
  link->check = s;
}

void Submit(UMockdevIoctlClient* client, UMockdevIoctlData* arg, const LinkPtr& link, FileUrbs& urbs) {
  AdapterLink& l = *link;
  if (l.firmware == nullptr) return Fail(client, ENODEV);
  Urb u;
  u.urb = Resolve(arg, 0, sizeof(usbdevfs_urb));
  if (u.urb == nullptr) return Fail(client, EFAULT);
  const auto* fields = reinterpret_cast<const usbdevfs_urb*>(u.urb->data);
  const unsigned char type = fields->type;
  const int length = fields->buffer_length;
  u.endpoint = fields->endpoint;
  u.in = (u.endpoint & USB_DIR_IN) != 0;
  // The adapter answers no control request; the rest the kernel refuses.
  const bool control = type == USBDEVFS_URB_TYPE_CONTROL && u.endpoint == 0;
  if ((type != USBDEVFS_URB_TYPE_BULK || !IsPipe(u.endpoint)) && !control) {
    Drop(u);
    return Fail(client, type == USBDEVFS_URB_TYPE_BULK ? ENOENT : EINVAL);
  }
  if (length < 0) {
    Drop(u);
    return Fail(client, EINVAL);
  }
  if (length > 0) {
    u.buffer = Resolve(u.urb, offsetof(usbdevfs_urb, buffer), static_cast<std::size_t>(length));
    if (u.buffer == nullptr) {
      Drop(u);
      return Fail(client, EFAULT);
    }
  }
  if (control) {
    u.status = -EPIPE;
    urbs.reapable.push_back(u);
  } else if (u.in) {
    urbs.pending.push_back(u);
    AnswerPending(l);
  } else {
    const std::uint8_t* data = u.buffer != nullptr ? u.buffer->data : nullptr;
    if (u.endpoint == UsbAdapterFirmware::kCommandPipe) {
      std::lock_guard seen(l.seen->mutex);
      l.seen->messages.emplace_back(data, data + length);
    }
    switch (l.firmware->Out(u.endpoint, data, static_cast<std::size_t>(length))) {
      case UsbAdapterFirmware::Result::Done:
        u.actual = length;
        urbs.reapable.push_back(u);
        break;
      case UsbAdapterFirmware::Result::Stall:
        u.status = -EPIPE;
        urbs.reapable.push_back(u);
        break;
      case UsbAdapterFirmware::Result::NoReply:
        urbs.pending.push_back(u);  // never completes: only a discard ends it
        break;
    }
    // A message may have made a reply, or started the trace.
    AnswerPending(l);
  }
  WatchTraceData(link);
  UpdateReadiness(l);
  Succeed(client);
}

void Reap(UMockdevIoctlClient* client, UMockdevIoctlData* arg, AdapterLink& link, FileUrbs& urbs) {
  ++link.seen->reaps;
  if (urbs.reapable.empty()) return Fail(client, link.firmware == nullptr ? ENODEV : EAGAIN);
  UMockdevIoctlData* where = Resolve(arg, 0, sizeof(void*));
  if (where == nullptr) return Fail(client, EFAULT);
  Urb u = urbs.reapable.front();
  urbs.reapable.pop_front();
  UpdateReadiness(link);
  auto* fields = reinterpret_cast<usbdevfs_urb*>(u.urb->data);
  fields->status = u.status;
  fields->actual_length = u.actual;
  // The caller's pointer now names its own URB; completing writes the URB
  // and the buffer back.
  const bool set = umockdev_ioctl_data_set_ptr(where, 0, u.urb) != FALSE;
  g_object_unref(where);
  if (set) Succeed(client);
  else Fail(client, EFAULT);
  Drop(u);
}

void Discard(UMockdevIoctlClient* client, UMockdevIoctlData* arg, AdapterLink& link, FileUrbs& urbs) {
  if (link.firmware == nullptr) return Fail(client, ENODEV);
  gulong address = 0;  // the URB's address itself is the argument
  std::memcpy(&address, arg->data, sizeof address);
  for (auto it = urbs.pending.begin(); it != urbs.pending.end(); ++it) {
    if (it->urb->client_addr != address) continue;
    Urb u = *it;
    urbs.pending.erase(it);
    u.status = -ENOENT;
    u.actual = 0;
    urbs.reapable.push_back(u);
    UpdateReadiness(link);
    return Succeed(client);
  }
  Fail(client, EINVAL);  // completed already: it is reaped as it is
}

gboolean OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer data) {
  const LinkPtr& link = *static_cast<LinkPtr*>(data);
  const gulong request = umockdev_ioctl_client_get_request(client);
  UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
  FileUrbs& urbs = UrbsOf(client, link);
  std::lock_guard lock(link->mutex);
  if (link->context == nullptr) link->context = g_main_context_ref_thread_default();
  const bool gone = link->firmware == nullptr;
  switch (request) {
    case USBDEVFS_GET_CAPABILITIES:
      Capabilities(client, arg, gone);
      break;
    case USBDEVFS_CLAIMINTERFACE:
    case USBDEVFS_DISCONNECT_CLAIM:  // its struct starts with the interface number
      Claim(client, arg, *link, urbs, true);
      break;
    case USBDEVFS_RELEASEINTERFACE:
      Claim(client, arg, *link, urbs, false);
      break;
    case USBDEVFS_CLEAR_HALT:
    case USBDEVFS_RESETEP:
    case USBDEVFS_RESET:
    case USBDEVFS_SETINTERFACE:
    case USBDEVFS_SETCONFIGURATION:
      if (gone) Fail(client, ENODEV);
      else Succeed(client);
      break;
    case USBDEVFS_GETDRIVER:
    case USBDEVFS_IOCTL:  // no kernel driver binds the adapter
      Fail(client, gone ? ENODEV : ENODATA);
      break;
    case USBDEVFS_GET_SPEED:
      if (gone) Fail(client, ENODEV);
      else Succeed(client, USB_SPEED_HIGH);
      break;
    case USBDEVFS_SUBMITURB:
      Submit(client, arg, link, urbs);
      break;
    case USBDEVFS_REAPURB:  // never blocks here; libusb only asks without delay
    case USBDEVFS_REAPURBNDELAY:
      Reap(client, arg, *link, urbs);
      break;
    case USBDEVFS_DISCARDURB:
      Discard(client, arg, *link, urbs);
      break;
    default:
      Fail(client, ENOTTY);
  }
  return TRUE;
}

std::string Hex(const std::string& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string s;
  for (unsigned char b : bytes) {
    s += kDigits[b >> 4];
    s += kDigits[b & 15];
  }
  return s;
}

// The device descriptor and the one configuration, as sysfs gives them.
std::string Descriptors() {
  auto lo = [](unsigned v) { return static_cast<char>(v & 0xFF); };
  auto hi = [](unsigned v) { return static_cast<char>(v >> 8); };
  std::string d = {18, USB_DT_DEVICE, 0x00, 0x02, 0, 0, 0, 64,
                   lo(kAdapterVendorId), hi(kAdapterVendorId), lo(kAdapterProductId), hi(kAdapterProductId),
                   0x00, 0x01, 0, 0, 0, 1};
  const unsigned total = 9 + 9 + 3 * 7;
  d += std::string{9, USB_DT_CONFIG, lo(total), hi(total), 1, 1, 0, static_cast<char>(0x80), 50};
  d += std::string{9, USB_DT_INTERFACE, 0, 0, 3, static_cast<char>(USB_CLASS_VENDOR_SPEC), 0, 0, 0};
  for (std::uint8_t ep : {UsbAdapterFirmware::kCommandPipe, UsbAdapterFirmware::kTraceDataPipe,
                          UsbAdapterFirmware::kReplyPipe}) {
    d += std::string{7, USB_DT_ENDPOINT, static_cast<char>(ep), USB_ENDPOINT_XFER_BULK, lo(512), hi(512), 0};
  }
  return d;
}

std::string Node(int address) {
  char node[32];
  std::snprintf(node, sizeof node, "/dev/bus/usb/%03d/%03d", kBus, address);
  return node;
}

// Turns the testbed's node file into a FIFO with the same permissions and
// opens the bed's end of it: a plain file polls ready at all times, and
// libusb would reap without pause. Returns the bed's end, full (not ready).
int MakeFifoNode(const std::string& node) {
  gchar* root = umockdev_testbed_get_root_dir(SharedTestbed());
  const std::string path = std::string(root) + node;
  g_free(root);
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || ::unlink(path.c_str()) != 0 ||
      ::mkfifo(path.c_str(), st.st_mode & 07777) != 0 || ::chmod(path.c_str(), st.st_mode & 07777) != 0) {
    throw std::runtime_error("usb test bed: cannot make " + path + " a FIFO: " + std::strerror(errno));
  }
  const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) throw std::runtime_error("usb test bed: cannot open " + path + ": " + std::strerror(errno));
  (void)::fcntl(fd, F_SETPIPE_SZ, 4096);  // the least the kernel allows: fills at once
  char bytes[4096] = {};
  while (::write(fd, bytes, sizeof bytes) > 0) {
  }
  return fd;
}

}  // namespace

struct UsbTestBed::Impl {
  struct Adapter {
    std::string sysPath, node;
    UMockdevIoctlBase* handler = nullptr;
    LinkPtr link;
  };
  UMockdevTestbed* testbed = nullptr;
  std::map<int, Adapter> adapters;
  std::shared_ptr<Seen> seen = std::make_shared<Seen>();

  void Remove(Adapter& a) {
    {
      // What was waiting fails as the host controller fails it for a
      // vanished device, ready to be reaped.
      std::lock_guard lock(a.link->mutex);
      a.link->firmware = nullptr;
      for (FileUrbs* f : a.link->files) {
        for (Urb& u : f->pending) {
          u.status = -ESHUTDOWN;
          u.actual = 0;
          f->reapable.push_back(u);
        }
        f->pending.clear();
      }
      UpdateReadiness(*a.link);
    }
    umockdev_testbed_uevent(testbed, a.sysPath.c_str(), "remove");
    umockdev_testbed_remove_device(testbed, a.sysPath.c_str());
    umockdev_testbed_detach_ioctl(testbed, a.node.c_str(), nullptr);
    g_object_unref(a.handler);
  }
};

UsbTestBed::UsbTestBed() : impl_(std::make_unique<Impl>()) { impl_->testbed = SharedTestbed(); }

UsbTestBed::~UsbTestBed() {
  for (auto& entry : impl_->adapters) impl_->Remove(entry.second);
  // A failure asked for and never met is not the next bed's.
  RefuseNextUsbNodeOpen(false);
  gFailNextClaim = false;
}

// umockdev's own check asks for a testbed; the bed needs the preload library
// in the process, which it cannot bring in by itself.
bool UsbTestBed::Available() {
  auto isPreload = [](dl_phdr_info* info, std::size_t, void*) {
    return info->dlpi_name != nullptr && std::strstr(info->dlpi_name, "libumockdev-preload") != nullptr ? 1 : 0;
  };
  return dl_iterate_phdr(isPreload, nullptr) != 0;
}

int UsbTestBed::AddAdapter(UsbAdapterFirmware& firmware) {
  const int address = gNextAddress++;
  if (address > 127) throw std::runtime_error("usb test bed: bus 1 has no address left");
  const int port = address - 1;
  const int minor = (kBus - 1) * 128 + address - 1;
  Impl::Adapter a;
  a.node = Node(address);
  a.link = std::make_shared<AdapterLink>();
  a.link->firmware = &firmware;
  a.link->seen = impl_->seen;
  a.handler = umockdev_ioctl_base_new();
  g_signal_connect_data(a.handler, "handle-ioctl", G_CALLBACK(OnIoctl), new LinkPtr(a.link),
                        [](gpointer link, GClosure*) { delete static_cast<LinkPtr*>(link); }, GConnectFlags{});
  GError* error = nullptr;
  // The handler first: libusb may open the node as soon as it is there.
  if (!umockdev_testbed_attach_ioctl(impl_->testbed, a.node.c_str(), a.handler, &error)) {
    const std::string why = error != nullptr ? error->message : "unknown";
    g_clear_error(&error);
    g_object_unref(a.handler);
    throw std::runtime_error("usb test bed: cannot attach to " + a.node + ": " + why);
  }
  char description[2048];
  std::snprintf(description, sizeof description,
                "P: /devices/pci0000:00/0000:00:14.0/usb%d/%d-%d\n"
                "N: %s\n"
                "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DRIVER=usb\n"
                "E: BUSNUM=%03d\nE: DEVNUM=%03d\nE: DEVNAME=%s\nE: MAJOR=%d\nE: MINOR=%d\n"
                "E: PRODUCT=%x/%x/100\n"
                "A: busnum=%d\\n\nA: devnum=%d\\n\nA: speed=480\\n\nA: bConfigurationValue=1\\n\n"
                "A: bNumConfigurations=1\\n\nA: idVendor=%04x\\n\nA: idProduct=%04x\\n\nA: dev=%d:%d\\n\n"
                "H: descriptors=%s\n",
                kBus, kBus, port, a.node.c_str() + 5, kBus, address, a.node.c_str(), kUsbDeviceMajor, minor,
                kAdapterVendorId, kAdapterProductId, kBus, address, kAdapterVendorId, kAdapterProductId,
                kUsbDeviceMajor, minor, Hex(Descriptors()).c_str());
  if (!umockdev_testbed_add_from_string(impl_->testbed, description, &error)) {
    const std::string why = error != nullptr ? error->message : "unknown";
    g_clear_error(&error);
    throw std::runtime_error("usb test bed: cannot add the adapter: " + why);
  }
  a.link->node = MakeFifoNode(a.node);
  char sysPath[128];
  std::snprintf(sysPath, sizeof sysPath, "/sys/devices/pci0000:00/0000:00:14.0/usb%d/%d-%d", kBus, kBus, port);
  a.sysPath = sysPath;
  // The testbed's own add event may go out before the descriptors are
  // written; libusb passes over a second one for a device it already has.
  umockdev_testbed_uevent(impl_->testbed, a.sysPath.c_str(), "add");
  impl_->adapters.emplace(address, std::move(a));
  return address;
}

void UsbTestBed::RemoveAdapter(int id) {
  auto it = impl_->adapters.find(id);
  if (it == impl_->adapters.end()) return;
  impl_->Remove(it->second);
  impl_->adapters.erase(it);
}

void UsbTestBed::FailNextOpen() { RefuseNextUsbNodeOpen(); }

void UsbTestBed::FailNextClaim() { gFailNextClaim = true; }

std::vector<std::vector<std::uint8_t>> UsbTestBed::TakeMessages() {
  std::lock_guard lock(impl_->seen->mutex);
  std::vector<Bytes> m;
  m.swap(impl_->seen->messages);
  return m;
}

std::size_t UsbTestBed::Reaps() const { return impl_->seen->reaps; }

}  // namespace vantrel::test
