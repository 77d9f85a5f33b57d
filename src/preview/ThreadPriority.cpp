#include "preview/ThreadPriority.h"

#if defined(__linux__)
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace vidorra {

void lowerThreadPriority(int niceness)
{
#if defined(__linux__)
    const auto tid = id_t(syscall(SYS_gettid));
    const int current = getpriority(PRIO_PROCESS, tid);
    setpriority(PRIO_PROCESS, tid, current + niceness);
#else
    (void)niceness;
#endif
}

} // namespace vidorra
