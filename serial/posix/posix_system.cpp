#include "port_io.h"
#include "posix_device.h"
#include "stop_event.h"

namespace k5::serial::posix {
namespace {

class NativeSystem : public PosixSystem {
  public:
    std::unique_ptr<SerialDevice> CreateDevice() override { return std::make_unique<PosixDevice>(); }
    UniqueFd CreateStopEvent() override { return MakeEventFd(); }
    bool StartThread(std::thread& thread, std::function<void()> body) override {
        return StartStdThread(thread, std::move(body));
    }
};

}  // namespace

std::shared_ptr<PosixSystem> NativePosixSystem() {
    static auto system = std::make_shared<NativeSystem>();
    return system;
}

}  // namespace k5::serial::posix
