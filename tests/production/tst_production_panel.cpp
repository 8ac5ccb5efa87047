// The open/short and planeness items: their judging on hand-made values, the
// retry rule of the raster items, and the reads against emulated panels that
// are good, broken, shorted, dented or out of range at the edge.
#include "baseline.h"
#include "openshort.h"
#include "panelfixture.h"
#include "paneltests.h"
#include "planeness.h"
#include "rowlimits.h"

#include <QtTest>

using namespace production;

namespace {

std::vector<int> ints(const QList<int> &list)
{
    return std::vector<int>(list.begin(), list.end());
}

std::vector<float> floats(const QList<double> &list)
{
    std::vector<float> out;
    for (double v : list)
        out.push_back(float(v));
    return out;
}

// A round as a scripted panel gives it: 'P' passed, 'F' failed, 'R' unread.
OpenShortRound scriptedRound(QChar kind, int number)
{
    OpenShortRound r;
    r.read = kind != QLatin1Char('R');
    r.pass = kind == QLatin1Char('P');
    r.failures = r.pass ? QString() : QStringLiteral("X[0]=%1 ,").arg(number);
    r.data = QStringLiteral("round %1\n").arg(number);
    return r;
}

// An acquisition as a scripted panel gives it: 'P', 'F', or 'R' (read failed).
RasterAttempt scriptedAttempt(RasterAxis axis, QChar kind, int number)
{
    if (kind == QLatin1Char('R'))
        return {QStringLiteral("FAIL"), QString()};
    const QString result = kind == QLatin1Char('P') ? QStringLiteral("PASS") : QStringLiteral("FAIL");
    const QString header = axis == RasterAxis::X ? QStringLiteral("RasterX:,\n") : QStringLiteral("RasterY:,\n");
    return {result + header + QStringLiteral("acquisition %1\n").arg(number),
            kind == QLatin1Char('F') ? QStringLiteral("RasterX[2][2]=%1 ,").arg(number) : QString()};
}

// Limits of the emulated-panel checks: windows around the baseline.
void useTestLimits(Settings &store)
{
    store.load(QStringLiteral(KAVEL_SOURCE_DIR "/resources/demo/Config/demo.ini"));
    store.set("M0_thr_min", "50");
    store.set("M0_thr_max", "150");
    store.set("M1_thr_min", "-30");
    store.set("M1_thr_max", "30");
    for (const char *axis : {"RasterX", "RasterY"}) {
        store.set(QByteArray(axis) + "_edge_count", "2");
        store.set(QByteArray(axis) + "_edge_min", "-60");
        store.set(QByteArray(axis) + "_edge_max", "60");
    }
    store.set("Raster_edge_ratio", "1");
    store.set("Count_thr", "3");
    store.set("Count_thr_mid", "0");
}

RowLimits windowsOf(int low, int high)
{
    RowLimits l;
    l.xMin.fill(low);
    l.yMin.fill(low);
    l.xMax.fill(high);
    l.yMax.fill(high);
    return l;
}

} // namespace

class TestProductionPanel : public QObject
{
    Q_OBJECT

    // The baseline of the emulated panels, taken from the good panel the way
    // collection does it: judged against zeros, its cells kept.
    Baseline m_baseline;

private slots:
    void electrodeLine_data()
    {
        QTest::addColumn<QList<int>>("values");
        QTest::addColumn<QList<double>>("baseline");
        QTest::addColumn<int>("min");
        QTest::addColumn<int>("max");
        QTest::addColumn<bool>("pass");
        QTest::addColumn<QString>("failures");

        QTest::newRow("at the minimum") << QList<int>{90, 100} << QList<double>{100, 100} << -10 << 10 << true << "";
        QTest::newRow("at the maximum") << QList<int>{110, 100} << QList<double>{100, 100} << -10 << 10 << true << "";
        QTest::newRow("one past the maximum")
            << QList<int>{100, 111} << QList<double>{100, 100} << -10 << 10 << false << "Y[1]=111 ,";
        QTest::newRow("-3.7 truncates to -3") << QList<int>{10} << QList<double>{13.7} << -3 << 3 << true << "";
        QTest::newRow("-3.7 is not -2") << QList<int>{10} << QList<double>{13.7} << -2 << 3 << false << "Y[0]=10 ,";
        QTest::newRow("+3.7 truncates to 3") << QList<int>{17} << QList<double>{13.3} << -3 << 3 << true << "";
        QTest::newRow("entry shows the raw value")
            << QList<int>{-20, 50} << QList<double>{0, 0} << 0 << 60 << false << "Y[0]=-20 ,";
        QTest::newRow("missing baseline entry counts as 0")
            << QList<int>{5, 50} << QList<double>{5} << -1 << 1 << false << "Y[1]=50 ,";
    }

