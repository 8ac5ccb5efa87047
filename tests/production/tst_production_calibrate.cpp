// The calibration countdown against the emulated board: what the dialog shows
// on each tick, and how many calibration commands reach the panel.
#include "calibratedialog.h"
#include "panelfixture.h"

#include <bridgeboard.h>

#include <QFile>
#include <QLCDNumber>
#include <QLabel>
#include <QRegularExpression>
#include <QtTest>

namespace {

int calibrations(PanelFixture &f)
{
    return f.board().withBoard([](emulator::BridgeBoard &b) { return b.controller().calibrations(); });
}

// Calibration commands in a wire trace: an I2C write of 03 to register 3A.
int commandsInTrace(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QString text = QString::fromLatin1(file.readAll());
    static const QRegularExpression command(QStringLiteral("out 02 00 00 01 3A 01 03\\b"));
    return int(text.count(command));
}

} // namespace

class TestProductionCalibrate : public QObject
{
    Q_OBJECT

private slots:
    void ticks_data()
    {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QList<int>>("lcd");      // after each tick
        QTest::addColumn<QList<int>>("commands"); // sent after each tick

        QTest::newRow("3 s") << 3 << QList<int>{2, 1, 0, 0, 0} << QList<int>{0, 0, 1, 2, 3};
        QTest::newRow("1 s") << 1 << QList<int>{0, 0, 0} << QList<int>{1, 2, 3};
        QTest::newRow("0 s sends two") << 0 << QList<int>{0, 0} << QList<int>{1, 2};
        QTest::newRow("negative sends one") << -4 << QList<int>{-4} << QList<int>{1};
    }
    void ticks()
    {
        QFETCH(int, seconds);
        QFETCH(QList<int>, lcd);
        QFETCH(QList<int>, commands);

        PanelFixture f{emulator::PanelDescription()};
        QVERIFY(f.opened());
        QWidget parent;
        CalibrateDialog dlg(seconds, &f.command(), &parent);
        dlg.show();
        auto *number = dlg.findChild<QLCDNumber *>(QStringLiteral("lcdNumber"));
        auto *label = dlg.findChild<QLabel *>(QStringLiteral("label"));
        QVERIFY(number && label && dlg.findChild<QLabel *>(QStringLiteral("timeShow")));
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Calibrate"));
        QCOMPARE(number->intValue(), seconds);
        QCOMPARE(label->text(), QStringLiteral("Calibrating...\nPlease don't touch the screen!"));

        // Ticks by hand; the dialog's own timer does not run without an event loop.
        for (int tick = 0; tick < lcd.size(); ++tick) {
            QVERIFY2(dlg.isVisible(), qPrintable(QStringLiteral("closed before tick %1").arg(tick + 1)));
            dlg.StartCalibrate();
            QCOMPARE(number->intValue(), lcd.at(tick));
            QCOMPARE(dlg.commandsSent(), commands.at(tick));
            QCOMPARE(calibrations(f), commands.at(tick));
            QCOMPARE(label->text(), commands.at(tick) ? QStringLiteral("Ok")
                                                      : QStringLiteral("Calibrating...\nPlease don't touch the screen!"));
        }
        QVERIFY(!dlg.isVisible());
        QVERIFY(dlg.lastAccepted());
    }

    void refusedCommand()
    {
        PanelFixture f{emulator::PanelDescription()};
        QVERIFY(f.opened());
        CalibrateDialog dlg(0, &f.command());
        dlg.show();
        dlg.StartCalibrate();
        QCOMPARE(dlg.findChild<QLabel *>(QStringLiteral("label"))->text(), QStringLiteral("Ok"));
        // The board goes away between the two commands.
        f.board().unplug();
        dlg.StartCalibrate();
        QCOMPARE(dlg.findChild<QLabel *>(QStringLiteral("label"))->text(), QStringLiteral("fail"));
        QVERIFY(!dlg.lastAccepted());
        QCOMPARE(dlg.commandsSent(), 2);
        QVERIFY(!dlg.isVisible());
    }

    // The whole calibration as the window runs it, with the dialog's own timer.
    void calibrateRunsModally_data()
    {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<int>("commands");
        QTest::addColumn<QString>("closedBy"); // the operator closes the countdown: "escape" or "button"
        QTest::addColumn<bool>("refused");     // the controller does not acknowledge the command
        QTest::addColumn<bool>("completed");
        QTest::newRow("Calibrate_time 0") << 0 << 2 << QString() << false << true;
        QTest::newRow("Calibrate_time 1") << 1 << 3 << QString() << false << true;
        QTest::newRow("closed with Escape before the command") << 3 << 0 << "escape" << false << false;
        QTest::newRow("closed with the close button") << 3 << 0 << "button" << false << false;
        QTest::newRow("command not acknowledged") << 0 << 0 << QString() << true << false;
    }
    void calibrateRunsModally()
    {
        QFETCH(int, seconds);
        QFETCH(int, commands);
        QFETCH(QString, closedBy);
        QFETCH(bool, refused);
        QFETCH(bool, completed);

        emulator::PanelDescription panel;
        if (refused)
            panel.faults.nackAt = *emulator::I2cSpots::parse(QStringLiteral("0x3A"));
        PanelFixture f{panel};
        QVERIFY(f.opened());
        f.store.set("Calibrate_time", QByteArray::number(seconds));
        const QString trace = QDir::current().filePath(QStringLiteral("wire.txt"));
        QVERIFY(f.board().startTrace(trace));

        QWidget window;
        window.show();
        bool modalSeen = false;
        QTimer probe;
        connect(&probe, &QTimer::timeout, &window, [&] {
            auto *dlg = qobject_cast<CalibrateDialog *>(QApplication::activeModalWidget());
            if (!dlg || modalSeen)
                return;
            modalSeen = dlg->parent() == &window;
            if (closedBy == QLatin1String("escape"))
                QTest::keyClick(dlg, Qt::Key_Escape);
            else if (closedBy == QLatin1String("button"))
                dlg->close();
        });
        probe.start(50);

        const production::Calibration outcome = production::calibrate(f.command(), f.store, &window);
        f.board().stopTrace();
        QVERIFY(modalSeen);
        QCOMPARE(outcome.completed, completed);
        QCOMPARE(calibrations(f), commands);
        QCOMPARE(commandsInTrace(trace), refused ? seconds + 2 : commands);
        QVERIFY(window.findChildren<CalibrateDialog *>().isEmpty());
    }
};

QTEST_MAIN(TestProductionCalibrate)
#include "tst_production_calibrate.moc"
