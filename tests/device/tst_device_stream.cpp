// The data streams against a scripted board: the records built from raw
// reports, the chunked requests on the wire, the failure texts, and the worker
// threads' start, pass and cooperative stop.
#include "devicelink.h"
#include "hidcommand.h"
#include "hidthread.h"
#include "hidthreaddebug.h"
#include "myusbhid.h"
#include "panelstate.h"
#include "scriptedtransport.h"
#include "settings.h"
#include "streamkind.h"
#include "streamrecord.h"
#include "ui_vorlane.h"

#include <QtTest>
#include <QMainWindow>

#include <QTimer>

#include <atomic>
#include <memory>
#include <optional>

using namespace device;
using bridge::Report;

Q_DECLARE_METATYPE(device::bridge::Report)

namespace {

// An answer carrying these 16-bit values, low byte first, from byte 1 on.
Report valuesAnswer(std::initializer_list<int> values)
{
    Report r{};
    std::size_t i = 1;
    for (int v : values) {
        const auto u = static_cast<std::uint16_t>(v);
        r[i++] = static_cast<std::uint8_t>(u & 0xFF);
        r[i++] = static_cast<std::uint8_t>(u >> 8);
    }
    return r;
}

// Requests and answers pair up: every write is followed by exactly one read,
// and the wire ends on a read.
QString unpairedExchange(const ScriptedTransport &board)
{
    const auto &ev = board.events;
    if (ev.empty())
        return QString();
    for (std::size_t i = 0; i < ev.size(); ++i) {
        const bool shouldWrite = i % 2 == 0;
        if ((ev[i].kind == ScriptedTransport::Event::Write) != shouldWrite)
            return QStringLiteral("event %1 breaks write/read pairs: %2").arg(i).arg(board.wire().join(", "));
    }
    if (ev.back().kind != ScriptedTransport::Event::Read)
        return QStringLiteral("a request is left without its answer");
    return QString();
}

int valueCount(const QString &record)
{
    return int(record.count(QLatin1Char(',')));
}

} // namespace

class TestDeviceStream : public QObject
{
    Q_OBJECT

private:
    ScriptedTransport *m_board = nullptr;
    std::unique_ptr<QMainWindow> m_window;
    Ui::VorlaneClass m_ui;
    Settings m_store;
    std::unique_ptr<HidCommand> m_cmd;

    QString pane() const { return m_ui.textBrowser->toPlainText(); }

private slots:
    void init()
    {
        auto board = std::make_unique<ScriptedTransport>();
        m_board = board.get();
        m_board->setOpen(true);
        link::install(std::move(board));
        m_window = std::make_unique<QMainWindow>();
        m_ui.setupUi(m_window.get());
        m_cmd = std::make_unique<HidCommand>(m_window.get(), &m_ui, &m_store);
        link::setConnected(1);
        stream::setDebugDataKind(0);
    }
    void cleanup()
    {
        m_cmd.reset();
        m_window.reset();
        m_board = nullptr;
        link::install(nullptr);
        link::setConnected(0);
        panel::setElectrodeCounts(0, 0);
    }

    void touchRecords_data()
    {
        QTest::addColumn<Report>("report");
        QTest::addColumn<QString>("record"); // "none": nothing is emitted

        QTest::newRow("count 0: still five slots") << Report{}
            << "0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,";
        QTest::newRow("count 6: not a touch report") << answerWith({{1, 6}, {3, 1}}) << "none";
        QTest::newRow("count 255") << answerWith({{1, 255}}) << "none";
        // Slot k: a at 3+5k (low) / 4+5k, b at 5+5k / 6+5k, id at 7+5k modulo 8.
        // The key code in byte 2 is not part of it.
        QTest::newRow("first and last slot")
            << answerWith({{1, 2}, {2, 0x44}, {3, 0x34}, {4, 0x12}, {5, 0x78}, {6, 0x05}, {7, 9},
                           {23, 0xFF}, {24, 0xFF}, {25, 1}, {26, 0}, {27, 0xFF}, {28, 0x77}})
            << "2,1,4660,1400,0,0,0,0,0,0,0,0,0,7,65535,1,";
        QTest::newRow("count 5") << answerWith({{1, 5}, {12, 0x0D}}) << "5,0,0,0,5,0,0,0,0,0,0,0,0,0,0,0,";
    }
    void touchRecords()
    {
        QFETCH(Report, report);
        const std::optional<QString> record = record::touchRecord(report);
        QTEST(record ? *record : QStringLiteral("none"), "record");
    }

