#include "capability.h"

#include "measurements.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <unordered_map>

namespace results::queries {

namespace {

// Where a measurement stands among its item's: the order a file gives them in
// (X[2] before X[10]); a name no item gives after the others.
int nameOrder(const QString &name)
{
    const int key = measurementKey(name);
    return key < 0 ? std::numeric_limits<int>::max() : key;
}

// 1, 2 or 5 times a power of ten, at least step.
double roundStep(double step)
{
    const double power = std::pow(10.0, std::floor(std::log10(step)));
    for (const double m : {1.0, 2.0, 5.0, 10.0}) {
        if (m * power >= step * (1 - 1e-9))
            return m * power;
    }
    return 10 * power;
}

std::optional<double> index(double distance, double sigma, double sigmas)
{
    if (!(sigma > 0))
        return std::nullopt;
    return distance / (sigmas * sigma);
}

std::optional<double> least(std::optional<double> a, std::optional<double> b)
{
    if (a && b)
        return std::min(*a, *b);
    return a ? a : b;
}

struct Version
{
    Capability c;
    std::vector<std::pair<double, qint64>> values;
    double rangeSum = 0;
    qint64 ranges = 0;
};

std::optional<double> limit(const QVariant &v)
{
    return v.isNull() ? std::nullopt : std::optional<double>(v.toDouble());
}

// One distinct value of a measurement under one set of limits, with its
// runs' count, first and last start and the moving ranges that count.
struct ValueRow
{
    QString name;
    int known = 0;
    std::optional<double> lower;
    std::optional<double> upper;
    double value = 0;
    qint64 count = 0;
    qint64 first = 0;
    qint64 last = 0;
    double rangeSum = 0;
    qint64 ranges = 0;
};

template <typename T>
void put(std::string &out, const T &v)
{
    out.append(reinterpret_cast<const char *>(&v), sizeof v);
}

template <typename T>
bool get(const char *&p, const char *end, T &v)
{
    if (end - p < qsizetype(sizeof v))
        return false;
    std::memcpy(&v, p, sizeof v);
    p += sizeof v;
    return true;
}

const char AggregateName[] = "kavel_capability";

// kavel_capability(station, profile, limits, packed, started_at, taken): the
// ValueRows of the station's packed measurements (one row per run and item,
// in the order of the table's key: by start), as one BLOB: per row the
// name's length and bytes, then known, a mask of the limits there are,
// lower, upper, value, count, first, last, the ranges' sum and count, each of
// its own size in the machine's order. taken: whether the run is among those
// asked for (a run left out still stands between its neighbours). The BLOB
// goes no further than the connection that made it.
//
// The moving ranges are taken here, along the runs of each station and
// profile in start order: a measurement's against the same measurement of
// the run before it that has the item, where both runs are taken and were
// judged under the same limits. The first run of each station and profile in
// the range has none: the range's own data, whatever came before it.

// One version of a measurement's limits.
struct Limits
{
    int known = 0;
    int sides = 0; // 1 lower, 2 upper
    double lower = 0, upper = 0;
    auto tied() const { return std::tie(known, sides, lower, upper); }
};

// What the question brings to the aggregate: the limits of the item's
// measurements by their version's number and name, the one measurement asked
// for (-1: every one).
struct Asked
{
    std::unordered_map<std::uint64_t, Limits> limits; // by limitsKey()
    int wanted = -1;
};

std::uint64_t limitsKey(qint64 set, int name)
{
    return (std::uint64_t(set + 1) << 24) | std::uint64_t(name);
}

// A measurement's values counted: whole numbers in a run of counters (the
// panels' counts are), others one by one.
struct Tally
{
    static constexpr qint64 Span = 1 << 16;
    std::vector<qint64> dense;
    qint64 base = 0;
    std::unordered_map<double, qint64> other;

