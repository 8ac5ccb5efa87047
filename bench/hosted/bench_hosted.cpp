// Round trips through the real hidapi transport to the emulated board on a
// hidraw node. Run it as the host's child:
//   kavel-bridge-emud --no-window [--latency-us N] -- ./bench_hosted
#include "hidapitransport.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>

namespace {

device::HidapiTransport &board()
{
    static device::HidapiTransport transport;
    if (!transport.isOpen() && !transport.open(0x1A86, 0xE0A1))
        std::fprintf(stderr, "bench_hosted: no emulated board; run me under kavel-bridge-emud\n");
    return transport;
}

// One information-page read: the station's commonest exchange.
void BM_HidrawRoundTrip(benchmark::State &state)
{
    device::HidapiTransport &transport = board();
    if (!transport.isOpen()) {
        state.SkipWithError("no board");
        return;
    }
    const std::uint8_t request[64] = {0x02, 0x00, 0x00, 0x00, 0x8E, 0x0D};
    std::uint8_t answer[64];
    for (auto _ : state) {
        if (transport.write(request, sizeof request) != 64 || transport.read(answer, sizeof answer, 2000) != 64) {
            state.SkipWithError("exchange failed");
            break;
        }
        benchmark::DoNotOptimize(answer);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_HidrawRoundTrip)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
