// The key status dialog: which indicator a key code colours, when the
// operator has pressed every key, and that the result leaves exactly once.
#include "btnstatusdlg.h"

#include <QLabel>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <climits>

namespace {

const QColor Yellow(Qt::yellow);
const QColor Red(Qt::red);
const QColor Green(Qt::green);

QList<QColor> colours(const BtnStatusDlg &dlg)
{
    QList<QColor> list;
    for (int i = 0; i < dlg.keyCount(); ++i)
        list << dlg.indicatorColor(i);
    return list;
}

void pressAndRelease(BtnStatusDlg &dlg, int keys)
{
    for (int k = 0; k < keys; ++k) {
        dlg.keyCode(1 << k);
        dlg.keyCode(0);
    }
}

} // namespace

class TestProductionBtnStatus : public QObject
{
    Q_OBJECT

private slots:
    void keyIndex_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("index");
        QTest::newRow("1") << 1 << 0;
        QTest::newRow("2") << 2 << 1;
        QTest::newRow("4") << 4 << 2;
        QTest::newRow("6: the lower key") << 6 << 1;
        QTest::newRow("3: the lower key") << 3 << 0;
        QTest::newRow("128") << 128 << 7;
        QTest::newRow("highest bit of an int") << (1 << 30) << 30;
        QTest::newRow("0 releases") << 0 << -1;
        QTest::newRow("negative releases") << -4 << -1;
        QTest::newRow("INT_MIN releases") << INT_MIN << -1;
    }
    void keyIndex()
    {
        QFETCH(int, code);
        QFETCH(int, index);
        QCOMPARE(BtnStatusDlg::keyIndex(code), index);
    }

    void indicators_data()
    {
        QTest::addColumn<int>("keys");
        QTest::addColumn<QList<int>>("codes");
        QTest::addColumn<QList<QColor>>("expected");

        QTest::newRow("fresh") << 3 << QList<int>{} << QList<QColor>{Yellow, Yellow, Yellow};
        QTest::newRow("code 3 marks only key 0")
            << 3 << QList<int>{3} << QList<QColor>{Red, Yellow, Yellow};
        QTest::newRow("release turns it green")
            << 3 << QList<int>{3, 0} << QList<QColor>{Green, Yellow, Yellow};
        QTest::newRow("two keys held, both released")
            << 3 << QList<int>{1, 4, 0} << QList<QColor>{Green, Yellow, Green};
        QTest::newRow("negative code releases too")
            << 3 << QList<int>{2, -1} << QList<QColor>{Yellow, Green, Yellow};
        QTest::newRow("release with nothing held")
            << 3 << QList<int>{0} << QList<QColor>{Yellow, Yellow, Yellow};
        QTest::newRow("a green key pressed again is red")
            << 2 << QList<int>{1, 0, 1} << QList<QColor>{Red, Yellow};
        QTest::newRow("key beyond the count changes nothing")
            << 3 << QList<int>{8} << QList<QColor>{Yellow, Yellow, Yellow};
        QTest::newRow("key beyond the count is not released either")
            << 3 << QList<int>{8, 0} << QList<QColor>{Yellow, Yellow, Yellow};
        QTest::newRow("beyond the count amid real keys")
            << 3 << QList<int>{2, 64, 0} << QList<QColor>{Yellow, Green, Yellow};
        QTest::newRow("highest bit with eight keys")
            << 8 << QList<int>{128, 0}
            << QList<QColor>{Yellow, Yellow, Yellow, Yellow, Yellow, Yellow, Yellow, Green};
        QTest::newRow("no keys at all") << 0 << QList<int>{1, 0} << QList<QColor>{};
    }
    void indicators()
    {
        QFETCH(int, keys);
        QFETCH(QList<int>, codes);
        QFETCH(QList<QColor>, expected);

        BtnStatusDlg dlg;
        dlg.setup(keys, 10);
        for (int code : codes)
            dlg.keyCode(code);
        QCOMPARE(colours(dlg), expected);
        QVERIFY(!dlg.indicatorColor(keys).isValid());
    }

    void setupRebuildsTheRow()
    {
        BtnStatusDlg dlg;
        QCOMPARE(dlg.findChild<QLabel *>()->text(), QStringLiteral("10"));
        dlg.setup(4, 7);
        pressAndRelease(dlg, 4);
        dlg.keyCode(2); // held when the next setup comes
        dlg.setup(2, 5);
        QCOMPARE(dlg.keyCount(), 2);
        QCOMPARE(dlg.findChildren<QWidget *>(QRegularExpression("^indicator")).size(), 2);
        QCOMPARE(colours(dlg), (QList<QColor>{Yellow, Yellow}));
        QCOMPARE(dlg.findChild<QLabel *>()->text(), QStringLiteral("5"));
        // The key held before the setup is not carried into the new row.
        dlg.keyCode(0);
        QCOMPARE(colours(dlg), (QList<QColor>{Yellow, Yellow}));
    }

    // Ticks driven by hand: what each one shows and when the result leaves.
    void outcome_data()
    {
        QTest::addColumn<int>("keys");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QList<int>>("codes");
        QTest::addColumn<int>("ticksToResult");
        QTest::addColumn<bool>("ok");

        QTest::newRow("all keys seen before the time-out")
            << 3 << 5 << QList<int>{1, 0, 2, 0, 4, 0} << 1 << true;
        QTest::newRow("keys pressed together and released")
            << 3 << 2 << QList<int>{1, 3, 7, 0} << 2 << false; // each code names only key 0
        QTest::newRow("one key missing runs out of time")
            << 3 << 4 << QList<int>{1, 0, 2, 0} << 4 << false;
        QTest::newRow("last key still held") << 2 << 3 << QList<int>{1, 0, 2} << 3 << false;
        QTest::newRow("key beyond the count does not help")
            << 2 << 2 << QList<int>{1, 0, 4, 0} << 2 << false;
        QTest::newRow("one second: the first tick is the time-out")
            << 1 << 1 << QList<int>{1, 0} << 1 << false;
        // Without a time there is no limit: the keys end it, or the operator.
        QTest::newRow("no time: every key seen") << 2 << 0 << QList<int>{1, 0, 2, 0} << 1 << true;
        QTest::newRow("negative time: every key seen") << 2 << -3 << QList<int>{1, 0, 2, 0} << 1 << true;
        QTest::newRow("no time, a key missing: never ends") << 2 << 0 << QList<int>{1, 0} << 0 << false;
        QTest::newRow("negative time, a key missing: never ends") << 2 << -1 << QList<int>{1, 0} << 0 << false;
    }
    void outcome()
    {
        QFETCH(int, keys);
        QFETCH(int, seconds);
        QFETCH(QList<int>, codes);
        QFETCH(int, ticksToResult);
        QFETCH(bool, ok);

        BtnStatusDlg dlg;
        QSignalSpy spy(&dlg, &BtnStatusDlg::getResultSignal);
        dlg.setup(keys, seconds);
        dlg.show();
        for (int code : codes)
            dlg.keyCode(code);

        auto *label = dlg.findChild<QLabel *>();
        // 0 ticks: none ends it, closing it does.
        const int ticks = ticksToResult > 0 ? ticksToResult : 1000;
        for (int tick = 1; tick < ticks; ++tick) {
            dlg.On_timeOut();
            QCOMPARE(label->text(), QString::number(seconds > 0 ? seconds - tick : seconds));
            QCOMPARE(spy.count(), 0);
            QVERIFY(dlg.isVisible());
        }
        if (ticksToResult > 0)
            dlg.On_timeOut();
        else
            dlg.close();
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toBool(), ok);
        QCOMPARE(dlg.result(), ok);
        QVERIFY(!dlg.isVisible());
    }

    void closedByHand_data()
    {
        QTest::addColumn<QList<int>>("codes");
        QTest::addColumn<bool>("escape");
        QTest::addColumn<bool>("ok");
        QTest::newRow("close, keys missing") << QList<int>{1, 0} << false << false;
        QTest::newRow("escape, keys missing") << QList<int>{1, 0} << true << false;
        QTest::newRow("close, every key seen") << QList<int>{1, 0, 2, 0} << false << true;
        QTest::newRow("escape, every key seen") << QList<int>{1, 0, 2, 0} << true << true;
    }
    void closedByHand()
    {
        QFETCH(QList<int>, codes);
        QFETCH(bool, escape);
        QFETCH(bool, ok);

        BtnStatusDlg dlg;
        QSignalSpy spy(&dlg, &BtnStatusDlg::getResultSignal);
        dlg.setup(2, 10);
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        for (int code : codes)
            dlg.keyCode(code);
        if (escape)
            QTest::keyClick(&dlg, Qt::Key_Escape);
        else
            dlg.close();
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toBool(), ok);
        QVERIFY(!dlg.isVisible());

        // No second result for the same setup, and the countdown has stopped.
        const int left = dlg.secondsLeft();
        dlg.close();
        QTest::qWait(1200);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(dlg.secondsLeft(), left);
    }

    void modalWithTheRealTimer_data()
    {
        QTest::addColumn<QList<int>>("codes");
        QTest::addColumn<bool>("ok");
        QTest::newRow("pressed in time") << QList<int>{2, 0, 1, 0} << true;
        QTest::newRow("too slow") << QList<int>{2, 0} << false;
    }
    void modalWithTheRealTimer()
    {
        QFETCH(QList<int>, codes);
        QFETCH(bool, ok);

        // As the run uses it: the result arrives while exec() runs, and exec()
        // returns after it.
        BtnStatusDlg dlg;
        QList<bool> results;
        bool execRunning = false;
        connect(&dlg, &BtnStatusDlg::getResultSignal, &dlg, [&](bool r) {
            QVERIFY(execRunning);
            results << r;
        });
        dlg.setup(2, 2);
        QTimer::singleShot(100, &dlg, [&] {
            for (int code : codes)
                dlg.keyCode(code);
        });
        execRunning = true;
        dlg.exec();
        execRunning = false;
        QCOMPARE(results, QList<bool>{ok});
        // Success at the first tick, the time-out at the second.
        QCOMPARE(dlg.secondsLeft(), ok ? 1 : 0);
    }
};

QTEST_MAIN(TestProductionBtnStatus)
#include "tst_production_btnstatus.moc"
