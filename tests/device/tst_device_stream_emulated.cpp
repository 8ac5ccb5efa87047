// The streams and the firmware download end to end against the emulated
// board: frames from the controller, forwarded touches and key codes, stopping
// in the middle of a block, what waits for a busy window, and an image that
// changes the panel's CRC.
#include "devicelink.h"
#include "firmwareimage.h"
#include "hidcommand.h"
#include "hidthread.h"
#include "hidthreadboot.h"
#include "hidthreaddebug.h"
#include "myusbhid.h"
#include "settings.h"
#include "stationids.h"
#include "streamkind.h"
#include "streammailbox.h"
#include "ui_vorlane.h"

#include <inprocesstransport.h>
#include <operatorscript.h>

#include <QtTest>
#include <QMainWindow>

#include <functional>
#include <mutex>

using namespace device;

class TestDeviceStreamEmulated : public QObject
{
    Q_OBJECT

private:
    emulator::InProcessTransport *m_board = nullptr;
    std::unique_ptr<QMainWindow> m_window;
    Ui::VorlaneClass m_ui;
    Settings m_store;
    std::unique_ptr<HidCommand> m_cmd;
    std::unique_ptr<MyUsbHid> m_usb;
    QTemporaryDir m_dir;
    QString m_oldDir;

    void attach(const emulator::PanelDescription &panel = emulator::PanelDescription())
    {
        auto board = std::make_unique<emulator::InProcessTransport>(panel);
        m_board = board.get();
        link::install(std::move(board));
        m_cmd = std::make_unique<HidCommand>(m_window.get(), &m_ui, &m_store);
        m_usb = std::make_unique<MyUsbHid>();
        QVERIFY(m_usb->findHidDevice());
        QVERIFY(m_usb->openDevice());
        QVERIFY(m_cmd->readXnYn());
    }

    // What the window does after stopping the threads: interrupt reports off,
    // then up to six reads of 300 ms while reports keep coming.
    void drain()
    {
        m_cmd->disableInterruptReport();
        bridge::Report scratch;
        for (int i = 0; i < 6 && bridge::receive(scratch, 300); ++i) {
        }
    }

    // Every request the trace shows was answered before the next one went
    // out. Requests without an answer (bridge reset, firmware parts) are not
    // used here.
    static QString unanswered(const QString &tracePath)
    {
        QFile file(tracePath);
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
            return QStringLiteral("no trace");
        bool open = false;
        int line = 0;
        while (!file.atEnd()) {
            const QString dir = QString::fromLatin1(file.readLine()).simplified().section(' ', 1, 1);
            ++line;
            if (dir == QLatin1String("out")) {
                if (open)
                    return QStringLiteral("request on line %1 sent before the previous one was answered").arg(line);
                open = true;
            } else if (dir == QLatin1String("in")) {
                open = false;
            }
        }
        return open ? QStringLiteral("the last request is still pending") : QString();
    }

