// The firmware image reader and the download against a scripted bootloader:
// which lines a file gives for a bootloader, what the reader refuses, the
// three parts of each record on the wire, and how the download ends.
#include "devicelink.h"
#include "firmwareimage.h"
#include "hidcommand.h"
#include "hidthreadboot.h"
#include "panelstate.h"
#include "scriptedtransport.h"
#include "settings.h"
#include "ui_vorlane.h"

#include <QtTest>
#include <QBuffer>
#include <QMainWindow>

#include <memory>

using namespace device;
using bridge::Report;

namespace {

// Record with type byte and an id in byte 1; the rest a pattern, so that a
// part cut in the wrong place shows.
firmware::Record makeRecord(int type, int id)
{
    firmware::Record r{};
    r[0] = static_cast<std::uint8_t>(type);
    r[1] = static_cast<std::uint8_t>(id);
    for (std::size_t i = 2; i < r.size(); ++i)
        r[i] = static_cast<std::uint8_t>(i * 7 + static_cast<std::size_t>(id));
    return r;
}

QByteArray recordHex(const firmware::Record &r)
{
    return QByteArray(reinterpret_cast<const char *>(r.data()), int(r.size())).toHex().toUpper();
}

// Lines of a test file: "rN" a record of type 00 with id N, "xN" one of type
// 0A (never sent), anything else as it stands.
QByteArray fileText(const QStringList &lines)
{
    QByteArray text;
    for (const QString &l : lines) {
        if (l.size() > 1 && (l[0] == 'r' || l[0] == 'x') && l[1].isDigit())
            text += '$' + recordHex(makeRecord(l[0] == 'r' ? 0x00 : 0x0A, l.mid(1).toInt()));
        else
            text += l.toLatin1();
        text += '\n';
    }
    return text;
}

// The selected lines in short: "D<id>" a record to send, "d" one skipped,
// "!" a pause, "o" anything else.
QString summary(const firmware::Image &image)
{
    QStringList parts;
    for (const firmware::Line &l : image.lines) {
        if (l.kind == firmware::Line::Data)
            parts << (l.sent ? QStringLiteral("D%1").arg(l.record[1]) : QStringLiteral("d"));
        else
            parts << (l.kind == firmware::Line::Pause ? QStringLiteral("!") : QStringLiteral("o"));
    }
    return parts.join(' ');
}

firmware::ReadResult readText(const QByteArray &text, const QString &code)
{
    QByteArray copy = text;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    return firmware::read(buffer, code);
}

QByteArray repeated(const QByteArray &line, int count)
{
    QByteArray text;
    for (int i = 0; i < count; ++i)
        text += line + '\n';
    return text;
}

// The bootloader's answer: status in byte 3, something else around it.
Report acknowledge(int status)
{
    return answerWith({{1, 0x0A}, {2, 0x1B}, {3, status}, {4, 0xFF}});
}

} // namespace

class TestDeviceFirmware : public QObject
{
    Q_OBJECT

private:
    ScriptedTransport *m_board = nullptr;
    std::unique_ptr<QMainWindow> m_window;
    Ui::VorlaneClass m_ui;
    Settings m_store;
    std::unique_ptr<HidCommand> m_cmd;
    QTemporaryDir m_dir;
    QStringList m_signals;

    QString writeFile(const QByteArray &text)
    {
        const QString path = m_dir.filePath(QStringLiteral("image.qlx"));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return QString();
        f.write(text);
        return path;
    }

