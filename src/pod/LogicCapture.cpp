#include "pod/LogicCapture.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <memory>

#include "pod/SampleConverter.h"
#include "tracegen/TraceGen.h"

namespace vantrel {
namespace {

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

int FindChannel(const std::vector<std::string>& channels, const std::string& wanted) {
  if (wanted.empty()) return -1;
  for (std::size_t i = 0; i < channels.size(); ++i) {
    if (SameName(channels[i], wanted)) return static_cast<int>(i);
  }
  unsigned index = 0;
  const char* end = wanted.data() + wanted.size();
  const auto [at, ec] = std::from_chars(wanted.data(), end, index);
  if (ec != std::errc() || at != end || index >= channels.size()) return -1;
  return static_cast<int>(index);
}

LogicImportResult ImportLogicCapture(const std::string& path, const LogicImportOptions& options,
                                     const std::function<void(TraceWord)>& out) {
  LogicImportResult result;
  Folder folder([&](TraceWord w) {
    ++result.words;
    out(w);
  });
  std::unique_ptr<SampleConverter> converter;
  int scl = -1, sda = -1;
  LogicSource source;
  source.started = [&](std::uint64_t rate, const std::vector<std::string>& channels) {
    result.channels = channels;
    result.sampleRateHz = options.sampleRateHz != 0 ? options.sampleRateHz : rate;
    scl = FindChannel(channels, options.scl);
    sda = FindChannel(channels, options.sda);
    if (scl < 0 || sda < 0) {
      result.error = "No channel " + (scl < 0 ? options.scl : options.sda) + " in the capture";
      return false;
    }
    if (result.sampleRateHz == 0) {
      result.error = "The capture gives no sample rate; give one";
      return false;
    }
    SampleConverterOptions o;
    o.sampleRateHz = result.sampleRateHz;
    o.bitTiming = options.bitTiming;
    o.glitchFraction = options.glitchFraction;
    converter = std::make_unique<SampleConverter>(o, [&](TraceWord w, std::uint64_t) { folder.Push(w); });
    return true;
  };
  source.samples = [&](const std::uint8_t* data, std::uint64_t count, unsigned unitSize) {
    if (converter) converter->PushLogic(data, count, unitSize, static_cast<unsigned>(scl), static_cast<unsigned>(sda));
  };
  const std::string error = ReadLogicFile(path, options.format, source);
  if (!result.error.empty()) return result;
  if (!error.empty()) {
    result.error = error;
    return result;
  }
  if (!converter) {
    result.error = "The capture holds no logic samples";
    return result;
  }
  converter->Finish();
  result.samples = converter->Samples();
  result.ok = true;
  return result;
}

}  // namespace vantrel
