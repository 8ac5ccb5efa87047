// A line simulated on one machine: N station processes, each with its own
// results store and its own login role (as "kavel-results server
// add-station" makes it), file a run every second for a while and send it to
// one PostgreSQL server, set up as "server init" sets a line's up, which is
// restarted once in the middle. At the end the
// server must hold every filed run exactly once; the delay from filing to the
// server is reported as percentiles, outside the restart and overall.
//
// With --failover the line's server has a hot standby (pg_basebackup -R,
// streaming; --standby sync: every commit waits for the standby's copy), the
// stations name both in one connection string (target_session_attrs=
// read-write), and instead of the restart the primary is stopped hard and
// the standby promoted: then the new primary must hold every filed run once.
// --durable runs the servers as a line's would (fsync, full-page writes);
// --backup times a base backup and a dump of the schema at the end.
//
//   ./line_sim [--stations 20] [--seconds 300] [--failover] [--standby sync|async]
//              [--durable] [--backup]
//
// Each station is this program again ("station" mode) with the station's own
// recorder and uploader threads, as in the station, but no window.
#include "lineserver.h"
#include "lineuploader.h"
#include "resultrecorder.h"
#include "resultstore.h"

#include "pgserver.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr char Template[] = KAVEL_SOURCE_DIR "/tests/data/tools/run-pass-30x20.csv";

// Station mode: files a run every second for `seconds`, waits for the outbox
// to empty (at most a minute), and writes "runId filedMs uploadedMs" lines.
int station(const QString &folder, const QString &connection, const QString &id, int seconds, const QString &out)
{
    QDir().mkpath(folder + QStringLiteral("/resultsPASS"));
    results::ResultRecorder recorder(folder + QStringLiteral("/results.db"));
    results::LineUploader uploader(folder + QStringLiteral("/results.db"), connection, id,
                                   QStringLiteral("machine of ") + id);
    QObject::connect(&recorder, &results::ResultRecorder::recorded, &uploader, &results::LineUploader::kick);

    QHash<QString, qint64> filed;
    QHash<QString, qint64> uploaded;
    QObject::connect(&uploader, &results::LineUploader::uploaded, [&uploaded](const QString &runId) {
        if (!uploaded.contains(runId))
            uploaded.insert(runId, QDateTime::currentMSecsSinceEpoch());
    });
    QFile templateFile(QString::fromLatin1(Template));
    if (!templateFile.open(QIODevice::ReadOnly))
        return 1;
    const QByteArray sha1 = results::contentHash(templateFile.readAll());
    int n = 0;
    QTimer file;
    file.setInterval(1000);
    QObject::connect(&file, &QTimer::timeout, [&] {
        const QString name = QStringLiteral("%1/resultsPASS/%2-%3.csv").arg(folder, id).arg(n++, 5, 10, QLatin1Char('0'));
        QFile::copy(QString::fromLatin1(Template), name);
        results::RunContext context;
        context.runId = results::newRunId();
        context.station = id;
        context.startMode = QStringLiteral("Barcode");
        context.barcode = QFileInfo(name).completeBaseName();
        context.startedAt = context.endedAt = QDateTime::currentDateTime();
        context.verdict = QStringLiteral("PASS");
        context.path = QFileInfo(name).absoluteFilePath();
        // The store records a filed run under the id its file gives.
        filed.insert(results::fileRunId(id, QFileInfo(name).fileName(), sha1), QDateTime::currentMSecsSinceEpoch());
        recorder.record(context);
    });
    file.start();
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < qint64(seconds) * 1000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    file.stop();
    clock.restart();
    while (uploaded.size() < filed.size() && clock.elapsed() < 60000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);

    QFile result(out);
    if (!result.open(QIODevice::WriteOnly))
        return 1;
    QTextStream text(&result);
    for (auto it = filed.cbegin(); it != filed.cend(); ++it)
        text << it.key() << ' ' << it.value() << ' ' << uploaded.value(it.key(), -1) << '\n';
    return 0;
}

double percentile(std::vector<qint64> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t at = std::min(values.size() - 1, std::size_t(p / 100.0 * double(values.size())));
    return double(values[at]);
}

struct Line
{
    int stations = 20;
    int seconds = 300;
    bool failover = false;
    bool synchronous = true;
    bool durable = false;
    bool backup = false;
};

