// The command set end to end against the emulated bridge board: the station's
// requests and the board's answers agree, for both register maps and for the
// faults a real line sees.
#include "devicelink.h"
#include "hidcommand.h"
#include "myusbhid.h"
#include "panelstate.h"
#include "settings.h"
#include "stationids.h"
#include "ui_vorlane.h"

#include <inprocesstransport.h>

#include <QtTest>
#include <QMainWindow>
#include <QMessageBox>

using namespace device;

class TestDeviceEmulated : public QObject
{
    Q_OBJECT

private:
    emulator::InProcessTransport *m_board = nullptr;
    std::unique_ptr<QMainWindow> m_window;
    Ui::VorlaneClass m_ui;
    Settings m_store;
    std::unique_ptr<HidCommand> m_cmd;
    QTemporaryDir m_dir;
    QString m_oldDir;

    // Plugs in a board with this panel, finds and opens it like the window does.
    void attach(const emulator::PanelDescription &panel)
    {
        auto board = std::make_unique<emulator::InProcessTransport>(panel);
        m_board = board.get();
        link::install(std::move(board));
        m_cmd = std::make_unique<HidCommand>(m_window.get(), &m_ui, &m_store);
        MyUsbHid usb;
        QVERIFY(usb.findHidDevice());
        QVERIFY(usb.openDevice());
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
        m_store.set("x_res", "1280");
        m_store.set("y_res", "800");
        m_store.set("CRC_Version", "5A3C");
        m_window = std::make_unique<QMainWindow>();
        m_ui.setupUi(m_window.get());
    }
    void cleanup()
    {
        m_cmd.reset();
        m_window.reset();
        m_board = nullptr;
        link::install(nullptr);
        link::setConnected(0);
    }

    void wholeCommandSet_data()
    {
        QTest::addColumn<bool>("alternate");
        QTest::newRow("standard map") << false;
        QTest::newRow("alternate map") << true;
    }
    void wholeCommandSet()
    {
        QFETCH(bool, alternate);
        emulator::PanelDescription panel;
        panel.registerMap = alternate ? emulator::RegisterMap::Alternate : emulator::RegisterMap::Standard;
        m_store.set("CF48", alternate ? "1" : "0");
        attach(panel);
        QCOMPARE(m_cmd->registerMapSelector(), alternate ? 1 : 0);

        m_cmd->writeRegister33();
        QCOMPARE(m_cmd->readUsbVersion(), QStringLiteral("W103"));
        QCOMPARE(m_ui.lineEdit->text(), QStringLiteral("W103"));
        QVERIFY(m_cmd->readXnYn());
        QCOMPARE(m_ui.XNEdit->text(), QStringLiteral("30"));
        QCOMPARE(panel::yn(), 20);
        QCOMPARE(m_cmd->readXnYnList(), (QStringList{"30", "20"}));
        QVERIFY(m_cmd->readResolution());
        QCOMPARE(m_ui.YResEdit->text(), QStringLiteral("800"));
        QCOMPARE(m_cmd->readResolutionList(), (QStringList{"1280", "800"}));
        QCOMPARE(m_cmd->readCrcVersion(), QStringLiteral("5A3C"));
        // The alternate map keeps one character of the EEPROM text.
        QCOMPARE(m_cmd->readEepromVersion(), alternate ? QStringLiteral("V") : QStringLiteral("V1.0A"));
        QCOMPARE(m_cmd->readBootloadVersion(), QStringLiteral("BootloadVersion:02,01,00,48,"));
        QCOMPARE(m_cmd->checkBootloadVersion(), QStringLiteral("PASS"));
        QCOMPARE(m_cmd->bootloaderCode(), QStringLiteral("48"));
        QVERIFY(qAbs(m_cmd->readElectric() - 18.0f) < 0.01f);
        QCOMPARE(m_cmd->readTbValue(), 650);
        QCOMPARE(m_cmd->attbTest(), QStringLiteral("PASS"));
        std::vector<int> buttons;
        QVERIFY(m_cmd->readBtnData(buttons));
        QCOMPARE(buttons, (std::vector<int>{120, 116, 124, 0, 0, 0, 0, 0}));
        QVERIFY(m_cmd->startCalibrate());
        QVERIFY(m_cmd->setRasterMode());
        QVERIFY(m_cmd->setInternalRasterModeAlt());
        QVERIFY(m_cmd->setNormalMode());

        m_cmd->disableInterruptReport();
        QVERIFY(!m_board->withBoard([](emulator::BridgeBoard &b) { return b.interruptReports(); }));
        m_cmd->enableInterruptReport();
        m_cmd->enableInterrupt();
        QVERIFY(m_board->withBoard([](emulator::BridgeBoard &b) { return b.interruptReports(); }));
        QVERIFY(m_board->withBoard([](emulator::BridgeBoard &b) { return b.interruptEnabled(); }));

        const int controllerResets = m_board->withBoard([](emulator::BridgeBoard &b) { return b.controllerResets(); });
        m_cmd->resetKavelC();
        m_cmd->resetKavelCDelayed();
        m_cmd->resetHid();
        QCOMPARE(m_board->withBoard([](emulator::BridgeBoard &b) { return b.controllerResets(); }),
                 controllerResets + 2);
        QCOMPARE(m_board->withBoard([](emulator::BridgeBoard &b) { return b.bridgeResets(); }), 1);

        // Every request was answered and every answer read: nothing left over.
        QCOMPARE(m_board->pendingReports(), std::size_t(0));
        QVERIFY(m_ui.textBrowser->toPlainText().isEmpty());
    }

