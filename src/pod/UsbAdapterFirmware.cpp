#include "pod/UsbAdapterFirmware.h"

#include <algorithm>

#include "pod/PodStatus.h"
#include "pod/SoftwarePod.h"

namespace vantrel {

UsbAdapterFirmware::UsbAdapterFirmware(SoftwarePod& pod, Options options) : pod_(pod), options_(std::move(options)) {}

void UsbAdapterFirmware::StallNext(int messageCode) {
  std::lock_guard lock(mutex_);
  stallNext_ = messageCode;
}

void UsbAdapterFirmware::WithholdReply(int messageCode) {
  std::lock_guard lock(mutex_);
  withholdNext_ = messageCode;
}

void UsbAdapterFirmware::SetSerial(std::string serial) {
  std::lock_guard lock(mutex_);
  options_.serial = std::move(serial);
}

bool UsbAdapterFirmware::Tracing() {
  std::lock_guard lock(mutex_);
  return tracing_;
}

void UsbAdapterFirmware::Reply(const std::uint8_t* bytes, std::size_t n) {
  std::lock_guard lock(mutex_);
  if (withholdNext_ == -2) {
    withholdNext_ = -1;
    return;
  }
  replies_.insert(replies_.end(), bytes, bytes + n);
}

// The pod takes configuration bits as a board host sends them.
void UsbAdapterFirmware::ShiftByte(std::uint8_t b) {
  for (int bit = 7; bit >= 0; --bit) {
    pod_.WritePort(2, 0xDF);
    pod_.WritePort(0, static_cast<std::uint8_t>((b >> bit) & 1u));
    pod_.WritePort(2, 0xFF);
  }
}

UsbAdapterFirmware::Result UsbAdapterFirmware::Out(std::uint8_t endpoint, const std::uint8_t* data,
                                                   std::size_t length) {
  if (endpoint != kCommandPipe || length == 0) return Result::Stall;
  const int code = data[0];
  {
    std::lock_guard lock(mutex_);
    if (stallNext_ == code) {
      stallNext_ = -1;
      return Result::Stall;
    }
    if (withholdNext_ == code) withholdNext_ = -2;  // the reply this message makes
  }
  switch (code) {
    case 0:
      if (length < 3) return Result::Stall;
      pod_.WritePort(data[1], data[2]);
      return Result::Done;
    case 1: {
      if (length < 2) return Result::Stall;
      const std::uint8_t value = pod_.ReadPort(data[1]);
      Reply(&value, 1);
      return Result::Done;
    }
    case 2: {
      if (length < 2 || length > 64) return Result::Stall;
      // A pod that stopped asking for bits takes no more blocks.
      const bool wanted = (pod_.ReadPort(2) & kPodConfiguring) != 0;
      if (wanted) {
        for (std::size_t i = 1; i < length; ++i) ShiftByte(data[i]);
      }
      const std::uint8_t accepted = wanted ? 1 : 0;
      Reply(&accepted, 1);
      return Result::Done;
    }
    case 3:
    case 4: {
      std::lock_guard lock(mutex_);
      tracing_ = code == 3;
      return Result::Done;
    }
    case 5:
      return Result::Done;
    case 6: {
      if (length < 2) return Result::Stall;
      if (data[1] == 0) {
        const std::uint8_t v[2] = {static_cast<std::uint8_t>(options_.version >> 8),
                                   static_cast<std::uint8_t>(options_.version)};
        Reply(v, 2);
      } else if (data[1] == 1) {
        Reply(&options_.speedCode, 1);
      } else if (data[1] == 2) {
        std::string serial;
        {
          std::lock_guard lock(mutex_);
          serial = options_.serial;
        }
        serial.resize(8, ' ');
        Reply(reinterpret_cast<const std::uint8_t*>(serial.data()), 8);
      } else {
        return Result::Stall;
      }
      return Result::Done;
    }
    default:
      return Result::Stall;
  }
}

UsbAdapterFirmware::Result UsbAdapterFirmware::In(std::uint8_t endpoint, std::uint8_t* data, std::size_t max,
                                                  std::size_t& got) {
  got = 0;
  if (endpoint == kReplyPipe) {
    std::lock_guard lock(mutex_);
    if (replies_.empty()) return Result::NoReply;
    got = std::min(max, replies_.size());
    std::copy_n(replies_.begin(), got, data);
    replies_.erase(replies_.begin(), replies_.begin() + static_cast<std::ptrdiff_t>(got));
    return Result::Done;
  }
  if (endpoint != kTraceDataPipe) return Result::Stall;
  {
    std::lock_guard lock(mutex_);
    if (stallNext_ == 7) {
      stallNext_ = -1;
      return Result::Stall;
    }
    if (!tracing_) return Result::NoReply;
  }
  // Strobed reads, as a board host would make them, while the pod has data.
  while (got < max && (pod_.ReadPort(2) & (kPodPresent | kPodNoData)) == kPodPresent) {
    pod_.WritePort(2, 0xB0);
    data[got++] = pod_.ReadPort(1);
    pod_.WritePort(2, 0xF0);
  }
  return got > 0 ? Result::Done : Result::NoReply;
}

}  // namespace vantrel
