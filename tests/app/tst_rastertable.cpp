#include "rastertable.h"

#include <QTableWidget>
#include <QtTest>

class TestRasterTable : public QObject
{
    Q_OBJECT

private slots:
    void colourBands_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("-151") << -151 << QColor(255, 0, 0);
        QTest::newRow("-150") << -150 << QColor(255, 80, 80);
        QTest::newRow("-101") << -101 << QColor(255, 80, 80);
        QTest::newRow("-100") << -100 << QColor(255, 155, 155);
        QTest::newRow("-50") << -50 << QColor(255, 255, 255);
        QTest::newRow("49") << 49 << QColor(255, 255, 255);
        QTest::newRow("50") << 50 << QColor(255, 255, 125);
        QTest::newRow("100") << 100 << QColor(255, 255, 0);
        QTest::newRow("149") << 149 << QColor(255, 255, 0);
        QTest::newRow("150") << 150 << QColor(224, 224, 0);
    }
    void colourBands()
    {
        QFETCH(int, value);
        QFETCH(QColor, colour);
        QCOMPARE(rastertable::cellColour(value), colour);
    }

    void rowsParseWithMissingAndBadFields()
    {
        QCOMPARE(rastertable::parseRow("S1,2,3", 5), (QVector<int>{1, 2, 3, 0, 0}));
        QCOMPARE(rastertable::parseRow("Rx,-7,,9,10,11", 4), (QVector<int>{0, -7, 0, 9}));
        QCOMPARE(rastertable::parseRow("", 2), (QVector<int>{0, 0}));
    }

    void rasterXFillsTheTableWithEdgeBandsDivided()
    {
        QTableWidget table;
        table.resize(800, 400);
        rastertable::resize(&table, 20, 12);
        QCOMPARE(table.rowCount(), 13);
        QCOMPARE(table.columnCount(), 21);
        QCOMPARE(table.item(12, 20)->text(), QString("123"));
        // 798 px shared by 21 columns is 38 each; a narrow window gets the floor of 35.
        QCOMPARE(table.columnWidth(0), 38);
        QTableWidget narrow;
        narrow.resize(300, 200);
        rastertable::resize(&narrow, 20, 12);
        QCOMPARE(narrow.columnWidth(20), 35);

        QStringList fields;
        for (int c = 0; c <= 20; ++c)
            fields << QString::number(-160 + 16 * c);
        const QString line = "S" + fields.join(',');
        for (int row = 0; row <= 12; ++row)
            rastertable::fillRow(&table, line, row, 3, 20, 12, 2);

        // Inner cell: as it came.
        QCOMPARE(table.item(5, 10)->text(), QString("0"));
        QCOMPARE(table.item(5, 2)->text(), QString("-128"));
        // Edge rows 0, 1, 11, 12 and columns 0, 1, 19, 20: divided, coloured by the undivided value.
        for (int row : {0, 1, 11, 12})
            QCOMPARE(table.item(row, 10)->text(), QString("0"));
        QCOMPARE(table.item(5, 0)->text(), QString("-80"));
        QCOMPARE(table.item(5, 0)->background().color(), QColor(255, 0, 0));
        QCOMPARE(table.item(5, 1)->text(), QString("-72"));
        QCOMPARE(table.item(5, 19)->text(), QString("72"));
        QCOMPARE(table.item(5, 20)->text(), QString("80"));
        QCOMPARE(table.item(5, 20)->background().color(), QColor(224, 224, 0));
        QCOMPARE(table.item(0, 5)->text(), QString("-40"));

        // The same data in the internal raster modes is shown undivided.
        rastertable::fillRow(&table, line, 5, 5, 20, 12, 2);
        QCOMPARE(table.item(5, 0)->text(), QString("-160"));
        // A ratio of 0 is taken as 1, a negative one divides; a row beyond the table changes nothing.
        rastertable::fillRow(&table, line, 5, 4, 20, 12, 0);
        QCOMPARE(table.item(5, 0)->text(), QString("-160"));
        rastertable::fillRow(&table, line, 5, 4, 20, 12, -2);
        QCOMPARE(table.item(5, 0)->text(), QString("80"));
        QCOMPARE(table.item(5, 0)->background().color(), QColor(255, 0, 0));
        rastertable::fillRow(&table, "S-2147483648", 5, 3, 20, 12, -1);
        QCOMPARE(table.item(5, 0)->text(), QString("2147483647"));
        rastertable::fillRow(&table, "S9,9,9", 13, 3, 20, 12, 2);
        rastertable::fillRow(&table, "S9,9,9", -1, 3, 20, 12, 2);
        QCOMPARE(table.rowCount(), 13);
    }
};

QTEST_MAIN(TestRasterTable)
#include "tst_rastertable.moc"
