// The panel command set against a scripted board: the requests on the wire,
// the waits, the decoding, the checks against the profile and the texts the
// operator sees.
#include "devicelink.h"
#include "hidcommand.h"
#include "panelstate.h"
#include "scriptedtransport.h"
#include "settings.h"
#include "ui_vorlane.h"

#include <QtTest>
#include <QMainWindow>
#include <QMessageBox>

#include <functional>
#include <map>
#include <memory>

using namespace device;
using bridge::Report;

namespace {

QString flag(bool b)
{
    return b ? QStringLiteral("true") : QStringLiteral("false");
}

// Every operation by name, its result as text (lists joined with "|").
QString run(HidCommand &c, const QString &op)
{
    using Op = std::function<QString(HidCommand &)>;
    static const std::map<QString, Op> ops = {
        {"readXnYn", [](HidCommand &c) { return flag(c.readXnYn()); }},
        {"readXnYnList", [](HidCommand &c) { return c.readXnYnList().join('|'); }},
        {"readResolution", [](HidCommand &c) { return flag(c.readResolution()); }},
        {"readResolutionList", [](HidCommand &c) { return c.readResolutionList().join('|'); }},
        {"readCrcVersion", [](HidCommand &c) { return c.readCrcVersion(); }},
        {"readEepromVersion", [](HidCommand &c) { return c.readEepromVersion(); }},
        {"readUsbVersion", [](HidCommand &c) { return c.readUsbVersion(); }},
        {"readBootloadVersion", [](HidCommand &c) { return c.readBootloadVersion(); }},
        {"checkBootloadVersion", [](HidCommand &c) { return c.checkBootloadVersion(); }},
        {"readElectric", [](HidCommand &c) { return QString::number(c.readElectric()); }},
        {"readTbValue", [](HidCommand &c) { return QString::number(c.readTbValue()); }},
        {"attbTest", [](HidCommand &c) { return c.attbTest(); }},
        {"readBtnData", [](HidCommand &c) { std::vector<int> v; return flag(c.readBtnData(v)); }},
        {"startCalibrate", [](HidCommand &c) { return flag(c.startCalibrate()); }},
        {"writeRegister33", [](HidCommand &c) { c.writeRegister33(); return QString(); }},
        {"resetKavelC", [](HidCommand &c) { c.resetKavelC(); return QString(); }},
        {"resetKavelCDelayed", [](HidCommand &c) { c.resetKavelCDelayed(); return QString(); }},
        {"resetHid", [](HidCommand &c) { c.resetHid(); return QString(); }},
        {"enableInterrupt", [](HidCommand &c) { c.enableInterrupt(); return QString(); }},
        {"enableInterruptReport", [](HidCommand &c) { c.enableInterruptReport(); return QString(); }},
        {"disableInterruptReport", [](HidCommand &c) { c.disableInterruptReport(); return QString(); }},
        {"setNormalMode", [](HidCommand &c) { return flag(c.setNormalMode()); }},
        {"setDebugMode", [](HidCommand &c) { return flag(c.setDebugMode()); }},
        {"setDebugModeAlt", [](HidCommand &c) { return flag(c.setDebugModeAlt()); }},
        {"setRasterMode", [](HidCommand &c) { return flag(c.setRasterMode()); }},
        {"setRasterModeAlt", [](HidCommand &c) { return flag(c.setRasterModeAlt()); }},
        {"setInternalRasterMode", [](HidCommand &c) { return flag(c.setInternalRasterMode()); }},
        {"setInternalRasterModeAlt", [](HidCommand &c) { return flag(c.setInternalRasterModeAlt()); }},
    };
    const auto it = ops.find(op);
    if (it == ops.end())
        qFatal("no operation %s", qPrintable(op));
    return it->second(c);
}

// Answers the message boxes an operation opens, and remembers them.
class BoxCatcher : public QObject
{
public:
    QStringList seen; // "title|text"

    BoxCatcher()
    {
        m_timer.setInterval(5);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                seen << box->windowTitle() + '|' + box->text();
                box->done(0);
            }
        });
        m_timer.start();
    }

private:
    QTimer m_timer;
};

const QString EnableFailed = QStringLiteral("Send Kavel C interrupt Enable SetFeature failed!");
const QString EnableGaveUp = QStringLiteral("Send Kavel C interrupt Enable SetFeature time!");
const QString DisableFailed = QStringLiteral("Send Kavel C interrupt disable SetFeature failed!");

