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
    DWORD mode = 0;
    const HANDLE err = ::GetStdHandle(STD_ERROR_HANDLE);
    if (::GetConsoleMode(err, &mode)) ::SetConsoleMode(err, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

bool StderrIsTerminal() {
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

}  // namespace k5::platform
