// Whole test runs of the real main window against the in-process emulated
// board, timed from start() until the result file lies in its results folder,
// next to the floor the run cannot go below:
//
//   fixed waits   every sleep the station asks for (QThread::msleep, seen as
//                 nanosleep), every read time-out that has to run out (the
//                 drains), the calibration countdowns and, with an operator,
//                 the dialog ticks the operator's hands need
//   bus time      every report on the wire, both ways, times the latency
//                 model's report time
//
// The "tight" floor also lets an answer's report time run while the station
// sleeps between a request and its answer, as on the real bus.
//
//   bench_run [--variant unattended|download|operator] [--runs N]
//             [--latency-us U] [--trace FILE]
//
// unattended: every item that needs no hands, firmware check included;
// download:   the same with a forced firmware download at the start;
// operator:   the same plus the key status and border items, played by the
//             emulated operator as soon as the station asks for them.
#include "vorlane.h"

#include "devicelink.h"
#include "hidthread.h"
#include "hidthreadboot.h"
#include "hidthreaddebug.h"
#include "settings.h"
#include "values.h"

#include <inprocesstransport.h>
#include <operatorscript.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

long long nsSince(Clock::time_point t0)
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - t0).count();
}

// What happened on the wire and in the waits of one run. Only the run's own
// path counts towards its floor: the GUI thread (and any thread it waits on
// for a read) and the download thread, which the window waits for in the
// firmware dialog. The stream threads run beside the window (for the
// operator's keys and finger, and the live display after a border test); what
// they read and wait is kept apart.
struct Meter
{
    std::atomic<bool> on{false};
    std::atomic<bool> operatorPhase{false};
    std::atomic<long long> outReports{0};
    std::atomic<long long> inReports{0};
    std::atomic<long long> featureReports{0};
    std::atomic<long long> operatorReports{0}; // both ways, on the stream threads or while the operator acts
    std::atomic<long long> guiSleepNs{0};
    std::atomic<long long> workerSleepNs{0};
    std::atomic<long long> busSleepNs{0};      // the transport's report time in write()
    std::atomic<long long> guiTimeoutNs{0};    // read time-outs that ran out
    std::atomic<long long> workerTimeoutNs{0};
    std::atomic<long long> answerWaitNs{0};    // time inside reads that returned a report
    std::atomic<long long> overlapNs{0};       // answer report time covered by a sleep
    std::atomic<long long> sleepCalls{0};
    std::atomic<long long> expiredReads{0};
    std::atomic<long long> sleepOvershootNs{0}; // slept longer than asked, outside write()
    std::atomic<long long> timeoutOvershootNs{0}; // time-outs that ran out late
    std::atomic<long long> busOvershootNs{0};     // report times in write() slept too long

    void reset()
    {
        for (auto *v : {&outReports, &inReports, &featureReports, &operatorReports, &guiSleepNs, &workerSleepNs,
                        &busSleepNs, &guiTimeoutNs, &workerTimeoutNs, &answerWaitNs, &overlapNs, &sleepCalls,
                        &expiredReads, &sleepOvershootNs, &timeoutOvershootNs, &busOvershootNs})
            v->store(0);
    }
};

Meter g_meter;
thread_local bool t_inWrite = false;
// Sleeps on the run's path since its last request; -1: no answer pending.
std::atomic<long long> g_sleptSinceWriteNs{-1};

bool onDownloadThread()
{
    return dynamic_cast<HidThreadBoot *>(QThread::currentThread()) != nullptr;
}

bool onStreamThread()
{
    QThread *t = QThread::currentThread();
    return dynamic_cast<HidThread *>(t) != nullptr || dynamic_cast<HidThreadDebug *>(t) != nullptr;
}

// The emulated board as the station's transport, counting what crosses it.
class MeteredBoard : public device::Transport
{
public:
    explicit MeteredBoard(std::unique_ptr<emulator::InProcessTransport> board) : m_board(std::move(board)) {}

