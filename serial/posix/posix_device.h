// A serial device on Linux: a tty opened exclusively and set up through termios.
#pragma once

#include <termios.h>

#include <optional>
#include <string>

#include "serial_device.h"

namespace k5::serial::posix {

class PosixDevice : public SerialDevice {
  public:
    ~PosixDevice() override;

    int Open(const std::string& path) override;
    bool SetupQueues(std::size_t inputSize, std::size_t outputSize) override;
    void Close() override;
    int Descriptor() const override { return fd_.Get(); }
    ssize_t Read(std::uint8_t* buffer, std::size_t size) override;
    ssize_t Write(const std::uint8_t* buffer, std::size_t size) override;
    void Purge(bool receive, bool transmit) override;
    void ApplyLineSettings(const LineSettings& settings) override;
    void SetLowLatency() override;
    std::optional<LineCounters> Counters() override;
    std::unique_ptr<ModemWatch> WatchModem(ModemChanged changed) override;

  private:
    UniqueFd fd_;
    std::optional<termios> before_;   // the device's settings before Open, put back by Close
    std::optional<int> flagsBefore_;  // serial_struct flags before SetLowLatency, put back by Close
};

// Waits for carrier-detect and ring changes (TIOCMIWAIT) on a thread of its own.
std::unique_ptr<ModemWatch> StartModemWatch(int fd, ModemChanged changed);

}  // namespace k5::serial::posix
