// The per-electrode M0 limits as the run reads them from RowSetData.
#include "rowlimits.h"

#include <QtTest>

using namespace production;

namespace {

QByteArray numbers(int count, int first)
{
    QByteArrayList list;
    for (int i = 0; i < count; ++i)
        list << QByteArray::number(first + i);
    return list.join(',');
}

RowLimits filledWith(int value)
{
    RowLimits limits;
    limits.xMin.fill(value);
    limits.xMax.fill(value);
    limits.yMin.fill(value);
    limits.yMax.fill(value);
    return limits;
}

} // namespace

class TestProductionRowLimits : public QObject
{
    Q_OBJECT

private slots:
    void fourParts()
    {
        RowLimits limits = filledWith(7);
        QVERIFY(readRowLimits("10,10,10/200,200,200/10,10/200,200", limits));
        QCOMPARE(limits.xMin[0], 10);
        QCOMPARE(limits.xMin[2], 10);
        QCOMPARE(limits.xMax[2], 200);
        QCOMPARE(limits.yMin[1], 10);
        QCOMPARE(limits.yMax[1], 200);
        // Channels the text does not reach keep what the previous run read.
        QCOMPARE(limits.xMin[3], 7);
        QCOMPARE(limits.yMax[2], 7);
        QCOMPARE(limits.yMax[59], 7);
    }

    void refused_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("profile without RowSetData") << QByteArray("0");
        QTest::newRow("empty") << QByteArray("");
        QTest::newRow("three parts") << QByteArray("1,2/3,4/5,6");
        QTest::newRow("five parts") << QByteArray("1/2/3/4/5");
    }
    void refused()
    {
        QFETCH(QByteArray, text);
        RowLimits limits = filledWith(7);
        QVERIFY(!readRowLimits(text, limits));
        QCOMPARE(limits.xMin[0], 7);
        QCOMPARE(limits.yMax[0], 7);
    }

    void fields_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("xMin0");
        QTest::addColumn<int>("xMax0");
        QTest::addColumn<int>("yMin0");
        QTest::addColumn<int>("yMax0");
        QTest::newRow("no X channels") << QByteArray("//10/200") << 0 << 0 << 10 << 200;
        QTest::newRow("not integers") << QByteArray("5x/1.5/abc/-3") << 0 << 0 << 0 << -3;
        QTest::newRow("hex is not read as hex") << QByteArray("0x10/10/010/+4") << 0 << 10 << 10 << 4;
        QTest::newRow("too large for an int") << QByteArray("99999999999/1/1/1") << 0 << 1 << 1 << 1;
    }
    void fields()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, xMin0);
        QFETCH(int, xMax0);
        QFETCH(int, yMin0);
        QFETCH(int, yMax0);
        RowLimits limits = filledWith(7);
        QVERIFY(readRowLimits(text, limits));
        QCOMPARE(limits.xMin[0], xMin0);
        QCOMPARE(limits.xMax[0], xMax0);
        QCOMPARE(limits.yMin[0], yMin0);
        QCOMPARE(limits.yMax[0], yMax0);
    }

    // A part with more values than the run keeps: the first 60 are taken, the
    // rest cannot spill into the next part.
    void longPartsStopAtSixty()
    {
        RowLimits limits = filledWith(7);
        const QByteArray text = numbers(80, 1000) + '/' + numbers(80, 2000) + '/' + numbers(2, 3000)
                                + '/' + numbers(2, 4000);
        QVERIFY(readRowLimits(text, limits));
        QCOMPARE(limits.xMin[59], 1059);
        QCOMPARE(limits.xMax[0], 2000);
        QCOMPARE(limits.xMax[59], 2059);
        QCOMPARE(limits.yMin[0], 3000);
        QCOMPARE(limits.yMin[2], 7);
    }
};

QTEST_MAIN(TestProductionRowLimits)
#include "tst_production_rowlimits.moc"