// The default panel: 20 x 12 electrodes, 800 x 480, CRC 0C14.
Report goodAnswer()
{
    return answerWith({{1, 20}, {2, 12}, {10, 0x20}, {11, 0x03}, {12, 0xE0}, {13, 0x01}});
}

} // namespace

class TestDeviceCommand : public QObject
{
    Q_OBJECT

private:
    ScriptedTransport *m_board = nullptr;
    std::unique_ptr<QMainWindow> m_window;
    Ui::VorlaneClass m_ui;
    Settings m_store;
    std::unique_ptr<HidCommand> m_cmd;

    QString pane() const { return m_ui.textBrowser->toPlainText(); }

    void makeCommand()
    {
        m_cmd = std::make_unique<HidCommand>(m_window.get(), &m_ui, &m_store);
        link::setConnected(1);
    }

private slots:
    void init()
    {
        auto board = std::make_unique<ScriptedTransport>();
        m_board = board.get();
        m_board->setOpen(true);
        m_board->defaultAnswer = goodAnswer();
        link::install(std::move(board));

        m_store = Settings();
        m_store.set("x_electrodes", "20");
        m_store.set("y_electrodes", "12");
        m_store.set("x_res", "800");
        m_store.set("y_res", "480");
        m_store.set("CRC_Version", "0c14");
        m_window = std::make_unique<QMainWindow>();
        m_ui.setupUi(m_window.get());
        makeCommand();
    }
    void cleanup()
    {
        m_cmd.reset();
        m_window.reset();
        m_board = nullptr;
        link::install(nullptr);
        link::setConnected(0);
    }

    void construction()
    {
        m_store.set("CF48", "1");
        m_store.set("x_electrodes", "33");
        m_store.set("y_electrodes", "21");
        m_store.set("x_res", "1024");
        m_store.set("y_res", "600");
        m_store.set("CalibrateFlag", "1");
        link::setConnected(1);
        HidCommand cmd(m_window.get(), &m_ui, &m_store);
        QCOMPARE(link::connected(), std::uint8_t(0));
        QCOMPARE(cmd.registerMapSelector(), 1);
        QCOMPARE(panel::xn(), 33);
        QCOMPARE(panel::yn(), 21);
        QCOMPARE(panel::xResolution(), 1024);
        QCOMPARE(panel::yResolution(), 600);
        QCOMPARE(panel::calibrateFlag(), QByteArray("1"));
        QCOMPARE(cmd.bootloaderCode(), QStringLiteral("NULL"));

        // Before any profile is loaded the store answers "0" for everything.
        Settings empty;
        HidCommand bare(m_window.get(), &m_ui, &empty);
        QCOMPARE(bare.registerMapSelector(), 0);
        QCOMPARE(panel::xn(), 0);
        QCOMPARE(panel::calibrateFlag(), QByteArray("0"));
    }

