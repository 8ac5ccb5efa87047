#include "displayview.h"
#include "hidcommand.h"
#include "normalscene.h"
#include "modalanswer.h"
#include "stationfixture.h"
#include "streamkind.h"
#include "streammailbox.h"
#include "vorlane.h"

#include <QDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTextBrowser>
#include <QtTest>

#include <map>

namespace {
const QByteArray kProfile = "[General]\nx_electrodes=30\ny_electrodes=20\nx_res=1280\ny_res=800\nInit_time=10\n"
                            "Raster_edge_ratio=2\n";

QString pane(Vorlane &w)
{
    return w.findChild<QTextBrowser *>("textBrowser")->toPlainText();
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The top-level dialog of the window that holds the live display.
QDialog *displayDialog(Vorlane &w)
{
    for (QDialog *d : w.findChildren<QDialog *>(Qt::FindDirectChildrenOnly)) {
        if (d->findChild<QPushButton *>() && d->findChild<QPushButton *>()->text() == "clear")
            return d;
    }
    return nullptr;
}

// The "Debug Mode" box is for a signed-in engineer.
void signIn(Vorlane &w)
{
    w.findChild<QGroupBox *>("groupBox")->setEnabled(true);
}
} // namespace

// The "Debug Mode" commands against the emulated board.
class TestModes : public QObject
{
    Q_OBJECT

private slots:
    void everyModeNeedsABoard()
    {
        StationFixture station(kProfile, false);
        Vorlane w;
        signIn(w);
        ModalAnswerer answerer;
        const QStringList buttons{"nomalBtn", "pushButton", "internalBtn", "rasterXBtn", "rasterYBtn", "InternalRXBtn",
                                  "InternalRYBtn"};
        for (const QString &name : buttons) {
            answerer.thenBox(QMessageBox::Ok);
            w.findChild<QPushButton *>(name)->click();
        }
        answerer.thenBox(QMessageBox::Ok);
        w.SwitchWindows();
        QCOMPARE(answerer.boxes.size(), buttons.size() + 1);
        for (const auto &box : answerer.boxes) {
            QCOMPARE(box.title, QString("error"));
            QCOMPARE(box.text, QCoreApplication::translate("Vorlane", "can't find device!\r\n"));
        }
        QCOMPARE(answerer.pending(), 0);
    }

    void rasterXFillsTheTableLive()
    {
        emulator::PanelDescription panel;
        panel.xElectrodes = 20;
        panel.yElectrodes = 12;
        StationFixture station("[General]\nx_electrodes=20\ny_electrodes=12\nRaster_edge_ratio=2\n", true, panel);
        Vorlane w;
        signIn(w);
        auto *table = w.findChild<QTableWidget *>();
        // The streams size their blocks by what the panel said it has.
        w.On_refreshBtnClicked();
        w.findChild<QPushButton *>("rasterXBtn")->click();
        QCOMPARE(device::stream::debugDataKind(), 3);
        QVERIFY(table->isVisible());
        QCOMPARE(table->rowCount(), 13);
        QCOMPARE(table->columnCount(), 21);
        // Every row arrives from the stream; nothing keeps its placeholder.
        QTRY_VERIFY_WITH_TIMEOUT(table->item(12, 20)->text() != "123" && table->item(0, 0)->text() != "123", 10000);
        QTRY_VERIFY(table->item(6, 10)->text() != "123");
        // The stream runs until the next command stops it.
        w.StopCom();
        QVERIFY(table->isVisible());
    }