    emulator::InProcessTransport &board() { return *m_board; }

    std::vector<device::HidDeviceInfo> enumerate() override { return m_board->enumerate(); }
    bool open(std::uint16_t vendorId, std::uint16_t productId) override { return m_board->open(vendorId, productId); }
    void close() override { m_board->close(); }
    bool isOpen() const override { return m_board->isOpen(); }

    int write(const std::uint8_t *data, std::size_t length) override
    {
        t_inWrite = true;
        const int n = m_board->write(data, length);
        t_inWrite = false;
        if (n > 0 && g_meter.on) {
            if (onStreamThread() || g_meter.operatorPhase) {
                ++g_meter.operatorReports;
            } else {
                ++g_meter.outReports;
                g_sleptSinceWriteNs = 0;
            }
        }
        return n;
    }

    int read(std::uint8_t *data, std::size_t length, int timeoutMs) override
    {
        const Clock::time_point t0 = Clock::now();
        const int n = m_board->read(data, length, timeoutMs);
        if (!g_meter.on)
            return n;
        const long long spent = nsSince(t0);
        if (onStreamThread() || g_meter.operatorPhase) {
            if (n > 0)
                ++g_meter.operatorReports;
            return n;
        }
        if (n > 0) {
            ++g_meter.inReports;
            g_meter.answerWaitNs += spent;
            const long long slept = g_sleptSinceWriteNs.exchange(-1);
            if (slept > 0)
                g_meter.overlapNs += std::min(slept, reportNs());
        } else if (n == 0) {
            ++g_meter.expiredReads;
            const long long asked = std::int64_t(timeoutMs) * 1000000;
            (onDownloadThread() ? g_meter.workerTimeoutNs : g_meter.guiTimeoutNs) += asked;
            g_meter.timeoutOvershootNs += spent - asked;
        }
        return n;
    }

    int sendFeatureReport(const std::uint8_t *data, std::size_t length) override
    {
        if (g_meter.on)
            ++g_meter.featureReports;
        return m_board->sendFeatureReport(data, length);
    }
    int getFeatureReport(std::uint8_t *data, std::size_t length) override
    {
        if (g_meter.on)
            ++g_meter.featureReports;
        return m_board->getFeatureReport(data, length);
    }

    long long reportNs() const
    {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(m_board->latency().perReport).count();
    }

private:
    std::unique_ptr<emulator::InProcessTransport> m_board;
};

} // namespace

// Every sleep of the process passes here: QThread::msleep and the emulated
// bus call nanosleep. The requested time is the fixed wait; it is counted
// before sleeping, once per call (the station retries nothing on EINTR).
extern "C" int nanosleep(const struct timespec *request, struct timespec *remaining)
{
    const Clock::time_point t0 = Clock::now();
    bool measured = false;
    bool bus = false;
    long long asked = 0;
    if (request && g_meter.on) {
        const long long ns = static_cast<long long>(request->tv_sec) * 1000000000LL + request->tv_nsec;
        ++g_meter.sleepCalls;
        const bool runPath = !onStreamThread();
        measured = !t_inWrite && runPath;
        bus = t_inWrite && runPath;
        asked = ns;
        if (bus) {
            g_meter.busSleepNs += ns;
        } else if (measured) {
            (onDownloadThread() ? g_meter.workerSleepNs : g_meter.guiSleepNs) += ns;
            long long slept = g_sleptSinceWriteNs.load();
            while (slept >= 0 && !g_sleptSinceWriteNs.compare_exchange_weak(slept, slept + ns)) {
            }
        }
    }
    const int err = clock_nanosleep(CLOCK_REALTIME, 0, request, remaining);
    if (measured)
        g_meter.sleepOvershootNs += nsSince(t0) - asked;
    else if (bus)
        g_meter.busOvershootNs += nsSince(t0) - asked;
    if (err != 0) {
        errno = err;
        return -1;
    }
    return 0;
}

