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
    void keys_data();
    void keys();
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

// One key at a time: its text in the file and what the description holds then.
void TestEmulatorPanel::keys_data()
{
    QTest::addColumn<QString>("ini");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("expected");

    QTest::newRow("ids in hex") << "[bridge]\nvendor_id=0x1234\nproduct_id=0xABCD\n" << "ids" << "1234:abcd";
    QTest::newRow("ids in decimal") << "[bridge]\nvendor_id=4660\n" << "ids" << "1234:e0a1";
    QTest::newRow("firmware version") << "[bridge]\nfirmware_version=X9.9\n" << "usb" << "X9.9";
    QTest::newRow("current") << "[bridge]\ncurrent_ma=33\n" << "raw" << "0";
    QTest::newRow("alternate map") << "[panel]\nregister_map=Alternate\n" << "map" << "alternate";
    QTest::newRow("counts out of range") << "[panel]\nx_electrodes=80\ny_electrodes=0\n" << "counts" << "80x0";
    QTest::newRow("crc is hex text") << "[panel]\ncrc=1234\n" << "crc" << "1234";
    QTest::newRow("eeprom with blank") << "[panel]\neeprom=\"V1 .0\"\n" << "eeprom" << "V1 .0";
    QTest::newRow("bootloader outside") << "[panel]\nbootloader=00,00,00,4B\n" << "boot" << "4b";
    QTest::newRow("tb readings") << "[panel]\ntb_readings=2048, 700,900\n" << "tb" << "2048,700,900";
    QTest::newRow("buttons signed, rest zero") << "[panel]\nbuttons=-1,127,-128\n" << "buttons" << "-1,127,-128,0,0,0,0,0";
    QTest::newRow("single electrodes") << "[debug]\nx_level=50\nx=1,2\n" << "debugx" << "1,2,50";
    QTest::newRow("faults") << "[faults]\ni2c_nack=true\nsilent=1\nattention_line=yes\n" << "faults" << "nack,silent,attention";
}

void TestEmulatorPanel::keys()
{
    QFETCH(QString, ini);
    QFETCH(QString, field);
    QFETCH(QString, expected);
    QString error;
    const auto p = PanelDescription::load(writeIni(ini), &error);
    QVERIFY2(p.has_value(), qPrintable(error));

    QString actual;
    if (field == QLatin1String("ids")) {
        actual = QStringLiteral("%1:%2").arg(p->vendorId, 4, 16, QLatin1Char('0')).arg(p->productId, 4, 16, QLatin1Char('0'));
    } else if (field == QLatin1String("usb")) {
        actual = QString::fromLatin1(p->firmwareVersion);
    } else if (field == QLatin1String("raw")) {
        actual = QString::number(p->rawCurrent());
    } else if (field == QLatin1String("map")) {
        actual = p->registerMap == RegisterMap::Alternate ? QStringLiteral("alternate") : QStringLiteral("standard");
    } else if (field == QLatin1String("counts")) {
        actual = QStringLiteral("%1x%2").arg(p->xElectrodes).arg(p->yElectrodes);
    } else if (field == QLatin1String("crc")) {
        actual = QString::number(p->crc, 16);
    } else if (field == QLatin1String("eeprom")) {
        actual = QString::fromLatin1(p->eeprom);
    } else if (field == QLatin1String("boot")) {
        actual = QString::number(p->bootloader[3], 16);
    } else if (field == QLatin1String("tb")) {
        QStringList s;
        for (int v : p->tbReadings)
            s << QString::number(v);
        actual = s.join(QLatin1Char(','));
    } else if (field == QLatin1String("buttons")) {
        QStringList s;
        for (std::int8_t v : p->buttons)
            s << QString::number(v);
        actual = s.join(QLatin1Char(','));
    } else if (field == QLatin1String("debugx")) {
        actual = QStringLiteral("%1,%2,%3").arg(p->debug.xAt(0)).arg(p->debug.xAt(1)).arg(p->debug.xAt(2));
    } else if (field == QLatin1String("faults")) {
        QStringList s;
        if (p->faults.i2cNack)
            s << QStringLiteral("nack");
        if (p->faults.i2cTimeout)
            s << QStringLiteral("timeout");
        if (p->faults.silent)
            s << QStringLiteral("silent");
        if (p->faults.attentionLine)
            s << QStringLiteral("attention");
        actual = s.join(QLatin1Char(','));
    }
    QCOMPARE(actual, expected);
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
