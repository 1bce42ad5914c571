#include <unistd.h>

#include "console.h"

namespace k5::platform {

std::vector<std::string> CommandLineArguments(int argc, char** argv) { return {argv, argv + argc}; }

void PrepareConsole() {}

bool StderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

}  // namespace k5::platform
