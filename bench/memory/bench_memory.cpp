// Resident memory of the live display over a million streamed records, to
// show that nothing piles up per record. VmRSS and VmHWM come from
// /proc/self/status and are sampled every 100000 records.
//
//   bench_memory --path direct --stream debug|touch|raster [--records N]
//       The records go straight into the parser the station uses, its scene
//       and the shown view (offscreen); the view paints every 100 records,
//       as a screen refresh would take several records at a time.
//   bench_memory --path station [--records N] [--latency-us U]
//       The station's own window: its debug display (DebugCom) fed by the
//       debug stream thread against the in-process board, after a refresh,
//       until its stream mailbox has handed N records (X, Y and the pairs
//       for the record pane) to the window; then the display is closed.
//   bench_memory --path live --mode MODE [--seconds S] [--latency-us U] [--scan-us C] [--shot PNG]
//       One live mode of the station's own window for S seconds (default 60)
//       against the in-process board (scan interval C, default 10000 us):
//       debug, m0, rasterx, rastery, irasterx, irastery, btndata, btnsignal,
//       normal (finger down), keys (button status, a key held) and border
//       (a run with only the border item, finger down); idle runs no stream,
//       for the machine's own share of the lateness. Prints VmRSS, how late
//       the window's event loop ran a 10 ms timer, what the stream mailboxes
//       passed and dropped, and how often each window repainted; --shot
//       saves a picture of the mode's window as it was at the end.
#include "vorlane.h"

#include "coredebug.h"
#include "corenormal.h"
#include "coreraster.h"
#include "devicelink.h"
#include "displaycontext.h"
#include "displayview.h"
#include "hidcommand.h"
#include "qtwindowimp.h"
#include "streammailbox.h"

#include <inprocesstransport.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QGraphicsScene>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <chrono>
#include <map>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

using namespace quilex_gui;
using namespace quilex_gui_qtlib;

namespace {

using Clock = std::chrono::steady_clock;

struct Memory
{
    long rssKb = 0;
    long hwmKb = 0;
};

Memory memoryNow()
{
    Memory m;
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return m;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            m.rssKb = line.mid(6).trimmed().split(' ').value(0).toLong();
        else if (line.startsWith("VmHWM:"))
            m.hwmKb = line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return m;
}

struct Samples
{
    Clock::time_point start = Clock::now();
    Memory before;
    std::vector<std::pair<long long, Memory>> points;

    void take(long long records)
    {
        const Memory m = memoryNow();
        points.emplace_back(records, m);
        const double s = std::chrono::duration<double>(Clock::now() - start).count();
        std::printf("%10lld records  VmRSS %7ld kB  VmHWM %7ld kB  %+6ld kB since start  %7.1f s\n", records, m.rssKb,
                    m.hwmKb, m.rssKb - before.rssKb, s);
        std::fflush(stdout);
    }

