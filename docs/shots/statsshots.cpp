// kavel-stats-shots STORE OUTDIR: the line statistics' tabs on a store (the
// demo's, from kavel-stats-demo), each as OUTDIR/stats-<tab>.png, for the
// README. Run on a screen (scripts/screenshots.sh uses a virtual one).
#include "statswindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: kavel-stats-shots STORE OUTDIR\n");
        return 2;
    }
    stats::StatsWindow::Options options;
    options.localPath = QString::fromLocal8Bit(argv[1]);
    options.station = QStringLiteral("ST-01");
    options.profile = QStringLiteral("demo.ini");
    options.geometry = [](const QString &) { return QSize(30, 20); };
    options.shiftSettings = QDir(QString::fromLocal8Bit(argv[2])).filePath(QStringLiteral("stats.ini"));
    stats::StatsWindow window(options);
    window.resize(1280, 800);
    window.show();
    const QDateTime now = QDateTime::currentDateTime();
    window.setRange(now.addDays(-7).addSecs(-3600), now.addSecs(3600));
    window.setReferencePeriod(now.addDays(-7).addSecs(-3600), now.addDays(-5));
    const char *names[] = {"yield", "failures", "where", "drift", "trace"};
    const auto settle = [&] {
        QElapsedTimer waited;
        waited.start();
        while ((window.busy() || waited.elapsed() < 300) && waited.elapsed() < 20000)
            app.processEvents(QEventLoop::AllEvents, 50);
    };
    for (int tab = 0; tab < stats::StatsWindow::TabCount; ++tab) {
        window.showTab(stats::StatsWindow::Tab(tab));
        // A drifting fixture is one station's: its own runs show it.
        if (tab == stats::StatsWindow::SpcTab)
            window.setStation(QStringLiteral("ST-01"));
        if (tab == stats::StatsWindow::TraceTab)
            window.traceFailedItem(QStringLiteral("raster_x"));
        settle();
        const QString path = QDir(QString::fromLocal8Bit(argv[2])).filePath(QStringLiteral("stats-%1.png").arg(QLatin1String(names[tab])));
        if (!window.grab().save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        std::printf("%s: %s\n", qPrintable(path), qPrintable(window.statusText()));
    }
    return 0;
}
