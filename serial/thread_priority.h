// Best-effort thread priorities; failures (no rights) are ignored.
#pragma once

namespace k5::serial {

enum class ThreadPriority { AboveNormal, Highest };

void SetCurrentThreadPriority(ThreadPriority priority);

}  // namespace k5::serial
