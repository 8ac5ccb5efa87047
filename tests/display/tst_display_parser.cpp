#include "coredebug.h"
#include "corenormal.h"
#include "coreraster.h"
#include "recordingwindow.h"

#include <QtTest>

#include <climits>

using namespace quilex_gui;

namespace {

// A record as the streams send it: the tag, then every number followed by a comma.
QByteArray record(const char *tag, const QList<int> &values)
{
    QByteArray text(tag);
    for (int v : values)
        text += QByteArray::number(v) + ',';
    return text;
}

QList<int> run(int count, int from = 0)
{
    QList<int> values;
    for (int i = 0; i < count; ++i)
        values << from + i;
    return values;
}

void feedPair(State &parser, int xCount, int yCount)
{
    parser.input(record("X", run(xCount)).constData());
    parser.input(record("Y", run(yCount)).constData());
}

// Feeds a raster sweep of a panel with `columns` values per row: S row, then R rows.
void feedSweep(State &parser, int rows, int columns, int base = 0)
{
    parser.input(record("S", run(columns, base)).constData());
    for (int r = 1; r < rows; ++r)
        parser.input(record("R", run(columns, base + 100 * r)).constData());
}

} // namespace

class TestDisplayParser : public QObject
{
    Q_OBJECT

private slots:
    void numbersAreReadInOrder_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QList<int>>("numbers");
        QTest::newRow("signed") << QByteArray("X0,-3,255,") << true << QList<int>{0, -3, 255};
        QTest::newRow("no comma at the end") << QByteArray("R5,6") << true << QList<int>{5, 6};
        QTest::newRow("int limits")
            << QByteArray("S2147483647,-2147483648,") << true << QList<int>{INT_MAX, INT_MIN};
        QTest::newRow("one past the largest int") << QByteArray("S1,2147483648,") << false << QList<int>{};
        QTest::newRow("one past the smallest int") << QByteArray("S-2147483649,") << false << QList<int>{};
        QTest::newRow("far too long") << QByteArray("X99999999999999999999999999,") << false << QList<int>{};
    }
    void numbersAreReadInOrder()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, ok);
        QFETCH(QList<int>, numbers);
        const boost::regex pattern(R"((-?\d+))");
        std::vector<int> out;
        QCOMPARE(extractNumbers(pattern, text.constBegin(), text.constEnd(), out), ok);
        if (ok)
            QCOMPARE(QList<int>(out.begin(), out.end()), numbers);
    }

    // XN = 4, YN = 3: X records of 3 values, Y records of 2.
    void debugSceneAppearsAfterFourthEqualPair()
    {
        RecordingWindow window;
        CoreDebug parser(&window);
        QVERIFY(window.calls.isEmpty());
        for (int i = 0; i < 3; ++i)
            feedPair(parser, 3, 2);
        QVERIFY(window.calls.isEmpty());
        QVERIFY(parser.isStarting());
        feedPair(parser, 3, 2);
        QCOMPARE(window.take(), (QStringList{"showBlankScene", "clearScene", "showDebugScene"}));
        QCOMPARE(window.lastSource, &parser);
        QCOMPARE(parser.expectedXCount(), 3);
        QCOMPARE(parser.expectedYCount(), 2);
        QVERIFY(!parser.isStarting());

        parser.input("X10,-20,30,");
        QVERIFY(window.calls.isEmpty()); // half a frame
        parser.input("Y7,8,");
        QCOMPARE(window.take(), QStringList{"updateScene"});
        QCOMPARE(QList<int>(parser.xValues().begin(), parser.xValues().end()), (QList<int>{10, -20, 30}));
        QCOMPARE(QList<int>(parser.yValues().begin(), parser.yValues().end()), (QList<int>{7, 8}));
    }

    void pairOfOtherSizeSendsPhaseBack_data()
    {
        QTest::addColumn<int>("goodBefore");
        QTest::addColumn<int>("badX");
        QTest::addColumn<int>("badY");
        QTest::newRow("Y of four after one pair") << 1 << 3 << 4;
        QTest::newRow("Y of four after two pairs") << 2 << 3 << 4;
        QTest::newRow("Y of four after three pairs") << 3 << 3 << 4;
        QTest::newRow("short X after three pairs") << 3 << 2 << 2;
    }
    void pairOfOtherSizeSendsPhaseBack()
    {
        QFETCH(int, goodBefore);
        QFETCH(int, badX);
        QFETCH(int, badY);
        RecordingWindow window;
        CoreDebug parser(&window);
        for (int i = 0; i < goodBefore; ++i)
            feedPair(parser, 3, 2);
        feedPair(parser, badX, badY);
        QCOMPARE(parser.phase(), 0);
        // The size is learnt afresh: four more equal pairs are needed.
        for (int i = 0; i < 3; ++i)
            feedPair(parser, 3, 2);
        QCOMPARE(window.count("showDebugScene"), 0);
        feedPair(parser, 3, 2);
        QCOMPARE(window.count("showDebugScene"), 1);
    }

    void secondYRecordWithoutXMakesNoRepaint()
    {
        RecordingWindow window;
        CoreDebug parser(&window);
        for (int i = 0; i < 4; ++i)
            feedPair(parser, 3, 2);
        window.take();
        parser.input("X1,2,3,");
        parser.input("Y4,5,");
        parser.input("Y4,5,");
        QCOMPARE(window.take(), QStringList{"updateScene"});
        QCOMPARE(parser.yValues().size(), std::size_t(4));
        parser.input("Y4,5,");
        QVERIFY(window.calls.isEmpty());
        feedPair(parser, 3, 2);
        QCOMPARE(window.take(), QStringList{"updateScene"});
    }

    void leadingTextDoesNotHideRecord_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("label") << QByteArray("debug: X0,-3,255,");
        QTest::newRow("blank") << QByteArray("  X0,-3,255,");
        QTest::newRow("line end") << QByteArray("\r\nX0,-3,255,");
    }
    void leadingTextDoesNotHideRecord()
    {
        QFETCH(QByteArray, text);
        RecordingWindow window;
        CoreDebug parser(&window);
        for (int i = 0; i < 4; ++i) {
            parser.input(text.constData());
            parser.input("Y1,");
        }
        QCOMPARE(window.count("showDebugScene"), 1);
        QCOMPARE(QList<int>(parser.xValues().begin(), parser.xValues().end()), (QList<int>{0, -3, 255}));
        QCOMPARE(QString::fromStdString(parser.matchedText()), QString("Y1,"));
    }

    void textWithoutRecordIsIgnored()
    {
        RecordingWindow window;
        CoreDebug debug(&window);
        CoreRaster raster(&window);
        debug.input("debug error1");
        debug.input("");
        debug.input(nullptr);
        raster.input("BtnData:");
        QVERIFY(window.calls.isEmpty());
        QVERIFY(debug.isStarting());
        QVERIFY(raster.isStarting());
    }

    void overflowingDebugRecordIsDropped()
    {
        RecordingWindow window;
        CoreDebug parser(&window);
        for (int i = 0; i < 4; ++i)
            feedPair(parser, 3, 2);
        window.take();
        parser.input("X1,2,3,");
        parser.input("Y4,2147483648,");
        QVERIFY(window.calls.isEmpty());
        QCOMPARE(parser.yValues().size(), std::size_t(0));
        // An X record with an overflow leaves the previous X values in place.
        parser.input("X1,99999999999,3,");
        QCOMPARE(parser.xValues().size(), std::size_t(3));
        parser.input("Y4,5,");
        QCOMPARE(window.take(), QStringList{"updateScene"});
    }

    void touchParserShowsItsSceneAtOnce()
    {
        RecordingWindow window;
        window.settings()->set("x_res", "1024");
        window.settings()->set("x_reverse", "True");
        window.settings()->set("y_reverse", "true");
        CoreNormal parser(&window);
        QCOMPARE(window.take(), (QStringList{"showBlankScene", "clearScene", "showNormalScene"}));
        QCOMPARE(parser.xResolution(), 800); // read with the first record, not before

        parser.input("2,0,100,200,1,300,400,0,0,0,0,0,0,0,0,0,");
        QCOMPARE(window.take(), (QStringList{"showBlankScene", "clearScene", "showNormalScene"}));
        QCOMPARE(parser.xResolution(), 1024);
        QCOMPARE(parser.yResolution(), 600);
        QVERIFY(parser.xReverse());
        QVERIFY(!parser.yReverse()); // only "True" counts
        // The profile's own value is written back; the default stays the parser's.
        QCOMPARE(window.settings()->value("x_res"), QByteArray("1024"));
        ConfigParameter p;
        QVERIFY(!window.settings()->find("y_res", p));
        // The first record only starts the parser; it draws nothing.
        for (int i = 0; i < 5; ++i)
            QVERIFY(!parser.isActive(i));
    }

    void unusableResolutionKeepsDefault()
    {
        RecordingWindow window;
        window.settings()->set("x_res", "0");
        window.settings()->set("y_res", "-5");
        CoreNormal parser(&window);
        parser.input("0,");
        QCOMPARE(parser.xResolution(), 800);
        QCOMPARE(parser.yResolution(), 600);
        QCOMPARE(window.settings()->value("x_res"), QByteArray("0"));
        QCOMPARE(window.settings()->value("y_res"), QByteArray("-5"));
    }

    void touchRecordsRepaintOnlyOnChange()
    {
        RecordingWindow window;
        CoreNormal parser(&window);
        parser.input("0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,");
        window.take();

        // Nothing was active and nothing is: no repaint.
        parser.input("0,1,1,1,0,0,0,0,0,0,0,0,0,0,0,0,");
        QVERIFY(window.calls.isEmpty());

        const char *two = "2,0,100,200,1,300,400";
        parser.input(two);
        QCOMPARE(window.take(), QStringList{"updateScene"});
        QVERIFY(parser.isActive(0));
        QVERIFY(parser.isActive(1));
        QVERIFY(!parser.isActive(2));
        QCOMPARE(parser.slot(0).a, 100);
        QCOMPARE(parser.slot(0).b, 200);
        QCOMPARE(parser.slot(1).a, 300);
        QCOMPARE(parser.slot(1).b, 400);

        parser.input(two);
        QVERIFY(window.calls.isEmpty());

        // Lifting every finger repaints once: the slots were active before.
        parser.input("0,0,100,200,1,300,400,0,0,0,0,0,0,0,0,0,");
        QCOMPARE(window.take(), QStringList{"updateScene"});
        QVERIFY(!parser.isActive(0));
        QVERIFY(parser.wasActive(0) == false);
        parser.input("0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,");
        QVERIFY(window.calls.isEmpty());
    }

    void badTouchRecordsChangeNothing_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("six touches") << QByteArray("6,0,1,1,1,2,2,2,3,3,3,4,4,4,5,5,");
        QTest::newRow("slot id 5") << QByteArray("2,0,110,210,5,300,400,");
        QTest::newRow("overflow") << QByteArray("1,0,4294967296,200,");
    }
    void badTouchRecordsChangeNothing()
    {
        QFETCH(QByteArray, text);
        RecordingWindow window;
        CoreNormal parser(&window);
        parser.input("0,");
        parser.input("1,0,100,200,");
        window.take();
        parser.input(text.constData());
        QVERIFY(window.calls.isEmpty());
        QVERIFY(parser.isActive(0));
        QCOMPARE(parser.slot(0).a, 100);
        QCOMPARE(parser.slot(0).b, 200);
        QCOMPARE(parser.previousSlot(0).a, 100);
        // The next good record is compared with the last good one.
        parser.input("1,0,101,201,");
        QCOMPARE(window.take(), QStringList{"updateScene"});
        QVERIFY(parser.wasActive(0));
        QCOMPARE(parser.previousSlot(0).a, 101);
    }

    void touchCountLimitsSlotsRead()
    {
        RecordingWindow window;
        CoreNormal parser(&window);
        parser.input("0,");
        // n = 1: the second group is not read, even with a valid id.
        parser.input("1,2,10,20,3,30,40,");
        QVERIFY(parser.isActive(2));
        QVERIFY(!parser.isActive(3));
        // A group cut short is not read.
        parser.input("2,1,10,20,4,30,");
        QVERIFY(parser.isActive(1));
        QVERIFY(!parser.isActive(4));
    }

    // x_electrodes 3, y_electrodes 2: rows of 4 values, 3 rows to a frame.
    void rasterFrameIsRowsThenNextSRow()
    {
        RecordingWindow window;
        window.settings()->set("x_electrodes", "3");
        window.settings()->set("y_electrodes", "2");
        CoreRaster parser(&window);
        QCOMPARE(parser.expectedColumns(), 4);
        QCOMPARE(parser.expectedRows(), 3);

        feedSweep(parser, 3, 4, 0);
        QVERIFY(window.calls.isEmpty());
        feedSweep(parser, 3, 4, 1000);
        // The frame R1, R2, S completed by the second S row is shown when the
        // next record arrives.
        QCOMPARE(window.take(), (QStringList{"showBlankScene", "clearScene", "showRasterScene"}));
        QVERIFY(!parser.isStarting());
        // The rows left are those of the sweep after.
        QCOMPARE(parser.rowCount(), 2);
        QCOMPARE(parser.row(0).front(), 1100);

        parser.input(record("S", run(4, 2000)).constData());
        QCOMPARE(window.take(), QStringList{"updateScene"});
        QCOMPARE(parser.rowCount(), 0);
    }

    void rasterFrameOfWrongShapeIsNotShown_data()
    {
        QTest::addColumn<int>("badRow"); // 0 = the S row
        QTest::addColumn<int>("columns");
        QTest::newRow("S row one value too many") << 0 << 5;
        QTest::newRow("S row one value short") << 0 << 3;
        QTest::newRow("middle row too long") << 2 << 5;
        QTest::newRow("first row too short") << 1 << 3;
    }
    void rasterFrameOfWrongShapeIsNotShown()
    {
        QFETCH(int, badRow);
        QFETCH(int, columns);
        RecordingWindow window;
        window.settings()->set("x_electrodes", "3");
        window.settings()->set("y_electrodes", "2");
        CoreRaster parser(&window);
        feedSweep(parser, 3, 4);
        feedSweep(parser, 3, 4);
        parser.input("S0,0,0,0,"); // running now
        window.take();

        // R1, R2 and the S row of the next sweep make the frame.
        for (int r = 1; r <= 2; ++r)
            parser.input(record("R", run(r == badRow ? columns : 4)).constData());
        parser.input(record("S", run(badRow == 0 ? columns : 4)).constData());
        QVERIFY(window.calls.isEmpty());
        QCOMPARE(parser.rowCount(), 0);

        // The next sweep starts clean.
        feedSweep(parser, 3, 4);
        QVERIFY(window.calls.isEmpty());
        parser.input("S0,0,0,0,");
        QCOMPARE(window.take(), QStringList{"updateScene"});
    }

    void rasterStreamWithoutSRowsStaysBounded()
    {
        RecordingWindow window;
        window.settings()->set("x_electrodes", "3");
        window.settings()->set("y_electrodes", "2");
        CoreRaster parser(&window);
        feedSweep(parser, 3, 4);
        feedSweep(parser, 3, 4);
        parser.input("S0,0,0,0,");
        window.take();
        for (int i = 0; i < 1000; ++i)
            parser.input("R1,2,3,4,");
        QVERIFY(parser.rowCount() <= parser.expectedRows());
        parser.input("S0,0,0,0,");
        QVERIFY(window.calls.isEmpty()); // far too many rows
        feedSweep(parser, 3, 4);
        parser.input("S0,0,0,0,");
        QCOMPARE(window.take(), QStringList{"updateScene"});
    }

    void overflowingRasterRowIsDropped()
    {
        RecordingWindow window;
        window.settings()->set("x_electrodes", "3");
        window.settings()->set("y_electrodes", "2");
        CoreRaster parser(&window);
        feedSweep(parser, 3, 4);
        feedSweep(parser, 3, 4);
        parser.input("S0,0,0,0,");
        window.take();
        parser.input("R1,2,3,4,");
        parser.input("R1,-99999999999,3,4,"); // dropped: the frame lacks a row
        parser.input("S0,0,0,0,");
        QVERIFY(window.calls.isEmpty());
        // While starting, a dropped record after an S row does not end the frame.
        CoreRaster fresh(&window);
        feedSweep(fresh, 3, 4);
        fresh.input("S0,0,0,0,");
        fresh.input("R5,99999999999,");
        QVERIFY(window.calls.isEmpty());
        QVERIFY(fresh.isStarting());
        fresh.input("R5,6,7,8,");
        QCOMPARE(window.take(), (QStringList{"showBlankScene", "clearScene", "showRasterScene"}));
    }

    // A damaged profile's largest counts: the frame size stays positive (it used
    // to overflow to a negative one), and no row makes a frame of it.
    void largestElectrodeCountsDoNotOverflow()
    {
        RecordingWindow window;
        window.settings()->set("x_electrodes", "2147483647");
        window.settings()->set("y_electrodes", "2147483647");
        CoreRaster parser(&window);
        QCOMPARE(parser.expectedColumns(), INT_MAX);
        QCOMPARE(parser.expectedRows(), INT_MAX);
        for (int sweep = 0; sweep < 3; ++sweep)
            feedSweep(parser, 4, 5);
        parser.input("S0,0,0,0,0,");
        QVERIFY(window.calls.isEmpty());
        QVERIFY(parser.isStarting());
        QCOMPARE(parser.rowCount(), 4); // three R rows and the S row: rows kept, no frame
    }

    // Y records without an X record in between add up to one line, but only so
    // far: beyond CoreDebug::MaxLineValues they are dropped, and the next pair
    // is a frame as before.
    void endlessYRecordsStayBounded()
    {
        RecordingWindow window;
        CoreDebug parser(&window);
        for (int i = 0; i < 4; ++i)
            feedPair(parser, 3, 2);
        window.take();
        parser.input("X1,2,3,");
        const QByteArray y = record("Y", run(100));
        for (int i = 0; i < 40; ++i)
            parser.input(y.constData());
        QCOMPARE(parser.yValues().size(), std::size_t(4000));
        parser.input(record("Y", run(97)).constData());
        QCOMPARE(parser.yValues().size(), std::size_t(4000)); // would pass the bound
        parser.input(record("Y", run(96)).constData());
        QCOMPARE(parser.yValues().size(), CoreDebug::MaxLineValues);
        parser.input("Y1,");
        QCOMPARE(parser.yValues().size(), CoreDebug::MaxLineValues);
        window.take();
        feedPair(parser, 3, 2);
        QCOMPARE(window.take(), QStringList{"updateScene"});
        QCOMPARE(parser.yValues().size(), std::size_t(2));
    }
};

QTEST_GUILESS_MAIN(TestDisplayParser)
#include "tst_display_parser.moc"
