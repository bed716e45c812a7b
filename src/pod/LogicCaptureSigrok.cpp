// Capture files through libsigrok: its session files through a session of
// their own, anything else through an input module.
#include <libsigrok/libsigrok.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "pod/LogicCapture.h"

namespace vantrel {
namespace {

struct Reading {
  const LogicSource* source = nullptr;
  sr_session* session = nullptr;
  const sr_dev_inst* device = nullptr;
  std::uint64_t rate = 0;
  bool begun = false;
  bool stopped = false;
  std::string error;
};

std::vector<std::string> LogicChannels(const sr_dev_inst* device) {
  std::vector<std::string> names;
  for (GSList* l = sr_dev_inst_channels_get(device); l != nullptr; l = l->next) {
    const auto* ch = static_cast<const sr_channel*>(l->data);
    if (ch->type != SR_CHANNEL_LOGIC || ch->index < 0) continue;
    const auto at = static_cast<std::size_t>(ch->index);
    if (names.size() <= at) names.resize(at + 1);
    names[at] = ch->name != nullptr ? ch->name : "";
  }
  return names;
}

std::uint64_t DeviceRate(const sr_dev_inst* device) {
  GVariant* value = nullptr;
  auto* sdi = const_cast<sr_dev_inst*>(device);
  if (sr_config_get(sr_dev_inst_driver_get(sdi), sdi, nullptr, SR_CONF_SAMPLERATE, &value) != SR_OK ||
      value == nullptr)
    return 0;
  const std::uint64_t rate = g_variant_get_uint64(value);
  g_variant_unref(value);
  return rate;
}

void Feed(const sr_dev_inst* sdi, const sr_datafeed_packet* packet, void* data) {
  auto& r = *static_cast<Reading*>(data);
  if (r.stopped || packet == nullptr) return;
  if (r.source->stop && r.source->stop()) {
    r.stopped = true;
    if (r.session != nullptr) sr_session_stop(r.session);
    return;
  }
  if (r.device == nullptr) r.device = sdi;
  switch (packet->type) {
    case SR_DF_META: {
      const auto* meta = static_cast<const sr_datafeed_meta*>(packet->payload);
      for (GSList* l = meta->config; l != nullptr; l = l->next) {
        const auto* c = static_cast<const sr_config*>(l->data);
        if (c->key == SR_CONF_SAMPLERATE) r.rate = g_variant_get_uint64(c->data);
      }
      break;
    }
    case SR_DF_LOGIC: {
      const auto* logic = static_cast<const sr_datafeed_logic*>(packet->payload);
      if (!r.begun) {
        r.begun = true;
        if (r.rate == 0) r.rate = DeviceRate(sdi);
        if (!r.source->started(r.rate, LogicChannels(sdi))) {
          r.stopped = true;
          if (r.session != nullptr) sr_session_stop(r.session);
          return;
        }
      }
      if (logic->unitsize == 0) return;
      r.source->samples(static_cast<const std::uint8_t*>(logic->data), logic->length / logic->unitsize,
                        logic->unitsize);
      break;
    }
    default:
      break;
  }
}

struct Context {
  sr_context* ctx = nullptr;
  Context() {
    sr_log_loglevel_set(SR_LOG_NONE);
    if (sr_init(&ctx) != SR_OK) ctx = nullptr;
  }
  ~Context() {
    if (ctx != nullptr) sr_exit(ctx);
  }
};

bool IsSessionFile(const std::string& path) {
  // A session file is a zip archive.
  std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "rb"), &std::fclose);
  char magic[4] = {};
  return f && std::fread(magic, 1, 4, f.get()) == 4 && std::memcmp(magic, "PK\x03\x04", 4) == 0;
}

std::string ReadSession(sr_context* ctx, const std::string& path, Reading& r) {
  sr_session* session = nullptr;
  if (sr_session_load(ctx, path.c_str(), &session) != SR_OK) return "Cannot read the capture session file";
  r.session = session;
  sr_session_datafeed_callback_add(session, &Feed, &r);
  std::string error;
  if (sr_session_start(session) != SR_OK || sr_session_run(session) != SR_OK) error = "Cannot read the capture";
  // The session's own device, closed here as well: one stopped early keeps
  // what it had opened.
  GSList* devices = nullptr;
  if (sr_session_dev_list(session, &devices) == SR_OK) {
    for (GSList* l = devices; l != nullptr; l = l->next) sr_dev_close(static_cast<sr_dev_inst*>(l->data));
    g_slist_free(devices);
  }
  sr_session_destroy(session);
  return error;
}

std::string ReadInput(sr_context* ctx, const std::string& path, const std::string& format, Reading& r) {
  const sr_input* in = nullptr;
  if (format.empty()) {
    if (sr_input_scan_file(path.c_str(), &in) != SR_OK || in == nullptr) return "Unknown capture file format";
  } else {
    std::string id = format;
    const sr_input_module* module = sr_input_find(id.data());
    if (module == nullptr) return "Unknown capture format " + format;
    in = sr_input_new(module, nullptr);
    if (in == nullptr) return "Cannot read captures of format " + format;
  }
  std::unique_ptr<FILE, int (*)(FILE*)> f(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!f) {
    sr_input_free(in);
    return "Cannot open the capture file";
  }
  sr_session* session = nullptr;
  sr_session_new(ctx, &session);
  sr_session_datafeed_callback_add(session, &Feed, &r);
  bool added = false;
  std::string error;
  GString* buf = g_string_sized_new(1 << 16);
  std::vector<char> chunk(1 << 16);
  while (!r.stopped) {
    const std::size_t n = std::fread(chunk.data(), 1, chunk.size(), f.get());
    if (n == 0) break;
    g_string_truncate(buf, 0);
    g_string_append_len(buf, chunk.data(), static_cast<gssize>(n));
    if (sr_input_send(in, buf) != SR_OK) {
      error = "Cannot read the capture";
      break;
    }
    if (!added) {
      if (sr_dev_inst* sdi = sr_input_dev_inst_get(in)) {
        sr_session_dev_add(session, sdi);
        added = true;
      }
    }
  }
  if (error.empty() && std::ferror(f.get()) != 0) error = "Cannot read the capture file";
  if (error.empty() && !r.stopped && sr_input_end(in) != SR_OK) error = "Cannot read the capture";
  g_string_free(buf, TRUE);
  sr_input_free(in);
  sr_session_destroy(session);
  return error;
}