    void add(double v)
    {
        const auto n = v > -1e15 && v < 1e15 ? static_cast<qint64>(v) : 0;
        if (double(n) == v) {
            if (dense.empty()) {
                base = n;
                dense.assign(1, 0);
            }
            const qint64 low = std::min(base, n), high = std::max(base + qint64(dense.size()) - 1, n);
            if (high - low < Span) {
                if (n < base) {
                    dense.insert(dense.begin(), std::size_t(base - n), 0);
                    base = n;
                } else if (n - base >= qint64(dense.size())) {
                    dense.resize(std::size_t(n - base + 1), 0);
                }
                ++dense[std::size_t(n - base)];
                return;
            }
        }
        ++other[v == 0 ? 0.0 : v];
    }
};

// A measurement under one version of its limits.
struct Slot
{
    int name = 0;
    Limits limits;
    qint64 count = 0, first = 0, last = 0, ranges = 0;
    double rangeSum = 0;
    Tally values;
};

struct Accumulator
{
    const Asked *asked = nullptr;
    std::vector<Slot> tallies;
    std::unordered_map<std::uint64_t, int> slotOf; // by limitsKey()
    std::map<std::pair<int, std::tuple<int, int, double, double>>, int> versions;
    // The previous run of a station and profile: its values (name, slot,
    // value) and whether it was taken.
    struct Chain
    {
        std::vector<std::tuple<int, int, double>> values;
        bool taken = false;
        qint64 at = 0;
        // The slots of its last version's names by their place in a row: a
        // station's runs of a profile mostly give the same names in the same
        // places (a million runs of 70 values, looked up by hash: 2.7 s).
        qint64 placedOf = -2;
        std::vector<std::pair<int, int>> placed; // name, slot
    };
    std::unordered_map<std::string, Chain> chains;
    std::string lastKey;
    Chain *last = nullptr;
    std::vector<PackedValue> unpacked;
    std::vector<std::tuple<int, int, double>> current;
    const char *fault = nullptr;

    int slot(qint64 set, int name)
    {
        const std::uint64_t key = limitsKey(set, name);
        const auto known = slotOf.find(key);
        if (known != slotOf.end())
            return known->second;
        Limits l;
        if (set >= 0) {
            const auto found = asked->limits.find(key);
            if (found != asked->limits.end())
                l = found->second;
        }
        const auto version = versions.emplace(std::make_pair(name, l.tied()), int(tallies.size()));
        if (version.second) {
            tallies.emplace_back();
            tallies.back().name = name;
            tallies.back().limits = l;
        }
        slotOf.emplace(key, version.first->second);
        return version.first->second;
    }

