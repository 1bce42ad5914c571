#include <unistd.h>

#include "console.h"

namespace k5::platform {

void PrepareConsole() {}

bool StderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

}  // namespace k5::platform
