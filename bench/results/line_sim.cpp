// A line simulated on one machine: N station processes, each with its own
// results store and its own login role (as "kavel-results server
// add-station" makes it), file a run every second for a while and send it to
// one PostgreSQL server, set up as "server init" sets a line's up, which is
// restarted once in the middle. At the end the
// server must hold every filed run exactly once; the delay from filing to the
// server is reported as percentiles, outside the restart and overall.
//
//   ./line_sim [--stations 20] [--seconds 300]
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

int line(int stations, int seconds)
{
    PgServer::Options options;
    options.maxConnections = stations + 10;
    PgServer server(options);
    if (!server.start() || !server.createDatabase(QStringLiteral("line"))) {
        std::fprintf(stderr, "line_sim: no server: %s\n", qPrintable(server.errorString()));
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
            connections << server.connectionString(QStringLiteral("line"), role, password);
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
    // The server goes away in the middle of the shift and comes back.
    QThread::msleep(static_cast<unsigned long>(seconds) * 500);
    const qint64 restartFrom = QDateTime::currentMSecsSinceEpoch();
    if (!server.restart()) {
        std::fprintf(stderr, "line_sim: restart failed: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    const qint64 restartTo = QDateTime::currentMSecsSinceEpoch();
    for (auto &child : children)
        child->waitForFinished(qint64(seconds) * 1000 + 120000);

    std::vector<qint64> all;
    std::vector<qint64> outside;
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
        }
    }

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("check"));
    server.configure(db, QStringLiteral("line"));
    int onServer = -1;
    int distinct = -1;
    if (db.open()) {
        QSqlQuery q(db);
        if (q.exec(QStringLiteral("SELECT COUNT(*), COUNT(DISTINCT run_id) FROM runs")) && q.next()) {
            onServer = q.value(0).toInt();
            distinct = q.value(1).toInt();
        }
    }
    std::printf("stations %d, seconds %d, restart %lld ms\n", stations, seconds, restartTo - restartFrom);
    std::printf("filed %d, on the server %d (distinct %d), never acknowledged %d\n", filedRuns, onServer, distinct,
                missing);
    std::printf("delay filing -> server, outside the restart (%zu runs): p50 %.0f ms, p99 %.0f ms, max %.0f ms\n",
                outside.size(), percentile(outside, 50), percentile(outside, 99), percentile(outside, 100));
    std::printf("delay filing -> server, all runs (%zu): p50 %.0f ms, p99 %.0f ms, max %.0f ms\n", all.size(),
                percentile(all, 50), percentile(all, 99), percentile(all, 100));
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
    int stations = 20;
    int seconds = 300;
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--stations"))
            stations = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--seconds"))
            seconds = args[i + 1].toInt();
    }
    return line(std::max(stations, 1), std::max(seconds, 2));
}
