// One session against the simulated controller on a pseudo-terminal, through
// the serial component, with the event loop on the test's thread: the whole
// road as the programs take it.
#pragma once

#include <memory>

#include "comm_session_port.h"
#include "controller_sim.h"
#include "event_loop.h"
#include "session_harness.h"

namespace k5::test {

class PtySessionHarness : public SessionRig {
  public:
    explicit PtySessionHarness(sim::SimOptions options, const sim::PackRecipe& recipe = DefaultRecipe(2064))
        : SessionRig(recipe), simulator(std::make_unique<sim::ControllerSim>(std::move(options))) {
        dir.WriteText("eBikeSet.ini", "[Uart]\nPort=1\n[Devices]\nCOM1=" + simulator->DevicePath() + "\n");
        session.SetFinishedCallback([this] { loop.Wake(); });
    }
    ~PtySessionHarness() { simulator->Stop(); }

    std::vector<std::string> Run(std::chrono::seconds limit = std::chrono::seconds(60)) {
        simulator->Start();
        if (!session.BeginSession()) throw std::runtime_error("session did not start");
        loop.RunUntil([this] { return !session.Running(); }, limit);
        loop.RunPending();
        return view.Logs();
    }

    std::unique_ptr<sim::ControllerSim> simulator;
    serial::EventLoop loop;
    CommSessionPort port{loop, settings};
    serial::TComm& AVS1 = port.Comm();
    IapSession session{port, pack, settings, view};
};

}  // namespace k5::test
