#include <termios.h>
#include <unistd.h>

#include "console.h"

namespace k5::platform {

std::vector<std::string> CommandLineArguments(int argc, char** argv) { return {argv, argv + argc}; }

void PrepareConsole() {}

bool StderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

bool StdoutIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }

UnechoedInput::UnechoedInput() {
    termios t{};
    if (!::isatty(STDIN_FILENO) || ::tcgetattr(STDIN_FILENO, &t) != 0) return;
    before_ = t.c_lflag;
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    changed_ = ::tcsetattr(STDIN_FILENO, TCSANOW, &t) == 0;
}

UnechoedInput::~UnechoedInput() {
    termios t{};
    if (!changed_ || ::tcgetattr(STDIN_FILENO, &t) != 0) return;
    t.c_lflag = static_cast<tcflag_t>(before_);
    ::tcsetattr(STDIN_FILENO, TCSANOW, &t);
}

}  // namespace k5::platform
