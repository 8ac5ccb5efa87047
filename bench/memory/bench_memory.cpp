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
//       until N records have reached the window's parser; then the display
//       is closed.
#include "vorlane.h"

#include "coredebug.h"
#include "corenormal.h"
#include "coreraster.h"
#include "devicelink.h"
#include "displaycontext.h"
#include "displayview.h"
#include "hidcommand.h"
#include "qtwindowimp.h"

#include <inprocesstransport.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QGraphicsScene>
#include <QTemporaryDir>
#include <QTimer>

#include <atomic>
#include <cstdlib>
#include <chrono>
#include <cstdio>
#include <cstring>
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

int station(long long total, int latencyUs)
{
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    QDir().mkpath(QStringLiteral("Config"));
    writeFile(QStringLiteral("config.txt"),
              "QuilexVID=1A86\nQuilexPID=E0A1\nCustomerVID=1A86\nCustomerPID=E0A1\nConfigPath=Config/p.ini\n");
    QFile::copy(QStringLiteral(KAVEL_SOURCE_DIR "/resources/demo/Config/demo.ini"), QStringLiteral("Config/p.ini"));
    const auto panel = emulator::PanelDescription::load(QStringLiteral(KAVEL_SOURCE_DIR "/emulator/panels/demo.ini"));
    auto board = std::make_unique<emulator::InProcessTransport>(panel ? *panel : emulator::PanelDescription());
    board->setLatency({std::chrono::microseconds(latencyUs)});
    std::unique_ptr<device::Transport> previous = device::link::install(std::move(board));
    device::link::setConnected(0);

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
        QObject::connect(window.command(), &HidCommand::readDebug, window.command(), [&emitted] { ++emitted; },
                         Qt::DirectConnection);
        QObject::connect(window.command(), &HidCommand::readDebug, &window, [&] {
            ++taken;
            // A stream faster than the window fills the queue between them;
            // stop before that takes the machine's memory.
            if (taken % 10000 == 0 && memoryNow().rssKb > kRssLimitKb) {
                samples.take(taken);
                std::printf("stopped: VmRSS passed %ld kB with %lld records taken and %lld emitted (%lld queued for "
                            "the window)\n",
                            kRssLimitKb, taken, emitted.load(), emitted.load() - taken);
                std::fflush(stdout);
                dir.remove();
                std::quick_exit(3);
            }
            if (taken % 100000 == 0) {
                samples.take(taken);
                std::printf("           (emitted by the stream thread so far: %lld, queued for the window: %lld)\n",
                            emitted.load(), emitted.load() - taken);
            }
            if (taken == 1) {
                QWidget *display = window.findChild<DisplayView *>()->window();
                std::printf("display: modal %d, windowModality %d, activeModalWidget is the display %d\n",
                            display->isModal(), int(display->windowModality()),
                            QApplication::activeModalWidget() == display);
            }
            if (taken == total) {
                // The operator closes the display.
                if (auto *display = qobject_cast<QDialog *>(window.findChild<DisplayView *>()->window()))
                    display->reject();
            }
        });
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

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::string path = "direct", stream = "debug";
    long long total = 1000000;
    int latencyUs = 0;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--path"))
            path = argv[i + 1];
        else if (!std::strcmp(argv[i], "--stream"))
            stream = argv[i + 1];
        else if (!std::strcmp(argv[i], "--records"))
            total = std::max(1LL, std::atoll(argv[i + 1]));
        else if (!std::strcmp(argv[i], "--latency-us"))
            latencyUs = std::max(0, std::atoi(argv[i + 1]));
    }
    if (path == "station")
        return station(total, latencyUs);
    if (path == "direct")
        return direct(stream, total);
    std::fprintf(stderr, "usage: bench_memory --path direct|station [--stream debug|touch|raster] [--records N] "
                         "[--latency-us U]\n");
    return 2;
}