// "driver:key=value:key=value" into the driver and its scan options.
struct DriverChoice {
  std::string name;
  std::vector<std::pair<std::string, std::string>> options;
};

DriverChoice ParseDriver(const std::string& device) {
  DriverChoice chosen;
  std::size_t at = device.find(':');
  chosen.name = device.substr(0, at);
  while (at != std::string::npos) {
    const std::size_t next = device.find(':', at + 1);
    const std::string item = device.substr(at + 1, next == std::string::npos ? std::string::npos : next - at - 1);
    const std::size_t eq = item.find('=');
    if (eq != std::string::npos) chosen.options.emplace_back(item.substr(0, eq), item.substr(eq + 1));
    at = next;
  }
  return chosen;
}

// The first device the driver finds, opened; null with the reason otherwise.
sr_dev_inst* OpenDriverDevice(sr_context* ctx, const std::string& device, std::string& error) {
  const DriverChoice chosen = ParseDriver(device);
  sr_dev_driver* driver = nullptr;
  for (sr_dev_driver** d = sr_driver_list(ctx); d != nullptr && *d != nullptr; ++d) {
    if (chosen.name == (*d)->name) driver = *d;
  }
  if (driver == nullptr) {
    error = "No logic analyser driver " + chosen.name;
    return nullptr;
  }
  if (sr_driver_init(ctx, driver) != SR_OK) {
    error = "The logic analyser driver " + chosen.name + " cannot start";
    return nullptr;
  }
  GSList* options = nullptr;
  for (const auto& [key, value] : chosen.options) {
    auto* option = g_new0(sr_config, 1);
    if (key == "conn") option->key = SR_CONF_CONN;
    else if (key == "serialcomm") option->key = SR_CONF_SERIALCOMM;
    else {
      g_free(option);
      continue;
    }
    option->data = g_variant_ref_sink(g_variant_new_string(value.c_str()));
    options = g_slist_append(options, option);
  }
  GSList* found = sr_driver_scan(driver, options);
  for (GSList* l = options; l != nullptr; l = l->next) {
    auto* option = static_cast<sr_config*>(l->data);
    g_variant_unref(option->data);
    g_free(option);
  }
  g_slist_free(options);
  if (found == nullptr) {
    error = "No logic analyser found by " + chosen.name;
    return nullptr;
  }
  auto* sdi = static_cast<sr_dev_inst*>(found->data);
  g_slist_free(found);
  if (sr_dev_open(sdi) != SR_OK) {
    error = "The logic analyser cannot be opened (is it in use, or not permitted?)";
    return nullptr;
  }
  return sdi;
}

}  // namespace

std::string StreamLogicDevice(const std::string& device, std::uint64_t sampleRateHz, const LogicSource& source) {
  if (device.find('\0') != std::string::npos || device.empty()) return "No logic analyser named";
  Context context;
  if (context.ctx == nullptr) return "The logic analyser library cannot start";
  Reading r;
  r.source = &source;
  if (IsSessionFile(device)) return ReadSession(context.ctx, device, r);
  std::string error;
  sr_dev_inst* sdi = OpenDriverDevice(context.ctx, device, error);
  if (sdi == nullptr) return error;
  if (sampleRateHz != 0) {
    (void)sr_config_set(sdi, nullptr, SR_CONF_SAMPLERATE, g_variant_new_uint64(sampleRateHz));
  }
  sr_session* session = nullptr;
  sr_session_new(context.ctx, &session);
  r.session = session;
  sr_session_dev_add(session, sdi);
  sr_session_datafeed_callback_add(session, &Feed, &r);
  if (sr_session_start(session) != SR_OK || sr_session_run(session) != SR_OK)
    error = "The logic analyser stopped sending samples";
  sr_session_destroy(session);
  sr_dev_close(sdi);
  return error;
}

bool LogicDevicePresent(const std::string& device, std::string& error) {
  if (device.empty() || device.find('\0') != std::string::npos) {
    error = "No logic analyser named";
    return false;
  }
  if (IsSessionFile(device)) return true;
  Context context;
  if (context.ctx == nullptr) {
    error = "The logic analyser library cannot start";
    return false;
  }
  sr_dev_inst* sdi = OpenDriverDevice(context.ctx, device, error);
  if (sdi == nullptr) return false;
  sr_dev_close(sdi);
  return true;
}

std::string ReadLogicFile(const std::string& path, const std::string& format, const LogicSource& source) {
  if (path.find('\0') != std::string::npos) return "Cannot open the capture file";
  Context context;
  if (context.ctx == nullptr) return "The logic analyser library cannot start";
  Reading r;
  r.source = &source;
  const bool session = format.empty() ? IsSessionFile(path) : format == "srzip";
  return session ? ReadSession(context.ctx, path, r) : ReadInput(context.ctx, path, format, r);
}

}  // namespace vantrel
