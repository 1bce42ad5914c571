// The console a command-line program writes to.
#pragma once

#include <string>
#include <vector>

namespace k5::platform {

// The program's arguments in UTF-8 (Windows hands main() the ANSI code page's).
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// Sets the console up for UTF-8 output (Windows: the code page and escape
// sequences on stdout and stderr); nothing to do on Linux.
void PrepareConsole();
// Whether stderr is an interactive terminal (for progress lines).
bool StderrIsTerminal();
// Whether stdout is an interactive terminal (for lines redrawn in place).
bool StdoutIsTerminal();

// While it lives, what is typed on the terminal is not echoed (lines redrawn
// in place stay where they are); the echo is put back as it was. Nothing when
// stdin is not a terminal.
class UnechoedInput {
  public:
    UnechoedInput();
    ~UnechoedInput();
    UnechoedInput(const UnechoedInput&) = delete;
    UnechoedInput& operator=(const UnechoedInput&) = delete;

  private:
    unsigned long before_ = 0;
    bool changed_ = false;
};

}  // namespace k5::platform
