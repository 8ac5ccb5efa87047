// kavel-stats-shots STORE OUTDIR [--panel XNxYN] [--profile NAME] [--station ID]:
// the line statistics' tabs on a store (the demo's, from kavel-stats-demo, by
// default: its 30 x 20 panel, demo.ini, ST-01), each as OUTDIR/stats-<tab>.png,
// for the README. Without a display it draws offscreen. Exit status 1, with
// the reason, when the store cannot be read: no picture of an empty window.
// A generated store (bench/results/storegen): --panel 40x30 --profile P0.ini
// --station ST3.
#include "statswindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QPixmap>

#include <cstdio>

int main(int argc, char **argv)
{
    // A server or a CI machine has no display; the pictures are the same offscreen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 3 || args.size() % 2 == 0) {
        std::fprintf(stderr, "usage: kavel-stats-shots STORE OUTDIR [--panel XNxYN] [--profile NAME] [--station ID]\n");
        return 2;
    }
    if (!QFileInfo(args.at(1)).isFile()) {
        std::fprintf(stderr, "kavel-stats-shots: no results store at %s\n", qPrintable(args.at(1)));
        return 1;
    }
    if (!QDir().mkpath(args.at(2))) {
        std::fprintf(stderr, "kavel-stats-shots: cannot make %s\n", qPrintable(args.at(2)));
        return 1;
    }
    QSize panel(30, 20);
    QString station = QStringLiteral("ST-01");
    stats::StatsWindow::Options options;
    options.localPath = args.at(1);
    options.profile = QStringLiteral("demo.ini");
    for (qsizetype i = 3; i + 1 < args.size(); i += 2) {
        if (args.at(i) == QLatin1String("--panel"))
            panel = QSize(args.at(i + 1).section(QLatin1Char('x'), 0, 0).toInt(),
                          args.at(i + 1).section(QLatin1Char('x'), 1, 1).toInt());
        else if (args.at(i) == QLatin1String("--profile"))
            options.profile = args.at(i + 1);
        else if (args.at(i) == QLatin1String("--station"))
            station = args.at(i + 1);
    }
    options.station = station;
    options.geometry = [panel](const QString &) { return panel; };
    options.shiftSettings = QDir(QString::fromLocal8Bit(argv[2])).filePath(QStringLiteral("stats.ini"));
    stats::StatsWindow window(options);
    window.resize(1280, 800);
    window.show();
    const QDateTime now = QDateTime::currentDateTime();
    window.setRange(now.addDays(-7).addSecs(-3600), now.addSecs(3600));
    window.setReferencePeriod(now.addDays(-7).addSecs(-3600), now.addDays(-5));
    const char *names[] = {"yield", "failures", "where", "drift", "trace", "capability"};
    static_assert(std::size(names) == stats::StatsWindow::TabCount, "a picture per tab");
    const auto settle = [&] {
        QElapsedTimer waited;
        waited.start();
        while ((window.busy() || waited.elapsed() < 300) && waited.elapsed() < 20000)
            app.processEvents(QEventLoop::AllEvents, 50);
    };
    for (int tab = 0; tab < stats::StatsWindow::TabCount; ++tab) {
        window.showTab(stats::StatsWindow::Tab(tab));
        // The runs behind the commonest raster failure. (The drift tab draws
        // the first station by itself; a station chosen for it would stay
        // chosen here and hide the other stations' runs.)
        if (tab == stats::StatsWindow::TraceTab)
            window.traceFailedItem(QStringLiteral("raster_x"));
        settle();
        if (!window.errorText().isEmpty()) {
            std::fprintf(stderr, "kavel-stats-shots: %s\n", qPrintable(window.errorText()));
            return 1;
        }
        const QString path = QDir(QString::fromLocal8Bit(argv[2])).filePath(QStringLiteral("stats-%1.png").arg(QLatin1String(names[tab])));
        if (!window.grab().save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("%s: %s\n", qPrintable(path), qPrintable(window.statusText()));
    }
    return 0;
}