// What a base backup (tar with its WAL, plain and compressed) and a dump of
// the schema and of the line's database take, and what they weigh.
void timeBackups(PgServer &server)
{
    QTemporaryDir into;
    const QString size = server.queryValue(QStringLiteral("SELECT pg_database_size('line')"));
    QElapsedTimer clock;
    clock.start();
    QString output;
    qint64 baseMs[2] = {0, 0};
    qint64 baseBytes[2] = {0, 0};
    bool base = true;
    for (int gzip = 0; gzip < 2 && base; ++gzip) {
        const QString folder = into.filePath(QStringLiteral("base%1").arg(gzip));
        QStringList args{QStringLiteral("-D"), folder, QStringLiteral("-Ft"), QStringLiteral("-X"),
                         QStringLiteral("stream"), QStringLiteral("-c"), QStringLiteral("fast")};
        if (gzip)
            args << QStringLiteral("-z");
        clock.restart();
        base = server.runClientTool(QStringLiteral("pg_basebackup"), args, QStringLiteral("postgres"), 600, &output);
        baseMs[gzip] = clock.elapsed();
        for (const QFileInfo &f : QDir(folder).entryInfoList(QDir::Files))
            baseBytes[gzip] += f.size();
    }
    clock.restart();
    const bool schema = server.runClientTool(QStringLiteral("pg_dump"),
                                             {QStringLiteral("--schema-only"), QStringLiteral("-f"),
                                              into.filePath(QStringLiteral("schema.sql"))},
                                             QStringLiteral("line"), 600, &output);
    const qint64 schemaMs = clock.restart();
    const bool data = server.runClientTool(QStringLiteral("pg_dump"),
                                           {QStringLiteral("-Fc"), QStringLiteral("-f"),
                                            into.filePath(QStringLiteral("line.dump"))},
                                           QStringLiteral("line"), 600, &output);
    const qint64 dataMs = clock.restart();
    if (!base || !schema || !data) {
        std::printf("backup failed: %s\n", qPrintable(output));
        return;
    }
    std::printf("database 'line' %.1f MB; pg_basebackup -Ft -X stream: %lld ms, %.1f MB; with -z: %lld ms, %.1f MB;"
                " pg_dump --schema-only: %lld ms, %lld kB; pg_dump -Fc: %lld ms, %.1f MB\n",
                size.toDouble() / 1e6, static_cast<long long>(baseMs[0]), double(baseBytes[0]) / 1e6,
                static_cast<long long>(baseMs[1]), double(baseBytes[1]) / 1e6,
                static_cast<long long>(schemaMs),
                static_cast<long long>(QFileInfo(into.filePath(QStringLiteral("schema.sql"))).size() / 1024),
                static_cast<long long>(dataMs),
                double(QFileInfo(into.filePath(QStringLiteral("line.dump"))).size()) / 1e6);
}