    void exchanges_data()
    {
        QTest::addColumn<QString>("op");
        QTest::addColumn<int>("cf48");
        QTest::addColumn<QStringList>("wire");
        QTest::addColumn<QString>("result");

        const QString modeInfo = "> 02 00 00 01 88 02 02 00";
        QTest::newRow("readXnYn") << "readXnYn" << 0
            << QStringList{modeInfo, "<", "~100", "> 02 00 00 00 8E 0D", "<"} << "true";
        QTest::newRow("readXnYn, CF48 1") << "readXnYn" << 1
            << QStringList{"> 02 00 00 01 42 02 02 00", "<", "~100", "> 02 00 00 00 48 0D", "<"} << "true";
        QTest::newRow("readXnYnList") << "readXnYnList" << 0
            << QStringList{modeInfo, "<", "~100", "> 02 00 00 00 8E 0D", "<"} << "20|12";
        QTest::newRow("readResolution") << "readResolution" << 0
            << QStringList{modeInfo, "~10", "<", "> 02 00 00 00 8E 21", "<"} << "true";
        QTest::newRow("readResolutionList, CF48 1") << "readResolutionList" << 1
            << QStringList{"> 02 00 00 01 42 02 02 00", "~10", "<", "> 02 00 00 00 48 21", "<"} << "800|480";
        QTest::newRow("readCrcVersion") << "readCrcVersion" << 0
            << QStringList{"> 02 00 00 00 3E 02", "<"} << "0C14";
        QTest::newRow("readEepromVersion") << "readEepromVersion" << 0
            << QStringList{"> 02 00 00 00 40 20", "<"} << "";
        QTest::newRow("readUsbVersion") << "readUsbVersion" << 0
            << QStringList{"> 02 04", "~20", "<"} << "";
        QTest::newRow("readBootloadVersion") << "readBootloadVersion" << 0
            << QStringList{"> 02 00 02 00 00 04", "~50", "<"} << "BootloadVersion:14,0C,00,00,";
        QTest::newRow("checkBootloadVersion") << "checkBootloadVersion" << 0
            << QStringList{"> 02 00 02 00 00 04", "~50", "<", "> 02 02 00 00", "<"} << "FAIL";
        QTest::newRow("readElectric") << "readElectric" << 0
            << QStringList{"> 02 07", "<"} << QString::number(33.0 - 0x0C00 * 33.0 / 4096);
        QTest::newRow("readTbValue") << "readTbValue" << 0
            << QStringList{"> 02 00 00 01 3A 01 04", "<", "> 02 00 00 00 3B 02", "<"} << "3092";
        QTest::newRow("attbTest") << "attbTest" << 0
            << QStringList{"> 02 00 00 01 34 01 08", "~5", "<", "> 02 01 01", "<",
                           "> 02 00 00 01 34 01 0B", "<"} << "PASS";
        QTest::newRow("readBtnData") << "readBtnData" << 0
            << QStringList{"> 02 00 00 00 2B 08", "<"} << "true";
        QTest::newRow("startCalibrate") << "startCalibrate" << 0
            << QStringList{"> 02 00 00 01 3A 01 03", "<"} << "true";
        QTest::newRow("writeRegister33") << "writeRegister33" << 0
            << QStringList{"> 02 00 00 01 33 01 00", "<"} << "";
        QTest::newRow("resetKavelC") << "resetKavelC" << 0 << QStringList{"> 02 02 00 00", "<"} << "";
        QTest::newRow("resetKavelCDelayed") << "resetKavelCDelayed" << 0
            << QStringList{"> 02 02 00 00", "~5", "<"} << "";
        QTest::newRow("resetHid: no answer read") << "resetHid" << 0 << QStringList{"> 02 02 00 01"} << "";
        QTest::newRow("enableInterrupt") << "enableInterrupt" << 0 << QStringList{"> 02 03 00 00", "<"} << "";
        QTest::newRow("enableInterruptReport") << "enableInterruptReport" << 0
            << QStringList{"> 02 05 00 00", "~5", "<"} << "";
        QTest::newRow("disableInterruptReport") << "disableInterruptReport" << 0
            << QStringList{"> 02 05 00 01 01", "~5", "<"} << "";
        QTest::newRow("setNormalMode") << "setNormalMode" << 0
            << QStringList{"> 02 00 00 01 88 02 00 00", "<"} << "true";
        QTest::newRow("setNormalMode, CF48 1") << "setNormalMode" << 1
            << QStringList{"> 02 00 00 01 42 02 00 00", "<"} << "true";
        QTest::newRow("setDebugMode") << "setDebugMode" << 0
            << QStringList{"> 02 00 00 01 88 02 01 01", "~500", "<"} << "true";
        QTest::newRow("setDebugModeAlt, CF48 1") << "setDebugModeAlt" << 1
            << QStringList{"> 02 00 00 01 42 02 09 01", "~500", "<"} << "true";
        QTest::newRow("setRasterMode") << "setRasterMode" << 0
            << QStringList{"> 02 00 00 01 88 02 85 01", "~20", "<"} << "true";
        QTest::newRow("setRasterModeAlt") << "setRasterModeAlt" << 0
            << QStringList{"> 02 00 00 01 88 02 8D 01", "~20", "<"} << "true";
        QTest::newRow("setInternalRasterMode") << "setInternalRasterMode" << 0
            << QStringList{"> 02 00 00 01 88 02 C5 01", "~10", "<"} << "true";
        QTest::newRow("setInternalRasterModeAlt, CF48 1") << "setInternalRasterModeAlt" << 1
            << QStringList{"> 02 00 00 01 42 02 CD 01", "~10", "<"} << "true";
    }
    void exchanges()
    {
        QFETCH(QString, op);
        QFETCH(int, cf48);
        QFETCH(QStringList, wire);
        m_cmd->setRegisterMapSelector(cf48);
        QTEST(run(*m_cmd, op), "result");
        const QString mismatch = wireMismatch(*m_board, wire);
        QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
        for (const auto &e : m_board->events) {
            if (e.kind == ScriptedTransport::Event::Read)
                QCOMPARE(e.timeoutMs, bridge::AnswerTimeoutMs);
        }
        QVERIFY(pane().isEmpty());
    }