    void electrodeLine()
    {
        QFETCH(QList<int>, values);
        QFETCH(QList<double>, baseline);
        QFETCH(int, min);
        QFETCH(int, max);
        QFETCH(bool, pass);
        QFETCH(QString, failures);
        const RowLimits limits = windowsOf(min, max);
        QString listed = QStringLiteral("before,");
        const bool judged = judgeElectrodeLine(QLatin1Char('Y'), ints(values), floats(baseline), limits.yMin.data(),
                                               limits.yMax.data(), RowLimits::Channels, listed);
        QCOMPARE(judged, pass);
        QCOMPARE(listed, QStringLiteral("before,") + failures);
    }

    // The profile holds 60 windows; a 61st value has none and must not pass.
    void valuePastTheWindowsFails()
    {
        const RowLimits limits = windowsOf(-5, 5);
        const std::vector<int> values(61, 100);
        const std::vector<float> base(61, 100.0f);
        QString failures;
        QVERIFY(!judgeElectrodeLine(QLatin1Char('X'), values, base, limits.xMin.data(), limits.xMax.data(),
                                    RowLimits::Channels, failures));
        QCOMPARE(failures, QStringLiteral("X[60]=100 ,"));
    }

    void openAndShortLists_data()
    {
        QTest::addColumn<QList<int>>("values");
        QTest::addColumn<QString>("open");
        QTest::addColumn<QString>("shorted");

        QTest::newRow("first pair open") << QList<int>{200, 20, 100} << "Xopen:,X1:X2\n" << "Xshort:\n";
        QTest::newRow("low then high is open too") << QList<int>{100, 20, 200} << "Xopen:,X2:X3\n" << "Xshort:\n";
        QTest::newRow("band limits are inside nothing")
            << QList<int>{150, 50, 100} << "Xopen:\n" << "Xshort:\n";
        QTest::newRow("short around index 2")
            << QList<int>{100, 200, 100, 20, 100} << "Xopen:\n" << "Xshort:,X2:X4\n";
        QTest::newRow("short needs its middle inside the band")
            << QList<int>{200, 150, 20} << "Xopen:\n" << "Xshort:\n";
        QTest::newRow("two values have no short") << QList<int>{200, 20} << "Xopen:,X1:X2\n" << "Xshort:\n";
        QTest::newRow("empty line") << QList<int>{} << "Xopen:\n" << "Xshort:\n";
    }

    void openAndShortLists()
    {
        QFETCH(QList<int>, values);
        QFETCH(QString, open);
        QFETCH(QString, shorted);
        QCOMPARE(openList(QLatin1Char('X'), ints(values), 50, 150), open);
        QCOMPARE(shortList(QLatin1Char('X'), ints(values), 50, 150), shorted);
    }

    void roundText()
    {
        Baseline base;
        base.reset(4, 3);
        base.x = {100.0f, 100.5f, 100.0f};
        base.y = {90.0f, 90.0f};
        const OpenShortRound passing = judgeOpenShort({101, 100, 99}, {90, 91}, base, windowsOf(-2, 2), 50, 150);
        QVERIFY(passing.pass);
        QCOMPARE(passing.data, QStringLiteral("X,101,100,99,\nY,90,91,\nDJitter:\nX,1,-0.5,-1\nY,0,1\n"));

        const OpenShortRound failing = judgeOpenShort({400, -150, 99}, {90, 91}, base, windowsOf(-2, 2), 50, 150);
        QVERIFY(!failing.pass);
        QCOMPARE(failing.failures, QStringLiteral("X[0]=400 ,X[1]=-150 ,"));
        QVERIFY(failing.data.contains(
            QStringLiteral("Y,90,91,\nXopen:,X1:X2\nXshort:\nYopen:\nYshort:\nDJitter:\n")));
    }

