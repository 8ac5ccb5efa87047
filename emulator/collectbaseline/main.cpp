// kavel-collect-baseline N [PANEL] [FOLDER]
//
// Fills FOLDER (./log) with N result files of emulated good panels, as the
// run's baseline collection leaves them: the open/short block and both raster
// blocks, read from the emulated board and judged against an all-zero
// baseline, in the layout the run writes. Each panel is read at a later frame
// of the board, so the files differ by the panel's frame-to-frame movement.
#include "baseline.h"
#include "bridgereport.h"
#include "devicelink.h"
#include "paneltests.h"
#include "rowlimits.h"
#include "settings.h"

#include <inprocesstransport.h>
#include <paneldescription.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>
#include <memory>

namespace bridge = device::bridge;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    bool ok = false;
    const int count = args.size() > 1 ? args.at(1).toInt(&ok) : 0;
    if (!ok || count < 1 || args.size() > 4) {
        std::fprintf(stderr, "usage: kavel-collect-baseline N [PANEL.ini] [FOLDER]\n");
        return 2;
    }
    const QString panelPath = args.size() > 2 ? args.at(2) : QStringLiteral(KAVEL_PANELS "/good_noisy.ini");
    const QString folder = args.size() > 3 ? args.at(3) : QStringLiteral("./log");

    QString error;
    const auto panel = emulator::PanelDescription::load(panelPath, &error);
    if (!panel) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(folder));
        return 1;
    }
    device::link::install(std::make_unique<emulator::InProcessTransport>(*panel));
    if (!device::link::transport().open(panel->vendorId, panel->productId)) {
        std::fprintf(stderr, "the emulated board did not open\n");
        return 1;
    }
    device::link::setConnected(1);

    const int xn = panel->xElectrodes;
    const int yn = panel->yElectrodes;
    const bridge::RegisterMap map =
        bridge::registerMap(panel->registerMap == emulator::RegisterMap::Alternate ? 1 : 0);
    Settings store; // every window 0: collection judges nothing that matters
    production::Baseline zero;
    zero.reset(xn, yn);
    production::RowLimits limits;
    production::PanelTests tests;

    int written = 0;
    for (int i = 0; i < count; ++i) {
        tests.begin(store, xn, yn, map.window == bridge::AlternateMap.window ? 1 : 0, zero, limits);
        bridge::transfer(bridge::modeWrite(map, bridge::mode::Debug), 0);
        const production::OpenShortRound round = tests.openShortRound();
        bridge::transfer(bridge::modeWrite(map, bridge::mode::Raster), 0);
        const production::RasterItemResult x = tests.rasterItem(production::RasterAxis::X, [](int) {});
        bridge::transfer(bridge::modeWrite(map, bridge::mode::InternalRaster), 0);
        const production::RasterItemResult y = tests.rasterItem(production::RasterAxis::Y, [](int) {});
        if (!round.read || x.readError || y.readError) {
            std::fprintf(stderr, "panel %d could not be read\n", i + 1);
            return 1;
        }
        // The blocks as a passing run leaves them.
        const QString text = QStringLiteral("OpenShort:,PASS,\n") + round.data
                             + QStringLiteral("RasterX:,PASS,") + x.block.mid(x.block.indexOf(QLatin1Char('\n')))
                             + QStringLiteral("RasterY:,PASS,") + y.block.mid(y.block.indexOf(QLatin1Char('\n')));
        QFile file(QStringLiteral("%1/collected-%2.csv").arg(folder).arg(i + 1, 4, 10, QLatin1Char('0')));
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Text)
            || file.write(text.toLatin1()) != text.toLatin1().size()) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
            return 1;
        }
        ++written;
    }
    std::printf("%d result files in %s\n", written, qPrintable(folder));
    device::link::setConnected(0);
    device::link::install(nullptr);
    return 0;
}
