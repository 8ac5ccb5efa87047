#include <paneldescription.h>

#include <QTemporaryDir>
#include <QtTest>

using emulator::PanelDescription;
using emulator::RegisterMap;

class TestEmulatorPanel : public QObject
{
    Q_OBJECT

private slots:
    void demoPanelLoads();
    void everyKeyIsRead();
    void rejected_data();
    void rejected();
    void missingFile();

private:
    QString writeIni(const QString &text);
    QTemporaryDir dir_;
    int files_ = 0;
};

QString TestEmulatorPanel::writeIni(const QString &text)
{
    const QString path = dir_.filePath(QStringLiteral("panel%1.ini").arg(++files_));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Text))
        return QString();
    f.write(text.toUtf8());
    return path;
}

void TestEmulatorPanel::demoPanelLoads()
{
    QString error;
    const auto p = PanelDescription::load(QStringLiteral(KAVEL_SOURCE_DIR "/emulator/panels/demo.ini"), &error);
    QVERIFY2(p.has_value(), qPrintable(error));
    QCOMPARE(p->vendorId, std::uint16_t{0x1A86});
    QCOMPARE(p->productId, std::uint16_t{0xE0A1});
    QCOMPARE(p->tbReadings.front(), 2048);
    QCOMPARE(p->rasterNoise, 12);
    QVERIFY(!p->faults.silent);
}

// Every key set away from its default: a key the loader misspells or drops
// keeps the default and shows here.
void TestEmulatorPanel::everyKeyIsRead()
{
    const QString ini = QStringLiteral(
        "[bridge]\nvendor_id=0x1234\nproduct_id=4660\nrelease=0x0200\nfirmware_version=X9.9\ncurrent_ma=33\n"
        "[panel]\nregister_map=Alternate\nx_electrodes=80\ny_electrodes=0\nx_res=0x0102\ny_res=77\n"
        "crc=1234\neeprom=\"V1 .0\"\nbootloader=00,01,02,4B\ntb_readings=2048, 700,900\nbuttons=-1,127,-128\n"
        "[debug]\nx_level=50\ny_level=51\nx=1,2\ny=-3\njitter=2\n"
        "[m0]\nx_level=60\ny_level=61\nx=4\ny=5,6\njitter=3\n"
        "[raster]\nlevel=-7\ninternal_level=8\nnoise=9\njitter=10\n"
        "[faults]\ni2c_nack=true\ni2c_timeout=on\nsilent=1\nattention_line=yes\nrefuse_record=12\n"
        "bootloader_silent_from=13\ni2c_nack_at=0x2B, window:debug,bootloader\ni2c_timeout_at=59\n"
        "short_answers=1,7\nshort_answer_bytes=5\n");
    QString error;
    const auto p = PanelDescription::load(writeIni(ini), &error);
    QVERIFY2(p.has_value(), qPrintable(error));

    QCOMPARE(p->vendorId, std::uint16_t{0x1234});
    QCOMPARE(p->productId, std::uint16_t{0x1234});
    QCOMPARE(p->release, std::uint16_t{0x0200});
    QCOMPARE(p->firmwareVersion, QByteArray("X9.9"));
    QCOMPARE(p->rawCurrent(), std::uint16_t{0});
    QCOMPARE(p->registerMap, RegisterMap::Alternate);
    QCOMPARE(int(p->xElectrodes), 80); // out of range for a panel, kept for the fault
    QCOMPARE(int(p->yElectrodes), 0);
    QCOMPARE(p->xResolution, std::uint16_t{0x0102});
    QCOMPARE(p->yResolution, std::uint16_t{77});
    QCOMPARE(p->crc, std::uint16_t{0x1234}); // hex digits as the station shows them
    QCOMPARE(p->eeprom, QByteArray("V1 .0"));
    QCOMPARE(int(p->bootloader[3]), 0x4B);
    QCOMPARE(p->tbReadings, (std::vector<int>{2048, 700, 900}));
    QCOMPARE(p->buttons, (std::array<std::int8_t, 8>{{-1, 127, -128, 0, 0, 0, 0, 0}}));
    QCOMPARE((std::vector<int>{p->debug.xAt(0), p->debug.xAt(1), p->debug.xAt(2), p->debug.yAt(0), p->debug.yAt(1)}),
             (std::vector<int>{1, 2, 50, -3, 51}));
    QCOMPARE((std::vector<int>{p->m0.xAt(0), p->m0.xAt(1), p->m0.yAt(1), p->m0.yAt(2)}), (std::vector<int>{4, 60, 6, 61}));
    QCOMPARE((std::vector<int>{p->rasterLevel, p->internalRasterLevel, p->rasterNoise}), (std::vector<int>{-7, 8, 9}));
    QCOMPARE((std::vector<int>{p->debugJitter, p->m0Jitter, p->rasterJitter}), (std::vector<int>{2, 3, 10}));
    QVERIFY(p->faults.i2cNack && p->faults.i2cTimeout && p->faults.silent && p->faults.attentionLine);
    QCOMPARE(p->faults.refuseRecord, 12);
    QCOMPARE(p->faults.bootloaderSilentFrom, 13);
    QCOMPARE(p->faults.nackAt.text(), QString("0x2B, bootloader, window:debug"));
    QCOMPARE(p->faults.timeoutAt.text(), QString("0x3B"));
    QCOMPARE(int(p->faults.shortAnswers), 0x82);
    QCOMPARE(p->faults.shortAnswerBytes, 5);
}