namespace {

enum class Variant { Unattended, Download, Operator };

struct Options
{
    Variant variant = Variant::Unattended;
    int runs = 5;
    int latencyUs = 1000;
    QString trace;
};

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(content) == content.size();
}

// The demo profile with every item on that the variant runs. Its own delays
// (Init_time 300 ms, Calibrate_time 5 s, Btn_Time 10 s, Border_test_time 30 s)
// stay as the demo station has them.
QByteArray profile(Variant variant)
{
    QByteArray text = readFile(QStringLiteral(KAVEL_SOURCE_DIR "/resources/demo/Config/demo.ini"));
    QList<const char *> on = {"CRC_Version", "eeprom_Version", "UsbVersion_Mode", "Debug_Mode",
                              "RasterX_Mode", "RasterY_Mode", "Calibrate_Mode", "Tb_Mode",
                              "Electric_Mode", "Reset_Mode", "Attb_Mode", "BtnData_Mode", "Bootloader_Auto"};
    if (variant == Variant::Download)
        on << "Bootloader_Forced";
    if (variant == Variant::Operator)
        on << "BtnStatus_Mode" << "Border_Mode";
    for (const char *key : on)
        text.replace(QByteArray("\n") + key + "=0", QByteArray("\n") + key + "=1");
    return text;
}

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files);
}

// The operator: presses the keys while the key dialog is up and traces the
// border once the border widget shows; also notes when an operator dialog is
// up, so that what the stream carries meanwhile is not counted as the run's.
class Operator : public QObject
{
public:
    Operator(emulator::InProcessTransport &board, bool hands) : m_player(board), m_hands(hands)
    {
        qApp->installEventFilter(this);
    }
    ~Operator() override { qApp->removeEventFilter(this); }

    // Floor of the operator's part: the time the hands need. (Each dialog
    // looks once a second, so it closes at its first tick after that.)
    long long floorNs = 0;
    int calibrations = 0;
    // How long each kind of dialog was up, as measured.
    double calibrationShownMs = 0;
    double operatorShownMs = 0;

protected:
    bool eventFilter(QObject *object, QEvent *event) override
    {
        if (event->type() != QEvent::Show && event->type() != QEvent::Hide)
            return false;
        if (!object->isWidgetType())
            return false;
        const QByteArray cls = object->metaObject()->className();
        const bool show = event->type() == QEvent::Show;
        const bool calibration = cls == "CalibrateDialog";
        const bool hands = cls == "BtnStatusDlg" || cls == "BorderWidget";
        if (calibration || hands) {
            if (show) {
                m_shown = Clock::now();
            } else {
                (calibration ? calibrationShownMs : operatorShownMs) += double(nsSince(m_shown)) / 1e6;
            }
        }
        if (calibration && show)
            ++calibrations;
        if (!m_hands || !hands)
            return false;
        g_meter.operatorPhase = show;
        if (!show)
            return false;
        emulator::OperatorScript script;
        if (cls == "BtnStatusDlg") {
            script = emulator::script::keyPresses(emulator::script::everyKey(3), std::chrono::milliseconds(150),
                                                  std::chrono::milliseconds(150));
        } else {
            // Slow enough that no border cell passes between two scans.
            script = emulator::script::borderTrace(1280, 800, 400, emulator::script::AllSides,
                                                   emulator::script::Insets{8, 8, 8, 0});
        }
        const auto ms = emulator::script::duration(script).count();
        floorNs += static_cast<long long>(ms) * 1000000LL;
        m_player.play(std::move(script));
        return false;
    }

private:
    emulator::ScriptPlayer m_player;
    bool m_hands;
    Clock::time_point m_shown;
};