    void preconditions_data()
    {
        QTest::addColumn<QString>("op");
        QTest::addColumn<bool>("open");
        QTest::addColumn<bool>("connected");
        QTest::addColumn<bool>("sends");
        QTest::addColumn<QString>("result");

        // name, needs only the device (not the connected flag), result when refused
        struct Op
        {
            const char *name;
            bool handleOnly;
            const char *refused;
        };
        const Op ops[] = {
            {"readXnYn", false, "false"}, {"readXnYnList", false, ""},
            {"readResolutionList", false, ""}, {"readCrcVersion", false, ""},
            {"readEepromVersion", false, ""}, {"readUsbVersion", false, ""},
            {"readBootloadVersion", false, "BootloadVersion:"}, {"checkBootloadVersion", false, "FAIL"},
            {"readElectric", true, "0"}, {"readTbValue", false, "0"}, {"attbTest", true, "FAIL"},
            {"readBtnData", true, "false"}, {"startCalibrate", false, "false"},
            {"writeRegister33", true, ""}, {"resetKavelC", false, ""}, {"resetKavelCDelayed", false, ""},
            {"resetHid", false, ""}, {"enableInterrupt", false, ""}, {"enableInterruptReport", false, ""},
            {"disableInterruptReport", false, ""}, {"setNormalMode", true, "false"},
            {"setDebugMode", false, "false"}, {"setDebugModeAlt", false, "false"},
            {"setRasterMode", false, "false"}, {"setRasterModeAlt", false, "false"},
            {"setInternalRasterMode", false, "false"}, {"setInternalRasterModeAlt", false, "false"},
        };
        for (const Op &o : ops) {
            // A connected flag without an open device (discovery found the board
            // but nothing opened it) never reaches the transport.
            QTest::addRow("%s, not open", o.name) << o.name << false << true << false << o.refused;
            if (!o.handleOnly)
                QTest::addRow("%s, not connected", o.name) << o.name << true << false << false << o.refused;
            else
                QTest::addRow("%s, not connected", o.name) << o.name << true << false << true << "*";
        }
        QTest::newRow("readResolution, not open") << "readResolution" << false << true << false << "false";
        QTest::newRow("readResolution, not connected") << "readResolution" << true << false << false << "true";
    }
    void preconditions()
    {
        QFETCH(QString, op);
        QFETCH(bool, open);
        QFETCH(bool, connected);
        QFETCH(bool, sends);
        QFETCH(QString, result);
        m_board->setOpen(open);
        link::setConnected(connected ? 1 : 0);
        const QString got = run(*m_cmd, op);
        if (result != QLatin1String("*"))
            QCOMPARE(got, result);
        QCOMPARE(!m_board->events.empty(), sends);
    }

    void silentBoard_data()
    {
        QTest::addColumn<QString>("op");
        QTest::addColumn<QString>("result");
        QTest::addColumn<int>("reads");
        QTest::newRow("readXnYn") << "readXnYn" << "false" << 2;
        QTest::newRow("readXnYnList") << "readXnYnList" << "" << 2;
        QTest::newRow("readResolutionList") << "readResolutionList" << "" << 2;
        QTest::newRow("readCrcVersion") << "readCrcVersion" << "" << 1;
        QTest::newRow("readEepromVersion") << "readEepromVersion" << "" << 1;
        QTest::newRow("readUsbVersion") << "readUsbVersion" << "" << 1;
        QTest::newRow("readBootloadVersion") << "readBootloadVersion" << "BootloadVersion:" << 1;
        QTest::newRow("checkBootloadVersion") << "checkBootloadVersion" << "FAIL" << 1;
        QTest::newRow("readElectric") << "readElectric" << "0" << 1;
        QTest::newRow("readTbValue") << "readTbValue" << "0" << 2;
        QTest::newRow("attbTest") << "attbTest" << "FAIL" << 2;
        QTest::newRow("readBtnData") << "readBtnData" << "false" << 1;
        QTest::newRow("startCalibrate") << "startCalibrate" << "false" << 1;
        QTest::newRow("setNormalMode") << "setNormalMode" << "false" << 1;
        // A refused mode switch makes the run skip its item; a silent board must
        // fail the item on its data instead.
        QTest::newRow("setRasterMode") << "setRasterMode" << "true" << 1;
        QTest::newRow("enableInterrupt") << "enableInterrupt" << "" << 1;
        QTest::newRow("disableInterruptReport") << "disableInterruptReport" << "" << 1;
        QTest::newRow("resetKavelC") << "resetKavelC" << "" << 1;
    }
    void silentBoard()
    {
        QFETCH(QString, op);
        QFETCH(int, reads);
        m_board->silent = true;
        BoxCatcher boxes;
        QTEST(run(*m_cmd, op), "result");
        QCOMPARE(m_board->readCount(), reads);
        for (const auto &e : m_board->events) {
            if (e.kind == ScriptedTransport::Event::Read)
                QCOMPARE(e.timeoutMs, bridge::AnswerTimeoutMs);
        }
        QVERIFY(boxes.seen.isEmpty());
        QVERIFY(pane().isEmpty());
    }

