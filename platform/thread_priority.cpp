#include "platform/thread_priority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace velmar {

bool RequestThreadPriority(int stepsAboveNormal) {
  if (stepsAboveNormal <= 0) return true;
  // A thread's nice value: five steps lower for each step above normal.
  const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
  return ::setpriority(PRIO_PROCESS, tid, -5 * stepsAboveNormal) == 0;
}

}  // namespace velmar
