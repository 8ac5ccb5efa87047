// What a standby costs each run: one record_run() call, the run of a 30×20
// result file as the uploader sends it, on a line's server that runs as a
// line's would (fsync, full-page writes, synchronous_commit on): alone, with
// an asynchronous standby, and with a synchronous one, whose copy on disk
// every commit waits for. One station calling, and eight at once (the runs
// take their arrival numbers one after another, under one lock held to the
// commit's end).
//
//   ./bench_standby [benchmark flags]
#include "lineserver.h"
#include "linesettings.h"
#include "resultreader.h"
#include "resultstore.h"
#include "runrows.h"

#include "pgserver.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>

#include <atomic>
#include <cstdio>
#include <memory>

namespace {

constexpr char Template[] = KAVEL_SOURCE_DIR "/tests/data/tools/run-pass-30x20.csv";
constexpr int Stations = 8;

struct LineServers
{
    std::unique_ptr<PgServer> primary;
    std::unique_ptr<PgServer> standby;
    QStringList stations; // a connection string per station role
};

enum class Standby { None, Asynchronous, Synchronous };

bool setUp(Standby kind, LineServers &line, QString *error)
{
    PgServer::Options options;
    options.durable = true;
    options.maxConnections = Stations + 10;
    const PgServer::Options copy = options;
    if (kind == Standby::Synchronous)
        options.synchronousStandby = QStringLiteral("kavel_standby");
    line.primary = std::make_unique<PgServer>(options);
    PgServer &primary = *line.primary;
    if (!primary.start()) {
        *error = primary.errorString();
        return false;
    }
    if (kind != Standby::None) {
        line.standby = std::make_unique<PgServer>(copy);
        if (!line.standby->startCopyOf(primary, QStringLiteral("kavel_standby"))) {
            *error = line.standby->errorString();
            return false;
        }
    }
    if (!primary.createDatabase(QStringLiteral("line"))) {
        *error = primary.errorString();
        return false;
    }
    const QString name = QStringLiteral("admin");
    bool ok = false;
    {
        QSqlDatabase admin = results::addLineDatabase(primary.connectionString(QStringLiteral("line")), name);
        ok = admin.open() && results::lineserver::init(admin, nullptr, error);
        for (int i = 0; ok && i < Stations; ++i) {
            const QString role = QStringLiteral("b%1").arg(i);
            ok = results::lineserver::addStation(admin, QStringLiteral("B%1").arg(i), role, nullptr, error)
                 && primary.setPassword(role, QStringLiteral("pw-") + role);
            line.stations << primary.connectionString(QStringLiteral("line"), role, QStringLiteral("pw-") + role);
        }
        if (!ok && error->isEmpty())
            *error = admin.lastError().text() + primary.errorString();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

// A run of station B<index> as the uploader sends it, under a file name of its own.
QString payload(const QByteArray &content, const results::ResultRecord &parsed, int index, qint64 n)
{
    results::RunContext context;
    context.runId = results::newRunId();
    context.station = QStringLiteral("B%1").arg(index);
    context.barcode = QStringLiteral("SN%1").arg(n);
    context.startMode = QStringLiteral("Barcode");
    context.verdict = QStringLiteral("PASS");
    context.startedAt = context.endedAt = QDateTime::currentDateTime();
    context.path = QStringLiteral("/station/resultsPASS/SN%1-%2.csv").arg(n).arg(context.runId);
    return results::linePayload(results::runRows(context, content, results::contentHash(content), parsed));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    QFile file(QString::fromLatin1(Template));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "bench_standby: cannot read %s\n", Template);
        return 1;
    }
    const QByteArray content = file.readAll();
    results::ResultRecord parsed;
    results::readResult(std::string_view(content.constData(), std::size_t(content.size())), parsed);

    LineServers lines[3];
    const std::pair<Standby, const char *> kinds[] = {{Standby::None, "alone"},
                                                      {Standby::Asynchronous, "asynchronous standby"},
                                                      {Standby::Synchronous, "synchronous standby"}};
    std::atomic<qint64> serial{0};
    for (int k = 0; k < 3; ++k) {
        QString error;
        if (!setUp(kinds[k].first, lines[k], &error)) {
            std::fprintf(stderr, "bench_standby: no line %s: %s\n", kinds[k].second, qPrintable(error));
            return 1;
        }
        LineServers &line = lines[k];
        benchmark::RegisterBenchmark(
            (QStringLiteral("RecordRun/") + QLatin1String(kinds[k].second)).toUtf8().constData(),
            [&line, &content, &parsed, &serial, k](benchmark::State &state) {
                const int index = state.thread_index();
                const QString name = QStringLiteral("bench %1 %2").arg(k).arg(index);
                {
                    QSqlDatabase db = results::addLineDatabase(line.stations.at(index), name);
                    if (!db.open()) {
                        state.SkipWithError(qPrintable(db.lastError().text()));
                    } else {
                        QSqlQuery record(db);
                        record.prepare(results::lineserver::recordRunSql());
                        for (auto _ : state) {
                            state.PauseTiming();
                            record.addBindValue(payload(content, parsed, index, ++serial));
                            state.ResumeTiming();
                            if (!record.exec() || !record.next() || record.value(0).toString() != QLatin1String("added")) {
                                state.SkipWithError(qPrintable(record.lastError().text()));
                                break;
                            }
                            record.finish();
                        }
                    }
                    db.close();
                }
                QSqlDatabase::removeDatabase(name);
                state.SetItemsProcessed(state.iterations());
            })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Threads(1)
            ->Threads(Stations);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