    // A window busy elsewhere: this thread sleeps without taking any events
    // until the condition holds.
    static bool busyUntil(const std::function<bool()> &done, int timeoutMs)
    {
        QElapsedTimer clock;
        clock.start();
        while (!done()) {
            if (clock.elapsed() > timeoutMs)
                return false;
            QThread::msleep(5);
        }
        return true;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_oldDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir.path()));
        station::setBridgeIds({"1A86", "E0A1", "1A86", "E0A1"});
    }
    void cleanupTestCase() { QDir::setCurrent(m_oldDir); }

    void init()
    {
        m_store = Settings();
        m_store.set("x_electrodes", "30");
        m_store.set("y_electrodes", "20");
        m_store.set("CRC_Version", "5A3C");
        m_window = std::make_unique<QMainWindow>();
        m_ui.setupUi(m_window.get());
    }
    void cleanup()
    {
        m_usb.reset();
        m_cmd.reset();
        m_window.reset();
        m_board = nullptr;
        link::install(nullptr);
        link::setConnected(0);
        firmware::setFilePath(QString());
    }

    // Stopped while frames stream in (a frame takes far longer than the first
    // record with 1 ms per report): no request left pending, and the next
    // command gets its own answer.
    void stopMidStream_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("firstRecord");
        QTest::newRow("debug") << 1 << "X120,120,";
        QTest::newRow("M0") << 2 << "X100,100,";
        QTest::newRow("raster") << 3 << "S1000,1000,";
        QTest::newRow("internal raster") << 4 << "S800,800,";
        QTest::newRow("buttons") << 7 << "120,116,124,";
    }
    void stopMidStream()
    {
        QFETCH(int, kind);
        QFETCH(QString, firstRecord);
        attach();
        m_board->setLatency(emulator::LatencyModel::usbFullSpeed());
        const QString trace = m_dir.filePath(QStringLiteral("stream.txt"));
        QVERIFY(m_board->startTrace(trace));

        // Receives on this thread; its queued calls go with it.
        QObject context;
        QStringList records;
        auto keep = [&records](const QString &r) { records << r; };
        connect(m_cmd.get(), &HidCommand::readDebug, &context, keep);
        connect(m_cmd.get(), qOverload<const QString &>(&HidCommand::readBtnData), &context, keep);
        connect(m_cmd.get(), &HidCommand::readRaster, &context, keep);
        connect(m_cmd.get(), &HidCommand::readInternalRaster, &context, keep);

        stream::setDebugDataKind(kind);
        HidThreadDebug thread(m_cmd.get());
        thread.start();
        QTRY_VERIFY_WITH_TIMEOUT(!records.isEmpty(), 5000);
        thread.stop();
        m_board->stopTrace();
        QVERIFY2(records[0].startsWith(firstRecord), qPrintable(records[0]));

        const QString pending = unanswered(trace);
        QVERIFY2(pending.isEmpty(), qPrintable(pending));
        QCOMPARE(m_board->pendingReports(), std::size_t(0));
        QCOMPARE(m_cmd->readCrcVersion(), QStringLiteral("5A3C"));
    }

    void debugFramesKeepComing()
    {
        attach();
        QObject context;
        QStringList pairs;
        connect(m_cmd.get(), &HidCommand::readDebugD, &context, [&pairs](const QString &r) { pairs << r; });
        stream::setDebugDataKind(stream::kind::Debug);
        HidThreadDebug thread(m_cmd.get());
        thread.start();
        QTRY_VERIFY(pairs.size() >= 3);
        thread.stop();
        const QStringList parts = pairs[2].split(QStringLiteral("\r\n"));
        QCOMPARE(parts.size(), 2);
        QCOMPARE(int(parts[0].count(',')), 29);
        QCOMPARE(int(parts[1].count(',')), 19);
        QVERIFY(parts[1].startsWith(QStringLiteral("Y110,")));
    }

    // Touches and key codes forwarded between answers; after the stop and the
    // drain nothing stale reaches the next command.
    void touchesAndKeys()
    {
        attach();
        QObject context;
        QStringList records;
        connect(m_usb.get(), &MyUsbHid::HidData, &context, [&records](const QString &r) { records << r; });
        QVERIFY(m_cmd->setNormalMode());
        stream::setDebugDataKind(stream::kind::Touch);
        HidThread thread(m_usb.get());
        thread.start();
        m_cmd->enableInterruptReport(); // as the window does, right after the start
        m_board->setTouches({{1, 100, 200}});
        QTRY_VERIFY(records.contains(QStringLiteral("1,1,100,200,0,0,0,0,0,0,0,0,0,0,0,0,")));

        records.clear();
        stream::setDebugDataKind(stream::kind::KeyCodes);
        m_board->setTouches({});
        m_board->setKeys(0x04);
        QTRY_VERIFY(records.contains(QStringLiteral("4")));
        thread.stop();
        drain();
        QCOMPARE(m_board->pendingReports(), std::size_t(0));
        QCOMPARE(m_cmd->readCrcVersion(), QStringLiteral("5A3C"));
    }

    // A board with no bus time outruns a busy window: one frame waits, a newer
    // frame pushes it out whole, and the window takes whole frames only.
    void newestFramesStayWhole_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("recordsPerFrame");
        QTest::newRow("debug") << 1 << 3;
        QTest::newRow("M0") << 2 << 3;
        QTest::newRow("internal raster X") << 5 << 21;
        QTest::newRow("button signal") << 8 << 1;
    }
    void newestFramesStayWhole()
    {
        QFETCH(int, kind);
        QFETCH(int, recordsPerFrame);
        attach();
        QList<QStringList> frames;
        stream::Mailbox box(stream::Mailbox::Policy::NewestFrames, 1, [&frames](const stream::Mail &m) {
            if (m.startsFrame || frames.isEmpty())
                frames.append(QStringList());
            frames.last() << m.text;
        });
        const auto post = [&box](const QString &text, bool starts) { box.post({0, 0, text, starts}); };
        const auto direct = Qt::DirectConnection;
        connect(m_cmd.get(), &HidCommand::readDebug, &box, [post](const QString &t) { post(t, t.startsWith('X')); },
                direct);
        connect(m_cmd.get(), &HidCommand::readDebugD, &box, [post](const QString &t) { post(t, false); }, direct);
        connect(m_cmd.get(), qOverload<const QString &>(&HidCommand::readBtnData), &box,
                [post](const QString &t) { post(t, true); }, direct);
        connect(m_cmd.get(), &HidCommand::readRaster, &box, [post](const QString &t, int row) { post(t, row == 0); },
                direct);

        stream::setDebugDataKind(kind);
        HidThreadDebug thread(m_cmd.get());
        thread.start();
        const auto enough = std::uint64_t(4 * recordsPerFrame);
        QVERIFY(busyUntil([&] { return box.posted() >= enough; }, 5000));
        QVERIFY(box.dropped() > 0);
        QVERIFY2(box.mostPending() <= std::size_t(recordsPerFrame), qPrintable(QString::number(box.mostPending())));
        QTRY_VERIFY(frames.size() >= 3);
        thread.stop();
        QTRY_COMPARE(box.pending(), std::size_t(0));
        QCOMPARE(box.delivered() + box.dropped(), box.posted());

        frames.removeLast(); // the stop may have cut it short
        for (const QStringList &frame : frames) {
            QCOMPARE(frame.size(), recordsPerFrame);
            if (kind <= 2)
                QVERIFY(frame[0].startsWith('X') && frame[1].startsWith('Y') && frame[2] == frame[0] + "\r\n" + frame[1]);
            for (int row = 1; kind == 5 && row < recordsPerFrame; ++row)
                QVERIFY(frame[row].startsWith('R'));
        }
    }

    // Touch records are never dropped: while the window is busy the stream
    // thread waits and the reports wait in the board; a stop ends that wait.
    // With more records waiting than one delivery takes, the window takes
    // them over several deliveries, none lost or repeated at the splits.
    void touchRecordsUnderBackPressure_data()
    {
        QTest::addColumn<int>("limit");
        QTest::newRow("a few waiting") << 4;
        QTest::newRow("more than one delivery takes")
            << int(stream::Mailbox::MaxRecordsPerDelivery * 2 + stream::Mailbox::MaxRecordsPerDelivery / 2);
    }
    void touchRecordsUnderBackPressure()
    {
        QFETCH(int, limit);
        attach();
        QStringList taken;
        stream::Mailbox box(stream::Mailbox::Policy::EveryRecord, std::size_t(limit),
                            [&taken](const stream::Mail &m) { taken << m.text; });
        std::mutex readLock;
        QStringList read;
        connect(m_usb.get(), &MyUsbHid::HidData, &box, [&](const QString &t) {
            {
                std::lock_guard<std::mutex> lock(readLock);
                read << t;
            }
            box.post({0, 0, t, true});
        }, Qt::DirectConnection);
        const auto readCount = [&] {
            std::lock_guard<std::mutex> lock(readLock);
            return read.size();
        };
        QVERIFY(m_cmd->setNormalMode());
        stream::setDebugDataKind(stream::kind::Touch);
        HidThread thread(m_usb.get());
        thread.setMailbox(&box);
        thread.start();
        m_cmd->enableInterruptReport();
        // A scan every millisecond: the mailbox fills within a second whatever its size.
        m_board->setScanInterval(std::chrono::microseconds(1000));
        emulator::ScriptPlayer finger(*m_board);
        finger.play(emulator::script::borderTrace(1280, 800, 1000));

        for (int round = 0; round < 2; ++round) {
            // Full, and the board holds what the stream thread does not read meanwhile.
            QVERIFY(busyUntil([&] { return box.pending() >= std::size_t(limit) && m_board->pendingReports() >= 10; },
                              5000));
            QCOMPARE(box.pending(), std::size_t(limit));
            QCOMPARE(readCount(), taken.size() + limit);
            if (round == 0)
                QTRY_VERIFY(taken.size() >= limit + 30);
        }
        thread.requestStop();
        QVERIFY(thread.wait(2000));
        QTRY_COMPARE(box.pending(), std::size_t(0));
        QCOMPARE(box.mostPending(), std::size_t(limit));
        QCOMPARE(box.dropped(), std::uint64_t(0));
        QCOMPARE(taken, read);
        finger.stop();
        drain();
    }

    void download_data()
    {
        QTest::addColumn<int>("refuse");
        QTest::addColumn<int>("silentFrom");
        QTest::addColumn<QString>("ending"); // the last signal, as a pattern
        QTest::addColumn<QString>("crc");
        QTest::newRow("whole image") << 0 << 0 << "^about$" << "6B1D";
        QTest::newRow("refused record") << 5 << 0 << "^fail:BootloadVersion:([0-9a-f]{2},){4}$" << "5A3C";
        QTest::newRow("silent bootloader") << 0 << 4 << "^fail:read file error!$" << "5A3C";
    }
    void download()
    {
        QFETCH(int, refuse);
        QFETCH(int, silentFrom);
        QFETCH(QString, ending);
        QFETCH(QString, crc);
        attach();
        emulator::Faults faults;
        faults.refuseRecord = refuse;
        faults.bootloaderSilentFrom = silentFrom;
        m_board->setFaults(faults);
        QCOMPARE(m_cmd->readBootloadVersion(), QStringLiteral("BootloadVersion:02,01,00,48,"));
        firmware::setFilePath(QStringLiteral(KAVEL_SOURCE_DIR "/tests/data/emulator/three-sections.qlx"));

        QObject context;
        QStringList heard;
        connect(m_cmd.get(), &HidCommand::readline, &context, [&heard](int n, int total) {
            heard << QStringLiteral("%1/%2").arg(n).arg(total);
        });
        connect(m_cmd.get(), &HidCommand::readAbout, &context, [&heard] { heard << QStringLiteral("about"); });
        connect(m_cmd.get(), &HidCommand::readBootFail, &context,
                [&heard](const QString &t) { heard << QStringLiteral("fail:") + t; });
        HidThreadBoot thread(m_cmd.get());
        thread.start();
        QVERIFY(thread.wait(10000));
        QTRY_VERIFY(!heard.isEmpty() && QRegularExpression(ending).match(heard.last()).hasMatch());
        QVERIFY2(heard.size() > 1 || refuse == 1, qPrintable(heard.join(' ')));

        if (refuse || silentFrom)
            m_cmd->resetKavelC(); // the window resets the controller when the dialog closes without success
        m_store.set("CRC_Version", crc.toLatin1());
        QCOMPARE(m_cmd->readCrcVersion(), crc);
    }
};

QTEST_MAIN(TestDeviceStreamEmulated)
#include "tst_device_stream_emulated.moc"
