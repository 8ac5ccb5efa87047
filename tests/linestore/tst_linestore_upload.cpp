// The station's uploader against a real PostgreSQL server set up as a line's
// administrator sets it up ("kavel-results server init", a login role per
// station): every run arrives once, oldest first, whatever the server
// refuses or however it goes away, and the roles may do what they must and
// nothing else.
#include "lineserver.h"
#include "linesettings.h"
#include "capability.h"
#include "lineuploader.h"
#include "resultstore.h"

#include "oldschemas.h"
#include "pgserver.h"
#include "resultdata.h"
#include "yieldcheck.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QSqlError>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <thread>

using namespace results;

namespace {

bool writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(content) == content.size();
}

// Records n filed runs (barcodes SN<first>..) in the store at path.
bool recordRuns(const QString &folder, const QString &path, int first, int n,
                const QString &station = QStringLiteral("ST1"), const QString &at = QStringLiteral("20261206094107"),
                const QByteArray &content = stationResultFile(QStringLiteral("run-fail-30x20.csv")))
{
    ResultStore store;
    if (!store.openLocal(path, nullptr))
        return false;
    for (int i = first; i < first + n; ++i) {
        const QString filed =
            QStringLiteral("%1/SN%2-%3-00-00-Fail.csv").arg(folder).arg(i, 3, 10, QLatin1Char('0')).arg(at);
        if (!writeFile(filed, content) || store.record(contextFromFile(filed, station), nullptr) != Recorded::Added)
            return false;
    }
    return true;
}

struct Tool
{
    int exitCode = -1;
    QString out;
    QString err;
};

Tool runTool(const QString &workingDir, const QStringList &arguments)
{
    QProcess p;
    p.setWorkingDirectory(workingDir);
    p.start(QStringLiteral(KAVEL_RESULTS_TOOL), arguments);
    Tool t;
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        return t;
    t.exitCode = p.exitCode();
    t.out = QString::fromUtf8(p.readAllStandardOutput());
    t.err = QString::fromUtf8(p.readAllStandardError());
    return t;
}

// A connection to the server that closes and goes when the test leaves it.
struct Connection
{
    Connection(const QString &name, const QString &conninfo) : name(name)
    {
        db = addLineDatabase(conninfo, name);
        db.open();
    }
    ~Connection()
    {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
    }
    QVariant scalar(const QString &sql, const QVariantList &bound = {})
    {
        QSqlQuery q(db);
        q.prepare(sql);
        for (const QVariant &v : bound)
            q.addBindValue(v);
        return q.exec() && q.next() ? q.value(0) : QVariant();
    }
    QString name;
    QSqlDatabase db;
};

} // namespace

class TestLinestoreUpload : public QObject
{
    Q_OBJECT

    std::unique_ptr<PgServer> m_server;
    int m_databases = 0;

    // A database of its own on the shared server, set up as the README does:
    // "kavel-results --connection ADMIN server init". Its name in name.
    QString freshLine(QString &name, bool init = true)
    {
        name = QStringLiteral("line%1").arg(++m_databases);
        if (!m_server->createDatabase(name))
            return m_server->errorString();
        if (!init)
            return QString();
        const Tool t = runTool(QDir::tempPath(), {"--connection", m_server->connectionString(name), "server", "init"});
        return t.exitCode == 0 ? QString() : t.err;
    }

    // "server add-station" and a password set as the README says; the
    // station's connection string.
    QString stationRole(const QString &database, const QString &station, const QString &role)
    {
        const Tool t = runTool(QDir::tempPath(), {"--connection", m_server->connectionString(database), "server",
                                                  "add-station", station, "--role", role});
        if (t.exitCode != 0 || !m_server->setPassword(role, QStringLiteral("pw-") + role))
            return QString();
        return m_server->connectionString(database, role, QStringLiteral("pw-") + role);
    }