    void oneBlockRule_data()
    {
        QTest::addColumn<QString>("rounds");
        QTest::addColumn<bool>("pass");
        QTest::addColumn<int>("blockOf"); // 0: no block

        QTest::newRow("three passes keep the third") << "PPP" << true << 3;
        QTest::newRow("first fails, then passes: the first") << "FPP" << false << 1;
        QTest::newRow("second fails") << "PFP" << false << 2;
        QTest::newRow("third fails") << "PPF" << false << 3;
        QTest::newRow("all fail: the first only") << "FFF" << false << 1;
        QTest::newRow("unread first, then passes: no block") << "RPP" << false << 0;
        QTest::newRow("unread first, then a failure") << "RFP" << false << 2;
        QTest::newRow("unread last after two passes") << "PPR" << false << 0;
    }

    void oneBlockRule()
    {
        QFETCH(QString, rounds);
        QFETCH(bool, pass);
        QFETCH(int, blockOf);
        int n = 0;
        const OpenShortOutcome outcome = openShortItem([&] {
            const QChar kind = rounds.at(n);
            return scriptedRound(kind, ++n);
        });
        QCOMPARE(outcome.rounds, 3);
        QCOMPARE(outcome.pass, pass);
        if (blockOf == 0) {
            QVERIFY(outcome.block.isEmpty());
            return;
        }
        const bool roundPassed = rounds.at(blockOf - 1) == QLatin1Char('P');
        const QString expected = roundPassed ? QStringLiteral("OpenShort:,PASS,\nround %1\n").arg(blockOf)
                                             : QStringLiteral("OpenShort:,FAIL,X[0]=%1 ,\nround %1\n").arg(blockOf);
        QCOMPARE(outcome.block, expected);
    }

    void rasterBands()
    {
        QVERIFY(isMiddleCell(2, 2, 10, 8, 2));
        QVERIFY(!isMiddleCell(1, 5, 10, 8, 2));
        QVERIFY(isMiddleCell(6, 8, 10, 8, 2));
        QVERIFY(!isMiddleCell(7, 8, 10, 8, 2));
        QVERIFY(!isMiddleCell(6, 9, 10, 8, 2));
        // The fixed two-cell border of the scaling does not follow the band.
        QVERIFY(isOuterCell(1, 5, 10, 8));
        QVERIFY(isOuterCell(4, 9, 10, 8));
        QVERIFY(isOuterCell(7, 4, 10, 8));
        QVERIFY(!isOuterCell(2, 2, 10, 8));
        QVERIFY(!isOuterCell(6, 8, 10, 8));
    }

    // Rows of a 10 x 8 raster (11 cells a row) against a zero baseline, band 2.
    void rasterRows_data()
    {
        QTest::addColumn<QList<int>>("edgeOut");   // columns of row 1 out of the edge window
        QTest::addColumn<int>("middleValue");      // cell (2,5), row 2
        QTest::addColumn<int>("countThr");
        QTest::addColumn<bool>("pass");
        QTest::addColumn<int>("entries");

        QTest::newRow("three edge failures tolerated") << QList<int>{2, 4, 6} << 100 << 3 << true << 3;
        QTest::newRow("a fourth fails") << QList<int>{2, 4, 6, 8} << 100 << 3 << false << 4;
        QTest::newRow("middle at its maximum") << QList<int>{} << 140 << 3 << true << 0;
        QTest::newRow("middle one above") << QList<int>{} << 141 << 3 << false << 1;
        QTest::newRow("middle one below") << QList<int>{} << 59 << 3 << false << 1;
    }

