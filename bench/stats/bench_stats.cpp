// The line statistics at scale, on a generated store (bench/results/storegen:
// SQLite file or private PostgreSQL 15 server):
//   Answer/<view>/<range>  one view's questions as the window's thread asks
//                          them (stats::answer), over the window's default
//                          range (the week up to the store's newest run) or
//                          the whole store;
//   Window/<tab>/week      the window opened on the store (the first tab
//                          drawn) and each other tab's first draw;
//   Window/<tab>/all       that tab drawn again once the range is widened
//                          to the whole store.
// The window takes the store's newest run as now; the profiles P0..P2.ini
// have no file here, so their panel is given as 40 x 30.
//
//   ./bench_stats [--engine sqlite|pg] [--runs N] [--store PATH] [benchmark flags]
#include "statsservice.h"
#include "statswindow.h"
#include "storegen.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>

using namespace stats;

namespace {

constexpr qint64 DayMs = 86400000;
const QSize Panel(40, 30);

struct Range
{
    const char *name;
    Filter filter;
};

// Waits for the window to draw view; false after a minute.
bool waitDrawn(StatsWindow &window, View view)
{
    QEventLoop loop;
    bool drawn = false;
    const QMetaObject::Connection c = QObject::connect(&window, &StatsWindow::drawn, &loop, [&](View v) {
        if (v == view && !window.busy()) {
            drawn = true;
            loop.quit();
        }
    });
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    loop.exec();
    QObject::disconnect(c);
    // What the answer changed is painted before the next question.
    QApplication::processEvents();
    return drawn;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    storegen::BenchStore generated;
    QString error;
    if (!generated.open(QApplication::arguments(), &error)) {
        std::fprintf(stderr, "bench_stats: %s\n", qPrintable(error));
        return 1;
    }
    const QSqlDatabase db = generated.database();
    const qint64 newest = storegen::firstStart() + (generated.runs() - 1) * 30000;
    const QDateTime now = QDateTime::fromMSecsSinceEpoch(newest + 60000);

    // The window's default range: the last seven days to the end of today.
    Filter week;
    week.from = QDateTime(now.date().addDays(-6), QTime(0, 0)).toMSecsSinceEpoch();
    week.to = QDateTime(now.date().addDays(1), QTime(0, 0)).toMSecsSinceEpoch();
    Filter all;
    all.from = storegen::firstStart();
    all.to = week.to;
    const Range ranges[] = {{"week", week}, {"all", all}};

    std::vector<std::pair<QString, Request>> requests;
    for (const Range &range : ranges) {
        const auto add = [&](const char *name, Request r) {
            const QStringList engineering = r.filter.engineering;
            r.filter = range.filter;
            r.filter.engineering = engineering;
            if (r.view == View::Map)
                r.filter.profile = QStringLiteral("P0.ini");
            if (r.view == View::Spc) {
                // The window's default reference: the range's first day.
                r.reference = r.filter;
                r.reference.to = r.reference.from + DayMs;
            }
            if (r.view == View::Trace && r.trace.failedItem.size()) {
                r.trace.from = r.filter.from;
                r.trace.to = r.filter.to;
            }
            requests.push_back({QStringLiteral("Answer/%1/%2").arg(QLatin1String(name), QLatin1String(range.name)), r});
        };
        for (const auto &[name, by] : {std::pair{"YieldHour", GroupBy::Hour}, std::pair{"YieldDay", GroupBy::Day},
                                       std::pair{"YieldLot", GroupBy::Lot}, std::pair{"YieldStation", GroupBy::Station},
                                       std::pair{"YieldProfile", GroupBy::Profile}}) {
            Request r;
            r.view = View::Yield;
            r.by = by;
            r.now = now.toMSecsSinceEpoch();
            // Golden samples left out, as a line would set it (none in the
            // generated store: the cost of asking).
            r.filter.engineering = QStringList{QStringLiteral("GOLD*")};
            add(name, r);
        }
        Request r;
        r.view = View::Pareto;
        add("Pareto", r);
        r.view = View::Map;
        r.rows = Panel.height() + 1;
        r.columns = Panel.width() + 1;
        add("Map", r);
        for (const auto &[name, measure] :
             {std::pair{"SpcCurrent", Measure::Current}, std::pair{"SpcTb", Measure::TbMean},
              std::pair{"SpcOpenShortX", Measure::OpenShortX}}) {
            r = Request();
            r.view = View::Spc;
            r.measure = measure;
            add(name, r);
        }
        r = Request();
        r.view = View::Trace;
        add("Trace", r);
        r.trace.failedItem = QStringLiteral("raster_x");
        add("TraceFailed", r);
        // Capability of an item: the current (its limit lowered halfway
        // through the store), the four open/short values, the three keys.
        for (const char *item : {"Electric", "OpenShort", "BtnData"}) {
            r = Request();
            r.view = View::Capability;
            r.item = QLatin1String(item);
            r.filter.engineering = QStringList{QStringLiteral("GOLD*")};
            add(qPrintable(QStringLiteral("Capability%1").arg(QLatin1String(item))), r);
        }
        // A hundred panels' barcodes by their prefix.
        r = Request();
        r.view = View::Trace;
        r.trace.barcode = QStringLiteral("SN0000000012");
        r.trace.barcodePrefix = true;
        add("TracePrefix", r);
    }
    {
        // The status line's question: this station since the shift began.
        Request shift;
        shift.view = View::Shift;
        shift.filter.from = newest - 8 * 3600000LL;
        shift.filter.station = QStringLiteral("ST3");
        requests.push_back({QStringLiteral("Answer/Shift"), shift});
    }
    for (const auto &[name, request] : requests) {
        benchmark::RegisterBenchmark(qPrintable(name), [&db, request = request](benchmark::State &state) {
            Reply reply;
            for (auto _ : state) {
                reply = answer(db, request);
                if (!reply.error.isEmpty()) {
                    state.SkipWithError(qPrintable(reply.error));
                    break;
                }
            }
            state.counters["rows"] = double(reply.yield.size() + reply.pareto.size() + reply.map.cells.size()
                                            + reply.points.size() + reply.trace.size() + reply.capability.size());
        })->Unit(benchmark::kMillisecond)->UseRealTime();
    }

    StatsWindow::Options options;
    options.localPath = generated.path();
    options.lineConnection = generated.connection();
    options.lineStore = generated.postgres();
    options.station = QStringLiteral("ST3");
    options.profile = QStringLiteral("P0.ini");
    options.geometry = [](const QString &profile) {
        return profile.startsWith(QLatin1Char('P')) ? Panel : QSize();
    };
    options.shiftSettings = QStringLiteral("/tmp/bench-stats.ini");
    results::queries::setEngineeringPatterns({QStringLiteral("GOLD*")}, options.shiftSettings);
    options.now = now;
    const std::pair<const char *, StatsWindow::Tab> tabs[] = {
        {"Window/Open", StatsWindow::YieldTab},  {"Window/Pareto", StatsWindow::ParetoTab},
        {"Window/Map", StatsWindow::MapTab},     {"Window/Spc", StatsWindow::SpcTab},
        {"Window/Trace", StatsWindow::TraceTab}, {"Window/Capability", StatsWindow::CapabilityTab},
    };
    const View views[] = {View::Yield, View::Pareto, View::Map, View::Spc, View::Trace, View::Capability};
    const QString stored = QString::number(generated.runs());
    for (const auto &[name, tab] : tabs) {
        for (const bool whole : {false, true}) {
            // The tab drawn anew for the whole store: its range widened once it shows the week.
            const QString benchmark = QLatin1String(name) + (whole ? QStringLiteral("/all") : QStringLiteral("/week"));
            benchmark::RegisterBenchmark(qPrintable(benchmark), [&, tab = tab, whole](benchmark::State &state) {
                for (auto _ : state) {
                    QElapsedTimer clock;
                    clock.start();
                    StatsWindow window(options);
                    window.show();
                    bool drawn = waitDrawn(window, View::Yield);
                    if (tab != StatsWindow::YieldTab) {
                        clock.start();
                        window.showTab(tab);
                        drawn = drawn && waitDrawn(window, views[tab]);
                    }
                    if (whole) {
                        clock.start();
                        window.setRange(QDateTime::fromMSecsSinceEpoch(all.from), QDateTime::fromMSecsSinceEpoch(all.to));
                        drawn = drawn && waitDrawn(window, views[tab]);
                    }
                    state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
                    // The status line names the store's runs once it has answered.
                    if (!drawn || !window.statusText().contains(stored)) {
                        state.SkipWithError(qPrintable(QStringLiteral("not drawn: ") + window.statusText()));
                        break;
                    }
                }
            })->Unit(benchmark::kMillisecond)->UseManualTime();
        }
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
