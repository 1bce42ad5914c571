// Costs of the serial port component on a pseudo-terminal: an idle open port,
// delivery of a received block after its last byte, CloseComm, and the
// writer's throughput.
#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <thread>

#include "SerialComm.h"
#include "event_loop.h"
#include "serial/pty.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

double ProcessCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

struct OpenPort {
    k5::test::PseudoTerminal pty;
    k5::serial::EventLoop loop;
    k5::serial::TComm comm{loop};
    OpenPort() {
        comm.SetCommName(pty.SlavePath());
        comm.SetBaudRate(38400);
        comm.OpenComm();
        loop.RunFor(20ms);
    }
};

void BM_IdleOpenPortCpu(benchmark::State& state) {
    OpenPort port;
    for (auto _ : state) {
        const double cpu = ProcessCpuSeconds();
        const auto wall = Clock::now();
        std::this_thread::sleep_for(3s);
        const double seconds = std::chrono::duration<double>(Clock::now() - wall).count();
        state.counters["cpu_ms_per_s"] = (ProcessCpuSeconds() - cpu) * 1000.0 / seconds;
    }
}
BENCHMARK(BM_IdleOpenPortCpu)->Iterations(1)->Unit(benchmark::kSecond);

void BM_BlockDeliveryAfterLastByte(benchmark::State& state) {
    OpenPort port;
    bool got = false;
    port.comm.OnReceiveData = [&](k5::serial::TComm*, const std::uint8_t*, std::uint16_t) { got = true; };
    double low = 1e9, high = 0;
    for (auto _ : state) {
        got = false;
        port.pty.Write({0x06});
        const auto start = Clock::now();
        port.loop.RunUntil([&] { return got; }, 2s);
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(elapsed);
        low = std::min(low, elapsed);
        high = std::max(high, elapsed);
        port.loop.RunFor(20ms);
    }
    state.counters["min_ms"] = low * 1000;
    state.counters["max_ms"] = high * 1000;
    state.counters["spread_ms"] = (high - low) * 1000;
}
BENCHMARK(BM_BlockDeliveryAfterLastByte)->Iterations(40)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_CloseComm(benchmark::State& state) {
    k5::test::PseudoTerminal pty;
    k5::serial::EventLoop loop;
    k5::serial::TComm comm{loop};
    comm.SetCommName(pty.SlavePath());
    double high = 0;
    for (auto _ : state) {
        comm.OpenComm();
        loop.RunFor(5ms);
        const auto start = Clock::now();
        comm.CloseComm();
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(elapsed);
        high = std::max(high, elapsed);
        loop.RunPending();
    }
    state.counters["max_ms"] = high * 1000;
}
BENCHMARK(BM_CloseComm)->Iterations(200)->UseManualTime()->Unit(benchmark::kMicrosecond);

void BM_WriterThroughput(benchmark::State& state) {
    OpenPort port;
    const std::vector<std::uint8_t> block(4096, 0x41);
    constexpr std::size_t kBlocks = 64;
    for (auto _ : state) {
        for (std::size_t i = 0; i < kBlocks; ++i) port.comm.WriteComm(block.data(), 4096);
        const auto got = port.pty.Read(kBlocks * block.size(), 10s);
        if (got.size() != kBlocks * block.size()) state.SkipWithError("short read");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBlocks * block.size()));
}
BENCHMARK(BM_WriterThroughput)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