struct RunFigures
{
    bool ok = false;
    QString verdict;
    double wallMs = 0;
    double cpuMs = 0;    // whole process
    double guiCpuMs = 0; // GUI thread (the CPU clock of the thread that calls start())
    long long out = 0, in = 0, feature = 0, operatorReports = 0, expiredReads = 0, sleepCalls = 0;
    double guiSleepMs = 0, workerSleepMs = 0, busSleepMs = 0, guiTimeoutMs = 0, workerTimeoutMs = 0;
    double answerWaitMs = 0, overlapMs = 0, calibrationMs = 0, operatorMs = 0;
    double dialogsShownMs = 0, sleepOvershootMs = 0, timeoutOvershootMs = 0, busOvershootMs = 0;
    double reportMs = 0;
    int calibrations = 0;

    double fixedWaitsMs() const
    {
        return guiSleepMs + workerSleepMs + guiTimeoutMs + workerTimeoutMs + calibrationMs + operatorMs;
    }
    double busMs() const { return double(out + in) * reportMs; }
    double floorMs() const { return fixedWaitsMs() + busMs(); }
    double tightFloorMs() const { return floorMs() - overlapMs; }
    // The dialogs count down with coarse one-second timers that may fire a
    // little early or late; without them the rest of the run compares exactly.
    double wallWithoutDialogsMs() const { return wallMs - dialogsShownMs; }
    double floorWithoutDialogsMs() const { return floorMs() - calibrationMs - operatorMs; }
};

