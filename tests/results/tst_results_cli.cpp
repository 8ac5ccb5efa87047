// kavel-results as the operator runs it: the real binary against a real
// SQLite file and a real PostgreSQL server, on a generated tree of result
// folders whose yields are known.
#include "pgserver.h"
#include "resultdata.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Operator input that must survive as typed: quotes, semicolons, non-ASCII.
const QString Barcode = QStringLiteral("SN\"7;ü");
const QString Lot = QStringLiteral("L'1;x");
const QString Worker = QStringLiteral("Wörker");

struct Result
{
    int exitCode = -1;
    QString out;
    QString err;
};

Result runTool(const QString &workingDir, const QStringList &arguments, const QString &timeZone = QString())
{
    QProcess p;
    p.setWorkingDirectory(workingDir);
    if (!timeZone.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TZ"), timeZone);
        p.setProcessEnvironment(env);
    }
    p.start(QStringLiteral(KAVEL_RESULTS_TOOL), arguments);
    Result r;
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
        return r;
    r.exitCode = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// A file as the station files it; modified sets its time where the name has none.
bool file(const QString &path, const QByteArray &content, const QDateTime &modified = QDateTime())
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size() || !f.flush())
        return false;
    return !modified.isValid() || f.setFileTime(modified, QFileDevice::FileModificationTime);
}

// Day 1: the barcode fails, then passes; a Manual and an Auto run pass.
// Day 2: one Barcode run fails. Beside them, two files that are no results.
bool writeTree(const QString &root)
{
    const QByteArray pass = stationResultFile("run-pass-30x20.csv");
    const QByteArray fail = stationResultFile("run-fail-30x20.csv");
    const QDateTime day1(QDate(2026, 12, 6), QTime(12, 0));
    return !pass.isEmpty() && !fail.isEmpty()
           && file(root + "/resultsFAIL/" + Barcode + "-20261206091000-00-00-Fail.csv", fail)
           && file(root + "/resultsPASS/" + Barcode + "-20261206093000-00-00-Pass.csv", pass)
           && file(root + "/resultsPASS/" + Lot + "-" + Worker + "-SN9.csv", pass, day1)
           && file(root + "/archive/resultsPASS/12-06-11-00-00.csv", pass, day1)
           && file(root + "/archive/resultsFAIL/SN5-20261207080000-00-00-Fail.csv", fail)
           && file(root + "/log/summary.csv", "hello\n") && file(root + "/notes.txt", "hello\n");
}

QList<QJsonObject> jsonLines(const QString &text)
{
    QList<QJsonObject> objects;
    for (const QString &line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(line.toUtf8(), &error);
        if (error.error != QJsonParseError::NoError || !doc.isObject())
            return {};
        objects << doc.object();
    }
    return objects;
}

} // namespace