    void rasterRows()
    {
        QFETCH(QList<int>, edgeOut);
        QFETCH(int, middleValue);
        QFETCH(int, countThr);
        QFETCH(bool, pass);
        QFETCH(int, entries);

        RasterLimits limits;
        limits.middleMin = 60;
        limits.middleMax = 140;
        limits.edgeCountX = 2;
        limits.edgeMinX = 40;
        limits.edgeMaxX = 160;
        limits.countThr = countThr;
        const int xn = 10, yn = 8;
        const std::vector<float> zero(11, 0.0f);
        RasterCounts counts;
        bool itemPass = true;
        for (int r = 0; r <= yn; ++r) {
            std::vector<int> raw(11, 100);
            if (r == 1)
                for (int l : edgeOut)
                    raw[std::size_t(l)] = 170;
            if (r == 2)
                raw[5] = middleValue;
            std::vector<int> stored(11, 0);
            if (!judgeRasterRow(RasterAxis::X, r, raw, xn, yn, limits, zero, stored, counts))
                itemPass = false;
        }
        QCOMPARE(itemPass, pass);
        QCOMPARE(counts.failures.count(QStringLiteral("RasterX[")), entries);
        for (int l : edgeOut)
            QVERIFY(counts.failures.contains(QStringLiteral("RasterX[1][%1]=170 ,").arg(l)));
    }

    void outerCellsAreScaled()
    {
        RasterLimits limits;
        limits.edgeRatio = 4;
        limits.edgeMinY = -10;
        limits.edgeMaxY = 10;
        limits.middleMin = -10;
        limits.middleMax = 10;
        limits.countThr = 5;
        std::vector<int> raw(11, 0);
        raw[0] = 95;
        raw[1] = -95;
        raw[5] = 95;
        std::vector<int> stored(11, -1);
        RasterCounts counts;
        judgeRasterRow(RasterAxis::Y, 4, raw, 10, 8, limits, std::vector<float>(11, 0.0f), stored, counts);
        QCOMPARE(stored[0], 23);
        QCOMPARE(stored[1], -23);
        QCOMPARE(stored[5], 95);
        QCOMPARE(counts.failures, QStringLiteral("RasterY[4][0]=95 ,RasterY[4][1]=-95 ,RasterY[4][5]=95 ,"));

        Settings store;
        store.set("Raster_edge_ratio", "0");
        QCOMPARE(RasterLimits::fromStore(store).edgeRatio, 1);
    }

    void rasterTextLayout()
    {
        const QString text = rasterText(RasterAxis::Y, true, {{1, 2}, {3, 4}}, {{0.5f, 2.0f}, {3.0f}});
        QCOMPARE(text, QStringLiteral("PASSRasterY:,\n1,2,\n3,4,\nRJitterY:\n0.5,0,\n0,4,\n"));
    }

    void retryRule_data()
    {
        QTest::addColumn<int>("axis");
        QTest::addColumn<QString>("attempts");
        QTest::addColumn<bool>("readError");
        QTest::addColumn<bool>("pass");
        QTest::addColumn<int>("kept"); // acquisition whose data the block carries
        QTest::addColumn<QList<int>>("waits");

        const int x = int(RasterAxis::X), y = int(RasterAxis::Y);
        QTest::newRow("pass at once") << x << "P" << false << true << 1 << QList<int>{50};
        QTest::newRow("fail, pass, pass keeps the third") << x << "FPP" << false << true << 3 << QList<int>{50, 50, 30};
        QTest::newRow("fail, pass, fail keeps the third") << x << "FPF" << false << false << 3
                                                        << QList<int>{50, 50, 30};
        QTest::newRow("fail, fail keeps the second") << x << "FF" << false << false << 2 << QList<int>{50, 50};
        QTest::newRow("Y waits") << y << "FPP" << false << true << 3 << QList<int>{150, 30, 30};
        QTest::newRow("unread first is a read error") << x << "R" << true << false << 0 << QList<int>{50};
        QTest::newRow("unread second fails with the first's data") << x << "FR" << false << false << 1
                                                                  << QList<int>{50, 50};
        QTest::newRow("unread third fails with the second's data") << y << "FPR" << false << false << 2
                                                                  << QList<int>{150, 30, 30};
    }

