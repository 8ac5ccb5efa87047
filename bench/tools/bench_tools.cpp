// How long baseline generation takes for many collected result files, and
// what judging one raster frame costs.
//   ./bench_tools
#include "baseline.h"
#include "diskspace.h"
#include "generatecsv.h"
#include "planeness.h"
#include "profiletext.h"
#include "resultfile.h"
#include "resultreader.h"
#include "resultrecorder.h"
#include "resultstore.h"
#include "settings.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kXn = 40;
constexpr int kYn = 30;

// Fills folder with n copies of one collected 40 x 30 result file.
void collect(const QString &folder, int n)
{
    const QString seed = QStringLiteral(KAVEL_BENCH_DATA "/result-40x30.csv");
    for (int i = 0; i < n; ++i)
        QFile::copy(seed, QStringLiteral("%1/r%2.csv").arg(folder).arg(i, 5, 10, QLatin1Char('0')));
}

void BM_GenerateBaseline(benchmark::State &state)
{
    const int files = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        collect(dir.path(), files);
        production::Baseline baseline;
        state.ResumeTiming();
        const auto outcome = tools::generateBaseline(dir.path(), kXn, kYn, baseline);
        benchmark::DoNotOptimize(outcome.used);
        if (outcome.used != files)
            state.SkipWithError("not every file was used");
    }
    state.counters["files_per_s"] = benchmark::Counter(double(files) * double(state.iterations()),
                                                       benchmark::Counter::kIsRate);
}
BENCHMARK(BM_GenerateBaseline)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The store's reader over a folder of n result files of a 40 x 30 panel (hard
// links of one collected file: the page cache holds them, as it holds a
// station's freshly filed results). Listing, opening and reading included.
void BM_ReadResultFiles(benchmark::State &state)
{
    const int files = int(state.range(0));
    QTemporaryDir dir;
    const std::string seed = KAVEL_BENCH_DATA "/result-40x30.csv";
    std::string copy;
    for (int i = 0; i < files; ++i) {
        const std::string name = dir.path().toStdString() + "/r" + std::to_string(i) + ".csv";
        // A file system allows only so many links to one file: a fresh copy every 10,000.
        if (i % 10000 == 0) {
            copy = name;
            std::filesystem::copy_file(seed, copy);
        } else if (::link(copy.c_str(), name.c_str()) != 0) {
            state.SkipWithError("cannot link the files");
            return;
        }
    }
    results::ResultRecord record;
    std::string buffer;
    for (auto _ : state) {
        int read = 0;
        for (const auto &entry : std::filesystem::directory_iterator(dir.path().toStdString()))
            read += results::readResultFile(entry.path().string(), buffer, record) ? 1 : 0;
        if (read != files)
            state.SkipWithError("a file was not read");
        benchmark::DoNotOptimize(record.rasterY.values.data());
    }
    state.counters["files_per_s"] = benchmark::Counter(double(files) * double(state.iterations()),
                                                       benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReadResultFiles)->Arg(100)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

// What recording a filed run costs the run's own (GUI) thread: the run's
// context made and handed to the store's thread, as the window does it after
// filing. The store's thread records meanwhile.
void BM_RecordHandOver(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString filed = dir.filePath(QStringLiteral("SN1-20261206094107-00-00-Pass.csv"));
    QFile::copy(QStringLiteral(KAVEL_BENCH_DATA "/result-40x30.csv"), filed);
    results::ResultRecorder recorder(dir.filePath(QStringLiteral("results.db")));
    for (auto _ : state) {
        results::RunContext context;
        context.runId = results::newRunId();
        context.station = results::stationId(dir.filePath(QStringLiteral("line.ini")));
        context.startMode = QStringLiteral("Barcode");
        context.barcode = QStringLiteral("SN1");
        context.startedAt = QDateTime::currentDateTime();
        context.endedAt = QDateTime::currentDateTime();
        context.verdict = QStringLiteral("PASS");
        context.path = QFileInfo(filed).absoluteFilePath();
        recorder.record(context);
    }
}
BENCHMARK(BM_RecordHandOver)->Unit(benchmark::kMicrosecond)->Iterations(2000);

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// What the recorder thread writes per filed run of a 40 x 30 panel into
// SQLite, without (0) and with (1) what the run was judged against: the demo
// profile and baseline, the same every run as on a line, so that after the
// first run the texts are only named.
void BM_RecordRun(benchmark::State &state)
{
    QTemporaryDir dir;
    results::ResultStore store;
    if (!store.openLocal(dir.filePath(QStringLiteral("results.db")), nullptr)) {
        state.SkipWithError("no store");
        return;
    }
    const QByteArray content = fileBytes(QStringLiteral(KAVEL_BENCH_DATA "/result-40x30.csv"));
    results::ResultRecord parsed;
    results::readResult(std::string_view(content.constData(), std::size_t(content.size())), parsed);
    const QByteArray profile = fileBytes(QStringLiteral(KAVEL_SOURCE_DIR "/resources/demo/Config/demo.ini"));
    const QByteArray baseline = fileBytes(QStringLiteral(KAVEL_SOURCE_DIR "/resources/demo/log/baseline.csv"));
    const bool judged = state.range(0) == 1;
    int n = 0;
    for (auto _ : state) {
        results::RunContext context;
        context.station = QStringLiteral("ST1");
        context.startMode = QStringLiteral("Barcode");
        context.barcode = QStringLiteral("SN%1").arg(n);
        context.profile = QStringLiteral("demo.ini");
        context.startedAt = context.endedAt = QDateTime::currentDateTime();
        context.verdict = QStringLiteral("PASS");
        context.path = QStringLiteral("/station/resultsPASS/SN%1-20261206094107-00-00-Pass.csv").arg(n++);
        if (judged) {
            context.profileText = profile;
            context.baselineText = baseline;
            context.softwareVersion = QStringLiteral("3.1+g1a2b3c4d");
        }
        if (store.record(context, content, parsed, nullptr) != results::Recorded::Added)
            state.SkipWithError("not recorded");
    }
}
BENCHMARK(BM_RecordRun)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->Iterations(2000);

// The profile's text a run is judged under, taken on the window's thread at
// every run's start: the bytes the station read, where the store holds what
// they say (0), or the store's own text where it holds another value (1).
void BM_ProfileTextOfARun(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("p.ini"));
    QFile::copy(QStringLiteral(KAVEL_SOURCE_DIR "/resources/demo/Config/demo.ini"), path);
    Settings store;
    store.load(path);
    ProfileText text;
    text.capture(path);
    if (state.range(0) == 1)
        store.set("Electric_thr", "25.0");
    for (auto _ : state)
        benchmark::DoNotOptimize(text.current(store));
}
BENCHMARK(BM_ProfileTextOfARun)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond)->Iterations(500);

