// What the streams deliver and how quickly they stop, against the in-process
// emulated board: with no latency this is the station's own cost, with the
// full-speed model (1 ms per report each way) what a real board allows.
//
//   DebugFrames/<latency us>      debug pairs (X and Y record) per second, 38 x 28 panel
//   StopLatency/<stream>/<lat us> request stop -> wait() returned, over 1000 stops:
//                                 median_ms and worst_ms; stream 0 = raster (debug
//                                 thread), 1 = idle interrupt stream
#include "devicelink.h"
#include "hidcommand.h"
#include "hidthread.h"
#include "hidthreaddebug.h"
#include "myusbhid.h"
#include "panelstate.h"
#include "streamkind.h"

#include <inprocesstransport.h>

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// A 38 x 28 panel on the bridge, opened and identified as the window leaves it.
emulator::InProcessTransport *attach(std::chrono::microseconds latency)
{
    emulator::PanelDescription panel;
    panel.xElectrodes = 38;
    panel.yElectrodes = 28;
    auto board = std::make_unique<emulator::InProcessTransport>(panel);
    emulator::InProcessTransport *raw = board.get();
    device::link::install(std::move(board));
    raw->open(panel.vendorId, panel.productId);
    raw->setLatency({latency});
    return raw;
}

void detach()
{
    device::link::install(nullptr);
    device::link::setConnected(0);
}

// Counts records as the worker emits them.
struct Counter
{
    std::mutex mutex;
    std::condition_variable cv;
    long count = 0;

    void add()
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            ++count;
        }
        cv.notify_all();
    }
    long current()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return count;
    }
    void waitFor(long n)
    {
        std::unique_lock<std::mutex> lock(mutex);
        cv.wait(lock, [&] { return count >= n; });
    }
};

void DebugFrames(benchmark::State &state)
{
    attach(std::chrono::microseconds(state.range(0)));
    HidCommand command(nullptr, nullptr, nullptr);
    // What opening and identifying the board leaves behind (building the
    // command layer clears both).
    device::link::setConnected(1);
    device::panel::setElectrodeCounts(38, 28);
    Counter frames;
    QObject::connect(&command, &HidCommand::readDebugD, &command, [&frames] { frames.add(); },
                     Qt::DirectConnection);
    device::stream::setDebugDataKind(device::stream::kind::Debug);
    HidThreadDebug thread(&command);
    thread.start();
    frames.waitFor(1); // the mode switch and its 500 ms are not part of the figure

    long seen = frames.current();
    const auto start = Clock::now();
    for (auto _ : state) {
        frames.waitFor(++seen);
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    thread.stop();
    state.counters["frames_per_s"] = static_cast<double>(state.iterations()) / seconds;
    detach();
}
BENCHMARK(DebugFrames)->Arg(0)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void StopLatency(benchmark::State &state)
{
    const bool interruptStream = state.range(0) == 1;
    attach(std::chrono::microseconds(state.range(1)));
    HidCommand command(nullptr, nullptr, nullptr);
    MyUsbHid usb;
    device::link::setConnected(1); // MyUsbHid clears it
    device::panel::setElectrodeCounts(38, 28);
    Counter records;
    QObject::connect(&command, &HidCommand::readRaster, &command, [&records] { records.add(); },
                     Qt::DirectConnection);
    device::stream::setDebugDataKind(interruptStream ? device::stream::kind::Touch
                                                     : device::stream::kind::RasterX);
    HidThreadDebug debugThread(&command);
    HidThread interruptThread(&usb);
    WorkerThread &thread = interruptStream ? static_cast<WorkerThread &>(interruptThread)
                                           : static_cast<WorkerThread &>(debugThread);

    std::vector<double> ms;
    ms.reserve(1000);
    for (auto _ : state) {
        thread.start();
        if (interruptStream) {
            // Somewhere in the stream's 300 ms wait, after forwarding is on.
            std::this_thread::sleep_for(std::chrono::milliseconds(25 + ms.size() % 7));
        } else {
            // Somewhere inside a raster frame.
            const long seen = records.current();
            records.waitFor(seen + 1 + static_cast<long>(ms.size() % 5));
        }
        const auto t0 = Clock::now();
        thread.requestStop();
        thread.wait();
        const auto t1 = Clock::now();
        thread.stop();
        const double d = std::chrono::duration<double, std::milli>(t1 - t0).count();
        ms.push_back(d);
        state.SetIterationTime(d / 1000.0);
    }
    std::sort(ms.begin(), ms.end());
    state.counters["median_ms"] = ms[ms.size() / 2];
    state.counters["worst_ms"] = ms.back();
    detach();
}
BENCHMARK(StopLatency)
    ->Args({0, 0})
    ->Args({0, 1000})
    ->Args({1, 0})
    ->Args({1, 1000})
    ->Iterations(1000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