    // Growth per 100000 records from the sample at 100000 (the display has
    // drawn its first frames and sized its buffers by then) to the last, and
    // the largest step between two later samples.
    void summary() const
    {
        if (points.size() < 3)
            return;
        const auto &first = points[1];
        const auto &last = points.back();
        const double per = double(last.second.rssKb - first.second.rssKb) * 100000.0
                           / double(last.first - first.first);
        long worst = 0;
        for (std::size_t i = 2; i < points.size(); ++i)
            worst = std::max(worst, points[i].second.rssKb - points[i - 1].second.rssKb);
        std::printf("before %ld kB, after %ld kB (peak VmHWM %ld kB); growth from %lld to %lld records: %.1f kB per "
                    "100000 records; largest step between samples %+ld kB\n",
                    before.rssKb, last.second.rssKb, last.second.hwmKb, first.first, last.first, per, worst);
    }
};

std::string record(const char *tag, const std::vector<int> &values)
{
    std::string text(tag);
    for (int v : values)
        text += std::to_string(v) + ',';
    return text;
}

// 64 different records of the kind, so that strokes move and pens change.
std::vector<std::string> records(const std::string &stream)
{
    std::vector<std::string> out;
    for (int k = 0; k < 64; ++k) {
        if (stream == "debug") {
            std::vector<int> x, y;
            for (int i = 0; i < 29; ++i)
                x.push_back(((i * 37 + k * 53) % 511) - 255);
            for (int i = 0; i < 19; ++i)
                y.push_back(((i * 41 + k * 29) % 511) - 255);
            out.push_back(record("X", x));
            out.push_back(record("Y", y));
        } else if (stream == "touch") {
            out.push_back(record("", {2, 0, 100 + 5 * k, 200 + 3 * k, 1, 600 - 4 * k, 400 - 2 * k, 0, 0, 0, 0, 0, 0,
                                      0, 0, 0}));
            if (k % 16 == 15)
                out.push_back("0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,"); // fingers lifted now and then
        } else {
            for (int r = 0; r <= 20; ++r) {
                std::vector<int> values;
                for (int c = 0; c <= 30; ++c)
                    values.push_back(((r * 31 + c * 7 + k * 11) % 301) - 150);
                out.push_back(record(r == 0 ? "S" : "R", values));
            }
        }
    }
    return out;
}

int direct(const std::string &stream, long long total)
{
    DisplayView view;
    DisplayContext context;
    context.view = &view;
    QtWindowImp window(&context);
    view.resize(800, 600);
    view.show();
    QApplication::processEvents();
    view.graphicsScene()->setSceneRect(0, 0, 800, 600);
    window.settings()->set("M0_thr_min", "-50");
    window.settings()->set("M0_thr_max", "150");
    window.settings()->set("x_electrodes", "30");
    window.settings()->set("y_electrodes", "20");

    std::unique_ptr<State> parser;
    if (stream == "debug")
        parser = std::make_unique<CoreDebug>(&window);
    else if (stream == "touch")
        parser = std::make_unique<CoreNormal>(&window);
    else if (stream == "raster")
        parser = std::make_unique<CoreRaster>(&window);
    else
        return 2;
    const std::vector<std::string> texts = records(stream);

    Samples samples;
    samples.before = memoryNow();
    std::printf("direct path, %s records, view shown (offscreen), painted every 100 records\n", stream.c_str());
    samples.take(0);
    std::size_t k = 0;
    for (long long n = 1; n <= total; ++n) {
        parser->input(texts[k].c_str());
        k = (k + 1) % texts.size();
        if (n % 100 == 0)
            QApplication::processEvents();
        if (n % 100000 == 0)
            samples.take(n);
    }
    samples.summary();
    return 0;
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(content);
}

constexpr long kRssLimitKb = 1500 * 1024;

QByteArray profileText()
{
    QFile demo(QStringLiteral(KAVEL_SOURCE_DIR "/resources/demo/Config/demo.ini"));
    return demo.open(QIODevice::ReadOnly) ? demo.readAll() : QByteArray();
}

// The working folder (the current one) with the station file and the profile,
// and the demo panel on the in-process board as the station's link; returns
// the link it replaced.
std::unique_ptr<device::Transport> installBoard(const QByteArray &profile, int latencyUs, int scanUs)
{
    QDir().mkpath(QStringLiteral("Config"));
    writeFile(QStringLiteral("config.txt"),
              "QuilexVID=1A86\nQuilexPID=E0A1\nCustomerVID=1A86\nCustomerPID=E0A1\nConfigPath=Config/p.ini\n");
    writeFile(QStringLiteral("Config/p.ini"), profile);
    const auto panel = emulator::PanelDescription::load(QStringLiteral(KAVEL_SOURCE_DIR "/emulator/panels/demo.ini"));
    auto board = std::make_unique<emulator::InProcessTransport>(panel ? *panel : emulator::PanelDescription());
    board->setLatency({std::chrono::microseconds(latencyUs)});
    board->setScanInterval(std::chrono::microseconds(scanUs));
    std::unique_ptr<device::Transport> previous = device::link::install(std::move(board));
    device::link::setConnected(0);
    return previous;
}

int station(long long total, int latencyUs)
{
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    std::unique_ptr<device::Transport> previous = installBoard(profileText(), latencyUs, 10000);

    Samples samples;
    {
        Vorlane window;
        window.show();
        QApplication::processEvents();
        // The operator reads the panel out first: it identifies the panel the
        // stream needs to know.
        window.On_refreshBtnClicked();
        // What the stream thread emits, and what the window has taken in: the
        // window's own slot for a record runs before this one.
        std::atomic<long long> emitted{0};
        long long taken = 0;
        long long nextSample = 100000;
        bool closing = false;
        const auto count = [&emitted] { ++emitted; };
        QObject::connect(window.command(), &HidCommand::readDebug, window.command(), count, Qt::DirectConnection);
        QObject::connect(window.command(), &HidCommand::readDebugD, window.command(), count, Qt::DirectConnection);
        // What the window has taken: the records (X, Y and the pair for the
        // record pane) its stream mailbox handed to it, looked at every 5 ms.
        auto *frames = window.findChild<device::stream::Mailbox *>(QStringLiteral("streamFrames"));
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &window, [&] {
            taken = static_cast<long long>(frames->delivered());
            if (memoryNow().rssKb > kRssLimitKb) {
                samples.take(taken);
                std::printf("stopped: VmRSS passed %ld kB with %lld records taken and %lld emitted\n", kRssLimitKb,
                            taken, emitted.load());
                std::fflush(stdout);
                dir.remove();
                std::quick_exit(3);
            }
            while (taken >= nextSample) {
                samples.take(nextSample);
                std::printf("           (emitted by the stream thread so far: %lld, taken %lld, dropped %llu, "
                            "waiting %zu)\n",
                            emitted.load(), taken, (unsigned long long)frames->dropped(), frames->pending());
                nextSample += 100000;
            }
            if (taken >= total && !closing) {
                closing = true;
                // The operator closes the display.
                if (auto *display = qobject_cast<QDialog *>(window.findChild<DisplayView *>()->window()))
                    display->reject();
            }
        });
        poll.start(5);
        QTimer progress;
        QObject::connect(&progress, &QTimer::timeout, &window, [&] {
            std::printf("           %.0f s: emitted %lld, taken %lld, VmRSS %ld kB\n",
                        std::chrono::duration<double>(Clock::now() - samples.start).count(), emitted.load(), taken,
                        memoryNow().rssKb);
            std::fflush(stdout);
        });
        progress.start(10000);
        samples.before = memoryNow();
        std::printf("station path: the window's debug display fed by the debug stream thread, %d us per report\n",
                    latencyUs);
        samples.take(0);
        window.DebugCom(); // returns when the display is closed
        QApplication::processEvents();
        samples.summary();
        const Memory after = memoryNow();
        std::printf("after the display closed and the queue drained: VmRSS %ld kB, VmHWM %ld kB; records emitted %lld, "
                    "taken %lld\n",
                    after.rssKb, after.hwmKb, emitted.load(), taken);
    }
    device::link::setConnected(0);
    device::link::install(std::move(previous));
    return 0;
}


