// What both transports' acquisition threads share: the stop request guarded
// by TraceMutex, the spool they fill, and the thread itself (at most one).
// Start and Stop run on the main thread; the rest on the acquisition thread.
#pragma once
#include <cstdint>

#include "common/SpoolFile.h"

namespace vantrel::acquisition {

// StartTraceThread's common steps: clears the stop request, marks the pod
// alive, creates TraceMutex and the spool the trace uses. Reports a failure
// ("Pod Interface Report") and leaves nothing behind; false then.
bool Prepare();
// Creates the thread running `loop` at the highest priority; false when it
// cannot be created (nothing is reported).
bool Start(void (*loop)());
// StopTraceThread's step 1: requests the stop, waits 100 ms, then polls up to
// 10 times for the thread's end; the thread is forgotten either way.
void Stop();
// Closes TraceMutex and releases the spool.
void Release();
bool Running();

// Acquisition thread: true once a stop is requested (or TraceMutex cannot be
// had within 100 ms, or no thread is registered).
bool StopRequested();
// Acquisition thread: stores a record, retrying every 10 ms with a status poll
// while the spool is full or busy; false when a stop came first (the record
// is dropped).
bool Store(const SpoolRecord& record);
// Acquisition thread: bytes of a record are about to be read from the pod;
// they count as held until Store has taken the record (or a stop came).
void HoldBytes();
// Parser thread: the acquisition thread holds bytes the spool does not have
// yet. A status poll may already say that the pod is gone or read out, but
// the trace must not end before those bytes are spooled.
bool HoldingBytes();
// Acquisition thread: sleeps 10 ms, waking at once when a stop is requested.
void Pause();

}  // namespace vantrel::acquisition
