// The console a command-line program writes to.
#pragma once

namespace k5::platform {

// Sets the console up for UTF-8 output (Windows: the code page and escape
// sequences); nothing to do on Linux.
void PrepareConsole();
// Whether stderr is an interactive terminal (for progress lines).
bool StderrIsTerminal();

}  // namespace k5::platform
