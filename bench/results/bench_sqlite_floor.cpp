// The floor under an import into SQLite: the statements the store records a
// run with (its row with the file's compressed text, ten items, the outbox, the panel's
// flags, written with the run where it is the panel's first, and the yield per
// quarter), bound straight through SQLite's C API in
// batches of 1000 runs, with nothing read, parsed or hashed. An import through
// the store cannot be faster than this on the same machine.
//
//   ./bench_sqlite_floor [benchmark flags]
//
// The store is made by ResultStore (the real schema, WAL) in a fresh
// temporary folder for each case, then written with the import's settings
// (synchronous=OFF, a 64 MB page cache).
#include "resultstore.h"
#include "textcodec.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr int BatchRuns = 1000;

class Statement
{
public:
    Statement(sqlite3 *db, const QString &sql)
    {
        const QByteArray utf8 = sql.toUtf8();
        if (sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()), &m_stmt, nullptr) != SQLITE_OK)
            m_error = sqlite3_errmsg(db);
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    const std::string &error() const { return m_error; }
    Statement &text(const std::string &value)
    {
        sqlite3_bind_text(m_stmt, ++m_next, value.data(), int(value.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Statement &bytes(const char *data, int size)
    {
        sqlite3_bind_blob(m_stmt, ++m_next, data, size, SQLITE_STATIC);
        return *this;
    }
    Statement &integer(sqlite3_int64 value)
    {
        sqlite3_bind_int64(m_stmt, ++m_next, value);
        return *this;
    }
    Statement &real(double value)
    {
        sqlite3_bind_double(m_stmt, ++m_next, value);
        return *this;
    }
    Statement &null()
    {
        sqlite3_bind_null(m_stmt, ++m_next);
        return *this;
    }
    // A query's first row: whether there was one.
    bool found()
    {
        const int rc = sqlite3_step(m_stmt);
        sqlite3_reset(m_stmt);
        m_next = 0;
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            m_error = sqlite3_errmsg(sqlite3_db_handle(m_stmt));
        return rc == SQLITE_ROW;
    }
    bool run()
    {
        const int rc = sqlite3_step(m_stmt);
        sqlite3_reset(m_stmt);
        m_next = 0;
        if (rc != SQLITE_DONE)
            m_error = sqlite3_errmsg(sqlite3_db_handle(m_stmt));
        return rc == SQLITE_DONE;
    }

private:
    sqlite3_stmt *m_stmt = nullptr;
    int m_next = 0;
    std::string m_error;
};

std::string hex(unsigned long long n, int width)
{
    std::string s(size_t(width), '0');
    for (int i = width - 1; i >= 0 && n; --i, n >>= 4)
        s[size_t(i)] = "0123456789abcdef"[n & 15];
    return s;
}

// text: bind the file's 22 KB text as the store keeps it, compressed (else an
// empty one). whole: the items and
// the outbox too (else the run's row alone). flags: the panel's flags and the
// yield per quarter kept with each run.
void recordRuns(benchmark::State &state, const QByteArray &content, bool text, bool whole, bool flags)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("results.db"));
    {
        results::ResultStore store;
        QString error;
        if (!store.openLocal(path, &error)) {
            state.SkipWithError(qPrintable(error));
            return;
        }
    }
    sqlite3 *db = nullptr;
    if (sqlite3_open(QFile::encodeName(path).constData(), &db) != SQLITE_OK) {
        state.SkipWithError(sqlite3_errmsg(db));
        sqlite3_close(db);
        return;
    }
    sqlite3_exec(db, "PRAGMA synchronous=OFF; PRAGMA cache_size=-65536; PRAGMA foreign_keys=ON", nullptr, nullptr,
                 nullptr);
    {
        const results::RecordSql &sql = results::recordSql();
        Statement run(db, sql.run), item(db, sql.item), outbox(db, sql.outbox), panel(db, results::panelFlagsSql()),
            yield(db, results::yieldChangeSql()), cohort(db, results::cohortChangeSql()),
            tested(db, QStringLiteral("SELECT 1 FROM runs WHERE barcode = ? LIMIT 1")),
            pruned(db, QStringLiteral("SELECT 1 FROM pruned_runs WHERE barcode = ? LIMIT 1"));
        for (const Statement *s : {&run, &item, &outbox, &panel, &yield, &cohort, &tested, &pruned})
            if (!s->error().empty())
                state.SkipWithError(s->error().c_str());
        static const char *const Items[] = {"electric", "usb_version", "crc_version", "eeprom_version", "tb",
                                            "attb",     "open_short",  "raster_x",    "raster_y",       "reset"};
        const sqlite3_int64 start = 1796601600000; // 2026-12-07 00:00 UTC
        unsigned long long n = 0;
        const auto changeYield = [&](const std::string &barcode, const std::string &id, bool add) {
            const int sign = add ? 1 : -1;
            yield.text(id).integer(sign).integer(sign).integer(sign).integer(sign).integer(sign).text(barcode);
            yield.text(add ? id : std::string()).text(add ? std::string() : id).text(id);
            cohort.integer(sign).integer(sign).integer(sign).integer(sign).text(barcode);
            cohort.text(add ? id : std::string()).text(add ? std::string() : id);
            const bool kept = yield.run();
            return cohort.run() && kept;
        };
        for (auto _ : state) {
            bool ok = sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK;
            for (int i = 0; ok && i < BatchRuns; ++i, ++n) {
                const sqlite3_int64 started = start + sqlite3_int64(n) * 1000;
                // Time first, as the store's run ids are; every twentieth panel is a retest.
                const std::string id = hex(n, 12) + "-7000-8000-" + hex(n * 2654435761ULL, 12);
                const std::string barcode = "SN" + std::to_string(n % 20 == 19 ? n - 1 : n);
                const std::string file = barcode + "-" + std::to_string(started) + "-Pass.csv";
                // As the store does: a panel's first run is written flagged.
                const bool first = !flags || (!pruned.text(barcode).found() && !tested.text(barcode).found());
                run.text(id).text("ST-01").text("Auto").text("LOT-7").text("W-3").text(barcode).text("test.ini");
                run.integer(started).integer(started + 800).text("PASS").text(file).text("/line/resultsPASS/" + file);
                run.text(hex(n, 40));
                if (text)
                    run.bytes(content.constData(), int(content.size()));
                else
                    run.bytes("", 0);
                run.real(95.5).real(1234.0).integer(started + 900).integer(first).integer(first).real(512.0).real(498.0);
                ok = run.run();
                if (!whole)
                    continue;
                for (const char *name : Items)
                    ok = ok && item.text(id).text(name).integer(1).real(1.0).text(std::string()).run();
                ok = ok && outbox.text(id).integer(started + 900).integer(0).text(std::string()).run();
                if (flags && first)
                    ok = ok && changeYield(barcode, id, true);
                else if (flags)
                    ok = ok && changeYield(barcode, id, false)
                         && panel.text(barcode).text(barcode).text(barcode).text(id).run() && changeYield(barcode, id, true);
            }
            ok = ok && sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
            if (!ok) {
                state.SkipWithError(sqlite3_errmsg(db));
                break;
            }
        }
    }
    state.counters["runs/s"] = benchmark::Counter(double(BatchRuns), benchmark::Counter::kIsIterationInvariantRate);
    sqlite3_close(db);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    QFile file(QStringLiteral(KAVEL_SOURCE_DIR "/bench/tools/data/result-40x30.csv"));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "bench_sqlite_floor: cannot read %s\n", qPrintable(file.fileName()));
        return 1;
    }
    const QByteArray content = results::textcodec::pack(file.readAll());
    const std::tuple<const char *, bool, bool, bool> cases[] = {{"WholeRun", true, true, true},
                                                               {"WholeRunNoText", false, true, true},
                                                               {"WholeRunNoFlags", true, true, false},
                                                               {"RunRowAlone", true, false, false}};
    for (const auto &[name, text, whole, flags] : cases) {
        benchmark::RegisterBenchmark(name, [&content, text = text, whole = whole, flags = flags](benchmark::State &state) {
            recordRuns(state, content, text, whole, flags);
        })
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->MinTime(5);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