void TestEmulatorPanel::rejected_data()
{
    QTest::addColumn<QString>("ini");
    QTest::addColumn<QString>("key");

    QTest::newRow("misspelt fault") << "[faults]\ni2c_nak=true\n" << "faults/i2c_nak";
    QTest::newRow("unknown section") << "[panle]\nx_electrodes=3\n" << "panle/x_electrodes";
    QTest::newRow("count past a byte") << "[panel]\nx_electrodes=256\n" << "panel/x_electrodes";
    QTest::newRow("not a number") << "[panel]\ny_res=wide\n" << "panel/y_res";
    QTest::newRow("register map") << "[panel]\nregister_map=other\n" << "panel/register_map";
    QTest::newRow("bootloader three bytes") << "[panel]\nbootloader=00,00,48\n" << "panel/bootloader";
    QTest::newRow("button out of a byte") << "[panel]\nbuttons=128\n" << "panel/buttons";
    QTest::newRow("nine buttons") << "[panel]\nbuttons=1,2,3,4,5,6,7,8,9\n" << "panel/buttons";
    QTest::newRow("fault not a switch") << "[faults]\nsilent=maybe\n" << "faults/silent";
    QTest::newRow("version too long") << "[bridge]\nfirmware_version=W1234\n" << "bridge/firmware_version";
    QTest::newRow("empty tb list") << "[panel]\ntb_readings=\n" << "panel/tb_readings";
    QTest::newRow("negative record") << "[faults]\nrefuse_record=-1\n" << "faults/refuse_record";
    QTest::newRow("negative jitter") << "[raster]\njitter=-2\n" << "raster/jitter";
    QTest::newRow("a window mode misspelt") << "[faults]\ni2c_nack_at=window:dbug\n" << "faults/i2c_nack_at";
    QTest::newRow("a register past a byte") << "[faults]\ni2c_timeout_at=0x100\n" << "faults/i2c_timeout_at";
    QTest::newRow("short answers to command 8") << "[faults]\nshort_answers=8\n" << "faults/short_answers";
    QTest::newRow("a short answer of a whole report") << "[faults]\nshort_answer_bytes=64\n"
                                                      << "faults/short_answer_bytes";
}

void TestEmulatorPanel::rejected()
{
    QFETCH(QString, ini);
    QFETCH(QString, key);
    QString error;
    QVERIFY(!PanelDescription::load(writeIni(ini), &error).has_value());
    QVERIFY2(error.contains(key), qPrintable(error));
}

void TestEmulatorPanel::missingFile()
{
    QString error;
    QVERIFY(!PanelDescription::load(dir_.filePath(QStringLiteral("none.ini")), &error).has_value());
    QVERIFY(!error.isEmpty());
}

QTEST_GUILESS_MAIN(TestEmulatorPanel)
#include "tst_emulator_panel.moc"
