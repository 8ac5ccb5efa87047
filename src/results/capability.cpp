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
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <unordered_map>

namespace results::queries {

namespace {

// Where a measurement stands among its item's: the order a file gives them in
// (X[2] before X[10]).
std::pair<int, int> nameOrder(const QString &name)
{
    static const char *const Prefixes[] = {"current", "highest",  "X[",        "Y[",      "middle max",
                                           "middle min", "edge max", "edge min", "Btn["};
    for (int i = 0; i < int(std::size(Prefixes)); ++i) {
        if (name.startsWith(QLatin1String(Prefixes[i])))
            return {i, name.endsWith(QLatin1Char(']')) ? name.section(QLatin1Char('['), 1).chopped(1).toInt() : 0};
    }
    return {int(std::size(Prefixes)), 0};
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

const char AggregateName[] = "kavel_capability";

// kavel_capability(name, limits_known, lower, upper, value, started_at,
// moving range or NULL): the ValueRows of every row it is given, without a
// sort, as one BLOB: per row the name's length and bytes, then known, a mask
// of the limits there are, lower, upper, value, count, first, last, the
// ranges' sum and count, each of its own size in the machine's order. The
// BLOB goes no further than the connection that made it.
struct Accumulator
{
    // Plain keys: the name by its place in names, found again by comparing
    // with the last one (a million rows, a few names).
    struct Key
    {
        int name = 0;
        int known = 0;
        int sides = 0; // 1 lower, 2 upper
        double lower = 0, upper = 0, value = 0;
        bool operator==(const Key &o) const
        {
            return name == o.name && known == o.known && sides == o.sides && lower == o.lower && upper == o.upper
                   && value == o.value;
        }
    };
    struct Hash
    {
        std::size_t operator()(const Key &k) const
        {
            std::size_t h = std::size_t(k.name * 31 + k.sides * 7 + k.known);
            for (const double d : {k.lower, k.upper, k.value}) {
                std::uint64_t bits = 0;
                std::memcpy(&bits, &d, sizeof d);
                h = (h ^ std::size_t(bits ^ (bits >> 29))) * 0x9E3779B97F4A7C15ull;
            }
            return h;
        }
    };
    struct Values
    {
        qint64 count = 0, first = 0, last = 0, ranges = 0;
        double rangeSum = 0;
    };
    std::vector<std::string> names;
    int lastName = -1;
    std::unordered_map<Key, Values, Hash> rows;

    int nameOf(const char *text, int bytes)
    {
        const auto same = [&](int i) {
            return names[std::size_t(i)].size() == std::size_t(bytes)
                   && std::memcmp(names[std::size_t(i)].data(), text, std::size_t(bytes)) == 0;
        };
        if (lastName >= 0 && same(lastName))
            return lastName;
        for (int i = 0; i < int(names.size()); ++i) {
            if (same(i))
                return lastName = i;
        }
        names.emplace_back(text, std::size_t(bytes));
        return lastName = int(names.size()) - 1;
    }
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

void aggregateStep(sqlite3_context *context, int, sqlite3_value **a)
{
    auto **state = static_cast<Accumulator **>(sqlite3_aggregate_context(context, sizeof(Accumulator *)));
    if (!state) {
        sqlite3_result_error_nomem(context);
        return;
    }
    if (!*state)
        *state = new Accumulator; // freed in aggregateFinal, which SQLite always calls
    Accumulator::Key key;
    const char *name = reinterpret_cast<const char *>(sqlite3_value_text(a[0]));
    key.name = (*state)->nameOf(name ? name : "", sqlite3_value_bytes(a[0]));
    key.known = sqlite3_value_int(a[1]);
    if (sqlite3_value_type(a[2]) != SQLITE_NULL) {
        key.sides |= 1;
        key.lower = sqlite3_value_double(a[2]);
    }
    if (sqlite3_value_type(a[3]) != SQLITE_NULL) {
        key.sides |= 2;
        key.upper = sqlite3_value_double(a[3]);
    }
    key.value = sqlite3_value_double(a[4]);
    const qint64 at = sqlite3_value_int64(a[5]);
    Accumulator::Values &v = (*state)->rows[key];
    v.first = v.count == 0 ? at : std::min(v.first, at);
    v.last = v.count == 0 ? at : std::max(v.last, at);
    ++v.count;
    if (sqlite3_value_type(a[6]) != SQLITE_NULL) {
        v.rangeSum += sqlite3_value_double(a[6]);
        ++v.ranges;
    }
}

void aggregateFinal(sqlite3_context *context)
{
    auto **state = static_cast<Accumulator **>(sqlite3_aggregate_context(context, 0));
    if (!state || !*state) {
        sqlite3_result_null(context);
        return;
    }
    std::unique_ptr<Accumulator> owned(*state);
    std::string out;
    for (const auto &[k, v] : owned->rows) {
        const std::string &name = owned->names[std::size_t(k.name)];
        put(out, qint32(name.size()));
        out += name;
        put(out, qint32(k.known));
        put(out, qint32(k.sides));
        for (const double d : {k.lower, k.upper, k.value})
            put(out, d);
        for (const qint64 n : {v.count, v.first, v.last})
            put(out, n);
        put(out, v.rangeSum);
        put(out, v.ranges);
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

// The aggregate on the connection's own SQLite handle (Qt's driver runs on
// the system's libsqlite3, which this links too).
bool registerAggregate(const QSqlDatabase &db, QString *error)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    sqlite3 *sqlite = handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0
                          ? *static_cast<sqlite3 *const *>(handle.constData())
                          : nullptr;
    if (sqlite
        && sqlite3_create_function_v2(sqlite, AggregateName, 7, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, nullptr,
                                      aggregateStep, aggregateFinal, nullptr)
               == SQLITE_OK)
        return true;
    if (error)
        *error = sqlite ? QString::fromUtf8(sqlite3_errmsg(sqlite)) : QStringLiteral("no SQLite connection");
    return false;
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
    // SQLite sorts every row for a GROUP BY (a million runs: 2.7 s); its
    // values are taken by an aggregate of the station's own instead (0.3 s).
    // PostgreSQL hashes the groups itself.
    const bool sqlite = engine == Engine::SQLite;
    if (sqlite && !registerAggregate(db, error))
        return false;
    QVariantList bound = sqlite ? pairBound : pairBound + pairBound;
    QStringList conditions{QStringLiteral("m.item = ?")};
    bound << item;
    if (!measurement.isEmpty()) {
        conditions << QStringLiteral("m.name = ?");
        bound << measurement;
    }
    const QString ownSql = where(own, QStringLiteral("m"), bound, false, engine);
    if (!ownSql.isEmpty())
        conditions << ownSql;
    if (!runs.isEmpty()) {
        conditions << QStringLiteral("m.run_id") + in + subquery;
        bound += runsBound;
    }
    const QString columns = QStringLiteral("m.name, m.limits_known, m.lower_limit, m.upper_limit, m.value");
    const QString select =
        sqlite ? QStringLiteral("SELECT %1(%2, m.started_at, CASE WHEN %3 THEN m.moving_range END)")
                     .arg(QLatin1String(AggregateName), columns, pair)
               : QStringLiteral("SELECT %1, COUNT(*), MIN(m.started_at), MAX(m.started_at),"
                                " COALESCE(SUM(m.moving_range) FILTER (WHERE %2), 0),"
                                " COUNT(m.moving_range) FILTER (WHERE %2)")
                     .arg(columns, pair);
    QSqlQuery q(db);
    if (!exec(q,
              select + QStringLiteral(" FROM measurements m WHERE ") + conditions.join(QStringLiteral(" AND "))
                  + (sqlite ? QString() : QStringLiteral(" GROUP BY ") + columns),
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
        const auto oa = nameOrder(a.name), ob = nameOrder(b.name);
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
