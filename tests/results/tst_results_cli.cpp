// kavel-results as the operator runs it: the real binary against a real
// SQLite file and a real PostgreSQL server, on a generated tree of result
// folders whose yields are known.
#include "conditions.h"
#include "linesettings.h"
#include "pgserver.h"
#include "resultdata.h"
#include "resultstore.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// A profile as the station reads it, with the administrator's password in it.
QByteArray profileText(const QByteArray &current)
{
    return "[General]\nqvd=MTIzNDU2\nElectric_thr=" + current + "\nTb_value_thr=100\n[ModeSwitch]\nDebug_Mode=1\n";
}

// Runs as the station records them, with what each was judged against: C1
// and C2 under the first version of p.ini (C1 with the baseline, C2 without
// planeness items but with a firmware download), C3 under the second.
bool recordJudgedRuns(results::ResultStore &store)
{
    const QByteArray content = stationResultFile("run-pass-30x20.csv");
    results::ResultRecord parsed;
    results::readResult(std::string_view(content.constData(), std::size_t(content.size())), parsed);
    const struct
    {
        const char *barcode;
        int minute;
        QByteArray profile, baseline, firmware;
    } runs[] = {{"C1", 0, profileText("20.0"), "Debug:\n1,2,\n", ""},
                {"C2", 10, profileText("20.0"), "", "$00AB\n"},
                {"C3", 20, profileText("25.0"), "Debug:\n1,2,\n", ""}};
    for (const auto &run : runs) {
        results::RunContext c;
        c.station = QStringLiteral("ST-07");
        c.startMode = QStringLiteral("Barcode");
        c.barcode = QString::fromLatin1(run.barcode);
        c.profile = QStringLiteral("p.ini");
        c.startedAt = QDateTime(QDate(2026, 12, 8), QTime(9, run.minute));
        c.endedAt = c.startedAt.addSecs(20);
        c.verdict = QStringLiteral("PASS");
        c.path = QStringLiteral("/station/resultsPASS/%1-%2-00-00-Pass.csv")
                     .arg(c.barcode, c.startedAt.toString(QStringLiteral("yyyyMMddhhmmss")));
        c.profileText = run.profile;
        c.baselineText = run.baseline;
        c.firmwareText = run.firmware;
        c.softwareVersion = QStringLiteral("3.1+g1a2b3c4d");
        QString error;
        if (store.record(c, content, parsed, &error) != results::Recorded::Added) {
            qWarning() << error;
            return false;
        }
    }
    return true;
}

