#include "link/ThreadPriority.h"

#if defined(__linux__)
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#elif defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace zelor {

bool RaiseCurrentThreadPriority() {
#if defined(__linux__)
  // SCHED_OTHER threads have no priorities; the nice value is the
  // scheduler's weight, and setpriority with a thread id sets it for that
  // thread alone.
  const auto tid = static_cast<id_t>(CurrentThreadId());
  errno = 0;
  const int nice = ::getpriority(PRIO_PROCESS, tid);
  if (nice == -1 && errno != 0) return false;
  return ::setpriority(PRIO_PROCESS, tid, nice - 1) == 0;
#elif defined(_WIN32)
  return ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL) != 0;
#else
  return false;
#endif
}

long CurrentThreadId() {
#if defined(__linux__)
  return static_cast<long>(::syscall(SYS_gettid));
#else
  return 0;
#endif
}

}  // namespace zelor