    void listen(Qt::ConnectionType type = Qt::AutoConnection)
    {
        HidCommand *c = m_cmd.get();
        connect(c, &HidCommand::readline, this, [this](int n, int total) {
            m_signals << QStringLiteral("%1/%2").arg(n).arg(total);
        }, type);
        connect(c, &HidCommand::readAbout, this, [this] { m_signals << QStringLiteral("about"); }, type);
        connect(c, &HidCommand::GoCalibrte, this, [this] { m_signals << QStringLiteral("calibrate"); }, type);
        connect(c, &HidCommand::readBootFail, this,
                [this](const QString &t) { m_signals << QStringLiteral("fail:") + t; }, type);
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void init()
    {
        auto board = std::make_unique<ScriptedTransport>();
        m_board = board.get();
        m_board->setOpen(true);
        m_board->silent = true;
        link::install(std::move(board));
        m_store = Settings();
        m_window = std::make_unique<QMainWindow>();
        m_ui.setupUi(m_window.get());
        m_cmd = std::make_unique<HidCommand>(m_window.get(), &m_ui, &m_store);
        link::setConnected(1);
        m_signals.clear();
        listen();
    }
    void cleanup()
    {
        m_cmd.reset();
        m_window.reset();
        m_board = nullptr;
        link::install(nullptr);
        link::setConnected(0);
        firmware::setFilePath(QString());
        panel::setCalibrateFlag("0");
    }

    void selection_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("selected"); // "none": nothing selected

        QTest::newRow("no version line: everything") << QStringList{"r1", "!", "r2"} << "48" << "D1 ! D2";
        QTest::newRow("second section is ours")
            << QStringList{"#VERSION 47", "r1", "!", "#VERSION 48", "r2", "r3"} << "48" << "o D2 D3";
        QTest::newRow("lines before the first version line stay")
            << QStringList{"head", "r1", "#VERSION 47", "r2", "#VERSION 48", "r3"} << "48" << "o D1 o D3";
        QTest::newRow("after our section everything")
            << QStringList{"#VERSION 48", "r1", "#VERSION 47", "r2"} << "48" << "o D1 o D2";
        QTest::newRow("VERSION at position 0 is no version line")
            << QStringList{"VERSION 47", "r1", "VERSION 48", "r2"} << "48" << "o D1 o D2";
        QTest::newRow("the code at position 0 does not count")
            << QStringList{"48 VERSION", "r1"} << "48" << "none";
        QTest::newRow("bootloader unknown: the head only")
            << QStringList{"r1", "#VERSION 48", "r2"} << "NULL" << "D1";
        QTest::newRow("no bootloader read at all") << QStringList{"r1", "#VERSION 48", "r2"} << "" << "D1";
        QTest::newRow("types beyond 06 are kept, not sent") << QStringList{"r1", "x2", "r3"} << "48" << "D1 d D3";
        QTest::newRow("empty file") << QStringList{} << "48" << "none";
    }
    void selection()
    {
        QFETCH(QStringList, lines);
        QFETCH(QString, code);
        const firmware::ReadResult r = readText(fileText(lines), code);
        if (r.outcome == firmware::Outcome::NothingSelected)
            QTEST(QStringLiteral("none"), "selected");
        else
            QTEST(summary(r.image), "selected");
        QVERIFY(r.outcome == firmware::Outcome::Ok || r.outcome == firmware::Outcome::NothingSelected);
    }

    void recordsDecode()
    {
        // Lower-case digits, CR LF endings and text after the 286 digits.
        const firmware::Record rec = makeRecord(0x06, 0xAB);
        const QByteArray text = '$' + recordHex(rec).toLower() + "  ;tail\r\n!\r\n";
        const firmware::ReadResult r = readText(text, "48");
        QVERIFY(r.outcome == firmware::Outcome::Ok);
        QCOMPARE(summary(r.image), QStringLiteral("D171 !"));
        QVERIFY(r.image.lines[0].record == rec);
    }

    void limits_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("selected");

        const QByteArray good = fileText({"r1"}).trimmed();
        const int ok = int(firmware::Outcome::Ok);
        const int bad = int(firmware::Outcome::BadRecord);