double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// How late the window's event loop runs a 10 ms timer, and how often each
// window repaints (one UpdateRequest per repaint of a top-level window).
class LoopWatch : public QObject
{
public:
    LoopWatch()
    {
        m_tick.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_tick, &QTimer::timeout, this, [this] {
            const Clock::time_point now = Clock::now();
            const double late = std::chrono::duration<double, std::milli>(now - m_last).count() - TickMs;
            m_last = now;
            if (!m_counting)
                return;
            m_worstAll = std::max(m_worstAll, late);
            // The mode's start (the window stops the streams and drains the
            // board for 300 ms before it starts one) is not the stream's doing.
            if (now - m_started < std::chrono::seconds(1))
                return;
            m_late.push_back(std::max(0.0, late));
            if (late > m_worstLate) {
                m_worstLate = late;
                m_worstAt = std::chrono::duration<double>(now - m_started).count();
            }
        });
        qApp->installEventFilter(this);
    }
    ~LoopWatch() override { qApp->removeEventFilter(this); }

    void start()
    {
        m_last = m_started = Clock::now();
        m_counting = true;
        m_tick.start(TickMs);
    }
    void stop()
    {
        m_counting = false;
        m_tick.stop();
    }
    double worst() const { return m_late.empty() ? 0 : *std::max_element(m_late.begin(), m_late.end()); }
    double worstWithStart() const { return m_worstAll; }
    // Seconds into the mode when the worst came.
    double worstAt() const { return m_worstAt; }
    double percentile(double p) const
    {
        if (m_late.empty())
            return 0;
        std::vector<double> sorted = m_late;
        std::sort(sorted.begin(), sorted.end());
        return sorted[std::min(sorted.size() - 1, std::size_t(p * double(sorted.size())))];
    }
    std::size_t ticks() const { return m_late.size(); }
    const std::map<std::string, long long> &repaints() const { return m_repaints; }

protected:
    bool eventFilter(QObject *object, QEvent *event) override
    {
        if (m_counting && event->type() == QEvent::UpdateRequest && object->isWidgetType()
            && static_cast<QWidget *>(object)->isWindow())
            ++m_repaints[object->metaObject()->className()];
        return false;
    }

private:
    static constexpr int TickMs = 10;
    QTimer m_tick;
    Clock::time_point m_last;
    Clock::time_point m_started;
    double m_worstAll = 0;
    double m_worstLate = 0;
    double m_worstAt = 0;
    bool m_counting = false;
    std::vector<double> m_late;
    std::map<std::string, long long> m_repaints;
};