double cpuNowMs(clockid_t clock)
{
    timespec ts{};
    clock_gettime(clock, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
}

RunFigures oneRun(const Options &options, bool trace)
{
    RunFigures figures;
    QTemporaryDir dir;
    const QString oldDir = QDir::currentPath();
    QDir::setCurrent(dir.path());
    QDir().mkpath(QStringLiteral("Config"));
    QDir().mkpath(QStringLiteral("log"));
    QDir().mkpath(QStringLiteral("QlxFiles"));
    writeFile(QStringLiteral("config.txt"),
              "QuilexVID=1A86\nQuilexPID=E0A1\nCustomerVID=1A86\nCustomerPID=E0A1\nConfigPath=Config/p.ini\n");
    writeFile(QStringLiteral("Config/p.ini"), profile(options.variant));
    QFile::copy(QStringLiteral(KAVEL_SOURCE_DIR "/resources/demo/log/baseline.csv"), QStringLiteral("log/baseline.csv"));
    QFile::copy(QStringLiteral(KAVEL_SOURCE_DIR "/emulator/firmware/demo.qlx"), QStringLiteral("QlxFiles/demo.qlx"));

    const auto panel = emulator::PanelDescription::load(QStringLiteral(KAVEL_SOURCE_DIR "/emulator/panels/demo.ini"));
    auto inProcess = std::make_unique<emulator::InProcessTransport>(panel ? *panel : emulator::PanelDescription());
    inProcess->setLatency({std::chrono::microseconds(options.latencyUs)});
    auto metered = std::make_unique<MeteredBoard>(std::move(inProcess));
    MeteredBoard &board = *metered;
    std::unique_ptr<device::Transport> previous = device::link::install(std::move(metered));
    device::link::setConnected(0);
    if (trace)
        board.board().startTrace(options.trace);

    {
        Vorlane window;
        // On screen (offscreen platform), as at the line: the pane repaints
        // where the run processes events.
        window.show();
        Operator hands(board.board(), options.variant == Variant::Operator);
        const int calibrationSeconds = profile::toInt(window.settings()->value("Calibrate_time"));
        QApplication::processEvents();

        g_meter.reset();
        g_meter.on = true;
        const double cpu0 = cpuNowMs(CLOCK_PROCESS_CPUTIME_ID);
        const double gui0 = cpuNowMs(CLOCK_THREAD_CPUTIME_ID);
        const Clock::time_point t0 = Clock::now();
        window.start();
        // With an operator the run ends later, from the border widget's result.
        const auto filed = [] {
            return !filesIn(QStringLiteral("resultsPASS")).isEmpty() || !filesIn(QStringLiteral("resultsFAIL")).isEmpty();
        };
        if (!filed()) {
            QEventLoop loop;
            QTimer poll;
            QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
                if (filed() || nsSince(t0) > 120000000000LL)
                    loop.quit();
            });
            poll.start(2);
            loop.exec();
        }
        figures.wallMs = double(nsSince(t0)) / 1e6;
        figures.cpuMs = cpuNowMs(CLOCK_PROCESS_CPUTIME_ID) - cpu0;
        figures.guiCpuMs = cpuNowMs(CLOCK_THREAD_CPUTIME_ID) - gui0;
        g_meter.on = false;

        figures.ok = !filesIn(QStringLiteral("resultsPASS")).isEmpty() || !filesIn(QStringLiteral("resultsFAIL")).isEmpty();
        figures.verdict = !filesIn(QStringLiteral("resultsPASS")).isEmpty() ? QStringLiteral("PASS")
                          : figures.ok                                     ? QStringLiteral("FAIL")
                                                                           : QStringLiteral("none");
        figures.out = g_meter.outReports;
        figures.in = g_meter.inReports;
        figures.feature = g_meter.featureReports;
        figures.operatorReports = g_meter.operatorReports;
        figures.expiredReads = g_meter.expiredReads;
        figures.sleepCalls = g_meter.sleepCalls;
        figures.guiSleepMs = double(g_meter.guiSleepNs) / 1e6;
        figures.workerSleepMs = double(g_meter.workerSleepNs) / 1e6;
        figures.busSleepMs = double(g_meter.busSleepNs) / 1e6;
        figures.guiTimeoutMs = double(g_meter.guiTimeoutNs) / 1e6;
        figures.workerTimeoutMs = double(g_meter.workerTimeoutNs) / 1e6;
        figures.answerWaitMs = double(g_meter.answerWaitNs) / 1e6;
        figures.overlapMs = double(g_meter.overlapNs) / 1e6;
        figures.reportMs = double(board.reportNs()) / 1e6;
        figures.calibrations = hands.calibrations;
        // The countdown dialog ticks once a second and closes at the second
        // tick after the count reached 0: Calibrate_time + 2 seconds.
        figures.calibrationMs = double(hands.calibrations) * (calibrationSeconds + 2) * 1000.0;
        figures.operatorMs = double(hands.floorNs) / 1e6;
        figures.dialogsShownMs = hands.calibrationShownMs + hands.operatorShownMs;
        figures.sleepOvershootMs = double(g_meter.sleepOvershootNs) / 1e6;
        figures.timeoutOvershootMs = double(g_meter.timeoutOvershootNs) / 1e6;
        figures.busOvershootMs = double(g_meter.busOvershootNs) / 1e6;
        if (trace)
            board.board().stopTrace();
    }
    device::link::setConnected(0);
    device::link::install(std::move(previous));
    QDir::setCurrent(oldDir);
    return figures;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

const char *variantName(Variant v)
{
    switch (v) {
    case Variant::Unattended:
        return "unattended";
    case Variant::Download:
        return "download";
    case Variant::Operator:
        return "operator";
    }
    return "?";
}