        QByteArray shortRecord = good;
        shortRecord.chop(2);
        QTest::newRow("short record") << fileText({"r1", "!"}) + shortRecord + '\n' << bad << 3 << "";
        QByteArray notHex = good;
        notHex[100] = 'G';
        QTest::newRow("non-hex digit") << notHex + '\n' << bad << 1 << "";
        QTest::newRow("a short record of a skipped type is harmless")
            << QByteArray("$0A12\n$FF\n$\n") + good << ok << 0 << "d d d D1";
        QTest::newRow("2000 selected lines") << repeated("!", 1999) + good << ok << 0 << "";
        QTest::newRow("2001 selected lines") << repeated("!", 2000) + good
            << int(firmware::Outcome::TooManyLines) << 2001 << "";
        QTest::newRow("1201 data lines") << repeated(good, 1201)
            << int(firmware::Outcome::TooManyDataLines) << 1201 << "";
        QTest::newRow("dropped lines do not count")
            << "#VERSION 47\n" + repeated(good, 3000) + "#VERSION 48\n" + good << ok << 0 << "o D1";
        // The tail of an over-long line is never a line of its own: here it
        // would start with a pause, and a record fragment after it.
        const QByteArray longLine = '#' + QByteArray(1022, 'x') + "!" + good + QByteArray(3000, 'y');
        QTest::newRow("over-long line") << longLine + '\n' + good << ok << 0 << "o D1";
        QTest::newRow("over-long record line") << good + QByteArray(2000, 'F') + "\n!" << ok << 0 << "D1 !";
        QTest::newRow("no newline at the end") << good << ok << 0 << "D1";
    }
    void limits()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, outcome);
        QFETCH(QString, selected);
        const firmware::ReadResult r = readText(text, "48");
        QCOMPARE(int(r.outcome), outcome);
        if (r.outcome != firmware::Outcome::Ok)
            QTEST(r.fileLine, "line");
        else if (!selected.isEmpty())
            QCOMPARE(summary(r.image), selected);
    }

    void unreadableFile()
    {
        QVERIFY(firmware::readFile(m_dir.filePath("missing.qlx"), "48").outcome
                == firmware::Outcome::CannotOpen);
        QVERIFY(firmware::readFile(QString(), "48").outcome == firmware::Outcome::CannotOpen);
    }

    // Each record: three reports, then the acknowledgement read with 2000 ms.
    void recordOnTheWire()
    {
        firmware::setFilePath(writeFile(fileText({"r1", "r2"})));
        m_board->answers = {acknowledge(0), acknowledge(0)};
        m_cmd->downloadFirmware();

        QCOMPARE(m_signals, (QStringList{"1/2", "2/2", "about"}));
        const firmware::Record rec = makeRecord(0x00, 1);
        const QByteArray hex = recordHex(rec);
        auto spaced = [](const QByteArray &h) {
            QStringList s;
            for (int i = 0; i < h.size(); i += 2)
                s << QString::fromLatin1(h.mid(i, 2));
            return s.join(' ');
        };
        const QStringList first = {"> 02 06 01 " + spaced(hex.left(120)), "> 02 06 00 " + spaced(hex.mid(120, 120)),
                                   "> 02 06 02 " + spaced(hex.mid(240, 46)), "<"};
        QCOMPARE(m_board->events.size(), std::size_t(8));
        m_board->events.resize(4);
        const QString mismatch = wireMismatch(*m_board, first);
        QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
        QCOMPARE(m_board->events[3].timeoutMs, 2000);
        QVERIFY(m_ui.textBrowser->toPlainText().isEmpty());
    }

    void outcomes_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QList<int>>("answers"); // byte 3 per record; -1 silence
        QTest::addColumn<QStringList>("heard");
        QTest::addColumn<int>("recordsSent");

        const QStringList three{"r1", "r2", "r3"};
        QTest::newRow("all taken") << three << QList<int>{0, 0, 0}
            << QStringList{"1/3", "2/3", "3/3", "about"} << 3;
        QTest::newRow("1 to the last record still succeeds") << three << QList<int>{0, 0, 1}
            << QStringList{"1/3", "2/3", "3/3", "about"} << 3;
        QTest::newRow("refused record") << three << QList<int>{0, 1}
            << QStringList{"1/3", "fail:BootloadVersion:0a,1b,01,ff,"} << 2;
        QTest::newRow("silence") << three << QList<int>{0, -1}
            << QStringList{"1/3", "fail:read file error!"} << 2;
        QTest::newRow("ends with a pause: no about") << QStringList{"r1", "r2", "!"} << QList<int>{0, 0}
            << QStringList{"1/2", "2/2"} << 2;
        QTest::newRow("skipped type: not sent, not counted") << QStringList{"r1", "x2", "r3"}
            << QList<int>{0, 0} << QStringList{"1/3", "2/3", "about"} << 2;
        QTest::newRow("other lines do nothing") << QStringList{"; note", "r1", "; note"}
            << QList<int>{0} << QStringList{"1/1"} << 1;
        QTest::newRow("short record: nothing sent") << QStringList{"r1", "$0012"} << QList<int>{}
            << QStringList{"fail:file format error! line 2"} << 0;
        QTest::newRow("nothing for this bootloader: silent") << QStringList{"#VERSION 47", "r1"}
            << QList<int>{} << QStringList{} << 0;
    }
    void outcomes()
    {
        QFETCH(QStringList, lines);
        QFETCH(QList<int>, answers);
        QFETCH(QStringList, heard);
        QFETCH(int, recordsSent);
        firmware::setFilePath(writeFile(fileText(lines)));
        for (int a : answers)
            m_board->answers.push_back(a < 0 ? std::nullopt : std::optional<Report>(acknowledge(a)));
        m_cmd->downloadFirmware();
        QCOMPARE(m_signals, heard);
        QCOMPARE(int(m_board->writes().size()), 3 * recordsSent);
    }

    void selectsBySection()
    {
        // The bootloader read decides the section.
        m_board->answers = {answerWith({{1, 2}, {2, 1}, {4, 0x48}}), acknowledge(0)};
        QCOMPARE(m_cmd->readBootloadVersion(), QStringLiteral("BootloadVersion:02,01,00,48,"));
        firmware::setFilePath(writeFile(fileText({"#VERSION 47", "r1", "#VERSION 48", "r2"})));
        m_board->events.clear();
        m_cmd->downloadFirmware();
        QCOMPARE(m_signals, (QStringList{"1/1", "about"}));
        QCOMPARE(m_board->writes()[0][4], std::uint8_t(2));
    }

    void pauses()
    {
        firmware::setFilePath(writeFile(fileText({"r1", "!", "r2"})));
        m_board->answers = {acknowledge(0), acknowledge(0)};
        m_cmd->downloadFirmware();
        QCOMPARE(m_signals, (QStringList{"1/2", "2/2", "about"}));
        // Between the first answer and the next record's first part.
        QVERIFY(m_board->events[4].atMs - m_board->events[3].atMs >= 300);
    }

    void unreadableFileSaysNothing()
    {
        firmware::setFilePath(m_dir.filePath("missing.qlx"));
        m_cmd->downloadFirmware();
        firmware::setFilePath(m_dir.path()); // a folder
        m_cmd->downloadFirmware();
        QVERIFY(m_signals.isEmpty());
        QVERIFY(m_board->events.empty());
    }

    void calibrateFlag()
    {
        panel::setCalibrateFlag("1");
        firmware::setFilePath(writeFile(fileText({"r1"})));
        m_board->answers = {acknowledge(0)};
        m_cmd->downloadFirmware();
        QCOMPARE(m_signals, (QStringList{"1/1", "calibrate"}));
    }

    void failedPartWriteGoesOn()
    {
        firmware::setFilePath(writeFile(fileText({"r1"})));
        m_board->writeResults = {64, -1, 64};
        m_board->answers = {acknowledge(0)};
        m_cmd->downloadFirmware();
        QCOMPARE(m_signals, (QStringList{"1/1", "about"}));
        QCOMPARE(m_ui.textBrowser->toPlainText(), QStringLiteral("HidD_SetFeatureD2 is Fail !\n"));
    }

    // In the worker: signals arrive on the window's thread; a stop is taken
    // after the record in progress is answered, and nothing is said after it.
    void bootThread()
    {
        disconnect(m_cmd.get(), nullptr, this, nullptr);
        listen(Qt::QueuedConnection);
        firmware::setFilePath(writeFile(fileText({"r1", "r2", "r3"})));
        m_board->answers = {acknowledge(0), acknowledge(0), acknowledge(0)};
        HidThreadBoot thread(m_cmd.get());
        thread.start();
        QTRY_COMPARE(m_signals, (QStringList{"1/3", "2/3", "3/3", "about"}));
        QVERIFY(thread.wait(5000));

        m_signals.clear();
        m_board->events.clear();
        m_board->answers = {acknowledge(0), acknowledge(0), acknowledge(0)};
        m_board->onWrite = [&thread](int n, const Report &) {
            if (n == 4 + 9) // the second record's first part, counting the first download
                thread.requestStop();
        };
        thread.start();
        QVERIFY(thread.wait(5000));
        thread.stop();
        // Everything the worker said was posted before it ended.
        QTRY_COMPARE(m_signals, (QStringList{"1/3", "2/3"}));
        QCOMPARE(int(m_board->writes().size()), 6);
        QCOMPARE(m_board->readCount(), 2);
    }
};

QTEST_MAIN(TestDeviceFirmware)
#include "tst_device_firmware.moc"
