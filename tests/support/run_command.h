// Runs a shell command and collects its exit status and output (stdout and stderr).
#pragma once

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

namespace k5::test {

struct CommandOutcome {
    int status;
    std::string out;
};

inline CommandOutcome RunCommand(const std::string& command) {
    std::string out;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return {-1, ""};
    std::array<char, 4096> chunk{};
    while (std::size_t n = std::fread(chunk.data(), 1, chunk.size(), pipe)) out.append(chunk.data(), n);
    const int raw = ::pclose(pipe);
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, out};
}

}  // namespace k5::test
