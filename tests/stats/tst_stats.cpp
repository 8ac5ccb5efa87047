// The line statistics against real stores: the same generated runs in an
// SQLite file and on a PostgreSQL 15 server the test starts, every count known
// beforehand; then the window itself on the SQLite store.
#include "heatmapwidget.h"
#include "linesettings.h"
#include "lineserver.h"
#include "pgserver.h"
#include "resultdata.h"
#include "resultstore.h"
#include "statsquery.h"
#include "statsservice.h"
#include "statswindow.h"

#include <QApplication>
#include <QLabel>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimeZone>
#include <QtTest>

#include <memory>

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
};

// Hour 08: A1 passes; Retested fails then passes. Hour 09: A3 fails, and two
// runs without a barcode, one passing and one failing, are panels of their own.
const Run Runs[] = {
    {"A1", "S1", "L1", "W1", 5, false, false, 10},
    {Retested, "S1", "L1", "W1", 10, true, true, 12},
    {Retested, "S1", "L1", "W2", 20, false, false, 11},
    {"A3", "S2", "L2", "W2", 65, true, true, 13},
    {"", "S2", "L2", "W2", 70, false, false, 12},
    {"", "S2", "L2", "W2", 75, true, false, 14},
    // Two days before, a dozen passing panels: out of every range below, and
    // enough runs that searching for a rare failed item starts from its failures.
    {"", "S1", "L0", "W0", -2880, false, false, 10}, {"", "S1", "L0", "W0", -2879, false, false, 10},
    {"", "S1", "L0", "W0", -2878, false, false, 10}, {"", "S1", "L0", "W0", -2877, false, false, 10},
    {"", "S1", "L0", "W0", -2876, false, false, 10}, {"", "S1", "L0", "W0", -2875, false, false, 10},
    {"", "S1", "L0", "W0", -2874, false, false, 10}, {"", "S1", "L0", "W0", -2873, false, false, 10},
    {"", "S1", "L0", "W0", -2872, false, false, 10}, {"", "S1", "L0", "W0", -2871, false, false, 10},
    {"", "S1", "L0", "W0", -2870, false, false, 10}, {"", "S1", "L0", "W0", -2869, false, false, 10},
};

QByteArray runFile(const Run &run)
{
    QByteArray text = stationResultFile(run.fail ? QStringLiteral("run-fail-30x20.csv")
                                                 : QStringLiteral("run-pass-30x20.csv"));
    const QByteArray ma = QByteArray::number(run.current) + "MA";
    text = "Electric,PASS," + ma + ',' + ma + ',' + ma + text.mid(text.indexOf('\n'));
    if (run.rasterX)
        text.replace("RasterX:,PASS,", "RasterX:,FAIL,RasterX[2][5]=95 ,RasterX[3][5]=96 ,");
    return text;
}

