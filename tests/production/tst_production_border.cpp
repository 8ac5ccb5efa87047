// The border drawing test: the grid arithmetic, which touches mark which ring
// cells, how a record of the normal stream becomes an area point, and when the
// widget passes, fails and gives its result.
#include "borderwidget.h"

#include <QHeaderView>
#include <QLabel>
#include <QSignalSpy>
#include <QTableWidget>
#include <QtTest>

#include <numeric>

using border::AreaHeight;
using border::AreaWidth;
using border::Cell;

Q_DECLARE_METATYPE(std::optional<Cell>)
Q_DECLARE_METATYPE(std::optional<QPoint>)

namespace {

enum Side { Top = 1, Bottom = 2, Left = 4, Right = 8, AllSides = 15 };

// A finger drawn along the edges of the area, a point every step pixels,
// inset pixels in from the edge.
void trace(BorderWidget &w, int sides, int step = 5, int inset = 1)
{
    for (int x = 0; x < AreaWidth; x += step) {
        if (sides & Top)
            w.touch(x, inset);
        if (sides & Bottom)
            w.touch(x, AreaHeight - 1 - inset);
    }
    for (int y = 0; y < AreaHeight; y += step) {
        if (sides & Left)
            w.touch(inset, y);
        if (sides & Right)
            w.touch(AreaWidth - 1 - inset, y);
    }
}

QList<bool> touchedCells(const BorderWidget &w)
{
    QList<bool> list;
    for (int r = 0; r < w.grid().rows; ++r)
        for (int c = 0; c < w.grid().columns; ++c)
            list << w.isTouched(r, c);
    return list;
}

} // namespace

class TestProductionBorder : public QObject
{
    Q_OBJECT

private slots:
    void grid_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("cellWidth");
        QTest::addColumn<int>("cellHeight");
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("column1");
        QTest::addColumn<int>("lastRow");

