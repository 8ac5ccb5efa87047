// Cost of one record through parser and scene, with the display running:
// a 38 x 28 debug pair, a two-finger touch record, a 31 x 21 raster frame.
// Every allocation inside the measured loop is counted by the global
// operator new below; the goal is none once the first frame is drawn.

#include "coredebug.h"
#include "corenormal.h"
#include "coreraster.h"
#include "displaycontext.h"
#include "displayview.h"
#include "qtwindowimp.h"

#include <QApplication>
#include <QGraphicsScene>

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

namespace {
std::atomic<long long> g_allocations{0};
}

void *operator new(std::size_t size)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void *p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

void operator delete(void *p) noexcept
{
    std::free(p);
}

void operator delete(void *p, std::size_t) noexcept
{
    std::free(p);
}

using namespace quilex_gui;
using namespace quilex_gui_qtlib;

namespace {

std::string record(const char *tag, const std::vector<int> &values)
{
    std::string text(tag);
    for (int v : values)
        text += std::to_string(v) + ',';
    return text;
}

// A display window on an 800 x 600 view. With `shown` the view is on screen
// and every record is painted as well.
struct Rig
{
    explicit Rig(bool shown)
    {
        context.view = &view;
        view.resize(800, 600);
        if (shown) {
            view.show();
            QApplication::processEvents();
        }
        view.graphicsScene()->setSceneRect(0, 0, 800, 600);
        window.settings()->set("M0_thr_min", "-50");
        window.settings()->set("M0_thr_max", "150");
        window.settings()->set("x_electrodes", "30");
        window.settings()->set("y_electrodes", "20");
    }
    DisplayView view;
    DisplayContext context;
    QtWindowImp window{&context};
};

void report(benchmark::State &state, long long allocations, long long records)
{
    state.counters["allocs_per_record"] =
        benchmark::Counter(static_cast<double>(allocations) / static_cast<double>(records));
    state.counters["records"] = benchmark::Counter(static_cast<double>(records));
}

// Different values every time, so that strokes really move and change pens.
std::vector<std::string> debugRecords(const char *tag, int count, int variants)
{
    std::vector<std::string> out;
    for (int k = 0; k < variants; ++k) {
        std::vector<int> values;
        for (int i = 0; i < count; ++i)
            values.push_back(((i * 37 + k * 53) % 511) - 255);
        out.push_back(record(tag, values));
    }
    return out;
}

void debugPair(benchmark::State &state, bool shown)
{
    Rig rig(shown);
    CoreDebug parser(&rig.window);
    const auto xs = debugRecords("X", 37, 16);
    const auto ys = debugRecords("Y", 27, 16);
    for (int i = 0; i < 8; ++i) { // start-up phase and a first drawn frame
        parser.input(xs[i % 16].c_str());
        parser.input(ys[i % 16].c_str());
    }
    long long records = 0;
    std::size_t k = 0;
    const long long before = g_allocations.load();
    for (auto _ : state) {
        parser.input(xs[k].c_str());
        parser.input(ys[k].c_str());
        if (shown)
            QApplication::processEvents();
        k = (k + 1) % xs.size();
        ++records;
    }
    report(state, g_allocations.load() - before, records);
}

void touchRecord(benchmark::State &state, bool shown)
{
    Rig rig(shown);
    CoreNormal parser(&rig.window);
    std::vector<std::string> texts;
    for (int k = 0; k < 64; ++k)
        texts.push_back(record("", {2, 0, 100 + 5 * k, 200 + 3 * k, 1, 600 - 4 * k, 400 - 2 * k,
                                    0, 0, 0, 0, 0, 0, 0, 0, 0}));
    parser.input("0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,");
    for (int k = 0; k < 4; ++k)
        parser.input(texts[static_cast<std::size_t>(k)].c_str());
    long long records = 0;
    std::size_t k = 0;
    const long long before = g_allocations.load();
    for (auto _ : state) {
        parser.input(texts[k].c_str());
        if (shown)
            QApplication::processEvents();
        k = (k + 1) % texts.size();
        ++records;
    }
    report(state, g_allocations.load() - before, records);
}

// One iteration is a whole 31 x 21 frame: the S row and 20 R rows.
void rasterFrame(benchmark::State &state, bool shown)
{
    Rig rig(shown);
    CoreRaster parser(&rig.window);
    std::vector<std::vector<std::string>> sweeps;
    for (int k = 0; k < 8; ++k) {
        std::vector<std::string> sweep;
        for (int r = 0; r <= 20; ++r) {
            std::vector<int> values;
            for (int c = 0; c <= 30; ++c)
                values.push_back(((r * 31 + c * 7 + k * 11) % 301) - 150);
            sweep.push_back(record(r == 0 ? "S" : "R", values));
        }
        sweeps.push_back(sweep);
    }
    for (int k = 0; k < 3; ++k) {
        for (const auto &row : sweeps[static_cast<std::size_t>(k)])
            parser.input(row.c_str());
    }
    long long records = 0;
    std::size_t k = 0;
    const long long before = g_allocations.load();
    for (auto _ : state) {
        for (const auto &row : sweeps[k])
            parser.input(row.c_str());
        if (shown)
            QApplication::processEvents();
        k = (k + 1) % sweeps.size();
        records += 21;
    }
    report(state, g_allocations.load() - before, records);
}

} // namespace

BENCHMARK_CAPTURE(debugPair, scene_only, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(touchRecord, scene_only, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(rasterFrame, scene_only, false)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(debugPair, painted, true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(touchRecord, painted, true)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(rasterFrame, painted, true)->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