    Chain &chain(const char *station, int stationBytes, const char *profile, int profileBytes)
    {
        std::string key(station ? station : "", std::size_t(stationBytes));
        key += '\x1f';
        key.append(profile ? profile : "", std::size_t(profileBytes));
        if (!last || key != lastKey) {
            last = &chains[key];
            lastKey = std::move(key);
        }
        return *last;
    }
};

void aggregateStep(sqlite3_context *context, int, sqlite3_value **a)
{
    auto **state = static_cast<Accumulator **>(sqlite3_aggregate_context(context, sizeof(Accumulator *)));
    if (!state) {
        sqlite3_result_error_nomem(context);
        return;
    }
    if (!*state) {
        *state = new Accumulator; // freed in aggregateFinal, which SQLite always calls
        (*state)->asked = static_cast<const Asked *>(sqlite3_user_data(context));
    }
    Accumulator &acc = **state;
    if (acc.fault)
        return;
    Accumulator::Chain &chain =
        acc.chain(reinterpret_cast<const char *>(sqlite3_value_text(a[0])), sqlite3_value_bytes(a[0]),
                  reinterpret_cast<const char *>(sqlite3_value_text(a[1])), sqlite3_value_bytes(a[1]));
    const qint64 set = sqlite3_value_type(a[2]) == SQLITE_NULL ? -1 : sqlite3_value_int64(a[2]);
    const void *packed = sqlite3_value_blob(a[3]);
    const qint64 at = sqlite3_value_int64(a[4]);
    const bool taken = sqlite3_value_int(a[5]) != 0;
    if (!unpackMeasurements(static_cast<const char *>(packed), std::size_t(sqlite3_value_bytes(a[3])), acc.unpacked)) {
        acc.fault = "the store's packed measurements cannot be read";
        return;
    }
    if (!chain.values.empty() && at < chain.at) {
        acc.fault = "the store's measurements came out of their order";
        return;
    }
    const bool paired = taken && chain.taken;
    acc.current.clear();
    if (chain.placedOf != set) {
        chain.placedOf = set;
        chain.placed.clear();
    }
    for (std::size_t i = 0; i < acc.unpacked.size(); ++i) {
        const PackedValue &v = acc.unpacked[i];
        if (acc.asked->wanted >= 0 && v.key != acc.asked->wanted)
            continue;
        const std::size_t place = acc.current.size();
        if (place >= chain.placed.size())
            chain.placed.resize(place + 1, {-1, -1});
        if (chain.placed[place].first != v.key)
            chain.placed[place] = {v.key, acc.slot(set, v.key)};
        const int slot = chain.placed[place].second;
        acc.current.emplace_back(v.key, slot, v.value);
        if (!taken)
            continue;
        Slot &s = acc.tallies[std::size_t(slot)];
        s.first = s.count == 0 ? at : std::min(s.first, at);
        s.last = s.count == 0 ? at : std::max(s.last, at);
        ++s.count;
        s.values.add(v.value);
        if (!paired)
            continue;
        // The run before mostly has the same names in the same places.
        const std::size_t here = acc.current.size() - 1;
        auto before = here < chain.values.size() && std::get<0>(chain.values[here]) == v.key
                          ? chain.values.begin() + std::ptrdiff_t(here)
                          : std::find_if(chain.values.begin(), chain.values.end(),
                                         [&](const auto &p) { return std::get<0>(p) == v.key; });
        if (before != chain.values.end() && std::get<1>(*before) == slot) {
            s.rangeSum += std::abs(v.value - std::get<2>(*before));
            ++s.ranges;
        }
    }
    chain.values.swap(acc.current);
    chain.taken = taken;
    chain.at = at;
}

void aggregateFinal(sqlite3_context *context)
{
    auto **state = static_cast<Accumulator **>(sqlite3_aggregate_context(context, 0));
    if (!state || !*state) {
        sqlite3_result_null(context);
        return;
    }
    std::unique_ptr<Accumulator> owned(*state);
    if (owned->fault) {
        sqlite3_result_error(context, owned->fault, -1);
        return;
    }
    std::string out;
    for (const Slot &s : owned->tallies) {
        const std::string name = measurementName(s.name).toStdString();
        bool firstValue = true;
        const auto row = [&](double value, qint64 count) {
            if (count == 0)
                return;
            put(out, qint32(name.size()));
            out += name;
            put(out, qint32(s.limits.known));
            put(out, qint32(s.limits.sides));
            for (const double d : {s.limits.lower, s.limits.upper, value})
                put(out, d);
            for (const qint64 n : {count, s.first, s.last})
                put(out, n);
            // The version's ranges with its first value alone: they are summed.
            put(out, firstValue ? s.rangeSum : 0.0);
            put(out, firstValue ? s.ranges : qint64(0));
            firstValue = false;
        };
        for (std::size_t i = 0; i < s.values.dense.size(); ++i)
            row(double(s.values.base + qint64(i)), s.values.dense[i]);
        for (const auto &[value, count] : s.values.other)
            row(value, count);
    }
    sqlite3_result_blob64(context, out.data(), sqlite3_uint64(out.size()), SQLITE_TRANSIENT);
}

template <typename Take>
bool unpack(const QByteArray &blob, Take take)
{
    const char *p = blob.constData();
    const char *const end = p + blob.size();
    while (p < end) {
        ValueRow row;
        qint32 length = 0, known = 0, sides = 0;
        double lower = 0, upper = 0;
        if (!get(p, end, length) || length < 0 || end - p < length)
            return false;
        row.name = QString::fromUtf8(p, length);
        p += length;
        if (!get(p, end, known) || !get(p, end, sides) || !get(p, end, lower) || !get(p, end, upper)
            || !get(p, end, row.value) || !get(p, end, row.count) || !get(p, end, row.first) || !get(p, end, row.last)
            || !get(p, end, row.rangeSum) || !get(p, end, row.ranges))
            return false;
        row.known = known;
        if (sides & 1)
            row.lower = lower;
        if (sides & 2)
            row.upper = upper;
        take(row);
    }
    return true;
}

// The connection's own SQLite handle (Qt's driver runs on the system's
// libsqlite3, which this links too).
sqlite3 *handleOf(const QSqlDatabase &db)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    return handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0
               ? *static_cast<sqlite3 *const *>(handle.constData())
               : nullptr;
}

// The aggregate on the connection for one question (asked must outlive it):
// unregistered again when this goes.
class Aggregate
{
public:
    bool add(const QSqlDatabase &db, const Asked &asked, QString *error)
    {
        m_sqlite = handleOf(db);
        if (m_sqlite
            && sqlite3_create_function_v2(m_sqlite, AggregateName, 6, SQLITE_UTF8, const_cast<Asked *>(&asked), nullptr,
                                          aggregateStep, aggregateFinal, nullptr)
                   == SQLITE_OK)
            return true;
        if (error)
            *error = m_sqlite ? QString::fromUtf8(sqlite3_errmsg(m_sqlite)) : QStringLiteral("no SQLite connection");
        m_sqlite = nullptr;
        return false;
    }
    ~Aggregate()
    {
        if (m_sqlite)
            sqlite3_create_function_v2(m_sqlite, AggregateName, 6, SQLITE_UTF8, nullptr, nullptr, nullptr, nullptr,
                                       nullptr);
    }

private:
    sqlite3 *m_sqlite = nullptr;
};

// The limits of item's measurements by their version's number.
bool readLimits(const QSqlDatabase &db, const QString &item, Asked &asked, QString *error)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!exec(q,
              QStringLiteral("SELECT limits, name, lower_limit, upper_limit, limits_known FROM measurement_limits"
                             " WHERE item = ?"),
              {item}, error))
        return false;
    while (q.next()) {
        const int name = measurementKey(q.value(1).toString());
        if (name < 0)
            continue;
        Limits l;
        l.known = q.value(4).toInt();
        if (!q.value(2).isNull()) {
            l.sides |= 1;
            l.lower = q.value(2).toDouble();
        }
        if (!q.value(3).isNull()) {
            l.sides |= 2;
            l.upper = q.value(3).toDouble();
        }
        asked.limits.emplace(limitsKey(q.value(0).toLongLong(), name), l);
    }
    if (q.lastError().isValid()) {
        if (error)
            *error = q.lastError().text();
        return false;
    }
    return true;
}

} // namespace

