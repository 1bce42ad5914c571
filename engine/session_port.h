// The serial port as a programming session sees it: open by name and speed,
// write, close; received blocks and a hang-up are delivered to the session
// that bound the port. A TComm stands behind it in the programs
// (CommSessionPort), an in-memory port with a scripted controller in tests.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace k5 {

class SessionPort {
  public:
    // What the port delivers, from whatever thread it receives on.
    class Receiver {
      public:
        virtual ~Receiver() = default;
        virtual void ReceiveData(const std::uint8_t* buffer, std::uint16_t length) = 0;
        virtual void PortHungUp() = 0;
    };

    // Which device did not open, and the OS's error (errno, GetLastError()).
    struct OpenFailure {
        std::string device;
        int osError = 0;
    };

    virtual ~SessionPort() = default;

    // One receiver at a time; nullptr unbinds. Bind only while the port is closed.
    virtual void Bind(Receiver* receiver) = 0;
    // How soon received bytes reach the receiver.
    enum class Delivery {
        Standard,  // after 100 ms of silence
        Fast,      // within about 1 ms; the adapter is asked for low latency too
    };

    // Closes the port if open, then opens `name` ("COMn" or a device) at `baud`.
    virtual std::optional<OpenFailure> Open(const std::string& name, std::uint32_t baud,
                                            Delivery delivery) = 0;
    // A closed port sends nothing; no write result is examined.
    virtual void Write(const std::uint8_t* bytes, std::uint16_t count) = 0;
    virtual void Close() = 0;
};

}  // namespace k5
