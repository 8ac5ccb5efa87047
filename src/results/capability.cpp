#include "capability.h"

#include "measurements.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

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
    QVariantList bound = pairBound + pairBound;
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
    QSqlQuery q(db);
    if (!exec(q,
              QStringLiteral("SELECT m.name, m.limits_known, m.lower_limit, m.upper_limit, m.value, COUNT(*),"
                             " MIN(m.started_at), MAX(m.started_at),"
                             " SUM(CASE WHEN %1 THEN m.moving_range ELSE 0 END),"
                             " SUM(CASE WHEN %1 THEN 1 ELSE 0 END) FROM measurements m WHERE ")
                      .arg(pair)
                  + conditions.join(QStringLiteral(" AND "))
                  + QStringLiteral(" GROUP BY m.name, m.limits_known, m.lower_limit, m.upper_limit, m.value"),
              bound, error))
        return false;
    // Keyed by the measurement and its limits; NULL limits sort first.
    std::map<std::tuple<QString, int, std::optional<double>, std::optional<double>>, Version> versions;
    while (q.next()) {
        const QString name = q.value(0).toString();
        const int known = q.value(1).toInt();
        const std::optional<double> lower = limit(q.value(2)), upper = limit(q.value(3));
        Version &v = versions[{name, known, lower, upper}];
        const qint64 first = q.value(6).toLongLong(), last = q.value(7).toLongLong();
        if (v.values.empty()) {
            v.c.item = item;
            v.c.name = name;
            v.c.limitsKnown = known != 0;
            v.c.lower = lower;
            v.c.upper = upper;
            v.c.firstAt = first;
            v.c.lastAt = last;
        }
        v.c.firstAt = std::min(v.c.firstAt, first);
        v.c.lastAt = std::max(v.c.lastAt, last);
        v.values.emplace_back(q.value(4).toDouble(), q.value(5).toLongLong());
        v.rangeSum += q.value(8).toDouble();
        v.ranges += q.value(9).toLongLong();
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
