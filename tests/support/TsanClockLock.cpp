// Thread-sanitizer builds only. std::timed_mutex::try_lock_for waits through
// pthread_mutex_clocklock, which this toolchain's sanitizer does not see; it
// would then report every timed lock as a bad unlock. Routing the call through
// pthread_mutex_timedlock, which it does see, keeps its reports meaningful.
#include <pthread.h>

#include <cerrno>
#include <ctime>

extern "C" int pthread_mutex_clocklock(pthread_mutex_t* mutex, clockid_t clock, const struct timespec* abstime) {
  if (clock == CLOCK_REALTIME) return pthread_mutex_timedlock(mutex, abstime);
  timespec now{}, realNow{};
  if (clock_gettime(clock, &now) != 0 || clock_gettime(CLOCK_REALTIME, &realNow) != 0) return EINVAL;
  long long ns = (static_cast<long long>(abstime->tv_sec) - now.tv_sec) * 1000000000LL + (abstime->tv_nsec - now.tv_nsec);
  if (ns < 0) ns = 0;
  ns += static_cast<long long>(realNow.tv_sec) * 1000000000LL + realNow.tv_nsec;
  const timespec deadline{static_cast<time_t>(ns / 1000000000LL), static_cast<long>(ns % 1000000000LL)};
  return pthread_mutex_timedlock(mutex, &deadline);
}
