// Round trips through the in-process transport: with no latency this is the
// cost of one exchange inside the process (what the station adds on top of the
// bus), with the full-speed model what a station run can expect from a board.
#include <inprocesstransport.h>

#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <cstdint>

namespace {

using emulator::InProcessTransport;
using emulator::LatencyModel;
using emulator::Report;

constexpr std::uint16_t kVid = 0x1A86;
constexpr std::uint16_t kPid = 0xE0A1;

Report i2c(bool write, std::uint8_t reg, std::uint8_t count, std::uint8_t b0 = 0, std::uint8_t b1 = 0)
{
    Report r{};
    r[0] = 0x02;
    r[3] = write ? 0x01 : 0x00;
    r[4] = reg;
    r[5] = count;
    r[6] = b0;
    r[7] = b1;
    return r;
}

bool exchange(InProcessTransport &t, const Report &request, std::array<std::uint8_t, 64> &answer)
{
    return t.write(request.data(), request.size()) == 64 && t.read(answer.data(), answer.size(), 2000) == 64;
}

void setUp(InProcessTransport &t, benchmark::State &state)
{
    t.setLatency({std::chrono::microseconds(state.range(0))});
    if (!t.open(kVid, kPid))
        state.SkipWithError("emulated board did not open");
}

// One request, one answer: a 60-byte read of the data window.
void BM_RoundTrip(benchmark::State &state)
{
    InProcessTransport t;
    setUp(t, state);
    std::array<std::uint8_t, 64> answer{};
    const Report request = i2c(false, 0x8E, 60);
    for (auto _ : state) {
        if (!exchange(t, request, answer)) {
            state.SkipWithError("no answer");
            break;
        }
        benchmark::DoNotOptimize(answer);
    }
    state.counters["round_trips/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// A whole raster frame of a 30 x 20 panel as the station reads it: per row a
// row select and two chunks, 63 round trips.
void BM_RasterFrame(benchmark::State &state)
{
    InProcessTransport t;
    setUp(t, state);
    std::array<std::uint8_t, 64> answer{};
    exchange(t, i2c(true, 0x88, 2, 0x85, 0x01), answer);
    const int rowBytes = 2 * 30 + 2;
    std::int64_t trips = 0;
    for (auto _ : state) {
        for (int row = 0; row <= 20; ++row) {
            exchange(t, i2c(true, 0x8B, 2, static_cast<std::uint8_t>(row), 0x00), answer);
            exchange(t, i2c(false, 0x8E, 60), answer);
            exchange(t, i2c(false, static_cast<std::uint8_t>(0x8E + 60), rowBytes % 60), answer);
            trips += 3;
        }
        benchmark::DoNotOptimize(answer);
    }
    state.counters["round_trips/s"] = benchmark::Counter(static_cast<double>(trips), benchmark::Counter::kIsRate);
}

} // namespace

// Real time: with latency the thread sleeps and waits, which CPU time would hide.
BENCHMARK(BM_RoundTrip)->ArgName("latency_us")->Arg(0)->Arg(1000)->UseRealTime();
BENCHMARK(BM_RasterFrame)->ArgName("latency_us")->Arg(0)->Arg(1000)->UseRealTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