class TestResultsCli : public QObject
{
    Q_OBJECT

private slots:
    // The same commands on the station's SQLite file and on the line's
    // PostgreSQL server (./line.ini), so that every query runs on both engines.
    void storeCommands_data()
    {
        QTest::addColumn<bool>("line");
        QTest::newRow("station store") << false;
        QTest::newRow("line server") << true;
    }
    void storeCommands()
    {
        QFETCH(bool, line);
        QTemporaryDir dir;
        QVERIFY(writeTree(dir.filePath("tree")));
        std::unique_ptr<PgServer> pg;
        QStringList store;
        if (line) {
            if (!PgServer::available())
                QSKIP("PostgreSQL 15 is not installed");
            pg = std::make_unique<PgServer>();
            QVERIFY2(pg->start() && pg->createDatabase("results"), qPrintable(pg->errorString()));
            QVERIFY(file(dir.filePath("line.ini"),
                         "[line]\nconnection=" + pg->connectionString("results").toUtf8() + "\n"));
            store << "--line";
        }
        const auto tool = [&](QStringList arguments) { return runTool(dir.path(), store + arguments); };

        Result r = tool({"import", "--station", "ST-07", "tree"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QStringLiteral("imported 5, known 0, skipped 2\n"));
        QVERIFY2(r.err.contains("skipped, not a result file: " + dir.filePath("tree/notes.txt")), qPrintable(r.err));
        QVERIFY2(r.err.contains("skipped, not a result file: " + dir.filePath("tree/log/summary.csv")),
                 qPrintable(r.err));
        QVERIFY2(r.err.count('\n') == 2 && !r.err.contains('\r'), qPrintable(r.err)); // no bar into a log
        r = tool({"import", "tree"});
        QCOMPARE(r.out, QStringLiteral("imported 0, known 5, skipped 2\n"));
        {
            // The station's store queues its runs for the line; the line's server does not.
            QSqlDatabase db = QSqlDatabase::addDatabase(line ? "QPSQL" : "QSQLITE", "check");
            if (line)
                pg->configure(db, "results");
            else
                db.setDatabaseName(dir.filePath("results.db")); // the default store
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec("SELECT COUNT(*) FROM outbox") && q.next());
            QCOMPARE(q.value(0).toInt(), line ? 0 : 5);
        }
        QSqlDatabase::removeDatabase("check");
        if (!line) {
            // The station's outbox sent to a line's server at once.
            PgServer server;
            QVERIFY2(server.start() && server.createDatabase("line"), qPrintable(server.errorString()));
            r = tool({"sync", "--connection", server.connectionString("line")});
            QCOMPARE(r.out, QStringLiteral("sent 5, waiting 0\n"));
            QVERIFY2(r.exitCode == 0, qPrintable(r.err));
        }

        // Newest first, found as typed, with the items that failed.
        r = tool({"find", "--barcode", Barcode, "--format", "json"});
        QCOMPARE(r.exitCode, 0);
        const QList<QJsonObject> found = jsonLines(r.out);
        QCOMPARE(found.size(), 2);
        QCOMPARE(found[0]["verdict"].toString(), "PASS");
        QCOMPARE(found[0]["started"].toString(), "2026-12-06T09:30:00");
        QCOMPARE(found[0]["barcode"].toString(), Barcode);
        QCOMPARE(found[0]["station"].toString(), "ST-07");
        QCOMPARE(found[1]["failed"].toArray(), QJsonArray{"open_short"});
        r = tool({"find", "--lot", Lot});
        QCOMPARE(r.out.count('\n'), 2);
        QVERIFY2(r.out.contains(Lot) && r.out.contains("SN9"), qPrintable(r.out));

        // By barcode prefix: the quoted barcode and SN9, SN5; a prefix as typed.
        r = tool({"find", "--barcode-prefix", "SN", "--format", "csv"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out.count('\n'), 1 + 4);
        r = tool({"find", "--barcode-prefix", "SN\"7", "--format", "json"});
        QCOMPARE(jsonLines(r.out).size(), 2);

        // The barcode passed at its second run: first-pass and final yield
        // differ, with the counts beside them.
        const QString columns = QStringLiteral(
            "runs,panels,firstPassed,firstPassYield,finalPassed,finalYield,passedAfterRetest,neverPassed,retests\n");
        r = tool({"yield", "--by", "day", "--format", "csv"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, "day," + columns
                            + "2026-12-06,4,3,2,66.7,3,100.0,1,0,1\n"
                              "2026-12-07,1,1,0,0.0,0,0.0,0,1,0\n");
        r = tool({"yield", "--by", "lot", "--since", "2026-12-06", "--until", "2026-12-06", "--format", "csv"});
        QCOMPARE(r.out, "lot," + columns + ",3,2,1,50.0,2,100.0,1,0,1\n\"" + Lot + "\",1,1,1,100.0,1,100.0,0,0,0\n");
        // An hour holding the retest alone has no panel first tested: no yield.
        r = tool({"yield", "--by", "hour", "--since", "2026-12-06T09:20", "--until", "2026-12-06T09:40", "--format",
                  "json"});
        QCOMPARE(r.out, QStringLiteral("{\"hour\":\"2026-12-06T09:00\",\"runs\":1,\"panels\":0,\"firstPassed\":0,"
                                       "\"firstPassYield\":null,\"finalPassed\":0,\"finalYield\":null,"
                                       "\"passedAfterRetest\":0,\"neverPassed\":0,\"retests\":0}\n"));
        // Engineering runs (./stats.ini) are left out, or shown alone.
        QVERIFY(file(dir.filePath("stats.ini"), "[engineering]\nbarcodes=SN5\n"));
        r = tool({"yield", "--by", "day", "--format", "csv"});
        QCOMPARE(r.out, "day," + columns + "2026-12-06,4,3,2,66.7,3,100.0,1,0,1\n");
        r = tool({"yield", "--by", "day", "--engineering", "--format", "csv"});
        QCOMPARE(r.out, "day," + columns + "2026-12-07,1,1,0,0.0,0,0.0,0,1,0\n");
        QVERIFY(QFile::remove(dir.filePath("stats.ini")));

        // One object per run, oldest first, in the shape the MES takes.
        r = tool({"export", "--format", "json"});
        QCOMPARE(r.exitCode, 0);
        const QList<QJsonObject> runs = jsonLines(r.out);
        QCOMPARE(runs.size(), 5);
        QStringList order;
        for (const QJsonObject &run : runs)
            order << run["context"]["barcode"].toString();
        QCOMPARE(order, (QStringList{Barcode, Barcode, "", "SN9", "SN5"}));
        QCOMPARE(runs[3]["context"]["worker"].toString(), Worker);
        QCOMPARE(runs[3]["context"]["lot"].toString(), Lot);
        QCOMPARE(runs[3]["context"]["startMode"].toString(), "Manual");
        const QJsonObject &failed = runs[0];
        QCOMPARE(failed["run"]["verdict"].toString(), "FAIL");
        QCOMPARE(failed["failingElectrodes"].toArray().size(), 3);
        bool openShortFailed = false;
        for (const QJsonValue &item : failed["items"].toArray())
            openShortFailed |= item["name"] == "open_short" && item["pass"] == false;
        QVERIFY(openShortFailed);
        r = tool({"export", "--format", "csv", "--since", "2026-12-07"});
        QCOMPARE(r.out.count('\n'), 2);
        QVERIFY2(r.out.split('\n').at(1).contains(",SN5,"), qPrintable(r.out));
    }

    // Hours and days are local wall-clock time on both sides of the night the
    // clocks go forward: one offset for the whole range would move the runs
    // before the change into the wrong hour and day.
    void localTimeAcrossSummerTime()
    {
        const QString berlin = QStringLiteral("Europe/Berlin");
        QTemporaryDir dir;
        const QByteArray pass = stationResultFile("run-pass-30x20.csv");
        const QStringList times{"20260328233000", "20260329013000", "20260329033000"};
        for (qsizetype i = 0; i < times.size(); ++i)
            QVERIFY(file(dir.filePath(QStringLiteral("resultsPASS/SN%1-%2-00-00-Pass.csv").arg(i).arg(times[i])), pass));
        QCOMPARE(runTool(dir.path(), {"import", "resultsPASS"}, berlin).exitCode, 0);

        Result r = runTool(dir.path(), {"yield", "--by", "hour", "--format", "csv"}, berlin);
        const QString columns = QStringLiteral(
            "runs,panels,firstPassed,firstPassYield,finalPassed,finalYield,passedAfterRetest,neverPassed,retests\n");
        QCOMPARE(r.out, "hour," + columns
                            + "2026-03-28T23:00,1,1,1,100.0,1,100.0,0,0,0\n"
                              "2026-03-29T01:00,1,1,1,100.0,1,100.0,0,0,0\n"
                              "2026-03-29T03:00,1,1,1,100.0,1,100.0,0,0,0\n");
        r = runTool(dir.path(), {"yield", "--by", "day", "--format", "csv"}, berlin);
        QCOMPARE(r.out, "day," + columns
                            + "2026-03-28,1,1,1,100.0,1,100.0,0,0,0\n"
                              "2026-03-29,2,2,2,100.0,2,100.0,0,0,0\n");
        // The export says the offset each run was taken under.
        r = runTool(dir.path(), {"export", "--format", "csv", "--since", "2026-03-29"}, berlin);
        QVERIFY2(r.out.contains(",2026-03-29T01:30:00+01:00,") && r.out.contains(",2026-03-29T03:30:00+02:00,"),
                 qPrintable(r.out));
    }

    void exitCodes_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says"); // on stdout for 0, else on stderr
        const QString usage = QStringLiteral("kavel-results: ");
        QTest::newRow("no command") << QStringList{} << 2 << usage;
        QTest::newRow("unknown command") << QStringList{"frobnicate"} << 2 << usage;
        QTest::newRow("unknown option") << QStringList{"find", "--colour"} << 2 << usage;
        QTest::newRow("another command's option") << QStringList{"find", "--by", "day"} << 2 << usage;
        QTest::newRow("find without a filter") << QStringList{"find"} << 2 << usage;
        QTest::newRow("no date") << QStringList{"find", "--since", "2026-13-01"} << 2 << usage;
        QTest::newRow("since after until") << QStringList{"find", "--since", "2026-12-07", "--until", "2026-12-06"}
                                           << 2 << usage;
        QTest::newRow("unknown group") << QStringList{"yield", "--by", "week"} << 2 << usage;
        QTest::newRow("export without format") << QStringList{"export"} << 2 << usage;
        QTest::newRow("import without folder") << QStringList{"import"} << 2 << usage;
        QTest::newRow("two stores") << QStringList{"--store", "a.db", "--line", "find", "--lot", "L"} << 2 << usage;
        QTest::newRow("help") << QStringList{"--help"} << 0 << "Usage: kavel-results [STORE] COMMAND";
        QTest::newRow("help command") << QStringList{"help", "yield"} << 0 << "--by GROUP";
        QTest::newRow("command help") << QStringList{"export", "--help"} << 0 << "--format F";
        QTest::newRow("no store") << QStringList{"find", "--lot", "L"} << 1 << "no store at ./results.db";
        QTest::newRow("no folder") << QStringList{"import", "gone"} << 1 << "no such file or folder: gone";
        QTest::newRow("sync, no store") << QStringList{"sync"} << 1 << "sync: no store at ./results.db";
    }
    void exitCodes()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        QTemporaryDir dir;
        const Result r = runTool(dir.path(), arguments);
        QCOMPARE(r.exitCode, exitCode);
        const QString &stream = exitCode == 0 ? r.out : r.err;
        QVERIFY2(stream.contains(says), qPrintable(stream));
        QCOMPARE((exitCode == 0 ? r.err : r.out), QString());
    }
};

QTEST_GUILESS_MAIN(TestResultsCli)
#include "tst_results_cli.moc"
