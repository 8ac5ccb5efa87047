// kavel-stats-demo STORE FOLDER [RUNS]
//
// A week of a small line for the line statistics: RUNS runs (600) on three
// stations, recorded in the results store STORE with their result files filed
// under FOLDER/resultsPASS and FOLDER/resultsFAIL. The open/short and raster
// blocks are read from emulated panels and judged against the demo profile and
// its baseline, as a run does: mostly good panels, station ST-02's fixture
// denting the middle of the panel from the fourth day on, now and then a panel
// with a broken X electrode. Station ST-01's supply current drifts up over the
// week until it passes the profile's limit, which was lowered from 20 to 19.5 mA
// on the fifth day (a profile saved anew: each run keeps the text it read). A
// failed panel is retested once.
#include "baseline.h"
#include "bridgereport.h"
#include "devicelink.h"
#include "panelcodec.h"
#include "paneltests.h"
#include "shortitems.h"
#include "resultstore.h"
#include "rowlimits.h"
#include "settings.h"
#include "values.h"

#include <inprocesstransport.h>
#include <paneldescription.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace bridge = device::bridge;

namespace {

struct Blocks
{
    bool pass = true;
    bool openShortPass = true;
    bool rasterPass = true;
    bool buttonsPass = true;
    QString text; // the open/short and both raster blocks, the button data
};

// Reads `frames` panels of one kind from the emulated board.
bool acquire(const QString &panelPath, int frames, const Settings &store, const production::Baseline &baseline,
             const production::RowLimits &limits, std::vector<Blocks> &out)
{
    QString error;
    const auto panel = emulator::PanelDescription::load(panelPath, &error);
    if (!panel) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return false;
    }
    device::link::install(std::make_unique<emulator::InProcessTransport>(*panel));
    if (!device::link::transport().open(panel->vendorId, panel->productId))
        return false;
    device::link::setConnected(1);
    const bridge::RegisterMap map = bridge::registerMap(0);
    production::PanelTests tests;
    for (int i = 0; i < frames; ++i) {
        tests.begin(store, panel->xElectrodes, panel->yElectrodes, 0, baseline, limits);
        bridge::transfer(bridge::modeWrite(map, bridge::mode::Debug), 0);
        const production::OpenShortOutcome openShort = tests.openShort();
        bridge::transfer(bridge::modeWrite(map, bridge::mode::Raster), 0);
        const production::RasterItemResult x = tests.rasterItem(production::RasterAxis::X, [](int) {});
        bridge::transfer(bridge::modeWrite(map, bridge::mode::InternalRaster), 0);
        const production::RasterItemResult y = tests.rasterItem(production::RasterAxis::Y, [](int) {});
        // The button data item, as a run of the demo profile (BtnData_Mode=1)
        // files it: the viewer reads a file only as far as its BtnData line.
        bridge::transfer(bridge::modeWrite(map, bridge::mode::Debug), 0);
        bridge::Report answer;
        if (x.readError || y.readError || openShort.block.isEmpty()
            || !bridge::transfer(bridge::i2cRead(bridge::reg::ButtonData, 8), 0, &answer).ok())
            return false;
        const std::vector<int> buttons = device::codec::buttonValues(answer);
        Blocks b;
        b.openShortPass = openShort.pass;
        b.rasterPass = x.pass && y.pass;
        b.buttonsPass = std::all_of(buttons.begin(), buttons.end(), [&](int v) {
            return v >= profile::toInt(store.value("Btn_Min")) && v <= profile::toInt(store.value("Btn_Max"));
        });
        b.pass = b.openShortPass && b.rasterPass && b.buttonsPass;
        b.text = openShort.block + x.block + y.block + production::btnDataBlock(buttons);
        out.push_back(b);
    }
    device::link::setConnected(0);
    device::link::install(nullptr);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3 || args.size() > 4) {
        std::fprintf(stderr, "usage: kavel-stats-demo STORE FOLDER [RUNS]\n");
        return 2;
    }
    const QString storePath = args.at(1);
    const QString folder = args.at(2);
    const int runs = args.size() > 3 ? args.at(3).toInt() : 600;

    Settings store;
    store.load(QStringLiteral(KAVEL_DEMO "/Config/demo.ini"));
    const int xn = profile::toInt(store.value("x_electrodes"));
    const int yn = profile::toInt(store.value("y_electrodes"));
    const double currentLimit = store.value("Electric_thr").toDouble();
    QFile profileFile(QStringLiteral(KAVEL_DEMO "/Config/demo.ini"));
    if (!profileFile.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "no demo profile\n");
        return 1;
    }
    const QByteArray profileText = profileFile.readAll();
    const QByteArray lowered = QByteArray(profileText).replace("Electric_thr=20.0", "Electric_thr=19.5");
    production::RowLimits limits;
    production::readRowLimits(store.value("RowSetData"), limits);
    production::Baseline baseline;
    QFile baselineFile(QStringLiteral(KAVEL_DEMO "/log/baseline.csv"));
    if (!baselineFile.open(QIODevice::ReadOnly | QIODevice::Text)) {
        std::fprintf(stderr, "no demo baseline\n");
        return 1;
    }
    QTextStream baselineText(&baselineFile);
    if (!production::readBaseline(baselineText, xn, yn, baseline)) {
        std::fprintf(stderr, "the demo baseline does not fit the demo profile\n");
        return 1;
    }

    // A few real panels of each kind; the runs draw on them.
    std::vector<Blocks> good, dent, open;
    if (!acquire(QStringLiteral(KAVEL_PANELS "/good_noisy.ini"), 6, store, baseline, limits, good)
        || !acquire(QStringLiteral(KAVEL_PANELS "/raster_dent.ini"), 3, store, baseline, limits, dent)
        || !acquire(QStringLiteral(KAVEL_PANELS "/open_electrode.ini"), 3, store, baseline, limits, open)) {
        std::fprintf(stderr, "the emulated panels could not be read\n");
        return 1;
    }

    for (const char *verdict : {"PASS", "FAIL"})
        QDir().mkpath(QStringLiteral("%1/results%2").arg(folder, QLatin1String(verdict)));
    results::ResultStore results;
    QString error;
    if (!results.openLocal(storePath, &error) || !results.beginBatch(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }

    QRandomGenerator random(20240304);
    const QDateTime end = QDateTime::currentDateTime();
    const QDateTime start = end.addDays(-7);
    const qint64 span = start.msecsTo(end);
    const QStringList stations{QStringLiteral("ST-01"), QStringLiteral("ST-02"), QStringLiteral("ST-03")};
    int recorded = 0;
    int serial = 0;
    for (int i = 0; i < runs; ++i) {
        const double progress = double(i) / runs;
        const QDateTime at = start.addMSecs(qint64(progress * double(span)));
        const QString station = stations.at(i % 3);
        const QString barcode = QStringLiteral("KV%1").arg(++serial, 6, 10, QLatin1Char('0'));
        const Blocks *blocks = &good[std::size_t(random.bounded(int(good.size())))];
        if (station == QLatin1String("ST-02") && progress > 0.45 && random.bounded(100) < 45)
            blocks = &dent[std::size_t(random.bounded(int(dent.size())))];
        else if (random.bounded(100) < 5)
            blocks = &open[std::size_t(random.bounded(int(open.size())))];
        double current = 17.6 + random.bounded(40) / 100.0;
        if (station == QLatin1String("ST-01"))
            current += progress * progress * 3.4;
        const bool afterTheChange = progress > 4.0 / 7;
        for (int attempt = 0; attempt < 2; ++attempt) {
            // As the item judges it: below the limit.
            const bool currentPass = current < (afterTheChange ? 19.5 : currentLimit);
            const bool pass = currentPass && blocks->pass;
            const QString ma = QString::number(current, 'f', 4) + QStringLiteral("MA");
            const QString verdict = pass ? QStringLiteral("PASS") : QStringLiteral("FAIL");
            const QString text = QStringLiteral("Electric,%1,%2,%2,%2\nUsb_Version,W103,%1\nCRC_Version,5A3C,%1\n"
                                                "eeprom_Version,V1.0A,PASS\nTb_Value,PASS,%3,%4,%5,%6,%7\n"
                                                "Attb:,PASS\n")
                                     .arg(currentPass ? QStringLiteral("PASS") : QStringLiteral("FAIL"), ma)
                                     .arg(648 + random.bounded(5)).arg(648 + random.bounded(5))
                                     .arg(648 + random.bounded(5)).arg(648 + random.bounded(5))
                                     .arg(648 + random.bounded(5))
                                 + blocks->text + QStringLiteral("Reset:,PASS\n");
            const QDateTime started = at.addSecs(attempt * 300);
            results::RunContext context;
            context.runId = results::newRunId();
            context.station = station;
            context.startMode = QStringLiteral("Barcode");
            context.lot = QStringLiteral("LOT-%1").arg(started.date().toString(QStringLiteral("MMdd")));
            context.worker = QStringLiteral("W%1").arg(i % 3 + 11);
            context.barcode = barcode;
            context.profile = QStringLiteral("demo.ini");
            context.profileText = afterTheChange ? lowered : profileText;
            context.startedAt = started;
            context.endedAt = started.addSecs(25);
            context.verdict = verdict;
            context.path = QStringLiteral("%1/results%2/%3-%4-00-00-%5.csv")
                               .arg(folder, verdict, barcode, started.toString(QStringLiteral("yyyyMMddhhmmss")),
                                    pass ? QStringLiteral("Pass") : QStringLiteral("Fail"));
            QFile file(context.path);
            if (!file.open(QIODevice::WriteOnly | QIODevice::Text) || file.write(text.toLatin1()) < 0) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(context.path));
                return 1;
            }
            file.close();
            if (results.record(context, &error, false) != results::Recorded::Added) {
                std::fprintf(stderr, "%s: %s\n", qPrintable(context.path), qPrintable(error));
                return 1;
            }
            ++recorded;
            // A failed panel goes round once more: a dent or an open stays,
            // a current just over the limit may not.
            if (pass)
                break;
            current -= 0.3;
        }
    }
    if (!results.commitBatch(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    std::printf("%d runs in %s, their files in %s\n", recorded, qPrintable(storePath), qPrintable(folder));
    return 0;
}
