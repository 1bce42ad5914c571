// Programs run as processes in tests: k5-iap, k5-sim and anything the shell runs.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

namespace k5::test {

inline const std::string kIap = K5_IAP_PATH;
inline const std::string kSim = K5_SIM_PATH;

// A program run by the shell in the background.
class ChildProcess {
  public:
    explicit ChildProcess(const std::string& command) {
        pid_ = ::fork();
        if (pid_ == 0) {
            ::execl("/bin/sh", "sh", "-c", ("exec " + command).c_str(), nullptr);
            ::_exit(127);
        }
    }
    ~ChildProcess() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            Wait();
        }
    }
    int Wait() {
        int raw = 0;
        ::waitpid(pid_, &raw, 0);
        pid_ = -1;
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }

    void Signal(int signal) { ::kill(pid_, signal); }

  private:
    pid_t pid_ = -1;
};

// A k5-sim process whose device is linked at `link`.
class SimProcess : public ChildProcess {
  public:
    SimProcess(const std::string& args, const std::string& link)
        : ChildProcess(kSim + " --quiet --link " + link + " " + args + " >/dev/null") {
        for (int i = 0; i < 200 && ::access(link.c_str(), F_OK) != 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
};

}  // namespace k5::test
