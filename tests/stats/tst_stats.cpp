// The line statistics against real stores: the same generated runs in an
// SQLite file and on a PostgreSQL 15 server the test starts, every count known
// beforehand; then the window itself on the SQLite store.
#include "conditions.h"
#include "heatmapwidget.h"
#include "linesettings.h"
#include "lineserver.h"
#include "pgserver.h"
#include "resultdata.h"
#include "resultstore.h"
#include "shiftyield.h"
#include "statsquery.h"
#include "statsservice.h"
#include "statswindow.h"
#include "yieldcheck.h"

#include <QApplication>
#include <QBarSet>
#include <QChart>
#include <QGraphicsSimpleTextItem>
#include <QLabel>
#include <QLineSeries>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QValueAxis>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QtTest>

#include <functional>
#include <memory>

#include <sqlite3.h>

using namespace stats;

#define ENGINE(db) \
    const QSqlDatabase db = engine(); \
    if (!db.isOpen()) \
        QSKIP("PostgreSQL 15 is not installed")

namespace {

// The runs' hour: a Monday morning, local time.
const QDateTime T0(QDate(2024, 3, 4), QTime(8, 0));
// The operator typed it: a quote, a semicolon and a non-ASCII character.
const QString Retested = QStringLiteral("A'2;\u4E2D");

struct Run
{
    QString barcode;
    QString station;
    QString lot;
    QString worker;
    int minute;    // after T0
    bool fail;     // the failing file (open X5:X6) rather than the passing one
    bool rasterX;  // and two X raster cells failed
    double current;
    QString profile;
};

// Monday, hour 08: A1 passes; Retested fails then passes. Hour 09: A3 fails,
// and two runs without a barcode, one passing and one failing, are panels of
// their own.
// Tuesday, on S3 with another profile: B1 fails at 08:50 and passes at 10:05
// (an hour with a retest only); B2 passes, then fails on a retest; B3 fails
// twice; B4 fails, passes and fails; GOLD_1, a golden sample first tested in
// a LOT of its own, fails as it should at 09:10, at 09:35 on S2 and at 11:20
// (an hour of engineering runs only), and again on Wednesday.
const Run Runs[] = {
    {"A1", "S1", "L1", "W1", 5, false, false, 10, "demo.ini"},
    {Retested, "S1", "L1", "W1", 10, true, true, 12, "demo.ini"},
    {Retested, "S1", "L1", "W2", 20, false, false, 11, "demo.ini"},
    {"A3", "S2", "L2", "W2", 65, true, true, 13, "demo.ini"},
    {"", "S2", "L2", "W2", 70, false, false, 12, "demo.ini"},
    {"", "S2", "L2", "W2", 75, true, false, 14, "demo.ini"},
    // Two days before, a dozen passing panels: out of every range below, and
    // enough runs that searching for a rare failed item starts from its failures.
    {"", "S1", "L0", "W0", -2880, false, false, 10, "demo.ini"}, {"", "S1", "L0", "W0", -2879, false, false, 10, "demo.ini"},
    {"", "S1", "L0", "W0", -2878, false, false, 10, "demo.ini"}, {"", "S1", "L0", "W0", -2877, false, false, 10, "demo.ini"},
    {"", "S1", "L0", "W0", -2876, false, false, 10, "demo.ini"}, {"", "S1", "L0", "W0", -2875, false, false, 10, "demo.ini"},
    {"", "S1", "L0", "W0", -2874, false, false, 10, "demo.ini"}, {"", "S1", "L0", "W0", -2873, false, false, 10, "demo.ini"},
    {"", "S1", "L0", "W0", -2872, false, false, 10, "demo.ini"}, {"", "S1", "L0", "W0", -2871, false, false, 10, "demo.ini"},
    {"", "S1", "L0", "W0", -2870, false, false, 10, "demo.ini"}, {"", "S1", "L0", "W0", -2869, false, false, 10, "demo.ini"},
    {"B1", "S3", "L3", "W3", 1490, true, false, 10, "other.ini"},
    {"B1", "S3", "L3", "W3", 1565, false, false, 12, "other.ini"},
    {"GOLD_1", "S3", "L9", "W3", 1510, true, false, 20, "other.ini"},
    {"GOLD_1", "S3", "L9", "W3", 1640, true, false, 20, "other.ini"},
    {"B2", "S3", "L3", "W3", 1530, false, false, 11, "other.ini"},
    {"B2", "S3", "L3", "W3", 1540, true, false, 12, "other.ini"},
    {"B3", "S3", "L3", "W3", 1545, true, false, 10, "other.ini"},
    {"B3", "S3", "L3", "W3", 1550, true, false, 11, "other.ini"},
    // Wednesday: the golden sample once more, out of Tuesday's range.
    {"GOLD_1", "S3", "L3", "W3", 2940, true, false, 20, "other.ini"},
    // Tuesday 09:35, on another station in B's LOT.
    {"GOLD_1", "S2", "L3", "W3", 1535, true, false, 20, "other.ini"},
    // B4 fails, passes, and fails again at its latest run.
    {"B4", "S3", "L3", "W3", 1555, true, false, 12, "other.ini"},
    {"B4", "S3", "L3", "W3", 1556, false, false, 10, "other.ini"},
    {"B4", "S3", "L3", "W3", 1557, true, false, 11, "other.ini"},
};

// The profiles the runs were judged under. demo.ini's current limit was
// raised from 15 to 16 mA at 08:15 on Monday; the dozen panels two days
// before were recorded from their files alone (no profile: limits not known).
QByteArray profileText(const Run &run)
{
    if (run.minute < 0)
        return QByteArray();
    const QByteArray common = "Tb_value_thr=600\nBtn_Min=150\nBtn_Max=250\nM1_thr_min=-30\nM1_thr_max=30\n"
                              "RasterX_edge_count=1\nRasterX_edge_min=-60\nRasterX_edge_max=60\n"
                              "RowSetData=\"-30,-30,-30,-30,-30,-30/30,30,30,30,30,30/-30,-30/30,30\"\n";
    if (run.profile == QLatin1String("other.ini"))
        return "[General]\nElectric_thr=14\n" + common;
    return (run.minute < 15 ? "[General]\nElectric_thr=15\n" : "[General]\nElectric_thr=16\n") + common;
}

QByteArray runFile(const Run &run)
{
    QByteArray text = stationResultFile(run.fail ? QStringLiteral("run-fail-30x20.csv")
                                                 : QStringLiteral("run-pass-30x20.csv"));
    const QByteArray ma = QByteArray::number(run.current) + "MA";
    text = "Electric,PASS," + ma + ',' + ma + ',' + ma + text.mid(text.indexOf('\n'));
    // Key 0 follows the current: 100 + 10 x mA.
    text.replace("BtnData,120,", "BtnData," + QByteArray::number(100 + 10 * run.current) + ',');
    if (run.rasterX)
        text.replace("RasterX:,PASS,", "RasterX:,FAIL,RasterX[2][5]=95 ,RasterX[3][5]=96 ,");
    return text;
}

bool fill(results::ResultStore &store)
{
    int n = 0;
    for (const Run &run : Runs) {
        results::RunContext c;
        ++n;
        c.station = run.station;
        c.startMode = QStringLiteral("Manual");
        c.lot = run.lot;
        c.worker = run.worker;
        c.barcode = run.barcode;
        c.profile = run.profile;
        c.startedAt = T0.addSecs(60LL * run.minute);
        c.endedAt = c.startedAt.addSecs(20);
        c.verdict = run.fail ? QStringLiteral("FAIL") : QStringLiteral("PASS");
        c.path = QStringLiteral("/station/results%1/run-%2.csv").arg(c.verdict).arg(n);
        c.profileText = profileText(run);
        if (!c.profileText.isEmpty()) {
            // demo.ini's items subtract the baseline; B1's first run took new firmware.
            if (run.profile == QLatin1String("demo.ini"))
                c.baselineText = "Debug:\n1,2,\n";
            if (run.barcode == QLatin1String("B1") && run.fail)
                c.firmwareText = "$00AB\n";
            c.softwareVersion = QStringLiteral("3.1+g1a2b3c4d");
        }
        const QByteArray content = runFile(run);
        results::ResultRecord parsed;
        results::readResult(std::string_view(content.constData(), std::size_t(content.size())), parsed);
        QString error;
        if (store.record(c, content, parsed, &error, false) != results::Recorded::Added) {
            qWarning() << "record:" << error;
            return false;
        }
    }
    return true;
}

// The id the store gives the nth run of fill(), made from its file.
QString runId(int n)
{
    const Run &run = Runs[n - 1];
    return results::fileRunId(run.station, QStringLiteral("run-%1.csv").arg(n), results::contentHash(runFile(run)));
}

// Monday's runs (day 0) or Tuesday's (day 1).
Filter all(int day = 0)
{
    Filter f;
    f.from = T0.addDays(day).toMSecsSinceEpoch();
    f.to = T0.addDays(day + 1).toMSecsSinceEpoch();
    return f;
}

QString yieldText(std::optional<double> yield)
{
    return yield ? QString::number(*yield, 'f', 1) : QStringLiteral("\u2013");
}

// Breaks the engine off in the middle of what it was asked: SQLite's own
// interruption, after as many of its steps as given, from the connection's
// progress handler. What a query then meets is what a store that stops
// answering gives: a step that fails, before the first row or after some.
class BreakOff
{
public:
    BreakOff(const QSqlDatabase &db, qint64 afterSteps) : m_db(handle(db)), m_left(afterSteps)
    {
        sqlite3_progress_handler(m_db, 1, &BreakOff::step, this);
    }
    ~BreakOff() { sqlite3_progress_handler(m_db, 0, nullptr, nullptr); }
    BreakOff(const BreakOff &) = delete;
    BreakOff &operator=(const BreakOff &) = delete;

