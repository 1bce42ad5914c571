// The console a command-line program writes to.
#pragma once

#include <string>
#include <vector>

namespace k5::platform {

// The program's arguments in UTF-8 (Windows hands main() the ANSI code page's).
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// Sets the console up for UTF-8 output (Windows: the code page and escape
// sequences); nothing to do on Linux.
void PrepareConsole();
// Whether stderr is an interactive terminal (for progress lines).
bool StderrIsTerminal();

}  // namespace k5::platform
