// What the streams deliver and how quickly they stop, against the in-process
// emulated board: with no latency this is the station's own cost, with the
// full-speed model (1 ms per report each way) what a real board allows.
//
//   DebugFrames/<latency us>      debug pairs (X and Y record) per second, 38 x 28 panel
//   StopLatency/<stream>/<lat us> request stop -> wait() returned, over 1000 stops:
//                                 median_ms, p99_ms and worst_ms; stream 0 = raster
//                                 (debug thread), 1 = idle touch stream, 2 = idle key
//                                 stream, 3 = debug blocks (debug thread), 4 = firmware
//                                 download (boot thread), 5 = touch stream with a finger
//                                 down
//   StopDuringModeSwitch/<lat us> a debug-thread stop inside its 500 ms mode switch
#include "devicelink.h"
#include "hidcommand.h"
#include "firmwareimage.h"
#include "hidthread.h"
#include "hidthreadboot.h"
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
    // False when n was not reached in time.
    bool waitFor(long n, std::chrono::milliseconds timeout)
    {
        std::unique_lock<std::mutex> lock(mutex);
        return cv.wait_for(lock, timeout, [&] { return count >= n; });
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

// The streams whose stop is measured.
enum Stream : int {
    RasterStream = 0,   // HidThreadDebug, raster kind: row selects and reads with 2 ms waits
    TouchStream = 1,    // HidThread, touch records, idle panel: reads that time out
    KeyStream = 2,      // HidThread, key codes, idle panel
    DebugStream = 3,    // HidThreadDebug, debug kind: two-chunk blocks, no waits
    DownloadStream = 4, // HidThreadBoot, inside a firmware download
    BusyTouchStream = 5 // HidThread, touch records with a finger down (one report per scan)
};

void StopLatency(benchmark::State &state)
{
    const auto stream = static_cast<Stream>(state.range(0));
    emulator::InProcessTransport *board = attach(std::chrono::microseconds(state.range(1)));
    HidCommand command(nullptr, nullptr, nullptr);
    MyUsbHid usb;
    device::link::setConnected(1); // MyUsbHid clears it
    device::panel::setElectrodeCounts(38, 28);
    Counter records;
    QObject::connect(&command, &HidCommand::readRaster, &command, [&records] { records.add(); },
                     Qt::DirectConnection);
    QObject::connect(&command, &HidCommand::readDebugD, &command, [&records] { records.add(); },
                     Qt::DirectConnection);
    QObject::connect(&command, &HidCommand::readline, &command, [&records] { records.add(); },
                     Qt::DirectConnection);
    int kind = device::stream::kind::Touch;
    switch (stream) {
    case RasterStream:
        kind = device::stream::kind::RasterX;
        break;
    case DebugStream:
        kind = device::stream::kind::Debug;
        break;
    case KeyStream:
        kind = device::stream::kind::KeyCodes;
        break;
    default:
        break;
    }
    device::stream::setDebugDataKind(kind);
    if (stream == BusyTouchStream)
        board->setTouches({{1, 400, 300}});
    if (stream == DownloadStream) {
        device::firmware::setFilePath(QStringLiteral(KAVEL_SOURCE_DIR "/emulator/firmware/demo.qlx"));
        command.readBootloadVersion(); // picks the image's section for this bootloader
    }
    HidThreadDebug debugThread(&command);
    HidThread interruptThread(&usb);
    HidThreadBoot bootThread(&command);
    WorkerThread &thread = stream == DownloadStream ? static_cast<WorkerThread &>(bootThread)
                           : (stream == RasterStream || stream == DebugStream)
                               ? static_cast<WorkerThread &>(debugThread)
                               : static_cast<WorkerThread &>(interruptThread);

    QString failure;
    QObject::connect(&command, &HidCommand::readBootFail, &command, [&failure](const QString &text) { failure = text; },
                     Qt::DirectConnection);
    std::vector<double> ms;
    ms.reserve(1000);
    for (auto _ : state) {
        const long seen = records.current();
        bool reached = true;
        thread.start();
        switch (stream) {
        case TouchStream:
        case KeyStream:
        case BusyTouchStream:
            // Somewhere in the stream's 300 ms wait, after forwarding is on.
            std::this_thread::sleep_for(std::chrono::milliseconds(25 + ms.size() % 7));
            break;
        case DownloadStream:
            // After one of the first 50 records of the download (the 0x48
            // bootloader takes its section and the ones after it, ~200 records).
            reached = records.waitFor(seen + 1 + static_cast<long>(ms.size() % 50), std::chrono::seconds(10));
            break;
        default:
            // Somewhere inside a raster frame or between debug blocks.
            reached = records.waitFor(seen + 1 + static_cast<long>(ms.size() % 5), std::chrono::seconds(10));
            break;
        }
        if (!reached) {
            thread.stop();
            state.SkipWithError(qPrintable(QStringLiteral("the stream delivered nothing: ") + failure));
            break;
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
    detach();
    if (ms.empty())
        return;
    std::sort(ms.begin(), ms.end());
    state.counters["median_ms"] = ms[ms.size() / 2];
    state.counters["p99_ms"] = ms[ms.size() * 99 / 100];
    state.counters["worst_ms"] = ms.back();
}
// Args: stream (above), latency per report in microseconds.
BENCHMARK(StopLatency)
    ->ArgNames({"stream", "latency_us"})
    ->ArgsProduct({{RasterStream, TouchStream, KeyStream, DebugStream, DownloadStream, BusyTouchStream}, {0, 1000}})
    ->Iterations(1000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// A debug-kind stop while the thread still waits out the mode switch (500 ms
// between the mode write and its answer): the one wait a stop cannot cut short.
void StopDuringModeSwitch(benchmark::State &state)
{
    attach(std::chrono::microseconds(state.range(0)));
    HidCommand command(nullptr, nullptr, nullptr);
    device::link::setConnected(1);
    device::panel::setElectrodeCounts(38, 28);
    device::stream::setDebugDataKind(device::stream::kind::Debug);
    HidThreadDebug thread(&command);
    std::vector<double> ms;
    for (auto _ : state) {
        thread.start();
        std::this_thread::sleep_for(std::chrono::milliseconds(10 + 97 * (ms.size() % 5)));
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
BENCHMARK(StopDuringModeSwitch)
    ->ArgName("latency_us")
    ->Arg(0)
    ->Arg(1000)
    ->Iterations(50)
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