        QTest::newRow("40 x 40") << 40 << 40 << 40 << 40 << 23 << 18 << 3 << 3;
        QTest::newRow("100 x 100") << 100 << 100 << 100 << 100 << 9 << 7 << 83 << 83;
        QTest::newRow("25 x 30") << 25 << 30 << 25 << 30 << 36 << 23 << 8 << 23;
        // 683 and 883 are prime: only 1 and the whole side divide them.
        QTest::newRow("height dividing 683 is bumped") << 40 << 683 << 40 << 684 << 23 << 1 << 3 << 683;
        QTest::newRow("height 1 is bumped") << 40 << 1 << 40 << 2 << 23 << 342 << 3 << 1;
        QTest::newRow("width dividing 883 is bumped") << 883 << 40 << 884 << 40 << 1 << 18 << -1 << 3;
        QTest::newRow("width 1 is bumped") << 1 << 40 << 2 << 40 << 442 << 18 << 1 << 3;
        QTest::newRow("width and height 0 read as 1") << 0 << 0 << 2 << 2 << 442 << 342 << 1 << 1;
        QTest::newRow("negative read as 1") << -40 << -7 << 2 << 2 << 442 << 342 << 1 << 1;
        QTest::newRow("larger than the area") << 1000 << 900 << 1000 << 900 << 1 << 1 << -1 << 683;
    }
    void grid()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, cellWidth);
        QFETCH(int, cellHeight);
        QFETCH(int, columns);
        QFETCH(int, rows);
        QFETCH(int, column1);
        QFETCH(int, lastRow);

        const border::Grid g = border::makeGrid(width, height);
        QCOMPARE(g.cellWidth, cellWidth);
        QCOMPARE(g.cellHeight, cellHeight);
        QCOMPARE(g.columns, columns);
        QCOMPARE(g.rows, rows);
        QCOMPARE(int(g.columnWidths.size()), columns);
        QCOMPARE(int(g.rowHeights.size()), rows);
        if (column1 >= 0)
            QCOMPARE(g.columnWidths[1], column1);
        QCOMPARE(g.rowHeights.back(), lastRow);
        for (int c = 0; c < columns; ++c) {
            if (c != 1)
                QCOMPARE(g.columnWidths[c], cellWidth);
        }
        for (int r = 0; r + 1 < rows; ++r)
            QCOMPARE(g.rowHeights[r], cellHeight);
        QCOMPARE(g.interiorColumns, std::max(columns - 2, 0));
        QCOMPARE(g.interiorRows, std::max(rows - 2, 0));
        // Within the area the cells cover it exactly.
        if (cellWidth <= AreaWidth)
            QCOMPARE(std::accumulate(g.columnWidths.begin(), g.columnWidths.end(), 0), AreaWidth);
        if (cellHeight <= AreaHeight)
            QCOMPARE(std::accumulate(g.rowHeights.begin(), g.rowHeights.end(), 0), AreaHeight);
    }

    void cellAt_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<std::optional<Cell>>("cell");

        // 40 x 40: columns 40, 3, 21 x 40; rows 17 x 40, 3.
        QTest::newRow("top left") << 10 << 10 << std::optional<Cell>(Cell{0, 0});
        QTest::newRow("column 1, three wide") << 41 << 10 << std::optional<Cell>(Cell{0, 1});
        QTest::newRow("column 2 starts at 43") << 43 << 10 << std::optional<Cell>(Cell{0, 2});
        QTest::newRow("bottom right corner") << 882 << 682 << std::optional<Cell>(Cell{17, 22});
        QTest::newRow("last row starts at 680") << 400 << 680 << std::optional<Cell>(Cell{17, 10});
        QTest::newRow("left column, halfway") << 5 << 300 << std::optional<Cell>(Cell{7, 0});
        QTest::newRow("right column starts at 843") << 843 << 300 << std::optional<Cell>(Cell{7, 22});
        QTest::newRow("on the inner edge cw is not inside") << 40 << 300 << std::optional<Cell>(Cell{7, 1});
        QTest::newRow("interior") << 440 << 300 << std::optional<Cell>();
        QTest::newRow("just inside the ring") << 41 << 41 << std::optional<Cell>();
        QTest::newRow("just inside, bottom right") << 842 << 642 << std::optional<Cell>();
        QTest::newRow("right of the area") << 883 << 10 << std::optional<Cell>();
        QTest::newRow("below the area") << 10 << 683 << std::optional<Cell>();
        QTest::newRow("far away") << 100000 << 100000 << std::optional<Cell>();
        QTest::newRow("negative x") << -1 << 10 << std::optional<Cell>();
        QTest::newRow("negative y") << 10 << -1 << std::optional<Cell>();
    }
    void cellAt()
    {
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(std::optional<Cell>, cell);
        QCOMPARE(border::cellAt(border::makeGrid(40, 40), x, y), cell);
    }

    void scaledTouch_data()
    {
        QTest::addColumn<QString>("record");
        QTest::addColumn<int>("xRes");
        QTest::addColumn<int>("yRes");
        QTest::addColumn<std::optional<QPoint>>("point");

        const QString rest = QStringLiteral("0,0,0,0,0,0,0,0,0,0,0,0,");
        QTest::newRow("one finger") << "1,0,640,400," + rest << 1280 << 800 << std::optional<QPoint>(QPoint(441, 341));
        QTest::newRow("truncates") << "1,3,1279,799," + rest << 1280 << 800 << std::optional<QPoint>(QPoint(882, 682));
        QTest::newRow("x' of 3 passes") << "1,0,5,400," + rest << 1280 << 800 << std::optional<QPoint>(QPoint(3, 341));
        QTest::newRow("x' of 2 is dropped") << "1,0,4,400," + rest << 1280 << 800 << std::optional<QPoint>();
        QTest::newRow("y' of 2 is dropped") << "1,0,640,3," + rest << 1280 << 800 << std::optional<QPoint>();
        QTest::newRow("x at the resolution is past the area")
            << "1,0,1280,400," + rest << 1280 << 800 << std::optional<QPoint>();
        QTest::newRow("no finger") << "0,0,0,0," + rest << 1280 << 800 << std::optional<QPoint>();
        QTest::newRow("two fingers") << "2,0,640,400,1,10,10," + rest << 1280 << 800 << std::optional<QPoint>();
        QTest::newRow("key code") << "1" << 1280 << 800 << std::optional<QPoint>();
        QTest::newRow("not a number") << "1,0,6x0,400," + rest << 1280 << 800 << std::optional<QPoint>();
        QTest::newRow("too large for an int")
            << "1,0,99999999999,400," + rest << 1280 << 800 << std::optional<QPoint>();
        QTest::newRow("x resolution 0") << "1,0,640,400," + rest << 0 << 800 << std::optional<QPoint>();
        QTest::newRow("y resolution negative") << "1,0,640,400," + rest << 1280 << -800 << std::optional<QPoint>();
        QTest::newRow("resolution 1") << "1,0,0,0," + rest << 1 << 1 << std::optional<QPoint>();
        QTest::newRow("empty") << QString() << 1280 << 800 << std::optional<QPoint>();
    }
    void scaledTouch()
    {
        QFETCH(QString, record);
        QFETCH(int, xRes);
        QFETCH(int, yRes);
        QFETCH(std::optional<QPoint>, point);
        QCOMPARE(border::scaledTouch(record, xRes, yRes), point);
    }

    void widgetBuildsTheGrid()
    {
        BorderWidget w;
        w.showMaximized();
        w.setup(10, 40, 40);
        w.place();
        w.start();
        auto *table = w.findChild<QTableWidget *>();
        QVERIFY(table);
        QCOMPARE(table->size(), QSize(885, 685));
        QCOMPARE(table->columnCount(), 23);
        QCOMPARE(table->rowCount(), 18);
        QCOMPARE(table->columnWidth(0), 40);
        QCOMPARE(table->columnWidth(1), 3);
        QCOMPARE(table->columnWidth(22), 40);
        QCOMPARE(table->rowHeight(16), 40);
        QCOMPARE(table->rowHeight(17), 3);
        QVERIFY(table->horizontalHeader()->isHidden());
        QVERIFY(table->verticalHeader()->isHidden());
        QCOMPARE(table->rowSpan(1, 1), 16);
        QCOMPARE(table->columnSpan(1, 1), 21);
        QCOMPARE(table->item(1, 1)->background().color(), QColor(Qt::gray));
        QCOMPARE(table->item(0, 5)->background().color(), QColor(Qt::blue));
        QCOMPARE(table->item(17, 22)->background().color(), QColor(Qt::blue));
        QCOMPARE(w.labelText(), QStringLiteral("10"));
        QVERIFY(w.isCounting());

        // A smaller grid the next time leaves nothing of the old one.
        w.setup(5, 100, 100);
        QCOMPARE(table->columnCount(), 9);
        QCOMPARE(table->rowCount(), 7);
        QCOMPARE(table->columnWidth(1), 83);
        QCOMPARE(table->rowSpan(1, 1), 5);
        QCOMPARE(table->columnSpan(1, 1), 7);
        QCOMPARE(w.labelText(), QStringLiteral("5"));
        QVERIFY(!w.isCounting());
    }

    // Ticks driven by hand, the finger drawn along some of the sides.
    void drawing_data()
    {
        QTest::addColumn<int>("cellWidth");
        QTest::addColumn<int>("cellHeight");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<int>("sides");
        QTest::addColumn<int>("ticks");
        QTest::addColumn<int>("result");

        QTest::newRow("whole border, 40 x 40") << 40 << 40 << 2 << int(AllSides) << 1 << 1;
        QTest::newRow("whole border, 100 x 30") << 100 << 30 << 2 << int(AllSides) << 1 << 1;
        QTest::newRow("whole border, one row 684 high") << 40 << 683 << 2 << int(AllSides) << 1 << 1;
        QTest::newRow("top missing") << 40 << 40 << 2 << int(AllSides & ~Top) << 3 << 0;
        QTest::newRow("bottom missing") << 40 << 40 << 2 << int(AllSides & ~Bottom) << 3 << 0;
        QTest::newRow("left missing") << 40 << 40 << 2 << int(AllSides & ~Left) << 3 << 0;
        QTest::newRow("right missing") << 40 << 40 << 2 << int(AllSides & ~Right) << 3 << 0;
        QTest::newRow("nothing drawn, ten seconds") << 40 << 40 << 10 << 0 << 11 << 0;
        QTest::newRow("no time at all") << 40 << 40 << 0 << int(AllSides) << 1 << 0;
    }
    void drawing()
    {
        QFETCH(int, cellWidth);
        QFETCH(int, cellHeight);
        QFETCH(int, seconds);
        QFETCH(int, sides);
        QFETCH(int, ticks);
        QFETCH(int, result);

        BorderWidget w;
        QSignalSpy spy(&w, &BorderWidget::getResultSignal);
        w.showMaximized();
        w.setup(seconds, cellWidth, cellHeight);
        w.place();
        w.start();
        trace(w, sides);
        QCOMPARE(w.ringComplete(), sides == AllSides);

        // The label counts seconds, 10, 9, ..., 1, and the result follows.
        for (int tick = 1; tick < ticks; ++tick) {
            w.updateLabel();
            QCOMPARE(w.labelText(), QString::number(seconds - tick + 1));
            QCOMPARE(spy.count(), 0);
            QVERIFY(w.isVisible());
        }
        w.updateLabel();
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), result);
        QCOMPARE(w.labelText(), result ? QStringLiteral("PASS") : QStringLiteral("FAIL"));
        QCOMPARE(w.resultIsFail(), result == 0);
        QVERIFY(!w.isVisible());
        QVERIFY(!w.isCounting());
        QCOMPARE(w.findChild<QLabel *>()->styleSheet(),
                 result ? QStringLiteral("color:green;font-size:45px;") : QStringLiteral("color:red;font-size:45px;"));

        // One result per test.
        w.updateLabel();
        w.close();
        QCOMPARE(spy.count(), 1);
    }

    void missingOneCell()
    {
        BorderWidget w;
        w.setup(2, 40, 40);
        w.start();
        // The 3 px high bottom row is only reached at the very edge.
        trace(w, AllSides, 5, 4);
        QVERIFY(!w.ringComplete());
        QVERIFY(!w.isTouched(17, 10));
        QVERIFY(w.isTouched(16, 0));
        trace(w, Bottom, 5, 1);
        QVERIFY(w.ringComplete());
    }

    void touchesThatChangeNothing()
    {
        BorderWidget w;
        w.setup(10, 40, 40);
        w.start();
        const QList<bool> before = touchedCells(w);
        for (const QPoint p : {QPoint(883, 10), QPoint(10, 683), QPoint(-5, 10), QPoint(10, -5),
                               QPoint(5000, 5000), QPoint(440, 340), QPoint(41, 41)})
            w.touch(p.x(), p.y());
        QCOMPARE(touchedCells(w), before);
        QVERIFY(!before.contains(true));
        w.touch(10, 10);
        QVERIFY(w.isTouched(0, 0));
    }

    void closedByHand()
    {
        // Owned by the main window, yet a window of its own.
        QWidget mainWindow;
        BorderWidget &w = *new BorderWidget(&mainWindow);
        QVERIFY(w.isWindow());
        QSignalSpy spy(&w, &BorderWidget::getResultSignal);
        w.showMaximized();
        w.setup(10, 40, 40);
        w.place();
        w.start();
        trace(w, AllSides);
        QVERIFY(w.close());
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), 0);
        QVERIFY(w.resultIsFail());
        QVERIFY(!w.isCounting());

        // The next test starts afresh and gives its own result.
        w.showMaximized();
        w.setup(1, 40, 40);
        w.place();
        QVERIFY(!w.resultIsFail());
        w.start();
        trace(w, AllSides);
        w.updateLabel();
        QCOMPARE(spy.count(), 2);
        QCOMPARE(spy.at(1).at(0).toInt(), 1);
    }

    void realTimer()
    {
        BorderWidget w;
        QSignalSpy spy(&w, &BorderWidget::getResultSignal);
        w.showMaximized();
        w.setup(1, 40, 40);
        w.place();
        w.start();
        trace(w, AllSides & ~Left);
        // "1" at the first tick, "FAIL" at the second.
        QVERIFY(spy.wait(5000));
        QCOMPARE(spy.at(0).at(0).toInt(), 0);
        QVERIFY(w.resultIsFail());
    }
};

QTEST_MAIN(TestProductionBorder)
#include "tst_production_border.moc"
