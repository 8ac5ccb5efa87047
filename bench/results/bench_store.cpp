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

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QSqlQuery>

#include <cstdio>
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
    storegen::BenchStore generated;
    QString error;
    if (!generated.open(QCoreApplication::arguments(), &error)) {
        std::fprintf(stderr, "bench_store: %s\n", qPrintable(error));
        return 1;
    }
    QSqlDatabase db = generated.database();
    const qint64 runs = generated.runs();

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