QString sha1Of(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex());
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
        if (line) {
            // Set up as its administrator does, with the connection line.ini names.
            const Result init = tool({"server", "init"});
            QVERIFY2(init.exitCode == 0 && init.out.contains("schema 3"), qPrintable(init.out + init.err));
        }

        Result r = tool({"import", "--station", "ST-07", "tree"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QStringLiteral("imported 5, known 0, skipped 2\n"));
        QVERIFY2(r.err.contains("skipped, not a result file: " + dir.filePath("tree/notes.txt")), qPrintable(r.err));
        QVERIFY2(r.err.contains("skipped, not a result file: " + dir.filePath("tree/log/summary.csv")),
                 qPrintable(r.err));
        QVERIFY2(r.err.count('\n') == 2 && !r.err.contains('\r'), qPrintable(r.err)); // no bar into a log
        // A file is known by its station, name and content.
        r = tool({"import", "--station", "ST-07", "tree"});
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
            // The server numbers what arrives; it has no outbox.
            QVERIFY(q.exec(line ? "SELECT COUNT(DISTINCT received_seq) FROM runs" : "SELECT COUNT(*) FROM outbox")
                    && q.next());
            QCOMPARE(q.value(0).toInt(), 5);
        }
        QSqlDatabase::removeDatabase("check");
        if (!line) {
            // The station's outbox sent to a line's server at once.
            PgServer server;
            QVERIFY2(server.start() && server.createDatabase("line"), qPrintable(server.errorString()));
            QCOMPARE(tool({"--connection", server.connectionString("line"), "server", "init"}).exitCode, 0);
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
        // Imported from their files: what they were judged against is not known.
        for (const char *key : {"profile_sha1", "baseline_sha1", "firmware_sha1", "software_version"})
            QVERIFY2(found[0].contains(key) && found[0][key].isNull(), key);
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

        // Runs exactly at a range's ends: --since takes the run that started
        // then, --until leaves it out.
        r = tool({"find", "--barcode", Barcode, "--since", "2026-12-06T09:30:00", "--format", "csv"});
        QCOMPARE(r.out.count('\n'), 2);
        QVERIFY2(r.out.contains(",2026-12-06T09:30:00,"), qPrintable(r.out));
        r = tool({"find", "--barcode", Barcode, "--until", "2026-12-06T09:30:00", "--format", "csv"});
        QCOMPARE(r.out.count('\n'), 2);
        QVERIFY2(r.out.contains(",2026-12-06T09:10:00,"), qPrintable(r.out));
        r = tool({"export", "--format", "json", "--since", "2026-12-06T09:30", "--until", "2026-12-06T11:00"});
        QCOMPARE(r.exitCode, 0);
        const QList<QJsonObject> inRange = jsonLines(r.out);
        QCOMPARE(inRange.size(), 1);
        QCOMPARE(inRange[0]["run"]["started"].toString().left(19), "2026-12-06T09:30:00");
        QCOMPARE(inRange[0]["items"].toArray().size(), 11);
        r = tool({"export", "--format", "csv", "--since", "2026-12-06T09:30", "--until", "2026-12-06T11:00:01"});
        QCOMPARE(r.out.count('\n'), 3);
        r = tool({"yield", "--by", "day", "--since", "2026-12-06T09:30", "--until", "2026-12-06T11:00:01", "--format", "csv"});
        QCOMPARE(r.out, "day," + columns + "2026-12-06,2,1,1,100.0,1,100.0,0,0,0\n");
        r = tool({"yield", "--by", "day", "--since", "2026-12-06T09:30:01", "--until", "2026-12-06T11:00:01", "--format", "csv"});
        QCOMPARE(r.out, "day," + columns + "2026-12-06,1,1,1,100.0,1,100.0,0,0,0\n");

        // Nothing found is said, on stderr, so that the output stays a table.
        r = tool({"find", "--barcode", "none such"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QString());
        QCOMPARE(r.err, QStringLiteral("find: no run matches\n"));

        // Runs recorded with what they were judged against, in a store of
        // their own: each text once, the profile's versions, their keys.
        {
            QStringList judged;
            results::ResultStore store;
            QString error;
            if (line) {
                QVERIFY(pg->createDatabase("judged"));
                judged << "--connection" << pg->connectionString("judged");
                QCOMPARE(runTool(dir.path(), judged + QStringList{"server", "init"}).exitCode, 0);
                QVERIFY2(store.openDatabase(results::addLineDatabase(pg->connectionString("judged"),
                                                                     store.connectionName()),
                                            &error),
                         qPrintable(error));
            } else {
                judged << "--store" << dir.filePath("judged.db");
                QVERIFY2(store.openLocal(dir.filePath("judged.db"), &error), qPrintable(error));
            }
            QVERIFY(recordJudgedRuns(store));
            // A version saved on the station and never run; the line learns a
            // version only with a run.
            const bool saved = store.recordProfileSaved("p.ini", profileText("30.0"), "ST-07",
                                                        QDateTime(QDate(2026, 12, 8), QTime(10, 0)), &error);
            QCOMPARE(saved, !line);
            const QByteArray first = results::conditions::storedProfileText(profileText("20.0"));
            QVERIFY(!first.contains("qvd"));
            const QString v1 = sha1Of(first);
            const QString v2 = sha1Of(results::conditions::storedProfileText(profileText("25.0")));
            QCOMPARE(QSqlQuery(store.database()).exec("SELECT 1"), true);
            {
                QSqlQuery q(store.database());
                QVERIFY(q.exec("SELECT COUNT(*), SUM(CASE WHEN kind = 'profile' THEN 1 ELSE 0 END) FROM texts") && q.next());
                QCOMPARE(q.value(0).toInt(), line ? 4 : 5); // two runs under v1, one text
                QCOMPARE(q.value(1).toInt(), line ? 2 : 3);
            }
            const auto judgedTool = [&](const QStringList &arguments) { return runTool(dir.path(), judged + arguments); };
            r = judgedTool({"profile", "p.ini", "--format", "csv"});
            QCOMPARE(r.exitCode, 0);
            QString versions = "first_seen,station,profile_sha1,runs\n2026-12-08T09:00:00,ST-07," + v1
                               + ",2\n2026-12-08T09:20:00,ST-07," + v2 + ",1\n";
            if (!line)
                versions += "2026-12-08T10:00:00,ST-07," + sha1Of(results::conditions::storedProfileText(
                                                                profileText("30.0")))
                            + ",0\n";
            QCOMPARE(r.out, versions);
            r = judgedTool({"profile", "--show", v1.left(12)});
            QCOMPARE(r.exitCode, 0);
            QCOMPARE(r.out.toUtf8(), first);
            r = judgedTool({"profile", "--diff", v1, v2.left(6), "--format", "csv"});
            QCOMPARE(r.exitCode, 0);
            QCOMPARE(r.out, QStringLiteral("key,change,old,new\nElectric_thr,changed,20.0,25.0\n"));
            r = judgedTool({"profile", "--diff", v2, v1});
            QCOMPARE(r.out.count('\n'), 2);
            QVERIFY2(r.out.contains(QRegularExpression("Electric_thr +changed +25.0 +20.0")), qPrintable(r.out));
            r = judgedTool({"profile", "--show", "abcdef"});
            QCOMPARE(r.exitCode, 1);
            QCOMPARE(r.err, QStringLiteral("profile: the store holds no text of hash abcdef\n"));
            r = judgedTool({"profile", "q.ini"});
            QCOMPARE(r.out, QString());
            QCOMPARE(r.err, QStringLiteral("profile: no run of profile q.ini is known, nor a save of it\n"));

            r = judgedTool({"find", "--barcode-prefix", "C", "--format", "json"});
            const QList<QJsonObject> runs = jsonLines(r.out);
            QCOMPARE(runs.size(), 3);
            QCOMPARE(runs[1]["barcode"].toString(), "C2");
            QCOMPARE(runs[1]["profile_sha1"].toString(), v1);
            QVERIFY(runs[1]["baseline_sha1"].isNull());
            QCOMPARE(runs[1]["firmware_sha1"].toString(), sha1Of("$00AB\n"));
            QCOMPARE(runs[1]["software_version"].toString(), "3.1+g1a2b3c4d");
            QCOMPARE(runs[0]["baseline_sha1"].toString(), sha1Of("Debug:\n1,2,\n"));
            QVERIFY(runs[0]["firmware_sha1"].isNull());
            r = judgedTool({"find", "--barcode", "C3"});
            QVERIFY2(r.out.contains(" " + v2.left(12) + " ") && !r.out.contains(v2), qPrintable(r.out));
            r = judgedTool({"export", "--format", "csv"});
            QVERIFY2(r.out.startsWith("runId,verdict,started,ended,station,startMode,lot,worker,barcode,profile,file,"
                                      "profile_sha1,baseline_sha1,firmware_sha1,software_version,"),
                     qPrintable(r.out));
            QVERIFY2(r.out.contains(",p.ini,/station/resultsPASS/C2-20261208091000-00-00-Pass.csv," + v1 + ",,"
                                    + sha1Of("$00AB\n") + ",3.1+g1a2b3c4d,"),
                     qPrintable(r.out));
            r = judgedTool({"export", "--format", "json"});
            const QList<QJsonObject> exported = jsonLines(r.out);
            QCOMPARE(exported.size(), 3);
            QCOMPARE(exported[2]["context"]["profile_sha1"].toString(), v2);
            QCOMPARE(exported[2]["context"]["software_version"].toString(), "3.1+g1a2b3c4d");
            QVERIFY(exported[1]["context"]["baseline_sha1"].isNull());
        }

        if (!line)
            return;

        // By arrival on the line's server: everything the first time, then
        // what arrived since, a run taken long before included.
        r = tool({"export", "--format", "csv", "--after", "0"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out.count('\n'), 6);
        QCOMPARE(r.err, QStringLiteral("next cursor: 5\n"));
        r = tool({"export", "--format", "json", "--after", "5"});
        QCOMPARE(r.out, QString());
        QCOMPARE(r.err, QStringLiteral("next cursor: 5\n"));
        QVERIFY(file(dir.filePath("late/resultsFAIL/SN0-20250101080000-00-00-Fail.csv"),
                     stationResultFile("run-fail-30x20.csv")));
        QCOMPARE(tool({"import", "--station", "ST-08", "late"}).out, QStringLiteral("imported 1, known 0, skipped 0\n"));
        r = tool({"export", "--format", "json", "--after", "5"});
        const QList<QJsonObject> late = jsonLines(r.out);
        QCOMPARE(late.size(), 1);
        QCOMPARE(late.first()["context"]["barcode"].toString(), "SN0");
        QCOMPARE(r.err, QStringLiteral("next cursor: 6\n"));
    }

    // Capability as a quality engineer asks it of the station's store and of
    // the line's server the station sent its runs to: the limits each run was
    // judged under, a limit raised between two runs, a golden sample left out.
    void capability_data()
    {
        QTest::addColumn<bool>("line");
        QTest::newRow("station store") << false;
        QTest::newRow("line server") << true;
    }
    void capability()
    {
        QFETCH(bool, line);
        QTemporaryDir dir;
        {
            // Runs as the station records them: with the profile they read.
            // ST-1: 10 12 under 15 mA, then 11 13 under 16; a golden sample
            // of 20 mA between them; ST-2: 14 under 16; one run of ST-1 two
            // days before, its profile lost.
            results::ResultStore store;
            QString error;
            QVERIFY2(store.openLocal(dir.filePath("results.db"), &error), qPrintable(error));
            const QDateTime t0(QDate(2026, 12, 6), QTime(9, 0));
            struct
            {
                int minute;
                const char *station, *barcode, *current, *limit;
            } const runs[] = {{0, "ST-1", "SN1", "10", "15"},   {5, "ST-1", "SN2", "12", "15"},
                              {10, "ST-1", "GOLD-1", "20", "15"}, {20, "ST-1", "SN3", "11", "16"},
                              {30, "ST-1", "SN4", "13", "16"},  {40, "ST-2", "SN5", "14", "16"},
                              {-2880, "ST-1", "SN0", "9", ""}};
            for (const auto &run : runs) {
                results::RunContext c;
                c.station = run.station;
                c.barcode = run.barcode;
                c.profile = "demo.ini";
                if (*run.limit)
                    c.profileText = QByteArray("[General]\nElectric_thr=") + run.limit + "\nBtn_Min=100\nBtn_Max=140\n";
                c.startedAt = c.endedAt = t0.addSecs(60 * run.minute);
                c.verdict = "PASS";
                c.path = dir.filePath(QStringLiteral("resultsPASS/%1.csv").arg(run.barcode));
                const QByteArray ma = QByteArray(run.current) + "MA";
                QVERIFY(file(c.path, "Electric,PASS," + ma + ',' + ma + ',' + ma + "\nBtnData,120,124\n"));
                QCOMPARE(store.record(c, &error), results::Recorded::Added);
            }
        }
        QVERIFY(file(dir.filePath("stats.ini"), "[engineering]\nbarcodes=GOLD*\n"));
        std::unique_ptr<PgServer> pg;
        QStringList store;
        if (line) {
            if (!PgServer::available())
                QSKIP("PostgreSQL 15 is not installed");
            pg = std::make_unique<PgServer>();
            QVERIFY2(pg->start() && pg->createDatabase("line"), qPrintable(pg->errorString()));
            store = QStringList{"--connection", pg->connectionString("line")};
            QCOMPARE(runTool(dir.path(), store + QStringList{"server", "init"}).exitCode, 0);
            const Result sent = runTool(dir.path(), store + QStringList{"sync"});
            QVERIFY2(sent.out == "sent 7, waiting 0\n", qPrintable(sent.out + sent.err));
            QVERIFY(QFile::remove(dir.filePath("results.db")));
        }
        const auto tool = [&](const QStringList &arguments) { return runTool(dir.path(), store + arguments); };

        // Version 1: 10 12 (one moving range, 2); version 2: 11 13 on ST-1
        // (2: 11's range against the golden sample is no range of
        // production, and was judged under the old limit) and 14 on ST-2; the
        // run whose profile was lost: a version of its own, limits not known.
        Result r = tool({"capability", "--item", "Electric", "--since", "2026-12-06"});
        QCOMPARE(r.exitCode, 0);
        QStringList rows;
        for (const QString &l : r.out.split('\n', Qt::SkipEmptyParts))
            rows << l.simplified();
        QCOMPARE(rows, (QStringList{"measurement version lower upper count mean sigmaWithin sigmaOverall cp cpk pp ppk outside",
                                    "current 1/2 - 15 2 11 1.77305 1.41421 - 0.752 - 0.942809 0",
                                    "current 2/2 - 16 3 12.6667 1.77305 1.52753 - 0.626667 - 0.727393 0"}));
        r = tool({"capability", "--item", "Electric", "--until", "2026-12-05"});
        QCOMPARE(r.out.split('\n', Qt::SkipEmptyParts).value(1).simplified(),
                 QStringLiteral("current 1/1 ? ? 1 9 - - - - - - 0"));
        r = tool({"capability", "--item", "Electric", "--format", "csv"});
        QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 1 + 3);
        QVERIFY2(lines.at(0).startsWith("item,measurement,unit,version,versions,first,last,limitsKnown,lower,upper,count,"),
                 qPrintable(lines.at(0)));
        QVERIFY2(lines.at(1).startsWith("Electric,current,mA,1,3,2026-12-04T09:00:00") && lines.at(1).contains(",false,,,1,9,"),
                 qPrintable(lines.at(1)));
        // The golden sample alone, and one station, one measurement.
        r = tool({"capability", "--item", "Electric", "--engineering", "--format", "json"});
        const QList<QJsonObject> gold = jsonLines(r.out);
        QCOMPARE(gold.size(), 1);
        QCOMPARE(gold[0]["count"].toInt(), 1);
        QCOMPARE(gold[0]["mean"].toDouble(), 20.0);
        QCOMPARE(gold[0]["above"].toInt(), 1);
        QVERIFY(gold[0]["limitsKnown"].toBool());
        QVERIFY(gold[0]["cpk"].isNull() && gold[0]["lower"].isNull());
        QCOMPARE(gold[0]["upper"].toDouble(), 15.0);
        r = tool({"capability", "--item", "BtnData", "--measurement", "Btn[1]", "--station", "ST-2", "--format", "csv"});
        lines = r.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        QVERIFY2(lines.at(1).startsWith("BtnData,Btn[1],,1,1,") && lines.at(1).contains(",true,100,140,1,124,"),
                 qPrintable(lines.at(1)));
        // Nothing measured: said on stderr, the table empty.
        r = tool({"capability", "--item", "RasterX", "--profile", "other.ini"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out, QString());
        QCOMPARE(r.err, QStringLiteral("capability: no RasterX measurement in the runs asked for\n"));
    }

    // A connection that breaks while the export runs: exit status 1 and how
    // many runs came, never 0 with part of the runs. The server stops while
    // the rows of the last page's items come (the driver hands them over one
    // by one: the loop over them ended early, and quietly), and between two
    // pages.
    void exportStoppedByTheServer()
    {
        if (!PgServer::available())
            QSKIP("PostgreSQL 15 is not installed");
        QTemporaryDir dir;
        // 150 runs whose USB version is a long text, more items than the
        // sockets hold; then enough plain runs for a second page.
        const QByteArray pass = stationResultFile("run-pass-30x20.csv");
        const QByteArray longVersion =
            QByteArray(pass).replace("Usb_Version,W103,", "Usb_Version,W103" + QByteArray(10000, 'x') + ",");
        constexpr int Long = 150;
        constexpr int Runs = 210;
        for (int i = 0; i < Runs; ++i) {
            const QTime at = QTime(8, 0).addSecs(i * 10);
            QVERIFY(file(dir.filePath(QStringLiteral("resultsPASS/SN%1-20261206%2-00-00-Pass.csv")
                                          .arg(i)
                                          .arg(at.toString("hhmmss"))),
                         i < Long ? longVersion : pass));
        }
        PgServer pg;
        QVERIFY2(pg.start() && pg.createDatabase("results"), qPrintable(pg.errorString()));
        // Set up as the README's line is: the station imports with its own
        // role, the MES exports with a reading one.
        const QString admin = pg.connectionString("results");
        for (const QStringList &setUp : {QStringList{"server", "init"},
                                         QStringList{"server", "add-station", "ST-1", "--role", "st1"},
                                         QStringList{"server", "add-reader", "--role", "mes"}}) {
            const Result done = runTool(dir.path(), QStringList{"--connection", admin} + setUp);
            QVERIFY2(done.exitCode == 0, qPrintable(done.err));
        }
        QVERIFY2(pg.setPassword("st1", "pw-st1") && pg.setPassword("mes", "pw-mes"), qPrintable(pg.errorString()));
        const QString line = pg.connectionString("results", "mes", "pw-mes");
        const Result imported = runTool(dir.path(), {"--connection", pg.connectionString("results", "st1", "pw-st1"),
                                                     "import", "--station", "ST-1", "resultsPASS"});
        QVERIFY2(imported.exitCode == 0, qPrintable(imported.err));
        const QString afterLong = QTime(8, 0).addSecs(Long * 10).toString("2026-12-06Thh:mm:ss");

        const auto finish = [](QProcess &p, QString &out, QString &err) {
            if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit)
                return -1;
            out = QString::fromUtf8(p.readAllStandardOutput());
            err = QString::fromUtf8(p.readAllStandardError());
            return p.exitCode();
        };
        const auto stoppedAfter = [](const QString &err) {
            const QRegularExpressionMatch said = QRegularExpression("^export: stopped after (\\d+) runs: .+\n$").match(err);
            return said.hasMatch() ? said.captured(1).toInt() : -1;
        };

        // While the items come: the test holds their table locked until the
        // tool waits for it, first to prepare its query, then to run it;
        // there it stops the tool, lets the server send until the sockets
        // are full, and stops the server.
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", "watch");
            pg.configure(db, "results");
            QVERIFY(db.open());
            QSqlQuery q(db);
            const auto lock = [&q] { return q.exec("BEGIN") && q.exec("LOCK TABLE items IN ACCESS EXCLUSIVE MODE"); };
            const auto waitFor = [&q](const QString &condition) {
                for (int i = 0; i < 3000; ++i) {
                    // (Inside a transaction the activity is seen afresh only when asked.)
                    q.exec("SELECT pg_stat_clear_snapshot()");
                    if (q.exec("SELECT 1 FROM pg_stat_activity WHERE pid <> pg_backend_pid()"
                               " AND backend_type = 'client backend' AND " + condition) && q.next())
                        return true;
                    QThread::msleep(10);
                }
                return false;
            };
            QVERIFY(lock());
            QProcess p;
            p.setWorkingDirectory(dir.path());
            p.start(QStringLiteral(KAVEL_RESULTS_TOOL),
                    {"--connection", line, "export", "--format", "csv", "--until", afterLong});
            QVERIFY(p.waitForStarted());
            const pid_t tool = pid_t(p.processId());
            // (The driver prepares each statement and then executes it by name.)
            QVERIFY(waitFor("wait_event_type = 'Lock' AND query LIKE 'PREPARE % FROM items%'"));
            QCOMPARE(::kill(tool, SIGSTOP), 0);
            QVERIFY(q.exec("ROLLBACK") && lock()); // prepared; now to be run
            QCOMPARE(::kill(tool, SIGCONT), 0);
            QVERIFY(waitFor("wait_event_type = 'Lock' AND query LIKE 'EXECUTE %'"));
            QCOMPARE(::kill(tool, SIGSTOP), 0);
            QVERIFY(q.exec("ROLLBACK"));
            QVERIFY(waitFor("wait_event = 'ClientWrite'"));
            q.finish();
            db.close();
            QVERIFY2(pg.stop(), qPrintable(pg.errorString()));
            QCOMPARE(::kill(tool, SIGCONT), 0);
            QString out, err;
            QCOMPARE(finish(p, out, err), 1);
            QVERIFY2(stoppedAfter(err) == 0, qPrintable(err));
            QCOMPARE(out.count('\n'), 1); // the header
        }
        QSqlDatabase::removeDatabase("watch");

        // Between two pages: the first is out, and the tool waits for the
        // pipe to be read when the server stops.
        QVERIFY2(pg.start(), qPrintable(pg.errorString()));
        QProcess p;
        p.setWorkingDirectory(dir.path());
        p.start(QStringLiteral(KAVEL_RESULTS_TOOL), {"--connection", line, "export", "--format", "json"});
        QVERIFY(p.waitForReadyRead(30000));
        QVERIFY2(pg.stop(), qPrintable(pg.errorString()));
        QString out, err;
        QCOMPARE(finish(p, out, err), 1);
        const int written = stoppedAfter(err);
        QVERIFY2(written > 0 && written < Runs, qPrintable(err));
        QCOMPARE(jsonLines(out).size(), written);
    }

    // Whatever import leaves out or takes only in part is named, and said
    // in its exit status; nothing is waited on.
    void importSaysWhatItTook_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says"); // on stderr, %1 the file
        QTest::addColumn<QString>("summary");
        QTest::newRow("an empty file") << "empty" << 1 << "skipped, an empty file: %1\n"
                                       << "imported 0, known 1, skipped 1\n";
        QTest::newRow("a link to nothing") << "dangling" << 1 << "skipped, a link to nothing: %1\n"
                                           << "imported 0, known 1, skipped 1\n";
        QTest::newRow("a FIFO in the folder") << "fifo" << 1 << "skipped, not a regular file: %1\n"
                                              << "imported 0, known 1, skipped 1\n";
        QTest::newRow("a FIFO named") << "fifo named" << 1 << "skipped, not a regular file: %1\n"
                                      << "imported 0, known 0, skipped 1\n";
        QTest::newRow("a name in a legacy code page") << "latin1" << 0 << "" << "imported 1, known 1, skipped 0\n";
        QTest::newRow("a file cut inside a raster")
            << "cut" << 1 << "imported as incomplete, the X raster ends before its differences to the baseline: %1\n"
            << "imported 1 (1 cut short), known 1, skipped 0\n";
        QTest::newRow("control characters in a name") << "control" << 0 << "" << "imported 1, known 1, skipped 0\n";
        QTest::newRow("a barcode a spreadsheet would run") << "formula" << 0 << ""
                                                           << "imported 1, known 1, skipped 0\n";
        QTest::newRow("a second station's copy of the same file") << "second station" << 0 << ""
                                                                  << "imported 1, known 0, skipped 0\n";
    }
    void importSaysWhatItTook()
    {
        QFETCH(QString, kind);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        QFETCH(QString, summary);
        QTemporaryDir dir;
        const QByteArray pass = stationResultFile("run-pass-30x20.csv");
        QVERIFY(file(dir.filePath("tree/resultsPASS/SN1-20261206090000-00-00-Pass.csv"), pass));
        QCOMPARE(runTool(dir.path(), {"import", "--station", "ST-01", "tree"}).out,
                 QStringLiteral("imported 1, known 0, skipped 0\n"));

        QString odd = QDir::cleanPath(dir.filePath("tree/resultsPASS/SN2-20261206100000-00-00-Pass.csv"));
        const QByteArray oddBytes = QFile::encodeName(odd);
        QStringList arguments{"import", "--station", "ST-01", "tree"};
        if (kind == "empty") {
            QVERIFY(file(odd, QByteArray()));
        } else if (kind == "dangling") {
            QCOMPARE(::symlink("gone.csv", oddBytes.constData()), 0);
        } else if (kind.startsWith("fifo")) {
            QCOMPARE(::mkfifo(oddBytes.constData(), 0644), 0);
            if (kind == "fifo named")
                arguments.last() = odd;
        } else if (kind == "latin1") {
            // "L²â" as a station wrote it in its 8-bit code page: no UTF-8.
            const QByteArray name = QFile::encodeName(dir.filePath("tree/resultsFAIL/")) + "L\xb2\xe2-W1-SN5.csv";
            QVERIFY(QDir().mkpath(dir.filePath("tree/resultsFAIL")));
            const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
            QVERIFY(fd >= 0);
            const QByteArray fail = stationResultFile("run-fail-30x20.csv");
            QCOMPARE(::write(fd, fail.constData(), size_t(fail.size())), ssize_t(fail.size()));
            ::close(fd);
        } else if (kind == "cut") {
            QVERIFY(file(odd, pass.left(3000)));
        } else if (kind == "control" || kind == "formula") {
            const QString barcode = kind == "control" ? QStringLiteral("SN\x01\t\x7f\u2028") : QStringLiteral("=HYPERLINK(x)");
            QVERIFY(file(dir.filePath("tree/resultsPASS/" + barcode + "-20261206100000-00-00-Pass.csv"), pass));
        } else {
            arguments[2] = "ST-02";
        }
        const Result r = runTool(dir.path(), arguments);
        QCOMPARE(r.out, summary);
        QCOMPARE(r.exitCode, exitCode);
        QCOMPARE(r.err, says.isEmpty() ? QString() : says.arg(odd));

        const QList<QJsonObject> runs = jsonLines(runTool(dir.path(), {"export", "--format", "json"}).out);
        if (kind == "latin1") {
            // Stored and shown under its bytes, one character each.
            QCOMPARE(runs.size(), 2);
            QCOMPARE(runs[1]["context"]["lot"].toString(), QStringLiteral("L\u00b2\u00e2"));
            QVERIFY(runs[1]["run"]["file"].toString().endsWith(QStringLiteral("/L\u00b2\u00e2-W1-SN5.csv")));
            QCOMPARE(runs[1]["run"]["verdict"].toString(), "FAIL");
            // Its time is the file's, found by its bytes.
            struct stat info {};
            const QByteArray name = QFile::encodeName(dir.filePath("tree/resultsFAIL/")) + "L\xb2\xe2-W1-SN5.csv";
            QCOMPARE(::stat(name.constData(), &info), 0);
            QCOMPARE(QDateTime::fromString(runs[1]["run"]["started"].toString(), Qt::ISODate).toSecsSinceEpoch(),
                     qint64(info.st_mtim.tv_sec));
        } else if (kind == "cut") {
            // Its verdict is the file's; the run is marked, never a plain PASS.
            QCOMPARE(runs.size(), 2);
            QCOMPARE(runs[1]["run"]["verdict"].toString(), "PASS");
            const Result found = runTool(dir.path(), {"find", "--barcode", "SN2", "--format", "json"});
            QCOMPARE(jsonLines(found.out).value(0)["failed"].toArray(), QJsonArray{"complete"});
            const Result csv = runTool(dir.path(), {"export", "--format", "csv"});
            QVERIFY2(csv.out.section('\n', 0, 0).endsWith(",reset,complete") && csv.out.section('\n', 2, 2).endsWith(",FAIL"),
                     qPrintable(csv.out));
        } else if (kind == "control") {
            // One object a line, the text as it was.
            QCOMPARE(runs.size(), 2);
            QCOMPARE(runs[1]["context"]["barcode"].toString(), QStringLiteral("SN\x01\t\x7f\u2028"));
        } else if (kind == "formula") {
            QCOMPARE(runs.size(), 2);
            QCOMPARE(runs[1]["context"]["barcode"].toString(), "=HYPERLINK(x)");
            const Result csv = runTool(dir.path(), {"export", "--format", "csv"});
            QVERIFY2(csv.out.section('\n', 2, 2).contains(",'=HYPERLINK(x),"), qPrintable(csv.out));
        } else if (kind == "second station") {
            QCOMPARE(runs.size(), 2);
        } else {
            QCOMPARE(runs.size(), 1);
        }
    }

    // Pruning the station's store by hand: what the line has not
    // acknowledged stays, a dry run changes nothing, the counts stay, and an
    // import does not bring the pruned runs back.
    void pruneSaysWhatItRemoves()
    {
        QTemporaryDir dir;
        QVERIFY(writeTree(dir.filePath("tree")));
        QCOMPARE(runTool(dir.path(), {"import", "--station", "ST-07", "tree"}).out,
                 QStringLiteral("imported 5, known 0, skipped 2\n"));
        const auto dump = [&] {
            QStringList rows;
            {
                QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "dump");
                db.setDatabaseName(dir.filePath("results.db"));
                db.open();
                for (const char *table : {"runs", "items", "outbox", "quarantine", "yield_quarters", "pruned_runs"}) {
                    QSqlQuery q(db);
                    q.exec(QStringLiteral("SELECT * FROM %1").arg(table));
                    while (q.next()) {
                        QStringList values{QLatin1String(table)};
                        for (int i = 0; i < q.record().count(); ++i)
                            values << q.value(i).toString();
                        rows << values.join('|');
                    }
                }
            }
            QSqlDatabase::removeDatabase("dump");
            rows.sort();
            return rows;
        };
        // Nothing sent yet: nothing goes.
        Result r = runTool(dir.path(), {"prune", "--before", "2026-12-07", "--dry-run"});
        QCOMPARE(r.out, QStringLiteral("would prune 0 runs that started before 2026-12-07 00:00;"
                                       " kept 4 the line has not acknowledged\n"));
        QCOMPARE(r.exitCode, 0);
        // The line has all but the Auto run; it refused the barcode's first.
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "line");
            db.setDatabaseName(dir.filePath("results.db"));
            QVERIFY(db.open());
            QSqlQuery q(db);
            QVERIFY(q.exec("INSERT INTO quarantine (run_id, refused_at, attempts, reason) SELECT run_id, 0, 3, 'no'"
                           " FROM runs WHERE verdict = 'FAIL' AND started_at < (SELECT MAX(started_at) FROM runs)"));
            QVERIFY(q.exec("DELETE FROM outbox WHERE run_id NOT IN (SELECT run_id FROM runs WHERE file_name = '12-06-11-00-00.csv')"));
            q.finish();
            db.close();
        }
        QSqlDatabase::removeDatabase("line");
        const QStringList before = dump();
        const QString yieldBefore = runTool(dir.path(), {"yield", "--by", "day", "--format", "csv"}).out;
        r = runTool(dir.path(), {"prune", "--before", "2026-12-07T00:10", "--dry-run"});
        QCOMPARE(r.out, QStringLiteral("would prune 2 runs that started before 2026-12-07 00:00;"
                                       " kept 1 the line has not acknowledged, 1 in quarantine\n"));
        QCOMPARE(dump(), before);
        r = runTool(dir.path(), {"prune", "--before", "2026-12-07"});
        QCOMPARE(r.out, QStringLiteral("pruned 2 runs that started before 2026-12-07 00:00;"
                                       " kept 1 the line has not acknowledged, 1 in quarantine\n"));
        QCOMPARE(r.exitCode, 0);
        // The runs, panels and first passes per day as they were.
        const QString yieldAfter = runTool(dir.path(), {"yield", "--by", "day", "--format", "csv"}).out;
        for (int line = 1; line <= 2; ++line)
            QCOMPARE(yieldAfter.section('\n', line, line).section(',', 0, 3),
                     yieldBefore.section('\n', line, line).section(',', 0, 3));
        r = runTool(dir.path(), {"find", "--since", "2026-12-01", "--format", "csv"});
        QCOMPARE(r.out.count('\n'), 1 + 3);
        // The files stay; imported again, the pruned are named and left out.
        r = runTool(dir.path(), {"import", "--station", "ST-07", "tree"});
        QCOMPARE(r.out, QStringLiteral("imported 0, known 3, skipped 4\n"));
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err.count("skipped, started before the store's pruned runs (2026-12-07 00:00): "), 2);
        QVERIFY2(r.err.contains(Lot + "-" + Worker + "-SN9.csv"), qPrintable(r.err));
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
        QTest::newRow("import to the line without a station")
            << QStringList{"--line", "import", "tree"} << 2 << "import --line needs --station";
        QTest::newRow("two stores") << QStringList{"--store", "a.db", "--line", "find", "--lot", "L"} << 2 << usage;
        QTest::newRow("help") << QStringList{"--help"} << 0 << "Usage: kavel-results [STORE] COMMAND";
        QTest::newRow("help command") << QStringList{"help", "yield"} << 0 << "--by GROUP";
        QTest::newRow("command help") << QStringList{"export", "--help"} << 0 << "--format F";
        QTest::newRow("no store") << QStringList{"find", "--lot", "L"} << 1 << "no store at ./results.db";
        QTest::newRow("no folder") << QStringList{"import", "gone"} << 1 << "no such file or folder: gone";
        QTest::newRow("sync, no store") << QStringList{"sync"} << 1 << "sync: no store at ./results.db";
        QTest::newRow("retry, no store") << QStringList{"sync", "--retry"} << 1 << "sync: no store at ./results.db";
        QTest::newRow("a cursor on a station's store") << QStringList{"export", "--format", "csv", "--after", "0"}
                                                       << 2 << "--after counts what reached the line's server";
        QTest::newRow("no cursor") << QStringList{"--line", "export", "--format", "csv", "--after", "x"} << 2
                                   << "is no cursor";
        QTest::newRow("a cursor below 0") << QStringList{"--line", "export", "--format", "csv", "--after", "-1"} << 2
                                          << "is no cursor";
        QTest::newRow("server without subcommand") << QStringList{"server"} << 2 << "server needs init";
        QTest::newRow("server, unknown subcommand") << QStringList{"server", "drop"} << 2 << "no subcommand \"drop\"";
        QTest::newRow("add-station without id") << QStringList{"server", "add-station", "--role", "st"} << 2
                                                << "needs a station id";
        QTest::newRow("add-station without role") << QStringList{"server", "add-station", "ST-07"} << 2
                                                  << "needs --role NAME";
        QTest::newRow("init with a role") << QStringList{"server", "init", "--role", "st"} << 2 << "takes no --role";
        QTest::newRow("maintain with a role") << QStringList{"server", "maintain", "--role", "st"} << 2
                                              << "server maintain takes no --role";
        QTest::newRow("months kept on init") << QStringList{"server", "init", "--keep-months", "3"} << 2
                                             << "server init takes no --keep-months";
        QTest::newRow("no month kept") << QStringList{"server", "maintain", "--keep-months", "0"} << 2
                                       << "--keep-months: \"0\" is no number of months";
        QTest::newRow("months kept, not a number") << QStringList{"server", "maintain", "--keep-months", "1y"} << 2
                                                   << "--keep-months: \"1y\" is no number of months";
        QTest::newRow("maintain, no line") << QStringList{"server", "maintain", "--keep-months", "1"} << 1
                                           << "server maintain: no line is configured";
        QTest::newRow("server, no line") << QStringList{"server", "init"} << 1 << "no line is configured";
        QTest::newRow("profile without a name") << QStringList{"profile"} << 2 << "profile needs a profile's name";
        QTest::newRow("profile, two names") << QStringList{"profile", "a.ini", "b.ini"} << 2 << "takes one name";
        QTest::newRow("profile --show, no hash") << QStringList{"profile", "--show", "demo.ini"} << 2
                                                 << "\"demo.ini\" is no hash";
        QTest::newRow("profile --show, five digits") << QStringList{"profile", "--show", "abcde"} << 2 << "is no hash";
        QTest::newRow("profile --diff, one hash") << QStringList{"profile", "--diff", "abcdef"} << 2
                                                  << "needs two hashes";
        QTest::newRow("profile --show and --diff")
            << QStringList{"profile", "--show", "abcdef", "--diff", "abcdef", "abcdef"} << 2 << "not both";
        QTest::newRow("profile --show, a format") << QStringList{"profile", "--show", "abcdef", "--format", "csv"}
                                                  << 2 << "takes no --format";
        QTest::newRow("profile, no store") << QStringList{"profile", "demo.ini"} << 1 << "no store at ./results.db";
        QTest::newRow("capability without item") << QStringList{"capability"} << 2 << "capability needs --item";
        QTest::newRow("capability of no such item") << QStringList{"capability", "--item", "electric"} << 2
                                                    << "\"electric\" is none of Electric, Tb_Value";
        QTest::newRow("capability, another command's option") << QStringList{"capability", "--item", "Electric", "--by", "day"}
                                                              << 2 << "capability takes no --by";
        QTest::newRow("capability, an empty station") << QStringList{"capability", "--item", "Electric", "--station", ""}
                                                      << 2 << "--station needs a station's id";
        QTest::newRow("capability help") << QStringList{"help", "capability"} << 0 << "--measurement M";
        QTest::newRow("capability, no store") << QStringList{"capability", "--item", "Electric"} << 1
                                              << "no store at ./results.db";
        QTest::newRow("prune without a time") << QStringList{"prune"} << 2 << "prune needs --before";
        QTest::newRow("prune, no date") << QStringList{"prune", "--before", "2026-12-32"} << 2 << "no ISO 8601";
        QTest::newRow("prune on the line") << QStringList{"--line", "prune", "--before", "2026-12-01"} << 2
                                           << "not on the line's server";
        QTest::newRow("prune, no store") << QStringList{"prune", "--before", "2026-12-01"} << 1
                                         << "no store at ./results.db";
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
