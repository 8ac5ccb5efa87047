#include "boardharness.h"

#include <firmwareimage.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using emulator::FirmwareRecord;
using emulator::FirmwareSection;
using emulator::PanelDescription;
using emulator::RegisterMap;
using emulator::Report;

Q_DECLARE_METATYPE(emulator::RegisterMap)

namespace {

constexpr int kSilent = -1;

// The three parts of a record as the station sends them. order names the
// parts in the order they go out: "fml" is first, middle, last.
int sendRecord(BoardHarness &h, const FirmwareRecord &r, Report *answer, const char *order = "fml")
{
    int answers = 0;
    for (const char *p = order; *p; ++p) {
        Report part = req::bridge(0x06);
        if (*p == 'f') {
            part[2] = 0x01;
            std::copy_n(r.begin(), 60, part.begin() + 3);
        } else if (*p == 'm') {
            part[2] = 0x00;
            std::copy_n(r.begin() + 60, 60, part.begin() + 3);
        } else {
            part[2] = 0x02;
            std::copy_n(r.begin() + 120, 23, part.begin() + 3);
        }
        answers += h.send(part);
    }
    if (answer)
        *answer = h.last;
    return answers;
}

// Status byte of the bootloader's answer, or kSilent.
int statusOf(BoardHarness &h, const FirmwareRecord &r, const char *order = "fml")
{
    Report a{};
    const int n = sendRecord(h, r, &a, order);
    if (n == 0)
        return kSilent;
    return n == 1 ? a[3] : 0x100 + n;
}

std::uint16_t crcRead(BoardHarness &h)
{
    const Report a = h.exchange(req::i2cRead(0x3E, 2));
    return static_cast<std::uint16_t>(a[1] | a[2] << 8);
}

QByteArray eepromRead(BoardHarness &h)
{
    const Report a = h.exchange(req::i2cRead(0x40, 32));
    return QByteArray(reinterpret_cast<const char *>(a.data() + 1), 32);
}

// The records a station sends from an image file for one bootloader code:
// lines from the version line naming the code on (all lines before the first
// version line too), data lines of types 00 to 06 only.
std::vector<FirmwareRecord> selectRecords(const QByteArray &file, const QByteArray &code)
{
    std::vector<FirmwareRecord> out;
    bool inSection = false;
    bool skipping = false;
    for (const QByteArray &line : file.split('\n')) {
        const bool v = line.indexOf("VERSION") > 0;
        const bool c = !code.isEmpty() && line.indexOf(code) > 0;
        if (v && c) {
            inSection = true;
            skipping = false;
            continue;
        }
        if (v && !inSection && !code.isEmpty()) {
            skipping = true;
            continue;
        }
        if (skipping || !line.startsWith('$') || line.mid(1, 2).toInt(nullptr, 16) > 6)
            continue;
        const QByteArray bytes = QByteArray::fromHex(line.mid(1));
        FirmwareRecord r{};
        std::copy_n(bytes.constBegin(), std::min<qsizetype>(bytes.size(), 143), r.begin());
        out.push_back(r);
    }
    return out;
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestEmulatorBootloader : public QObject
{
    Q_OBJECT

private slots:
    void fullDownloadInstalls_data();
    void fullDownloadInstalls();
    void faults_data();
    void faults();
    void hungUntilReset();
    void imageFiles_data();
    void imageFiles();
    void samplesMatchGenerator_data();
    void samplesMatchGenerator();
};

void TestEmulatorBootloader::fullDownloadInstalls_data()
{
    QTest::addColumn<RegisterMap>("map");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("eepromAfter");

    QTest::newRow("with text") << RegisterMap::Standard << QByteArray("V2.0B") << QByteArray("V2.0B\0\0", 7);
    // The old text was longer: nothing of it may be left behind.
    QTest::newRow("shorter text") << RegisterMap::Standard << QByteArray("V2") << QByteArray("V2\0\0", 4);
    QTest::newRow("without text") << RegisterMap::Standard << QByteArray() << QByteArray("V1.0A\0", 6);
    // That controller keeps one character of text in front of its mode register.
    QTest::newRow("alternate map") << RegisterMap::Alternate << QByteArray("W3") << QByteArray("W\0", 2);
}

void TestEmulatorBootloader::fullDownloadInstalls()
{
    QFETCH(RegisterMap, map);
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, eepromAfter);
    PanelDescription p;
    p.registerMap = map;
    BoardHarness h(p);
    const FirmwareSection image = FirmwareSection::generate(0x48, 0x6B1D, text, 700, 3);
    QCOMPARE(image.crc(), std::uint16_t{0x6B1D});
    const std::vector<FirmwareRecord> records = image.records();

    for (std::size_t i = 0; i < records.size(); ++i) {
        if (i + 1 == records.size())
            QCOMPARE(crcRead(h), std::uint16_t{0x5A3C}); // nothing changes before the end record
        Report a{};
        QCOMPARE(sendRecord(h, records[i], &a), 1);
        QCOMPARE((std::vector<int>{a[1], a[2], a[3], a[4]}),
                 (std::vector<int>{records[i][0], int(i + 1), 0x00, 0x48}));
    }
    QCOMPARE(crcRead(h), std::uint16_t{0x6B1D});
    QCOMPARE(eepromRead(h).left(eepromAfter.size()), eepromAfter);

    // Flash outlives a power cycle.
    h.board.powerOn();
    QCOMPARE(crcRead(h), std::uint16_t{0x6B1D});
    QCOMPARE(h.unpaired, 0);
}

void TestEmulatorBootloader::faults_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("at");     // index of the record sent that goes wrong; -1 the end record
    QTest::addColumn<int>("status"); // its answer