    void silentBoardInRealTime()
    {
        m_board->silent = true;
        m_board->realTimeouts = true;
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!m_cmd->readXnYn());
        // Two answers it waited for (the mode write's and the data's), 100 ms between.
        const qint64 ms = clock.elapsed();
        QVERIFY2(ms >= 2 * bridge::AnswerTimeoutMs + 100, qPrintable(QString::number(ms)));
        QVERIFY2(ms < 2 * bridge::AnswerTimeoutMs + 1000, qPrintable(QString::number(ms)));
    }

    void electrodeCounts_data()
    {
        QTest::addColumn<int>("xn");
        QTest::addColumn<int>("yn");
        QTest::addColumn<QByteArray>("profileX");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("storedX");

        const QString rangeBox = "error|read XN,YN error!";
        QTest::newRow("as profiled") << 20 << 12 << QByteArray("20") << true << "" << "" << 20;
        QTest::newRow("79 accepted") << 79 << 12 << QByteArray("79") << true << "" << "" << 79;
        QTest::newRow("1 accepted") << 1 << 12 << QByteArray("1") << true << "" << "" << 1;
        QTest::newRow("0 rejected") << 0 << 12 << QByteArray("0") << false << rangeBox << "" << 20;
        QTest::newRow("80 rejected") << 80 << 12 << QByteArray("80") << false << rangeBox << "" << 20;
        QTest::newRow("YN 80 rejected") << 20 << 80 << QByteArray("20") << false << rangeBox << "" << 20;
        QTest::newRow("mismatch") << 21 << 12 << QByteArray("20") << false << "" << "XN,YN mismatch!" << 21;
    }
    void electrodeCounts()
    {
        QFETCH(int, xn);
        QFETCH(int, yn);
        QFETCH(QByteArray, profileX);
        QFETCH(QString, box);
        QFETCH(int, storedX);
        m_store.set("x_electrodes", profileX);
        m_board->defaultAnswer = answerWith({{1, xn}, {2, yn}});
        BoxCatcher boxes;
        QTEST(m_cmd->readXnYn(), "result");
        QCOMPARE(boxes.seen, box.isEmpty() ? QStringList() : QStringList{box});
        QTEST(pane(), "message");
        QCOMPARE(m_ui.XNEdit->text(), QString::number(xn));
        QCOMPARE(m_ui.YNEdit->text(), QString::number(yn));
        QCOMPARE(panel::xn(), storedX);

        // The list form decodes the same, but does not compare with the profile.
        m_ui.textBrowser->clear();
        boxes.seen.clear();
        const QStringList list = m_cmd->readXnYnList();
        const QStringList decoded{QString::number(xn), QString::number(yn)};
        QCOMPARE(list, box.isEmpty() ? decoded : QStringList());
        QCOMPARE(boxes.seen, box.isEmpty() ? QStringList() : QStringList{box});
        QVERIFY(pane().isEmpty());
    }

    void resolution_data()
    {
        QTest::addColumn<std::optional<Report>>("data");
        QTest::addColumn<QByteArray>("profileX");
        QTest::addColumn<bool>("result");
        QTest::addColumn<int>("storedX");
        QTest::addColumn<QString>("message");
        const Report wide = answerWith({{10, 0x00}, {11, 0x04}, {12, 0x58}, {13, 0x02}});
        QTest::newRow("as profiled") << std::optional<Report>(goodAnswer()) << QByteArray("800") << true << 800 << "";
        QTest::newRow("mismatch") << std::optional<Report>(wide) << QByteArray("800") << false << 1024
                                  << "xRes,yRes mismatch!";
        QTest::newRow("read failed, kept values match")
            << std::optional<Report>() << QByteArray("800") << true << 800 << "";
        QTest::newRow("read failed, kept values differ")
            << std::optional<Report>() << QByteArray("1024") << false << 800 << "xRes,yRes mismatch!";
    }
    void resolution()
    {
        QFETCH(std::optional<Report>, data);
        QFETCH(QByteArray, profileX);
        m_store.set("x_res", profileX);
        m_board->answers = {goodAnswer(), data};
        m_ui.XResEdit->setText("old");
        QTEST(m_cmd->readResolution(), "result");
        QTEST(panel::xResolution(), "storedX");
        QTEST(pane(), "message");
        QCOMPARE(m_ui.XResEdit->text(), data ? QString::number(panel::xResolution()) : QStringLiteral("old"));
    }

    void crcVersion_data()
    {
        QTest::addColumn<QStringList>("answers"); // CRC word, ":62"/":63" flags, "-" silent
        QTest::addColumn<QByteArray>("profile");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("requests");
        QTest::newRow("bytes 34 12") << QStringList{"1234"} << QByteArray("1234") << "1234" << 1;
        QTest::newRow("case ignored") << QStringList{"ABCD"} << QByteArray("abcd") << "ABCD" << 1;
        QTest::newRow("no ack") << QStringList{"1234:63"} << QByteArray("1234") << "error1" << 1;
        QTest::newRow("timeout") << QStringList{"1234:62"} << QByteArray("1234") << "error2" << 1;
        QTest::newRow("no ack wins") << QStringList{"1234:62:63"} << QByteArray("1234") << "error1" << 1;
        QTest::newRow("settles on third") << QStringList{"1111", "2222", "1234"} << QByteArray("1234") << "1234" << 3;
        QTest::newRow("settles on last re-read")
            << QStringList{"1111", "2222", "3333", "1234"} << QByteArray("1234") << "1234" << 4;
        QTest::newRow("never settles")
            << QStringList{"1111", "2222", "3333", "4444", "5555"} << QByteArray("1234") << "4444" << 4;
        QTest::newRow("re-read silent") << QStringList{"1111", "-"} << QByteArray("1234") << "1111" << 2;
        QTest::newRow("first read silent") << QStringList{"-"} << QByteArray("1234") << "" << 1;
        QTest::newRow("flags of a re-read ignored")
            << QStringList{"1111", "1234:63"} << QByteArray("1234") << "1234" << 2;
    }
    void crcVersion()
    {
        QFETCH(QStringList, answers);
        QFETCH(QByteArray, profile);
        m_store.set("CRC_Version", profile);
        for (const QString &a : answers) {
            if (a == QLatin1String("-")) {
                m_board->answers.push_back(std::nullopt);
                continue;
            }
            const QStringList parts = a.split(':');
            const int word = parts[0].toInt(nullptr, 16);
            Report r = answerWith({{1, word & 0xFF}, {2, word >> 8}});
            for (const QString &f : parts.mid(1))
                r[std::size_t(f.toInt())] = 1;
            m_board->answers.push_back(r);
        }
        m_board->silent = true;
        QTEST(m_cmd->readCrcVersion(), "text");
        QTEST(int(m_board->writes().size()), "requests");
        for (const Report &w : m_board->writes())
            QCOMPARE(hexOf(w), QStringLiteral("02 00 00 00 3E 02"));
    }

    void usbVersion_data()
    {
        QTest::addColumn<std::optional<Report>>("answer");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("shown");
        QTest::newRow("ours") << std::optional<Report>(answerWith({{1, 'W'}, {2, '1'}, {3, '0'}, {4, '4'}}))
                              << "W104" << "W104";
        QTest::newRow("not ours, still shown")
            << std::optional<Report>(answerWith({{1, 'V'}, {2, '1'}, {3, '0'}, {4, '4'}})) << "" << "V104";
        QTest::newRow("silent") << std::optional<Report>() << "" << "old";
    }
    void usbVersion()
    {
        QFETCH(std::optional<Report>, answer);
        m_board->answers = {answer};
        m_ui.lineEdit->setText("old");
        QTEST(m_cmd->readUsbVersion(), "result");
        QTEST(m_ui.lineEdit->text(), "shown");
    }

    void bootloader_data()
    {
        QTest::addColumn<std::optional<Report>>("answer");
        QTest::addColumn<QString>("verdict");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("text");
        const auto version = [](int fourth) {
            return std::optional<Report>(answerWith({{1, 0x01}, {2, 0x02}, {3, 0x03}, {4, fourth}}));
        };
        QTest::newRow("0x4A") << version(0x4A) << "PASS" << "4A" << "BootloadVersion:01,02,03,4A,";
        QTest::newRow("0x4B") << version(0x4B) << "FAIL" << "4B" << "BootloadVersion:01,02,03,4B,";
        QTest::newRow("silent") << std::optional<Report>() << "FAIL" << "NULL" << "BootloadVersion:";
    }
    void bootloader()
    {
        QFETCH(std::optional<Report>, answer);
        QFETCH(QString, code);
        m_board->answers = {answer, answer};
        QTEST(m_cmd->readBootloadVersion(), "text");
        QCOMPARE(m_cmd->bootloaderCode(), code);

        m_board->events.clear();
        QTEST(m_cmd->checkBootloadVersion(), "verdict");
        QCOMPARE(m_cmd->bootloaderCode(), code);
        // The controller is reset after a bootloader that answered, whatever it said.
        const bool resetSent = m_board->writes().size() == 2
            && m_board->writes()[1] == reportFromHex("02 02 00 00");
        QCOMPARE(resetSent, answer.has_value());
        if (!answer)
            QCOMPARE(m_board->writes().size(), std::size_t(1));
    }

    void bootloaderNotConnectedStillWaits()
    {
        link::setConnected(0);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(m_cmd->readBootloadVersion(), QStringLiteral("BootloadVersion:"));
        QVERIFY(clock.elapsed() >= 50);
        QVERIFY(m_board->events.empty());
    }

    void attention_data()
    {
        QTest::addColumn<std::optional<Report>>("check");
        QTest::addColumn<QString>("verdict");
        QTest::addColumn<int>("requests");
        QTest::newRow("byte 3 = 0") << std::optional<Report>(answerWith({{3, 0}})) << "PASS" << 3;
        QTest::newRow("byte 3 = 1") << std::optional<Report>(answerWith({{3, 1}})) << "PASS" << 3;
        QTest::newRow("byte 3 = 2, left at 0x08") << std::optional<Report>(answerWith({{3, 2}})) << "FAIL" << 2;
        QTest::newRow("no answer") << std::optional<Report>() << "FAIL" << 2;
    }
    void attention()
    {
        QFETCH(std::optional<Report>, check);
        m_board->answers = {Report{}, check};
        QTEST(m_cmd->attbTest(), "verdict");
        QTEST(int(m_board->writes().size()), "requests");
    }

    void buttons()
    {
        m_board->defaultAnswer = answerWith({{1, 0xFF}, {2, 0x10}, {8, 0x80}, {9, 0x33}});
        QSignalSpy spy(m_cmd.get(), SIGNAL(readBtnData(QString)));
        std::vector<int> values{7};
        QVERIFY(m_cmd->readBtnData(values));
        QCOMPARE(values, (std::vector<int>{7, -2, 32, 0, 0, 0, 0, 0, -256}));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toString(), QStringLiteral("-2,32,0,0,0,0,0,-256,"));

        m_board->silent = true;
        m_board->answers.clear();
        QVERIFY(!m_cmd->readBtnData(values));
        QCOMPARE(values.size(), std::size_t(9));
        QCOMPARE(spy.count(), 1);
    }

    void retryLoops_data()
    {
        QTest::addColumn<QString>("op");
        QTest::addColumn<int>("failingWrites");
        QTest::addColumn<int>("writes");
        QTest::addColumn<int>("failedTexts");
        QTest::addColumn<int>("gaveUpTexts");
        for (const char *op : {"enableInterrupt", "enableInterruptReport"}) {
            QTest::addRow("%s, first write ok", op) << op << 0 << 1 << 0 << 0;
            QTest::addRow("%s, one failure", op) << op << 1 << 2 << 1 << 0;
            QTest::addRow("%s, four failures", op) << op << 4 << 5 << 4 << 0;
            QTest::addRow("%s, ok on fifth repetition", op) << op << 5 << 6 << 5 << 1;
            QTest::addRow("%s, never ok", op) << op << 100 << 6 << 5 << 1;
        }
        QTest::newRow("disableInterruptReport, ok") << "disableInterruptReport" << 0 << 1 << 0 << 0;
        QTest::newRow("disableInterruptReport, failed") << "disableInterruptReport" << 100 << 1 << 0 << 0;
    }
    void retryLoops()
    {
        QFETCH(QString, op);
        QFETCH(int, failingWrites);
        QFETCH(int, writes);
        for (int i = 0; i < failingWrites; ++i)
            m_board->writeResults.push_back(-1);
        run(*m_cmd, op);
        QCOMPARE(int(m_board->writes().size()), writes);
        // Every request keeps its answer read, failed or not.
        QCOMPARE(m_board->readCount(), writes);
        const QString text = pane();
        QTEST(int(text.count(EnableFailed)), "failedTexts");
        QTEST(int(text.count(EnableGaveUp)), "gaveUpTexts");
        const bool disableFailed = op == QLatin1String("disableInterruptReport") && failingWrites > 0;
        QCOMPARE(int(text.count(DisableFailed)), disableFailed ? 1 : 0);
        if (disableFailed)
            QCOMPARE(text, DisableFailed + "\n");
    }

    void messagesFromWorkerThread()
    {
        for (int i = 0; i < 100; ++i)
            m_board->writeResults.push_back(-1);
        std::unique_ptr<QThread> worker(QThread::create([this] { m_cmd->enableInterruptReport(); }));
        worker->start();
        QVERIFY(worker->wait(10000));
        QTRY_COMPARE(int(pane().count(EnableFailed)), 5);
        QTRY_COMPARE(int(pane().count(EnableGaveUp)), 1);
    }

    void featureRead_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("length");
        QTest::addColumn<bool>("sent");
        QTest::addColumn<QString>("shown");
        QTest::newRow("empty") << "" << "" << false << "";
        QTest::newRow("no length") << "3E" << "" << false << "";
        QTest::newRow("two bytes") << "3E" << "2" << true << "AB,0C,";
        QTest::newRow("too long for the report") << "3E" << "32" << false << "";
    }
    void featureRead()
    {
        QFETCH(QString, address);
        QFETCH(QString, length);
        QFETCH(bool, sent);
        QByteArray answer(33, 0);
        answer[2] = char(0xAB);
        answer[3] = 0x0C;
        answer[4] = 0x77;
        m_board->featureAnswers = {answer};
        BoxCatcher boxes;
        m_cmd->readFeatureRegister(address, length);
        QCOMPARE(m_board->featuresSent.size(), std::size_t(sent ? 1 : 0));
        if (sent) {
            QByteArray expected(33, 0);
            expected[4] = 0x3E;
            expected[5] = 0x02;
            QCOMPARE(m_board->featuresSent[0], expected);
        }
        QCOMPARE(boxes.seen, sent ? QStringList() : QStringList{"Read|Read address and length is Empty !"});
        QTEST(pane(), "shown");
    }

    void featureWrite_data()
    {
        QTest::addColumn<QString>("data");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QString>("box");
        QByteArray report(33, 0);
        report[3] = 0x01;
        report[4] = 0x0A;
        report[5] = char(0xB0);
        QTest::newRow("empty") << "" << QByteArray() << "Write|Write is Empty !";
        QTest::newRow("two bytes") << "0AB0" << report << "";
        QTest::newRow("spaced") << "0a b0" << report << "";
        QTest::newRow("odd digit count") << "0AB" << QByteArray() << "Write|Write data is not valid !";
        QTest::newRow("not hex") << "0G" << QByteArray() << "Write|Write data is not valid !";
        QTest::newRow("too long") << QString(60, '1') << QByteArray() << "Write|Write data is not valid !";
    }
    void featureWrite()
    {
        QFETCH(QString, data);
        QFETCH(QByteArray, sent);
        QFETCH(QString, box);
        BoxCatcher boxes;
        m_cmd->writeFeatureRegister(data);
        const std::vector<QByteArray> expected =
            sent.isEmpty() ? std::vector<QByteArray>() : std::vector<QByteArray>{sent};
        QCOMPARE(m_board->featuresSent, expected);
        QCOMPARE(boxes.seen, box.isEmpty() ? QStringList() : QStringList{box});
    }

    void featureNeedsConnected()
    {
        link::setConnected(0);
        BoxCatcher boxes;
        m_cmd->readFeatureRegister();
        m_cmd->writeFeatureRegister();
        m_cmd->readFeatureRegister("3E", "2");
        QVERIFY(m_board->featuresSent.empty());
        QVERIFY(boxes.seen.isEmpty());
    }

    void signalOrder()
    {
        const QMetaObject &mo = HidCommand::staticMetaObject;
        QStringList names;
        for (int i = mo.methodOffset(); i < mo.methodCount(); ++i) {
            if (mo.method(i).methodType() == QMetaMethod::Signal)
                names << QString::fromLatin1(mo.method(i).methodSignature());
        }
        QCOMPARE(names, (QStringList{"setTextEdit(QString)", "readline(int,int)", "readDebug(QString)",
                                     "readDebugD(QString)", "readRaster(QString,int)", "readBtnData(QString)",
                                     "readInternalRaster(QString,int)", "readAbout()", "readAboutFail(QString)",
                                     "readCommFail()", "readBootFail(QString)", "GoCalibrte()",
                                     "readFileAVertionFail()"}));
    }
};

QTEST_MAIN(TestDeviceCommand)
#include "tst_device_command.moc"
