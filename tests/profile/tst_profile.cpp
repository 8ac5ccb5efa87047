#include "filemodesbind.h"
#include "settings.h"
#include "values.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

class TestProfile : public QObject
{
    Q_OBJECT

private:
    static void writeFile(const QString &path, const QByteArray &content)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
    }

private slots:
    void integerReading_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("plain") << QByteArray("42") << 42;
        QTest::newRow("blanks and sign") << QByteArray("  -17") << -17;
        QTest::newRow("plus sign") << QByteArray("+5") << 5;
        QTest::newRow("trailing text ignored") << QByteArray("12abc") << 12;
        QTest::newRow("decimal point stops") << QByteArray("3.9") << 3;
        QTest::newRow("no digits") << QByteArray("abc") << 0;
        QTest::newRow("empty") << QByteArray("") << 0;
        QTest::newRow("sign only") << QByteArray("-") << 0;
        QTest::newRow("largest int") << QByteArray("2147483647") << 2147483647;
        QTest::newRow("smallest int") << QByteArray("-2147483648") << (-2147483647 - 1);
        QTest::newRow("overflow reads 0") << QByteArray("2147483648") << 0;
        QTest::newRow("huge overflow reads 0") << QByteArray("99999999999999999999999") << 0;
    }
    void integerReading()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, expected);
        QCOMPARE(profile::toInt(text), expected);
    }

    void switchIsOnOnlyForExactlyOne_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("on");
        QTest::newRow("1") << QByteArray("1") << true;
        QTest::newRow("01") << QByteArray("01") << false;
        QTest::newRow("true") << QByteArray("true") << false;
        QTest::newRow("1 blank") << QByteArray("1 ") << false;
        QTest::newRow("blank 1") << QByteArray(" 1") << false;
        QTest::newRow("0") << QByteArray("0") << false;
        QTest::newRow("empty") << QByteArray("") << false;
    }
    void switchIsOnOnlyForExactlyOne()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, on);
        QCOMPARE(profile::isOn(text), on);
    }

    void decimalReading()
    {
        QCOMPARE(profile::toDecimal("20.5"), 20.5f);
        QCOMPARE(profile::toDecimal("garbage"), 0.0f);
    }

    void absentKeyReadsZeroAndSwitchesOff()
    {
        Settings s;
        QCOMPARE(s.value("ModeSwitch/Debug_Mode"), QByteArray("0"));
        QVERIFY(!profile::isOn(s.value("ModeSwitch/Debug_Mode")));
        ConfigParameter p("keep", "me");
        QVERIFY(!s.find("missing", p));
        QCOMPARE(p.value(), QByteArray("me"));
        s.set("x_res", "1024");
        QVERIFY(s.find("x_res", p));
        QCOMPARE(p.value(), QByteArray("1024"));
        s.set("x_res", "800");
        QCOMPARE(s.value("x_res"), QByteArray("800"));
        QCOMPARE(s.entries().size(), std::size_t(1));
    }

    void mapOrderIsBytewiseShorterFirst()
    {
        Settings s;
        s.set("b", "1");
        s.set("ab", "2");
        s.set("a", "3");
        s.set("ModeSwitch/X", "4");
        QList<QByteArray> names;
        for (const auto &e : s.entries())
            names << e.first;
        QCOMPARE(names, (QList<QByteArray>{"ModeSwitch/X", "a", "ab", "b"}));
    }

    void loadingMergesOverEarlierProfile()
    {
        QTemporaryDir dir;
        const QString a = dir.filePath("a.ini"), b = dir.filePath("b.ini");
        writeFile(a, "[General]\nx_res=1024\nCount_thr=3\n[ModeSwitch]\nDebug_Mode=1\n");
        writeFile(b, "[General]\nx_res=800\n");
        Settings s;
        s.load(a);
        s.load(b);
        QCOMPARE(s.value("x_res"), QByteArray("800"));
        QCOMPARE(s.value("Count_thr"), QByteArray("3"));
        QCOMPARE(s.value("ModeSwitch/Debug_Mode"), QByteArray("1"));
        s.load(dir.filePath("missing.ini"));
        QCOMPARE(s.value("x_res"), QByteArray("800"));
    }

    void damagedProfile_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("readable");
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<QByteArray>("xRes");
        QTest::addColumn<QByteArray>("tbMode");
        QTest::newRow("header without ]") << QByteArray("[General\nx_res=640\n[ModeSwitch]\nTb_Mode=1\n") << true
                                          << true << QByteArray("640") << QByteArray("1");
        QTest::newRow("cannot be read") << QByteArray("x_res=640\n") << false << false << QByteArray("1024")
                                        << QByteArray("0");
    }
    void damagedProfile()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, readable);
        QFETCH(bool, loaded);
        QFETCH(QByteArray, xRes);
        QFETCH(QByteArray, tbMode);
        QTemporaryDir dir;
        const QString path = dir.filePath("p.ini");
        writeFile(path, text);
        if (!readable)
            QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
        Settings s;
        s.set("x_res", "1024");
        FileModesBind modes;
        QCOMPARE(s.load(path), loaded);
        QCOMPARE(s.value("x_res"), xRes);
        QCOMPARE(s.value("ModeSwitch/Tb_Mode"), tbMode);
    }

    void saveKeepsKeysOnlyTheFileHas()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("p.ini");
        writeFile(path, "[General]\nonly_in_file=keep\nx_res=1\n");
        Settings s;
        s.set("x_res", "1280");
        s.set("ModeSwitch/Tb_Mode", "1");
        s.save(path);

        Settings back;
        back.load(path);
        QCOMPARE(back.value("only_in_file"), QByteArray("keep"));
        QCOMPARE(back.value("x_res"), QByteArray("1280"));
        QCOMPARE(back.value("ModeSwitch/Tb_Mode"), QByteArray("1"));
        // The section of a slashed key is the part before the slash.
        QSettings raw(path, QSettings::IniFormat);
        raw.beginGroup("ModeSwitch");
        QCOMPARE(raw.value("Tb_Mode").toString(), QString("1"));
        // Nothing but the profile is left in the folder: the write went through a
        // temporary file that was renamed over the old one.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"p.ini"});
    }

    void commaValuesSurviveTheRoundTrip()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("p.ini");
        // As Qt writes it (quoted) and as a person may type it (unquoted).
        writeFile(path, "[General]\nRowSetData=\"10,10/200,200/10/200\"\nhand=1,2,3\n");
        Settings s;
        s.load(path);
        QCOMPARE(s.value("RowSetData"), QByteArray("10,10/200,200/10/200"));
        QCOMPARE(s.value("hand"), QByteArray("1,2,3"));
        s.save(path);
        Settings back;
        back.load(path);
        QCOMPARE(back.value("RowSetData"), QByteArray("10,10/200,200/10/200"));
        QCOMPARE(back.value("hand"), QByteArray("1,2,3"));
    }

    void nonAsciiTextRoundTrips()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("p.ini");
        Settings s;
        const QByteArray folder = QString::fromUtf8("./结果/PASS").toLocal8Bit();
        s.set("LogPASS_Path", folder);
        s.save(path);
        Settings back;
        back.load(path);
        QCOMPARE(back.value("LogPASS_Path"), folder);
    }
};

QTEST_GUILESS_MAIN(TestProfile)
#include "tst_profile.moc"