int live(const std::string &mode, int seconds, int latencyUs, int scanUs, const std::string &shot)
{
    static const std::map<std::string, void (Vorlane::*)()> modal = {
        {"debug", &Vorlane::DebugCom},         {"m0", &Vorlane::InternalCom},    {"btndata", &Vorlane::On_btnData},
        {"btnsignal", &Vorlane::On_btnSignal}, {"normal", &Vorlane::NormalMode}, {"keys", &Vorlane::On_btnStatus}};
    static const std::map<std::string, void (Vorlane::*)()> lasting = {
        {"rasterx", &Vorlane::HidRasterMode},
        {"rastery", &Vorlane::RasterInternalCom},
        {"irasterx", &Vorlane::On_InterRXBtnClicked},
        {"irastery", &Vorlane::On_InterRYBtnClicked}};
    if (!modal.count(mode) && !lasting.count(mode) && mode != "border" && mode != "idle")
        return 2;

    // The dialogs of the hands' modes stay up longer than the measurement;
    // the border run has the border item alone.
    QByteArray profile = profileText();
    const QByteArray longer = QByteArray::number(seconds + 30);
    profile.replace("\nBtn_Time=10", "\nBtn_Time=" + longer);
    profile.replace("\nBorder_test_time=30", "\nBorder_test_time=" + longer);
    if (mode == "border") {
        const int section = profile.indexOf("[ModeSwitch]");
        QByteArray gates = profile.mid(section).replace("=1\n", "=0\n");
        gates.replace("\nBorder_Mode=0", "\nBorder_Mode=1");
        profile = profile.left(section) + gates;
    }
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    std::unique_ptr<device::Transport> previous = installBoard(profile, latencyUs, scanUs);
    QDir().mkpath(QStringLiteral("log"));
    QFile::copy(QStringLiteral(KAVEL_SOURCE_DIR "/resources/demo/log/baseline.csv"), QStringLiteral("log/baseline.csv"));
    auto &board = static_cast<emulator::InProcessTransport &>(device::link::transport());
    if (mode == "normal" || mode == "border")
        board.setTouches({{1, 400, 300}});
    if (mode == "keys")
        board.setKeys(0x01);

    {
        Vorlane window;
        window.show();
        QApplication::processEvents();
        window.On_refreshBtnClicked();
        QApplication::processEvents();
        auto *frames = window.findChild<device::stream::Mailbox *>(QStringLiteral("streamFrames"));
        auto *records = window.findChild<device::stream::Mailbox *>(QStringLiteral("streamRecords"));

        LoopWatch watch;
        Samples samples;
        samples.before = memoryNow();
        long most = samples.before.rssKb;
        QTimer sample;
        QObject::connect(&sample, &QTimer::timeout, &window, [&] {
            const Memory m = memoryNow();
            most = std::max(most, m.rssKb);
            std::printf("  %5.1f s  VmRSS %7ld kB  frames posted %llu taken %llu dropped %llu waiting %zu  records "
                        "posted %llu taken %llu waiting %zu\n",
                        std::chrono::duration<double>(Clock::now() - samples.start).count(), m.rssKb,
                        (unsigned long long)frames->posted(), (unsigned long long)frames->delivered(),
                        (unsigned long long)frames->dropped(), frames->pending(),
                        (unsigned long long)records->posted(), (unsigned long long)records->delivered(),
                        records->pending());
            std::fflush(stdout);
        });
        std::printf("live mode %s, %d s, board latency %d us per report, scan every %d us; VmRSS before %ld kB\n",
                    mode.c_str(), seconds, latencyUs, scanUs, samples.before.rssKb);
        sample.start(5000);
        watch.start();
        // The operator ends the mode: closes the modal dialog, or stops the
        // stream of a mode that runs on.
        QTimer::singleShot(seconds * 1000, &window, [&] {
            // What the window does to end the mode (stop the stream, switch
            // the reports off) is not the stream's doing either.
            watch.stop();
            QWidget *shown = QApplication::activeModalWidget();
            for (QWidget *top : QApplication::topLevelWidgets()) {
                if (!shown && top != &window && top->isVisible() && !top->inherits("QMenu"))
                    shown = top;
            }
            if (!shot.empty() && shown)
                shown->grab().save(QString::fromStdString(shot));
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                std::printf("a message box is up: %s\n", qPrintable(box->text()));
            if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
                dialog->reject();
        });
        const Clock::time_point t0 = Clock::now();
        const double gui0 = threadCpuMs();
        if (modal.count(mode)) {
            (window.*modal.at(mode))();
        } else {
            if (mode == "idle") {
                // No stream: how late the machine lets an idle window be.
            } else if (mode == "border") {
                for (const char *field : {"lineEdit_2", "lineEdit_3", "lineEdit_4"})
                    window.findChild<QLineEdit *>(QLatin1String(field))->setText(QStringLiteral("bench"));
                window.start();
            } else {
                (window.*lasting.at(mode))();
            }
            QEventLoop loop;
            QTimer::singleShot(std::max<qint64>(0, seconds * 1000 - std::chrono::duration_cast<std::chrono::milliseconds>(
                                                                        Clock::now() - t0)
                                                                        .count()),
                               &loop, &QEventLoop::quit);
            loop.exec();
        }
        const double ran = std::chrono::duration<double>(Clock::now() - t0).count();
        const double guiMs = threadCpuMs() - gui0;
        watch.stop();
        sample.stop();
        window.StopCom();
        // What still waits reaches the window before the figures are taken.
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 200)
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        const Memory after = memoryNow();
        most = std::max(most, after.rssKb);
        std::printf("ran %.1f s; VmRSS before %ld kB, after %ld kB, most sampled %ld kB, VmHWM %ld kB; growth %+ld kB "
                    "(most sampled - before)\n",
                    ran, samples.before.rssKb, after.rssKb, most, after.hwmKb, most - samples.before.rssKb);
        std::printf("event loop from 1 s into the mode to its end: %zu ticks of 10 ms, late by at most %.1f ms (at "
                    "%.1f s; p99 %.2f ms, median %.2f ms); with the mode's start %.1f ms\n",
                    watch.ticks(), watch.worst(), watch.worstAt(), watch.percentile(0.99), watch.percentile(0.5),
                    watch.worstWithStart());
        std::printf("frames mailbox: posted %llu, taken by the window %llu, dropped %llu, most waiting %zu (limit %zu "
                    "frames)\n",
                    (unsigned long long)frames->posted(), (unsigned long long)frames->delivered(),
                    (unsigned long long)frames->dropped(), frames->mostPending(), frames->limit());
        std::printf("records mailbox: posted %llu, taken by the window %llu, dropped %llu, most waiting %zu (limit %zu "
                    "records)\n",
                    (unsigned long long)records->posted(), (unsigned long long)records->delivered(),
                    (unsigned long long)records->dropped(), records->mostPending(), records->limit());
        std::printf("CPU of the window's thread: %.0f ms in %.1f s (%.1f %%)\n", guiMs, ran, guiMs / ran / 10.0);
        for (const auto &[name, count] : watch.repaints())
            std::printf("repaints of %s: %lld (%.1f per second)\n", name.c_str(), count, double(count) / ran);
        std::fflush(stdout);
    }
    device::link::setConnected(0);
    device::link::install(std::move(previous));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::string path = "direct", stream = "debug";
    long long total = 1000000;
    int latencyUs = 0;
    int seconds = 60;
    int scanUs = 10000;
    std::string mode = "debug";
    std::string shot;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--path"))
            path = argv[i + 1];
        else if (!std::strcmp(argv[i], "--stream"))
            stream = argv[i + 1];
        else if (!std::strcmp(argv[i], "--records"))
            total = std::max(1LL, std::atoll(argv[i + 1]));
        else if (!std::strcmp(argv[i], "--latency-us"))
            latencyUs = std::max(0, std::atoi(argv[i + 1]));
        else if (!std::strcmp(argv[i], "--mode"))
            mode = argv[i + 1];
        else if (!std::strcmp(argv[i], "--seconds"))
            seconds = std::max(1, std::atoi(argv[i + 1]));
        else if (!std::strcmp(argv[i], "--shot"))
            shot = argv[i + 1];
        else if (!std::strcmp(argv[i], "--scan-us"))
            scanUs = std::max(1, std::atoi(argv[i + 1]));
    }
    if (path == "station")
        return station(total, latencyUs);
    if (path == "live")
        return live(mode, seconds, latencyUs, scanUs, shot);
    if (path == "direct")
        return direct(stream, total);
    std::fprintf(stderr, "usage: bench_memory --path direct|station|live [--stream debug|touch|raster] [--records N] "
                         "[--mode MODE] [--seconds S] [--latency-us U] [--scan-us C] [--shot PNG]\n");
    return 2;
}