    // 1 start, 6 data, 1 text, 1 end: nine records.
    QTest::newRow("refuse record 3") << "refuse" << 2 << 0x06;
    // The station takes any answer to the last record as success; the image is still not installed.
    QTest::newRow("refuse the end record") << "refuse" << 8 << 0x06;
    QTest::newRow("silent from record 4") << "silent" << 3 << kSilent;
    QTest::newRow("silent from the first") << "silent" << 0 << kSilent;
    QTest::newRow("garbled byte") << "garble" << 2 << 0x01;
    QTest::newRow("middle part missing") << "fl" << 3 << 0x02;
    QTest::newRow("parts swapped") << "mfl" << 3 << 0x02;
    QTest::newRow("image for another bootloader") << "other" << 0 << 0x03;
    QTest::newRow("a record type the station must skip") << "note" << 1 << 0x05;
    QTest::newRow("data records swapped") << "swap" << -1 << 0x04;
    QTest::newRow("a data record sent twice") << "twice" << -1 << 0x04;
}

void TestEmulatorBootloader::faults()
{
    QFETCH(QString, fault);
    QFETCH(int, at);
    QFETCH(int, status);
    PanelDescription p;
    if (fault == QLatin1String("refuse"))
        p.faults.refuseRecord = at + 1;
    if (fault == QLatin1String("silent"))
        p.faults.bootloaderSilentFrom = at + 1;
    BoardHarness h(p);
    const std::uint8_t code = fault == QLatin1String("other") ? 0x47 : 0x48;
    std::vector<FirmwareRecord> records = FirmwareSection::generate(code, 0x6B1D, "V9", 700, 4).records();
    QCOMPARE(records.size(), std::size_t{9});
    if (fault == QLatin1String("garble"))
        records[2][50] ^= 0x10;
    if (fault == QLatin1String("swap"))
        std::swap(records[2], records[3]);
    if (fault == QLatin1String("twice"))
        records.insert(records.begin() + 3, records[2]);
    if (fault == QLatin1String("note")) {
        FirmwareRecord note{};
        note[0] = 0x0F;
        emulator::sealRecord(note);
        records.insert(records.begin() + 1, note);
    }

    if (at < 0)
        at = int(records.size()) - 1;
    std::vector<int> statuses;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const bool partsFault = int(i) == at && (fault == QLatin1String("fl") || fault == QLatin1String("mfl"));
        statuses.push_back(statusOf(h, records[i], partsFault ? fault.toLatin1().constData() : "fml"));
    }
    std::vector<int> expected(records.size(), 0);
    expected[std::size_t(at)] = status;
    if (status == kSilent)
        std::fill(expected.begin() + at, expected.end(), kSilent);
    else if (std::size_t(at) + 1 < records.size())
        expected.back() = 0x04; // something was refused on the way: the image is broken
    QCOMPARE(statuses, expected);
    QCOMPARE(crcRead(h), std::uint16_t{0x5A3C});
    QCOMPARE(eepromRead(h).left(6), QByteArray("V1.0A\0", 6));
}

// A bootloader that fell silent stays so until the controller is reset.
void TestEmulatorBootloader::hungUntilReset()
{
    PanelDescription p;
    p.faults.bootloaderSilentFrom = 2;
    BoardHarness h(p);
    const std::vector<FirmwareRecord> records = FirmwareSection::generate(0x48, 0x0102, {}, 300, 5).records();
    QCOMPARE(statusOf(h, records[0]), 0);
    QCOMPARE(statusOf(h, records[1]), kSilent);
    h.board.setFaults(emulator::Faults());
    QCOMPARE(statusOf(h, records[0]), kSilent);
    QCOMPARE(h.send(req::bridge(0x02, 0, 0x00)), 1);
    for (const FirmwareRecord &r : records)
        QCOMPARE(statusOf(h, r), 0);
    QCOMPARE(crcRead(h), std::uint16_t{0x0102});
}

