#include "lineserver.h"
#include "pgserver.h"
#include "stationrun.h"

#include <QDir>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QtTest>

namespace {

// The demo profile with the hands-on items off and the run started by plugging
// the board in, as a power-on test station does.
QByteArray powerOnProfile(const QByteArray &radioIndex)
{
    QFile f(QStringLiteral(KAVEL_SOURCE_DIR "/resources/demo/Config/demo.ini"));
    f.open(QIODevice::ReadOnly);
    QByteArray text = f.readAll();
    text.replace("Power_On_Test=0", "Power_On_Test=1");
    text.replace("Init_time=300", "Init_time=50");
    text.replace("RadioBtnIndex=0", "RadioBtnIndex=" + radioIndex);
    return text;
}

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files);
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

// Whole runs of the unchanged station under the emulated-board host: the board
// arrives through udev, the run talks through real hidapi, and the result is
// read back from the folders.
class TestHostedRun : public QObject
{
    Q_OBJECT

    void startWithBaseline(StationRun &run, const StationRun::Options &options)
    {
        QVERIFY(run.start(options));
        QDir().mkpath(run.path("log"));
        QVERIFY(QFile::copy(QStringLiteral(KAVEL_SOURCE_DIR "/resources/demo/log/baseline.csv"),
                            run.path("log/baseline.csv")));
    }

private slots:
    void goodPanelPassesWhenPluggedIn()
    {
        // A line: the station sends what it files to the line's server.
        PgServer server;
        QVERIFY2(server.start() && server.createDatabase("line"), qPrintable(server.errorString()));
        {
            // Set up as the README's line set-up does: the schema, and a role of the station's own.
            QSqlDatabase admin = QSqlDatabase::addDatabase("QPSQL", "admin");
            server.configure(admin, "line");
            QString error;
            QVERIFY2(admin.open() && results::lineserver::init(admin, nullptr, &error)
                         && results::lineserver::addStation(admin, "ST-07", "st07", nullptr, &error),
                     qPrintable(error));
            admin.close();
        }
        QSqlDatabase::removeDatabase("admin");
        QVERIFY(server.setPassword("st07", "pw07"));
        StationRun run;
        {
            QFile line(run.path("line.ini"));
            QVERIFY(line.open(QIODevice::WriteOnly));
            line.write("[line]\nconnection=" + server.connectionString("line", "st07", "pw07").toUtf8()
                       + "\n[station]\nid=ST-07\n");
            // Left readable by others, with the password in it: the station says so once.
            QVERIFY(line.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
        }
        StationRun::Options options;
        options.profile = powerOnProfile("0");
        options.plugged = false;
        options.panel = QStringLiteral(KAVEL_SOURCE_DIR "/emulator/panels/demo.ini");
        startWithBaseline(run, options);
        QCOMPARE(run.command("plug"), QString("ok plugged"));
        QVERIFY(run.waitForCount("pane|PASS", 1, 60000));
        // The verdict shows first; the file is filed right after it.
        QTRY_COMPARE_WITH_TIMEOUT(filesIn(run.path("resultsPASS")).size(), 1, 10000);
        const QStringList passed = filesIn(run.path("resultsPASS"));
        QVERIFY(QRegularExpression(R"(^\d\d-\d\d-\d\d-\d\d-\d\d\.csv$)").match(passed.first()).hasMatch());
        const QByteArray result = readAll(run.path("resultsPASS/") + passed.first());
        for (const char *block : {"Electric,PASS", "Usb_Version,W103,PASS", "CRC_Version,5A3C,PASS", "Attb:,PASS",
                                  "OpenShort:,PASS", "RasterX:,PASS", "RasterY:,PASS", "BtnData,", "Reset:,PASS"})
            QVERIFY2(result.contains(block), block);
        QCOMPARE(filesIn(run.path("resultsFAIL")), QStringList());
        const QStringList pane = run.channel();
        QVERIFY(pane.contains("pane|OpenShort: PASS"));
        for (const char *warning : {"pane|line store: ./line.ini holds a password: keep it in ~/.pgpass or a service "
                                    "file, or log in with a certificate",
                                    "pane|line store: ./line.ini can be read by other users (chmod 600 ./line.ini)"})
            QVERIFY2(pane.count(warning) == 1, warning);

        // Filed, recorded in the station's store, and on the line's server,
        // with the profile, the baseline and the software it was judged with.
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", "line");
            server.configure(db, "line");
            QVERIFY(db.open());
            const auto onServer = [&db, &passed] {
                QSqlQuery q(db);
                q.prepare("SELECT COUNT(*) FROM runs r JOIN texts p ON p.sha1 = r.profile_sha1 AND p.kind = 'profile'"
                          " JOIN texts b ON b.sha1 = r.baseline_sha1 AND b.kind = 'baseline'"
                          " WHERE r.station = 'ST-07' AND r.verdict = 'PASS' AND r.file_name = ?"
                          " AND r.software_version LIKE '3.1%'");
                q.addBindValue(passed.first());
                return q.exec() && q.next() ? q.value(0).toInt() : -1;
            };
            QTRY_COMPARE_WITH_TIMEOUT(onServer(), 1, 20000);
            db.close();
        }
        QSqlDatabase::removeDatabase("line");
    }

    void failingPanelsAreFiledAsFailed_data()
    {
        QTest::addColumn<QString>("panel");
        QTest::addColumn<QByteArray>("evidence");
        QTest::newRow("open electrode") << "open_electrode.ini" << QByteArray("Xopen:,X");
        QTest::newRow("raster dent") << "raster_dent.ini" << QByteArray("RasterX:,FAIL");
        QTest::newRow("attention line") << "attention_line.ini" << QByteArray("Attb:,FAIL");
    }
    void failingPanelsAreFiledAsFailed()
    {
        QFETCH(QString, panel);
        QFETCH(QByteArray, evidence);
        StationRun run;
        StationRun::Options options;
        options.profile = powerOnProfile("0");
        options.plugged = false;
        options.panel = QStringLiteral(KAVEL_SOURCE_DIR "/emulator/panels/") + panel;
        startWithBaseline(run, options);
        QCOMPARE(run.command("plug"), QString("ok plugged"));
        QVERIFY(run.waitForCount("pane|FAIL", 1, 60000));
        QTRY_COMPARE_WITH_TIMEOUT(filesIn(run.path("resultsFAIL")).size(), 1, 10000);
        QCOMPARE(filesIn(run.path("resultsPASS")), QStringList());
        const QStringList failed = filesIn(run.path("resultsFAIL"));
        const QByteArray result = readAll(run.path("resultsFAIL/") + failed.first());
        QVERIFY2(result.contains(evidence), result.left(400).constData());
    }
};

QTEST_GUILESS_MAIN(TestHostedRun)
#include "tst_hosted_run.moc"