    void wrongRegisterMap()
    {
        // A station set up for the other controller reads nonsense, as with a real panel.
        emulator::PanelDescription panel;
        panel.registerMap = emulator::RegisterMap::Alternate;
        attach(panel);
        QStringList boxes;
        QTimer closer;
        connect(&closer, &QTimer::timeout, this, [&boxes] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                boxes << box->text();
                box->done(0);
            }
        });
        closer.start(5);
        QVERIFY(!m_cmd->readXnYn());
        QCOMPARE(boxes, QStringList{"read XN,YN error!"});
    }

    void i2cFaults_data()
    {
        QTest::addColumn<bool>("nack");
        QTest::addColumn<bool>("timeout");
        QTest::addColumn<QString>("crc");
        QTest::newRow("no acknowledge") << true << false << "error1";
        QTest::newRow("time-out") << false << true << "error2";
    }
    void i2cFaults()
    {
        QFETCH(bool, nack);
        QFETCH(bool, timeout);
        attach(emulator::PanelDescription());
        emulator::Faults faults;
        faults.i2cNack = nack;
        faults.i2cTimeout = timeout;
        m_board->setFaults(faults);
        QTEST(m_cmd->readCrcVersion(), "crc");
    }

    void attentionLineFault()
    {
        attach(emulator::PanelDescription());
        emulator::Faults faults;
        faults.attentionLine = true;
        m_board->setFaults(faults);
        QCOMPARE(m_cmd->attbTest(), QStringLiteral("FAIL"));
    }

    void bootloaderOutOfRange()
    {
        emulator::PanelDescription panel;
        panel.bootloader = {{0x02, 0x01, 0x00, 0x4B}};
        attach(panel);
        QCOMPARE(m_cmd->checkBootloadVersion(), QStringLiteral("FAIL"));
        QCOMPARE(m_cmd->bootloaderCode(), QStringLiteral("4B"));
    }

    void silentBoard()
    {
        attach(emulator::PanelDescription());
        emulator::Faults faults;
        faults.silent = true;
        m_board->setFaults(faults);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(m_cmd->readCrcVersion(), QString());
        QVERIFY(clock.elapsed() >= bridge::AnswerTimeoutMs);
        QVERIFY(clock.elapsed() < bridge::AnswerTimeoutMs + 1000);
    }

    // While the GUI thread awaits a late answer its timers keep running, but
    // nothing they do may put a second exchange on the wire under the pending read.
    void lateAnswerKeepsTimersButRefusesASecondExchange()
    {
        attach(emulator::PanelDescription());
        emulator::Faults faults;
        faults.silent = true;
        m_board->setFaults(faults);
        int ticks = 0;
        int refused = 0;
        int read = 0;
        QTimer timer;
        timer.setInterval(100);
        connect(&timer, &QTimer::timeout, this, [&] {
            ++ticks;
            refused += bridge::send(bridge::request(bridge::SupplyCurrent, {})) ? 0 : 1;
            bridge::Report answer{};
            read += bridge::receive(answer, 50) ? 1 : 0;
        });
        const QString path = m_dir.filePath(QStringLiteral("late.txt"));
        QVERIFY(m_board->startTrace(path));
        timer.start();
        QCOMPARE(m_cmd->readCrcVersion(), QString());
        timer.stop();
        m_board->stopTrace();
        QVERIFY2(ticks >= 10, qPrintable(QString::number(ticks)));
        QCOMPARE(refused, ticks);
        QCOMPARE(read, 0);
        QFile trace(path);
        QVERIFY(trace.open(QIODevice::ReadOnly));
        const QByteArray wire = trace.readAll();
        QVERIFY(wire.contains(" out 02 00"));
        QVERIFY2(!wire.contains(" out 02 07"), wire.constData()); // no timer's request went out
        // Once the wait is over, exchanges go out again.
        QVERIFY(!bridge::guiThreadWaiting());
        QVERIFY(bridge::send(bridge::request(bridge::SupplyCurrent, {})));
    }

    void wireTraceOfElectrodeRead()
    {
        attach(emulator::PanelDescription());
        const QString path = m_dir.filePath(QStringLiteral("wire.txt"));
        QVERIFY(m_board->startTrace(path));
        QVERIFY(m_cmd->readXnYn());
        m_board->stopTrace();

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly | QIODevice::Text));
        QStringList lines;
        double previousMs = 0;
        double gapBeforeData = 0;
        while (!file.atEnd()) {
            const QString line = QString::fromLatin1(file.readLine()).trimmed();
            const double ms = line.section(' ', 0, 0).toDouble();
            lines << line.section(' ', 1).trimmed();
            if (lines.size() == 3)
                gapBeforeData = ms - previousMs;
            previousMs = ms;
        }
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0], QStringLiteral("out 02 00 00 01 88 02 02 00"));
        QCOMPARE(lines[1], QStringLiteral("in  02"));
        QCOMPARE(lines[2], QStringLiteral("out 02 00 00 00 8E 0D"));
        QVERIFY(lines[3].startsWith(QStringLiteral("in  02 1E 14")));
        QVERIFY2(gapBeforeData >= 100, qPrintable(QString::number(gapBeforeData)));
    }
};

QTEST_MAIN(TestDeviceEmulated)
#include "tst_device_emulated.moc"