void TestEmulatorBootloader::imageFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("bootloader");
    QTest::addColumn<QByteArray>("select"); // code the station selects by; empty: no selection
    QTest::addColumn<int>("firstStatus");
    QTest::addColumn<std::uint16_t>("crc");
    QTest::addColumn<QByteArray>("eeprom");

    const QString three = QStringLiteral(KAVEL_SOURCE_DIR "/tests/data/emulator/three-sections.qlx");
    const QString demo = QStringLiteral(KAVEL_SOURCE_DIR "/emulator/firmware/demo.qlx");
    QTest::newRow("first section") << three << 0x47 << QByteArray("47") << 0 << std::uint16_t{0x1111} << QByteArray("V4.7");
    // Sections after the matching one are sent too; they must not spoil it.
    QTest::newRow("middle section") << three << 0x48 << QByteArray("48") << 0 << std::uint16_t{0x6B1D} << QByteArray("V1.1A");
    QTest::newRow("last section, no text") << three << 0x49 << QByteArray("49") << 0 << std::uint16_t{0x2222} << QByteArray("V1.0A");
    // A station that ignores the version lines sends the first section to every bootloader.
    QTest::newRow("no selection") << three << 0x48 << QByteArray() << 0x03 << std::uint16_t{0x5A3C} << QByteArray("V1.0A");
    QTest::newRow("demo image") << demo << 0x4A << QByteArray("4A") << 0 << std::uint16_t{0x5A3C} << QByteArray("V1.0A");
}

void TestEmulatorBootloader::imageFiles()
{
    QFETCH(QString, file);
    QFETCH(int, bootloader);
    QFETCH(QByteArray, select);
    QFETCH(int, firstStatus);
    QFETCH(std::uint16_t, crc);
    QFETCH(QByteArray, eeprom);
    const QByteArray text = readFile(file);
    QVERIFY2(!text.isEmpty(), qPrintable(file));
    for (const QByteArray &line : text.split('\n'))
        if (line.startsWith('$'))
            QCOMPARE(line.size(), 287);

    PanelDescription p;
    p.bootloader[3] = static_cast<std::uint8_t>(bootloader);
    p.crc = 0x0000; // not what the image brings, whatever it is
    BoardHarness h(p);
    const std::vector<FirmwareRecord> records = selectRecords(text, select);
    QVERIFY(records.size() > 3);
    QCOMPARE(statusOf(h, records[0]), firstStatus);
    for (std::size_t i = 1; i < records.size() && firstStatus == 0; ++i)
        QCOMPARE(statusOf(h, records[i]), 0);
    QCOMPARE(crcRead(h), firstStatus == 0 ? crc : std::uint16_t{0x0000});
    QCOMPARE(eepromRead(h).left(eeprom.size() + 1), eeprom + '\0');
}

void TestEmulatorBootloader::samplesMatchGenerator_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("three sections") << QStringLiteral(KAVEL_SOURCE_DIR "/tests/data/emulator/three-sections.qlx")
                                    << QStringList{"--size", "512", "--seed", "5", "OUT", "47:1111:V4.7", "48:6B1D:V1.1A", "49:2222"};
    QTest::newRow("demo") << QStringLiteral(KAVEL_SOURCE_DIR "/emulator/firmware/demo.qlx")
                          << QStringList{"--size", "8192", "OUT", "47:5A3C:V1.0A", "48:5A3C:V1.0A", "49:5A3C:V1.0A", "4A:5A3C:V1.0A"};
}

// The shipped images are what the generator makes with the arguments in the
// README, so they can be made again after the record format changes.
void TestEmulatorBootloader::samplesMatchGenerator()
{
    QFETCH(QString, file);
    QFETCH(QStringList, arguments);
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("made.qlx"));
    QProcess gen;
    QStringList args = arguments;
    args.replace(args.indexOf(QStringLiteral("OUT")), out);
    gen.start(QStringLiteral(KAVEL_BINARY_DIR "/emulator/kavel-qlx-gen"), args);
    QVERIFY(gen.waitForFinished(20000));
    QCOMPARE(gen.exitCode(), 0);
    QCOMPARE(readFile(out), readFile(file));
}

QTEST_GUILESS_MAIN(TestEmulatorBootloader)
#include "tst_emulator_bootloader.moc"
