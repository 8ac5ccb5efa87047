// The results store at scale: a store of --runs runs (default 10^6) is made in
// SQLite (kept in --store, default /tmp/kavel-store-<runs>.db, and reused) or
// in a private PostgreSQL 15 server (--engine pg), then the tool's questions
// are timed: a barcode's runs, and yield by hour, day, LOT and station over
// everything.
//
//   ./bench_store [--engine sqlite|pg] [--runs N] [--store PATH] [benchmark flags]
#include "resultstore.h"
#include "runqueries.h"
#include "storegen.h"

#include "pgserver.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlQuery>

#include <cstdio>
#include <memory>
#include <random>

namespace {

void countRows(benchmark::State &state, QSqlQuery &q, qint64 &rows)
{
    rows = 0;
    while (q.next())
        ++rows;
    if (rows == 0)
        state.SkipWithError("the query answered nothing");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    QString engine = QStringLiteral("sqlite");
    qint64 runs = 1000000;
    QString path;
    const QStringList args = QCoreApplication::arguments();
    for (qsizetype i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--engine"))
            engine = args[i + 1];
        else if (args[i] == QLatin1String("--runs"))
            runs = args[i + 1].toLongLong();
        else if (args[i] == QLatin1String("--store"))
            path = args[i + 1];
    }
    runs -= runs % 20; // whole retest cycles
    if (path.isEmpty())
        path = QStringLiteral("/tmp/kavel-store-%1.db").arg(runs);

    results::ResultStore store;
    std::unique_ptr<PgServer> server;
    QString error;
    bool fresh = true;
    if (engine == QLatin1String("pg")) {
        server = std::make_unique<PgServer>();
        if (!server->start() || !server->createDatabase(QStringLiteral("line"))) {
            std::fprintf(stderr, "bench_store: %s\n", qPrintable(server->errorString()));
            return 1;
        }
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), store.connectionName());
        server->configure(db, QStringLiteral("line"));
        if (!store.openDatabase(db, &error)) {
            std::fprintf(stderr, "bench_store: %s\n", qPrintable(error));
            return 1;
        }
    } else {
        fresh = !QFileInfo::exists(path);
        if (!store.openLocal(path, &error)) {
            std::fprintf(stderr, "bench_store: %s\n", qPrintable(error));
            return 1;
        }
    }
    QSqlDatabase db = store.database();
    if (fresh) {
        QElapsedTimer clock;
        clock.start();
        if (!storegen::generate(db, runs, &error, true)) {
            std::fprintf(stderr, "bench_store: %s\n", qPrintable(error));
            return 1;
        }
        std::fprintf(stderr, "made %lld runs in %.1f s\n", static_cast<long long>(runs), double(clock.elapsed()) / 1000);
    }

    std::mt19937_64 random(7);
    benchmark::RegisterBenchmark("FindByBarcode", [&](benchmark::State &state) {
        qint64 rows = 0;
        for (auto _ : state) {
            results::queries::RunFilter filter;
            const qint64 n = qint64(random() % quint64(runs));
            filter.barcode = QStringLiteral("SN%1").arg(n - (n % 20 == 19 ? 1 : 0), 12, 10, QLatin1Char('0'));
            QSqlQuery q(db);
            if (!results::queries::findRuns(q, filter, &error)) {
                state.SkipWithError(qPrintable(error));
                break;
            }
            countRows(state, q, rows);
        }
        state.counters["rows"] = double(rows);
    })->Unit(benchmark::kMillisecond)->UseRealTime();
    for (const auto &[name, by] : {std::pair{"YieldByHour", results::queries::GroupBy::Hour},
                                   std::pair{"YieldByDay", results::queries::GroupBy::Day},
                                   std::pair{"YieldByLot", results::queries::GroupBy::Lot},
                                   std::pair{"YieldByStation", results::queries::GroupBy::Station}}) {
        benchmark::RegisterBenchmark(name, [&, by = by](benchmark::State &state) {
            std::vector<results::queries::YieldRow> rows;
            for (auto _ : state) {
                if (!results::queries::yieldByGroup(db, by, {}, rows, &error) || rows.empty()) {
                    state.SkipWithError(qPrintable(error));
                    break;
                }
            }
            state.counters["groups"] = double(rows.size());
        })->Unit(benchmark::kMillisecond)->UseRealTime();
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