bool parse(int argc, char **argv, Options &options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool more = i + 1 < argc;
        if (a == "--variant" && more) {
            const std::string v = argv[++i];
            if (v == "unattended")
                options.variant = Variant::Unattended;
            else if (v == "download")
                options.variant = Variant::Download;
            else if (v == "operator")
                options.variant = Variant::Operator;
            else
                return false;
        } else if (a == "--runs" && more) {
            options.runs = std::max(1, std::atoi(argv[++i]));
        } else if (a == "--latency-us" && more) {
            options.latencyUs = std::max(0, std::atoi(argv[++i]));
        } else if (a == "--trace" && more) {
            options.trace = QString::fromLocal8Bit(argv[++i]);
        } else {
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Options options;
    if (!parse(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: bench_run [--variant unattended|download|operator] [--runs N] [--latency-us U] "
                     "[--trace FILE]\n");
        return 2;
    }

    std::printf("variant %s, latency %d us per report, %d run(s)\n", variantName(options.variant), options.latencyUs,
                options.runs);
    std::printf("%4s %7s %9s %9s %8s %6s %6s %5s %8s %8s %8s %8s %8s %8s %9s %9s %6s\n", "run", "verdict", "wall_ms",
                "floor_ms", "tight_ms", "out", "in", "feat", "sleepRun", "sleepDl", "tmoRun", "tmoDl", "calib_ms",
                "oper_ms", "cpu_ms", "guiCpu_ms", "ratio");
    std::vector<double> wall, floor, tight, cpu, guiCpu, wallNoDialogs, floorNoDialogs;
    bool allOk = true;
    for (int r = 0; r < options.runs; ++r) {
        const RunFigures f = oneRun(options, r == 0 && !options.trace.isEmpty());
        allOk = allOk && f.ok;
        std::printf("%4d %7s %9.1f %9.1f %8.1f %6lld %6lld %5lld %8.1f %8.1f %8.1f %8.1f %8.0f %8.0f %9.1f %9.1f %6.3f\n",
                    r + 1, qPrintable(f.verdict), f.wallMs, f.floorMs(), f.tightFloorMs(), f.out, f.in, f.feature,
                    f.guiSleepMs, f.workerSleepMs, f.guiTimeoutMs, f.workerTimeoutMs, f.calibrationMs, f.operatorMs,
                    f.cpuMs, f.guiCpuMs, f.wallMs / f.floorMs());
        if (r == 0)
            std::printf("     detail: bus sleep in write %.1f ms, answer waits %.1f ms, overlap %.1f ms, "
                        "expired reads %lld, sleep calls %lld, calibrations %d, reports while the operator acts %lld\n",
                        f.busSleepMs, f.answerWaitMs, f.overlapMs, f.expiredReads, f.sleepCalls, f.calibrations,
                        f.operatorReports);
        std::printf("     without the timed dialogs: wall %.1f ms, floor %.1f ms, ratio %.3f; dialogs up %.1f ms "
                    "(floor %.0f); overslept: the run's sleeps %.1f ms, report times %.1f ms; time-outs late %.1f ms\n",
                    f.wallWithoutDialogsMs(), f.floorWithoutDialogsMs(), f.wallWithoutDialogsMs() / f.floorWithoutDialogsMs(),
                    f.dialogsShownMs, f.calibrationMs + f.operatorMs, f.sleepOvershootMs, f.busOvershootMs,
                    f.timeoutOvershootMs);
        wall.push_back(f.wallMs);
        floor.push_back(f.floorMs());
        tight.push_back(f.tightFloorMs());
        cpu.push_back(f.cpuMs);
        guiCpu.push_back(f.guiCpuMs);
        wallNoDialogs.push_back(f.wallWithoutDialogsMs());
        floorNoDialogs.push_back(f.floorWithoutDialogsMs());
        std::fflush(stdout);
    }
    const double w = median(wall), fl = median(floor), t = median(tight);
    std::printf("median: wall %.1f ms (min %.1f, max %.1f), floor %.1f ms, tight floor %.1f ms, "
                "wall/floor %.3f, wall/tight %.3f, wall - floor %.1f ms, cpu %.1f ms (GUI thread %.1f ms)\n",
                w, *std::min_element(wall.begin(), wall.end()), *std::max_element(wall.begin(), wall.end()), fl, t,
                w / fl, w / t, w - fl, median(cpu), median(guiCpu));
    std::printf("median without the timed dialogs: wall %.1f ms, floor %.1f ms, ratio %.3f\n", median(wallNoDialogs),
                median(floorNoDialogs), median(wallNoDialogs) / median(floorNoDialogs));
    return allOk ? 0 : 1;
}
