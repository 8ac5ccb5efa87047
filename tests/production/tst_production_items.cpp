// The short test items: their judging on hand-made readings, and the items
// against emulated panels that are good or fail exactly one item.
#include "panelfixture.h"
#include "resultfile.h"
#include "shortitems.h"

#include <QtTest>

#include <cmath>
#include <limits>

using namespace production;

Q_DECLARE_METATYPE(production::RunEnd)

namespace {

// A reader that plays a script and counts how often it was asked.
template <typename T>
struct Script
{
    QList<T> answers;
    int reads = 0;
    T operator()()
    {
        const T a = answers.at(std::min<int>(reads, int(answers.size()) - 1));
        ++reads;
        return a;
    }
};

QList<int> repeated(int value, int times)
{
    QList<int> list;
    for (int i = 0; i < times; ++i)
        list << value;
    return list;
}

// Runs the seven items in run order, as the run would with every switch on;
// run watches the link from before the first.
QList<ItemOutcome> runAll(PanelFixture &f, const device::link::Watch &run = device::link::Watch())
{
    const QString verdict = QStringLiteral("PASS");
    return {electricItem(f.command(), f.store, verdict, run), usbVersionItem(f.command(), f.store, verdict, run),
            crcVersionItem(f.command(), f.store, verdict, run), eepromVersionItem(f.command(), f.store, run),
            tbItem(f.command(), f.store, run), attbItem(f.command(), f.store, run),
            resetItem(f.command(), f.store, run)};
}

const QStringList ItemNames{"electric", "usb", "crc", "eeprom", "tb", "attb", "reset"};

} // namespace

class TestProductionItems : public QObject
{
    Q_OBJECT

private:
    // The demo profile, which the panels in emulator/panels are written against,
    // with a short wait after the reset.
    static void useDemoProfile(Settings &store)
    {
        store.load(QStringLiteral(KAVEL_SOURCE_DIR "/resources/demo/Config/demo.ini"));
        store.set("Init_time", "5");
    }

private slots:
    void electricJudging_data()
    {
        QTest::addColumn<float>("a");
        QTest::addColumn<float>("b");
        QTest::addColumn<float>("c");
        QTest::addColumn<float>("threshold");
        QTest::addColumn<QString>("verdictBefore");
        QTest::addColumn<bool>("pass");
        QTest::addColumn<QString>("block");
        QTest::addColumn<QString>("pane");

        QTest::newRow("median at the threshold fails")
            << 14.f << 9.f << 11.f << 11.f << "PASS" << false << "Electric,FAIL,9MA,11MA,14MA\n"
            << "read Electric:11MA FAIL";
        QTest::newRow("median below passes, one reading above")
            << 13.f << 12.3f << 12.5f << 12.6f << "PASS" << true
            << "Electric,PASS,12.3MA,12.5MA,13MA\n" << "read Electric:12.5MA PASS";
        QTest::newRow("six digits in the file, three in the pane")
            << 12.345678f << 0.0123f << 99.5f << 20.f << "PASS" << true
            << "Electric,PASS,0.0123MA,12.3457MA,99.5MA\n" << "read Electric:12.3MA PASS";
        QTest::newRow("a passing item keeps an earlier FAIL in its line")
            << 5.f << 5.f << 5.f << 20.f << "FAIL" << true << "Electric,FAIL,5MA,5MA,5MA\n"
            << "read Electric:5MA PASS";
        QTest::newRow("a NaN threshold passes nothing")
            << 1.f << 1.f << 1.f << std::numeric_limits<float>::quiet_NaN() << "PASS" << false
            << "Electric,FAIL,1MA,1MA,1MA\n" << "read Electric:1MA FAIL";
    }
    void electricJudging()
    {
        QFETCH(float, a);
        QFETCH(float, b);
        QFETCH(float, c);
        QFETCH(float, threshold);
        QFETCH(QString, verdictBefore);
        QFETCH(bool, pass);
        QFETCH(QString, block);
        QFETCH(QString, pane);
        const ItemOutcome o = judgeElectric({a, b, c}, threshold, verdictBefore);
        QVERIFY(o.ran);
        QCOMPARE(o.pass, pass);
        QCOMPARE(o.block, block);
        QCOMPARE(o.paneLines, QStringList{pane});
        QCOMPARE(o.end, RunEnd::Continue);
    }