int line(const Line &sim)
{
    const int stations = sim.stations;
    const int seconds = sim.seconds;
    PgServer::Options options;
    options.maxConnections = stations + 10;
    options.durable = sim.durable;
    // The standby's settings: once promoted it waits for no standby of its own.
    PgServer::Options standbyOptions = options;
    if (sim.failover && sim.synchronous)
        options.synchronousStandby = QStringLiteral("kavel_standby");
    PgServer server(options);
    PgServer standby(standbyOptions);
    if (!server.start() || (sim.failover && !standby.startCopyOf(server, QStringLiteral("kavel_standby")))
        || !server.createDatabase(QStringLiteral("line"))) {
        std::fprintf(stderr, "line_sim: no server: %s %s\n", qPrintable(server.errorString()),
                     qPrintable(standby.errorString()));
        return 1;
    }
    // The line as its administrator sets it up: the schema, then a role of
    // its own for each station.
    QStringList connections;
    {
        QSqlDatabase admin = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("admin"));
        server.configure(admin, QStringLiteral("line"));
        QString error;
        bool ok = admin.open() && results::lineserver::init(admin, nullptr, &error);
        for (int i = 0; ok && i < stations; ++i) {
            const QString role = QStringLiteral("st%1").arg(i, 2, 10, QLatin1Char('0'));
            const QString password = QStringLiteral("pw-") + role;
            ok = results::lineserver::addStation(admin, QStringLiteral("ST-%1").arg(i, 2, 10, QLatin1Char('0')), role,
                                                 nullptr, &error)
                 && server.setPassword(role, password);
            connections << (sim.failover ? PgServer::connectionString({&server, &standby}, QStringLiteral("line"), role,
                                                                      password, QStringLiteral("read-write"))
                                         : server.connectionString(QStringLiteral("line"), role, password));
        }
        admin.close();
        if (!ok) {
            std::fprintf(stderr, "line_sim: no line set up: %s %s\n", qPrintable(error),
                         qPrintable(server.errorString()));
            return 1;
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("admin"));
    QTemporaryDir work;
    std::vector<std::unique_ptr<QProcess>> children;
    for (int i = 0; i < stations; ++i) {
        auto child = std::make_unique<QProcess>();
        child->setProcessChannelMode(QProcess::ForwardedChannels);
        child->start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("station"), work.filePath(QStringLiteral("st%1").arg(i)), connections.at(i),
                      QStringLiteral("ST-%1").arg(i, 2, 10, QLatin1Char('0')), QString::number(seconds),
                      work.filePath(QStringLiteral("st%1.txt").arg(i))});
        children.push_back(std::move(child));
    }
    // The server goes away in the middle of the shift and comes back, or is
    // lost for good and its standby takes its place.
    QThread::msleep(static_cast<unsigned long>(seconds) * 500);
    const qint64 restartFrom = QDateTime::currentMSecsSinceEpoch();
    PgServer &after = sim.failover ? standby : server;
    if (sim.failover ? !(server.stopHard() && standby.promote()) : !server.restart()) {
        std::fprintf(stderr, "line_sim: %s failed: %s %s\n", sim.failover ? "failover" : "restart",
                     qPrintable(server.errorString()), qPrintable(standby.errorString()));
        return 1;
    }
    const qint64 restartTo = QDateTime::currentMSecsSinceEpoch();
    for (auto &child : children)
        child->waitForFinished(qint64(seconds) * 1000 + 120000);

    std::vector<qint64> all;
    std::vector<qint64> outside;
    std::vector<qint64> across;
    int filedRuns = 0;
    int missing = 0;
    for (int i = 0; i < stations; ++i) {
        QFile f(work.filePath(QStringLiteral("st%1.txt").arg(i)));
        if (!f.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "line_sim: station %d reported nothing\n", i);
            return 1;
        }
        while (!f.atEnd()) {
            const QList<QByteArray> fields = f.readLine().trimmed().split(' ');
            if (fields.size() != 3)
                continue;
            ++filedRuns;
            const qint64 at = fields[1].toLongLong();
            const qint64 up = fields[2].toLongLong();
            if (up < 0) {
                ++missing;
                continue;
            }
            all.push_back(up - at);
            // Runs whose way to the server crossed the restart are the restart's.
            if (up < restartFrom || at > restartTo + 1000)
                outside.push_back(up - at);
            else
                across.push_back(up - at);
        }
    }

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("check"));
    after.configure(db, QStringLiteral("line"));
    int onServer = -1;
    int distinct = -1;
    if (db.open()) {
        QSqlQuery q(db);
        if (q.exec(QStringLiteral("SELECT COUNT(*), COUNT(DISTINCT run_id) FROM runs")) && q.next()) {
            onServer = q.value(0).toInt();
            distinct = q.value(1).toInt();
        }
    }
    const char *const event = sim.failover ? "failover" : "restart";
    std::printf("stations %d, seconds %d, %s%s %lld ms\n", stations, seconds,
                !sim.failover      ? ""
                : sim.synchronous ? "synchronous standby, "
                                  : "asynchronous standby, ",
                event, restartTo - restartFrom);
    std::printf("filed %d, on the %s %d (distinct %d), never acknowledged %d\n", filedRuns,
                sim.failover ? "new primary" : "server", onServer, distinct, missing);
    std::printf("delay filing -> server, outside the %s (%zu runs): p50 %.0f ms, p99 %.0f ms, max %.0f ms\n", event,
                outside.size(), percentile(outside, 50), percentile(outside, 99), percentile(outside, 100));
    std::printf("delay filing -> server, across the %s (%zu runs): p50 %.0f ms, p99 %.0f ms, max %.0f ms\n", event,
                across.size(), percentile(across, 50), percentile(across, 99), percentile(across, 100));
    std::printf("delay filing -> server, all runs (%zu): p50 %.0f ms, p99 %.0f ms, max %.0f ms\n", all.size(),
                percentile(all, 50), percentile(all, 99), percentile(all, 100));
    if (sim.backup)
        timeBackups(after);
    const bool ok = onServer == filedRuns && distinct == filedRuns && missing == 0;
    std::printf("%s\n", ok ? "no run lost or duplicated" : "RUNS LOST OR DUPLICATED");
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.value(1) == QLatin1String("station") && args.size() == 7)
        return station(args[2], args[3], args[4], args[5].toInt(), args[6]);
    Line sim;
    for (int i = 1; i < args.size(); ++i) {
        const QString next = args.value(i + 1);
        if (args[i] == QLatin1String("--stations"))
            sim.stations = std::max(next.toInt(), 1), ++i;
        else if (args[i] == QLatin1String("--seconds"))
            sim.seconds = std::max(next.toInt(), 2), ++i;
        else if (args[i] == QLatin1String("--standby"))
            sim.synchronous = next != QLatin1String("async"), ++i;
        else if (args[i] == QLatin1String("--failover"))
            sim.failover = true;
        else if (args[i] == QLatin1String("--durable"))
            sim.durable = true;
        else if (args[i] == QLatin1String("--backup"))
            sim.backup = true;
    }
    return line(sim);
}