    void keyCodeAndValues()
    {
        QCOMPARE(record::keyCodeText(answerWith({{1, 3}, {2, 0x81}})), QStringLiteral("129"));
        QCOMPARE(record::keyCodeText(Report{}), QStringLiteral("0"));

        // A count beyond what one answer carries, or odd, never reads past it.
        Report answer;
        answer.fill(0x01);
        QString text;
        record::appendValues(text, answer, 255, false);
        QCOMPARE(valueCount(text), 30);
        text.clear();
        record::appendValues(text, answer, 5, false);
        QCOMPARE(text, QStringLiteral("257,257,"));
        text.clear();
        record::appendValues(text, answer, -4, true);
        QVERIFY(text.isEmpty());
    }

    // Debug blocks: XN - 1 then YN - 1 values, in 60-byte chunks and a final
    // request for the rest, from the data window of the chosen register map.
    void debugBlockWire_data()
    {
        QTest::addColumn<int>("xn");
        QTest::addColumn<int>("yn");
        QTest::addColumn<int>("cf48");
        QTest::addColumn<bool>("alternate");
        QTest::addColumn<QStringList>("wire");

        const QString r = QStringLiteral("> 02 00 00 00 ");
        QTest::newRow("XN 31: a full chunk, then count 0") << 31 << 3 << 0 << false
            << QStringList{r + "8E 3C", "<", r + "CA 00", "<", r + "CA 04", "<"};
        QTest::newRow("XN 30: the rest only") << 30 << 2 << 0 << false
            << QStringList{r + "8E 3A", "<", r + "C8 02", "<"};
        QTest::newRow("XN 1: an empty X block is still asked for") << 1 << 2 << 0 << false
            << QStringList{r + "8E 00", "<", r + "8E 02", "<"};
        QTest::newRow("YN 31: Y block with count 0 at the end") << 2 << 31 << 0 << false
            << QStringList{r + "8E 02", "<", r + "90 3C", "<", r + "CC 00", "<"};
        QTest::newRow("79 x 79: registers wrap at 8 bits") << 79 << 79 << 0 << false
            << QStringList{r + "8E 3C", "<", r + "CA 3C", "<", r + "06 24", "<",
                           r + "2A 3C", "<", r + "66 3C", "<", r + "A2 24", "<"};
        QTest::newRow("CF48 1: window 0x48") << 79 << 2 << 1 << false
            << QStringList{r + "48 3C", "<", r + "84 3C", "<", r + "C0 24", "<", r + "E4 02", "<"};
        QTest::newRow("alternate kind waits 2 ms per answer") << 4 << 3 << 0 << true
            << QStringList{r + "8E 06", "~2", "<", r + "94 04", "~2", "<"};
    }
    void debugBlockWire()
    {
        QFETCH(int, xn);
        QFETCH(int, yn);
        QFETCH(int, cf48);
        QFETCH(bool, alternate);
        QFETCH(QStringList, wire);
        panel::setElectrodeCounts(xn, yn);
        m_cmd->setRegisterMapSelector(cf48);
        QSignalSpy debug(m_cmd.get(), &HidCommand::readDebug);
        QSignalSpy pair(m_cmd.get(), &HidCommand::readDebugD);

        QVERIFY(alternate ? m_cmd->readDebugDataAlt() : m_cmd->readDebugData());
        const QString mismatch = wireMismatch(*m_board, wire);
        QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));

        QCOMPARE(debug.count(), 2);
        const QString x = debug[0][0].toString();
        const QString y = debug[1][0].toString();
        QVERIFY(x.startsWith('X'));
        QVERIFY(y.startsWith('Y'));
        QCOMPARE(valueCount(x), xn - 1);
        QCOMPARE(valueCount(y), yn - 1);
        QCOMPARE(pair.count(), 1);
        QCOMPARE(pair[0][0].toString(), x + "\r\n" + y);
    }

    // Raster rows: row select, then XN + 1 values in chunks, 2 ms before each answer.
    void rasterWire_data()
    {
        QTest::addColumn<int>("xn");
        QTest::addColumn<int>("cf48");
        QTest::addColumn<QStringList>("wire");

        QTest::newRow("XN 29: a full chunk, then count 0") << 29 << 0
            << QStringList{"> 02 00 00 01 8B 02 00 00", "~2", "<", "> 02 00 00 00 8E 3C", "~2", "<",
                           "> 02 00 00 00 CA 00", "~2", "<",
                           "> 02 00 00 01 8B 02 01 00", "~2", "<", "> 02 00 00 00 8E 3C", "~2", "<",
                           "> 02 00 00 00 CA 00", "~2", "<"};
        QTest::newRow("CF48 1") << 2 << 1
            << QStringList{"> 02 00 00 01 45 02 00 00", "<", "> 02 00 00 00 48 06", "<",
                           "> 02 00 00 01 45 02 01 00", "<", "> 02 00 00 00 48 06", "<"};
    }
    void rasterWire()
    {
        QFETCH(int, xn);
        QFETCH(int, cf48);
        QFETCH(QStringList, wire);
        panel::setElectrodeCounts(xn, 1);
        m_cmd->setRegisterMapSelector(cf48);
        QSignalSpy raster(m_cmd.get(), &HidCommand::readRaster);
        QSignalSpy internal(m_cmd.get(), &HidCommand::readInternalRaster);

        QVERIFY(m_cmd->readRasterData());
        QString mismatch = wireMismatch(*m_board, wire);
        QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
        QCOMPARE(raster.count(), 2);
        QCOMPARE(internal.count(), 0);
        QVERIFY(raster[0][0].toString().startsWith('S'));
        QCOMPARE(raster[0][1].toInt(), 0);
        QVERIFY(raster[1][0].toString().startsWith('R'));
        QCOMPARE(raster[1][1].toInt(), 1);
        QCOMPARE(valueCount(raster[1][0].toString()), xn + 1);

        m_board->events.clear();
        QVERIFY(m_cmd->readInternalRasterData());
        mismatch = wireMismatch(*m_board, wire);
        QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
        QCOMPARE(raster.count(), 2);
        QCOMPARE(internal.count(), 2);
    }

    // Debug values are clamped to -255..255; raster values are not.
    void clamping()
    {
        m_board->defaultAnswer = valuesAnswer({-256, 300, -3, 0x7FFF});
        panel::setElectrodeCounts(5, 2);
        QSignalSpy debug(m_cmd.get(), &HidCommand::readDebug);
        QVERIFY(m_cmd->readDebugData());
        QCOMPARE(debug[0][0].toString(), QStringLiteral("X-255,255,-3,255,"));
        QCOMPARE(debug[1][0].toString(), QStringLiteral("Y-255,"));

        panel::setElectrodeCounts(3, 1);
        QSignalSpy raster(m_cmd.get(), &HidCommand::readRaster);
        QVERIFY(m_cmd->readRasterData());
        QCOMPARE(raster[0][0].toString(), QStringLiteral("S-256,300,-3,32767,"));
        QCOMPARE(raster[1][0].toString(), QStringLiteral("R-256,300,-3,32767,"));
    }

    void debugFailures_data()
    {
        QTest::addColumn<bool>("alternate");
        QTest::addColumn<int>("failedRead");
        QTest::addColumn<int>("records");
        QTest::addColumn<QString>("text");

        // XN 31, YN 62: X = one chunk and a count-0 request; Y = two chunks and
        // the rest. Reads 1, 2 are X; 3, 4, 5 are Y.
        QTest::newRow("X chunk: nothing, silently") << false << 1 << 0 << "";
        QTest::newRow("X rest: nothing, silently") << false << 2 << 0 << "";
        QTest::newRow("Y chunk: debug error1") << false << 4 << 1 << "debug error1";
        QTest::newRow("Y rest: debug error2") << false << 5 << 1 << "debug error2";
        QTest::newRow("alternate kind: no text") << true << 3 << 1 << "";
    }
    void debugFailures()
    {
        QFETCH(bool, alternate);
        QFETCH(int, failedRead);
        QFETCH(int, records);
        QFETCH(QString, text);
        panel::setElectrodeCounts(31, 62);
        for (int i = 1; i < failedRead; ++i)
            m_board->answers.push_back(Report{});
        m_board->answers.push_back(std::nullopt);
        QSignalSpy debug(m_cmd.get(), &HidCommand::readDebug);
        QSignalSpy pair(m_cmd.get(), &HidCommand::readDebugD);

        QVERIFY(!(alternate ? m_cmd->readDebugDataAlt() : m_cmd->readDebugData()));
        QCOMPARE(debug.count(), records);
        QCOMPARE(pair.count(), 0);
        QCOMPARE(pane(), text);
        // The pass ends at the failed answer.
        QCOMPARE(m_board->readCount(), failedRead);
        QCOMPARE(int(m_board->writes().size()), failedRead);
    }

    void rasterFailureKeepsEarlierRows()
    {
        panel::setElectrodeCounts(2, 3);
        // Row 0: select, data; row 1: select, data (fails).
        m_board->answers = {Report{}, Report{}, Report{}, std::nullopt};
        QSignalSpy raster(m_cmd.get(), &HidCommand::readRaster);
        QVERIFY(!m_cmd->readRasterData());
        QCOMPARE(raster.count(), 1);
        QCOMPARE(raster[0][1].toInt(), 0);
        QCOMPARE(int(m_board->writes().size()), 4);
        QVERIFY(pane().isEmpty());
    }

    void nothingBeforeIdentification_data()
    {
        QTest::addColumn<int>("xn");
        QTest::addColumn<int>("yn");
        QTest::addColumn<bool>("connected");
        QTest::newRow("counts 0") << 0 << 0 << true;
        QTest::newRow("YN negative") << 20 << -3 << true;
        QTest::newRow("not connected") << 20 << 12 << false;
    }
    void nothingBeforeIdentification()
    {
        QFETCH(int, xn);
        QFETCH(int, yn);
        QFETCH(bool, connected);
        panel::setElectrodeCounts(xn, yn);
        link::setConnected(connected ? 1 : 0);
        QVERIFY(!m_cmd->readDebugData());
        QVERIFY(!m_cmd->readDebugDataAlt());
        QVERIFY(!m_cmd->readRasterData());
        QVERIFY(!m_cmd->readInternalRasterData());
        QVERIFY(m_board->events.empty());
    }

    // Each kind: its mode, then its repeated read, until stopped.
    void debugThreadKinds_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("mode");  // mode bytes written first; empty: no run
        QTest::addColumn<QString>("first"); // the first request of the repeated read
        QTest::addColumn<QString>("signal");

        const QString rowSelect = "02 00 00 01 8B 02 00 00";
        QTest::newRow("1 debug") << 1 << "01 01" << "02 00 00 00 8E 02" << "readDebug";
        QTest::newRow("2 internal M0") << 2 << "09 01" << "02 00 00 00 8E 02" << "readDebug";
        QTest::newRow("3 raster X") << 3 << "85 01" << rowSelect << "readRaster";
        QTest::newRow("4 raster Y") << 4 << "C5 01" << rowSelect << "readInternalRaster";
        QTest::newRow("5 internal raster X") << 5 << "8D 01" << rowSelect << "readRaster";
        QTest::newRow("6 internal raster Y") << 6 << "CD 01" << rowSelect << "readInternalRaster";
        QTest::newRow("7 button data") << 7 << "01 01" << "02 00 00 00 2B 08" << "readBtnData";
        QTest::newRow("8 button signal") << 8 << "09 01" << "02 00 00 00 2B 08" << "readBtnData";
        QTest::newRow("9 is the interrupt stream's") << 9 << "" << "" << "";
        QTest::newRow("-1 is the interrupt stream's") << -1 << "" << "" << "";
        QTest::newRow("0") << 0 << "" << "" << "";
    }
    void debugThreadKinds()
    {
        QFETCH(int, kind);
        QFETCH(QString, mode);
        QFETCH(QString, first);
        QFETCH(QString, signal);
        panel::setElectrodeCounts(2, 1);
        stream::setDebugDataKind(kind);
        HidThreadDebug thread(m_cmd.get());
        // Mode, then enough requests for one record of every kind.
        m_board->onWrite = [&thread](int n, const Report &) {
            if (n == 4)
                thread.requestStop();
        };
        QSignalSpy debug(m_cmd.get(), &HidCommand::readDebug);
        QSignalSpy raster(m_cmd.get(), &HidCommand::readRaster);
        QSignalSpy internal(m_cmd.get(), &HidCommand::readInternalRaster);
        QSignalSpy buttons(m_cmd.get(), qOverload<const QString &>(&HidCommand::readBtnData));

        thread.start();
        QVERIFY(thread.wait(5000));
        if (mode.isEmpty()) {
            QVERIFY(m_board->events.empty());
            return;
        }
        const std::vector<Report> writes = m_board->writes();
        QCOMPARE(int(writes.size()), 4);
        QCOMPARE(hexOf(writes[0]), hexOf(reportFromHex("02 00 00 01 88 02 " + mode)));
        QCOMPARE(hexOf(writes[1]), hexOf(reportFromHex(first)));
        const QString unpaired = unpairedExchange(*m_board);
        QVERIFY2(unpaired.isEmpty(), qPrintable(unpaired));

        const std::map<QString, int> counts = {{"readDebug", int(debug.count())},
                                               {"readRaster", int(raster.count())},
                                               {"readInternalRaster", int(internal.count())},
                                               {"readBtnData", int(buttons.count())}};
        for (const auto &c : counts)
            QCOMPARE(c.second > 0, c.first == signal);
    }

    // A stop in the middle of a block ends the pass after the transaction in
    // progress: nothing pending, nothing more sent. A restart begins a fresh
    // block at its head.
    void stopMidBlockAndRestart_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("xn");
        QTest::addColumn<int>("yn");
        QTest::addColumn<int>("stopAt");      // the write during which the stop comes
        QTest::addColumn<QStringList>("head"); // what a fresh run sends first

        // XN 31, YN 62: mode, X chunk, X rest, Y chunk 0 (stop), Y chunk 1, Y rest.
        QTest::newRow("debug, in the Y block") << 1 << 31 << 62 << 4
            << QStringList{"02 00 00 01 88 02 01 01", "02 00 00 00 8E 3C", "02 00 00 00 CA 00"};
        // Mode, select row 0, row 0, select row 1 (stop), row 1, ...
        QTest::newRow("raster, between select and row") << 3 << 2 << 3 << 4
            << QStringList{"02 00 00 01 88 02 85 01", "02 00 00 01 8B 02 00 00", "02 00 00 00 8E 06"};
        QTest::newRow("internal raster, first row") << 4 << 2 << 3 << 2
            << QStringList{"02 00 00 01 88 02 C5 01", "02 00 00 01 8B 02 00 00", "02 00 00 00 8E 06"};
        // Stopped while the controller settles into the mode: the answer is
        // still read, but the settling time is not waited out.
        QTest::newRow("debug, during the mode switch") << 1 << 31 << 62 << 1
            << QStringList{"02 00 00 01 88 02 01 01", "02 00 00 00 8E 3C", "02 00 00 00 CA 00"};
        QTest::newRow("M0, during the mode switch") << 2 << 31 << 62 << 1
            << QStringList{"02 00 00 01 88 02 09 01", "02 00 00 00 8E 3C", "02 00 00 00 CA 00"};
    }
    void stopMidBlockAndRestart()
    {
        QFETCH(int, kind);
        QFETCH(int, xn);
        QFETCH(int, yn);
        QFETCH(int, stopAt);
        QFETCH(QStringList, head);
        panel::setElectrodeCounts(xn, yn);
        stream::setDebugDataKind(kind);
        HidThreadDebug thread(m_cmd.get());
        int stopAfter = stopAt;
        m_board->onWrite = [&thread, &stopAfter](int n, const Report &) {
            if (n == stopAfter)
                thread.requestStop();
        };

        thread.start();
        QVERIFY(thread.wait(5000));
        thread.stop();
        QCOMPARE(int(m_board->writes().size()), stopAt);
        QString unpaired = unpairedExchange(*m_board);
        QVERIFY2(unpaired.isEmpty(), qPrintable(unpaired));
        // The answer to the stopped request came before a mode switch's
        // settling time would have run out: the stop ended the wait, whatever
        // the wait was.
        const auto &stopped = m_board->events[std::size_t(2 * stopAt - 2)];
        const auto &answered = m_board->events[std::size_t(2 * stopAt - 1)];
        QVERIFY2(answered.atMs < stopped.atMs + HidCommand::DebugModeSettleMs,
                 qPrintable(QStringLiteral("answer read %1 ms after the request").arg(answered.atMs - stopped.atMs)));

        // Started again: mode, then the head of a block, not where it stopped.
        stopAfter = stopAt + int(head.size());
        thread.start();
        QVERIFY(thread.wait(5000));
        const std::vector<Report> writes = m_board->writes();
        QCOMPARE(int(writes.size()), stopAfter);
        QStringList restart;
        QStringList expected;
        for (std::size_t i = std::size_t(stopAt); i < writes.size(); ++i)
            restart << hexOf(writes[i]);
        for (const QString &h : head)
            expected << hexOf(reportFromHex(h));
        QCOMPARE(restart, expected);
        unpaired = unpairedExchange(*m_board);
        QVERIFY2(unpaired.isEmpty(), qPrintable(unpaired));
    }

    // A stop while the thread awaits an answer the board never gives: the
    // answer's time-out runs out on the thread, and the window's timers go on
    // meanwhile instead of the window freezing for it.
    void stopDuringASilentReadKeepsTheWindowTurning()
    {
        panel::setElectrodeCounts(31, 62);
        stream::setDebugDataKind(1);
        m_board->realTimeouts = true;
        m_board->answers = {std::nullopt};
        HidThreadDebug thread(m_cmd.get());
        std::atomic<bool> asked{false};
        m_board->onWrite = [&asked](int, const Report &) { asked = true; };
        thread.start();
        QTRY_VERIFY(asked.load());
        int ticks = 0;
        QTimer tick;
        connect(&tick, &QTimer::timeout, &tick, [&ticks] { ++ticks; });
        tick.start(50);
        QElapsedTimer clock;
        clock.start();
        thread.stop();
        QVERIFY(!thread.isRunning());
        // Most of the 2 s time-out was left when the stop came.
        QVERIFY2(clock.elapsed() > 1000, qPrintable(QString::number(clock.elapsed())));
        QVERIFY2(ticks >= 10, qPrintable(QStringLiteral("%1 ticks in %2 ms").arg(ticks).arg(clock.elapsed())));
        const QString unpaired = unpairedExchange(*m_board);
        QVERIFY2(unpaired.isEmpty(), qPrintable(unpaired));
    }

    // Texts for the message pane come from the worker, and arrive on the window's thread.
    void failureTextFromWorker()
    {
        panel::setElectrodeCounts(31, 62);
        stream::setDebugDataKind(1);
        // Mode, X chunk, X rest, then the Y chunk fails.
        m_board->answers = {Report{}, Report{}, Report{}, std::nullopt};
        HidThreadDebug thread(m_cmd.get());
        m_board->onWrite = [&thread](int n, const Report &) {
            if (n == 4)
                thread.requestStop();
        };
        thread.start();
        QTRY_COMPARE(pane(), QStringLiteral("debug error1"));
        thread.stop();
    }

    void interruptStream()
    {
        MyUsbHid usb;
        link::setConnected(1);
        QStringList records;
        QObject receiver;
        connect(&usb, &MyUsbHid::HidData, &receiver, [&records](const QString &r) { records << r; });

        m_board->answers = {Report{}, answerWith({{1, 1}, {2, 4}, {3, 0x10}}), answerWith({{1, 6}}),
                            answerWith({{1, 0}, {2, 4}})};
        m_board->silent = true;
        stream::setDebugDataKind(stream::kind::Touch);
        HidThread thread(&usb);
        thread.start();
        QTRY_COMPARE(records.size(), 2);
        QCOMPARE(records[0], QStringLiteral("1,0,16,0,0,0,0,0,0,0,0,0,0,0,0,0,"));
        QCOMPARE(records[1], QStringLiteral("0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,"));

        // The kind is looked at every pass: key codes from now on, "0" when
        // nothing came within the time-out.
        stream::setDebugDataKind(stream::kind::KeyCodes);
        QTRY_VERIFY(records.size() >= 3);
        thread.stop();
        QCOMPARE(records[2], QStringLiteral("0"));

        // Forwarding asked for once, 10 ms before its answer; after that the
        // stream only listens.
        const std::vector<Report> writes = m_board->writes();
        QCOMPARE(int(writes.size()), 1);
        QCOMPARE(hexOf(writes[0]), QStringLiteral("02 03 00 01"));
        QVERIFY(m_board->events[1].atMs - m_board->events[0].atMs >= 10);

        // Not connected: no stream at all.
        link::setConnected(0);
        m_board->events.clear();
        thread.start();
        QVERIFY(thread.wait(5000));
        QVERIFY(m_board->events.empty());
    }

    void keyCodes()
    {
        MyUsbHid usb;
        QSignalSpy data(&usb, &MyUsbHid::HidData);
        m_board->answers = {answerWith({{1, 1}, {2, 6}})};
        m_board->silent = true;
        usb.readKeyCode();
        usb.readKeyCode();
        QCOMPARE(data.count(), 2);
        QCOMPARE(data[0][0].toString(), QStringLiteral("6"));
        QCOMPARE(data[1][0].toString(), QStringLiteral("0"));
        for (const auto &e : m_board->events)
            QVERIFY(e.timeoutMs <= MyUsbHid::StreamTimeoutMs);
    }
};

QTEST_MAIN(TestDeviceStream)
#include "tst_device_stream.moc"