std::vector<HistogramBin> histogram(const std::vector<std::pair<double, qint64>> &values)
{
    std::vector<HistogramBin> bins;
    if (values.empty())
        return bins;
    double low = values.front().first, high = low;
    qint64 n = 0;
    bool whole = true;
    for (const auto &[v, count] : values) {
        low = std::min(low, v);
        high = std::max(high, v);
        n += count;
        whole = whole && v == std::floor(v) && std::abs(v) < 1e15;
    }
    // Sturges' number of bins, at least 5 and at most 30.
    const int wanted = std::clamp(int(std::ceil(std::log2(double(n)) + 1)), 5, 30);
    double width = high > low ? roundStep((high - low) / wanted) : (whole ? 1.0 : roundStep(std::max(std::abs(low), 1.0) / 100));
    // Whole numbers stand in the middle of bins of a whole width.
    double from = std::floor(low / width) * width;
    if (whole) {
        width = std::max(1.0, std::round(width));
        from = std::floor(low / width) * width - 0.5;
        if (low - from >= width)
            from += width;
    }
    const std::size_t count = std::size_t(std::floor((high - from) / width)) + 1;
    for (std::size_t i = 0; i < count; ++i)
        bins.push_back({from + double(i) * width, from + double(i + 1) * width, 0});
    for (const auto &[v, c] : values) {
        const std::size_t at = std::min(count - 1, std::size_t(std::max(0.0, std::floor((v - from) / width))));
        bins[at].count += c;
    }
    return bins;
}

void computeCapability(Capability &c, const std::vector<std::pair<double, qint64>> &values, double rangeSum,
                       qint64 ranges)
{
    c.count = 0;
    c.below = c.above = 0;
    double sum = 0;
    const bool excluded = upperLimitExcluded(c.item);
    for (const auto &[v, n] : values) {
        c.min = c.count == 0 ? v : std::min(c.min, v);
        c.max = c.count == 0 ? v : std::max(c.max, v);
        c.count += n;
        sum += v * double(n);
        if (c.lower && v < *c.lower)
            c.below += n;
        if (c.upper && (v > *c.upper || (excluded && v == *c.upper)))
            c.above += n;
    }
    if (c.count == 0)
        return;
    c.mean = sum / double(c.count);
    double squares = 0;
    for (const auto &[v, n] : values)
        squares += (v - c.mean) * (v - c.mean) * double(n);
    c.sigmaOverall = c.count >= 2 ? std::optional<double>(std::sqrt(squares / double(c.count - 1))) : std::nullopt;
    c.ranges = ranges;
    c.meanRange = ranges > 0 ? std::optional<double>(rangeSum / double(ranges)) : std::nullopt;
    c.sigmaWithin = c.meanRange ? std::optional<double>(*c.meanRange / D2) : std::nullopt;

    const auto indices = [&c](std::optional<double> sigma, std::optional<double> &both, std::optional<double> &upper,
                              std::optional<double> &lower, std::optional<double> &k) {
        both = upper = lower = k = std::nullopt;
        if (!sigma)
            return;
        if (c.upper)
            upper = index(*c.upper - c.mean, *sigma, 3);
        if (c.lower)
            lower = index(c.mean - *c.lower, *sigma, 3);
        if (c.upper && c.lower)
            both = index(*c.upper - *c.lower, *sigma, 6);
        k = least(upper, lower);
    };
    indices(c.sigmaWithin, c.cp, c.cpu, c.cpl, c.cpk);
    indices(c.sigmaOverall, c.pp, c.ppu, c.ppl, c.ppk);
    c.histogram = histogram(values);
}

