#include "thread_priority.h"

#include <sys/resource.h>
#include <unistd.h>

namespace k5::serial {

void SetCurrentThreadPriority(ThreadPriority priority) {
    // On Linux a thread's nice value is its own; lowering it needs CAP_SYS_NICE.
    const int nice = priority == ThreadPriority::Highest ? -2 : -1;
    [[maybe_unused]] int result = ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), nice);
}

}  // namespace k5::serial
