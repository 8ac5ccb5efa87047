// The station's uploader against a real PostgreSQL server that goes away and
// comes back: every run arrives once, oldest first, and the state line says
// what is waiting.
#include "lineuploader.h"
#include "resultstore.h"

#include "pgserver.h"
#include "resultdata.h"
#include "yieldcheck.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

using namespace results;

namespace {

// Records n filed runs (barcodes SN<first>..) in the store at path.
bool recordRuns(const QString &folder, const QString &path, int first, int n,
                const QString &station = QStringLiteral("ST1"), const QString &at = QStringLiteral("20261206094107"))
{
    ResultStore store;
    if (!store.openLocal(path, nullptr))
        return false;
    const QByteArray content = stationResultFile(QStringLiteral("run-fail-30x20.csv"));
    for (int i = first; i < first + n; ++i) {
        const QString filed =
            QStringLiteral("%1/SN%2-%3-00-00-Fail.csv").arg(folder).arg(i, 3, 10, QLatin1Char('0')).arg(at);
        QFile f(filed);
        if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size())
            return false;
        f.close();
        if (store.record(contextFromFile(filed, station), nullptr) != Recorded::Added)
            return false;
    }
    return true;
}

} // namespace

class TestLinestoreUpload : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!PgServer::available())
            QSKIP("PostgreSQL 15 is not installed");
    }

    void serverAwayThenBack()
    {
        PgServer server;
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QVERIFY(server.createDatabase(QStringLiteral("line")));
        QVERIFY(server.stop());
        QTemporaryDir dir;
        const QString local = dir.filePath(QStringLiteral("results.db"));
        QVERIFY(recordRuns(dir.path(), local, 0, 50));

        LineUploader uploader(local, server.connectionString(QStringLiteral("line")));
        QSignalSpy states(&uploader, &LineUploader::stateChanged);
        QSignalSpy uploaded(&uploader, &LineUploader::uploaded);
        QTRY_VERIFY(!states.isEmpty());
        const auto away = states.constLast().at(0).value<LineUploader::State>();
        QVERIFY(!away.connected);
        QCOMPARE(away.waiting, 50);
        QVERIFY2(LineUploader::describe(away).startsWith("line store: 50 waiting"), qPrintable(LineUploader::describe(away)));

        // Back: all fifty arrive, once, oldest first.
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QTRY_COMPARE_WITH_TIMEOUT(uploaded.count(), 50, 20000);
        QCOMPARE(uploaded.first().at(0).toString(), contextFromFile(dir.filePath("SN000-20261206094107-00-00-Fail.csv"), "ST1").runId);
        QTRY_COMPARE(LineUploader::describe(uploader.syncNow()), QString("line store: connected"));

        // The server restarted under it, and runs recorded meanwhile: sent
        // again once it is back, nothing twice.
        QVERIFY(server.restart());
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

        QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", "check");
        server.configure(db, "line");
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec("SELECT COUNT(*), COUNT(DISTINCT run_id) FROM runs") && q.next());
        QCOMPARE(q.value(0).toInt(), 55);
        QCOMPARE(q.value(1).toInt(), 55);
        QVERIFY(q.exec("SELECT COUNT(*) FROM failing_electrodes") && q.next());
        QCOMPARE(q.value(0).toInt(), 55 * 3);
        // The open/short levels travel with the run (the drift chart reads them on the line).
        QVERIFY(q.exec("SELECT COUNT(open_short_x), COUNT(open_short_y) FROM runs") && q.next());
        QCOMPARE(q.value(0).toInt(), 55);
        QCOMPARE(q.value(1).toInt(), 55);
        q.finish();
        db.close();
    }

    // The uploading process killed again and again in the middle of its work,
    // then a second station retesting the same panels: every run on the
    // server once and whole, and each panel's first and last run are flagged
    // over both stations.
    void killedMidUploadThenAnotherStation()
    {
        PgServer server;
        QVERIFY2(server.start() && server.createDatabase("line"), qPrintable(server.errorString()));
        QTemporaryDir dir;
        const QString first = dir.filePath("results.db"); // the tool's default store
        QVERIFY(recordRuns(dir.path(), first, 0, 200));
        const QString connection = server.connectionString("line");
        bool interrupted = false;
        for (int kill : {150, 300, 450}) {
            QProcess sync;
            sync.setWorkingDirectory(dir.path());
            sync.start(KAVEL_RESULTS_TOOL, {"sync", "--connection", connection});
            QVERIFY(sync.waitForStarted());
            QTest::qWait(kill);
            interrupted |= sync.state() == QProcess::Running;
            sync.kill();
            sync.waitForFinished();
        }
        QVERIFY(interrupted);
        QVERIFY(QDir().mkpath(dir.filePath("st2")));
        const QString second = dir.filePath("st2.db");
        QVERIFY(recordRuns(dir.filePath("st2"), second, 100, 150, "ST2", "20261206100000"));
        for (const QString &store : {first, second})
            QCOMPARE(LineUploader(store, connection).syncNow().waiting, 0);

        QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", "check");
        server.configure(db, "line");
        QVERIFY(db.open());
        QSqlQuery q(db);
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
        QCOMPARE(yieldRows(db, true), yieldRows(db, false));
        q.finish();
        db.close();
    }

    void wrongPasswordSaysSo()
    {
        PgServer server;
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        QTemporaryDir dir;
        const QString local = dir.filePath(QStringLiteral("results.db"));
        QVERIFY(recordRuns(dir.path(), local, 0, 1));
        QString connection = server.connectionString();
        connection.replace(QRegularExpression("password=\\S+"), "password=wrong");
        LineUploader uploader(local, connection);
        const LineUploader::State state = uploader.syncNow();
        QVERIFY(!state.connected);
        QCOMPARE(state.waiting, 1);
        QVERIFY2(state.reason.contains("password"), qPrintable(state.reason));
    }

    void cleanupTestCase() { QSqlDatabase::removeDatabase("check"); }
};

QTEST_GUILESS_MAIN(TestLinestoreUpload)
#include "tst_linestore_upload.moc"