    void retryRule()
    {
        QFETCH(int, axis);
        QFETCH(QString, attempts);
        QFETCH(bool, readError);
        QFETCH(bool, pass);
        QFETCH(int, kept);
        QFETCH(QList<int>, waits);

        const auto a = RasterAxis(axis);
        int n = 0;
        QList<int> slept;
        const RasterItemResult result = rasterItem(
            a, [&] { const QChar kind = attempts.at(n); return scriptedAttempt(a, kind, ++n); },
            [&](int ms) { slept << ms; });
        QCOMPARE(result.readError, readError);
        QCOMPARE(result.acquisitions, int(attempts.size()));
        QCOMPARE(slept, waits);
        if (readError)
            return;
        QCOMPARE(result.pass, pass);
        const QString header = a == RasterAxis::X ? QStringLiteral("RasterX:,") : QStringLiteral("RasterY:,");
        const bool keptFailed = attempts.at(kept - 1) == QLatin1Char('F');
        const QString failures = keptFailed ? QStringLiteral("RasterX[2][2]=%1 ,").arg(kept) : QString();
        QCOMPARE(result.block, header + (pass ? QStringLiteral("PASS,") : QStringLiteral("FAIL,")) + failures
                                   + QStringLiteral("\nacquisition %1\n").arg(kept));
    }

    // ---- against emulated panels --------------------------------------

    void initTestCase()
    {
        // Collect the baseline from the good panel with every table zero.
        PanelFixture f(PanelFixture::panelFile(QStringLiteral("good_noisy.ini")));
        QVERIFY(f.opened());
        useTestLimits(f.store);
        Baseline zero;
        zero.reset(30, 20);
        const RowLimits wide = windowsOf(-1000, 1000);
        PanelTests tests;
        tests.begin(f.store, 30, 20, 0, zero, wide);
        QVERIFY(f.command().setDebugMode());
        const OpenShortRound round = tests.openShortRound();
        QVERIFY(round.read);
        QVERIFY(f.command().setRasterMode());
        QVERIFY(!tests.acquireXRaster().readFailed());
        QVERIFY(f.command().setInternalRasterMode());
        QVERIFY(!tests.acquireYRaster().readFailed());

        m_baseline.reset(30, 20);
        m_baseline.x.assign(round.x.begin(), round.x.end());
        m_baseline.y.assign(round.y.begin(), round.y.end());
        for (std::size_t r = 0; r < m_baseline.raster.size(); ++r)
            m_baseline.raster[r].assign(tests.rasterRows()[r].begin(), tests.rasterRows()[r].end());
    }

    void openShortPanels_data()
    {
        QTest::addColumn<QString>("panel");
        QTest::addColumn<bool>("pass");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("good") << "good_noisy.ini" << true << QStringList{"OpenShort:,PASS,\nX,"};
        QTest::newRow("open electrode") << "open_electrode.ini" << false
                                        << QStringList{"OpenShort:,FAIL,X[4]=", " ,X[5]=",
                                                       "Xopen:,X5:X6\n", "Xshort:\n"};
        QTest::newRow("shorted electrodes") << "short_electrodes.ini" << false
                                            << QStringList{"OpenShort:,FAIL,X[9]=", " ,X[11]=", "Xopen:\n",
                                                           "Xshort:,X10:X12\n"};
    }

    void openShortPanels()
    {
        QFETCH(QString, panel);
        QFETCH(bool, pass);
        QFETCH(QStringList, expected);

        PanelFixture f(PanelFixture::panelFile(panel));
        QVERIFY(f.opened());
        useTestLimits(f.store);
        const RowLimits windows = windowsOf(-20, 20);
        PanelTests tests;
        tests.begin(f.store, 30, 20, 0, m_baseline, windows);
        QVERIFY(f.command().setDebugMode());
        const OpenShortOutcome outcome = tests.openShort();
        QCOMPARE(outcome.pass, pass);
        for (const QString &part : expected)
            QVERIFY2(outcome.block.contains(part), qPrintable(outcome.block));
        QCOMPARE(outcome.block.count(QStringLiteral("OpenShort:")), 1);
        QVERIFY(outcome.block.contains(QStringLiteral("DJitter:\nX,")));
    }

