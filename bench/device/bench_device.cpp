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
//                                 down; stops inside the wait after the stream's first
//                                 request: 6 = the debug mode switch (500 ms), 7 = the
//                                 raster mode switch (20 ms), 8 = the touch stream's
//                                 forwarding request (10 + 10 ms). inside = stops that
//                                 landed in that wait, pending = answers the board still
//                                 held after the stops (0: nothing left unpaired)
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
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The board as the station sees it, with the requests counted, so that a stop
// can be placed after a given request has gone out.
class CountingTransport : public device::Transport
{
public:
    explicit CountingTransport(std::unique_ptr<emulator::InProcessTransport> board)
        : m_board(std::move(board))
    {
    }

    std::vector<device::HidDeviceInfo> enumerate() override { return m_board->enumerate(); }
    bool open(std::uint16_t vendorId, std::uint16_t productId) override { return m_board->open(vendorId, productId); }
    void close() override { m_board->close(); }
    bool isOpen() const override { return m_board->isOpen(); }
    int write(const std::uint8_t *data, std::size_t length) override
    {
        const int n = m_board->write(data, length);
        m_writes.fetch_add(1, std::memory_order_release);
        return n;
    }
    int read(std::uint8_t *data, std::size_t length, int timeoutMs) override
    {
        return m_board->read(data, length, timeoutMs);
    }
    int sendFeatureReport(const std::uint8_t *data, std::size_t length) override
    {
        return m_board->sendFeatureReport(data, length);
    }
    int getFeatureReport(std::uint8_t *data, std::size_t length) override
    {
        return m_board->getFeatureReport(data, length);
    }

    long writes() const { return m_writes.load(std::memory_order_acquire); }
    // False when fewer than n requests went out in time.
    bool waitForWrites(long n, std::chrono::milliseconds timeout) const
    {
        const auto until = Clock::now() + timeout;
        while (writes() < n) {
            if (Clock::now() >= until)
                return false;
            std::this_thread::sleep_for(std::chrono::microseconds(20));
        }
        return true;
    }

private:
    std::unique_ptr<emulator::InProcessTransport> m_board;
    std::atomic<long> m_writes{0};
};

// A 38 x 28 panel on the bridge, opened and identified as the window leaves it;
// with wire, the station's requests are counted on the way.
emulator::InProcessTransport *attach(std::chrono::microseconds latency, CountingTransport **wire = nullptr)
{
    emulator::PanelDescription panel;
    panel.xElectrodes = 38;
    panel.yElectrodes = 28;
    auto board = std::make_unique<emulator::InProcessTransport>(panel);
    emulator::InProcessTransport *raw = board.get();
    if (wire) {
        auto counting = std::make_unique<CountingTransport>(std::move(board));
        *wire = counting.get();
        device::link::install(std::move(counting));
    } else {
        device::link::install(std::move(board));
    }
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
    BusyTouchStream = 5, // HidThread, touch records with a finger down (one report per scan)
    DebugModeSwitch = 6,  // HidThreadDebug, debug kind, inside the mode switch's settling time
    RasterModeSwitch = 7, // HidThreadDebug, raster kind, inside the mode switch's settling time
    TouchEnable = 8       // HidThread, touch records, inside the waits around the forwarding request
};

// The wait after a stream's first request that streams 6 to 8 stop in.
int firstWaitMs(Stream stream)
{
    switch (stream) {
    case DebugModeSwitch:
        return HidCommand::DebugModeSettleMs;
    case RasterModeSwitch:
        return 20;
    case TouchEnable:
        return 20;
    default:
        return 0;
    }
}

void StopLatency(benchmark::State &state)
{
    const auto stream = static_cast<Stream>(state.range(0));
    CountingTransport *wire = nullptr;
    emulator::InProcessTransport *board = attach(std::chrono::microseconds(state.range(1)), &wire);
    const int waitMs = firstWaitMs(stream);
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
    case RasterModeSwitch:
        kind = device::stream::kind::RasterX;
        break;
    case DebugStream:
    case DebugModeSwitch:
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
    const bool debugKind = stream == RasterStream || stream == DebugStream || stream == DebugModeSwitch
                           || stream == RasterModeSwitch;
    WorkerThread &thread = stream == DownloadStream ? static_cast<WorkerThread &>(bootThread)
                           : debugKind              ? static_cast<WorkerThread &>(debugThread)
                                                    : static_cast<WorkerThread &>(interruptThread);

    QString failure;
    QObject::connect(&command, &HidCommand::readBootFail, &command, [&failure](const QString &text) { failure = text; },
                     Qt::DirectConnection);
    std::vector<double> ms;
    ms.reserve(1000);
    long inside = 0;
    long pending = 0;
    for (auto _ : state) {
        const long seen = records.current();
        const long writesBefore = wire->writes();
        Clock::time_point firstRequest;
        bool reached = true;
        thread.start();
        switch (stream) {
        case DebugModeSwitch:
        case RasterModeSwitch:
        case TouchEnable: {
            // Spread over the wait after the first request, up to 1 ms before its end.
            reached = wire->waitForWrites(writesBefore + 1, std::chrono::seconds(10));
            firstRequest = Clock::now();
            const long spreadUs = (waitMs - 1) * 1000L;
            const long offsetUs = static_cast<long>(ms.size() * 7919 % 1000) * spreadUs / 1000;
            std::this_thread::sleep_until(firstRequest + std::chrono::microseconds(offsetUs));
            break;
        }
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
        // Still in the first wait: no second request has gone out, and the
        // wait had not run out when the stop was asked for.
        if (waitMs > 0 && wire->writes() == writesBefore + 1 && records.current() == seen
            && t0 - firstRequest < std::chrono::milliseconds(waitMs))
            ++inside;
        thread.wait();
        const auto t1 = Clock::now();
        thread.stop();
        if (waitMs > 0)
            pending += static_cast<long>(board->pendingReports());
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
    if (waitMs > 0) {
        state.counters["inside"] = static_cast<double>(inside);
        state.counters["pending"] = static_cast<double>(pending);
    }
}
// Args: stream (above), latency per report in microseconds.
BENCHMARK(StopLatency)
    ->ArgNames({"stream", "latency_us"})
    ->ArgsProduct({{RasterStream, TouchStream, KeyStream, DebugStream, DownloadStream, BusyTouchStream,
                    DebugModeSwitch, RasterModeSwitch, TouchEnable},
                   {0, 1000}})
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
