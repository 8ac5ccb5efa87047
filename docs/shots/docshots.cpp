// Takes the README's pictures: the real main window and its dialogs, driven the
// way an operator or engineer would, against the in-process emulated board.
// Run it on a real (or virtual) X screen: scripts/screenshots.sh.

#include "borderwidget.h"
#include "loganalysisdialog.h"
#include "stationfixture.h"
#include "vorlane.h"

#include <operatorscript.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QGraphicsView>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QRadioButton>
#include <QTableWidget>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

QString g_out;
QString g_translations;
int g_failures = 0;

void fail(const QString &what)
{
    std::fprintf(stderr, "docshots: %s\n", qPrintable(what));
    ++g_failures;
}

// The demo profile with the items that need an operator switched off unless asked for.
QByteArray demoProfile(const QList<QByteArray> &on = {})
{
    QFile f(QStringLiteral(KAVEL_SOURCE_DIR "/resources/demo/Config/demo.ini"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QByteArray text = f.readAll();
    for (const char *off : {"BtnStatus_Mode", "Border_Mode", "Calibrate_Mode", "Nomal_Mode"}) {
        text.replace(QByteArray(off) + "=1", QByteArray(off) + "=0");
    }
    for (const QByteArray &key : on)
        text.replace(key + "=0", key + "=1");
    text.replace("Border_test_time=30", "Border_test_time=20");
    return text;
}

emulator::PanelDescription panelFile(const QString &name)
{
    auto panel = emulator::PanelDescription::load(QStringLiteral(KAVEL_SOURCE_DIR "/emulator/panels/") + name);
    if (!panel)
        fail(QStringLiteral("no panel description ") + name);
    return panel ? *panel : emulator::PanelDescription();
}

// Every picture is taken with the bus time of a real board (1 ms a report): a
// board that answers at once streams far faster than any window draws.

// Lays out the scratch folder as the demo does: translations and a baseline.
void prepareFolder()
{
    for (const char *qm : {"vorlane_zh.qm", "vorlane_en.qm"})
        QFile::copy(g_translations + QLatin1Char('/') + QLatin1String(qm), QLatin1String(qm));
    QDir().mkpath(QStringLiteral("log"));
    QFile::copy(QStringLiteral(KAVEL_SOURCE_DIR "/resources/demo/log/baseline.csv"), QStringLiteral("log/baseline.csv"));
}

void save(QWidget *widget, const QString &name)
{
    if (!widget || !widget->isVisible()) {
        fail(QStringLiteral("nothing to show for ") + name);
        return;
    }
    const QString path = g_out + QLatin1Char('/') + name;
    // What the X server shows of the window, as import would take it.
    QWidget *window = widget->window();
    if (!QGuiApplication::primaryScreen()->grabWindow(window->winId()).save(path))
        fail(QStringLiteral("could not write ") + path);
    else
        std::printf("docshots: %s\n", qPrintable(path));
    std::fflush(stdout);
}

QString pane(Vorlane &w)
{
    return w.findChild<QTextBrowser *>(QStringLiteral("textBrowser"))->toPlainText();
}

bool waitForVerdict(Vorlane &w, int timeoutMs)
{
    return QTest::qWaitFor(
        [&] {
            const QString last = pane(w).split(QLatin1Char('\n')).constLast();
            return last == QLatin1String("PASS") || last == QLatin1String("FAIL");
        },
        timeoutMs);
}

void showWindow(Vorlane &w)
{
    w.setEnglish();
    w.move(0, 0);
    w.show();
    if (!QTest::qWaitForWindowExposed(&w))
        fail(QStringLiteral("the main window was not shown"));
}

void fillTestMessage(Vorlane &w, const QString &barcode)
{
    w.findChild<QLineEdit *>(QStringLiteral("lineEdit_2"))->setText(QStringLiteral("L2612-07"));
    w.findChild<QLineEdit *>(QStringLiteral("lineEdit_3"))->setText(QStringLiteral("W042"));
    w.findChild<QLineEdit *>(QStringLiteral("lineEdit_4"))->setText(barcode);
}

void signIn(Vorlane &w)
{
    w.findChild<QLineEdit *>(QStringLiteral("lineEdit_5"))->setText(QStringLiteral("123456"));
    w.login();
}

// While a modal window runs, calls `act` once `ready` holds, then closes the window.
void whileModal(QWidget *owner, std::function<QWidget *()> ready, std::function<void(QWidget *)> act)
{
    auto *timer = new QTimer(owner);
    timer->setInterval(50);
    QObject::connect(timer, &QTimer::timeout, owner, [timer, ready, act] {
        if (QWidget *window = ready()) {
            timer->stop();
            timer->deleteLater();
            act(window);
        }
    });
    timer->start();
}

// The top-level dialog of the window that holds the live display.
QDialog *displayDialog(Vorlane &w)
{
    for (QDialog *d : w.findChildren<QDialog *>(Qt::FindDirectChildrenOnly)) {
        if (d->isVisible() && d->findChild<QGraphicsView *>())
            return d;
    }
    return nullptr;
}

// Two fingers drawing loops on the panel, 20 ms a step.
emulator::OperatorScript twoFingers(int xRes, int yRes, int steps)
{
    emulator::OperatorScript script;
    for (int i = 0; i < steps; ++i) {
        const double t = i / double(steps) * 2 * M_PI;
        emulator::OperatorStep step;
        step.at = std::chrono::milliseconds(20 * i);
        std::vector<emulator::Touch> touches;
        touches.push_back({1, std::uint16_t(xRes * (0.3 + 0.18 * std::cos(t))), std::uint16_t(yRes * (0.5 + 0.3 * std::sin(2 * t)))});
        touches.push_back({2, std::uint16_t(xRes * (0.72 + 0.12 * std::sin(t))), std::uint16_t(yRes * (0.5 + 0.32 * std::cos(t)))});
        step.touches = touches;
        script.push_back(step);
    }
    emulator::OperatorStep up;
    up.at = std::chrono::milliseconds(20 * steps);
    up.touches = std::vector<emulator::Touch>();
    script.push_back(up);
    return script;
}

void passAndFailAndLogs()
{
    StationFixture station(demoProfile(), true, panelFile("demo.ini"));
    station.board().setLatency(emulator::LatencyModel::usbFullSpeed());
    prepareFolder();
    Vorlane w;
    showWindow(w);
    fillTestMessage(w, QString());
    w.start();
    if (!waitForVerdict(w, 60000) || !pane(w).endsWith(QLatin1String("PASS")))
        fail(QStringLiteral("the good panel did not pass: ") + pane(w));
    QTest::qWait(300);
    save(&w, QStringLiteral("main-pass.png"));

    station.board().setPanel(panelFile("raster_dent.ini"));
    w.On_refreshBtnClicked();
    w.start();
    if (!waitForVerdict(w, 60000) || !pane(w).endsWith(QLatin1String("FAIL")))
        fail(QStringLiteral("the dented panel did not fail: ") + pane(w));
    QTest::qWait(300);
    save(&w, QStringLiteral("main-fail.png"));

    // The log viewer on the failed panel's file: its raster chart.
    whileModal(
        &w, [] { return qobject_cast<LogAnalysisDialog *>(QApplication::activeModalWidget()); },
        [](QWidget *window) {
            auto *dialog = static_cast<LogAnalysisDialog *>(window);
            dialog->resize(1400, 900);
            QTreeWidget *tree = dialog->tree();
            QTreeWidgetItem *failed = nullptr;
            for (int i = 0; i < tree->topLevelItemCount(); ++i) {
                QTreeWidgetItem *folder = tree->topLevelItem(i);
                if (folder->text(0).contains(QLatin1String("FAIL")) && folder->childCount() > 0)
                    failed = folder->child(0);
            }
            if (!failed) {
                fail(QStringLiteral("the log viewer lists no failed file"));
                dialog->reject();
                return;
            }
            tree->setCurrentItem(failed);
            dialog->TreeItemClicked(failed, 0);
            dialog->radio(0)->click();
            QTest::qWait(300);
            save(dialog, QStringLiteral("log-openshort.png"));
            dialog->radio(1)->click();
            QTest::qWait(300);
            save(dialog, QStringLiteral("log-raster.png"));
            dialog->reject();
        });
    w.findChild<QAction *>(QStringLiteral("actionLog_Analysis"))->trigger();
}

void liveDisplays()
{
    StationFixture station(demoProfile(), true, panelFile("good_noisy.ini"));
    station.board().setLatency(emulator::LatencyModel::usbFullSpeed());
    prepareFolder();
    Vorlane w;
    showWindow(w);
    signIn(w);
    w.On_refreshBtnClicked();

    // Debug: the electrodes' live levels.
    whileModal(
        &w, [&w]() -> QWidget * { return displayDialog(w); },
        [](QWidget *dialog) {
            QTest::qWait(1500);
            save(dialog, QStringLiteral("live-debug.png"));
            static_cast<QDialog *>(dialog)->reject();
        });
    w.findChild<QPushButton *>(QStringLiteral("pushButton"))->click();

    // Touch: two fingers drawing.
    emulator::ScriptPlayer fingers(station.board());
    whileModal(
        &w, [&w]() -> QWidget * { return displayDialog(w); },
        [&fingers](QWidget *dialog) {
            fingers.play(twoFingers(1280, 800, 150));
            QTest::qWait(3300);
            save(dialog, QStringLiteral("live-touch.png"));
            static_cast<QDialog *>(dialog)->reject();
        });
    w.findChild<QPushButton *>(QStringLiteral("nomalBtn"))->click();

    // RasterX: the raster table, filled live.
    w.findChild<QPushButton *>(QStringLiteral("rasterXBtn"))->click();
    auto *table = w.findChild<QTableWidget *>();
    QTest::qWait(2000);
    save(table, QStringLiteral("live-rasterx.png"));
    w.StopCom();
    if (table)
        table->hide();
}

void borderTest()
{
    StationFixture station(demoProfile({"Border_Mode"}), true, panelFile("demo.ini"));
    station.board().setLatency(emulator::LatencyModel::usbFullSpeed());
    prepareFolder();
    Vorlane w;
    showWindow(w);
    emulator::ScriptPlayer finger(station.board());
    bool saved = false;
    whileModal(
        &w, [&w]() -> QWidget * {
            auto *border = w.findChild<BorderWidget *>();
            return border && border->isVisible() ? border : nullptr;
        },
        [&finger, &saved](QWidget *border) {
            finger.play(emulator::script::borderTrace(1280, 800, 400, emulator::script::AllSides,
                                                      emulator::script::Insets{8, 8, 8, 0}));
            // Three sides of four traced.
            QTest::qWait(9000);
            save(border, QStringLiteral("border.png"));
            saved = true;
        });
    w.start();
    if (!waitForVerdict(w, 40000))
        fail(QStringLiteral("the border run did not end: ") + pane(w));
    if (!saved)
        fail(QStringLiteral("the border widget never showed"));
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER TRANSLATIONS_FOLDER\n", argv[0]);
        return 2;
    }
    g_out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    g_translations = QDir(QString::fromLocal8Bit(argv[2])).absolutePath();
    QDir().mkpath(g_out);

    // No picture is worth a hang: a message box nobody expected is noted and
    // answered, and the whole program has a time limit.
    QTimer boxes;
    QObject::connect(&boxes, &QTimer::timeout, [] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            fail(QStringLiteral("unexpected message box: ") + box->text());
            box->done(QMessageBox::Ok);
        }
    });
    boxes.start(200);
    QTimer::singleShot(std::chrono::minutes(4), [] {
        fail(QStringLiteral("out of time"));
        std::exit(1);
    });

    passAndFailAndLogs();
    liveDisplays();
    borderTest();
    return g_failures == 0 ? 0 : 1;
}
