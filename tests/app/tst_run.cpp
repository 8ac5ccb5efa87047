#include "conditions.h"
#include "modalanswer.h"
#include "settings.h"
#include "borderwidget.h"
#include "btnstatusdlg.h"
#include "calibratedialog.h"
#include "smalldisk.h"
#include "settingdlg.h"
#include "stationfixture.h"
#include "stationversion.h"

#include <operatorscript.h>
#include "vorlane.h"

#include <QCryptographicHash>
#include <QDir>
#include <QProcess>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTextBrowser>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

namespace {

// The demo profile with the items this test does not drive switched off.
QByteArray profile(const QByteArray &extra = {})
{
    QFile f(QStringLiteral(KAVEL_SOURCE_DIR "/resources/demo/Config/demo.ini"));
    f.open(QIODevice::ReadOnly);
    QByteArray text = f.readAll();
    for (const char *off : {"Debug_Mode", "RasterX_Mode", "RasterY_Mode", "BtnData_Mode", "BtnStatus_Mode",
                            "Border_Mode", "Calibrate_Mode", "Nomal_Mode"}) {
        text.replace(QByteArray(off) + "=1", QByteArray(off) + "=0");
    }
    text.replace("Init_time=300", "Init_time=10");
    return text + extra;
}

// The open/short, planeness and button data items switched on as well.
QByteArray withPanelItems(QByteArray text)
{
    for (const char *item : {"Debug_Mode", "RasterX_Mode", "RasterY_Mode", "BtnData_Mode"})
        text.replace(QByteArray(item) + "=0", QByteArray(item) + "=1");
    return text;
}

// The baseline the demo panel passes against, in the working folder's log.
void copyDemoBaseline()
{
    QDir().mkpath("log");
    QFile::copy(QStringLiteral(KAVEL_SOURCE_DIR "/resources/demo/log/baseline.csv"), "log/baseline.csv");
}

emulator::PanelDescription panelFile(const QString &name)
{
    auto panel = emulator::PanelDescription::load(QStringLiteral(KAVEL_SOURCE_DIR "/emulator/panels/") + name);
    return panel ? *panel : emulator::PanelDescription();
}

QString pane(Vorlane &w)
{
    return w.findChild<QTextBrowser *>("textBrowser")->toPlainText();
}

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files);
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// One value from the working folder's results store (values bound); invalid
// when the store or the row is not there.
QVariant stored(const QString &sql, const QVariantList &values = {})
{
    QVariant value;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
        db.setDatabaseName(QStringLiteral("results.db"));
        if (db.open()) {
            QSqlQuery q(db);
            q.prepare(sql);
            for (const QVariant &v : values)
                q.addBindValue(v);
            if (q.exec() && q.next())
                value = q.value(0);
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("check"));
    return value;
}

// Runs in the store that match where.
int storedRuns(const QString &where, const QVariantList &values)
{
    const QVariant count = stored(QStringLiteral("SELECT COUNT(*) FROM runs WHERE ") + where, values);
    return count.isValid() ? count.toInt() : -1;
}

// The text the store keeps of a run's profile, baseline or firmware (column).
QByteArray storedText(const char *column, const QString &barcode)
{
    return results::conditions::textFromStore(stored(
        QStringLiteral("SELECT t.content FROM runs r JOIN texts t ON t.sha1 = r.%1 WHERE r.barcode = ?").arg(column),
        {barcode}));
}

struct Tool
{
    int exitCode = -1;
    QString out;
};

// kavel-results on the working folder's store.
Tool resultsTool(const QStringList &arguments)
{
    QProcess p;
    p.start(QStringLiteral(KAVEL_RESULTS_TOOL), arguments);
    Tool t;
    if (p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit) {
        t.exitCode = p.exitCode();
        t.out = QString::fromUtf8(p.readAllStandardOutput());
    }
    return t;
}

QString sha1Of(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex());
}

// An item of the newest recorded run as "pass|value|text" ("null" where the
// store has none); empty when the run has no such item.
QString storedItem(const QString &item)
{
    return stored(QStringLiteral("SELECT COALESCE(CAST(pass AS TEXT), 'null') || '|' || COALESCE(CAST(value AS TEXT),"
                                 " 'null') || '|' || text FROM items WHERE item = ? AND run_id ="
                                 " (SELECT run_id FROM runs ORDER BY recorded_at DESC, rowid DESC LIMIT 1)"),
                  {item})
        .toString();
}

// A pane line as the window shows it: "Vorlane:" or "HidCommand:" before a
// text the window translates, "|" before the argument of its %1.
QString shown(const QString &line)
{
    for (const char *context : {"Vorlane", "HidCommand"}) {
        const QString prefix = QString::fromLatin1(context) + QLatin1Char(':');
        if (!line.startsWith(prefix))
            continue;
        const QStringList parts = line.mid(prefix.size()).split(QLatin1Char('|'));
        const QString text = QCoreApplication::translate(context, parts[0].toUtf8().constData());
        return parts.size() > 1 ? text.arg(parts[1]) : text;
    }
    return line;
}

// The profile with "from>to" edits, ";" between them.
QByteArray edited(QByteArray text, const QByteArray &edits)
{
    for (const QByteArray &edit : edits.split(';')) {
        const QList<QByteArray> parts = edit.split('>');
        if (parts.size() == 2)
            text.replace(parts[0], parts[1]);
    }
    return text;
}

// Closes every modal box with OK and every other modal dialog as its close
// button would, whatever order they come in.
class ModalCloser : public QObject
{
public:
    ModalCloser()
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            QWidget *w = QApplication::activeModalWidget();
            if (auto *box = qobject_cast<QMessageBox *>(w)) {
                boxes << box->text();
                box->done(QMessageBox::Ok);
            } else if (auto *dialog = qobject_cast<QDialog *>(w)) {
                dialog->reject();
            }
        });
        m_timer.start(20);
    }
    QStringList boxes;

private:
    QTimer m_timer;
};

void selectMode(Vorlane &w, int mode)
{
    const char *names[] = {"radioButton_1", "radioButton_2", "radioButton_3"};
    w.findChild<QRadioButton *>(names[mode])->setChecked(true);
}

void fillTestMessage(Vorlane &w, const QString &lot, const QString &worker, const QString &barcode)
{
    w.findChild<QLineEdit *>("lineEdit_2")->setText(lot);
    w.findChild<QLineEdit *>("lineEdit_3")->setText(worker);
    w.findChild<QLineEdit *>("lineEdit_4")->setText(barcode);
}

// Before QApplication starts its threads: where the tests do not run as root,
// the small disks need a mount namespace of the process's own.
[[maybe_unused]] const bool smallDisksMountable = SmallDisk::enterOwnNamespace();

} // namespace

