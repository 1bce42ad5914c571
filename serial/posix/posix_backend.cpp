#include <system_error>

#include "posix_device.h"
#include "stop_event.h"

namespace k5::serial {
namespace {

class Backend : public SerialBackend {
  public:
    std::unique_ptr<SerialDevice> CreateDevice() override { return std::make_unique<posix::PosixDevice>(); }
    UniqueFd CreateStopEvent() override { return MakeEventFd(); }
    bool StartThread(std::thread& thread, std::function<void()> body) override {
        try {
            thread = std::thread(std::move(body));
            return true;
        } catch (const std::system_error&) {
            return false;
        }
    }
};

}  // namespace

std::shared_ptr<SerialBackend> PosixBackend() {
    static auto backend = std::make_shared<Backend>();
    return backend;
}

}  // namespace k5::serial
