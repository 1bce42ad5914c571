#include "thread_priority.h"

#include "win32_api.h"

namespace k5::serial {

void SetCurrentThreadPriority(ThreadPriority priority) {
    ::SetThreadPriority(::GetCurrentThread(), priority == ThreadPriority::Highest
                                                  ? THREAD_PRIORITY_HIGHEST
                                                  : THREAD_PRIORITY_ABOVE_NORMAL);
}

}  // namespace k5::serial
