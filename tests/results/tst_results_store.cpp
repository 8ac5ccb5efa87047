// The station's results store on real SQLite files: what a filed file becomes,
// what is refused, and the recorder thread through a store that breaks.
#include "resultrecorder.h"
#include "resultstore.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>
#include "filemodesbind.h"
#include "resultdata.h"
#include "yieldcheck.h"

#include <QtTest>

#include <csignal>
#include <optional>

#include <sys/resource.h>

using namespace results;

namespace {

bool write(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(content) == content.size();
}

QVariant scalar(const ResultStore &store, const QString &sql, const QVariantList &bound = {})
{
    QSqlQuery q(store.database());
    q.prepare(sql);
    for (const QVariant &v : bound)
        q.addBindValue(v);
    return q.exec() && q.next() ? q.value(0) : QVariant();
}

} // namespace

class TestResultsStore : public QObject
{
    Q_OBJECT

private slots:
    void contextFromFileNames_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("verdict");
        QTest::addColumn<QString>("lot");
        QTest::addColumn<QString>("barcode");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("logFolders"); // the profile's LogPASS_Path and LogFAIL_Path, both this folder
        const QByteArray attb = "Attb:,PASS\n";
        QTest::newRow("barcode") << "resultsFAIL/SN-12;'x-20261206094107-00-00-Fail.csv" << "Barcode" << "FAIL" << ""
                                 << "SN-12;'x" << attb << "";
        QTest::newRow("barcode, Attb ending") << "resultsFAIL/SN9-12-06-09-41-0700-00-Fail.csv" << "Barcode"
                                              << "FAIL" << "" << "SN9" << attb << "";
        QTest::newRow("auto") << "resultsPASS/12-06-09-41-07.csv" << "Auto" << "PASS" << "" << "" << attb << "";
        QTest::newRow("manual") << "resultsPASS/L01-W7-SN-123.csv" << "Manual" << "PASS" << "L01" << "SN-123"
                                << attb << "";
        QTest::newRow("an archive, verdict from the name") << "archive/SN5-20261206094107-00-00-Pass.csv"
                                                           << "Barcode" << "PASS" << "" << "SN5" << attb << "";
        // Both log folders the same: the folder cannot tell, the file's lines do.
        const QByteArray tbFailed = "Electric,PASS,18MA,18MA,18MA\nTb_Value,FAIL,80,81,82,83,84\nAttb:,PASS\n";
        QTest::newRow("one log folder, an item failed") << "logs/12-06-09-41-07.csv" << "Auto" << "FAIL" << "" << ""
                                                        << tbFailed << "logs";
        QTest::newRow("one log folder, every item passed") << "logs/12-06-09-41-08.csv" << "Auto" << "PASS" << ""
                                                           << "" << attb << "logs";
        QTest::newRow("one log folder, the reset failed last")
            << "logs/L1-W1-SN1.csv" << "Manual" << "FAIL" << "L1" << "SN1" << QByteArray("Attb:,PASS\nReset:,FAIL\n")
            << "logs";
        QTest::newRow("one log folder that is resultsPASS") << "resultsPASS/12-06-09-41-09.csv" << "Auto" << "FAIL"
                                                            << "" << "" << tbFailed << "resultsPASS";
        QTest::newRow("one log folder, the name says Pass")
            << "logs/SN7-20261206094107-00-00-Pass.csv" << "Barcode" << "PASS" << "" << "SN7" << tbFailed << "logs";
    }
    void contextFromFileNames()
    {
        QFETCH(QString, path);
        QFETCH(QString, mode);
        QFETCH(QString, verdict);
        QFETCH(QString, lot);
        QFETCH(QString, barcode);
        QFETCH(QByteArray, content);
        QFETCH(QString, logFolders);
        QTemporaryDir dir;
        QVERIFY(write(dir.filePath(path), content));
        const QString folder = logFolders.isEmpty() ? QString() : dir.filePath(logFolders);
        const RunContext c = contextFromFile(dir.filePath(path), "ST1", folder, folder);
        QCOMPARE(c.startMode, mode);
        QCOMPARE(c.verdict, verdict);
        QCOMPARE(c.lot, lot);
        QCOMPARE(c.barcode, barcode);
        QCOMPARE(c.runId, contextFromFile(dir.filePath(path), "ST1").runId);
        if (mode == "Barcode" && path.contains("2026"))
            QCOMPARE(c.startedAt, QDateTime(QDate(2026, 12, 6), QTime(9, 41, 7)));
    }

    void recordingAFiledFile()
    {
        QTemporaryDir dir;
        ResultStore store;
        QString error;
        QVERIFY2(store.openLocal(dir.filePath("results.db"), &error), qPrintable(error));
        const QString filed = dir.filePath("resultsFAIL/a.csv");
        QVERIFY(write(filed, stationResultFile("run-fail-30x20.csv")));
        RunContext c = contextFromFile(filed, "ST1");
        c.lot = QStringLiteral("L'1; DROP TABLE runs;--");
        c.worker = QStringLiteral("Wörker 李");
        const Recorded added = store.record(c, &error);
        QVERIFY2(added == Recorded::Added, qPrintable(error));
        QVERIFY2(error.isEmpty(), qPrintable(error));

        // Found as typed, and the run's items and failing electrodes are there.
        QCOMPARE(scalar(store, "SELECT worker FROM runs WHERE lot = ?", {c.lot}).toString(), c.worker);
        QCOMPARE(scalar(store, "SELECT pass FROM items WHERE run_id = ? AND item = 'open_short'", {c.runId}).toInt(), 0);
        QCOMPARE(scalar(store, "SELECT pass FROM items WHERE run_id = ? AND item = 'reset'", {c.runId}).toInt(), 1);
        QCOMPARE(scalar(store, "SELECT COUNT(*) FROM failing_electrodes WHERE run_id = ?", {c.runId}).toInt(), 3);
        QCOMPARE(scalar(store, "SELECT first_index FROM failing_electrodes WHERE kind = 'open'").toInt(), 5);
        QCOMPARE(scalar(store, "SELECT COUNT(*) FROM outbox").toInt(), 1);
        QCOMPARE(scalar(store, "SELECT content FROM runs").toByteArray(), stationResultFile("run-fail-30x20.csv"));

        // The same file again, or a copy of it elsewhere: one run.
        QCOMPARE(store.record(c, &error), Recorded::Known);
        const QString copy = dir.filePath("archive/a.csv");
        QVERIFY(QDir().mkpath(dir.filePath("archive")) && QFile::copy(filed, copy));
        QCOMPARE(store.record(contextFromFile(copy, "ST1"), &error), Recorded::Known);
        // Not a result file, or gone.
        QVERIFY(write(dir.filePath("notes.csv"), "hello\n"));
        QCOMPARE(store.record(contextFromFile(dir.filePath("notes.csv"), "ST1"), &error), Recorded::NotAResult);
        QCOMPARE(store.record(contextFromFile(dir.filePath("gone.csv"), "ST1"), &error), Recorded::Unreadable);
        QCOMPARE(scalar(store, "SELECT COUNT(*) FROM runs").toInt(), 1);

        // What the run says beside its file: the items the file cannot show
        // are added, a row the file gives is never replaced.
        const QString second = dir.filePath("resultsPASS/b.csv");
        QVERIFY(write(second, stationResultFile("run-pass-30x20.csv")));
        RunContext withItems = contextFromFile(second, "ST1");
        withItems.items = {{"button_status", true, 3, "3/3"}, {"reset", false, QVariant(), "FAIL"},
                           {"border", true, 0, "0"}, {"border", false, 5, "5"}};
        QCOMPARE(store.record(withItems, &error), Recorded::Added);
        const auto itemOf = [&](const RunContext &run, const char *name) {
            return scalar(store, "SELECT pass || '|' || COALESCE(value, 'null') || '|' || text FROM items"
                                 " WHERE run_id = ? AND item = ?",
                          {run.runId, QString::fromLatin1(name)})
                .toString();
        };
        QCOMPARE(itemOf(withItems, "button_status"), QString("1|3.0|3/3"));
        QCOMPARE(itemOf(withItems, "reset"), QString("1|null|PASS"));
        QCOMPARE(itemOf(withItems, "border"), QString("1|0.0|0"));

        // A run that filed nothing: its verdict and the items it reached.
        RunContext nothingFiled;
        nothingFiled.runId = newRunId();
        nothingFiled.station = "ST1";
        nothingFiled.verdict = "FAIL";
        nothingFiled.items = {{"electric", true, QVariant(), ""}, {"crc_version", false, QVariant(), "error1"}};
        QCOMPARE(store.record(nothingFiled, &error), Recorded::Added);
        QCOMPARE(scalar(store, "SELECT verdict || '|' || file_name || '|' || content FROM runs WHERE run_id = ?",
                        {nothingFiled.runId})
                     .toString(),
                 QString("FAIL||"));
        QCOMPARE(itemOf(nothingFiled, "crc_version"), QString("0|null|error1"));
        QCOMPARE(itemOf(nothingFiled, "electric"), QString("1|null|"));
    }

    // Each panel's first and last run flagged whatever order its files come
    // in (an import of old folders brings earlier runs after later ones), and
    // a store of the first schema given the flags when it is opened.
    void panelFirstAndLastRun()
    {
        QTemporaryDir dir;
        const QString db = dir.filePath("results.db");
        const QByteArray pass = stationResultFile("run-pass-30x20.csv");
        const QStringList names{"resultsPASS/SN1-20261206100000-00-00-Pass.csv",
                                "resultsFAIL/SN1-20261206090000-00-00-Fail.csv",
                                "resultsPASS/SN1-20261206110000-00-00-Pass.csv",
                                "resultsPASS/SN2-20261206093000-00-00-Pass.csv", "resultsPASS/12-06-09-41-07.csv",
                                "resultsPASS/12-06-09-41-08.csv"};
        const auto flags = [](const ResultStore &store) {
            QStringList out;
            QSqlQuery q(store.database());
            q.exec("SELECT barcode, panel_first, panel_last FROM runs ORDER BY barcode, started_at");
            while (q.next())
                out << QStringLiteral("%1:%2%3").arg(q.value(0).toString()).arg(q.value(1).toInt()).arg(q.value(2).toInt());
            return out;
        };
        const QStringList expected{":11", ":11", "SN1:10", "SN1:00", "SN1:01", "SN2:11"};
        // The open/short levels as recorded, and as the migration reads them from the texts.
        const auto levels = [](const ResultStore &store) {
            QStringList out;
            QSqlQuery q(store.database());
            q.exec("SELECT open_short_x, open_short_y FROM runs ORDER BY run_id");
            while (q.next())
                out << q.value(0).toString() + QLatin1Char('/') + q.value(1).toString();
            return out;
        };
        QStringList recordedLevels;
        {
            ResultStore store;
            QVERIFY(store.openLocal(db, nullptr));
            for (const QString &name : names) {
                QVERIFY(write(dir.filePath(name), pass));
                QCOMPARE(store.record(contextFromFile(dir.filePath(name), "ST1"), nullptr), Recorded::Added);
            }
            QCOMPARE(flags(store), expected);
            QCOMPARE(yieldRows(store.database(), true), yieldRows(store.database(), false));
            recordedLevels = levels(store);
            // Back to the first schema, as an older station left it.
            QSqlQuery q(store.database());
            for (const char *sql : {"DROP INDEX runs_yield", "DROP INDEX runs_lot", "DROP INDEX runs_station",
                                    "DROP INDEX runs_profile", "DROP INDEX items_failed",
                                    "CREATE INDEX runs_lot ON runs (lot, started_at)",
                                    "CREATE INDEX runs_station ON runs (station, started_at)",
                                    "ALTER TABLE runs DROP COLUMN panel_first",
                                    "ALTER TABLE runs DROP COLUMN panel_last", "ALTER TABLE runs DROP COLUMN open_short_x",
                                    "ALTER TABLE runs DROP COLUMN open_short_y", "DROP TABLE yield_quarters",
                                    "UPDATE schema_version SET version = 1"})
                QVERIFY2(q.exec(sql), sql);
        }
        ResultStore store;
        QVERIFY(store.openLocal(db, nullptr));
        QCOMPARE(scalar(store, "SELECT version FROM schema_version").toInt(), schema::Version);
        QCOMPARE(flags(store), expected);
        QCOMPARE(yieldRows(store.database(), true), yieldRows(store.database(), false));
        QCOMPARE(levels(store), recordedLevels);
        QVERIFY(scalar(store, "SELECT sql FROM sqlite_master WHERE name = 'runs_lot'").toString().contains("panel_last"));
        QVERIFY2(!recordedLevels.first().startsWith(QLatin1Char('/')), qPrintable(recordedLevels.first()));
    }

    void aNewerStoreIsRefused()
    {
        QTemporaryDir dir;
        {
            ResultStore store;
            QVERIFY(store.openLocal(dir.filePath("results.db"), nullptr));
            QSqlQuery(store.database()).exec("UPDATE schema_version SET version = 99");
        }
        ResultStore again;
        QString error;
        QVERIFY(!again.openLocal(dir.filePath("results.db"), &error));
        QVERIFY2(error.contains("newer"), qPrintable(error));
    }

    // A store that another program holds locked, that the station may not
    // write, or whose disk is full: the reason once, and once it is fixed
    // the run kept meanwhile is recorded with the next.
    void recorderThroughAStoreThatRefuses_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("locked") << "locked";
        QTest::newRow("read-only") << "read-only";
        QTest::newRow("full") << "full";
    }
    void recorderThroughAStoreThatRefuses()
    {
        QFETCH(QString, fault);
        QTemporaryDir dir;
        const QString db = dir.filePath("results.db");
        QStringList filed;
        for (int i = 0; i < 3; ++i) {
            filed << dir.filePath(QStringLiteral("resultsPASS/SN%1-2026120609410%1-00-00-Pass.csv").arg(i));
            QVERIFY(write(filed.last(), stationResultFile("run-pass-30x20.csv")));
        }
        {
            ResultStore store; // the file exists before the fault
            QVERIFY(store.openLocal(db, nullptr));
        }
        ResultStore locker;
        std::optional<FileModesBind> asAUser;
        if (fault == "read-only") {
            // The recorder's thread is made without root's right to write anyway.
            QVERIFY(QFile::setPermissions(db, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
            asAUser.emplace();
        }
        ResultRecorder recorder(db);
        asAUser.reset();
        QSignalSpy down(&recorder, &ResultRecorder::unavailable);
        QSignalSpy up(&recorder, &ResultRecorder::available);
        QSignalSpy recorded(&recorder, &ResultRecorder::recorded);
        if (fault == "full") {
            recorder.record(contextFromFile(filed[0], "ST1"));
            QTRY_COMPARE(recorded.count(), 1);
            // No file may grow past what it is now, as on a full disk.
            const qint64 now = std::max(QFileInfo(db).size(), QFileInfo(db + "-wal").size());
            QVERIFY(now > 0);
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{rlim_t(now), RLIM_INFINITY};
            QCOMPARE(setrlimit(RLIMIT_FSIZE, &limit), 0);
        } else if (fault == "locked") {
            QVERIFY(locker.openLocal(db, nullptr));
            QVERIFY(QSqlQuery(locker.database()).exec("BEGIN EXCLUSIVE"));
        }
        recorder.record(contextFromFile(filed[1], "ST1"));
        QTRY_COMPARE_WITH_TIMEOUT(down.count(), 1, 10000);
        QVERIFY2(!down.first().at(0).toString().isEmpty(), "no reason given");

        if (fault == "full") {
            const rlimit none{RLIM_INFINITY, RLIM_INFINITY};
            QCOMPARE(setrlimit(RLIMIT_FSIZE, &none), 0);
        } else if (fault == "locked") {
            QVERIFY(QSqlQuery(locker.database()).exec("ROLLBACK"));
            locker.close();
        } else {
            // SQLite made its -wal and -shm files as read-only as the store:
            // the store is the three files.
            for (const QString &file : {db, db + "-wal", db + "-shm"})
                QVERIFY(!QFile::exists(file)
                        || QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        }
        recorder.record(contextFromFile(filed[2], "ST1"));
        QTRY_COMPARE_WITH_TIMEOUT(up.count(), 1, 10000);
        QTRY_COMPARE(recorded.count(), fault == "full" ? 3 : 2);
        QCOMPARE(down.count(), 1);
        ResultStore store;
        QVERIFY(store.openLocal(db, nullptr));
        QCOMPARE(scalar(store, "SELECT COUNT(*) FROM runs").toInt(), fault == "full" ? 3 : 2);
    }

    // The recorder through a store that cannot be written, then a corrupt one:
    // the reason once, the runs kept and recorded once the store works, a
    // corrupt file moved aside and the store rebuilt from the folders.
    void recorderThroughABrokenStore()
    {
        QTemporaryDir dir;
        const QString db = dir.filePath("results.db");
        QVERIFY(QDir().mkpath(db)); // a folder where the file should be
        const QString filed = dir.filePath("resultsPASS/SN1-20261206094107-00-00-Pass.csv");
        QVERIFY(write(filed, stationResultFile("run-pass-30x20.csv")));
        {
            ResultRecorder recorder(db);
            QSignalSpy down(&recorder, &ResultRecorder::unavailable);
            QSignalSpy up(&recorder, &ResultRecorder::available);
            QSignalSpy recorded(&recorder, &ResultRecorder::recorded);
            RunContext c = contextFromFile(filed, "ST1");
            recorder.record(c);
            recorder.record(c);
            QTRY_COMPARE(down.count(), 1);
            QVERIFY(QDir().rmdir(db));
            // Fixed: the next run brings the kept ones in too.
            const QString second = dir.filePath("resultsFAIL/SN2-20261206094108-00-00-Fail.csv");
            QVERIFY(write(second, stationResultFile("run-fail-30x20.csv")));
            recorder.record(contextFromFile(second, "ST1"));
            QTRY_COMPARE(up.count(), 1);
            QTRY_COMPARE(recorded.count(), 3);
            QCOMPARE(down.count(), 1);
        }
        {
            ResultStore store;
            QVERIFY(store.openLocal(db, nullptr));
            QCOMPARE(scalar(store, "SELECT COUNT(*) FROM runs").toInt(), 2);
        }
        QVERIFY(write(db, QByteArray(8192, 'x')));
        QFile::remove(db + "-wal");
        QFile::remove(db + "-shm");
        ResultRecorder recorder(db);
        QSignalSpy recorded(&recorder, &ResultRecorder::recorded);
        recorder.catchUp({{dir.filePath("resultsPASS"), dir.filePath("resultsFAIL")}, {}, {}, "ST1"});
        QTRY_COMPARE(recorded.count(), 2);
        QCOMPARE(QDir(dir.path()).entryList({"results.db.corrupt-*"}).size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestResultsStore)
#include "tst_results_store.moc"
