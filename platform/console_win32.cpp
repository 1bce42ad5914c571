#include "console.h"
#include "win32_api.h"
#include "win32_text.h"

// After windows.h.
#include <shellapi.h>

namespace k5::platform {

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (wide == nullptr) return {argv, argv + argc};
    std::vector<std::string> args;
    for (int i = 0; i < count; ++i) args.push_back(Narrow(wide[i]));
    ::LocalFree(wide);
    return args;
}

void PrepareConsole() {
    ::SetConsoleOutputCP(CP_UTF8);
    for (const DWORD which : {STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
        DWORD mode = 0;
        const HANDLE stream = ::GetStdHandle(which);
        if (::GetConsoleMode(stream, &mode))
            ::SetConsoleMode(stream, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
    }
}

bool StderrIsTerminal() {
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

bool StdoutIsTerminal() {
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

UnechoedInput::UnechoedInput() {
    DWORD mode = 0;
    const HANDLE in = ::GetStdHandle(STD_INPUT_HANDLE);
    if (!::GetConsoleMode(in, &mode)) return;
    before_ = mode;
    changed_ = ::SetConsoleMode(in, mode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) != 0;
}

UnechoedInput::~UnechoedInput() {
    if (changed_) ::SetConsoleMode(::GetStdHandle(STD_INPUT_HANDLE), static_cast<DWORD>(before_));
}

}  // namespace k5::platform