    void closingTheDisplayStopsItsStream()
    {
        StationFixture station(kProfile);
        Vorlane w;
        signIn(w);
        w.On_refreshBtnClicked();
        QVERIFY(station.board().startTrace(station.path("wire.txt")));
        // "Debug": the dialog runs modally and records reach the record pane;
        // closing it stops the thread.
        QDialog *display = displayDialog(w);
        QVERIFY(display);
        bool sawRecords = false;
        bool blocksTheWindow = false;
        QTimer::singleShot(600, display, [&] {
            sawRecords = w.command() && display->isVisible();
            blocksTheWindow = QApplication::activeModalWidget() == display;
            display->reject();
        });
        w.findChild<QPushButton *>("pushButton")->click();
        QVERIFY(sawRecords);
        // The main window takes no clicks while the display is up.
        QVERIFY(blocksTheWindow);
        QVERIFY(!displayDialog(w)->isVisible());
        // Nothing talks to the board once the dialog is closed.
        const QByteArray afterDebug = readAll(station.path("wire.txt"));
        QTest::qWait(300);
        QCOMPARE(readAll(station.path("wire.txt")), afterDebug);
        station.board().stopTrace();
        QVERIFY(afterDebug.contains("out 02 00 00 01 88 02 01 01")); // debug mode written

        // "Nomal": closing the dialog also switches the interrupt reports off.
        QVERIFY(station.board().startTrace(station.path("wire2.txt")));
        QTimer::singleShot(300, display, &QDialog::reject);
        w.findChild<QPushButton *>("nomalBtn")->click();
        station.board().stopTrace();
        const QList<QByteArray> lines = readAll(station.path("wire2.txt")).split('\n');
        int lastEnable = -1, lastDisable = -1;
        for (int i = 0; i < lines.size(); ++i) {
            if (lines[i].contains("out 02 05"))
                (lines[i].contains("out 02 05 00 01 01") ? lastDisable : lastEnable) = i;
        }
        QVERIFY(lastEnable >= 0);
        QVERIFY2(lastDisable > lastEnable, "the interrupt reports were left on after the display closed");

        // "InternalM0" leaves the clear button as the mode before it left it.
        for (const auto &[before, shown] : {std::pair{"nomalBtn", true}, std::pair{"pushButton", false}}) {
            QTimer::singleShot(200, display, &QDialog::reject);
            w.findChild<QPushButton *>(before)->click();
            bool clearShown = !shown;
            QTimer::singleShot(200, display, [&] {
                clearShown = display->findChild<QPushButton *>()->isVisible();
                display->reject();
            });
            w.findChild<QPushButton *>("internalBtn")->click();
            QCOMPARE(clearShown, shown);
        }
    }

    // Against a board with no bus time the debug stream outruns a window that
    // is busy elsewhere: what waits for the window stays bounded, the older
    // frames give way, and the window still shows a whole frame.
    void debugDisplayStaysBoundedAgainstAFastBoard()
    {
        StationFixture station(kProfile);
        Vorlane w;
        signIn(w);
        w.On_refreshBtnClicked();
        auto *frames = w.findChild<device::stream::Mailbox *>("streamFrames");
        QVERIFY(frames);
        QDialog *display = displayDialog(w);
        QString shown;
        // After the 500 ms mode switch.
        QTimer::singleShot(800, display, [&] {
            QThread::msleep(300);
            QTimer::singleShot(200, display, [&] {
                shown = display->findChild<QTextBrowser *>()->toPlainText();
                display->reject();
            });
        });
        w.findChild<QPushButton *>("pushButton")->click();
        QVERIFY(frames->dropped() > 0);
        // X, Y and the pair per frame, and the rest of a frame already begun.
        QVERIFY2(frames->mostPending() <= 3 * frames->limit() + 2, qPrintable(QString::number(frames->mostPending())));
        const QStringList pair = shown.split('\n');
        QCOMPARE(pair.size(), 2);
        QVERIFY(pair[0].startsWith('X') && pair[1].startsWith('Y'));
        QCOMPARE(pair[0].count(','), 29);
        QCOMPARE(pair[1].count(','), 19);
    }

    // The mode keys switch streams and parsers without a device check or a window.
    void modeKeys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("kind");         // after the key; 5 = left as it was
        QTest::addColumn<QString>("stream");   // the signal that shows which stream runs
        QTest::addColumn<bool>("clearsPane");
        QTest::addColumn<bool>("normalScene"); // a touch parser drawing at once
        QTest::newRow("C") << int(Qt::Key_C) << 5 << "none" << true << false;
        QTest::newRow("N") << int(Qt::Key_N) << 5 << "none" << true << true;
        QTest::newRow("D") << int(Qt::Key_D) << 1 << "debug" << false << false;
        QTest::newRow("I") << int(Qt::Key_I) << 2 << "debug" << false << false;
        QTest::newRow("R") << int(Qt::Key_R) << 3 << "raster" << false << false;
        QTest::newRow("W") << int(Qt::Key_W) << 4 << "internal raster" << false << false;
    }
    void modeKeys()
    {
        QFETCH(int, key);
        QFETCH(int, kind);
        QFETCH(QString, stream);
        QFETCH(bool, clearsPane);
        QFETCH(bool, normalScene);

        StationFixture station(kProfile);
        Vorlane w;
        w.On_refreshBtnClicked();
        device::stream::setDebugDataKind(5);
        QSignalSpy debug(w.command(), &HidCommand::readDebug);
        QSignalSpy raster(w.command(), &HidCommand::readRaster);
        QSignalSpy internalRaster(w.command(), &HidCommand::readInternalRaster);
        const std::map<QString, QSignalSpy *> streams{
            {"debug", &debug}, {"raster", &raster}, {"internal raster", &internalRaster}};
        auto *view = w.findChild<quilex_gui_qtlib::DisplayView *>();
        QVERIFY(!std::dynamic_pointer_cast<quilex_gui_qtlib::NormalScene>(view->currentScene()));

        ModalAnswerer answerer;
        QTest::keyClick(&w, Qt::Key(key));
        QCOMPARE(device::stream::debugDataKind(), kind);
        QCOMPARE(pane(w).isEmpty(), clearsPane);
        QCOMPARE(bool(std::dynamic_pointer_cast<quilex_gui_qtlib::NormalScene>(view->currentScene())), normalScene);
        if (stream != "none")
            QTRY_VERIFY_WITH_TIMEOUT(streams.at(stream)->count() > 0, 5000);
        QTest::qWait(200);
        for (const auto &[name, spy] : streams)
            QVERIFY2(name == stream || spy->count() == 0, qPrintable(name));
        QVERIFY(answerer.boxes.isEmpty());
        QVERIFY(!displayDialog(w)->isVisible());
        w.StopCom();
    }

