#include "pod/PodStatus.h"

#include <chrono>
#include <memory>

#include "common/TimedMutex.h"
#include "pod/PodInterface.h"

namespace vantrel {
namespace {

constexpr std::chrono::milliseconds kWait{100};

std::unique_ptr<TimedMutex> gMutex;
bool gAlive = false, gFifoEmpty = true, gMemoryFull = false;  // guarded by gMutex

bool ReadFlag(const bool& flag) {
  TimedMutex* m = gMutex.get();
  if (m == nullptr || !m->try_lock_for(kWait)) return false;
  const bool value = flag;
  m->unlock();
  return value;
}

}  // namespace

void CreatePodStatusMutex() {
  if (!gMutex) gMutex = std::make_unique<TimedMutex>();
}

void ClosePodStatusMutex() { gMutex.reset(); }

void PollPodStatus() {
  TimedMutex* m = gMutex.get();
  if (m == nullptr || !m->try_lock_for(kWait)) return;
  const std::uint8_t status = gPod.ReadPort(2);
  gAlive = (status & kPodPresent) != 0;
  if (gAlive) {
    gFifoEmpty = (status & kPodNoData) != 0;
    gMemoryFull = (status & kPodMemoryFull) != 0;
  } else {
    gFifoEmpty = true;
    gMemoryFull = false;
  }
  m->unlock();
}

bool ReadPodAlive() { return ReadFlag(gAlive); }
bool ReadPodFifoEmpty() { return ReadFlag(gFifoEmpty); }
bool ReadPodMemoryFull() { return ReadFlag(gMemoryFull); }

bool ReadPodLost() {
  TimedMutex* m = gMutex.get();
  if (m == nullptr || !m->try_lock_for(kWait)) return false;
  const bool lost = !gAlive;
  m->unlock();
  return lost;
}

void SetPodAlive() {
  TimedMutex* m = gMutex.get();
  if (m == nullptr || !m->try_lock_for(kWait)) return;
  gAlive = true;
  m->unlock();
}

void ClearPodMemoryFull() {
  TimedMutex* m = gMutex.get();
  if (m == nullptr || !m->try_lock_for(kWait)) return;
  gMemoryFull = false;
  m->unlock();
}

}  // namespace vantrel
