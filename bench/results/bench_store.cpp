// The results store at scale: a store of --runs runs (default 10^6) is made in
// SQLite (kept in --store, default /tmp/kavel-store-<runs>.db, and reused) or
// in a private PostgreSQL 15 server (--engine pg), then the tool's questions
// are timed: a barcode's runs, and yield by hour, day, LOT and station over
// everything. On PostgreSQL also "server maintain" (the runs kept by month):
// with nothing to do (Maintain), and dropping the oldest month
// (MaintainDropMonth, once, last: it changes the store).
//
//   ./bench_store [--engine sqlite|pg] [--runs N] [--store PATH] [benchmark flags]
#include "lineserver.h"
#include "partitions.h"
#include "resultstore.h"
#include "runqueries.h"
#include "storegen.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QSqlError>
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
    if (generated.postgres()) {
        // What a run takes on the server, every table and index included.
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("SELECT SUM(pg_total_relation_size(c.oid)) FROM pg_class c"
                                   " JOIN pg_namespace n ON n.oid = c.relnamespace"
                                   " WHERE n.nspname = 'public' AND c.relkind IN ('r', 'm')"))
            || !q.next()) {
            std::fprintf(stderr, "bench_store: %s\n", qPrintable(q.lastError().text()));
            return 1;
        }
        const double bytes = q.value(0).toDouble();
        q.exec(QStringLiteral("SELECT pg_column_compression(content), AVG(length(content)),"
                              " AVG(pg_column_size(content)) FROM runs GROUP BY 1"));
        while (q.next())
            std::fprintf(stderr, "content: %s, %.0f bytes, %.0f stored\n", qPrintable(q.value(0).toString()),
                         q.value(1).toDouble(), q.value(2).toDouble());
        std::fprintf(stderr, "server: %.0f MB, %.0f bytes per run\n", bytes / 1e6, bytes / double(runs));
        for (const char *table : {"runs", "items", "failing_cells", "failing_electrodes", "run_ids", "yield_quarters"}) {
            // A split table's size is its partitions'.
            q.prepare(QStringLiteral("SELECT SUM(pg_total_relation_size(t.relid)), SUM(pg_indexes_size(t.relid))"
                                     " FROM pg_class c, LATERAL (SELECT relid FROM pg_partition_tree(c.oid)"
                                     " UNION SELECT c.oid) t WHERE c.oid = to_regclass(?)"));
            q.addBindValue(QString::fromLatin1(table));
            if (q.exec() && q.next())
                std::fprintf(stderr, "  %s: %.0f bytes per run (indexes %.0f)\n", table,
                             q.value(0).toDouble() / double(runs), q.value(1).toDouble() / double(runs));
        }
    }
    // The store's newest run taken as now.
    results::lineserver::MaintainOptions maintain;
    maintain.now = storegen::firstStart() + (runs - 1) * 30000;
    if (generated.postgres()) {
        QString report;
        if (!results::lineserver::maintain(db, maintain, &report, &error)) {
            std::fprintf(stderr, "bench_store: %s\n", qPrintable(error));
            return 1;
        }
        benchmark::RegisterBenchmark("Maintain", [&](benchmark::State &state) {
            for (auto _ : state) {
                if (!results::lineserver::maintain(db, maintain, &report, &error)) {
                    state.SkipWithError(qPrintable(error));
                    break;
                }
            }
        })->Unit(benchmark::kMillisecond)->UseRealTime();
        benchmark::RegisterBenchmark("MaintainDropMonth", [&](benchmark::State &state) {
            for (auto _ : state) {
                std::vector<qint64> months;
                results::lineserver::MaintainOptions drop = maintain;
                if (!results::partitions::months(db, months, &error)) {
                    state.SkipWithError(qPrintable(error));
                    break;
                }
                // Every month from the oldest to now but the oldest.
                drop.keepMonths = 0;
                for (qint64 m = months.front(); m <= results::partitions::monthStart(maintain.now);
                     m = results::partitions::monthStart(m, 1))
                    ++drop.keepMonths;
                --drop.keepMonths;
                if (!results::lineserver::maintain(db, drop, &report, &error)) {
                    state.SkipWithError(qPrintable(error));
                    break;
                }
            }
            std::fprintf(stderr, "%s", qPrintable(report));
        })->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