    void rasterPanels_data()
    {
        QTest::addColumn<QString>("panel");
        QTest::addColumn<int>("countThr");
        QTest::addColumn<bool>("pass");
        QTest::addColumn<QString>("entry");

        QTest::newRow("good") << "good_noisy.ini" << 3 << true << "";
        QTest::newRow("dent in the middle") << "raster_dent.ini" << 3 << false << "Raster%1[10][15]=";
        QTest::newRow("four edge cells, four tolerated") << "raster_edge.ini" << 4 << true << "Raster%1[0][13]=";
        QTest::newRow("four edge cells, three tolerated") << "raster_edge.ini" << 3 << false << "Raster%1[0][10]=";
    }

    void rasterPanels()
    {
        QFETCH(QString, panel);
        QFETCH(int, countThr);
        QFETCH(bool, pass);
        QFETCH(QString, entry);

        PanelFixture f(PanelFixture::panelFile(panel));
        QVERIFY(f.opened());
        useTestLimits(f.store);
        f.store.set("Count_thr", QByteArray::number(countThr));
        const RowLimits windows = windowsOf(-20, 20);
        PanelTests tests;
        tests.begin(f.store, 30, 20, 0, m_baseline, windows);
        const auto noWait = [](int) {};

        QVERIFY(f.command().setRasterMode());
        const RasterItemResult x = tests.rasterItem(RasterAxis::X, noWait);
        QVERIFY(f.command().setInternalRasterMode());
        const RasterItemResult y = tests.rasterItem(RasterAxis::Y, noWait);
        for (const auto &[result, letter] : {std::pair{x, QStringLiteral("X")}, std::pair{y, QStringLiteral("Y")}}) {
            QVERIFY(!result.readError);
            QCOMPARE(result.pass, pass);
            QVERIFY2(result.block.startsWith(QStringLiteral("Raster%1:,%2,").arg(letter, pass ? "PASS" : "FAIL")),
                     qPrintable(result.block.left(200)));
            if (!entry.isEmpty())
                QVERIFY2(result.block.section(QLatin1Char('\n'), 0, 0).contains(entry.arg(letter)),
                         qPrintable(result.block.left(300)));
            // 21 rows, the jitter header, 21 rows of differences.
            QCOMPARE(result.block.count(QLatin1Char('\n')), 1 + 21 + 1 + 21);
            QVERIFY(result.block.contains(QStringLiteral("RJitter%1:\n").arg(letter)));
        }
        // The failing first acquisition was taken again; a pass needs no retry.
        QCOMPARE(x.acquisitions, pass ? 1 : 2);
    }

    // An unplugged board fails the reads at once: nothing passes, nothing hangs.
    void lostBoardFailsTheReads()
    {
        PanelFixture f(PanelFixture::panelFile(QStringLiteral("good_noisy.ini")));
        QVERIFY(f.opened());
        useTestLimits(f.store);
        const RowLimits windows = windowsOf(-20, 20);
        PanelTests tests;
        tests.begin(f.store, 30, 20, 0, m_baseline, windows);
        QVERIFY(f.command().setRasterMode());
        f.board().unplug();
        QElapsedTimer clock;
        clock.start();
        const RasterItemResult x = tests.rasterItem(RasterAxis::X, [](int) {});
        QVERIFY(x.readError);
        const OpenShortOutcome o = tests.openShort();
        QVERIFY(!o.pass);
        QVERIFY(o.block.isEmpty());
        QVERIFY(clock.elapsed() < 1000);

        device::link::setConnected(0);
        QCOMPARE(tests.openShortRound().read, false);
        QCOMPARE(tests.acquireYRaster().text, QStringLiteral("FAIL"));
    }
};

QTEST_MAIN(TestProductionPanel)
#include "tst_production_panel.moc"
