// A station tile in each of its states, as the window model words them in the
// language in use, with the longest title and counts a port has: for the
// views' tests that every text of every language fits a tile.
#pragma once

#include <vector>

#include "station_tile.h"

namespace k5::test {

inline std::vector<app::StationTile> EveryTile() {
    PortStatus s;
    s.name = "COM15";
    s.device = "/dev/ttyUSB14";
    s.good = 9999;
    s.failed = 9999;
    s.lastLabel = "K5-2412-00311";
    s.label = "K5-2412-00312";
    const std::string adapter = "0403:6001 A50285BI";
    std::vector<app::StationTile> tiles;
    const auto add = [&](bool served = true) { tiles.push_back(app::TileFor(s, adapter, served)); };
    s.activity = PortActivity::Waiting;
    add();
    add(false);
    s.waitsForLabel = true;
    add();
    s.waitsForLabel = false;
    s.activity = PortActivity::Running;
    s.step = SessionStep::Restart;
    add();
    s.step = SessionStep::Image;
    s.transfer.Start(131024);
    s.transfer.MoveTo(131024, TransferProgress::Clock::now());
    add();
    s.activity = PortActivity::Waiting;
    s.lastSeconds = 36.9;
    for (const SessionOutcome outcome :
         {SessionOutcome::Programmed, SessionOutcome::ConnectFail, SessionOutcome::TransferFail,
          SessionOutcome::VerdictFail, SessionOutcome::Stopped, SessionOutcome::InternalError}) {
        s.lastOutcome = outcome;
        s.lastStep = outcome == SessionOutcome::ConnectFail ? SessionStep::Connect : SessionStep::Image;
        add();
        add(false);
    }
    s.lastHungUp = true;
    add();
    s.activity = PortActivity::NoPort;
    add();
    return tiles;
}

}  // namespace k5::test