    void firmwareUpdateThroughTheDialog()
    {
        StationFixture station(kProfile + "qlxfile_path=" + QByteArray(KAVEL_SOURCE_DIR)
                               + "/tests/data/emulator/three-sections.qlx\n");
        Vorlane w;
        signIn(w);
        auto *progress = w.findChild<QProgressBar *>();
        int lastMaximum = 0;
        QList<int> acknowledged;
        connect(w.command(), &HidCommand::readline, this, [&](int sent, int total) {
            lastMaximum = total;
            acknowledged << sent;
            // "download" again while the bootloader waits out the pause after
            // the first record: the download goes on where it is.
            if (acknowledged.size() == 1) {
                for (QPushButton *b : w.findChildren<QPushButton *>())
                    if (b->text() == "download")
                        b->click();
            }
        });
        QVERIFY(w.icUpdateFun(true));
        QVERIFY(lastMaximum > 0);
        QVERIFY(acknowledged.size() > 2);
        for (int i = 0; i < acknowledged.size(); ++i)
            QCOMPARE(acknowledged.at(i), i + 1);
        QVERIFY(!progress->isVisible());
        QVERIFY(pane(w).contains("KavelC Initialization complete"));
        QCOMPARE(w.findChild<QLineEdit *>("lineEdit_6")->text(), QString("6B1D"));
        QCOMPARE(w.findChild<QLineEdit *>("lineEdit_7")->text(), QString("V1.1A"));
        QVERIFY(w.isEnabled());
    }

    void firmwareDialogClosedWithoutSuccess()
    {
        emulator::PanelDescription panel;
        panel.faults.refuseRecord = 2;
        StationFixture station(kProfile + "qlxfile_path=" + QByteArray(KAVEL_SOURCE_DIR)
                                   + "/tests/data/emulator/three-sections.qlx\n",
                               true, panel);
        Vorlane w;
        signIn(w);
        ModalAnswerer answerer;
        // The dialog opens, the refusal box comes, then the operator closes the dialog.
        answerer.then([](QWidget *dialog) {
            QTRY_VERIFY_WITH_TIMEOUT(QApplication::activeModalWidget() != dialog, 10000);
        });
        answerer.thenBox(QMessageBox::Ok);
        answerer.then([](QWidget *dialog) { static_cast<QDialog *>(dialog)->reject(); });
        QVERIFY(!w.icUpdateFun(true));
        QCOMPARE(answerer.boxes.value(0).text, QString("HID Download file error"));
        QCOMPARE(w.findChild<QLineEdit *>("lineEdit_6")->text(), QString());
    }

    void unplugInEveryLiveModeLeavesTheStationUsable()
    {
        StationFixture station(kProfile);
        Vorlane w;
        signIn(w);
        const QStringList rasterButtons{"rasterXBtn", "rasterYBtn", "InternalRXBtn", "InternalRYBtn"};
        for (const QString &name : rasterButtons) {
            w.findChild<QPushButton *>(name)->click();
            QTest::qWait(50);
            station.board().unplug();
            w.onDeviceRemoved();
            QCOMPARE(pane(w).trimmed(), QString("HID_Removed!"));
            QVERIFY(!w.findChild<QTableWidget *>()->isVisible());
            station.board().plug();
            w.onDeviceArrived();
            QVERIFY(pane(w).trimmed().endsWith("HID_Arrived!"));
        }
        // Modal modes: the board leaves while their dialog is open.
        for (const QString &name : {QString("pushButton"), QString("internalBtn"), QString("nomalBtn")}) {
            QTimer::singleShot(300, &w, [&] {
                station.board().unplug();
                w.onDeviceRemoved();
            });
            w.findChild<QPushButton *>(name)->click();
            QVERIFY(!displayDialog(w)->isVisible());
            QCOMPARE(pane(w).trimmed(), QString("HID_Removed!"));
            station.board().plug();
            w.onDeviceArrived();
        }
        w.On_refreshBtnClicked();
        QCOMPARE(w.findChild<QLineEdit *>("XNEdit")->text(), QString("30"));
    }
};

QTEST_MAIN(TestModes)
#include "tst_modes.moc"
