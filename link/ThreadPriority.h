#pragma once
// Raising the calling thread's priority one step above normal, as the
// stream's worker threads run.

namespace zelor {

// Raises the calling thread one step above its inherited priority where the
// system allows it; true when it did. On Linux this is the thread's nice
// value lowered by one, which needs CAP_SYS_NICE or an RLIMIT_NICE
// allowance; without them the thread stays at normal priority.
bool RaiseCurrentThreadPriority();

// The calling thread's system id (Linux), 0 elsewhere.
long CurrentThreadId();

}  // namespace zelor