bool fill(results::ResultStore &store)
{
    int n = 0;
    for (const Run &run : Runs) {
        results::RunContext c;
        c.runId = QStringLiteral("run-%1").arg(++n);
        c.station = run.station;
        c.startMode = QStringLiteral("Manual");
        c.lot = run.lot;
        c.worker = run.worker;
        c.barcode = run.barcode;
        c.profile = QStringLiteral("demo.ini");
        c.startedAt = T0.addSecs(60LL * run.minute);
        c.endedAt = c.startedAt.addSecs(20);
        c.verdict = run.fail ? QStringLiteral("FAIL") : QStringLiteral("PASS");
        c.path = QStringLiteral("/station/results%1/run-%2.csv").arg(c.verdict).arg(n);
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

Filter all()
{
    Filter f;
    f.from = T0.toMSecsSinceEpoch();
    f.to = T0.addDays(1).toMSecsSinceEpoch();
    return f;
}

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

    // The row's engine; not open when PostgreSQL 15 is not installed.
    QSqlDatabase engine()
    {
        QFETCH_GLOBAL(QString, engine);
        return engine == QLatin1String("sqlite") ? m_sqlite.database() : m_pg.database();
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
            admin.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("admin"));
        QVERIFY2(m_pg.openDatabase(results::addLineDatabase(m_server->connectionString(QStringLiteral("line")),
                                                            m_pg.connectionName()),
                                   &error),
                 qPrintable(error));
        QVERIFY(fill(m_pg));
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
        QTest::addColumn<QStringList>("groups");
        // runs, first panels, first passes, final panels, final passes per group
        QTest::addColumn<QList<QList<qint64>>>("counts");
        QTest::newRow("hour") << int(GroupBy::Hour)
                              << QStringList{"2024-03-04 08:00", "2024-03-04 09:00"}
                              << QList<QList<qint64>>{{3, 2, 1, 2, 2}, {3, 3, 1, 3, 1}};
        QTest::newRow("day") << int(GroupBy::Day) << QStringList{"2024-03-04"}
                             << QList<QList<qint64>>{{6, 5, 2, 5, 3}};
        QTest::newRow("station") << int(GroupBy::Station) << QStringList{"S1", "S2"}
                                 << QList<QList<qint64>>{{3, 2, 1, 2, 2}, {3, 3, 1, 3, 1}};
        QTest::newRow("lot") << int(GroupBy::Lot) << QStringList{"L1", "L2"}
                             << QList<QList<qint64>>{{3, 2, 1, 2, 2}, {3, 3, 1, 3, 1}};
        QTest::newRow("profile") << int(GroupBy::Profile) << QStringList{"demo.ini"}
                                 << QList<QList<qint64>>{{6, 5, 2, 5, 3}};
    }

    void yield()
    {
        ENGINE(db);
        QFETCH(int, by);
        QFETCH(QStringList, groups);
        QFETCH(QList<QList<qint64>>, counts);
        std::vector<YieldRow> rows;
        QString error;
        QVERIFY2(yieldByGroup(db, all(), GroupBy(by), rows, &error), qPrintable(error));
        QCOMPARE(int(rows.size()), groups.size());
        for (int i = 0; i < groups.size(); ++i) {
            const YieldRow &r = rows[std::size_t(i)];
            QCOMPARE(r.group, groups.at(i));
            QCOMPARE((QList<qint64>{r.runs, r.firstPanels, r.firstPass, r.finalPanels, r.finalPass}), counts.at(i));
        }
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
        QVERIFY(spcSeries(db, all(), Measure::Current, 4, points, &error));
        QCOMPARE(int(points.size()), 4);
        QCOMPARE(points.front().value, 11.0);
        QCOMPARE(points.back().value, 14.0);
        QCOMPARE(points.back().startedAt, T0.addSecs(75 * 60).toMSecsSinceEpoch());
        QVERIFY(spcSeries(db, all(), Measure::TbMean, 10, points, &error));
        QCOMPARE(points.front().value, 649.0);
        // The open/short levels, kept with each run: the means of the file's
        // lines, 120 (X) and 110 (Y) on the passing panel.
        QVERIFY(spcSeries(db, all(), Measure::OpenShortX, 10, points, &error));
        QCOMPARE(int(points.size()), 6);
        QCOMPARE(points.front().value, 120.0);
        QVERIFY(spcSeries(db, all(), Measure::OpenShortY, 10, points, &error));
        QCOMPARE(points.front().value, 110.0);
        QVERIFY(spcLimits(db, all(), Measure::OpenShortX, limits, &error));
        QCOMPARE(limits.count, 6);
    }

    void traceability_data()
    {
        QTest::addColumn<QString>("barcode");
        QTest::addColumn<QString>("worker");
        QTest::addColumn<QString>("item");
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("station");
        QTest::addColumn<QStringList>("runs");
        QTest::addColumn<QString>("failedOfNewest");
        QTest::newRow("barcode as typed") << Retested << "" << "" << 500 << "" << QStringList{"run-3", "run-2"} << "";
        QTest::newRow("worker") << "" << "W1" << "" << 500 << "" << QStringList{"run-2", "run-1"}
                                << "open_short raster_x";
        // Looked up from the item's failures (2 in 18 runs), then found
        // walking the newest runs (a common item, or the newest run only).
        QTest::newRow("failed item") << "" << "" << "raster_x" << 500 << "" << QStringList{"run-4", "run-2"}
                                     << "open_short raster_x";
        QTest::newRow("failed item, newest") << "" << "" << "open_short" << 1 << "" << QStringList{"run-6"}
                                             << "open_short";
        // A failure bar of one station lists that station's runs only.
        QTest::newRow("failed item, one station") << "" << "" << "raster_x" << 500 << "S1" << QStringList{"run-2"}
                                                  << "open_short raster_x";
        QTest::newRow("nothing") << "A9" << "" << "" << 500 << "" << QStringList{} << "";
    }

    void traceability()
    {
        ENGINE(db);
        QFETCH(QString, barcode);
        QFETCH(QString, worker);
        QFETCH(QString, item);
        QFETCH(int, limit);
        QFETCH(QString, station);
        QFETCH(QStringList, runs);
        QFETCH(QString, failedOfNewest);
        TraceQuery query;
        query.barcode = barcode;
        query.worker = worker;
        query.failedItem = item;
        query.limit = limit;
        query.station = station;
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
        QVERIFY2(window.statusText().contains(QLatin1String("18 runs")), qPrintable(window.statusText()));
        QVERIFY(window.csv(StatsWindow::YieldTab).contains(QLatin1String("2024-03-04 09:00,3,3,33.3,33.3")));
        QVERIFY(!window.currentHourLabel()->text().isEmpty());

        window.showTab(StatsWindow::MapTab);
        QTRY_VERIFY(!window.busy());
        QCOMPARE(window.heatMap('X')->count(2, 5), 2);
        QCOMPARE(window.heatMap('X')->most(), 2);
        QCOMPARE(window.heatMap('Y')->most(), 0);
        QCOMPARE(failureColour(2, 2), QColor(255, 0, 0));

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

        window.setReferencePeriod(T0, T0.addDays(1));
        window.showTab(StatsWindow::SpcTab);
        QTRY_VERIFY(!window.busy());
        QVERIFY(window.exportPng(m_dir.filePath(QStringLiteral("drift.png"))));
        QVERIFY(!QImage(m_dir.filePath(QStringLiteral("drift.png"))).isNull());
        QVERIFY(window.exportCsv(m_dir.filePath(QStringLiteral("drift.csv"))));
        QFile csv(m_dir.filePath(QStringLiteral("drift.csv")));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QCOMPARE(csv.readAll().count('\n'), 1 + 6 + 1); // header, runs, the limits

        // A line that is not configured, a station without a store: one line each.
        window.setLineStore(true);
        QTRY_VERIFY(!window.busy());
        QVERIFY2(window.statusText().contains(QLatin1String("line.ini")), qPrintable(window.statusText()));
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