// Whole runs against the emulated board, read back from the files they leave.
class TestRun : public QObject
{
    Q_OBJECT

private slots:
    void goodPanelPassesInEveryMode_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("namePattern");
        QTest::addColumn<bool>("damagedStore"); // results.db is no database when the station starts
        QTest::newRow("auto") << 0 << R"(^\d\d-\d\d-\d\d-\d\d-\d\d\.csv$)" << false;
        QTest::newRow("manual") << 1 << R"(^L01-W7-SN123\.csv$)" << false;
        QTest::newRow("barcode") << 2 << R"(^SN123-\d{14}-00-00-Pass\.csv$)" << false;
        QTest::newRow("barcode, damaged store") << 2 << R"(^SN123-\d{14}-00-00-Pass\.csv$)" << true;
    }
    void goodPanelPassesInEveryMode()
    {
        QFETCH(int, mode);
        QFETCH(QString, namePattern);
        QFETCH(bool, damagedStore);
        StationFixture station(profile(), true, panelFile("demo.ini"));
        if (damagedStore) {
            QFile damaged(QStringLiteral("results.db"));
            QVERIFY(damaged.open(QIODevice::WriteOnly) && damaged.write(QByteArray(8192, 'x')) == 8192);
        }
        QDir().mkpath("log");
        QFile::copy(QStringLiteral(KAVEL_SOURCE_DIR "/tests/data/app/baseline-30x20.csv"), "log/baseline.csv");
        QDir().mkpath("resultsPASS");
        QFile::copy(QStringLiteral(KAVEL_SOURCE_DIR "/tests/data/tools/run-pass-30x20.csv"),
                    "resultsPASS/left-over-Pass.csv");
        Vorlane w;
        // A damaged store is rebuilt at start-up, kept aside and said so in
        // one line (before the run, which clears the pane).
        if (damagedStore)
            QTRY_VERIFY2(pane(w).contains("results store rebuilt: the results store was damaged and is kept as "
                                          "results.db.corrupt-"),
                         qPrintable(pane(w)));
        selectMode(w, mode);
        fillTestMessage(w, "L01", "W7", "SN123");
        // The verdict shows once the file is filed.
        QStringList filedWhenShown;
        auto *browser = w.findChild<QTextBrowser *>("textBrowser");
        connect(browser, &QTextBrowser::textChanged, this, [&] {
            if (browser->toPlainText().endsWith("\nPASS"))
                filedWhenShown = filesIn("resultsPASS");
        });
        ModalAnswerer answerer;
        w.findChild<QPushButton *>("pushButton_2")->click();
        QCOMPARE(answerer.boxes.size(), 0);
        QCOMPARE(filedWhenShown.size(), 2);
        QVERIFY2(pane(w).endsWith("PASS"), qPrintable(pane(w)));
        QVERIFY(w.findChild<QTextBrowser *>("textBrowser")->toHtml().contains("color:#008000"));
        QCOMPARE(filesIn("resultsFAIL"), QStringList());
        QStringList passed = filesIn("resultsPASS");
        passed.removeAll("left-over-Pass.csv");
        QCOMPARE(passed.size(), 1);
        QVERIFY2(QRegularExpression(namePattern).match(passed.first()).hasMatch(), qPrintable(passed.first()));
        const QList<QByteArray> lines = readAll("resultsPASS/" + passed.first()).split('\n');
        // One block per item, in run order, with the panel's readings.
        QCOMPARE(lines, (QList<QByteArray>{"Electric,PASS,18.498MA,18.498MA,18.498MA", "Usb_Version,W103,PASS",
                                           "CRC_Version,5A3C,PASS", "eeprom_Version,V1.0A,PASS",
                                           "Tb_Value,PASS,650,640,655,648,652", "Attb:,PASS", "Reset:,PASS", ""}));
        // Recorded in the station's store with the run's context, and so is a
        // file filed before the station started (a crash between filing and
        // recording).
        const char *modes[] = {"Auto", "Manual", "Barcode"};
        QTRY_COMPARE(storedRuns("start_mode = ? AND verdict = 'PASS' AND file_path LIKE ?",
                                {modes[mode], "%/resultsPASS/" + passed.first()}),
                     1);
        QTRY_COMPARE(storedRuns("file_name = 'left-over-Pass.csv'", {}), 1);
        if (mode > 0)
            QCOMPARE(storedRuns("barcode = 'SN123'", {}), 1);
        // Judged under the profile as the station read it (its password left
        // out), by this build, without planeness items (no baseline) and
        // without a download. The file filed before the station started has
        // what it was judged against unknown, whatever profile lies there now.
        QCOMPARE(storedRuns("file_name = ? AND profile_sha1 = ? AND software_version = ? AND baseline_sha1 IS NULL"
                            " AND firmware_sha1 IS NULL",
                            {passed.first(), sha1Of(results::conditions::storedProfileText(profile())),
                             stationVersion()}),
                 1);
        QVERIFY(stationVersion().startsWith(QStringLiteral(KAVEL_VERSION)));
        QCOMPARE(storedRuns("file_name = 'left-over-Pass.csv' AND profile_sha1 IS NULL AND software_version IS NULL",
                            {}),
                 1);
        QCOMPARE(QDir().entryList({"results.db.corrupt-*"}).size(), damagedStore ? 1 : 0);
        // The working file is gone, the fields are empty, the buttons are back.
        QVERIFY(!QFile::exists("test.csv") && !QFile::exists("L01-W7-SN123.csv"));
        QCOMPARE(w.findChild<QLineEdit *>("lineEdit_4")->text(), QString());
        QVERIFY(w.findChild<QPushButton *>("pushButton_2")->isEnabled());
        QVERIFY(!w.isRunning());
    }

    void eachFailingPanelFailsItsItem_data()
    {
        QTest::addColumn<QString>("panel");
        QTest::addColumn<QString>("paneLine");
        QTest::addColumn<QString>("item");            // its name in the results store
        QTest::addColumn<QByteArray>("profileEdits"); // items switched on, limits moved
        QTest::newRow("current") << "high_current.ini" << "read Electric:25MA FAIL" << "electric" << QByteArray();
        QTest::newRow("usb") << "wrong_usb_version.ini" << "read Usb_Version:W099 FAIL" << "usb_version"
                             << QByteArray();
        QTest::newRow("crc") << "wrong_crc_version.ini" << "read CRC_Version:1234 FAIL" << "crc_version"
                             << QByteArray();
        QTest::newRow("eeprom") << "wrong_eeprom_version.ini" << "read eeprom_Version:V0.9A FAIL"
                                << "eeprom_version" << QByteArray();
        QTest::newRow("tb") << "low_tb.ini" << "TB_Test: FAIL" << "tb" << QByteArray();
        QTest::newRow("tb stuck") << "tb_stuck.ini" << "TB_Test: FAIL" << "tb" << QByteArray();
        QTest::newRow("reset") << "bootloader_4b.ini" << "Reset:FAIL" << "reset" << QByteArray();
        // The demo panel's keys read 120, 116 and 124: one row below the band, one above.
        const QByteArray buttons = "BtnData_Mode=0>BtnData_Mode=1";
        QTest::newRow("a key below Btn_Min") << "demo.ini" << "Button Data: FAIL" << "button_data"
                                             << buttons + ";Btn_Min=0>Btn_Min=117";
        QTest::newRow("a key above Btn_Max") << "demo.ini" << "Button Data: FAIL" << "button_data"
                                             << buttons + ";Btn_Max=200>Btn_Max=123";
        // The panel refuses the transfers of one item only (no acknowledge, a
        // time-out, an answer cut short): that item fails, on its own line.
        // Limits that zeros would meet are set where the item has any.
        QTest::newRow("CRC not acknowledged") << "nack_crc.ini" << "I2C NO ACK!" << "crc_version" << QByteArray();
        QTest::newRow("EEPROM not acknowledged") << "nack_eeprom.ini" << "read eeprom_Version: FAIL"
                                                 << "eeprom_version" << QByteArray();
        QTest::newRow("TB not acknowledged") << "nack_tb.ini" << "TB_Test: FAIL" << "tb"
                                             << QByteArray("Tb_value_thr=100>Tb_value_thr=0");
        QTest::newRow("TB timed out") << "timeout_tb.ini" << "TB_Test: FAIL" << "tb"
                                      << QByteArray("Tb_value_thr=100>Tb_value_thr=0");
        QTest::newRow("attention not acknowledged") << "nack_attention.ini" << "Attb Test:FAIL" << "attb"
                                                    << QByteArray();
        QTest::newRow("attention answered short") << "short_attention.ini" << "Attb Test:FAIL" << "attb"
                                                  << QByteArray();
        QTest::newRow("open/short not acknowledged") << "nack_open_short.ini" << "Vorlane:OpenShort: FAIL"
                                                     << "open_short" << QByteArray("Debug_Mode=0>Debug_Mode=1");
        QTest::newRow("X raster not acknowledged") << "nack_raster_x.ini" << "Vorlane:Planeness_Y: %1|FAIL"
                                                   << "raster_x" << QByteArray("RasterX_Mode=0>RasterX_Mode=1");
        QTest::newRow("Y raster not acknowledged") << "nack_raster_y.ini" << "Vorlane:Planeness_X: %1|FAIL"
                                                   << "raster_y" << QByteArray("RasterY_Mode=0>RasterY_Mode=1");
        QTest::newRow("button data not acknowledged") << "nack_buttons.ini" << "Button Data: FAIL" << "button_data"
                                                      << buttons;
        QTest::newRow("button data timed out") << "timeout_buttons.ini" << "Button Data: FAIL" << "button_data"
                                               << buttons;
        QTest::newRow("reset not acknowledged") << "nack_reset.ini" << "Reset:FAIL" << "reset" << QByteArray();
    }
    void eachFailingPanelFailsItsItem()
    {
        QFETCH(QString, panel);
        QFETCH(QString, paneLine);
        QFETCH(QString, item);
        QFETCH(QByteArray, profileEdits);
        StationFixture station(edited(profile(), profileEdits), true, panelFile(panel));
        copyDemoBaseline();
        Vorlane w;
        w.start();
        const QString line = shown(paneLine);
        QVERIFY2(pane(w).contains(line), qPrintable(pane(w)));
        QVERIFY(pane(w).endsWith("FAIL"));
        // That item alone failed.
        for (const QString &said : pane(w).split('\n')) {
            if (said.contains("FAIL") || said.contains("I2C"))
                QVERIFY2(said == line || said == "FAIL", qPrintable(said));
        }
        QCOMPARE(filesIn("resultsPASS"), QStringList());
        const QStringList failed = filesIn("resultsFAIL");
        QCOMPARE(failed.size(), 1);
        // What was measured is in the file, the current first.
        QVERIFY(readAll("resultsFAIL/" + failed.first()).startsWith("Electric,"));
        // Baseline collection takes no failed panel.
        QCOMPARE(filesIn("log"), QStringList{"baseline.csv"});
        QTRY_COMPARE(storedRuns("verdict = 'FAIL'", {}), 1);
        // The file's own row where it has one (a key value's band is the
        // profile's, which the file cannot tell), else what the run said.
        QTRY_VERIFY2(storedItem(item).startsWith(item == "button_data" ? "null|" : "0|"), qPrintable(storedItem(item)));
    }

    // A run that fails before any item wrote its block files nothing, and is
    // recorded all the same: its verdict, and the step that failed.
    void runFailingBeforeItsFirstBlockIsRecorded_data()
    {
        QTest::addColumn<QString>("panel");
        QTest::addColumn<QByteArray>("profileEdits");
        QTest::addColumn<bool>("unplugged"); // the board goes just before the run
        QTest::addColumn<QString>("paneLine");
        QTest::addColumn<QString>("item");
        QTest::newRow("another panel's electrode counts") << "demo.ini" << QByteArray("x_electrodes=30>x_electrodes=31")
                                                          << false << "HidCommand:XN,YN mismatch!" << "geometry";
        QTest::newRow("information page not acknowledged") << "nack_identification.ini" << QByteArray() << false
                                                           << "HidCommand:read XN,YN error!" << "geometry";
        QTest::newRow("the board gone at once") << "demo.ini" << QByteArray() << true
                                                << "HidCommand:read XN,YN error!" << "geometry";
        QTest::newRow("firmware update failed") << "demo.ini"
                                                << QByteArray("Bootloader_Auto=0>Bootloader_Auto=1;"
                                                              "Bootloader_Forced=0>Bootloader_Forced=1")
                                                << false << "" << "firmware_update";
    }
    void runFailingBeforeItsFirstBlockIsRecorded()
    {
        QFETCH(QString, panel);
        QFETCH(QByteArray, profileEdits);
        QFETCH(bool, unplugged);
        QFETCH(QString, paneLine);
        QFETCH(QString, item);
        StationFixture station(edited(profile(), profileEdits), true, panelFile(panel));
        copyDemoBaseline();
        Vorlane w;
        selectMode(w, 2);
        fillTestMessage(w, "", "", "SN40");
        if (unplugged)
            station.board().unplug();
        ModalCloser closer;
        w.start();
        QVERIFY2(pane(w).contains(shown(paneLine)), qPrintable(pane(w)));
        QVERIFY2(pane(w).endsWith("FAIL"), qPrintable(pane(w)));
        QCOMPARE(filesIn("resultsPASS") + filesIn("resultsFAIL"), QStringList());
        QVERIFY(!w.isRunning());
        QTRY_COMPARE(storedRuns("verdict = 'FAIL' AND file_name = '' AND barcode = 'SN40'", {}), 1);
        QTRY_COMPARE(storedItem(item), QString("0|null|"));
    }

    void attbFailureEndsTheRunAndFilesIt()
    {
        StationFixture station(profile(), true, panelFile("attention_line.ini"));
        QDir().mkpath("log");
        QFile::copy(QStringLiteral(KAVEL_SOURCE_DIR "/tests/data/app/baseline-30x20.csv"), "log/baseline.csv");
        Vorlane w;
        selectMode(w, 2);
        fillTestMessage(w, "", "", "SN9");
        w.start();
        QVERIFY(pane(w).endsWith("FAIL"));
        QVERIFY(!pane(w).contains("Reset"));
        const QStringList failed = filesIn("resultsFAIL");
        QCOMPARE(failed.size(), 1);
        QVERIFY2(QRegularExpression(R"(^SN9-\d\d-\d\d-\d\d-\d\d-\d\d00-00-Fail\.csv$)").match(failed.first()).hasMatch(),
                 qPrintable(failed.first()));
        QCOMPARE(w.findChild<QLineEdit *>("lineEdit_4")->text(), QString());
    }

    void earlyEndingsLeaveTheWorkingFileAsTheySay()
    {
        StationFixture station(profile(), true, panelFile("demo.ini"));
        Vorlane w;
        ModalAnswerer answerer;
        // Manual with a leftover working file: refused before anything reaches the panel.
        selectMode(w, 1);
        fillTestMessage(w, "L", "W", "B");
        QFile leftover("L-W-B.csv");
        QVERIFY(leftover.open(QIODevice::WriteOnly));
        leftover.write("old");
        leftover.close();
        QVERIFY(station.board().startTrace(station.path("wire.txt")));
        answerer.thenBox(QMessageBox::Ok);
        w.start();
        station.board().stopTrace();
        QCOMPARE(answerer.boxes.value(0).text, QCoreApplication::translate("Vorlane", "repeated test message!"));
        QCOMPARE(readAll(station.path("wire.txt")), QByteArray());
        QCOMPARE(readAll("L-W-B.csv"), QByteArray("old"));
        // The fields stay for the operator to correct.
        QCOMPARE(w.findChild<QLineEdit *>("lineEdit_4")->text(), QString("B"));
        QVERIFY(w.findChild<QPushButton *>("pushButton_2")->isEnabled());

        // An empty field in Manual mode.
        fillTestMessage(w, "L", "", "B");
        answerer.thenBox(QMessageBox::Ok);
        w.start();
        QCOMPARE(answerer.boxes.value(1).text, QCoreApplication::translate("Vorlane", "no input"));

        // No baseline to compare with: the baseline box, nothing filed.
        selectMode(w, 0);
        answerer.thenBox(QMessageBox::Ok);
        w.start();
        QCOMPARE(answerer.boxes.value(2).text, QString("open baseline file error"));
        QCOMPARE(filesIn("resultsPASS") + filesIn("resultsFAIL"), QStringList());
        QVERIFY(!w.isRunning());
        QCOMPARE(answerer.pending(), 0);
    }

    void boardLostMidRunNeverPasses_data()
    {
        // The pane line on which the board goes, how, and the line of the item
        // that then fails; every item after it fails too.
        QTest::addColumn<QString>("on");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<QString>("itemLine");
        QTest::newRow("versions") << "read Electric" << false << "read Usb_Version: FAIL";
        QTest::newRow("TB") << "Read eeprom_Version" << false << "TB_Test: FAIL";
        QTest::newRow("open/short") << "Attb Test" << false << "OpenShort: FAIL";
        QTest::newRow("X raster rows") << "Planeness_Y: Testing" << false << "Read Data Error!";
        QTest::newRow("Y raster rows") << "Planeness_X: Testing" << false << "Planeness_X: FAIL";
        QTest::newRow("button data") << "Planeness_X: PASS" << false << "Button Data: FAIL";
        QTest::newRow("button data, silent") << "Planeness_X: PASS" << true << "Button Data: FAIL";
        QTest::newRow("after the last exchange") << "Button Data: PASS" << false << "Button Data: PASS";
    }
    void boardLostMidRunNeverPasses()
    {
        QFETCH(QString, on);
        QFETCH(bool, silent);
        QFETCH(QString, itemLine);
        // A profile that ends with button data: no reset, key status or border
        // item whose own failure would hide an earlier hole.
        StationFixture station(withPanelItems(profile()).replace("Reset_Mode=1", "Reset_Mode=0"), true,
                               panelFile("demo.ini"));
        copyDemoBaseline();
        Vorlane w;
        auto *browser = w.findChild<QTextBrowser *>("textBrowser");
        bool gone = false;
        connect(browser, &QTextBrowser::textChanged, this, [&] {
            if (gone || !browser->toPlainText().split('\n').constLast().startsWith(on))
                return;
            gone = true;
            if (silent) {
                emulator::Faults faults;
                faults.silent = true;
                station.board().setFaults(faults);
            } else {
                station.board().unplug();
            }
        });
        w.start();
        QVERIFY(gone);
        QVERIFY2(pane(w).contains(itemLine), qPrintable(pane(w)));
        QVERIFY2(pane(w).endsWith("FAIL"), qPrintable(pane(w)));
        QVERIFY(!pane(w).contains("Button Data: PASS") || itemLine == "Button Data: PASS");
        QCOMPARE(filesIn("resultsPASS"), QStringList());
        // Filed as failed, with what was measured before the board went.
        const QStringList failed = filesIn("resultsFAIL");
        QCOMPARE(failed.size(), 1);
        QVERIFY(readAll("resultsFAIL/" + failed.first()).startsWith("Electric,PASS,"));
        QVERIFY(!w.isRunning());
    }

    void blocksThatCannotBeWrittenFailTheirItems()
    {
        StationFixture station(withPanelItems(profile()), true, panelFile("demo.ini"));
        copyDemoBaseline();
        QDir().mkdir("test.csv"); // a folder where the Barcode run's working file goes
        Vorlane w;
        selectMode(w, 2);
        fillTestMessage(w, "", "", "SN5");
        // Every block brings the box; the operator closes each.
        int boxes = 0;
        QTimer closer;
        connect(&closer, &QTimer::timeout, this, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                ++boxes;
                box->done(QMessageBox::Ok);
            }
        });
        closer.start(5);
        // The failed blocks' boxes never switch the start button on while the run goes on.
        bool startOnMidRun = false;
        connect(w.findChild<QTextBrowser *>("textBrowser"), &QTextBrowser::textChanged, this, [&] {
            startOnMidRun = startOnMidRun || (w.isRunning() && w.findChild<QPushButton *>("pushButton_2")->isEnabled());
        });
        w.start();
        QVERIFY(!startOnMidRun);
        QVERIFY(boxes >= 10);
        // The panel measured well, but no item may pass on evidence the file lacks.
        for (const char *line : {"read Electric:18.5MA FAIL", "read Usb_Version:W103 FAIL", "TB_Test: FAIL",
                                 "OpenShort: FAIL", "Planeness_Y: FAIL", "Planeness_X: FAIL",
                                 "Button Data: FAIL", "Reset:FAIL"})
            QVERIFY2(pane(w).contains(QLatin1String(line)), line);
        QVERIFY2(pane(w).split('\n').contains("FAIL"), qPrintable(pane(w)));
        QCOMPARE(filesIn("resultsPASS"), QStringList());
    }

    void diskRoomDecidesTheRun_data()
    {
        // Which folders sit on a small disk of their own: the working folder
        // (working file, results.db) or the profile's result folders. The
        // levels line.ini sets ("" the defaults; "free" the small disk's free
        // MB as the station will find it), and how the run goes.
        QTest::addColumn<QString>("small");
        QTest::addColumn<int>("diskMb");
        QTest::addColumn<QString>("floorMb");
        QTest::addColumn<QString>("warningMb");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("working folder under the default floor") << "working" << 16 << "" << "" << "refused";
        QTest::newRow("result folders under the default floor") << "results" << 16 << "" << "" << "refused";
        QTest::newRow("floor a MB above the free space") << "results" << 64 << "free+1" << "" << "refused";
        QTest::newRow("floor exactly the free space") << "results" << 64 << "free" << "" << "PASS";
        QTest::newRow("above the warning level") << "results" << 64 << "0" << "1" << "PASS";
        QTest::newRow("disk fills during the run") << "working" << 16 << "0" << "" << "FAIL";
    }
    void diskRoomDecidesTheRun()
    {
        QFETCH(QString, small);
        QFETCH(int, diskMb);
        QFETCH(QString, floorMb);
        QFETCH(QString, warningMb);
        QFETCH(QString, outcome);
        // Where the disk fills, the items with the large blocks on too: a block
        // that fits into the file's last, already allocated page is written on
        // a full disk.
        StationFixture station(outcome == "FAIL" ? withPanelItems(profile()) : profile(), true,
                               panelFile("demo.ini"));
        SmallDisk disk(station.path(small), diskMb);
        if (!disk.mounted())
            QSKIP(qPrintable(disk.whyNot()));
        if (small == "working") {
            // The station's whole working folder moves onto the small disk.
            QDir().mkpath(disk.path() + "/Config");
            for (const char *file : {"config.txt", "Config/p.ini"})
                QVERIFY(QFile::copy(file, disk.path() + "/" + file));
            QVERIFY(QDir::setCurrent(disk.path()));
        } else {
            QFile p("Config/p.ini");
            QVERIFY(p.open(QIODevice::ReadOnly));
            const QByteArray text = p.readAll().replace("./resultsPASS", disk.path().toLocal8Bit())
                                        .replace("./resultsFAIL", disk.path().toLocal8Bit());
            p.close();
            QVERIFY(p.open(QIODevice::WriteOnly | QIODevice::Truncate) && p.write(text) == text.size());
        }
        copyDemoBaseline();
        QDir().mkpath("resultsPASS");
        QVERIFY(QFile::copy(QStringLiteral(KAVEL_SOURCE_DIR "/tests/data/tools/run-pass-30x20.csv"),
                            "resultsPASS/earlier-Pass.csv"));
        const qint64 freeMb = disk.freeMb();
        QByteArray ini = "[station]\n";
        if (floorMb == "free")
            floorMb = QString::number(freeMb);
        else if (floorMb == "free+1")
            floorMb = QString::number(freeMb + 1);
        if (!floorMb.isEmpty())
            ini += "disk_floor_mb=" + floorMb.toLatin1() + "\n";
        if (!warningMb.isEmpty())
            ini += "disk_warning_mb=" + warningMb.toLatin1() + "\n";
        QFile settings("line.ini");
        QVERIFY(settings.open(QIODevice::WriteOnly) && settings.write(ini) == ini.size());
        settings.close();

        Vorlane w;
        auto *status = w.findChild<QLabel *>("diskState");
        QVERIFY(status);
        const QRegularExpression shown(QRegularExpression::anchoredPattern(
            QCoreApplication::translate("Vorlane", "disk: %1 MB free").arg(R"((\d+))")));
        const auto shownMb = [&] {
            const QRegularExpressionMatch m = shown.match(status->text());
            return status->isHidden() || !m.hasMatch() ? -1 : m.captured(1).toInt();
        };
        if (warningMb.isEmpty()) {
            // Below the default warning level the status line says how much is left.
            QVERIFY2(shownMb() >= 0 && shownMb() <= diskMb, qPrintable(status->text()));
            if (small == "results")
                QCOMPARE(shownMb(), freeMb);
        } else {
            QCOMPARE(shownMb(), -1);
        }

        ModalAnswerer answerer;
        QVERIFY(station.board().startTrace(station.path("wire.txt")));
        auto *browser = w.findChild<QTextBrowser *>("textBrowser");
        if (outcome == "FAIL") {
            // Something else takes the disk's last byte once the first item
            // has written its block.
            connect(browser, &QTextBrowser::textChanged, this, [&] {
                if (browser->toPlainText().contains("read Electric") && !QFile::exists(disk.path() + "/filler"))
                    disk.fill();
            });
        }
        w.start();
        station.board().stopTrace();
        const QByteArray earlier = readAll(QStringLiteral(KAVEL_SOURCE_DIR "/tests/data/tools/run-pass-30x20.csv"));
        QCOMPARE(readAll("resultsPASS/earlier-Pass.csv"), earlier);
        QVERIFY(!w.isRunning());
        QVERIFY(w.findChild<QPushButton *>("pushButton_2")->isEnabled());

        if (outcome == "refused") {
            // One line, before anything reached the panel or the working folder.
            const QRegularExpression line(QRegularExpression::anchoredPattern(
                QCoreApplication::translate("Vorlane", "disk almost full: %1 MB free").arg(R"((\d+))")));
            const QRegularExpressionMatch m = line.match(pane(w));
            QVERIFY2(m.hasMatch(), qPrintable(pane(w)));
            QVERIFY(m.captured(1).toInt() <= diskMb);
            if (small == "results")
                QCOMPARE(m.captured(1).toLongLong(), freeMb);
            QVERIFY(browser->toHtml().contains("color:#ff0000"));
            QCOMPARE(readAll(station.path("wire.txt")), QByteArray());
            QCOMPARE(answerer.boxes.size(), 0);
            QCOMPARE(QDir().entryList({"*.csv"}, QDir::Files), QStringList());
            QCOMPARE(filesIn("resultsPASS"), QStringList{"earlier-Pass.csv"});
            QCOMPARE(filesIn("resultsFAIL"), QStringList());
            if (small == "results")
                QCOMPARE(filesIn(disk.path()), QStringList());
            QVERIFY(shownMb() >= 0);
            return;
        }

        QVERIFY2(pane(w).split('\n').contains(outcome), qPrintable(pane(w)));
        if (outcome == "PASS") {
            // Filed on the small disk, which had just the room the floor asked.
            QCOMPARE(filesIn(disk.path()).size(), 1);
            QVERIFY(readAll(disk.path() + "/" + filesIn(disk.path()).first()).startsWith("Electric,PASS,"));
            QCOMPARE(shownMb() >= 0, warningMb.isEmpty());
            return;
        }
        // The disk filled mid-run: every later block failed, and so the run;
        // nothing filed before is touched, and what was measured is kept in
        // the working folder under a name no run reuses.
        QVERIFY2(answerer.boxes.size() >= 2, qPrintable(pane(w)));
        QCOMPARE(answerer.boxes.first().text, QCoreApplication::translate("production::ResultFile", "open csv file fail!\r\n"));
        QVERIFY2(pane(w).contains(QCoreApplication::translate("Vorlane", "Planeness_Y: %1").arg("FAIL")), qPrintable(pane(w)));
        QCOMPARE(filesIn("resultsPASS"), QStringList{"earlier-Pass.csv"});
        QCOMPARE(filesIn("resultsFAIL"), QStringList());
        const QStringList kept = QDir().entryList({"*-1.csv"}, QDir::Files);
        QCOMPARE(kept.size(), 1);
        QVERIFY2(pane(w).contains("Result file could not be filed; kept as ./" + kept.first()), qPrintable(pane(w)));
        QVERIFY(readAll(kept.first()).startsWith("Electric,PASS,"));
        QCOMPARE(shownMb(), 0);
    }

    void enterStartsOnlyInBarcodeMode()
    {
        StationFixture station(profile(), true, panelFile("demo.ini"));
        QDir().mkpath("log");
        QFile::copy(QStringLiteral(KAVEL_SOURCE_DIR "/tests/data/app/baseline-30x20.csv"), "log/baseline.csv");
        Vorlane w;
        auto *barcode = w.findChild<QLineEdit *>("lineEdit_4");
        barcode->setText("SN1");
        selectMode(w, 1);
        QTest::keyClick(barcode, Qt::Key_Return);
        QCOMPARE(filesIn("resultsPASS").size(), 0);
        selectMode(w, 2);
        w.findChild<QPushButton *>("refreshBtn")->setEnabled(false); // a read-out in progress
        QTest::keyClick(barcode, Qt::Key_Return);
        QCOMPARE(filesIn("resultsPASS").size(), 0);
        w.findChild<QPushButton *>("refreshBtn")->setEnabled(true);
        QTest::keyClick(barcode, Qt::Key_Return);
        QCOMPARE(filesIn("resultsPASS").size(), 1);
    }

    void pluggingInStartsARunWhenTheProfileSaysSo()
    {
        QByteArray text = profile();
        text.replace("Power_On_Test=0", "Power_On_Test=1");
        StationFixture station(text, false, panelFile("demo.ini"));
        QDir().mkpath("log");
        QFile::copy(QStringLiteral(KAVEL_SOURCE_DIR "/tests/data/app/baseline-30x20.csv"), "log/baseline.csv");
        Vorlane w;
        QCOMPARE(filesIn("resultsPASS").size(), 0);
        station.board().plug();
        w.onDeviceArrived();
        QCOMPARE(filesIn("resultsPASS").size(), 1);
        QVERIFY(pane(w).endsWith("PASS"));
    }

    void baselineCollectedFromGoodPanelsJudgesTheNext()
    {
        // Every item on but the hands-on ones. Collecting, the windows see raw
        // readings and are set wide; judging, they see the difference to the
        // baseline and are tight, as an engineer sets them up.
        QByteArray text = profile();
        for (const char *on : {"Debug_Mode", "RasterX_Mode", "RasterY_Mode"})
            text.replace(QByteArray(on) + "=0", QByteArray(on) + "=1");
        StationFixture station(text, true, panelFile("good_noisy.ini"));
        Vorlane w;
        const auto limits = [&](int lo, int hi) {
            Settings &s = *w.settings();
            const auto row = [](int n, int v) { return QStringList(n, QString::number(v)).join(','); };
            s.set("RowSetData", (row(30, lo) + "/" + row(30, hi) + "/" + row(20, lo) + "/" + row(20, hi)).toLatin1());
            for (const char *k : {"M1_thr_min", "RasterX_edge_min", "RasterY_edge_min"})
                s.set(k, QByteArray::number(lo));
            for (const char *k : {"M1_thr_max", "RasterX_edge_max", "RasterY_edge_max"})
                s.set(k, QByteArray::number(hi));
        };
        limits(-2000, 2000);
        w.settings()->set("baseline0", "1");
        for (int panel = 0; panel < 3; ++panel) {
            w.start();
            QVERIFY2(pane(w).endsWith("PASS"), qPrintable(pane(w)));
            QTest::qWait(1100); // Auto names files by the second
        }
        QCOMPARE(filesIn("log").size(), 3);
        QVERIFY(pane(w).contains(QCoreApplication::translate("Vorlane", "OpenShort: PASS")));
        // A panel whose rasters pass but whose reset after them fails is no
        // panel for the baseline.
        station.board().setPanel(panelFile("bootloader_4b.ini"));
        w.start();
        QVERIFY2(pane(w).endsWith("FAIL") && pane(w).contains("Reset:FAIL"), qPrintable(pane(w)));
        QVERIFY(pane(w).contains(QCoreApplication::translate("Vorlane", "Planeness_X: %1").arg("PASS")));
        QCOMPARE(filesIn("log").size(), 3);
        station.board().setPanel(panelFile("good_noisy.ini"));
        QVERIFY(pane(w).contains(QCoreApplication::translate("Vorlane", "Planeness_X: %1").arg("PASS")));

        // The engineer generates the baseline from them.
        ModalAnswerer answerer;
        answerer.then([](QWidget *dialog) {
            for (QPushButton *button : dialog->findChildren<QPushButton *>()) {
                if (button->isVisible() && button->isEnabled()) {
                    button->click();
                    break;
                }
            }
            static_cast<QDialog *>(dialog)->accept();
        });
        w.On_generateCsvClicked();
        QVERIFY(QFile::exists("log/baseline.csv"));

        // Judged against it, the next good panel passes; an open electrode and a
        // dent fail, and their files say why.
        w.settings()->set("baseline0", "0");
        limits(-30, 30);
        w.start();
        QVERIFY2(pane(w).endsWith("PASS"), qPrintable(pane(w)));
        // Collecting, the runs read no baseline; judging, they keep the file's
        // bytes, and the limits the store held, which no file had.
        QTRY_COMPARE(storedRuns("1 = 1", {}), 5);
        QCOMPARE(storedRuns("baseline_sha1 IS NULL", {}), 4);
        QCOMPARE(stored("SELECT baseline_sha1 FROM runs WHERE baseline_sha1 IS NOT NULL").toString(),
                 sha1Of(readAll("log/baseline.csv")));
        QVERIFY(results::conditions::textFromStore(
                    stored("SELECT t.content FROM runs r JOIN texts t ON t.sha1 = r.profile_sha1"
                                " WHERE r.baseline_sha1 IS NOT NULL"))
                    .contains("RasterX_edge_min=-30"));
        // Generation cleared the collected files; judging copies nothing.
        QCOMPARE(filesIn("log"), QStringList{"baseline.csv"});
        const auto failWith = [&](const QString &panel, const QByteArray &evidence) {
            QTest::qWait(1100);
            station.board().setPanel(panelFile(panel));
            w.start();
            QVERIFY(pane(w).endsWith("FAIL"));
            QStringList failed = filesIn("resultsFAIL");
            failed.sort();
            QVERIFY(!failed.isEmpty());
            const QByteArray result = readAll("resultsFAIL/" + failed.last());
            QVERIFY2(result.contains(evidence), result.left(300).constData());
        };
        failWith("open_electrode.ini", "Xopen:,X");
        QVERIFY(pane(w).contains(QCoreApplication::translate("Vorlane", "OpenShort: FAIL")));
        failWith("raster_dent.ini", "RasterX:,FAIL");
    }

    // A run through the station as it is; the profile's limit raised and
    // saved in the settings dialog; a second run; then firmware forced in the
    // store alone and a third: each run names the profile version it was
    // judged under, and the tool says which key changed.
    void profileEditedBetweenRuns()
    {
        StationFixture station(profile(), true, panelFile("demo.ini"));
        // Read at every run; none of its items runs here.
        QDir().mkpath("log");
        QFile::copy(QStringLiteral(KAVEL_SOURCE_DIR "/tests/data/app/baseline-30x20.csv"), "log/baseline.csv");
        Vorlane w;
        selectMode(w, 2);
        ModalAnswerer answerer;
        const auto run = [&](const QString &barcode) {
            fillTestMessage(w, "L01", "W7", barcode);
            w.start();
            QTest::qWait(1100); // a barcode's files are named by the second
        };
        run("SN1");
        QVERIFY2(pane(w).endsWith("PASS"), qPrintable(pane(w) + answerer.boxes.value(0).text));

        w.findChild<QLineEdit *>("lineEdit_5")->setText("velox");
        w.findChild<QPushButton *>("dengluBtn")->click();
        answerer.thenFile(station.path("Config/p.ini"));
        answerer.then([](QWidget *dialog) {
            auto *settings = qobject_cast<SettingDlg *>(dialog);
            if (!settings)
                return;
            settings->lineEdit("Electric_thr")->setText("25.0");
            for (QPushButton *button : settings->findChildren<QPushButton *>())
                if (button->text() == SettingDlg::tr("Save"))
                    button->click();
        });
        answerer.thenFile(station.path("Config/p.ini"));
        w.On_loadfileBtnClicked();
        QCOMPARE(answerer.pending(), 0);
        QCOMPARE(answerer.fileDialogTitles, (QList<QString>{"Open File", "save"}));
        const QByteArray saved = readAll("Config/p.ini");
        QVERIFY(saved.contains("Electric_thr=25.0"));
        run("SN2");
        QVERIFY2(pane(w).endsWith("PASS"), qPrintable(pane(w)));

        w.settings()->set("ModeSwitch/Bootloader_Auto", "1");
        w.settings()->set("ModeSwitch/Bootloader_Forced", "1");
        w.settings()->set("qlxfile_path", KAVEL_SOURCE_DIR "/tests/data/emulator/three-sections.qlx");
        w.settings()->set("CRC_Version", "6B1D");
        w.settings()->set("eeprom_Version", "V1.1A");
        answerer.then([](QWidget *) {}); // the download dialog, which closes itself
        run("SN3");
        QVERIFY2(pane(w).endsWith("PASS"), qPrintable(pane(w)));

        QTRY_COMPARE(storedRuns("barcode IN ('SN1', 'SN2', 'SN3')", {}), 3);
        QCOMPARE(storedText("profile_sha1", "SN1"), results::conditions::storedProfileText(profile()));
        QCOMPARE(storedText("profile_sha1", "SN2"), results::conditions::storedProfileText(saved));
        QVERIFY(!storedText("profile_sha1", "SN2").contains("qvd"));
        QVERIFY(storedText("profile_sha1", "SN3").contains("Bootloader_Forced=1"));
        QCOMPARE(storedText("firmware_sha1", "SN3"), readAll(KAVEL_SOURCE_DIR "/tests/data/emulator/three-sections.qlx"));
        QCOMPARE(storedRuns("firmware_sha1 IS NULL AND baseline_sha1 IS NULL", {}), 2);
        QCOMPARE(stored("SELECT COUNT(DISTINCT profile_sha1) FROM runs").toInt(), 3);

        const QString v1 = sha1Of(results::conditions::storedProfileText(profile()));
        const QString v2 = sha1Of(results::conditions::storedProfileText(saved));
        Tool t = resultsTool({"profile", "p.ini", "--format", "csv"});
        QCOMPARE(t.exitCode, 0);
        const QStringList versions = t.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(versions.size(), 1 + 3);
        QVERIFY2(versions.at(1).endsWith("," + v1 + ",1") && versions.at(2).endsWith("," + v2 + ",1"),
                 qPrintable(t.out));
        t = resultsTool({"profile", "--diff", v1, v2, "--format", "csv"});
        QCOMPARE(t.exitCode, 0);
        QCOMPARE(t.out, QStringLiteral("key,change,old,new\nElectric_thr,changed,20.0,25.0\n"));
    }

    void buttonStatusWaitsForTheOperatorsKeys_data()
    {
        QTest::addColumn<QString>("operatorDoes"); // "press", "nothing", "close": the dialog closed by hand
        QTest::addColumn<int>("keys");             // Btn_Num
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("stored");       // the store's button_status row
        QTest::newRow("every key pressed and released") << "press" << 3 << "Button Status: PASS" << "1|3.0|3/3";
        QTest::newRow("nobody presses") << "nothing" << 3 << "Button Status: FAIL" << "0|0.0|0/3";
        QTest::newRow("the dialog closed by hand") << "close" << 3 << "Button Status: FAIL" << "0|0.0|0/3";
        QTest::newRow("Btn_Num 0: no keys to press") << "nothing" << 0 << "Vorlane:Btn_Num is %1: no keys to press|0"
                                                     << "0|0.0|0/0";
    }
    void buttonStatusWaitsForTheOperatorsKeys()
    {
        QFETCH(QString, operatorDoes);
        QFETCH(int, keys);
        QFETCH(QString, line);
        QFETCH(QString, stored);
        QByteArray text = profile();
        text.replace("BtnStatus_Mode=0", "BtnStatus_Mode=1");
        text.replace("Btn_Time=10", "Btn_Time=2");
        text.replace("Btn_Num=3", "Btn_Num=" + QByteArray::number(keys));
        StationFixture station(text, true, panelFile("demo.ini"));
        QDir().mkpath("log");
        QFile::copy(QStringLiteral(KAVEL_SOURCE_DIR "/tests/data/app/baseline-30x20.csv"), "log/baseline.csv");
        Vorlane w;
        // The operator presses the three keys one after the other, or closes the dialog.
        int step = 0;
        QTimer hands;
        hands.setInterval(120);
        connect(&hands, &QTimer::timeout, this, [&] {
            const std::uint8_t masks[] = {0x01, 0x00, 0x02, 0x00, 0x04, 0x00};
            if (operatorDoes == "press" && step < 6)
                station.board().setKeys(masks[step++]);
            auto *dialog = qobject_cast<BtnStatusDlg *>(QApplication::activeModalWidget());
            if (operatorDoes == "close" && dialog)
                dialog->close();
        });
        hands.start();
        w.start();
        const bool pass = operatorDoes == "press";
        QVERIFY2(pane(w).contains(shown(line)), qPrintable(pane(w)));
        QVERIFY(pane(w).contains(pass ? "Button Status: PASS" : "Button Status: FAIL"));
        QVERIFY(pane(w).endsWith(pass ? "PASS" : "FAIL"));
        QCOMPARE(filesIn(pass ? "resultsPASS" : "resultsFAIL").size(), 1);
        QTRY_COMPARE(storedItem("button_status"), stored);
    }

    void borderTestEndsTheRun_data()
    {
        QTest::addColumn<unsigned>("sides");
        QTest::addColumn<bool>("pullWhenTraced"); // the board goes once the ring is complete, before the result
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("verdict");
        QTest::addColumn<QString>("stored"); // the store's border row
        QTest::newRow("the whole border traced") << unsigned(emulator::script::AllSides) << false << "border: PASS"
                                                 << "PASS" << "1|0.0|0";
        QTest::newRow("the left side missed") << unsigned(emulator::script::AllSides & ~emulator::script::Left)
                                              << false << "border: FAIL" << "FAIL" << "0|16.0|16";
        QTest::newRow("the board pulled before the result") << unsigned(emulator::script::AllSides) << true
                                                             << "border: PASS" << "FAIL" << "1|0.0|0";
    }
    void borderTestEndsTheRun()
    {
        QFETCH(unsigned, sides);
        QFETCH(bool, pullWhenTraced);
        QFETCH(QString, line);
        QFETCH(QString, verdict);
        QFETCH(QString, stored);
        QByteArray text = profile();
        text.replace("Border_Mode=0", "Border_Mode=1");
        text.replace("Border_test_time=30", "Border_test_time=12");
        StationFixture station(text, true, panelFile("demo.ini"));
        QDir().mkpath("log");
        QFile::copy(QStringLiteral(KAVEL_SOURCE_DIR "/tests/data/app/baseline-30x20.csv"), "log/baseline.csv");
        Vorlane w;
        auto *border = w.findChild<BorderWidget *>();
        if (pullWhenTraced) {
            // At the touch that completes the ring, before the widget's next tick judges it.
            connect(border->findChild<QTableWidget *>(), &QTableWidget::itemChanged, this, [&] {
                if (station.board().isPlugged() && border->cellsLeft() == 0)
                    station.board().unplug();
            });
        }
        w.start();
        // The run waits for the operator: nothing is filed yet, and it is still running.
        QVERIFY(!pane(w).contains("border"));
        QCOMPARE(filesIn("resultsPASS") + filesIn("resultsFAIL"), QStringList());
        QVERIFY(w.isRunning());
        QVERIFY(!w.findChild<QPushButton *>("pushButton_2")->isEnabled());
        emulator::ScriptPlayer finger(station.board());
        // Slow enough that no cell passes between two scans of the panel: the
        // second column is only three pixels wide on a 40-pixel grid.
        finger.play(emulator::script::borderTrace(1280, 800, 400, sides, emulator::script::Insets{8, 8, 8, 0}));
        QTRY_VERIFY_WITH_TIMEOUT(pane(w).contains(line), 20000);
        QTRY_VERIFY(pane(w).endsWith(verdict));
        QTRY_COMPARE(filesIn("results" + verdict).size(), 1);
        QCOMPARE(filesIn(verdict == "PASS" ? "resultsFAIL" : "resultsPASS"), QStringList());
        QTRY_COMPARE(storedItem("border"), stored);
        QVERIFY(!w.isRunning());
    }

    void handsOnItemsTogether_data()
    {
        QTest::addColumn<int>("keysPressed");
        QTest::addColumn<bool>("drawing"); // the live display after the run, the operator's drawing check
        QTest::addColumn<QString>("verdict");
        QTest::newRow("every key and the whole border") << 3 << false << "PASS";
        QTest::newRow("every key, the whole border and the drawing") << 3 << true << "PASS";
        QTest::newRow("one key missed") << 2 << false << "FAIL";
    }
    void handsOnItemsTogether()
    {
        QFETCH(int, keysPressed);
        QFETCH(bool, drawing);
        QFETCH(QString, verdict);
        QByteArray text = profile();
        for (const char *on : {"BtnStatus_Mode", "Border_Mode", "Calibrate_Mode"})
            text.replace(QByteArray(on) + "=0", QByteArray(on) + "=1");
        if (drawing)
            text.replace("Nomal_Mode=0", "Nomal_Mode=1");
        text.replace("Border_test_time=30", "Border_test_time=12");
        text.replace("Btn_Time=10", "Btn_Time=3");
        text.replace("Calibrate_time=5", "Calibrate_time=0");
        StationFixture station(text, true, panelFile("demo.ini"));
        QDir().mkpath("log");
        QFile::copy(QStringLiteral(KAVEL_SOURCE_DIR "/tests/data/app/baseline-30x20.csv"), "log/baseline.csv");
        Vorlane w;
        emulator::ScriptPlayer operatorHands(station.board());
        // The operator acts when the station asks: keys while the key dialog
        // is up, the finger once the border widget shows, and a look at the
        // live display before closing it.
        bool keysDone = false, borderDone = false, drawingDone = false;
        QTimer watch;
        watch.setInterval(50);
        connect(&watch, &QTimer::timeout, this, [&] {
            QWidget *modal = QApplication::activeModalWidget();
            if (!keysDone && qobject_cast<BtnStatusDlg *>(modal)) {
                keysDone = true;
                operatorHands.play(emulator::script::keyPresses(emulator::script::everyKey(keysPressed),
                                                                std::chrono::milliseconds(150),
                                                                std::chrono::milliseconds(150)));
            }
            QWidget *borderWidget = w.findChild<BorderWidget *>();
            if (!borderDone && borderWidget && borderWidget->isVisible()) {
                borderDone = true;
                operatorHands.play(emulator::script::borderTrace(1280, 800, 400, emulator::script::AllSides,
                                                                 emulator::script::Insets{8, 8, 8, 0}));
            }
            if (borderDone && !drawingDone && modal && modal->findChild<QPushButton *>() &&
                modal->findChild<QPushButton *>()->text() == "clear") {
                drawingDone = true;
                QTimer::singleShot(300, modal, &QWidget::close);
            }
        });
        watch.start();
        w.start();
        // The large verdict stands on a line of its own.
        QTRY_VERIFY2_WITH_TIMEOUT(pane(w).split('\n').constLast() == verdict, qPrintable(pane(w)), 30000);
        QVERIFY(keysDone);
        QCOMPARE(borderDone, verdict == "PASS");
        QCOMPARE(drawingDone, drawing);
        QVERIFY(pane(w).contains(verdict == "PASS" ? "Button Status: PASS" : "Button Status: FAIL"));
        QTRY_COMPARE(filesIn(verdict == "PASS" ? "resultsPASS" : "resultsFAIL").size(), 1);
        // The file holds none of these items; the store has each that ran.
        QTRY_COMPARE(storedItem("button_status"), QString("%1|%2.0|%2/3").arg(verdict == "PASS").arg(keysPressed));
        if (verdict == "PASS") {
            QCOMPARE(storedItem("border"), QString("1|0.0|0"));
            // Calibrate_time 0: two ticks, a command on each.
            QCOMPARE(storedItem("calibration"), QString("1|2.0|2"));
        } else {
            QCOMPARE(storedItem("border"), QString());
        }
        QCOMPARE(storedItem("drawing"), drawing ? QString("1|null|") : QString());
        QVERIFY(!w.isRunning());
    }

    // Calibration inside a run that did not run to its end fails the run.
    void calibrationThatDidNotCompleteFailsTheRun_data()
    {
        QTest::addColumn<QString>("panel");
        QTest::addColumn<QString>("operatorDoes"); // "escape", "button" (the close button), or "" (waits)
        QTest::addColumn<QString>("verdict");
        QTest::addColumn<QString>("stored"); // the store's calibration row
        QTest::newRow("counted down to its end") << "demo.ini" << "" << "PASS" << "1|3.0|3";
        QTest::newRow("closed with Escape") << "demo.ini" << "escape" << "FAIL" << "0|0.0|0";
        QTest::newRow("closed with its close button") << "demo.ini" << "button" << "FAIL" << "0|0.0|0";
        QTest::newRow("the command not acknowledged") << "nack_calibration.ini" << "" << "FAIL" << "0|3.0|3";
    }
    void calibrationThatDidNotCompleteFailsTheRun()
    {
        QFETCH(QString, panel);
        QFETCH(QString, operatorDoes);
        QFETCH(QString, verdict);
        QFETCH(QString, stored);
        // Without the TB item, which the refused command register would fail too.
        QByteArray text = edited(profile(), "Calibrate_Mode=0>Calibrate_Mode=1;Calibrate_time=5>Calibrate_time=1;"
                                            "Tb_Mode=1>Tb_Mode=0");
        StationFixture station(text, true, panelFile(panel));
        copyDemoBaseline();
        Vorlane w;
        QTimer hands;
        connect(&hands, &QTimer::timeout, this, [&] {
            auto *dialog = qobject_cast<CalibrateDialog *>(QApplication::activeModalWidget());
            if (!dialog || operatorDoes.isEmpty())
                return;
            if (operatorDoes == "escape")
                QTest::keyClick(dialog, Qt::Key_Escape);
            else
                dialog->close();
        });
        hands.start(50);
        w.start();
        QVERIFY2(pane(w).endsWith(verdict), qPrintable(pane(w)));
        QCOMPARE(pane(w).contains(QCoreApplication::translate("Vorlane", "Calibrate: FAIL")), verdict == "FAIL");
        // Only the calibration failed.
        QVERIFY(!pane(w).contains("FAIL") || pane(w).count("FAIL") == 2);
        QCOMPARE(filesIn("results" + verdict).size(), 1);
        QTRY_COMPARE(storedItem("calibration"), stored);
    }

    // Whatever asks for a run while one is pending (border test, key dialog)
    // is refused; a board that arrives is taken once the run has ended.
    void aRunIsNeverEnteredTwice_data()
    {
        QTest::addColumn<QString>("moment"); // "border" or "keys"
        QTest::addColumn<QString>("source");
        QTest::addColumn<int>("runs");       // runs the store holds in the end
        QTest::newRow("start clicked during the border test") << "border" << "click" << 1;
        QTest::newRow("Enter in the barcode field during the border test") << "border" << "enter" << 1;
        QTest::newRow("start called during the border test") << "border" << "start" << 1;
        QTest::newRow("signed out during the border test") << "border" << "sign-out" << 1;
        QTest::newRow("start called in the key dialog") << "keys" << "start" << 1;
        QTest::newRow("a board arrival in the key dialog") << "keys" << "arrival" << 2;
    }
    void aRunIsNeverEnteredTwice()
    {
        QFETCH(QString, moment);
        QFETCH(QString, source);
        QFETCH(int, runs);
        QByteArray text = profile();
        text.replace(moment == "border" ? "Border_Mode=0" : "BtnStatus_Mode=0",
                     moment == "border" ? "Border_Mode=1" : "BtnStatus_Mode=1");
        text.replace("Border_test_time=30", "Border_test_time=12");
        text.replace("Btn_Time=10", "Btn_Time=3");
        text.replace("Power_On_Test=0", "Power_On_Test=1");
        StationFixture station(text, true, panelFile("demo.ini"));
        copyDemoBaseline();
        Vorlane w;
        // A power-on station runs in Auto mode; Enter starts runs in Barcode mode only.
        selectMode(w, source == "enter" ? 2 : 0);
        if (source == "sign-out") {
            w.findChild<QLineEdit *>("lineEdit_5")->setText("123456");
            w.login();
            QVERIFY(w.findChild<QPushButton *>("dengluBtn")->isCheckable());
        }
        fillTestMessage(w, "", "", "SN50");
        auto *startButton = w.findChild<QPushButton *>("pushButton_2");
        emulator::ScriptPlayer hands(station.board());
        int dialogsEnded = 0;
        bool acted = false, startEnabled = false, traced = false, pressed = false;
        connect(w.findChild<BtnStatusDlg *>(), &BtnStatusDlg::getResultSignal, this, [&] {
            ++dialogsEnded;
            pressed = false;
        });
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&] {
            auto *keys = qobject_cast<BtnStatusDlg *>(QApplication::activeModalWidget());
            auto *border = w.findChild<BorderWidget *>();
            const bool atMoment = moment == "border" ? border->isVisible() && border->isCounting() : keys != nullptr;
            if (!atMoment)
                return;
            if (!acted) {
                acted = true;
                if (source == "click") {
                    startButton->click();
                } else if (source == "enter") {
                    w.findChild<QLineEdit *>("lineEdit_4")->setText("SN51");
                    QMetaObject::invokeMethod(w.findChild<QLineEdit *>("lineEdit_4"), "returnPressed");
                } else if (source == "start") {
                    w.start();
                } else if (source == "sign-out") {
                    w.loginout();
                } else if (source == "arrival") {
                    // Pulled and plugged in again: the station hears both.
                    station.board().unplug();
                    w.onDeviceRemoved();
                    station.board().plug();
                    w.onDeviceArrived();
                    return;
                }
                startEnabled = startButton->isEnabled();
            }
            if (moment == "border" && !traced) {
                traced = true;
                hands.play(emulator::script::borderTrace(1280, 800, 400, emulator::script::AllSides,
                                                         emulator::script::Insets{8, 8, 8, 0}));
            }
            if (moment == "keys" && keys && !pressed && (source != "arrival" || dialogsEnded > 0)) {
                pressed = true;
                hands.play(emulator::script::keyPresses(emulator::script::everyKey(3), std::chrono::milliseconds(150),
                                                        std::chrono::milliseconds(150)));
            }
        });
        watch.start(20);
        w.start();
        QTRY_VERIFY_WITH_TIMEOUT(acted && !w.isRunning() && storedRuns("1 = 1", {}) == runs, 30000);
        QVERIFY(!startEnabled);
        // The run went on undisturbed: its first line is still there, and it passed.
        QVERIFY2(pane(w).contains("read Electric"), qPrintable(pane(w)));
        QTRY_VERIFY2(pane(w).endsWith("PASS"), qPrintable(pane(w)));
        QCOMPARE(pane(w).contains(QCoreApplication::translate("Vorlane", "Test run in progress: start refused")),
                 source == "start");
        if (source == "arrival") {
            // The run pending failed (its board left), the arrival's own run passed.
            QCOMPARE(filesIn("resultsFAIL").size(), 1);
            QCOMPARE(filesIn("resultsPASS").size(), 1);
        } else {
            QCOMPARE(filesIn("resultsFAIL"), QStringList());
            QCOMPARE(filesIn("resultsPASS").size(), 1);
        }
        QVERIFY(w.findChild<QPushButton *>("pushButton_2")->isEnabled());
    }

    // Closing the window while a run waits for the operator: the station asks,
    // the item waited for fails, what was measured is filed and recorded, and
    // only then does the window close.
    void closingTheWindowDuringARunFilesItFirst_data()
    {
        QTest::addColumn<QString>("moment");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("item");
        QTest::newRow("the border test") << "border" << "border: FAIL" << "border";
        QTest::newRow("the key dialog") << "keys" << "Button Status: FAIL" << "button_status";
        QTest::newRow("the calibration countdown") << "calibration" << "Vorlane:Calibrate: FAIL" << "calibration";
        QTest::newRow("the drawing check") << "drawing" << "Vorlane:Drawing: FAIL" << "drawing";
    }
    void closingTheWindowDuringARunFilesItFirst()
    {
        QFETCH(QString, moment);
        QFETCH(QString, line);
        QFETCH(QString, item);
        const QByteArray gate = moment == "border" ? "Border_Mode"
                                : moment == "keys" ? "BtnStatus_Mode"
                                : moment == "calibration" ? "Calibrate_Mode"
                                                          : "Nomal_Mode";
        QByteArray text = profile();
        text.replace(gate + "=0", gate + "=1");
        // Every countdown well longer than the close may take: the item ends
        // because the window closes, not because its time ran out.
        text.replace("Border_test_time=30", "Border_test_time=12");
        text.replace("Calibrate_time=5", "Calibrate_time=10");
        StationFixture station(text, true, panelFile("demo.ini"));
        copyDemoBaseline();
        auto w = std::make_unique<Vorlane>();
        ModalAnswerer answerer;
        bool closing = false;
        QElapsedTimer sinceClose;
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&] {
            QWidget *modal = QApplication::activeModalWidget();
            const bool atMoment = moment == "border"   ? w->findChild<BorderWidget *>()->isCounting()
                                  : moment == "keys"   ? qobject_cast<BtnStatusDlg *>(modal) != nullptr
                                  : moment == "calibration" ? qobject_cast<CalibrateDialog *>(modal) != nullptr
                                                       : modal && modal->findChild<QPushButton *>()
                                                             && modal->findChild<QPushButton *>()->text() == "clear";
            if (closing || !atMoment)
                return;
            closing = true;
            sinceClose.start();
            // The operator closes the main window and answers its question yes.
            answerer.thenBox(QMessageBox::Yes);
            QTimer::singleShot(0, w.get(), [&w] { w->close(); });
        });
        watch.start(50);
        w->show();
        w->start();
        QTRY_VERIFY_WITH_TIMEOUT(closing && !w->isVisible(), 20000);
        QVERIFY2(sinceClose.elapsed() < 6000, qPrintable(QString::number(sinceClose.elapsed())));
        QCOMPARE(answerer.boxes.size(), 1);
        QVERIFY2(pane(*w).contains(shown(line)), qPrintable(pane(*w)));
        QVERIFY(pane(*w).endsWith("FAIL"));
        QVERIFY(!w->isRunning());
        const QStringList failed = filesIn("resultsFAIL");
        QCOMPARE(failed.size(), 1);
        QVERIFY(readAll("resultsFAIL/" + failed.first()).startsWith("Electric,PASS,"));
        QCOMPARE(filesIn("resultsPASS"), QStringList());
        QTRY_COMPARE(storedRuns("verdict = 'FAIL'", {}), 1);
        QTRY_VERIFY2(storedItem(item).startsWith("0|"), qPrintable(storedItem(item)));
    }
};

QTEST_MAIN(TestRun)
#include "tst_run.moc"
