// Records every event a TComm fires, with the time it ran.
#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

#include "SerialComm.h"

namespace k5::test {

struct CommEvent {
    enum Kind { Data, Error, Modem, Hangup, Empty } kind;
    std::vector<std::uint8_t> bytes;
    std::uint32_t value = 0;
    bool zeroAfterBuffer = false;
    std::chrono::steady_clock::time_point at;
};

class CommRecorder {
  public:
    explicit CommRecorder(serial::TComm& comm) {
        using serial::TComm;
        comm.OnReceiveData = [this](TComm*, const std::uint8_t* b, std::uint16_t n) {
            Add({CommEvent::Data, {b, b + n}, n, b[n] == 0, {}});
        };
        comm.OnReceiveError = [this](TComm*, std::uint32_t m) { Add({CommEvent::Error, {}, m, false, {}}); };
        comm.OnModemStateChange = [this](TComm*, std::uint32_t m) {
            Add({CommEvent::Modem, {}, m, false, {}});
        };
        comm.OnRequestHangup = [this](TComm*) { Add({CommEvent::Hangup, {}, 0, false, {}}); };
        comm.OnSendDataEmpty = [this](TComm*) { Add({CommEvent::Empty, {}, 0, false, {}}); };
    }

    std::size_t Count(CommEvent::Kind kind) const {
        std::size_t n = 0;
        for (const auto& e : events) n += e.kind == kind;
        return n;
    }
    std::vector<CommEvent> Of(CommEvent::Kind kind) const {
        std::vector<CommEvent> out;
        for (const auto& e : events) {
            if (e.kind == kind) out.push_back(e);
        }
        return out;
    }
    std::size_t ReceivedBytes() const {
        std::size_t n = 0;
        for (const auto& e : Of(CommEvent::Data)) n += e.bytes.size();
        return n;
    }

    std::vector<CommEvent> events;

  private:
    void Add(CommEvent e) {
        e.at = std::chrono::steady_clock::now();
        events.push_back(std::move(e));
    }
};

}  // namespace k5::test