// Filing one result of a 40 x 30 panel as the run does at its end: the copy
// into resultsPASS (data synced, linked, folder synced) and the working file
// deleted. Writing the working file is outside the timing.
void BM_FileAResult(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString old = QDir::currentPath();
    QDir::setCurrent(dir.path());
    QDir().mkpath(QStringLiteral("resultsPASS"));
    QFile seed(QStringLiteral(KAVEL_BENCH_DATA "/result-40x30.csv"));
    seed.open(QIODevice::ReadOnly);
    const QString block = QString::fromLatin1(seed.readAll());
    Settings store;
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        production::ResultFile file;
        file.begin(production::StartMode::Barcode, QString(), QString(), QStringLiteral("SN%1").arg(n++));
        file.appendResultLine(block);
        state.ResumeTiming();
        const production::StoreOutcome out = file.storeResultFile(store, QStringLiteral("PASS"));
        if (!out.stored)
            state.SkipWithError("not filed");
    }
    QDir::setCurrent(old);
}
BENCHMARK(BM_FileAResult)->Unit(benchmark::kMicrosecond)->Iterations(500);

// The look at the disks before every run: the free space of each folder a run
// writes to (the demo profile's: working folder, both results folders, ./log
// and the two log folders it names), judged against the levels.
void BM_DiskRoomBeforeARun(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString old = QDir::currentPath();
    QDir::setCurrent(dir.path());
    for (const char *folder : {"resultsPASS", "resultsFAIL", "log"})
        QDir().mkpath(QString::fromLatin1(folder));
    Settings store;
    store.set("LogPASS_Path", "./resultsPASS");
    store.set("LogFAIL_Path", "./resultsFAIL");
    const files::DiskLevels levels;
    for (auto _ : state)
        benchmark::DoNotOptimize(files::diskRoom(production::runFolders(store), levels));
    QDir::setCurrent(old);
}
BENCHMARK(BM_DiskRoomBeforeARun)->Unit(benchmark::kMicrosecond);

void BM_JudgeRasterFrame(benchmark::State &state)
{
    Settings store;
    store.set("M1_thr_min", "-30");
    store.set("M1_thr_max", "30");
    store.set("RasterX_edge_min", "-60");
    store.set("RasterX_edge_max", "60");
    store.set("RasterX_edge_count", "1");
    store.set("Count_thr", "2");
    store.set("Raster_edge_ratio", "1");
    const production::RasterLimits limits = production::RasterLimits::fromStore(store);
    std::vector<std::vector<int>> raw(kYn + 1, std::vector<int>(kXn + 1));
    for (int r = 0; r <= kYn; ++r)
        for (int l = 0; l <= kXn; ++l)
            raw[r][l] = 1000 + (r * 7 + l * 13) % 25 - 12;
    const std::vector<float> baselineRow(kXn + 1, 1000.0f);
    std::vector<int> stored(kXn + 1);
    for (auto _ : state) {
        production::RasterCounts counts;
        bool pass = true;
        for (int r = 0; r <= kYn; ++r)
            pass &= production::judgeRasterRow(production::RasterAxis::X, r, raw[r], kXn, kYn, limits, baselineRow,
                                               stored, counts);
        benchmark::DoNotOptimize(pass);
    }
}
BENCHMARK(BM_JudgeRasterFrame)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