    bool brokeOff() const { return m_left < 0; }

private:
    static sqlite3 *handle(const QSqlDatabase &db)
    {
        const QVariant v = db.driver()->handle();
        return v.isValid() && qstrcmp(v.typeName(), "sqlite3*") == 0 ? *static_cast<sqlite3 *const *>(v.constData())
                                                                      : nullptr;
    }
    static int step(void *self)
    {
        return --static_cast<BreakOff *>(self)->m_left < 0 ? 1 : 0;
    }

    sqlite3 *m_db;
    qint64 m_left;
};

} // namespace

class TestStats : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_sqlitePath;
    results::ResultStore m_sqlite;
    std::unique_ptr<PgServer> m_server;
    results::ResultStore m_pg;
    // The statistics read the line's server as an analyst does: with a role
    // that may read and nothing else.
    results::ResultStore m_reader;

    // The row's engine; not open when PostgreSQL 15 is not installed.
    QSqlDatabase engine()
    {
        QFETCH_GLOBAL(QString, engine);
        return engine == QLatin1String("sqlite") ? m_sqlite.database() : m_reader.database();
    }

private slots:
    void initTestCase()
    {
        QString error;
        m_sqlitePath = m_dir.filePath(QStringLiteral("results.db"));
        QVERIFY2(m_sqlite.openLocal(m_sqlitePath, &error), qPrintable(error));
        QVERIFY(fill(m_sqlite));
        if (!PgServer::available())
            return;
        m_server = std::make_unique<PgServer>();
        QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));
        QVERIFY(m_server->createDatabase(QStringLiteral("line")));
        {
            // The line's server as its administrator sets it up.
            QSqlDatabase admin = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("admin"));
            m_server->configure(admin, QStringLiteral("line"));
            QVERIFY2(admin.open() && results::lineserver::init(admin, nullptr, &error), qPrintable(error));
            // The analyst reads with a role the README's set-up gives.
            QVERIFY2(results::lineserver::addReader(admin, QStringLiteral("analyst"), nullptr, &error), qPrintable(error));
            admin.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("admin"));
        QVERIFY2(m_pg.openDatabase(results::addLineDatabase(m_server->connectionString(QStringLiteral("line")),
                                                            m_pg.connectionName()),
                                   &error),
                 qPrintable(error));
        QVERIFY(fill(m_pg));
        QVERIFY2(m_server->setPassword(QStringLiteral("analyst"), QStringLiteral("reads-only")),
                 qPrintable(m_server->errorString()));
        const QString reader = QStringLiteral("host='%1' port=%2 user=analyst password=reads-only dbname=line")
                                   .arg(m_server->host())
                                   .arg(m_server->port());
        QVERIFY2(m_reader.openDatabase(results::addLineDatabase(reader, m_reader.connectionName()), &error),
                 qPrintable(error));
        // It is no writer: what it is shown is what the line holds.
        QSqlQuery write(m_reader.database());
        QVERIFY(!write.exec(QStringLiteral("DELETE FROM runs")));
    }

    void initTestCase_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::newRow("sqlite") << QStringLiteral("sqlite");
        QTest::newRow("postgresql") << QStringLiteral("postgresql");
    }

    void yield_data()
    {
        QTest::addColumn<int>("by");
        QTest::addColumn<int>("day");            // of all()
        QTest::addColumn<QString>("station");    // the filter's; empty: every station
        QTest::addColumn<QStringList>("engineering");
        QTest::addColumn<bool>("engineeringOnly");
        QTest::addColumn<QStringList>("groups");
        // runs, panels, passed at first, passed at the latest run, passed after
        // a retest, never passed, retests; then both yields
        QTest::addColumn<QList<QList<qint64>>>("counts");
        QTest::addColumn<QStringList>("yields");
        const QStringList none;
        const QStringList gold{"GOLD*"};
        QTest::newRow("hour") << int(GroupBy::Hour) << 0 << "" << none << false
                              << QStringList{"2024-03-04 08:00", "2024-03-04 09:00"}
                              << QList<QList<qint64>>{{3, 2, 1, 2, 1, 0, 1}, {3, 3, 1, 1, 0, 2, 0}}
                              << QStringList{"50.0/100.0", "33.3/33.3"};
        QTest::newRow("day") << int(GroupBy::Day) << 0 << "" << none << false << QStringList{"2024-03-04"}
                             << QList<QList<qint64>>{{6, 5, 2, 3, 1, 2, 1}} << QStringList{"40.0/60.0"};
        QTest::newRow("station") << int(GroupBy::Station) << 0 << "" << none << false << QStringList{"S1", "S2"}
                                 << QList<QList<qint64>>{{3, 2, 1, 2, 1, 0, 1}, {3, 3, 1, 1, 0, 2, 0}}
                                 << QStringList{"50.0/100.0", "33.3/33.3"};
        QTest::newRow("lot") << int(GroupBy::Lot) << 0 << "" << none << false << QStringList{"L1", "L2"}
                             << QList<QList<qint64>>{{3, 2, 1, 2, 1, 0, 1}, {3, 3, 1, 1, 0, 2, 0}}
                             << QStringList{"50.0/100.0", "33.3/33.3"};
        QTest::newRow("profile") << int(GroupBy::Profile) << 0 << "" << none << false << QStringList{"demo.ini"}
                                 << QList<QList<qint64>>{{6, 5, 2, 3, 1, 2, 1}} << QStringList{"40.0/60.0"};
        // B1's retest at 10:05 counts for 08:00, where it was first tested;
        // 10:00 holds a retest only and has no yield. B2 passed, then failed
        // its retest: final yield below first pass, and it is no "never passed";
        // B4 passed after a retest though its latest run failed. 11:00 held
        // engineering runs only: no group.
        const QList<QList<qint64>> tuesday{{1, 1, 0, 1, 1, 0, 1}, {7, 3, 1, 0, 1, 1, 4}, {1, 0, 0, 0, 0, 0, 0}};
        const QStringList tuesdayHours{"2024-03-05 08:00", "2024-03-05 09:00", "2024-03-05 10:00"};
        const QStringList tuesdayYields{"0.0/100.0", "33.3/0.0", "\u2013/\u2013"};
        QTest::newRow("hour, a retest in a later hour") << int(GroupBy::Hour) << 1 << "" << gold << false
                                                        << tuesdayHours << tuesday << tuesdayYields;
        // The same counted from the runs (a station filter), not the store's quarters.
        QTest::newRow("hour, counted from the runs") << int(GroupBy::Hour) << 1 << "S3" << gold << false
                                                     << tuesdayHours << tuesday << tuesdayYields;
        // The golden sample's LOT L9 holds nothing else: no group.
        QTest::newRow("lot, engineering left out") << int(GroupBy::Lot) << 1 << "" << gold << false
                                                   << QStringList{"L3"}
                                                   << QList<QList<qint64>>{{9, 4, 1, 1, 2, 1, 5}}
                                                   << QStringList{"25.0/25.0"};
        QTest::newRow("lot, one engineering barcode exactly")
            << int(GroupBy::Lot) << 1 << "" << QStringList{"GOLD_1"} << false << QStringList{"L3"}
            << QList<QList<qint64>>{{9, 4, 1, 1, 2, 1, 5}} << QStringList{"25.0/25.0"};
        QTest::newRow("day, engineering runs alone") << int(GroupBy::Day) << 1 << "" << gold << true
                                                     << QStringList{"2024-03-05"}
                                                     << QList<QList<qint64>>{{3, 1, 0, 0, 0, 1, 3}}
                                                     << QStringList{"0.0/0.0"};
        QTest::newRow("day, no engineering barcodes") << int(GroupBy::Day) << 1 << "" << none << false
                                                      << QStringList{"2024-03-05"}
                                                      << QList<QList<qint64>>{{12, 5, 1, 1, 2, 2, 8}}
                                                      << QStringList{"20.0/20.0"};
        // A pattern's _ is a character like any other, not a wildcard.
        QTest::newRow("day, _ in a pattern") << int(GroupBy::Day) << 1 << "" << QStringList{"GOL_*"} << false
                                             << QStringList{"2024-03-05"}
                                             << QList<QList<qint64>>{{12, 5, 1, 1, 2, 2, 8}}
                                             << QStringList{"20.0/20.0"};
        QTest::newRow("lot, engineering counted") << int(GroupBy::Lot) << 1 << "" << none << false
                                                  << QStringList{"L3", "L9"}
                                                  << QList<QList<qint64>>{{10, 4, 1, 1, 2, 1, 5}, {2, 1, 0, 0, 0, 1, 3}}
                                                  << QStringList{"25.0/25.0", "0.0/0.0"};
    }

    void yield()
    {
        ENGINE(db);
        QFETCH(int, by);
        QFETCH(int, day);
        QFETCH(QString, station);
        QFETCH(QStringList, engineering);
        QFETCH(bool, engineeringOnly);
        QFETCH(QStringList, groups);
        QFETCH(QList<QList<qint64>>, counts);
        QFETCH(QStringList, yields);
        Filter filter = all(day);
        filter.station = station;
        filter.engineering = engineering;
        filter.engineeringOnly = engineeringOnly;
        std::vector<YieldRow> rows;
        QString error;
        QVERIFY2(yieldByGroup(db, filter, GroupBy(by), rows, &error), qPrintable(error));
        QCOMPARE(int(rows.size()), groups.size());
        for (int i = 0; i < groups.size(); ++i) {
            const YieldRow &r = rows[std::size_t(i)];
            QCOMPARE(r.group, groups.at(i));
            QCOMPARE((QList<qint64>{r.runs, r.panels, r.firstPassed, r.finalPassed, r.passedAfterRetest,
                                    r.neverPassed, r.retests}),
                     counts.at(i));
            QCOMPARE(yieldText(r.firstPassYield()) + QLatin1Char('/') + yieldText(r.finalYield()), yields.at(i));
        }
        // The counts kept per quarter, which whole quarters read, are those
        // of the runs however their retests arrived (GOLD_1's out of order).
        QCOMPARE(yieldRows(db, true), yieldRows(db, false));
        if (day != 0)
            return;
        // The filter narrows before anything is counted.
        Filter s2 = all();
        s2.station = QStringLiteral("S2");
        QVERIFY(yieldByGroup(db, s2, GroupBy(by), rows, &error));
        qint64 runs = 0;
        for (const YieldRow &r : rows)
            runs += r.runs;
        QCOMPARE(runs, 3);
        if (GroupBy(by) != GroupBy::Station)
            return;
        // The filter's choices: the stations with a run in the range.
        QStringList stations;
        QVERIFY2(distinctValues(db, all(), QStringLiteral("station"), stations, &error), qPrintable(error));
        QCOMPARE(stations, (QStringList{"S1", "S2"}));
        Filter later = all();
        later.from = T0.addSecs(3600).toMSecsSinceEpoch();
        QVERIFY(distinctValues(db, later, QStringLiteral("station"), stations, &error));
        QCOMPARE(stations, QStringList{"S2"});
    }

    void failures_data()
    {
        QTest::addColumn<int>("hours");
        QTest::addColumn<QStringList>("pareto"); // item:runs, most first
        QTest::addColumn<qint64>("runs");
        QTest::addColumn<qint64>("perCell");     // panels failed at each of the two X cells
        QTest::addColumn<qint64>("openX6");      // runs with an open at X6
        // The whole day holds more runs than the store has failed items, hour
        // 09 fewer: the questions start from the failures, then from the runs.
        QTest::newRow("day") << 24 << QStringList{"open_short:3", "raster_x:2"} << qint64(6) << qint64(2) << qint64(3);
        QTest::newRow("hour 09") << 1 << QStringList{"open_short:2", "raster_x:1"} << qint64(3) << qint64(1)
                                 << qint64(2);
    }

    void failures()
    {
        ENGINE(db);
        QFETCH(int, hours);
        QFETCH(QStringList, pareto);
        QFETCH(qint64, runs);
        QFETCH(qint64, perCell);
        QFETCH(qint64, openX6);
        Filter range = all();
        if (hours == 1)
            range.from = T0.addSecs(3600).toMSecsSinceEpoch();
        range.to = range.from + hours * 3600000LL;
        QString error;
        std::vector<ParetoRow> rows;
        QVERIFY2(failurePareto(db, range, rows, &error), qPrintable(error));
        QStringList found;
        for (const ParetoRow &row : rows)
            found << QStringLiteral("%1:%2").arg(row.item).arg(row.runs);
        QCOMPARE(found, pareto);

        // The two X cells, the open pair X5:X6.
        FailureMap map;
        range.profile = QStringLiteral("demo.ini");
        QVERIFY2(failureMap(db, range, 21, 31, map, &error), qPrintable(error));
        QCOMPARE(map.runs, runs);
        QCOMPARE(map.outsideCells, 0);
        QCOMPARE(int(map.cells.size()), 2);
        for (const CellCount &c : map.cells) {
            QCOMPARE(c.raster, 'X');
            QCOMPARE(c.column, 5);
            QCOMPARE(c.panels, perCell);
        }
        QCOMPARE(int(map.electrodes.size()), 2);
        QCOMPARE(map.electrodes[0].electrode, 5);
        QCOMPARE(map.electrodes[1].electrode, 6);
        QCOMPARE(map.electrodes[1].open, openX6);
        QCOMPARE(map.electrodes[1].shorts, 0);
        // A smaller panel under the same name: the cells beyond it are counted, not drawn.
        QVERIFY(failureMap(db, range, 3, 31, map, &error));
        QCOMPARE(int(map.cells.size()), 1);
        QCOMPARE(map.outsideCells, perCell);
    }

    void drift()
    {
        ENGINE(db);
        QString error;
        SpcLimits limits;
        // Currents 10 12 11 13 12 14: mean 12, moving ranges 2 1 2 1 2.
        QVERIFY2(spcLimits(db, all(), Measure::Current, limits, &error), qPrintable(error));
        QCOMPARE(limits.count, 6);
        QCOMPARE(limits.centre, 12.0);
        QCOMPARE(limits.meanRange, 1.6);
        std::vector<SpcPoint> points;
        qint64 total = 0;
        QVERIFY(spcSeries(db, all(), Measure::Current, 4, points, &total, &error));
        QCOMPARE(int(points.size()), 4);
        QCOMPARE(total, 6); // the newest 4 of 6
        QCOMPARE(points.front().value, 11.0);
        QCOMPARE(points.back().value, 14.0);
        QCOMPARE(points.back().startedAt, T0.addSecs(75 * 60).toMSecsSinceEpoch());
        QCOMPARE(points.front().runId, runId(3));
        QCOMPARE(points.front().station, QStringLiteral("S1"));
        QCOMPARE(points.front().barcode, Retested);
        QVERIFY(spcSeries(db, all(), Measure::Current, 6, points, &total, &error));
        QCOMPARE(int(points.size()), 6);
        QCOMPARE(total, 6);
        QVERIFY(spcSeries(db, all(), Measure::TbMean, 10, points, &total, &error));
        QCOMPARE(points.front().value, 649.0);
        // The open/short levels, kept with each run: the means of the file's
        // lines, 120 (X) and 110 (Y) on the passing panel.
        QVERIFY(spcSeries(db, all(), Measure::OpenShortX, 10, points, &total, &error));
        QCOMPARE(int(points.size()), 6);
        QCOMPARE(points.front().value, 120.0);
        QVERIFY(spcSeries(db, all(), Measure::OpenShortY, 10, points, &total, &error));
        QCOMPARE(points.front().value, 110.0);
        QVERIFY(spcLimits(db, all(), Measure::OpenShortX, limits, &error));
        QCOMPARE(limits.count, 6);

        // As the window asks, with no station chosen: the first station's
        // values and limits alone, S1's currents 10 12 11 (mean 11, moving
        // ranges 2 1).
        Request request;
        request.view = View::Spc;
        request.filter = all();
        request.reference = all();
        Reply reply = answer(db, request);
        QVERIFY2(reply.error.isEmpty(), qPrintable(reply.error));
        QCOMPARE(reply.spcStation, QStringLiteral("S1"));
        QCOMPARE(int(reply.points.size()), 3);
        QCOMPARE(reply.spcValues, 3);
        QCOMPARE(reply.limits.count, 3);
        QCOMPARE(reply.limits.centre, 11.0);
        QCOMPARE(reply.limits.meanRange, 1.5);
        request.filter.station = QStringLiteral("S2");
        reply = answer(db, request);
        QCOMPARE(reply.spcStation, QStringLiteral("S2"));
        QCOMPARE(reply.limits.centre, 13.0);
        // A range without runs: no station to draw.
        request.filter = all(3);
        request.reference = all(3);
        reply = answer(db, request);
        QVERIFY2(reply.error.isEmpty(), qPrintable(reply.error));
        QVERIFY(reply.spcStation.isEmpty());
        QVERIFY(reply.points.empty());
    }

    // The hand-worked data set: Monday's currents 10 12 | 11 (S1) 13 12 14
    // (S2), judged against 15 mA until 08:15 and 16 mA from then on; key 0 at
    // 100 + 10 x mA within 150..250; Tuesday's currents on S3 with the golden
    // sample's 20 mA between them.
    void capability_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("measurement");
        QTest::addColumn<int>("day");
        QTest::addColumn<QString>("station");
        QTest::addColumn<bool>("engineeringOnly");
        // version/versions lower upper known count mean sigmaWithin sigmaOverall cp cpk pp ppk outside
        QTest::addColumn<QStringList>("rows");
        const QStringList gold{"GOLD*"};
        // 1: 10 12, one moving range of 2 (the run before is two days older,
        // outside the range). 2: 11 13 12 14; 11's predecessor was judged
        // under the old limit, so 1 and 2 are its moving ranges, both on S2.
        QTest::newRow("current, the limit raised during the day")
            << "Electric" << "current" << 0 << "" << false
            << QStringList{"1/2 - 15 1 2 11 1.77305 1.41421 - 0.752 - 0.942809 0",
                           "2/2 - 16 1 4 12.5 1.32979 1.29099 - 0.877333 - 0.903696 0"};
        QTest::newRow("current of one station") << "Electric" << "current" << 0 << "S2" << false
                                                << QStringList{"1/1 - 16 1 3 13 1.32979 1 - 0.752 - 1 0"};
        // From 08:07 on S1: 12 (its moving range is against 08:05, outside
        // the range) | 11 (against the old limit): one value each, no sigma.
        QTest::newRow("a range that starts between two runs")
            << "Electric" << "current" << 0 << "S1 from 7" << false
            << QStringList{"1/2 - 15 1 1 12 - - - - - - 0", "2/2 - 16 1 1 11 - - - - - - 0"};
        // The profile's versions gave the key the same limits: one version,
        // its moving ranges across the change (20 10 | 10 20).
        QTest::newRow("a key within two limits") << "BtnData" << "Btn[0]" << 0 << "" << false
                                                 << QStringList{"1/1 150 250 1 6 220 13.2979 14.1421 1.25333 0.752 "
                                                                "1.17851 0.707107 0"};
        // 0 277 0 | 277 0 277 against -30..30: the mean beyond the upper limit.
        QTest::newRow("an electrode outside its window") << "OpenShort" << "X[4]" << 0 << "" << false
                                                         << QStringList{"1/1 -30 30 1 6 138.5 245.567 151.719 0.040722 "
                                                                        "-0.147278 0.0659113 -0.238379 3"};
        // 655 650 | 650 655 650 ... (the failing file reads 650 five times)
        // against the lower limit alone.
        QTest::newRow("a lower limit alone") << "Tb_Value" << "highest" << 0 << "" << false
                                             << QStringList{"1/1 600 - 1 6 652.5 4.43262 2.73861 - 3.948 - 6.3901 0"};
        // 10 [gold] 11 12 10 11 12 10 11 12: the range against the golden
        // sample is no range of production (seven are).
        QTest::newRow("engineering runs left out") << "Electric" << "current" << 1 << "" << false
                                                   << QStringList{"1/1 - 14 1 9 11 1.13982 0.866025 - 0.877333 - 1.1547 0"};
        QTest::newRow("engineering runs alone") << "Electric" << "current" << 1 << "" << true
                                                << QStringList{"1/1 - 14 1 3 20 - 0 - - - - 3"};
        // The golden sample's runs of Wednesday and Tuesday lie outside Monday.
        QTest::newRow("engineering runs alone, none in the range") << "Electric" << "current" << 0 << "" << true
                                                                   << QStringList{};
        // The golden sample's LOT: its two runs on S3 are no neighbours
        // (production runs lie between them), so no moving range.
        QTest::newRow("engineering runs of one LOT") << "Electric" << "current" << 1 << "lot L9" << true
                                                     << QStringList{"1/1 - 14 1 2 20 - 0 - - - - 2"};
        QTest::newRow("runs without their profile") << "Electric" << "current" << -2 << "" << false
                                                    << QStringList{"1/1 ? ? 0 12 10 0 0 - - - - 0"};
        QTest::newRow("no measurement in the range") << "Electric" << "current" << 3 << "" << false << QStringList{};
    }

    void capability()
    {
        ENGINE(db);
        QFETCH(QString, item);
        QFETCH(QString, measurement);
        QFETCH(int, day);
        QFETCH(QString, station);
        QFETCH(bool, engineeringOnly);
        QFETCH(QStringList, rows);
        Filter filter = all(day);
        filter.station = station.section(' ', 0, 0);
        if (station.startsWith("lot ")) {
            filter.lot = station.section(' ', 1);
            filter.station.clear();
        }
        if (station.contains(" from "))
            filter.from = T0.addSecs(60 * station.section(' ', 2).toInt()).toMSecsSinceEpoch();
        filter.engineering = QStringList{"GOLD*"};
        filter.engineeringOnly = engineeringOnly;
        std::vector<Capability> found;
        QString error;
        QVERIFY2(stats::capability(db, filter, item, found, &error), qPrintable(error));
        const auto text = [](std::optional<double> v) { return v ? QString::number(*v, 'g', 6) : QStringLiteral("-"); };
        QStringList got;
        for (const Capability &c : found) {
            if (c.name != measurement)
                continue;
            const auto side = [&](std::optional<double> l) { return c.limitsKnown ? text(l) : QStringLiteral("?"); };
            got << QStringList{QStringLiteral("%1/%2").arg(c.version).arg(c.versions), side(c.lower), side(c.upper),
                               QString::number(c.limitsKnown ? 1 : 0), QString::number(c.count), text(c.mean),
                               text(c.sigmaWithin), text(c.sigmaOverall), text(c.cp), text(c.cpk), text(c.pp),
                               text(c.ppk), QString::number(c.below + c.above)}
                       .join(QLatin1Char(' '));
        }
        QCOMPARE(got, rows);
        if (QTest::currentDataTag() != QLatin1String("current, the limit raised during the day"))
            return;
        // 11 12 13 14, each in a bin of its own around it; the versions' times.
        const Capability &raised = found.at(1);
        QStringList bins;
        for (const results::queries::HistogramBin &b : raised.histogram)
            bins << QStringLiteral("%1..%2:%3").arg(b.from).arg(b.to).arg(b.count);
        QCOMPARE(bins, (QStringList{"10.5..11.5:1", "11.5..12.5:1", "12.5..13.5:1", "13.5..14.5:1"}));
        QCOMPARE(found.at(0).firstAt, T0.addSecs(5 * 60).toMSecsSinceEpoch());
        QCOMPARE(found.at(0).lastAt, T0.addSecs(10 * 60).toMSecsSinceEpoch());
        QCOMPARE(raised.firstAt, T0.addSecs(20 * 60).toMSecsSinceEpoch());
        // As the window asks: every measurement of the item, in the file's order.
        Request request;
        request.view = View::Capability;
        request.filter = all();
        request.item = QStringLiteral("OpenShort");
        const Reply reply = answer(db, request);
        QVERIFY2(reply.error.isEmpty(), qPrintable(reply.error));
        QCOMPARE(int(reply.capability.size()), 29 + 19);
        QCOMPARE(reply.capability.at(2).name, QStringLiteral("X[2]"));
        QCOMPARE(reply.capability.at(10).name, QStringLiteral("X[10]"));
        QCOMPARE(reply.capability.at(29).name, QStringLiteral("Y[0]"));
        // Past the profile's six windows the limits are not known.
        QVERIFY(reply.capability.at(5).limitsKnown && !reply.capability.at(6).limitsKnown);
    }

    // The line's reporting views, read as the analyst's role reads them
    // (a BI tool's data source), which may write nothing through them.
    void reportViews()
    {
        ENGINE(db);
        if (db.driverName() != QLatin1String("QPSQL"))
            QSKIP("views of the line's server");
        QSqlQuery q(db);
        QVERIFY2(q.exec("SELECT COUNT(*), MIN(started) FROM report_runs") && q.next(), qPrintable(q.lastError().text()));
        QCOMPARE(q.value(0).toInt(), int(std::size(Runs)));
        QCOMPARE(q.value(1).toDateTime().toMSecsSinceEpoch(), T0.addSecs(-2880 * 60).toMSecsSinceEpoch());
        // Each run's conditions: the profile version it was judged under, and
        // none for the runs recorded from their files alone.
        // Three profile versions (demo.ini's limit raised, other.ini), demo.ini's
        // six runs with its baseline, B1's download, and the dozen from files.
        QVERIFY2(q.exec("SELECT COUNT(DISTINCT profile_sha1), COUNT(baseline_sha1), COUNT(firmware_sha1),"
                        " COUNT(*) FILTER (WHERE software_version = '3.1+g1a2b3c4d'),"
                        " COUNT(*) FILTER (WHERE profile_sha1 IS NULL AND software_version IS NULL)"
                        " FROM report_runs")
                     && q.next(),
                 qPrintable(q.lastError().text()));
        QCOMPARE((QList<int>{q.value(0).toInt(), q.value(1).toInt(), q.value(2).toInt(), q.value(3).toInt(),
                             q.value(4).toInt()}),
                 (QList<int>{3, 6, 1, int(std::size(Runs)) - 12, 12}));
        // The version a run names is one the reader can read.
        QVERIFY2(q.exec("SELECT COUNT(*) FROM report_runs r JOIN profile_versions v USING (profile, profile_sha1)"
                        " JOIN texts t ON t.sha1 = r.profile_sha1")
                     && q.next(),
                 qPrintable(q.lastError().text()));
        QCOMPARE(q.value(0).toInt(), int(std::size(Runs)) - 12);
        QVERIFY2(q.exec("SELECT value, upper_limit, within_limits, item_passed, barcode FROM report_measurements"
                        " WHERE item = 'Electric' AND started = (SELECT MIN(started) FROM report_measurements"
                        " WHERE limits_known)")
                     && q.next(),
                 qPrintable(q.lastError().text()));
        QCOMPARE(q.value(0).toDouble(), 10.0);
        QCOMPARE(q.value(1).toDouble(), 15.0);
        QVERIFY(q.value(2).toBool() && q.value(3).toBool());
        QCOMPARE(q.value(4).toString(), QStringLiteral("A1"));
        // A golden sample's 20 mA against 14.
        QVERIFY(q.exec("SELECT COUNT(*) FROM report_measurements WHERE item = 'Electric' AND NOT within_limits") && q.next());
        QCOMPARE(q.value(0).toInt(), 4);
        // Monday 08:00: A1 passed; the retested panel failed, then passed.
        QVERIFY(q.prepare("SELECT runs, panels, first_passed, final_passed, first_pass_yield, final_yield"
                          " FROM report_yield_hourly WHERE hour = ?"));
        q.addBindValue(T0.toUTC());
        QVERIFY2(q.exec() && q.next(), qPrintable(q.lastError().text()));
        QCOMPARE((QList<int>{q.value(0).toInt(), q.value(1).toInt(), q.value(2).toInt(), q.value(3).toInt()}),
                 (QList<int>{3, 2, 1, 2}));
        QCOMPARE(q.value(4).toDouble(), 50.0);
        QCOMPARE(q.value(5).toDouble(), 100.0);
        // The README's two queries for a dashboard's data source run as written.
        for (const char *sql : {"SELECT hour, runs, panels, first_pass_yield, final_yield FROM report_yield_hourly"
                                " WHERE hour >= now() - interval '24 hours' ORDER BY hour",
                                "SELECT station, started, value AS current_ma, upper_limit, within_limits"
                                " FROM report_measurements WHERE item = 'Electric'"
                                " AND started >= date_trunc('day', now()) ORDER BY started"})
            QVERIFY2(q.exec(QLatin1String(sql)), qPrintable(q.lastError().text()));
        for (const char *sql : {"DELETE FROM report_runs", "UPDATE report_measurements SET value = 0",
                                "INSERT INTO report_yield_hourly (runs) VALUES (1)"}) {
            QSqlQuery write(db);
            QVERIFY2(!write.exec(QLatin1String(sql)), sql);
        }
        QVERIFY(q.exec("SELECT COUNT(*) FROM report_runs") && q.next());
        QCOMPARE(q.value(0).toInt(), int(std::size(Runs)));
    }

    void traceability_data()
    {
        QTest::addColumn<QString>("barcode");
        QTest::addColumn<bool>("prefix");
        QTest::addColumn<QString>("worker");
        QTest::addColumn<QString>("item");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("station");
        QTest::addColumn<QString>("profile");
        QTest::addColumn<QStringList>("runs");
        QTest::addColumn<QString>("failedOfNewest");
        QTest::newRow("barcode as typed") << Retested << false << "" << "" << 500 << "" << ""
                                          << QStringList{"run-3", "run-2"} << "";
        QTest::newRow("worker") << "" << false << "W1" << "" << 500 << "" << "" << QStringList{"run-2", "run-1"}
                                << "open_short raster_x";
        // Looked up from the item's failures (2 in 31 runs), then found
        // walking the newest runs (a common item, or the newest run only).
        QTest::newRow("failed item") << "" << false << "" << "raster_x" << 500 << "" << ""
                                     << QStringList{"run-4", "run-2"} << "open_short raster_x";
        QTest::newRow("failed item, newest") << "" << false << "" << "open_short" << 1 << "" << ""
                                             << QStringList{"run-27"} << "open_short";
        // A failure bar of one station or one profile lists its runs only.
        QTest::newRow("failed item, one station") << "" << false << "" << "raster_x" << 500 << "S1" << ""
                                                  << QStringList{"run-2"} << "open_short raster_x";
        QTest::newRow("failed item, newest of one profile") << "" << false << "" << "open_short" << 1 << ""
                                                            << "demo.ini" << QStringList{"run-6"} << "open_short";
        QTest::newRow("failed item, another profile")
            << "" << false << "" << "open_short" << 500 << "" << "other.ini"
            << QStringList{"run-27", "run-22", "run-31", "run-29", "run-26", "run-25", "run-24", "run-28", "run-21",
                           "run-19"}
            << "open_short";
        QTest::newRow("barcode prefix") << "B" << true << "" << "" << 500 << "" << ""
                                        << QStringList{"run-20", "run-31", "run-30", "run-29", "run-26", "run-25",
                                                       "run-24", "run-23", "run-19"}
                                        << "";
        QTest::newRow("barcode prefix, a whole barcode") << Retested << true << "" << "" << 500 << "" << ""
                                                         << QStringList{"run-3", "run-2"} << "";
        QTest::newRow("barcode prefix, quote and semicolon") << "A'2;" << true << "" << "" << 500 << "" << ""
                                                             << QStringList{"run-3", "run-2"} << "";
        QTest::newRow("barcode prefix, with _") << "GOLD_" << true << "" << "" << 500 << "" << ""
                                                << QStringList{"run-27", "run-22", "run-28", "run-21"} << "open_short";
        // _ and % are characters, not wildcards: GOL_ does not find GOLD_1.
        QTest::newRow("barcode prefix, _ no wildcard") << "GOL_" << true << "" << "" << 500 << "" << ""
                                                       << QStringList{} << "";
        QTest::newRow("barcode prefix, % no wildcard") << "%1" << true << "" << "" << 500 << "" << ""
                                                       << QStringList{} << "";
        // A3 is the least barcode above every one starting with A2: not one of them.
        QTest::newRow("barcode prefix, the barcode just above") << "A2" << true << "" << "" << 500 << "" << ""
                                                                << QStringList{} << "";
        QTest::newRow("exact barcode is no prefix") << "B" << false << "" << "" << 500 << "" << "" << QStringList{}
                                                    << "";
        QTest::newRow("nothing") << "A9" << false << "" << "" << 500 << "" << "" << QStringList{} << "";
    }

    void traceability()
    {
        ENGINE(db);
        QFETCH(QString, barcode);
        QFETCH(bool, prefix);
        QFETCH(QString, worker);
        QFETCH(QString, item);
        QFETCH(int, limit);
        QFETCH(QString, station);
        QFETCH(QString, profile);
        QFETCH(QStringList, runs);
        QFETCH(QString, failedOfNewest);
        TraceQuery query;
        query.barcode = barcode;
        query.barcodePrefix = prefix;
        query.worker = worker;
        query.failedItem = item;
        query.limit = limit;
        query.station = station;
        query.profile = profile;
        std::vector<TraceRow> rows;
        QString error;
        QVERIFY2(traceRuns(db, query, rows, &error), qPrintable(error));
        QStringList found;
        // A filed run's id comes from its file; the file's name says which run it is.
        for (const TraceRow &r : rows)
            found << QFileInfo(r.path).completeBaseName();
        QCOMPARE(found, runs);
        if (!rows.empty()) {
            QCOMPARE(rows.front().failed.join(QLatin1Char(' ')), failedOfNewest);
            QVERIFY(rows.front().path.startsWith(QLatin1String("/station/results")));
            QByteArray content;
            QVERIFY(runContent(db, rows.front().runId, content, &error));
            QVERIFY(content.startsWith("Electric,PASS,"));
        }
    }

    // Each question of the statistics, its engine broken off at every
    // point from its first step to its last: either the whole answer, or no
    // answer and the engine's reason, never the rows that came before.
    void storeBreaksOff_data()
    {
        QTest::addColumn<QString>("question");
        for (const char *question :
             {"yield by hour, whole quarters", "yield by hour, counted from the runs", "yield by LOT",
              "failures' Pareto", "failure map", "drift values", "drift limits", "traceability",
              "traceability, a failed item", "a filter's choices", "the store's runs", "a run's text"})
            QTest::newRow(question) << QString::fromLatin1(question);
    }
    void storeBreaksOff()
    {
        QFETCH_GLOBAL(QString, engine);
        if (engine != QLatin1String("sqlite"))
            QSKIP("broken off through SQLite's own interruption");
        QFETCH(QString, question);
        const QSqlDatabase db = m_sqlite.database();
        // The answer as text, or a null text with the reason in error.
        const auto ask = [&](QString *error) -> QString {
            QStringList out;
            bool ok = false;
            if (question.startsWith(QLatin1String("yield"))) {
                Filter f = all(1);
                f.engineering = QStringList{QStringLiteral("GOLD*")};
                if (question.contains(QLatin1String("counted")))
                    f.station = QStringLiteral("S3");
                std::vector<YieldRow> rows;
                ok = yieldByGroup(db, f, question.contains(QLatin1String("LOT")) ? GroupBy::Lot : GroupBy::Hour, rows,
                                  error);
                for (const YieldRow &r : rows)
                    out << QStringLiteral("%1:%2/%3/%4/%5/%6/%7/%8")
                               .arg(r.group)
                               .arg(r.runs)
                               .arg(r.panels)
                               .arg(r.firstPassed)
                               .arg(r.finalPassed)
                               .arg(r.passedAfterRetest)
                               .arg(r.neverPassed)
                               .arg(r.retests);
            } else if (question == QLatin1String("failures' Pareto")) {
                std::vector<ParetoRow> rows;
                ok = failurePareto(db, all(), rows, error);
                for (const ParetoRow &r : rows)
                    out << QStringLiteral("%1:%2").arg(r.item).arg(r.runs);
            } else if (question == QLatin1String("failure map")) {
                FailureMap map;
                ok = failureMap(db, all(), 21, 31, map, error);
                out << QString::number(map.runs) << QString::number(map.outsideCells);
                for (const CellCount &c : map.cells)
                    out << QStringLiteral("%1%2,%3:%4").arg(c.raster).arg(c.row).arg(c.column).arg(c.panels);
                for (const ElectrodeCount &e : map.electrodes)
                    out << QStringLiteral("%1%2:%3/%4").arg(e.line).arg(e.electrode).arg(e.open).arg(e.shorts);
            } else if (question == QLatin1String("drift values")) {
                std::vector<SpcPoint> points;
                qint64 total = 0;
                ok = spcSeries(db, all(), Measure::Current, 10, points, &total, error);
                out << QString::number(total);
                for (const SpcPoint &p : points)
                    out << QStringLiteral("%1:%2").arg(p.runId).arg(p.value);
            } else if (question == QLatin1String("drift limits")) {
                SpcLimits limits;
                ok = spcLimits(db, all(), Measure::Current, limits, error);
                out << QStringLiteral("%1/%2/%3").arg(limits.count).arg(limits.centre).arg(limits.meanRange);
            } else if (question.startsWith(QLatin1String("traceability"))) {
                TraceQuery query;
                if (question.contains(QLatin1String("item")))
                    query.failedItem = QStringLiteral("open_short");
                std::vector<TraceRow> rows;
                ok = traceRuns(db, query, rows, error);
                for (const TraceRow &r : rows)
                    out << r.runId + QLatin1Char(':') + r.failed.join(QLatin1Char(' '));
            } else if (question == QLatin1String("a filter's choices")) {
                ok = distinctValues(db, all(1), QStringLiteral("station"), out, error);
            } else if (question == QLatin1String("the store's runs")) {
                qint64 runs = 0;
                ok = countRuns(db, &runs, error);
                out << QString::number(runs);
            } else {
                QByteArray content;
                ok = runContent(db, runId(1), content, error);
                out << QString::fromLatin1(results::contentHash(content));
            }
            return ok ? out.join(QLatin1Char(';')) : QString();
        };
        QString error;
        const QString whole = ask(&error);
        QVERIFY2(!whole.isNull(), qPrintable(error));
        int refused = 0;
        // Every step up to 200, then a tenth more each time, to the last.
        for (qint64 steps = 0;; steps = steps < 200 ? steps + 1 : steps + steps / 10) {
            QString why;
            QString answer;
            bool brokeOff = false;
            {
                BreakOff breakOff(db, steps);
                answer = ask(&why);
                brokeOff = breakOff.brokeOff();
            }
            if (!brokeOff) {
                QCOMPARE(answer, whole);
                break;
            }
            QVERIFY2(answer.isNull(), qPrintable(QStringLiteral("broken off after %1 steps, answered %2").arg(steps).arg(answer)));
            QVERIFY2(why.contains(QLatin1String("interrupt")), qPrintable(why));
            ++refused;
        }
        QVERIFY(refused > 0);
    }

    // What a run was judged against, as the traceability view shows it: its
    // profile's version, first seen when and where, the version before it.
    void conditionsOfARun_data()
    {
        QTest::addColumn<QString>("run");       // the run's file name
        QTest::addColumn<QString>("version");   // the profile text's Electric_thr; empty: not known
        QTest::addColumn<QString>("previous");  // the version before's; empty: none
        QTest::addColumn<QString>("firstSeen"); // minutes after T0 and station
        QTest::addColumn<bool>("baseline");
        QTest::addColumn<bool>("firmware");
        QTest::newRow("the first version") << "run-2" << "15" << "" << "5 S1" << true << false;
        QTest::newRow("the limit raised") << "run-4" << "16" << "15" << "20 S1" << true << false;
        QTest::newRow("the raised limit again") << "run-6" << "16" << "15" << "20 S1" << true << false;
        QTest::newRow("another profile, after a download") << "run-19" << "14" << "" << "1490 S3" << false << true;
        QTest::newRow("another profile, no download") << "run-20" << "14" << "" << "1490 S3" << false << false;
        QTest::newRow("recorded from its file alone") << "run-7" << "" << "" << "" << false << false;
    }
    void conditionsOfARun()
    {
        ENGINE(db);
        QFETCH(QString, run);
        QFETCH(QString, version);
        QFETCH(QString, previous);
        QFETCH(QString, firstSeen);
        QFETCH(bool, baseline);
        QFETCH(bool, firmware);
        QSqlQuery q(db);
        q.prepare(QStringLiteral("SELECT run_id FROM runs WHERE file_path LIKE ?"));
        q.addBindValue(QStringLiteral("%/") + run + QStringLiteral(".csv"));
        QVERIFY(q.exec() && q.next());
        Request request;
        request.view = View::Conditions;
        request.runId = q.value(0).toString();
        q.finish();
        const Reply reply = answer(db, request);
        QVERIFY2(reply.error.isEmpty(), qPrintable(reply.error));
        const results::conditions::RunConditions &c = reply.conditions;
        QVERIFY(c.found);
        const auto limit = [](const QByteArray &text) {
            std::vector<results::conditions::Entry> entries;
            results::conditions::iniEntries(text, entries);
            for (const results::conditions::Entry &e : entries)
                if (e.key == QLatin1String("Electric_thr"))
                    return e.value;
            return QString();
        };
        QCOMPARE(limit(reply.profileText), version);
        QCOMPARE(c.profileSha1.isEmpty(), version.isEmpty());
        QCOMPARE(limit(reply.previousText), previous);
        QCOMPARE(c.previousSha1.isEmpty(), previous.isEmpty());
        if (!firstSeen.isEmpty())
            QCOMPARE(QStringLiteral("%1 %2").arg((c.versionFirstAt - T0.toMSecsSinceEpoch()) / 60000).arg(c.versionStation),
                     firstSeen);
        QCOMPARE(!c.baselineSha1.isEmpty(), baseline);
        QCOMPARE(!c.firmwareSha1.isEmpty(), firmware);
        QCOMPARE(c.softwareVersion, version.isEmpty() ? QString() : QStringLiteral("3.1+g1a2b3c4d"));
    }

    void controlRules_data()
    {
        QTest::addColumn<QList<double>>("values");
        QTest::addColumn<QString>("outside");
        QTest::addColumn<QString>("runs");
        // Limits 0..10 around a centre of 5.
        QTest::newRow("in control") << QList<double>{4, 6, 5, 4, 6} << "00000" << "00000";
        QTest::newRow("beyond both limits") << QList<double>{11, 5, -1, 10} << "1010" << "0000";
        QTest::newRow("eight above") << QList<double>{6, 6, 6, 6, 6, 6, 6, 6, 6, 4} << "0000000000" << "0000000110";
        QTest::newRow("on the centre ends a run")
            << QList<double>{4, 4, 4, 4, 5, 4, 4, 4, 4, 4, 4, 4, 4} << "0000000000000" << "0000000000001";
    }

    void controlRules()
    {
        QFETCH_GLOBAL(QString, engine);
        if (engine != QLatin1String("sqlite"))
            QSKIP("no store involved");
        QFETCH(QList<double>, values);
        QFETCH(QString, outside);
        QFETCH(QString, runs);
        const std::vector<double> v(values.begin(), values.end());
        const auto text = [](const std::vector<bool> &marks) {
            QString s;
            for (bool m : marks)
                s += m ? QLatin1Char('1') : QLatin1Char('0');
            return s;
        };
        QCOMPARE(text(outsideLimits(v, 0, 10)), outside);
        QCOMPARE(text(runsOfEight(v, 5)), runs);
    }

    void shiftStartOfNow_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QTime>("start");
        QTest::addColumn<QDateTime>("expected");
        const QTimeZone berlin("Europe/Berlin");
        const auto at = [&berlin](int month, int day, int h, int m) {
            return QDateTime(QDate(2026, month, day), QTime(h, m), berlin);
        };
        QTest::newRow("after the start") << at(5, 6, 14, 0) << QTime(6, 0) << at(5, 6, 6, 0);
        QTest::newRow("at the start") << at(5, 6, 6, 0) << QTime(6, 0) << at(5, 6, 6, 0);
        QTest::newRow("night shift, after midnight") << at(5, 6, 3, 0) << QTime(22, 0) << at(5, 5, 22, 0);
        // The clocks skip 02:00-03:00 that morning: the shift starts at 03:00,
        // that day and when asked before the start on the next.
        QTest::newRow("start skipped by the clocks")
            << at(3, 29, 9, 0) << QTime(2, 30) << QDateTime(QDate(2026, 3, 29), QTime(3, 0), berlin);
        QTest::newRow("the day after it, early")
            << at(3, 30, 1, 0) << QTime(2, 30) << QDateTime(QDate(2026, 3, 29), QTime(3, 0), berlin);
    }

    void shiftStartOfNow()
    {
        QFETCH_GLOBAL(QString, engine);
        if (engine != QLatin1String("sqlite"))
            QSKIP("no store involved");
        QFETCH(QDateTime, now);
        QFETCH(QTime, start);
        QFETCH(QDateTime, expected);
        const QDateTime got = currentShiftStart(now, start);
        QVERIFY2(got.isValid(), qPrintable(now.toString(Qt::ISODate)));
        QCOMPARE(got.toMSecsSinceEpoch(), expected.toMSecsSinceEpoch());
    }

    // The main window's status line: this station's panels and first-pass
    // yield since the shift began, from the station's store.
    void shiftYield_data()
    {
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("station");
        QTest::addColumn<QString>("engineering");
        QTest::addColumn<QString>("text");
        const QDateTime ten = T0.addSecs(2 * 3600);
        QTest::newRow("since the start") << ten << "06:00" << "S1" << ""
                                         << "this station since 06:00: 2 panels, first pass 50.0 %";
        QTest::newRow("another station") << ten << "06:00" << "S2" << ""
                                         << "this station since 06:00: 3 panels, first pass 33.3 %";
        QTest::newRow("a run at the start") << ten << "09:05" << "S2" << ""
                                            << "this station since 09:05: 3 panels, first pass 33.3 %";
        QTest::newRow("a minute after it") << ten << "09:06" << "S2" << ""
                                           << "this station since 09:06: 2 panels, first pass 50.0 %";
        QTest::newRow("engineering left out") << ten << "06:00" << "S1" << "A1"
                                              << "this station since 06:00: 1 panels, first pass 0.0 %";
        QTest::newRow("no runs") << ten << "06:00" << "S9" << "" << "this station since 06:00: no panels";
        // Tuesday 10:00 onwards held B1's retest only.
        QTest::newRow("a retest only") << T0.addSecs(26 * 3600 + 1800) << "10:00" << "S3" << ""
                                       << "this station since 10:00: no panels";
    }

    void shiftYield()
    {
        QFETCH_GLOBAL(QString, engine);
        if (engine != QLatin1String("sqlite"))
            QSKIP("the station's own store");
        QFETCH(QDateTime, now);
        QFETCH(QString, start);
        QFETCH(QString, station);
        QFETCH(QString, engineering);
        QFETCH(QString, text);
        QTemporaryDir dir;
        const QString settings = dir.filePath(QStringLiteral("stats.ini"));
        setShiftStart(QTime::fromString(start, QStringLiteral("HH:mm")), settings);
        results::queries::setEngineeringPatterns(engineering.isEmpty() ? QStringList() : QStringList{engineering},
                                                 settings);
        ShiftYield shift(m_sqlitePath, station, settings);
        shift.setClock([now] { return now; });
        QSignalSpy changed(&shift, &ShiftYield::changed);
        shift.refresh();
        QTRY_COMPARE(changed.count(), 1);
        QCOMPARE(changed.first().at(0).toString(), text);
        QCOMPARE(shift.text(), text);
    }

    // The window as the shift leader opens it: every view drawn from the
    // store, a run opened with one click, exports written; no store, no line.
    void window()
    {
        QFETCH_GLOBAL(QString, engine);
        if (engine != QLatin1String("sqlite"))
            QSKIP("the window is shown once, on the station's store");
        StatsWindow::Options options;
        options.localPath = m_sqlitePath;
        options.station = QStringLiteral("S1");
        options.profile = QStringLiteral("demo.ini");
        options.geometry = [](const QString &profile) {
            return profile == QLatin1String("demo.ini") ? QSize(30, 20) : QSize();
        };
        options.shiftSettings = m_dir.filePath(QStringLiteral("stats.ini"));
        StatsWindow window(options);
        QSignalSpy drawn(&window, &StatsWindow::drawn);
        QSignalSpy opened(&window, &StatsWindow::openResult);
        window.show();
        window.setRange(T0, T0.addDays(1));
        QTRY_VERIFY(!window.busy());
        QVERIFY2(window.statusText().contains(QLatin1String("31 runs")), qPrintable(window.statusText()));
        QVERIFY2(window.csv(StatsWindow::YieldTab).contains(QLatin1String("2024-03-04 09:00,3,3,1,33.3,1,33.3,0,2,0")),
                 qPrintable(window.csv(StatsWindow::YieldTab)));
        QVERIFY(!window.currentHourLabel()->text().isEmpty());
        // The yield's axis starts at 0, each bar says its yield and counts.
        const auto yieldAxis = [&window] {
            const QList<QAbstractAxis *> axes = window.yieldChart()->axes(Qt::Vertical);
            return axes.isEmpty() ? nullptr : qobject_cast<QValueAxis *>(axes.first());
        };
        QVERIFY(yieldAxis());
        QCOMPARE(yieldAxis()->min(), 0.0);
        QCOMPARE(yieldAxis()->max(), 100.0);
        const auto barLabels = [&window] {
            QStringList texts;
            for (QGraphicsItem *item : window.yieldChart()->childItems())
                if (auto *text = dynamic_cast<QGraphicsSimpleTextItem *>(item))
                    texts << text->text();
            return texts;
        };
        QCOMPARE(barLabels(), (QStringList{"50.0 % 1/2", "33.3 % 1/3", "100.0 % 2/2", "33.3 % 1/3"}));

        // Tuesday without the golden sample: 10:00 has no first-tested panel.
        window.setEngineering({QStringLiteral("GOLD*")}, false);
        window.setRange(T0.addDays(1), T0.addDays(2));
        QTRY_VERIFY(!window.busy());
        QCOMPARE(results::queries::engineeringPatterns(options.shiftSettings), QStringList{"GOLD*"});
        QVERIFY2(window.csv(StatsWindow::YieldTab).contains(QLatin1String("\n2024-03-05 10:00,1,0,0,,0,,0,0,0\n")),
                 qPrintable(window.csv(StatsWindow::YieldTab)));
        QVERIFY2(!window.csv(StatsWindow::YieldTab).contains(QLatin1String("11:00")),
                 qPrintable(window.csv(StatsWindow::YieldTab)));
        QCOMPARE(barLabels().count(QStringLiteral("\u2013")), 2);
        window.setEngineering({QStringLiteral("GOLD*")}, true);
        QTRY_VERIFY(!window.busy());
        QCOMPARE(window.csv(StatsWindow::YieldTab).count(QLatin1Char('\n')), 1 + 2); // 09:00 and 11:00
        QVERIFY2(window.csv(StatsWindow::YieldTab).contains(QLatin1String("\n2024-03-05 09:00,2,1,0,0.0,0,0.0,0,1,3\n")),
                 qPrintable(window.csv(StatsWindow::YieldTab)));
        window.setEngineering({}, false);
        window.setRange(T0, T0.addDays(1));
        QTRY_VERIFY(!window.busy());

        window.showTab(StatsWindow::MapTab);
        QTRY_VERIFY(!window.busy());
        QCOMPARE(window.heatMap('X')->count(2, 5), 2);
        QCOMPARE(window.heatMap('X')->most(), 2);
        QCOMPARE(window.heatMap('Y')->most(), 0);
        QCOMPARE(failureColour(2, 2), QColor(255, 0, 0));
        QCOMPARE(window.heatMap('X')->label(2, 5), QStringLiteral("2"));
        QCOMPARE(window.heatMap('X')->scaleTexts(), (QStringList{"0", "1", "2"}));
        // Runs counted on whole ticks: X6 opened in 3 runs.
        const auto countAxisOf = [&window](char line) {
            const QList<QAbstractAxis *> axes = window.electrodeChart(line)->axes(Qt::Vertical);
            return axes.isEmpty() ? nullptr : qobject_cast<QValueAxis *>(axes.first());
        };
        QVERIFY(countAxisOf('X'));
        QCOMPARE(countAxisOf('X')->max(), 3.0);
        QCOMPARE(countAxisOf('X')->tickInterval(), 1.0);
        QCOMPARE(countAxisOf('Y')->max(), 1.0);
        QCOMPARE(countAxisOf('Y')->tickInterval(), 1.0);
        // As shares of the day's 6 runs.
        window.setMapShare(true);
        QCOMPARE(window.heatMap('X')->label(2, 5), QStringLiteral("33"));
        QCOMPARE(window.heatMap('X')->scaleTexts(), (QStringList{"0.0 %", "17 %", "33 %"}));
        QCOMPARE(countAxisOf('X')->max(), 50.0); // 3 of 6 runs: 50 %, on ticks of 10
        window.setMapShare(false);

        window.showTab(StatsWindow::ParetoTab);
        QTRY_VERIFY(!window.busy());
        QVERIFY(window.csv(StatsWindow::ParetoTab).startsWith(QLatin1String("item,failed_runs")));
        window.traceFailedItem(QStringLiteral("open_short"));
        QTRY_VERIFY(!window.busy());
        QCOMPARE(window.traceTable()->rowCount(), 3);
        QTest::mouseClick(window.traceTable()->viewport(), Qt::LeftButton, {},
                          window.traceTable()->visualItemRect(window.traceTable()->item(0, 0)).center());
        QTRY_COMPARE(opened.count(), 1);
        QCOMPARE(opened.first().at(0).toString(), QStringLiteral("/station/resultsFAIL/run-6.csv"));
        QVERIFY(opened.first().at(1).toByteArray().contains("Xopen:,X5:X6"));
        TraceQuery prefix;
        prefix.barcode = QStringLiteral("A");
        prefix.barcodePrefix = true;
        window.trace(prefix);
        QTRY_VERIFY(!window.busy());
        QCOMPARE(window.traceTable()->rowCount(), 4);
        // A run's conditions, and one click each to its profile's text and
        // to what changed against the version before.
        QVERIFY(!window.profileTextButton()->isEnabled());
        window.traceTable()->setCurrentCell(0, 0); // A3, after the limit was raised
        QTRY_VERIFY(!window.busy());
        QVERIFY2(window.conditionsLabel()->text().contains(QLatin1String("Profile demo.ini, version "))
                     && window.conditionsLabel()->text().contains(QLatin1String("on S1; the version before: "))
                     && window.conditionsLabel()->text().contains(QLatin1String("Station software 3.1+g1a2b3c4d")),
                 qPrintable(window.conditionsLabel()->text()));
        QVERIFY(window.profileChangesButton()->isEnabled());
        QTest::mouseClick(window.profileChangesButton(), Qt::LeftButton);
        QVERIFY(window.conditionsWindow() && window.conditionsWindow()->isVisible());
        auto *changes = window.conditionsWindow()->findChild<QTableWidget *>(QStringLiteral("profileChanges"));
        QVERIFY(changes);
        QCOMPARE(changes->rowCount(), 1);
        QCOMPARE(changes->item(0, 0)->text(), QStringLiteral("Electric_thr"));
        QCOMPARE(changes->item(0, 2)->text(), QStringLiteral("15"));
        QCOMPARE(changes->item(0, 3)->text(), QStringLiteral("16"));
        QTest::mouseClick(window.profileTextButton(), Qt::LeftButton);
        auto *text = window.conditionsWindow()->findChild<QPlainTextEdit *>(QStringLiteral("profileText"));
        QVERIFY(text);
        QVERIFY2(text->toPlainText().startsWith(QLatin1String("[General]\nElectric_thr=16\n")),
                 qPrintable(text->toPlainText()));
        QVERIFY(window.csv(StatsWindow::TraceTab).split(QLatin1Char('\n')).first().endsWith(
            QLatin1String(",profile_sha1,baseline_sha1,firmware_sha1,software_version")));
        window.traceTable()->setCurrentCell(3, 0); // A1, under the first version
        QTRY_VERIFY(!window.busy());
        QVERIFY2(window.conditionsLabel()->text().contains(QLatin1String("the first version known")),
                 qPrintable(window.conditionsLabel()->text()));
        QVERIFY(window.profileTextButton()->isEnabled());
        QVERIFY(!window.profileChangesButton()->isEnabled());

        // Drift is of one station: without one chosen, the first in the range,
        // and the chart says so.
        window.setReferencePeriod(T0, T0.addDays(1));
        window.showTab(StatsWindow::SpcTab);
        QTRY_VERIFY(!window.busy());
        QVERIFY2(window.driftChart(false)->title().contains(QLatin1String("station S1 (the first")),
                 qPrintable(window.driftChart(false)->title()));
        // The moving range has no lower limit and never goes below 0.
        QStringList rangeLines;
        for (QAbstractSeries *series : window.driftChart(true)->series())
            rangeLines << series->name();
        QVERIFY2(!rangeLines.join(QLatin1Char(' ')).contains(QLatin1String("LCL"))
                     && !rangeLines.join(QLatin1Char(' ')).contains(QLatin1String("sigma")),
                 qPrintable(rangeLines.join(QLatin1Char(','))));
        const QList<QAbstractAxis *> rangeAxes = window.driftChart(true)->axes(Qt::Vertical);
        QVERIFY(!rangeAxes.isEmpty());
        QCOMPARE(qobject_cast<QValueAxis *>(rangeAxes.first())->min(), 0.0);
        QVERIFY(window.exportPng(m_dir.filePath(QStringLiteral("drift.png"))));
        QVERIFY(!QImage(m_dir.filePath(QStringLiteral("drift.png"))).isNull());
        QVERIFY(window.exportCsv(m_dir.filePath(QStringLiteral("drift.csv"))));
        QFile csv(m_dir.filePath(QStringLiteral("drift.csv")));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = csv.readAll().split('\n');
        QCOMPARE(lines.size(), 1 + 3 + 1 + 1); // header, S1's runs, the limits, the end
        QVERIFY2(lines.at(0).startsWith("started,station,barcode,run_id,"), lines.at(0).constData());
        QVERIFY2(lines.at(1).contains(",S1,A1," + runId(1).toLatin1() + ",10,"), lines.at(1).constData());
        // A chosen station is drawn as chosen; its newest values are all there is.
        window.setStation(QStringLiteral("S2"));
        QTRY_VERIFY(!window.busy());
        QVERIFY2(window.driftChart(false)->title().contains(QLatin1String("of station S2: individual values, 3 runs;")),
                 qPrintable(window.driftChart(false)->title()));

        // Capability of the current on every station: one histogram per
        // version of its limit, each with its limit drawn, runs counted from 0.
        window.setStation(QString());
        window.showCapability(QStringLiteral("Electric"));
        QTRY_VERIFY(!window.busy());
        QCOMPARE(window.capabilityTable()->rowCount(), 2);
        QCOMPARE(window.capabilityMeasurement(), QStringLiteral("current"));
        QCOMPARE(int(window.capabilityCharts().size()), 2);
        const auto seriesNames = [](QChart *chart) {
            QStringList names;
            for (QAbstractSeries *series : chart->series())
                names << series->name();
            return names.join(QLatin1Char(','));
        };
        const auto axisOf = [](QChart *chart, Qt::Orientation orientation) {
            const QList<QAbstractAxis *> axes = chart->axes(orientation);
            return axes.isEmpty() ? nullptr : qobject_cast<QValueAxis *>(axes.first());
        };
        for (int v = 0; v < 2; ++v) {
            QChart *chart = window.capabilityCharts()[std::size_t(v)];
            QVERIFY2(seriesNames(chart).contains(v == 0 ? "upper limit 15 mA" : "upper limit 16 mA"),
                     qPrintable(seriesNames(chart)));
            QVERIFY(!seriesNames(chart).contains("lower limit"));
            QVERIFY(axisOf(chart, Qt::Vertical) && axisOf(chart, Qt::Horizontal));
            QCOMPARE(axisOf(chart, Qt::Vertical)->min(), 0.0);
            QCOMPARE(axisOf(chart, Qt::Vertical)->titleText(), QStringLiteral("runs"));
            QCOMPARE(axisOf(chart, Qt::Horizontal)->titleText(), QStringLiteral("current (mA)"));
            // The limit lies on the axis.
            QVERIFY(axisOf(chart, Qt::Horizontal)->max() > (v == 0 ? 15.0 : 16.0));
        }
        QVERIFY2(window.capabilityCharts()[0]->title().contains(QLatin1String("version 1 of 2")),
                 qPrintable(window.capabilityCharts()[0]->title()));
        QVERIFY2(window.csv(StatsWindow::CapabilityTab).contains(QLatin1String("Electric,current,mA,2,2,")),
                 qPrintable(window.csv(StatsWindow::CapabilityTab)));
        // Eight keys, the first the least capable: shown first, both limits drawn.
        window.showCapability(QStringLiteral("BtnData"));
        QTRY_VERIFY(!window.busy());
        QCOMPARE(window.capabilityTable()->rowCount(), 8);
        QCOMPARE(window.capabilityMeasurement(), QStringLiteral("Btn[0]"));
        QCOMPARE(int(window.capabilityCharts().size()), 1);
        QVERIFY2(seriesNames(window.capabilityCharts()[0]).contains("lower limit 150,upper limit 250"),
                 qPrintable(seriesNames(window.capabilityCharts()[0])));
        QCOMPARE(axisOf(window.capabilityCharts()[0], Qt::Horizontal)->titleText(), QStringLiteral("Btn[0] (counts)"));
        // Another measurement from the table, without asking the store again.
        QTest::mouseClick(window.capabilityTable()->viewport(), Qt::LeftButton, {},
                          window.capabilityTable()->visualItemRect(window.capabilityTable()->item(2, 0)).center());
        QCOMPARE(window.capabilityMeasurement(), QStringLiteral("Btn[2]"));
        QCOMPARE(int(window.capabilityCharts().size()), 1);
        QVERIFY(!window.busy());
        // A station's store that pruned its runs before Tuesday (once the
        // line had them) says since when it holds them.
        const QString pruned = QStringLiteral("INSERT INTO pruning (pruned_before, runs) VALUES (%1, 0)")
                                   .arg(T0.addDays(1).toMSecsSinceEpoch());
        QVERIFY(QSqlQuery(m_sqlite.database()).exec(pruned));
        window.setStation(QString());
        QTRY_VERIFY(!window.busy());
        QVERIFY2(window.statusText().endsWith(T0.addDays(1).toString(QStringLiteral("yyyy-MM-dd HH:mm"))
                                              + QStringLiteral(" were pruned once the line had them")),
                 qPrintable(window.statusText()));
        QVERIFY(QSqlQuery(m_sqlite.database()).exec(QStringLiteral("DELETE FROM pruning")));

        // A line that is not configured, a station without a store: one line each.
        window.setLineStore(true);
        QTRY_VERIFY(!window.busy());
        QVERIFY2(window.statusText().contains(QLatin1String("line.ini")), qPrintable(window.statusText()));
        QVERIFY(!window.errorText().isEmpty());
        StatsWindow::Options none = options;
        none.localPath = m_dir.filePath(QStringLiteral("absent.db"));
        StatsWindow empty(none);
        QTRY_VERIFY(!empty.busy());
        QVERIFY2(empty.statusText().contains(QLatin1String("absent.db")), qPrintable(empty.statusText()));
        QVERIFY(!QFile::exists(none.localPath));
    }
};

QTEST_MAIN(TestStats)
#include "tst_stats.moc"