    // A station's working folder: line.ini (its role's connection and id)
    // and its store.
    static bool stationFolder(const QString &folder, const QString &connection, const QString &station)
    {
        return writeFile(folder + "/line.ini", "[line]\nconnection=\"" + connection.toUtf8() + "\"\n[station]\nid="
                                                   + station.toUtf8() + "\n")
               && QFile::setPermissions(folder + "/line.ini", QFile::ReadOwner | QFile::WriteOwner);
    }

private slots:
    void initTestCase()
    {
        if (!PgServer::available())
            QSKIP("PostgreSQL 15 is not installed");
        m_server = std::make_unique<PgServer>();
        QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));
    }

    void cleanupTestCase()
    {
        m_standby.reset();
        m_tlsServer.reset();
        m_server.reset();
    }

    // The server away at the start, back, restarted: every run arrives once,
    // and the back-off doubles while it is away and starts at its first step
    // again after an attempt that reached it.
    void serverAwayThenBack()
    {
        PgServer server;
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QVERIFY(server.createDatabase(QStringLiteral("line")));
        {
            QSqlDatabase admin = QSqlDatabase::addDatabase("QPSQL", "admin");
            server.configure(admin, "line");
            QString error;
            QVERIFY2(admin.open() && lineserver::init(admin, nullptr, &error)
                         && lineserver::addStation(admin, "ST1", "st1", nullptr, &error),
                     qPrintable(error));
            admin.close();
        }
        QSqlDatabase::removeDatabase("admin");
        QVERIFY(server.setPassword("st1", "pw1"));
        QVERIFY(server.stop());
        QTemporaryDir dir;
        const QString local = dir.filePath(QStringLiteral("results.db"));
        QVERIFY(recordRuns(dir.path(), local, 0, 50));
        // Queued within the same millisecond, as a fast machine queues them:
        // still sent in the order they were queued.
        {
            ResultStore store;
            QVERIFY(store.openLocal(local, nullptr));
            QVERIFY(QSqlQuery(store.database()).exec("UPDATE outbox SET queued_at = 1"));
        }

        LineUploader uploader(local, server.connectionString("line", "st1", "pw1"), "ST1", "machine 1");
        QSignalSpy states(&uploader, &LineUploader::stateChanged);
        QSignalSpy uploaded(&uploader, &LineUploader::uploaded);
        QTRY_VERIFY(!states.isEmpty());
        const auto away = states.constLast().at(0).value<LineUploader::State>();
        QVERIFY(!away.connected);
        QCOMPARE(away.waiting, 50);
        QCOMPARE(away.retryMs, 1000);
        QVERIFY2(LineUploader::describe(away).startsWith("line store: 50 waiting"), qPrintable(LineUploader::describe(away)));
        QCOMPARE(uploader.syncNow().retryMs, 2000);
        QCOMPARE(uploader.syncNow().retryMs, 4000);

        // Back: all fifty arrive, once, oldest first.
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QTRY_COMPARE_WITH_TIMEOUT(uploaded.count(), 50, 20000);
        QCOMPARE(uploaded.first().at(0).toString(),
                 fileRunId("ST1", "SN000-20261206094107-00-00-Fail.csv",
                           contentHash(stationResultFile("run-fail-30x20.csv"))));
        QTRY_COMPARE(LineUploader::describe(uploader.syncNow()), QString("line store: connected"));

        // Away again: the back-off starts at its first step.
        states.clear();
        QVERIFY(server.stop());
        QTRY_VERIFY(!states.isEmpty() && !states.constLast().at(0).value<LineUploader::State>().connected);
        for (const QList<QVariant> &state : states) {
            const auto s = state.at(0).value<LineUploader::State>();
            if (!s.connected) {
                QCOMPARE(s.retryMs, 1000);
                break;
            }
        }

        // Runs recorded meanwhile: sent once it is back, nothing twice.
        QVERIFY(server.start());
        QVERIFY(recordRuns(dir.path(), local, 50, 5));
        uploader.kick();
        QTRY_COMPARE_WITH_TIMEOUT(uploaded.count(), 55, 20000);
        // An attempt whose acknowledgement was lost sends the run again; the
        // server keeps it once.
        {
            ResultStore store;
            QVERIFY(store.openLocal(local, nullptr));
            QVERIFY(QSqlQuery(store.database()).exec("INSERT INTO outbox (run_id, queued_at) SELECT run_id, 0 FROM runs"));
        }
        QCOMPARE(uploader.syncNow().waiting, 0);

        Connection check("check", server.connectionString("line"));
        QSqlQuery q(check.db);
        QVERIFY(q.exec("SELECT COUNT(*), COUNT(DISTINCT run_id), COUNT(DISTINCT received_seq) FROM runs") && q.next());
        QCOMPARE(q.value(0).toInt(), 55);
        QCOMPARE(q.value(1).toInt(), 55);
        QCOMPARE(q.value(2).toInt(), 55);
        QVERIFY(q.exec("SELECT COUNT(*) FROM failing_electrodes") && q.next());
        QCOMPARE(q.value(0).toInt(), 55 * 3);
        // The open/short levels travel with the run (the drift chart reads them on the line).
        QVERIFY(q.exec("SELECT COUNT(open_short_x), COUNT(open_short_y), COUNT(received_at) FROM runs") && q.next());
        QCOMPARE(q.value(0).toInt(), 55);
        QCOMPARE(q.value(1).toInt(), 55);
        QCOMPARE(q.value(2).toInt(), 55);
        q.finish();

        // Runs judged under one profile and baseline, one of them after a
        // firmware download: each text is kept once and travels with the
        // first run of a connection alone; a text the server lost meanwhile
        // goes again with the next run that names it.
        QVERIFY2(server.execSql("CREATE TABLE text_arrivals (sha1 text); GRANT INSERT ON text_arrivals TO kavel_owner;"
                                " CREATE FUNCTION count_text() RETURNS trigger LANGUAGE plpgsql AS $$BEGIN"
                                " INSERT INTO public.text_arrivals VALUES (NEW.sha1); RETURN NEW; END$$;"
                                " CREATE TRIGGER text_arrivals BEFORE INSERT ON texts FOR EACH ROW"
                                " EXECUTE FUNCTION count_text()",
                                "line"),
                 qPrintable(server.errorString()));
        const auto judged = [&](int n, const QByteArray &firmware) {
            ResultStore store;
            const QString filed = dir.filePath(QStringLiteral("SN%1-20261207080000-00-00-Fail.csv").arg(n));
            RunContext c = contextFromFile(filed, "ST1");
            c.profile = "p.ini";
            c.profileText = "[General]\nqvd=MTIzNDU2\nElectric_thr=20.0\n";
            c.baselineText = "Debug:\n1,\n";
            c.firmwareText = firmware;
            c.softwareVersion = "3.1+gtest";
            return writeFile(filed, stationResultFile("run-fail-30x20.csv")) && store.openLocal(local, nullptr)
                   && store.record(c, nullptr) == Recorded::Added;
        };
        const auto arrivals = [&] { return check.scalar("SELECT COUNT(*) FROM text_arrivals").toInt(); };
        QVERIFY(judged(60, QByteArray()));
        QCOMPARE(uploader.syncNow().waiting, 0);
        QCOMPARE(arrivals(), 2);
        QVERIFY(judged(61, "$00AB\n") && judged(62, QByteArray()));
        QCOMPARE(uploader.syncNow().waiting, 0);
        QCOMPARE(arrivals(), 3); // the firmware alone
        QCOMPARE(check.scalar("SELECT COUNT(*) FROM texts").toInt(), 3);
        QCOMPARE(check.scalar("SELECT COUNT(*) FROM runs r JOIN texts p ON p.sha1 = r.profile_sha1"
                              " JOIN texts b ON b.sha1 = r.baseline_sha1 WHERE p.kind = 'profile'"
                              " AND b.kind = 'baseline' AND r.software_version = '3.1+gtest'")
                     .toInt(),
                 3);
        QCOMPARE(check.scalar("SELECT COUNT(*) FROM runs r JOIN texts f ON f.sha1 = r.firmware_sha1"
                              " WHERE f.content = '\\x24303041420a'::bytea")
                     .toInt(),
                 1);
        // The password did not travel.
        QCOMPARE(check.scalar("SELECT COUNT(*) FROM texts WHERE position('qvd' IN convert_from(content, 'UTF8')) > 0")
                     .toInt(),
                 0);
        QCOMPARE(check.scalar("SELECT COUNT(*) FROM profile_versions WHERE profile = 'p.ini' AND station = 'ST1'").toInt(),
                 1);
        QVERIFY(check.scalar("DELETE FROM texts WHERE kind = 'baseline' RETURNING 1").isValid());
        QVERIFY(judged(63, QByteArray()));
        QCOMPARE(uploader.syncNow().waiting, 0);
        QCOMPARE(uploader.syncNow().refused, 0);
        QCOMPARE(check.scalar("SELECT COUNT(*) FROM texts WHERE kind = 'baseline'").toInt(), 1);
        QCOMPARE(check.scalar("SELECT COUNT(*) FROM runs WHERE software_version = '3.1+gtest'").toInt(), 4);

        // The measurements went a row each, made from the station's packed
        // rows and its profile versions' limits: the line answers a
        // capability as the station does (its runs without a profile, and
        // the four judged against Electric_thr).
        ResultStore store;
        QVERIFY(store.openLocal(local, nullptr));
        for (const char *item : {"Electric", "OpenShort", "BtnData"}) {
            std::vector<queries::Capability> here, there;
            QString error;
            QVERIFY2(queries::capability(store.database(), item, {}, here, &error), qPrintable(error));
            QVERIFY2(queries::capability(check.db, item, {}, there, &error), qPrintable(error));
            const auto rows = [](const std::vector<queries::Capability> &found) {
                QStringList out;
                for (const queries::Capability &c : found)
                    out << QStringLiteral("%1 %2/%3 %4 %5 %6 n=%7 mean=%8 ranges=%9 %10")
                               .arg(c.name)
                               .arg(c.version)
                               .arg(c.versions)
                               .arg(c.limitsKnown)
                               .arg(c.lower.value_or(-1))
                               .arg(c.upper.value_or(-1))
                               .arg(c.count)
                               .arg(c.mean)
                               .arg(c.ranges)
                               .arg(c.meanRange.value_or(-1));
                return out;
            };
            QVERIFY(!here.empty());
            QCOMPARE(rows(there), rows(here));
        }
    }

    // The line's primary lost for good, twice: stations that name both
    // servers go on by themselves with the standby once it is promoted, and
    // no run is lost or kept twice, those acknowledged just before the loss
    // included. First while a station uploads; then, after the old primary is
    // made the new one's standby, while that standby is away too: the
    // primary holds the commits it cannot copy, the station keeps those runs,
    // says that the server does not answer, and closes without waiting.
    // Readers read from the standby, while the primary is lost too.
    void failoverToStandby()
    {
        PgServer::Options synchronous;
        synchronous.synchronousStandby = QStringLiteral("kavel_standby");
        PgServer first(synchronous);
        PgServer second;
        // The standby first: the primary commits nothing without it.
        QVERIFY2(first.start(), qPrintable(first.errorString()));
        QVERIFY2(second.startCopyOf(first, "kavel_standby"), qPrintable(second.errorString()));
        QVERIFY2(first.createDatabase("line"), qPrintable(first.errorString()));
        {
            Connection admin("admin", first.connectionString("line"));
            QString error;
            QVERIFY2(lineserver::init(admin.db, nullptr, &error)
                         && lineserver::addStation(admin.db, "SF", "sf", nullptr, &error)
                         && lineserver::addReader(admin.db, "sf_reader", nullptr, &error),
                     qPrintable(error));
        }
        QVERIFY(first.setPassword("sf", "pw-sf") && first.setPassword("sf_reader", "pw-r"));
        QCOMPARE(first.queryValue("SELECT sync_state FROM pg_stat_replication"), QStringLiteral("sync"));

        QTemporaryDir dir;
        const QString local = dir.filePath("results.db");
        // line.ini naming both servers: the station's connection.
        const auto lineFile = [&dir](const PgServer &a, const PgServer &b) {
            const QString writer = PgServer::connectionString({&a, &b}, "line", "sf", "pw-sf", "read-write");
            const QString reader = PgServer::connectionString({&a, &b}, "line", "sf_reader", "pw-r", "prefer-standby");
            return writeFile(dir.filePath("line.ini"), "[line]\nconnection=\"" + writer.toUtf8() + "\"\nreader=\""
                                                           + reader.toUtf8() + "\"\n[station]\nid=SF\n")
                       ? writer
                       : QString();
        };
        const QString connection = lineFile(first, second);
        const auto outbox = [&local] {
            ResultStore store;
            if (!store.openLocal(local, nullptr))
                return -1;
            QSqlQuery q(store.database());
            return q.exec("SELECT COUNT(*) FROM outbox") && q.next() ? q.value(0).toInt() : -1;
        };
        const auto onServer = [](PgServer &server) {
            return server.queryValue("SELECT COUNT(*) || ' ' || COUNT(DISTINCT run_id) || ' ' || COUNT(DISTINCT received_seq)"
                                     " FROM runs",
                                     "line");
        };
        const auto readerFinds = [&dir](const QString &barcode) {
            const Tool t = runTool(dir.path(), {"--line", "find", "--barcode", barcode});
            return t.exitCode == 0 && t.out.contains(barcode);
        };

        // Lost while the station uploads.
        QVERIFY(recordRuns(dir.path(), local, 0, 200, "SF"));
        {
            LineUploader uploader(local, connection, "SF", "machine SF");
            QTRY_VERIFY_WITH_TIMEOUT(outbox() <= 190, 20000);
            QVERIFY2(first.stopHard(), qPrintable(first.errorString()));
            const int acknowledged = 200 - outbox();
            QVERIFY2(acknowledged >= 10 && acknowledged < 200, qPrintable(QString::number(acknowledged)));
            // The lost primary's readers go on with the standby.
            QVERIFY(readerFinds("SN005"));
            QVERIFY2(second.promote(), qPrintable(second.errorString()));
            // Up to 190 runs one after another, each with its measurements: on
            // a loaded machine under the sanitizers that took 55 s.
            QTRY_COMPARE_WITH_TIMEOUT(outbox(), 0, 120000);
        }
        QCOMPARE(onServer(second), QStringLiteral("200 200 200"));
        const QString beforeSecond = second.queryValue("SELECT MAX(received_seq) FROM runs", "line");

        // The old primary rebuilt as the new one's standby, and made synchronous.
        PgServer third;
        QVERIFY2(third.startCopyOf(second, "kavel_standby"), qPrintable(third.errorString()));
        // (A line's server commits with synchronous_commit on, its default; this
        // test's server was started without.)
        QVERIFY(second.execSql("ALTER SYSTEM SET synchronous_standby_names = 'kavel_standby'")
                && second.execSql("ALTER SYSTEM SET synchronous_commit = on")
                && second.queryValue("SELECT pg_reload_conf()") == "t");
        QTRY_COMPARE(second.queryValue("SELECT sync_state FROM pg_stat_replication"), QStringLiteral("sync"));
        // The same two machines as before, in this test two other folders.
        const QString both = lineFile(third, second);

        // The standby away: the station keeps what the primary cannot copy.
        QVERIFY(recordRuns(dir.path(), local, 200, 5, "SF"));
        {
            LineUploader uploader(local, both, "SF", "machine SF");
            QTRY_COMPARE_WITH_TIMEOUT(outbox(), 0, 20000);
        }
        QVERIFY2(third.caughtUp(second), qPrintable(third.errorString()));
        QVERIFY(readerFinds("SN204"));
        QVERIFY2(third.stop(), qPrintable(third.errorString()));
        QVERIFY(recordRuns(dir.path(), local, 205, 3, "SF"));
        {
            auto uploader = std::make_unique<LineUploader>(local, both, "SF", "machine SF");
            QSignalSpy states(uploader.get(), &LineUploader::stateChanged);
            const auto silent = [&states] {
                for (const QList<QVariant> &state : states) {
                    const QString line = LineUploader::describe(state.at(0).value<LineUploader::State>());
                    if (line.startsWith("line store: 3 waiting, server not reached: the server has not answered for"))
                        return true;
                }
                return false;
            };
            QTRY_VERIFY_WITH_TIMEOUT(silent(), LineUploader::SilenceMs + 10000);
            QCOMPARE(outbox(), 3);
            // Closing does not wait for the standby: should it, the standby's
            // return after a while ends the wait and the time says so.
            QElapsedTimer clock;
            clock.start();
            std::atomic<bool> done{false};
            std::thread rescue([&third, &done] {
                for (int i = 0; i < 80 && !done; ++i)
                    QThread::msleep(100);
                if (!done)
                    third.start();
            });
            uploader.reset();
            const qint64 closed = clock.elapsed();
            done = true;
            rescue.join();
            QVERIFY2(closed < 5000, qPrintable(QString::number(closed)));
            QCOMPARE(outbox(), 3);
        }
        // The primary lost before its standby is back: what it held waiting never reaches it.
        QVERIFY2(second.stopHard(), qPrintable(second.errorString()));
        QVERIFY2(third.start() && third.promote(), qPrintable(third.errorString()));
        QVERIFY(recordRuns(dir.path(), local, 208, 2, "SF"));
        {
            LineUploader uploader(local, both, "SF", "machine SF");
            QTRY_COMPARE_WITH_TIMEOUT(outbox(), 0, 30000);
        }
        QCOMPARE(onServer(third), QStringLiteral("210 210 210"));
        // An export by arrival number that had read the lost primary misses nothing on the new one.
        QCOMPARE(third.queryValue(QStringLiteral("SELECT COUNT(*) FROM runs WHERE received_seq <= %1 AND barcode >= 'SN200'")
                                      .arg(beforeSecond),
                                  "line"),
                 QStringLiteral("0"));
        QVERIFY(readerFinds("SN209"));
    }

    // The uploading process killed again and again in the middle of its work,
    // then a second station retesting the same panels: every run on the
    // server once and whole, and each panel's first and last run are flagged
    // over both stations.
    void killedMidUploadThenAnotherStation()
    {
        QString database;
        QString error = freshLine(database);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QTemporaryDir dir;
        QVERIFY(stationFolder(dir.path(), stationRole(database, "ST1", "k_st1"), "ST1"));
        const QString first = dir.filePath("results.db"); // the tool's default store
        QVERIFY(recordRuns(dir.path(), first, 0, 200));
        bool interrupted = false;
        for (int kill : {150, 300, 450}) {
            QProcess sync;
            sync.setWorkingDirectory(dir.path());
            sync.start(KAVEL_RESULTS_TOOL, {"sync"});
            QVERIFY(sync.waitForStarted());
            QTest::qWait(kill);
            interrupted |= sync.state() == QProcess::Running;
            sync.kill();
            sync.waitForFinished();
        }
        QVERIFY(interrupted);
        QVERIFY(QDir().mkpath(dir.filePath("st2")));
        const QString second = dir.filePath("st2/results.db");
        QVERIFY(stationFolder(dir.filePath("st2"), stationRole(database, "ST2", "k_st2"), "ST2"));
        QVERIFY(recordRuns(dir.filePath("st2"), second, 100, 150, "ST2", "20261206100000"));
        for (const QString &folder : {dir.path(), dir.filePath("st2")}) {
            const Tool t = runTool(folder, {"sync"});
            QVERIFY2(t.exitCode == 0 && t.out.endsWith("waiting 0\n"), qPrintable(t.out + t.err));
        }

        Connection check("check", m_server->connectionString(database));
        QSqlQuery q(check.db);
        QVERIFY(q.exec("SELECT COUNT(*), COUNT(DISTINCT run_id), SUM(panel_first), SUM(panel_last) FROM runs")
                && q.next());
        QCOMPARE(q.value(0).toInt(), 350);
        QCOMPARE(q.value(1).toInt(), 350);
        QCOMPARE(q.value(2).toInt(), 250); // SN000..SN249
        QCOMPARE(q.value(3).toInt(), 250);
        QVERIFY(q.exec("SELECT COUNT(*) FROM failing_electrodes") && q.next());
        QCOMPARE(q.value(0).toInt(), 350 * 3);
        // Retested on the second station: first at the first, last at the second.
        QVERIFY(q.exec("SELECT station, panel_first, panel_last FROM runs WHERE barcode = 'SN150' ORDER BY station"));
        QStringList flags;
        while (q.next())
            flags << QStringLiteral("%1:%2%3").arg(q.value(0).toString()).arg(q.value(1).toInt()).arg(q.value(2).toInt());
        QCOMPARE(flags, (QStringList{"ST1:10", "ST2:01"}));
        QCOMPARE(yieldRows(check.db, true), yieldRows(check.db, false));
        q.finish();
    }

    // What keeps a station from writing says so in one line at connect, and
    // nothing is written.
    void connectFailsClearly_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("says");
        QTest::newRow("wrong password") << "password" << "password authentication failed";
        QTest::newRow("no schema yet") << "no schema" << "holds no results store yet";
        QTest::newRow("an older schema") << "older" << "has schema 2, this station writes 3";
        QTest::newRow("a newer schema") << "newer" << "schema 4, newer than this station's 3";
        QTest::newRow("a role of another station") << "other station" << "adds the runs of station C2 only, not of C1";
        QTest::newRow("a role in no group") << "no group" << "permission denied for database";
        QTest::newRow("a standby only, writes asked") << "standby read-write" << "session is read-only";
        QTest::newRow("a standby only, nothing asked") << "standby" << "cannot execute INSERT in a read-only transaction";
    }
    void connectFailsClearly()
    {
        QFETCH(QString, fault);
        QFETCH(QString, says);
        QString database;
        QString error = freshLine(database, fault != "no schema");
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QString connection = m_server->connectionString(database);
        if (fault == "password" || fault == "other station" || fault == "older" || fault == "newer")
            connection = stationRole(database, fault == "other station" ? "C2" : "C1", "c_" + database);
        if (fault == "password")
            connection.replace(QRegularExpression("password=\\S+"), "password=wrong");
        if (fault.startsWith("standby")) {
            const QString role = "c_" + database;
            QVERIFY(!stationRole(database, "C1", role).isEmpty());
            if (!m_standby) {
                m_standby = std::make_unique<PgServer>();
                QVERIFY2(m_standby->startCopyOf(*m_server, "tst_standby"), qPrintable(m_standby->errorString()));
            }
            QVERIFY2(m_standby->caughtUp(*m_server), qPrintable(m_standby->errorString()));
            connection = m_standby->connectionString(database, role, "pw-" + role);
            if (fault == "standby read-write")
                connection += " target_session_attrs=read-write";
        }
        if (fault == "no group") {
            QVERIFY(m_server->execSql("CREATE ROLE nobody_" + database + " LOGIN PASSWORD 'pw'"));
            connection = m_server->connectionString(database, "nobody_" + database, "pw");
        }
        if (fault == "older" || fault == "newer")
            QVERIFY(m_server->execSql(QStringLiteral("UPDATE schema_version SET version = %1").arg(fault == "older" ? 2 : 4),
                                      database));
        QTemporaryDir dir;
        QVERIFY(recordRuns(dir.path(), dir.filePath("results.db"), 0, 1, "C1"));
        LineUploader uploader(dir.filePath("results.db"), connection, "C1", "machine");
        const LineUploader::State state = uploader.syncNow();
        QVERIFY(!state.connected);
        QCOMPARE(state.waiting, 1);
        const QString line = LineUploader::describe(state);
        QVERIFY2(line.contains(says) && !line.contains('\n'), qPrintable(line));
        Connection check("check", m_server->connectionString(database));
        QCOMPARE(check.scalar("SELECT COUNT(*) FROM runs").toInt(), 0);
    }

    // A station's role adds its own runs and does nothing else; a reader's
    // reads and writes nothing; a role in neither group does not get in.
    void rolesRefuse_data()
    {
        QTest::addColumn<QString>("who");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("refused"); // empty: allowed
        const QString denied = QStringLiteral("permission denied");
        QTest::newRow("station deletes") << "station" << "DELETE FROM runs" << denied;
        QTest::newRow("station updates") << "station" << "UPDATE runs SET verdict = 'PASS'" << denied;
        QTest::newRow("station inserts") << "station" << "INSERT INTO items (run_id, item, text) VALUES ('x', 'y', '')"
                                         << denied;
        QTest::newRow("station reads runs") << "station" << "SELECT COUNT(*) FROM runs" << denied;
        QTest::newRow("station reads claims") << "station" << "SELECT COUNT(*) FROM stations" << denied;
        QTest::newRow("station creates a table") << "station" << "CREATE TABLE mine (a INTEGER)" << denied;
        QTest::newRow("station creates a temporary table") << "station" << "CREATE TEMP TABLE mine (a INTEGER)"
                                                           << denied;
        QTest::newRow("station drops") << "station" << "DROP TABLE runs" << "must be owner";
        QTest::newRow("station alters") << "station" << "ALTER TABLE runs ADD COLUMN x INTEGER" << "must be owner";
        QTest::newRow("station writes another station's run")
            << "station" << "SELECT record_run(CAST(:foreign AS jsonb))" << "adds the runs of station R1 only, not of R2";
        QTest::newRow("station claims another station") << "station" << "SELECT claim_station('R2', 'm')"
                                                        << "adds the runs of station R1 only";
        QTest::newRow("station calls the check itself") << "station" << "SELECT check_writer('R2')" << denied;
        QTest::newRow("station adds its own run") << "station" << "SELECT record_run(CAST(:own AS jsonb))" << "";
        QTest::newRow("station reads the schema's version") << "station" << "SELECT version FROM schema_version" << "";
        QTest::newRow("station reads the texts") << "station" << "SELECT COUNT(*) FROM texts" << denied;
        QTest::newRow("station adds a text") << "station"
                                             << "INSERT INTO texts (sha1, kind, content) VALUES ('x', 'profile', '')"
                                             << denied;
        QTest::newRow("station's run names a text it does not send")
            << "station" << "SELECT record_run(CAST(:bare AS jsonb))" << "names a text the server does not hold";
        QTest::newRow("reader reads the texts and versions")
            << "reader" << "SELECT COUNT(*) FROM texts t JOIN profile_versions v ON v.profile_sha1 = t.sha1" << "";
        QTest::newRow("station makes a month") << "station"
                                               << "CREATE TABLE runs_2031_01 PARTITION OF runs"
                                                  " FOR VALUES FROM (1924992000000) TO (1927670400000)"
                                               << denied;
        QTest::newRow("station detaches a month") << "station" << "ALTER TABLE runs DETACH PARTITION runs_default"
                                                  << "must be owner";
        QTest::newRow("station reads a month") << "station" << "SELECT COUNT(*) FROM runs_default" << denied;
        QTest::newRow("reader drops a month") << "reader" << "DROP TABLE items_default" << "must be owner";
        QTest::newRow("reader reads the run ids") << "reader" << "SELECT COUNT(*) FROM run_ids" << "";
        QTest::newRow("reader reads") << "reader" << "SELECT COUNT(*) FROM runs r JOIN items i ON i.run_id = r.run_id"
                                      << "";
        QTest::newRow("reader deletes") << "reader" << "DELETE FROM runs" << denied;
        QTest::newRow("reader adds a run") << "reader" << "SELECT record_run(CAST(:own AS jsonb))" << denied;
        QTest::newRow("reader creates a table") << "reader" << "CREATE TABLE mine (a INTEGER)" << denied;
        QTest::newRow("a role in no group") << "nobody" << "SELECT 1" << "permission denied for database";
    }
    void rolesRefuse()
    {
        QFETCH(QString, who);
        QFETCH(QString, sql);
        QFETCH(QString, refused);
        // One line for every row: a station R1 with one run on the server, a
        // reader, a role in neither group.
        QString &database = m_rolesLine;
        if (database.isEmpty()) {
            QString error = freshLine(database);
            QVERIFY2(error.isEmpty(), qPrintable(error));
            m_roles["station"] = stationRole(database, "R1", "r1_" + database);
            QVERIFY(runTool(QDir::tempPath(), {"--connection", m_server->connectionString(database), "server",
                                               "add-reader", "--role", "analyst_" + database})
                        .exitCode
                    == 0);
            QVERIFY(m_server->setPassword("analyst_" + database, "pw"));
            m_roles["reader"] = m_server->connectionString(database, "analyst_" + database, "pw");
            QVERIFY(m_server->execSql("CREATE ROLE nobody_" + database + " LOGIN PASSWORD 'pw'"));
            m_roles["nobody"] = m_server->connectionString(database, "nobody_" + database, "pw");
            QTemporaryDir dir;
            QVERIFY(recordRuns(dir.path(), dir.filePath("results.db"), 0, 1, "R1"));
            QCOMPARE(LineUploader(dir.filePath("results.db"), m_roles["station"], "R1", "m").syncNow().waiting, 0);
        }
        // A run of R1's and the same claiming to be R2's, as a station sends them.
        const QByteArray content = stationResultFile("run-pass-30x20.csv");
        ResultRecord parsed;
        readResult(std::string_view(content.constData(), std::size_t(content.size())), parsed);
        RunContext context;
        context.station = "R1";
        context.barcode = "SN999";
        context.verdict = "PASS";
        context.path = "/station/resultsPASS/SN999-20261206094107-00-00-Pass.csv";
        context.profile = "p.ini";
        context.profileText = "x=" + QByteArray(QTest::currentDataTag()) + "\n";
        const QString own = linePayload(runRows(context, content, contentHash(content), parsed));
        // Another run, without the text it names.
        context.path.replace("SN999", "SN998");
        RunRows rows = runRows(context, content, contentHash(content), parsed);
        rows.texts.clear();
        const QString bare = linePayload(rows);
        context.station = "R2";
        const QString foreign = linePayload(runRows(context, content, contentHash(content), parsed));

        Connection check("check", m_server->connectionString(database));
        const int before = check.scalar("SELECT COUNT(*) FROM runs").toInt();
        {
            Connection as("as", m_roles[who]);
            if (who == "nobody") {
                QVERIFY(!as.db.isOpen());
                QVERIFY2(as.db.lastError().text().contains(refused), qPrintable(as.db.lastError().text()));
                return;
            }
            QVERIFY2(as.db.isOpen(), qPrintable(as.db.lastError().text()));
            QSqlQuery q(as.db);
            QString statement = sql;
            QVariantList bound;
            for (const auto &[mark, payload] :
                 {std::pair{QStringLiteral(":foreign"), foreign}, {":own", own}, {":bare", bare}}) {
                if (statement.contains(mark)) {
                    statement.replace(mark, "?");
                    bound << payload;
                }
            }
            // Statements other than queries cannot be prepared on the server.
            const bool ok = bound.isEmpty() ? q.exec(statement) : q.prepare(statement) && [&] {
                for (const QVariant &v : bound)
                    q.addBindValue(v);
                return q.exec();
            }();
            if (refused.isEmpty())
                QVERIFY2(ok, qPrintable(q.lastError().text()));
            else
                QVERIFY2(!ok && q.lastError().text().contains(refused), qPrintable(q.lastError().text()));
        }
        QCOMPARE(check.scalar("SELECT verdict FROM runs WHERE barcode = 'SN000'").toString(), "FAIL");
        QCOMPARE(check.scalar("SELECT COUNT(*) FROM runs").toInt(), before + (sql.contains(":own") && refused.isEmpty()));
        QCOMPARE(check.scalar("SELECT COUNT(*) FROM information_schema.tables WHERE table_name = 'mine'").toInt(), 0);
    }

    // One run the server refuses between good ones: the good ones arrive, the
    // refused one is tried again and after a few refusals put in quarantine
    // with the server's reason, shown in the state line and by "sync", and
    // tried afresh with "sync --retry".
    void refusedRunsQuarantined_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("reason"); // empty: the run is not refused
        QTest::addColumn<bool>("fixable");
        // Sent as the file's bytes: its NULs, CR LF, Latin-1 bytes and empty lines.
        QTest::newRow("NUL bytes in the file") << "nul" << "" << true;
        // Neither the store's compressed text nor the file can give the bytes
        // back: held apart with the reason until the file is there again.
        QTest::newRow("a stored text damaged, its file gone")
            << "damaged" << "the stored text is damaged" << true;
        QTest::newRow("a commit that fails") << "commit" << "commit refused here" << true;
        QTest::newRow("a value out of the server's range") << "range" << "out of range for type integer" << true;
        QTest::newRow("a run id the server holds with other content")
            << "other content" << "is on the server already with other content" << false;
        QTest::newRow("another station's run") << "foreign" << "adds the runs of station Q only, not of QX" << false;
        // The profile's text gone from the station's store, the run naming it
        // still: refused until the station has the text again.
        QTest::newRow("a text the station lost") << "text lost" << "names a text the server does not hold" << true;
    }
    void refusedRunsQuarantined()
    {
        QFETCH(QString, fault);
        QFETCH(QString, reason);
        QFETCH(bool, fixable);
        QString database;
        QString error = freshLine(database);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QTemporaryDir dir;
        const QString connection = stationRole(database, "Q", "q_" + database);
        QVERIFY(stationFolder(dir.path(), connection, "Q"));
        const QString local = dir.filePath("results.db");
        QVERIFY(recordRuns(dir.path(), local, 1, 1, "Q", "20261206090000"));
        QByteArray bad = stationResultFile(fault == "range" ? "run-fail-30x20.csv" : "run-pass-30x20.csv");
        if (fault == "nul")
            bad.replace("W103", QByteArray("W1\0\0", 4)).replace("\n", "\r\n").replace("V1.0A", "V1.0\xe9\xff").replace("Attb:", "\r\n\r\nAttb:");
        QVERIFY(recordRuns(dir.path(), local, 2, 1, fault == "foreign" ? "QX" : "Q", "20261206091000", bad));
        QVERIFY(recordRuns(dir.path(), local, 3, 1, "Q", "20261206092000"));
        const QString badFile = dir.filePath("SN002-20261206091000-00-00-Fail.csv");
        const QString badId = fileRunId(fault == "foreign" ? "QX" : "Q", QFileInfo(badFile).fileName(), contentHash(bad));
        Connection admin("admin", m_server->connectionString(database));
        ResultStore store;
        QVERIFY(store.openLocal(local, nullptr));
        if (fault == "commit") {
            QVERIFY(m_server->execSql(
                "CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS $$BEGIN"
                " IF NEW.barcode = 'SN002' THEN RAISE EXCEPTION 'commit refused here'; END IF; RETURN NULL; END$$;"
                " CREATE CONSTRAINT TRIGGER at_commit AFTER INSERT ON runs DEFERRABLE INITIALLY DEFERRED"
                " FOR EACH ROW EXECUTE FUNCTION refuse()",
                database));
        } else if (fault == "range") {
            QVERIFY(QSqlQuery(store.database()).exec("UPDATE failing_electrodes SET value = 3000000000 WHERE kind = 'window'"
                                                     " AND run_id = '" + badId + "'"));
        } else if (fault == "text lost") {
            QVERIFY(QSqlQuery(store.database()).exec("UPDATE runs SET profile = 'p.ini', profile_sha1 = '"
                                                     + QString::fromLatin1(contentHash("x=1\n")) + "' WHERE run_id = '"
                                                     + badId + "'"));
        } else if (fault == "damaged") {
            QVERIFY(QSqlQuery(store.database()).exec("UPDATE runs SET content = substr(content, 1, 40) WHERE run_id = '"
                                                     + badId + "'"));
            QVERIFY(QFile::remove(badFile));
        } else if (fault == "other content") {
            // What an older station's id, made from a path and a time, did:
            // another run under the same id.
            QByteArray other = stationResultFile("run-fail-30x20.csv");
            ResultRecord parsed;
            readResult(std::string_view(other.constData(), std::size_t(other.size())), parsed);
            QString payload = linePayload(runRows(contextFromFile(badFile, "Q"), other, contentHash(other), parsed));
            payload.replace(fileRunId("Q", QFileInfo(badFile).fileName(), contentHash(other)), badId);
            QVERIFY(admin.scalar("SELECT record_run(CAST(? AS jsonb))", {payload}).toString() == "added");
        }
        const int before = admin.scalar("SELECT COUNT(*) FROM runs").toInt();

        {
            LineUploader uploader(local, connection, "Q", machineIdentity(dir.filePath("line.id")),
                                  LineUploader::Attempts::WhenAsked);
            QSignalSpy refusedRuns(&uploader, &LineUploader::refused);
            // Asked only: nothing goes before the first syncNow(), so that its
            // counts and the refusals are all of what was tried.
            QTest::qWait(300);
            QCOMPARE(admin.scalar("SELECT COUNT(*) FROM runs").toInt(), before);
            LineUploader::State state = uploader.syncNow();
            QVERIFY(state.connected);
            // The good ones went; the refused one waits for its next try.
            QCOMPARE(admin.scalar("SELECT COUNT(*) FROM runs WHERE barcode IN ('SN001', 'SN003')").toInt(), 2);
            if (reason.isEmpty()) {
                QCOMPARE(state.waiting, 0);
                QCOMPARE(state.refused, 0);
                // Kept byte for byte, the zeros too.
                QCOMPARE(admin.scalar("SELECT content FROM runs WHERE run_id = ?", {badId}).toByteArray(), bad);
                QCOMPARE(admin.scalar("SELECT text FROM items WHERE run_id = ? AND item = 'usb_version'", {badId}).toString(),
                         QStringLiteral("W1\uFFFD\uFFFD"));
                return;
            }
            QCOMPARE(state.waiting, 1);
            QVERIFY2(state.refusal.contains(reason), qPrintable(state.refusal));
            QCOMPARE(admin.scalar("SELECT COUNT(*) FROM runs").toInt(), before + 2);
            for (int i = 1; i < LineUploader::RefusalsBeforeQuarantine; ++i)
                state = uploader.syncNow();
            QCOMPARE(state.waiting, 0);
            QCOMPARE(state.refused, 1);
            QCOMPARE(refusedRuns.count(), 1);
            QCOMPARE(refusedRuns.first().at(0).toString(), badId);
            QVERIFY2(refusedRuns.first().at(2).toString().contains(reason), qPrintable(refusedRuns.first().at(2).toString()));
            QCOMPARE(LineUploader::describe(state), QStringLiteral("line store: connected, 1 refused"));
            // Newer runs are not held up.
            QVERIFY(recordRuns(dir.path(), local, 4, 1, "Q", "20261206093000"));
            QCOMPARE(uploader.syncNow().waiting, 0);
            QCOMPARE(admin.scalar("SELECT COUNT(*) FROM runs WHERE barcode = 'SN004'").toInt(), 1);
        }
        Tool t = runTool(dir.path(), {"sync"});
        QCOMPARE(t.out, QStringLiteral("sent 0, waiting 0, 1 refused\n"));
        QCOMPARE(t.exitCode, 1);
        QVERIFY2(t.err.startsWith("refused: " + badFile + ": ") && t.err.contains(reason), qPrintable(t.err));

        if (fault == "commit")
            QVERIFY(m_server->execSql("DROP TRIGGER at_commit ON runs", database));
        else if (fault == "damaged")
            QVERIFY(writeFile(badFile, bad));
        else if (fault == "range")
            QVERIFY(QSqlQuery(store.database()).exec("UPDATE failing_electrodes SET value = 1 WHERE value = 3000000000"));
        else if (fault == "text lost")
            QVERIFY(store.recordProfileSaved("p.ini", "x=1\n", "Q", QDateTime::currentDateTime(), nullptr));
        t = runTool(dir.path(), {"sync", "--retry"});
        QCOMPARE(t.out, fixable ? QStringLiteral("sent 1, waiting 0\n") : QStringLiteral("sent 0, waiting 0, 1 refused\n"));
        QCOMPARE(t.exitCode, fixable ? 0 : 1);
        QCOMPARE(admin.scalar("SELECT COUNT(*) FROM runs WHERE barcode = 'SN002' AND station = ?", {fault == "foreign" ? "QX" : "Q"}).toInt(),
                 fixable || fault == "other content" ? 1 : 0);
        if (fault == "other content")
            QCOMPARE(admin.scalar("SELECT content_sha1 FROM runs WHERE run_id = ?", {badId}).toString(),
                     QString::fromLatin1(contentHash(stationResultFile("run-fail-30x20.csv"))));
        if (fault == "text lost")
            QCOMPARE(admin.scalar("SELECT t.content FROM runs r JOIN texts t ON t.sha1 = r.profile_sha1"
                                  " WHERE r.run_id = ?",
                                  {badId})
                         .toByteArray(),
                     QByteArray("x=1\n"));
        if (fault == "damaged")
            QCOMPARE(admin.scalar("SELECT content FROM runs WHERE run_id = ?", {badId}).toByteArray(), bad);
        QCOMPARE(yieldRows(admin.db, true), yieldRows(admin.db, false));
    }

    // Two stations laid out the same way file an Auto run in the same second
    // under the same path: two runs on the line. A store rebuilt from its
    // files queues them again; the server has them and keeps them once.
    void twoStationsSameLayout()
    {
        QString database;
        QString error = freshLine(database);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QTemporaryDir dir;
        const QString filed = dir.filePath("resultsPASS/12-06-09-41-07.csv");
        QVERIFY(writeFile(filed, stationResultFile("run-pass-30x20.csv")));
        const QStringList stations{"SA", "SB"};
        for (const QString &station : stations) {
            QVERIFY(stationFolder(dir.filePath(station), stationRole(database, station, station.toLower() + database),
                                  station));
            ResultStore store;
            QVERIFY(store.openLocal(dir.filePath(station + "/results.db"), nullptr));
            QCOMPARE(store.record(contextFromFile(filed, station), nullptr), Recorded::Added);
        }
        for (const QString &station : stations)
            QCOMPARE(runTool(dir.filePath(station), {"sync"}).out, QStringLiteral("sent 1, waiting 0\n"));
        Connection check("check", m_server->connectionString(database));
        QCOMPARE(check.scalar("SELECT string_agg(station, ',' ORDER BY station) FROM runs").toString(), "SA,SB");

        // SA's store lost and rebuilt from its folder: queued again, known, not added.
        QVERIFY(QFile::remove(dir.filePath("SA/results.db")));
        QVERIFY(writeFile(dir.filePath("resultsPASS/12-06-09-41-08.csv"), stationResultFile("run-fail-30x20.csv")));
        {
            ResultStore store;
            QVERIFY(store.openLocal(dir.filePath("SA/results.db"), nullptr));
            for (const QString &name : QStringList{"12-06-09-41-07.csv", "12-06-09-41-08.csv"})
                QCOMPARE(store.record(contextFromFile(dir.filePath("resultsPASS/") + name, "SA"), nullptr),
                         Recorded::Added);
        }
        QCOMPARE(runTool(dir.filePath("SA"), {"sync"}).out, QStringLiteral("sent 2, waiting 0\n"));
        QCOMPARE(check.scalar("SELECT COUNT(*) FROM runs").toInt(), 3);
        QCOMPARE(check.scalar("SELECT COUNT(DISTINCT received_seq) FROM runs").toInt(), 3);

        // Two runs that filed nothing, with what the run handed over: two runs
        // on the line, each with its items.
        {
            ResultStore store;
            QVERIFY(store.openLocal(dir.filePath("SB/results.db"), nullptr));
            for (int i = 0; i < 2; ++i) {
                RunContext nothing;
                nothing.runId = newRunId();
                nothing.station = "SB";
                nothing.verdict = "FAIL";
                nothing.startedAt = nothing.endedAt = QDateTime::currentDateTime();
                nothing.items = {{"firmware", false, 3, "download failed"}};
                QCOMPARE(store.record(nothing, nullptr), Recorded::Added);
            }
        }
        QCOMPARE(runTool(dir.filePath("SB"), {"sync"}).out, QStringLiteral("sent 2, waiting 0\n"));
        QCOMPARE(check.scalar("SELECT COUNT(*) FROM runs r JOIN items i ON i.run_id = r.run_id"
                              " WHERE r.file_name = '' AND i.item = 'firmware' AND i.value = 3"
                              " AND i.text = 'download failed' AND length(r.content) = 0")
                     .toInt(),
                 2);
    }

    // A station id is claimed by the first machine that uploads under it; a
    // second (a cloned PC) is refused with a clear line until the
    // administrator releases the id.
    void secondMachineClaims()
    {
        QString database;
        QString error = freshLine(database);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        const QString connection = stationRole(database, "M1", "m1_" + database);
        QTemporaryDir dir;
        for (const QString &pc : QStringList{"pc1", "pc2"}) {
            QVERIFY(stationFolder(dir.filePath(pc), connection, "M1"));
            QVERIFY(recordRuns(dir.filePath(pc), dir.filePath(pc + "/results.db"), pc == "pc1" ? 1 : 2, 1, "M1"));
        }
        Tool t = runTool(dir.filePath("pc1"), {"sync"});
        QCOMPARE(t.out, QStringLiteral("sent 1, waiting 0\n"));
        t = runTool(dir.filePath("pc2"), {"sync"});
        QCOMPARE(t.exitCode, 1);
        QVERIFY2(t.err.contains("the station id M1 is held by another machine")
                     && t.err.contains("server release-station M1") && t.err.endsWith("; 1 waiting\n"),
                 qPrintable(t.err));
        // The first goes on as before.
        QCOMPARE(runTool(dir.filePath("pc1"), {"sync"}).exitCode, 0);
        t = runTool(dir.path(), {"--connection", m_server->connectionString(database), "server", "release-station", "M1"});
        QCOMPARE(t.out, QStringLiteral("station M1 released; the next machine to upload claims it\n"));
        QCOMPARE(runTool(dir.filePath("pc2"), {"sync"}).out, QStringLiteral("sent 1, waiting 0\n"));
        QVERIFY(runTool(dir.filePath("pc1"), {"sync"}).err.contains("held by another machine"));
        Connection check("check", m_server->connectionString(database));
        QCOMPARE(check.scalar("SELECT COUNT(*) FROM runs WHERE station = 'M1'").toInt(), 2);

        // The server's clock five minutes behind this station's: the state line says so.
        QVERIFY(m_server->execSql("CREATE OR REPLACE FUNCTION claim_station(wanted text, machine_id text) RETURNS bigint"
                                  " LANGUAGE sql AS $$SELECT floor(extract(epoch FROM clock_timestamp()) * 1000)::bigint"
                                  " - 300000$$",
                                  database));
        const LineUploader::State state =
            LineUploader(dir.filePath("pc2/results.db"), connection, "M1", machineIdentity(dir.filePath("pc2/line.id")))
                .syncNow();
        QCOMPARE(LineUploader::describe(state),
                 QStringLiteral("line store: connected, this clock is 5 min ahead of the server's"));
    }

    // A line's server of every schema that shipped, with runs in it, brought
    // to this one by "server init": the runs whole, the file texts back to
    // the files' bytes, flags, levels and yield as recorded today; the role
    // that owned it all before owns nothing any more.
    void migratesOnServer_data()
    {
        QTest::addColumn<QString>("shape");
        QTest::newRow("from schema 1") << "1";
        QTest::newRow("from schema 2 with panel flags") << "2 flags";
        QTest::newRow("from schema 2 with yield") << "2 yield";
        QTest::newRow("from schema 2 with levels") << "2 levels";
        QTest::newRow("from schema 3 with whole tables") << "3 whole";
    }
    void migratesOnServer()
    {
        QFETCH(QString, shape);
        QTemporaryDir dir;
        // Today's record of the runs, on a station.
        ResultStore reference;
        QVERIFY(reference.openLocal(dir.filePath("reference.db"), nullptr));
        QByteArray latin = stationResultFile("run-pass-30x20.csv");
        latin.replace("V1.0A", "V1.0\xe9");
        for (const auto &[name, content] :
             {std::pair{QStringLiteral("resultsFAIL/SN1-20261206090000-00-00-Fail.csv"), stationResultFile("run-fail-30x20.csv")},
              {QStringLiteral("resultsPASS/SN1-20261206100000-00-00-Pass.csv"), latin},
              {QStringLiteral("resultsPASS/SN2-20261206093000-00-00-Pass.csv"), stationResultFile("run-pass-30x20.csv")},
              {QStringLiteral("resultsPASS/12-06-09-41-07.csv"), stationResultFile("run-pass-30x20.csv")}}) {
            QVERIFY(writeFile(dir.filePath(name), content));
            QCOMPARE(reference.record(contextFromFile(dir.filePath(name), "OLD"), nullptr), Recorded::Added);
        }
        // The line as the old README set it up: one role owning everything.
        QString database;
        QString error = freshLine(database, false);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        const QString owner = "station_" + database;
        QVERIFY(m_server->execSql("CREATE ROLE " + owner + " LOGIN PASSWORD 'pw'; ALTER DATABASE " + database
                                  + " OWNER TO " + owner));
        {
            Connection old("old", m_server->connectionString(database, owner, "pw"));
            QVERIFY2(oldschemas::build(old.db, shape == "3 whole" ? "2 levels" : shape, &error), qPrintable(error));
            QSqlDatabase from = reference.database();
            QVERIFY2(oldschemas::copyRuns(from, old.db, &error), qPrintable(error));
            if (shape == "3 whole") {
                for (const QString &sql : oldschemas::wholeThree())
                    QVERIFY2(QSqlQuery(old.db).exec(sql), qPrintable(sql));
                QVERIFY2(schema::rebuildYield(old.db, &error), qPrintable(error));
            }
        }
        const Tool t = runTool(dir.path(), {"--connection", m_server->connectionString(database), "server", "init"});
        QVERIFY2(t.exitCode == 0 && t.out.contains("holds schema 3"), qPrintable(t.out + t.err));

        const auto snapshot = [](QSqlDatabase db) {
            QStringList rows;
            QSqlQuery q(db);
            q.exec("SELECT run_id, content, content_sha1, panel_first, panel_last, open_short_x, open_short_y,"
                   " (SELECT COUNT(*) FROM items i WHERE i.run_id = r.run_id) FROM runs r ORDER BY run_id");
            while (q.next()) {
                QByteArray bytes;
                if (!schema::fileBytes(q.value(1), schema::engineOf(db), bytes))
                    rows << QStringLiteral("a text that cannot be read");
                rows << QStringList{q.value(0).toString(), QString::fromLatin1(contentHash(bytes)),
                                    q.value(2).toString(), q.value(3).toString(), q.value(4).toString(),
                                    q.value(5).toString(), q.value(6).toString(), q.value(7).toString()}
                            .join('|');
            }
            return rows;
        };
        Connection line("line", m_server->connectionString(database));
        QCOMPARE(line.scalar("SELECT version FROM schema_version").toInt(), schema::Version);
        QCOMPARE(snapshot(line.db), snapshot(reference.database()));
        QCOMPARE(line.scalar("SELECT data_type FROM information_schema.columns WHERE table_name = 'runs'"
                             " AND column_name = 'content'")
                     .toString(),
                 "bytea");
        QCOMPARE(yieldRows(line.db, true), yieldRows(line.db, false));
        // Numbered, so that an export by arrival from 0 takes them in.
        QCOMPARE(line.scalar("SELECT COUNT(DISTINCT received_seq) FROM runs").toInt(), 4);
        QCOMPARE(line.scalar("SELECT COUNT(*) FROM pg_constraint WHERE conrelid = 'runs'::regclass AND contype = 'u'").toInt(), 0);
        // Split by month, each run once in its month, every id held, nothing left aside.
        QCOMPARE(line.scalar("SELECT relkind FROM pg_class WHERE relname = 'items'").toString(), "p");
        QCOMPARE(line.scalar("SELECT COUNT(*) FROM runs_2026_12").toInt(), 4);
        QCOMPARE(line.scalar("SELECT COUNT(*) FROM items_2026_12").toInt(),
                 line.scalar("SELECT COUNT(*) FROM items").toInt());
        QCOMPARE(line.scalar("SELECT COUNT(*) FROM run_ids k JOIN runs r USING (run_id, started_at)").toInt(), 4);
        QCOMPARE(line.scalar("SELECT COUNT(*) FROM pg_class WHERE relname LIKE '%unpartitioned%'").toInt(), 0);
        QVERIFY(line.scalar("SELECT indexdef FROM pg_indexes WHERE indexname = 'runs_lot'").toString().contains("panel_last"));
        {
            Connection old("old", m_server->connectionString(database, owner, "pw"));
            // It no longer gets in; were it let in, it could not delete.
            QVERIFY(!old.db.isOpen());
            QVERIFY2(old.db.lastError().text().contains("permission denied for database"),
                     qPrintable(old.db.lastError().text()));
        }
        // What the old runs were judged against is not known.
        QCOMPARE(line.scalar("SELECT COUNT(*) FROM runs WHERE profile_sha1 IS NULL AND baseline_sha1 IS NULL"
                             " AND firmware_sha1 IS NULL AND software_version IS NULL")
                     .toInt(),
                 4);
        QCOMPARE(line.scalar("SELECT COUNT(*) FROM texts").toInt(), 0);
        // A station of today adds a retest of SN2, with what it was judged
        // against; init again changes nothing.
        QVERIFY(stationFolder(dir.path(), stationRole(database, "OLD", "old_" + database), "OLD"));
        QVERIFY(writeFile(dir.filePath("resultsFAIL/SN2-20261207080000-00-00-Fail.csv"), stationResultFile("run-fail-30x20.csv")));
        {
            ResultStore store;
            QVERIFY(store.openLocal(dir.filePath("results.db"), nullptr));
            RunContext retest = contextFromFile(dir.filePath("resultsFAIL/SN2-20261207080000-00-00-Fail.csv"), "OLD");
            retest.profile = "p.ini";
            retest.profileText = "x=1\n";
            retest.softwareVersion = "3.1+gtoday";
            QCOMPARE(store.record(retest, nullptr), Recorded::Added);
        }
        QCOMPARE(runTool(dir.path(), {"sync"}).out, QStringLiteral("sent 1, waiting 0\n"));
        QCOMPARE(line.scalar("SELECT t.content FROM runs r JOIN texts t ON t.sha1 = r.profile_sha1"
                             " JOIN profile_versions v ON v.profile_sha1 = r.profile_sha1 AND v.station = 'OLD'"
                             " WHERE r.software_version = '3.1+gtoday'")
                     .toByteArray(),
                 QByteArray("x=1\n"));
        QCOMPARE(line.scalar("SELECT string_agg(panel_first || '' || panel_last, ',' ORDER BY started_at) FROM runs"
                             " WHERE barcode = 'SN2'")
                     .toString(),
                 "10,01");
        QCOMPARE(yieldRows(line.db, true), yieldRows(line.db, false));
        // A run of SN2 from before its first arrives last (a folder copied in
        // late): the panel is first tested an hour and a half earlier, in
        // both yields of that quarter, on the server and on the station.
        QVERIFY(writeFile(dir.filePath("resultsPASS/SN2-20261206080000-00-00-Pass.csv"),
                          stationResultFile("run-pass-30x20.csv")));
        {
            ResultStore store;
            QVERIFY(store.openLocal(dir.filePath("results.db"), nullptr));
            QCOMPARE(store.record(contextFromFile(dir.filePath("resultsPASS/SN2-20261206080000-00-00-Pass.csv"), "OLD"),
                                  nullptr),
                     Recorded::Added);
            QCOMPARE(yieldRows(store.database(), true), yieldRows(store.database(), false));
        }
        QCOMPARE(runTool(dir.path(), {"sync"}).out, QStringLiteral("sent 1, waiting 0\n"));
        QCOMPARE(line.scalar("SELECT string_agg(panel_first || '' || panel_last, ',' ORDER BY started_at) FROM runs"
                             " WHERE barcode = 'SN2'")
                     .toString(),
                 "10,00,01");
        QCOMPARE(yieldRows(line.db, true), yieldRows(line.db, false));
        QCOMPARE(runTool(dir.path(), {"--connection", m_server->connectionString(database), "server", "init"}).exitCode, 0);
        QCOMPARE(line.scalar("SELECT COUNT(*) FROM runs").toInt(), 6);
    }

    // A barcode prefix (the engineering barcodes, "starts with" in the
    // statistics window) is read from an index on a server whose database
    // does not sort as C does, as Debian's clusters are made, not by
    // reading every run of every month.
    void barcodePrefixReadsAnIndex()
    {
        const QString database = QStringLiteral("line%1").arg(++m_databases);
        QVERIFY2(m_server->execSql(QStringLiteral("CREATE DATABASE %1 ENCODING 'UTF8' LC_COLLATE 'C.UTF-8'"
                                                  " LC_CTYPE 'C.UTF-8' TEMPLATE template0")
                                       .arg(database)),
                 qPrintable(m_server->errorString()));
        const Tool t = runTool(QDir::tempPath(), {"--connection", m_server->connectionString(database), "server", "init"});
        QVERIFY2(t.exitCode == 0, qPrintable(t.err));
        Connection check("check", m_server->connectionString(database));
        QCOMPARE(check.scalar("SELECT datcollate FROM pg_database WHERE datname = current_database()").toString(),
                 "C.UTF-8");
        QVERIFY(QSqlQuery(check.db).exec("SET enable_seqscan = off"));
        QVariantList bound;
        const QString condition =
            queries::startsWith(QStringLiteral("r.barcode"), QStringLiteral("GOLD_1"), queries::Engine::PostgreSQL, bound);
        // EXPLAIN takes no parameters: the values written in, as the plan
        // of a bound question sees them.
        QString sql = "EXPLAIN SELECT r.run_id FROM runs r WHERE " + condition;
        for (const QVariant &v : bound)
            sql.replace(sql.indexOf('?'), 1, "'" + v.toString().replace("'", "''") + "'");
        QSqlQuery q(check.db);
        QVERIFY2(q.exec(sql), qPrintable(q.lastError().text()));
        QString plan;
        while (q.next())
            plan += q.value(0).toString() + '\n';
        // The prefix bounds the index's range; its own _ is no wildcard.
        QVERIFY2(plan.contains(QRegularExpression("Index Cond: .*barcode\\S* >= 'GOLD_1'::text\\) AND"
                                                  " .*barcode\\S* < 'GOLD_2'::text")),
                 qPrintable(plan));
    }

    // The runs kept by month: "server init" makes the current and coming
    // months, "server maintain" makes what is missing and changes nothing
    // when run again, a run of a month without a partition lands in the
    // default one and moves into its month when that is made, and
    // --keep-months drops the old months while the yield per quarter, the
    // panel flags and the run ids stay. Only the schema's owner maintains.
    void keepsMonths()
    {
        QString database;
        QString error = freshLine(database);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        const QString admin = m_server->connectionString(database);
        Connection check("check", admin);
        const auto month = [](int shift) {
            const QDate today = QDateTime::currentDateTimeUtc().date();
            return QDate(today.year(), today.month(), 1).addMonths(shift);
        };
        const auto name = [&](const char *table, int shift) {
            return QLatin1String(table) + month(shift).toString("_yyyy_MM");
        };
        const auto count = [&](const QString &table) {
            return check.scalar("SELECT COUNT(*) FROM " + table).toInt();
        };
        const auto partitionsHeld = [&] {
            return check
                .scalar("SELECT string_agg(c.relname, ',' ORDER BY c.relname) FROM pg_inherits i"
                        " JOIN pg_class c ON c.oid = i.inhrelid WHERE c.relkind = 'r'")
                .toString();
        };
        // init: the current month and the next three, and the defaults.
        QStringList expected;
        for (const char *table : {"failing_cells", "failing_electrodes", "items", "measurements", "runs"}) {
            expected << QLatin1String(table) + "_default";
            for (int m = 0; m <= 3; ++m)
                expected << name(table, m);
        }
        expected.sort();
        QCOMPARE(partitionsHeld(), expected.join(','));
        // The file texts compressed with lz4 in every month.
        QCOMPARE(check.scalar("SELECT attcompression FROM pg_attribute WHERE attrelid = ?::regclass"
                              " AND attname = 'content'", {name("runs", 1)}).toString(), "l");

        // Months before this one, as a line that has run through them has.
        {
            Connection owner("owner", admin);
            lineserver::MaintainOptions options;
            options.now = QDateTime(month(-3).addDays(14), QTime(12, 0), Qt::UTC).toMSecsSinceEpoch();
            QString report;
            QVERIFY2(lineserver::maintain(owner.db, options, &report, &error), qPrintable(error));
            QVERIFY2(report.startsWith("created " + month(-3).toString("yyyy-MM") + ": runs" + name("", -3) + ", items"),
                     qPrintable(report));
        }

        // Runs: SN001 first tested three months ago and again this month, SN002
        // three months ago, SN003 two months ago, SN004 eight months ahead, SN005 in 2019.
        QTemporaryDir dir;
        QVERIFY(stationFolder(dir.path(), stationRole(database, "K1", "k1_" + database), "K1"));
        const QString local = dir.filePath("results.db");
        const auto at = [&](int shift, int day) { return month(shift).addDays(day).toString("yyyyMMdd") + "080000"; };
        const QByteArray pass = stationResultFile("run-pass-30x20.csv");
        QVERIFY(recordRuns(dir.path(), local, 1, 1, "K1", at(-3, 9)));
        QVERIFY(recordRuns(dir.path(), local, 2, 1, "K1", at(-3, 10)));
        QVERIFY(recordRuns(dir.path(), local, 3, 1, "K1", at(-2, 4)));
        QVERIFY(recordRuns(dir.path(), local, 4, 1, "K1", at(8, 1)));
        QVERIFY(recordRuns(dir.path(), local, 5, 1, "K1", "20190115080000"));
        QVERIFY(recordRuns(dir.path(), local, 1, 1, "K1", at(0, 1), pass));
        QCOMPARE(runTool(dir.path(), {"sync"}).out, QStringLiteral("sent 6, waiting 0\n"));
        QCOMPARE(count(name("runs", -3)), 2);
        QCOMPARE(count("runs_default"), 2);
        QVERIFY(count("items_default") > 0);
        QCOMPARE(count("runs"), 6);

        // Twice: nothing made, nothing dropped, the same answer.
        const QString held = partitionsHeld();
        const QString heldLine = QStringLiteral("months held: %1 to %2; 2 runs in the default partition\n")
                                     .arg(month(-3).toString("yyyy-MM"), month(3).toString("yyyy-MM"));
        for (int i = 0; i < 2; ++i) {
            const Tool t = runTool(dir.path(), {"--connection", admin, "server", "maintain"});
            QCOMPARE(t.err, QString());
            QCOMPARE(t.out, heldLine);
            QCOMPARE(partitionsHeld(), held);
        }
        // Not the station's: its role is refused, and changes nothing.
        Tool t = runTool(dir.path(), {"server", "maintain", "--keep-months", "1"});
        QCOMPARE(t.exitCode, 1);
        QVERIFY2(t.err.contains("needs a connection of the schema's owner (kavel_owner)"), qPrintable(t.err));
        QCOMPARE(partitionsHeld(), held);

        // Keep two months: the two before them go. SN001's first run stays
        // with its panel, SN005 (2019) goes from the default partition.
        const QStringList yield = yieldRows(check.db, true);
        const QString flags = "SELECT string_agg(panel_first || '' || panel_last, ',' ORDER BY started_at) FROM runs"
                              " WHERE barcode = 'SN001'";
        QCOMPARE(check.scalar(flags).toString(), "10,01");
        // A month whose runs the yield per quarter does not all count is kept,
        // with one line that says why and what mends it.
        const QVariantList quarter{check.scalar("SELECT started_at / 900000 FROM runs WHERE barcode = 'SN002'")};
        QVERIFY(QSqlQuery(check.db).exec("UPDATE yield_quarters SET runs = runs + 1 WHERE quarter = "
                                         + quarter.first().toString()));
        t = runTool(dir.path(), {"--connection", admin, "server", "maintain", "--keep-months", "2"});
        QCOMPARE(t.exitCode, 1);
        QCOMPARE(t.err, QStringLiteral("server maintain: the yield per quarter counts 3 runs in %1, its partition holds"
                                       " 2: \"kavel-results server init\" counts it anew; the month is kept\n")
                            .arg(month(-3).toString("yyyy-MM")));
        QCOMPARE(partitionsHeld(), held);
        QVERIFY(QSqlQuery(check.db).exec("UPDATE yield_quarters SET runs = runs - 1 WHERE quarter = "
                                         + quarter.first().toString()));
        const QString itemsOfPanel = "SELECT COUNT(*) FROM items i JOIN runs r USING (run_id, started_at)"
                                     " WHERE r.barcode = 'SN001'";
        const int items = check.scalar(itemsOfPanel).toInt();
        QVERIFY(items > 0);
        t = runTool(dir.path(), {"--connection", admin, "server", "maintain", "--keep-months", "2"});
        QCOMPARE(t.err, QString());
        QCOMPARE(t.out, QStringLiteral("dropped %1: 2 runs, 1 kept with their panel's later runs,"
                                       " 1 older runs from the default partition\n"
                                       "dropped %2: 1 runs\n"
                                       "months held: %3 to %4; 2 runs in the default partition\n")
                            .arg(month(-3).toString("yyyy-MM"), month(-2).toString("yyyy-MM"),
                                 month(-1).toString("yyyy-MM"), month(3).toString("yyyy-MM")));
        QCOMPARE(check.scalar("SELECT string_agg(barcode, ',' ORDER BY started_at) FROM runs").toString(),
                 "SN001,SN001,SN004");
        QCOMPARE(check.scalar("SELECT COUNT(*) FROM pg_class WHERE relname = ?", {name("items", -3)}).toInt(), 0);
        QCOMPARE(yieldRows(check.db, true), yield);
        QCOMPARE(check.scalar(flags).toString(), "10,01");
        QCOMPARE(check.scalar(itemsOfPanel).toInt(), items);
        QCOMPARE(count("run_ids"), 6);

        // SN002 sent again (a station's store rebuilt from its files): known, not added.
        {
            QTemporaryDir again;
            QVERIFY(stationFolder(again.path(), stationRole(database, "K1", "k1_" + database), "K1"));
            QVERIFY(recordRuns(again.path(), again.filePath("results.db"), 2, 1, "K1", at(-3, 10)));
            QCOMPARE(runTool(again.path(), {"--connection", admin, "server", "release-station", "K1"}).exitCode, 0);
            QCOMPARE(runTool(again.path(), {"sync"}).out, QStringLiteral("sent 1, waiting 0\n"));
        }
        QCOMPARE(count("runs"), 3);
        QCOMPARE(yieldRows(check.db, true), yield);

        // SN001 tested once more: its first run is still its first.
        QCOMPARE(runTool(dir.path(), {"--connection", admin, "server", "release-station", "K1"}).exitCode, 0);
        QVERIFY(recordRuns(dir.path(), local, 1, 1, "K1", at(0, 2)));
        QCOMPARE(runTool(dir.path(), {"sync"}).out, QStringLiteral("sent 1, waiting 0\n"));
        QCOMPARE(check.scalar(flags).toString(), "10,00,01");

        // SN004's month made when it comes near: its run and items move in.
        {
            Connection owner("owner", admin);
            lineserver::MaintainOptions options;
            options.now = QDateTime(month(6).addDays(3), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();
            QString report;
            QVERIFY2(lineserver::maintain(owner.db, options, &report, &error), qPrintable(error));
            QVERIFY2(report.contains("created " + month(8).toString("yyyy-MM")), qPrintable(report));
        }
        QCOMPARE(check.scalar("SELECT barcode FROM " + name("runs", 8)).toString(), "SN004");
        QVERIFY(count(name("items", 8)) > 0);
        QCOMPARE(count("runs_default"), 1);
        QCOMPARE(count("runs"), 4);

        // Years of months: a question over all of them takes more of the
        // server's lock table (64 locks for each of its processes) than a
        // quarter, and maintain says by how much to widen it.
        QString report;
        {
            Connection owner("owner", admin);
            lineserver::MaintainOptions options;
            options.now = QDateTime(month(6).addDays(3), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();
            options.ahead = 60;
            QVERIFY2(lineserver::maintain(owner.db, options, &report, &error), qPrintable(error));
        }
        const QRegularExpression advice("a question over every month locks (\\d+) tables and indexes, over a quarter of"
                                        " the (\\d+) the server can hold locked at once \\(max_locks_per_transaction 64 x"
                                        " (\\d+) processes\\): set max_locks_per_transaction to at least (\\d+) and");
        const QRegularExpressionMatch advised = advice.match(report);
        QVERIFY2(advised.hasMatch(), qPrintable(report));
        const int locked = advised.captured(1).toInt(), processes = advised.captured(3).toInt();
        const int least = advised.captured(4).toInt();
        // The test server's 20 connections and PostgreSQL's own processes.
        QVERIFY2(processes > 20 && advised.captured(2).toInt() == 64 * processes, qPrintable(report));
        QVERIFY2(least * processes >= 4 * locked && (least - 1) * processes < 4 * locked, qPrintable(report));
        // What one question over every table of every month does lock.
        QVERIFY(check.db.transaction());
        QVERIFY(QSqlQuery(check.db).exec("SELECT (SELECT COUNT(*) FROM runs WHERE lot = 'x') + (SELECT COUNT(*) FROM items"
                                         " WHERE item = 'x') + (SELECT COUNT(*) FROM measurements WHERE item = 'x')"
                                         " + (SELECT COUNT(*) FROM failing_cells) + (SELECT COUNT(*) FROM failing_electrodes)"));
        QCOMPARE(check.scalar("SELECT COUNT(*) FROM pg_locks l JOIN pg_class c ON c.oid = l.relation"
                              " WHERE l.pid = pg_backend_pid() AND c.relispartition")
                     .toInt(),
                 locked);
        QVERIFY(check.db.rollback());
    }

    // The station's uploads over TLS that checks the server's certificate
    // against the line's own CA and the name the station asked for.
    void tls_data()
    {
        QTest::addColumn<QString>("options");
        QTest::addColumn<QString>("refused"); // empty: the run arrives
        QTest::newRow("verify-full, the server's name") << "host=localhost sslmode=verify-full sslrootcert=line-ca.crt"
                                                       << "";
        QTest::newRow("verify-full, another name")
            << "host=db.elsewhere sslmode=verify-full sslrootcert=line-ca.crt" << "does not match host name";
        QTest::newRow("verify-full, another CA") << "host=localhost sslmode=verify-full sslrootcert=other-ca.crt"
                                                 << "certificate verify failed";
        QTest::newRow("no TLS") << "host=localhost sslmode=disable" << "no encryption";
    }
    void tls()
    {
        QFETCH(QString, options);
        QFETCH(QString, refused);
        QString error;
        if (!m_tlsServer) {
            QVERIFY2(makeTestCertificates(m_certificates.path(), "line", "localhost", &error)
                         && makeTestCertificates(m_certificates.path(), "other", "localhost", &error),
                     qPrintable(error));
            PgServer::Options tls;
            tls.tlsCertificate = m_certificates.filePath("line-server.crt");
            tls.tlsKey = m_certificates.filePath("line-server.key");
            m_tlsServer = std::make_unique<PgServer>(tls);
            QVERIFY2(m_tlsServer->start() && m_tlsServer->createDatabase("line"), qPrintable(m_tlsServer->errorString()));
            // The administrator on the server machine, through its socket.
            {
                Connection admin("admin", QStringLiteral("host=%1 port=%2 user=postgres password=%3 dbname=line")
                                              .arg(m_tlsServer->socketDir())
                                              .arg(m_tlsServer->port())
                                              .arg(m_tlsServer->password()));
                QVERIFY2(admin.db.isOpen() && lineserver::init(admin.db, nullptr, &error)
                             && lineserver::addStation(admin.db, "T1", "t1", nullptr, &error),
                         qPrintable(error + admin.db.lastError().text()));
            }
            QVERIFY(m_tlsServer->setPassword("t1", "pw"));
        }
        options.replace("sslrootcert=", "sslrootcert=" + m_certificates.path() + "/");
        const QString connection = QStringLiteral("%1 hostaddr=127.0.0.1 port=%2 user=t1 password=pw dbname=line")
                                       .arg(options)
                                       .arg(m_tlsServer->port());
        QTemporaryDir dir;
        QVERIFY(recordRuns(dir.path(), dir.filePath("results.db"), ++m_tlsRuns, 1, "T1"));
        const LineUploader::State state = LineUploader(dir.filePath("results.db"), connection, "T1", "m").syncNow();
        if (refused.isEmpty()) {
            QVERIFY2(state.connected && state.waiting == 0, qPrintable(state.reason));
        } else {
            QVERIFY(!state.connected);
            QCOMPARE(state.waiting, 1);
            QVERIFY2(state.reason.contains(refused), qPrintable(state.reason));
        }
    }

private:
    QString m_rolesLine;
    QMap<QString, QString> m_roles;
    QTemporaryDir m_certificates;
    std::unique_ptr<PgServer> m_tlsServer;
    std::unique_ptr<PgServer> m_standby; // of m_server
    int m_tlsRuns = 0;
};

QTEST_GUILESS_MAIN(TestLinestoreUpload)
#include "tst_linestore_upload.moc"