bool capability(const QSqlDatabase &db, const QString &item, const RunFilter &filter, std::vector<Capability> &rows,
                QString *error, const QString &measurement)
{
    rows.clear();
    const Engine engine = engineOf(db);
    // What the measurements keep of their run answers time, station and
    // profile; the rest is asked of the runs.
    RunFilter own;
    own.station = filter.station;
    own.profile = filter.profile;
    own.since = filter.since;
    own.until = filter.until;
    RunFilter ofRuns;
    ofRuns.barcode = filter.barcode;
    ofRuns.barcodePrefix = filter.barcodePrefix;
    ofRuns.lot = filter.lot;
    ofRuns.worker = filter.worker;
    ofRuns.receivedAfter = filter.receivedAfter;
    ofRuns.receivedUpTo = filter.receivedUpTo;
    ofRuns.engineering = filter.engineering;
    ofRuns.engineeringOnly = filter.engineeringOnly;
    const bool runSide = filter.barcode || filter.barcodePrefix || filter.lot || filter.worker || filter.receivedAfter
                         || filter.receivedUpTo;
    const bool engineering = !filter.engineering.isEmpty() || filter.engineeringOnly;
    QString runs; // the runs taken in or, with exclude, left out
    QVariantList runsBound;
    bool exclude = false;
    if (runSide) {
        runs = where(ofRuns, QStringLiteral("r"), runsBound, false, engine);
    } else if (engineering) {
        RunFilter alone;
        alone.engineering = filter.engineering;
        alone.engineeringOnly = true;
        runs = where(alone, QStringLiteral("r"), runsBound, false, engine);
        exclude = !filter.engineeringOnly;
        // Most stores hold no engineering run, or none in a range: asked
        // first through the barcode index, so that the measurements are not
        // looked up one by one against an empty set.
        // (Only the range's count: a range against a run before it counts
        // for nothing anyway.)
        RunFilter inRange = alone;
        inRange.since = filter.since;
        inRange.until = filter.until;
        QVariantList anyBound;
        const QString anySql = where(inRange, QStringLiteral("r"), anyBound, false, engine);
        QSqlQuery any(db);
        if (!exec(any, QStringLiteral("SELECT 1 FROM runs r WHERE %1 LIMIT 1").arg(anySql), anyBound, error))
            return false;
        if (!any.next()) {
            if (any.lastError().isValid()) {
                if (error)
                    *error = any.lastError().text();
                return false;
            }
            if (filter.engineeringOnly)
                return true; // none to show
            runs.clear();
            runsBound.clear();
        }
    }
    const QString in = exclude ? QStringLiteral(" NOT IN ") : QStringLiteral(" IN ");
    const QString subquery = QStringLiteral("(SELECT r.run_id FROM runs r WHERE %1)").arg(runs);

    const bool sqlite = engine == Engine::SQLite;
    QVariantList bound;
    QString select;
    QStringList conditions{QStringLiteral("m.item = ?")};
    QString groups;
    // Kept until the query is done with them.
    Asked asked;
    Aggregate aggregate;
    if (sqlite) {
        // A row per run and item, read in the table's order (by start) by an
        // aggregate of the station's own, which takes the moving ranges too.
        // The runs left out are read all the same: each stands between its
        // neighbours.
        asked.wanted = measurement.isEmpty() ? -1 : measurementKey(measurement);
        if (!measurement.isEmpty() && asked.wanted < 0)
            return true; // no such measurement
        if (!readLimits(db, item, asked, error) || !aggregate.add(db, asked, error))
            return false;
        if (!runs.isEmpty())
            bound += runsBound;
        select = QStringLiteral("SELECT %1(m.station, m.profile, m.limits, m.packed, m.started_at, %2)")
                     .arg(QLatin1String(AggregateName),
                          runs.isEmpty() ? QStringLiteral("1") : QStringLiteral("m.run_id") + in + subquery);
        bound << item;
    } else {
        // A moving range counts where both of its runs are among those asked for.
        QVariantList pairBound;
        QString pair = QStringLiteral("m.moving_range IS NOT NULL");
        if (filter.since) {
            pair += QStringLiteral(" AND m.previous_at >= ?");
            pairBound << *filter.since;
        }
        if (!runs.isEmpty()) {
            pair += QStringLiteral(" AND m.previous_run") + in + subquery;
            pairBound += runsBound;
        }
        // PostgreSQL hashes the groups itself.
        bound = pairBound + pairBound;
        bound << item;
        if (!measurement.isEmpty()) {
            conditions << QStringLiteral("m.name = ?");
            bound << measurement;
        }
        groups = QStringLiteral("m.name, m.limits_known, m.lower_limit, m.upper_limit, m.value");
        select = QStringLiteral("SELECT %1, COUNT(*), MIN(m.started_at), MAX(m.started_at),"
                                " COALESCE(SUM(m.moving_range) FILTER (WHERE %2), 0),"
                                " COUNT(m.moving_range) FILTER (WHERE %2)")
                     .arg(groups, pair);
    }
    const QString ownSql = where(own, QStringLiteral("m"), bound, false, engine);
    if (!ownSql.isEmpty())
        conditions << ownSql;
    if (!sqlite && !runs.isEmpty()) {
        conditions << QStringLiteral("m.run_id") + in + subquery;
        bound += runsBound;
    }
    QSqlQuery q(db);
    if (!exec(q,
              select + QStringLiteral(" FROM measurements m WHERE ") + conditions.join(QStringLiteral(" AND "))
                  + (sqlite ? QString() : QStringLiteral(" GROUP BY ") + groups),
              bound, error))
        return false;
    // Keyed by the measurement and its limits; NULL limits sort first.
    std::map<std::tuple<QString, int, std::optional<double>, std::optional<double>>, Version> versions;
    const auto take = [&](const ValueRow &row) {
        Version &v = versions[{row.name, row.known, row.lower, row.upper}];
        if (v.values.empty()) {
            v.c.item = item;
            v.c.name = row.name;
            v.c.limitsKnown = row.known != 0;
            v.c.lower = row.lower;
            v.c.upper = row.upper;
            v.c.firstAt = row.first;
            v.c.lastAt = row.last;
        }
        v.c.firstAt = std::min(v.c.firstAt, row.first);
        v.c.lastAt = std::max(v.c.lastAt, row.last);
        v.values.emplace_back(row.value, row.count);
        v.rangeSum += row.rangeSum;
        v.ranges += row.ranges;
    };
    while (q.next()) {
        if (sqlite) {
            if (!q.value(0).isNull() && !unpack(q.value(0).toByteArray(), take)) {
                if (error)
                    *error = QStringLiteral("the store's capability aggregate gave no answer it could read");
                return false;
            }
            continue;
        }
        take({q.value(0).toString(), q.value(1).toInt(), limit(q.value(2)), limit(q.value(3)), q.value(4).toDouble(),
              q.value(5).toLongLong(), q.value(6).toLongLong(), q.value(7).toLongLong(), q.value(8).toDouble(),
              q.value(9).toLongLong()});
    }
    if (q.lastError().isValid()) {
        if (error)
            *error = q.lastError().text();
        return false;
    }
    for (auto &[key, v] : versions) {
        std::sort(v.values.begin(), v.values.end());
        computeCapability(v.c, v.values, v.rangeSum, v.ranges);
        rows.push_back(std::move(v.c));
    }
    std::sort(rows.begin(), rows.end(), [](const Capability &a, const Capability &b) {
        const int oa = nameOrder(a.name), ob = nameOrder(b.name);
        if (oa != ob)
            return oa < ob;
        if (a.name != b.name)
            return a.name < b.name;
        return std::tie(a.firstAt, a.lastAt) < std::tie(b.firstAt, b.lastAt);
    });
    for (std::size_t i = 0; i < rows.size();) {
        std::size_t j = i;
        while (j < rows.size() && rows[j].name == rows[i].name)
            ++j;
        for (std::size_t k = i; k < j; ++k) {
            rows[k].version = int(k - i) + 1;
            rows[k].versions = int(j - i);
        }
        i = j;
    }
    return true;
}

} // namespace results::queries