    void versionJudging_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("read");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<QString>("verdictBefore");
        QTest::addColumn<bool>("pass");
        QTest::addColumn<QString>("block");
        QTest::addColumn<QString>("pane");

        QTest::newRow("crc equal") << "crc" << "5A3C" << QByteArray("5A3C") << "PASS" << true
                                   << "CRC_Version,5A3C,PASS\n" << "Read CRC_Version: PASS";
        QTest::newRow("crc differs only in case") << "crc" << "5A3C" << QByteArray("5a3c") << "PASS"
                                                  << true << "CRC_Version,5A3C,PASS\n"
                                                  << "Read CRC_Version: PASS";
        QTest::newRow("crc differs") << "crc" << "1234" << QByteArray("5A3C") << "PASS" << false
                                     << "CRC_Version,1234,FAIL\n" << "read CRC_Version:1234 FAIL";
        QTest::newRow("crc nothing read") << "crc" << "" << QByteArray("5A3C") << "PASS" << false
                                          << "CRC_Version,,FAIL\n" << "read CRC_Version: FAIL";
        QTest::newRow("crc passes, earlier FAIL kept") << "crc" << "5A3C" << QByteArray("5A3C")
                                                       << "FAIL" << true << "CRC_Version,5A3C,FAIL\n"
                                                       << "Read CRC_Version: PASS";
        QTest::newRow("eeprom equal") << "eeprom" << "V1.0A" << QByteArray("V1.0A") << "PASS" << true
                                      << "eeprom_Version,V1.0A,PASS\n" << "Read eeprom_Version: PASS";
        QTest::newRow("eeprom differs only in case")
            << "eeprom" << "V1.0A" << QByteArray("v1.0a") << "PASS" << false
            << "eeprom_Version,V1.0A,FAIL\n" << "read eeprom_Version:V1.0A FAIL";
        // The EEPROM line carries the item's own result, not the run's verdict.
        QTest::newRow("eeprom passes after an earlier FAIL")
            << "eeprom" << "V1.0A" << QByteArray("V1.0A") << "FAIL" << true
            << "eeprom_Version,V1.0A,PASS\n" << "Read eeprom_Version: PASS";
        QTest::newRow("usb equal") << "usb" << "W103" << QByteArray("W103") << "PASS" << true
                                   << "Usb_Version,W103,PASS\n" << "Read Usb_Version: PASS";
        QTest::newRow("usb longer in the profile") << "usb" << "W103" << QByteArray("W103 ") << "PASS"
                                                   << false << "Usb_Version,W103,FAIL\n"
                                                   << "read Usb_Version:W103 FAIL";
        QTest::newRow("usb differs only in case") << "usb" << "W10a" << QByteArray("W10A") << "PASS"
                                                  << false << "Usb_Version,W10a,FAIL\n"
                                                  << "read Usb_Version:W10a FAIL";
    }
    void versionJudging()
    {
        QFETCH(QString, item);
        QFETCH(QString, read);
        QFETCH(QByteArray, expected);
        QFETCH(QString, verdictBefore);
        QFETCH(bool, pass);
        QFETCH(QString, block);
        QFETCH(QString, pane);
        ItemOutcome o;
        if (item == QLatin1String("crc"))
            o = judgeCrcVersion(read, QString::fromLatin1(expected), verdictBefore);
        else if (item == QLatin1String("eeprom"))
            o = judgeEepromVersion(read, expected);
        else
            o = judgeUsbVersion(read, expected, verdictBefore);
        QCOMPARE(o.pass, pass);
        QCOMPARE(o.block, block);
        QCOMPARE(o.paneLines, QStringList{pane});
        QCOMPARE(o.shownVersion, read);
        QCOMPARE(o.end, RunEnd::Continue);
    }

    void crcReads_data()
    {
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<int>("reads");

        QTest::newRow("three FFFF are kept as FFFF") << QStringList{"FFFF", "FFFF", "FFFF", "5A3C"}
                                                     << "FFFF" << 3;
        QTest::newRow("FFFF then a CRC") << QStringList{"FFFF", "5A3C"} << "5A3C" << 2;
        QTest::newRow("a CRC at once") << QStringList{"1234"} << "1234" << 1;
        QTest::newRow("no acknowledge stops at once") << QStringList{"error1", "5A3C"} << "error1" << 1;
        QTest::newRow("time-out after FFFF") << QStringList{"FFFF", "error2", "5A3C"} << "error2" << 2;
        QTest::newRow("lower-case ffff is an answer") << QStringList{"ffff", "5A3C"} << "ffff" << 1;
    }
    void crcReads()
    {
        QFETCH(QStringList, answers);
        QFETCH(QString, kept);
        QFETCH(int, reads);
        Script<QString> script{answers};
        QCOMPARE(settledCrc(std::ref(script)), kept);
        QCOMPARE(script.reads, reads);
    }

    void crcI2cEndings_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("pane");
        QTest::newRow("no acknowledge") << "error1" << "<p style=color:red>I2C NO ACK!</p>";
        QTest::newRow("time-out") << "error2" << "<p style=color:red>I2C Timeout!</p>";
    }
    void crcI2cEndings()
    {
        QFETCH(QString, answer);
        QFETCH(QString, pane);
        const ItemOutcome o = judgeCrcVersion(answer, QStringLiteral("5A3C"), QStringLiteral("PASS"));
        QCOMPARE(o.end, RunEnd::EndAsFailed);
        QVERIFY(!o.pass);
        QVERIFY(o.block.isEmpty());
        QCOMPARE(o.paneLines, QStringList{pane});
    }

    void tbJudging_data()
    {
        QTest::addColumn<QList<int>>("readings");
        QTest::addColumn<int>("threshold");
        QTest::addColumn<bool>("pass");
        QTest::addColumn<QString>("block");
        QTest::addColumn<int>("reads");

        QTest::newRow("not-ready readings skipped, one above passes")
            << QList<int>{2048, 700, 2048, 900, 650, 640, 630} << 800 << true
            << "Tb_Value,PASS,700,900,650,640,630\n" << 7;
        QTest::newRow("all five below fails") << QList<int>{700, 650, 640, 630, 799} << 800 << false
                                              << "Tb_Value,FAIL,700,650,640,630,799\n" << 5;
        QTest::newRow("a reading at the threshold is not below")
            << QList<int>{700, 650, 640, 630, 800} << 800 << true
            << "Tb_Value,PASS,700,650,640,630,800\n" << 5;
        // A first 2048 and nineteen re-reads of it; the twentieth re-read settles.
        QTest::newRow("the twentieth re-read still counts")
            << repeated(2048, 20) + QList<int>{900, 901, 902, 903, 904} << 800 << true
            << "Tb_Value,PASS,900,901,902,903,904\n" << 25;
        QTest::newRow("stuck at 2048 fails after twenty re-reads")
            << repeated(2048, 30) << 800 << false << "Tb_Value,FAIL,2048\n" << 21;
        QTest::newRow("the count starts again after an accepted reading")
            << repeated(2048, 20) + QList<int>{900} + repeated(2048, 20)
                   + QList<int>{901, 902, 903, 904}
            << 800 << true << "Tb_Value,PASS,900,901,902,903,904\n" << 45;
        QTest::newRow("stuck after two readings keeps them")
            << QList<int>{900, 901} + repeated(2048, 30) << 800 << false
            << "Tb_Value,FAIL,900,901,2048\n" << 23;
    }
    void tbJudging()
    {
        QFETCH(QList<int>, readings);
        QFETCH(int, threshold);
        QFETCH(bool, pass);
        QFETCH(QString, block);
        QFETCH(int, reads);
        Script<int> script{readings};
        int waits = 0;
        const TbReadout readout = collectTb(std::ref(script), [&waits] { ++waits; });
        const ItemOutcome o = judgeTb(readout, threshold);
        QCOMPARE(o.pass, pass);
        QCOMPARE(o.block, block);
        QCOMPARE(o.paneLines, QStringList{pass ? "TB_Test: PASS" : "TB_Test: FAIL"});
        QCOMPARE(script.reads, reads);
        // The settling wait follows each accepted reading, never a re-read.
        QCOMPARE(waits, int(readout.accepted.size()));
    }

    void attbAndReset_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("pass");
        QTest::addColumn<RunEnd>("end");
        QTest::addColumn<QString>("block");
        QTest::addColumn<QString>("pane");
        QTest::newRow("attb pass") << "attb" << "PASS" << true << RunEnd::Continue << "Attb:,PASS\n"
                                   << "Attb Test:PASS";
        QTest::newRow("attb fail ends the run") << "attb" << "FAIL" << false << RunEnd::FileAsFailed
                                                << "Attb:,FAIL\n" << "Attb Test:FAIL";
        QTest::newRow("reset pass") << "reset" << "PASS" << true << RunEnd::Continue << "Reset:,PASS\n"
                                    << "Reset:PASS";
        QTest::newRow("reset fail goes on") << "reset" << "FAIL" << false << RunEnd::Continue
                                            << "Reset:,FAIL\n" << "Reset:FAIL";
    }
    void attbAndReset()
    {
        QFETCH(QString, item);
        QFETCH(QString, answer);
        QFETCH(bool, pass);
        QFETCH(RunEnd, end);
        QFETCH(QString, block);
        QFETCH(QString, pane);
        const ItemOutcome o = item == QLatin1String("attb") ? judgeAttb(answer) : judgeReset(answer);
        QCOMPARE(o.pass, pass);
        QCOMPARE(o.end, end);
        QCOMPARE(o.block, block);
        QCOMPARE(o.paneLines, QStringList{pane});
    }

    void btnDataLine()
    {
        QCOMPARE(btnDataBlock({120, -2, 0}), QStringLiteral("BtnData,120,-2,0\n"));
        QCOMPARE(btnDataBlock({}), QStringLiteral("BtnData\n"));
    }

    void recordingAnOutcome()
    {
        QTemporaryDir dir;
        const QString old = QDir::currentPath();
        QDir::setCurrent(dir.path());
        ResultFile file;
        file.begin(StartMode::Auto, {}, {}, {});
        QString verdict = QStringLiteral("PASS");
        QStringList pane;
        const auto toPane = [&pane](const QString &line) { pane << line; };

        record(ItemOutcome{}, verdict, file, toPane); // switch off: nothing at all
        QVERIFY(!file.exists());
        record(judgeReset(QStringLiteral("FAIL")), verdict, file, toPane);
        record(judgeAttb(QStringLiteral("PASS")), verdict, file, toPane);
        QCOMPARE(verdict, QStringLiteral("FAIL"));
        QCOMPARE(pane, (QStringList{"Reset:FAIL", "Attb Test:PASS"}));
        QFile f(file.workingName());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("Reset:,FAIL\nAttb:,PASS\n"));
        f.close();
        QDir::setCurrent(old);
    }

    // ---- against the emulated board ------------------------------------

    void goodPanelPassesEveryItem()
    {
        emulator::PanelDescription panel;
        panel.currentMa = 16.5; // exactly representable in the bridge's 12-bit reading
        panel.tbReadings = {2048, 812, 806, 815, 809, 811};
        PanelFixture f(panel);
        QVERIFY(f.opened());
        useDemoProfile(f.store);

        const QList<ItemOutcome> o = runAll(f);
        const QStringList blocks{"Electric,PASS,16.5MA,16.5MA,16.5MA\n", "Usb_Version,W103,PASS\n",
                                 "CRC_Version,5A3C,PASS\n", "eeprom_Version,V1.0A,PASS\n",
                                 "Tb_Value,PASS,812,806,815,809,811\n", "Attb:,PASS\n",
                                 "Reset:,PASS\n"};
        const QStringList panes{"read Electric:16.5MA PASS", "Read Usb_Version: PASS",
                                "Read CRC_Version: PASS",    "Read eeprom_Version: PASS",
                                "TB_Test: PASS",             "Attb Test:PASS",
                                "Reset:PASS"};
        for (int i = 0; i < o.size(); ++i) {
            QVERIFY2(o[i].ran && o[i].pass, qPrintable(ItemNames[i]));
            QCOMPARE(o[i].block, blocks[i]);
            QCOMPARE(o[i].paneLines, QStringList{panes[i]});
            QCOMPARE(o[i].end, RunEnd::Continue);
        }
        QCOMPARE(o[1].shownVersion, QStringLiteral("W103"));
        QCOMPARE(o[2].shownVersion, QStringLiteral("5A3C"));
        QCOMPARE(o[3].shownVersion, QStringLiteral("V1.0A"));
        // The reset item reset the controller once, after a good bootloader read.
        QCOMPARE(f.board().withBoard([](emulator::BridgeBoard &b) { return b.controllerResets(); }), 1);
    }

    void failingPanelFailsItsItem_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("pane");
        QTest::addColumn<RunEnd>("end");
        QTest::addColumn<bool>("othersPass");

        QTest::newRow("high current") << "high_current.ini" << "electric" << "read Electric:25MA FAIL"
                                      << RunEnd::Continue << true;
        QTest::newRow("wrong USB version") << "wrong_usb_version.ini" << "usb"
                                           << "read Usb_Version:W099 FAIL" << RunEnd::Continue << true;
        QTest::newRow("wrong CRC version") << "wrong_crc_version.ini" << "crc"
                                           << "read CRC_Version:1234 FAIL" << RunEnd::Continue << true;
        QTest::newRow("wrong EEPROM version") << "wrong_eeprom_version.ini" << "eeprom"
                                              << "read eeprom_Version:V0.9A FAIL" << RunEnd::Continue
                                              << true;
        QTest::newRow("low TB") << "low_tb.ini" << "tb" << "TB_Test: FAIL" << RunEnd::Continue << true;
        QTest::newRow("TB stuck at 2048") << "tb_stuck.ini" << "tb" << "TB_Test: FAIL"
                                          << RunEnd::Continue << true;
        QTest::newRow("attention line") << "attention_line.ini" << "attb" << "Attb Test:FAIL"
                                        << RunEnd::FileAsFailed << true;
        QTest::newRow("bootloader 0x4B") << "bootloader_4b.ini" << "reset" << "Reset:FAIL"
                                         << RunEnd::Continue << true;
        QTest::newRow("bootloader 0x46") << "bootloader_46.ini" << "reset" << "Reset:FAIL"
                                         << RunEnd::Continue << true;
        // Every I2C answer is flagged, so the I2C items fail as well; the CRC
        // item is the one that ends the run.
        QTest::newRow("CRC no acknowledge") << "crc_nack.ini" << "crc"
                                            << "<p style=color:red>I2C NO ACK!</p>"
                                            << RunEnd::EndAsFailed << false;
        QTest::newRow("CRC time-out") << "crc_timeout.ini" << "crc"
                                      << "<p style=color:red>I2C Timeout!</p>" << RunEnd::EndAsFailed
                                      << false;
        // The panel refuses one transfer only: that item fails, the others pass.
        QTest::newRow("CRC alone not acknowledged") << "nack_crc.ini" << "crc"
                                                    << "<p style=color:red>I2C NO ACK!</p>" << RunEnd::EndAsFailed
                                                    << true;
        QTest::newRow("EEPROM not acknowledged") << "nack_eeprom.ini" << "eeprom" << "read eeprom_Version: FAIL"
                                                 << RunEnd::Continue << true;
        QTest::newRow("TB not acknowledged") << "nack_tb.ini" << "tb" << "TB_Test: FAIL" << RunEnd::Continue << true;
        QTest::newRow("TB timed out") << "timeout_tb.ini" << "tb" << "TB_Test: FAIL" << RunEnd::Continue << true;
        QTest::newRow("attention register not acknowledged") << "nack_attention.ini" << "attb" << "Attb Test:FAIL"
                                                             << RunEnd::FileAsFailed << true;
        QTest::newRow("attention check answered short") << "short_attention.ini" << "attb" << "Attb Test:FAIL"
                                                        << RunEnd::FileAsFailed << true;
        QTest::newRow("bootloader read not acknowledged") << "nack_reset.ini" << "reset" << "Reset:FAIL"
                                                          << RunEnd::Continue << true;
    }
    void failingPanelFailsItsItem()
    {
        QFETCH(QString, file);
        QFETCH(QString, item);
        QFETCH(QString, pane);
        QFETCH(RunEnd, end);
        QFETCH(bool, othersPass);

        QString error;
        const auto panel = emulator::PanelDescription::load(
            QStringLiteral(KAVEL_SOURCE_DIR "/emulator/panels/") + file, &error);
        QVERIFY2(panel, qPrintable(error));
        PanelFixture f(*panel);
        QVERIFY(f.opened());
        useDemoProfile(f.store);

        const QList<ItemOutcome> o = runAll(f);
        const int index = int(ItemNames.indexOf(item));
        QCOMPARE(o[index].paneLines, QStringList{pane});
        QCOMPARE(o[index].end, end);
        if (end == RunEnd::EndAsFailed)
            QVERIFY(o[index].block.isEmpty());
        QVERIFY(!o[index].pass);
        for (int i = 0; i < o.size(); ++i) {
            if (i == index)
                continue;
            QVERIFY(o[i].ran);
            if (othersPass)
                QVERIFY2(o[i].pass && o[i].end == RunEnd::Continue, qPrintable(ItemNames[i]));
        }
    }

    void boardGoneFailsEveryItem_data()
    {
        QTest::addColumn<bool>("silent");
        QTest::newRow("pulled out") << false;
        QTest::newRow("fallen silent") << true;
    }
    void boardGoneFailsEveryItem()
    {
        QFETCH(bool, silent);
        PanelFixture f{emulator::PanelDescription()};
        QVERIFY(f.opened());
        useDemoProfile(f.store);
        // A watch from before the fault, as the run's; the handle stays open,
        // as it does until the system reports the removal.
        const device::link::Watch run;
        emulator::Faults faults;
        faults.silent = true;
        if (silent)
            f.board().setFaults(faults);
        else
            f.board().unplug();
        QVERIFY(f.board().startTrace(QStringLiteral("wire.txt")));
        const QList<ItemOutcome> o = runAll(f, run);
        f.board().stopTrace();
        // The first item fails on the failure values it read; the later ones no
        // longer ask the board and write nothing, since they measured nothing.
        const QStringList panes{"read Electric:0MA FAIL", "read Usb_Version: FAIL", "read CRC_Version: FAIL",
                                "read eeprom_Version: FAIL", "TB_Test: FAIL", "Attb Test:FAIL", "Reset:FAIL"};
        for (int i = 0; i < o.size(); ++i) {
            QVERIFY2(o[i].ran && !o[i].pass, qPrintable(ItemNames[i]));
            QCOMPARE(o[i].paneLines, QStringList{panes[i]});
            QCOMPARE(o[i].block, i == 0 ? QStringLiteral("Electric,FAIL,0MA,0MA,0MA\n") : QString());
        }
        QCOMPARE(o[5].end, RunEnd::FileAsFailed);
        // The electric item stopped asking after its first unanswered reading
        // (a silent board takes it; a pulled one gets nothing at all).
        QFile wire(QStringLiteral("wire.txt"));
        QVERIFY(wire.open(QIODevice::ReadOnly));
        QCOMPARE(wire.readAll().count(" out "), silent ? 1 : 0);
    }

    void tbOnTheBoard_data()
    {
        QTest::addColumn<QString>("readings");
        QTest::addColumn<bool>("pass");
        QTest::addColumn<QString>("block");
        QTest::addColumn<int>("measurements");
        QTest::newRow("not ready twice, one above") << "2048,700,2048,900,650,640,630" << true
                                                    << "Tb_Value,PASS,700,900,650,640,630\n" << 7;
        QTest::newRow("never ready") << "2048" << false << "Tb_Value,FAIL,2048\n"
                                     << 1 + MaxTbRereads;
    }
    void tbOnTheBoard()
    {
        QFETCH(QString, readings);
        QFETCH(bool, pass);
        QFETCH(QString, block);
        QFETCH(int, measurements);
        emulator::PanelDescription panel;
        panel.tbReadings.clear();
        for (const QString &r : readings.split(QLatin1Char(',')))
            panel.tbReadings.push_back(r.toInt());
        PanelFixture f(panel);
        QVERIFY(f.opened());
        f.store.set("ModeSwitch/Tb_Mode", "1");
        f.store.set("Tb_value_thr", "800");

        const ItemOutcome o = tbItem(f.command(), f.store, device::link::Watch());
        QCOMPARE(o.pass, pass);
        QCOMPARE(o.block, block);
        QCOMPARE(o.paneLines, QStringList{pass ? "TB_Test: PASS" : "TB_Test: FAIL"});
        QCOMPARE(f.board().withBoard([](emulator::BridgeBoard &b) { return b.controller().tbMeasurements(); }),
                 measurements);
    }

    void versionCaseOnTheBoard_data()
    {
        QTest::addColumn<quint16>("crc");
        QTest::addColumn<QByteArray>("expectedCrc");
        QTest::addColumn<bool>("crcPass");
        QTest::addColumn<QByteArray>("expectedEeprom");
        QTest::addColumn<bool>("eepromPass");
        QTest::newRow("profile in lower case") << quint16(0x5A3C) << QByteArray("5a3c") << true
                                               << QByteArray("v1.0a") << false;
        QTest::newRow("a panel answering FFFF three times")
            << quint16(0xFFFF) << QByteArray("ffff") << true << QByteArray("V1.0A") << true;
        QTest::newRow("FFFF kept and compared") << quint16(0xFFFF) << QByteArray("5A3C") << false
                                                << QByteArray("V1.0A") << true;
    }
    void versionCaseOnTheBoard()
    {
        QFETCH(quint16, crc);
        QFETCH(QByteArray, expectedCrc);
        QFETCH(bool, crcPass);
        QFETCH(QByteArray, expectedEeprom);
        QFETCH(bool, eepromPass);
        emulator::PanelDescription panel;
        panel.crc = crc;
        PanelFixture f(panel);
        QVERIFY(f.opened());
        f.store.set("ModeSwitch/CRC_Version", "1");
        f.store.set("ModeSwitch/eeprom_Version", "1");
        f.store.set("CRC_Version", expectedCrc);
        f.store.set("eeprom_Version", expectedEeprom);

        const ItemOutcome c = crcVersionItem(f.command(), f.store, QStringLiteral("PASS"), device::link::Watch());
        QCOMPARE(c.pass, crcPass);
        const QString read = QString::number(crc, 16).toUpper();
        QCOMPARE(c.block, QStringLiteral("CRC_Version,%1,%2\n").arg(read, crcPass ? "PASS" : "FAIL"));
        const ItemOutcome e = eepromVersionItem(f.command(), f.store, device::link::Watch());
        QCOMPARE(e.pass, eepromPass);
        QCOMPARE(e.shownVersion, QStringLiteral("V1.0A"));
    }

    void switches_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<bool>("on");
        QTest::newRow("1") << QByteArray("1") << true;
        QTest::newRow("1 and a blank") << QByteArray("1 ") << false;
        QTest::newRow("blank and 1") << QByteArray(" 1") << false;
        QTest::newRow("01") << QByteArray("01") << false;
        QTest::newRow("true") << QByteArray("true") << false;
    }
    void switches()
    {
        QFETCH(QByteArray, value);
        QFETCH(bool, on);
        PanelFixture f(emulator::PanelDescription{});
        QVERIFY(f.opened());
        useDemoProfile(f.store);
        for (const char *key : {gate::Electric, gate::UsbVersion, gate::CrcVersion, gate::EepromVersion,
                                gate::Tb, gate::Attb, gate::Reset})
            f.store.set(key, value);
        const QList<ItemOutcome> o = runAll(f);
        for (int i = 0; i < o.size(); ++i) {
            QVERIFY2(o[i].ran == on, qPrintable(ItemNames[i]));
            if (!on)
                QVERIFY(o[i].block.isEmpty() && o[i].paneLines.isEmpty());
        }
        // Nothing was asked of the panel for an item that is off.
        const int measurements =
            f.board().withBoard([](emulator::BridgeBoard &b) { return b.controller().tbMeasurements(); });
        QCOMPARE(measurements > 0, on);
    }
};

QTEST_MAIN(TestProductionItems)
#include "tst_production_items.moc"
