#include "measurements.h"

#include "settings.h"
#include "values.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace results {

namespace {

// What a name is made of: the kinds, in the order a file gives them; those
// ending in "[" take an index.
constexpr const char *Kinds[] = {"current",    "highest",  "X[",       "Y[",  "middle max",
                                 "middle min", "edge max", "edge min", "Btn["};
constexpr int KindCount = int(std::size(Kinds));
constexpr int IndexLimit = 65536;
// Their places in Kinds.
enum Kind { Current, Highest, XLine, YLine, MiddleMax, MiddleMin, EdgeMax, EdgeMin, Key };

constexpr int keyOf(Kind kind, std::size_t index = 0)
{
    return int(kind) * IndexLimit + int(index);
}

bool indexed(int kind)
{
    return Kinds[kind][std::strlen(Kinds[kind]) - 1] == '[';
}

// The TB reading of a controller not yet ready; never an accepted reading.
constexpr int TbNotReady = 2048;
// The per-electrode windows the run holds.
constexpr std::size_t Windows = 60;

// The limits a profile sets, read as the station's items read them.
struct ProfileLimits
{
    float electric = 0;
    int tb = 0;
    int buttonMin = 0;
    int buttonMax = 0;
    int middleMin = 0;
    int middleMax = 0;
    struct Edge
    {
        int count = 0;
        int min = 0;
        int max = 0;
    } edgeX, edgeY;
    std::optional<std::array<std::vector<int>, 4>> rows; // RowSetData: X min, X max, Y min, Y max
};

ProfileLimits readLimits(const QByteArray &profileText)
{
    Settings store;
    store.loadText(profileText);
    const auto integer = [&store](const char *key) { return profile::toInt(store.value(key)); };
    ProfileLimits l;
    l.electric = profile::toDecimal(store.value("Electric_thr"));
    l.tb = integer("Tb_value_thr");
    l.buttonMin = integer("Btn_Min");
    l.buttonMax = integer("Btn_Max");
    l.middleMin = integer("M1_thr_min");
    l.middleMax = integer("M1_thr_max");
    l.edgeX = {integer("RasterX_edge_count"), integer("RasterX_edge_min"), integer("RasterX_edge_max")};
    l.edgeY = {integer("RasterY_edge_count"), integer("RasterY_edge_min"), integer("RasterY_edge_max")};
    l.rows = profile::rowSetParts(store.value("RowSetData"));
    return l;
}

// A recorder records run after run under one profile: its text is read once.
const ProfileLimits &limitsOf(const QByteArray &profileText)
{
    thread_local QByteArray text;
    thread_local ProfileLimits limits;
    thread_local bool read = false;
    if (!read || text != profileText) {
        limits = readLimits(profileText);
        text = profileText;
        read = true;
    }
    return limits;
}

// A difference as the judges take it: truncated toward zero, saturated where
// it leaves the int range.
int truncated(float difference)
{
    if (std::isnan(difference))
        return 0;
    if (difference >= float(INT_MAX))
        return INT_MAX;
    if (difference <= float(INT_MIN))
        return INT_MIN;
    return static_cast<int>(difference);
}

class Collector
{
public:
    Collector(std::vector<Measurement> &out, bool known) : m_out(out), m_known(known) {}

    void add(const char *item, int key, double value, std::optional<double> lower, std::optional<double> upper,
             bool known = true)
    {
        Measurement m;
        m.item = item;
        m.key = key;
        m.value = value;
        m.limitsKnown = m_known && known;
        if (m.limitsKnown) {
            m.lower = lower;
            m.upper = upper;
        }
        m_out.push_back(std::move(m));
    }

private:
    std::vector<Measurement> &m_out;
    bool m_known;
};

void openShortLine(Collector &c, char letter, const ValueLine &line, const std::vector<float> &differences,
                   const ProfileLimits *limits)
{
    const std::vector<int> *min = nullptr, *max = nullptr;
    if (limits && limits->rows) {
        min = &(*limits->rows)[letter == 'X' ? 0 : 2];
        max = &(*limits->rows)[letter == 'X' ? 1 : 3];
    }
    for (std::size_t i = 0; i < line.values.size(); ++i) {
        // A value without a baseline entry is judged as it is.
        const int d = i < differences.size() ? truncated(differences[i]) : line.values[i];
        // The run's windows hold the entries the text gives; past them a
        // window keeps what an earlier profile left, which no text tells.
        const bool window = min && i < Windows && i < min->size() && i < max->size();
        c.add(item::OpenShort, keyOf(letter == 'X' ? XLine : YLine, i), d,
              window ? std::optional<double>((*min)[i]) : std::nullopt,
              window ? std::optional<double>((*max)[i]) : std::nullopt, window);
    }
}

void raster(Collector &c, const char *item, const RasterBlock &b, const ProfileLimits::Edge &edge,
            const ProfileLimits &limits)
{
    const int rows = b.rows();
    if (rows == 0 || b.differenceRows < rows || b.differenceStart.size() < std::size_t(rows) + 1)
        return;
    std::optional<int> middle[2], border[2]; // [0] lowest, [1] highest
    const auto take = [](std::optional<int> (&extremes)[2], int d) {
        extremes[0] = extremes[0] ? std::min(*extremes[0], d) : d;
        extremes[1] = extremes[1] ? std::max(*extremes[1], d) : d;
    };
    const int yn = rows - 1;
    const int e = edge.count;
    for (int r = 0; r < rows; ++r) {
        const std::size_t from = b.differenceStart[std::size_t(r)];
        const std::size_t cells = std::min(b.rowLength(r), b.differenceStart[std::size_t(r) + 1] - from);
        const int xn = int(b.rowLength(r)) - 1;
        for (std::size_t l = 0; l < cells; ++l) {
            const int d = truncated(b.differences[from + l]);
            const bool inMiddle = e <= int(l) && int(l) <= xn - e && e <= r && r <= yn - e;
            take(inMiddle ? middle : border, d);
        }
    }
    const auto add = [&](Kind name, std::optional<int> value, int limit, bool upper) {
        if (value)
            c.add(item, keyOf(name), *value, upper ? std::nullopt : std::optional<double>(limit),
                  upper ? std::optional<double>(limit) : std::nullopt);
    };
    add(MiddleMax, middle[1], limits.middleMax, true);
    add(MiddleMin, middle[0], limits.middleMin, false);
    add(EdgeMax, border[1], edge.max, true);
    add(EdgeMin, border[0], edge.min, false);
}

// How a group's values are kept.
enum Encoding : char { Whole = 0, Float = 1, Double = 2 };

void putVarint(QByteArray &out, std::uint64_t v)
{
    while (v >= 0x80) {
        out += char(v | 0x80);
        v >>= 7;
    }
    out += char(v);
}

bool getVarint(const char *&p, const char *end, std::uint64_t &v)
{
    v = 0;
    for (int shift = 0; p < end && shift < 64; shift += 7) {
        const auto byte = static_cast<unsigned char>(*p++);
        v |= std::uint64_t(byte & 0x7f) << shift;
        if (!(byte & 0x80))
            return true;
    }
    return false;
}

bool whole(double v)
{
    return v == std::floor(v) && std::abs(v) < 1e18;
}

template <typename T>
void putRaw(QByteArray &out, T v)
{
    out.append(reinterpret_cast<const char *>(&v), qsizetype(sizeof v));
}

} // namespace

const char *measuredItem(const QString &item)
{
    for (const char *known : measuredItems()) {
        if (item == QLatin1String(known))
            return known;
    }
    return nullptr;
}

int measurementKey(const QString &name)
{
    for (int kind = 0; kind < KindCount; ++kind) {
        const QLatin1String prefix(Kinds[kind]);
        if (!indexed(kind)) {
            if (name == prefix)
                return kind * IndexLimit;
            continue;
        }
        if (!name.startsWith(prefix) || !name.endsWith(QLatin1Char(']')))
            continue;
        bool ok = false;
        const int index = name.mid(prefix.size(), name.size() - prefix.size() - 1).toInt(&ok);
        if (ok && index >= 0 && index < IndexLimit && QString::number(index).size() == name.size() - prefix.size() - 1)
            return kind * IndexLimit + index;
    }
    return -1;
}

QString measurementName(int key)
{
    const int kind = key / IndexLimit;
    if (key < 0 || kind >= KindCount)
        return QString();
    if (!indexed(kind))
        return QLatin1String(Kinds[kind]);
    return QLatin1String(Kinds[kind]) + QString::number(key % IndexLimit) + QLatin1Char(']');
}

QString Measurement::name() const
{
    return measurementName(key);
}

QByteArray packMeasurements(const Measurement *from, const Measurement *to)
{
    QByteArray out;
    out.reserve(qsizetype(to - from) * 2 + 8);
    for (const Measurement *group = from; group < to;) {
        const int first = group->key;
        if (first < 0)
            return QByteArray(); // a name no item gives: nothing to keep it by
        // A group: names of one kind, their indices one after the other.
        const Measurement *end = group + 1;
        while (end < to && end->key == first + int(end - group) && (first + int(end - group)) % IndexLimit != 0)
            ++end;
        bool allWhole = true, allFloat = true;
        for (const Measurement *m = group; m < end; ++m) {
            allWhole = allWhole && whole(m->value);
            allFloat = allFloat && (double(float(m->value)) == m->value || std::isnan(m->value));
        }
        out += char(first / IndexLimit);
        putVarint(out, std::uint64_t(first % IndexLimit));
        putVarint(out, std::uint64_t(end - group));
        out += char(allWhole ? Whole : allFloat ? Float : Double);
        for (const Measurement *m = group; m < end; ++m) {
            if (allWhole) {
                const auto v = static_cast<std::int64_t>(m->value);
                putVarint(out, (std::uint64_t(v) << 1) ^ std::uint64_t(v >> 63)); // zigzag
            } else if (allFloat) {
                putRaw(out, float(m->value));
            } else {
                putRaw(out, m->value);
            }
        }
        group = end;
    }
    return out;
}

bool unpackMeasurements(const char *p, std::size_t size, std::vector<PackedValue> &values)
{
    values.clear();
    const char *const end = p + size;
    while (p < end) {
        const int kind = static_cast<unsigned char>(*p++);
        std::uint64_t first = 0, count = 0;
        if (kind >= KindCount || !getVarint(p, end, first) || !getVarint(p, end, count) || p >= end
            || first + count > std::uint64_t(IndexLimit))
            return false;
        const char encoding = *p++;
        for (std::uint64_t i = 0; i < count; ++i) {
            double v = 0;
            if (encoding == Whole) {
                std::uint64_t z = 0;
                if (!getVarint(p, end, z))
                    return false;
                v = double(static_cast<std::int64_t>((z >> 1) ^ (~(z & 1) + 1)));
            } else if (encoding == Float) {
                float f = 0;
                if (end - p < qsizetype(sizeof f))
                    return false;
                std::memcpy(&f, p, sizeof f);
                p += sizeof f;
                v = f;
            } else if (encoding == Double) {
                if (end - p < qsizetype(sizeof v))
                    return false;
                std::memcpy(&v, p, sizeof v);
                p += sizeof v;
            } else {
                return false;
            }
            values.push_back({kind * IndexLimit + int(first + i), v});
        }
    }
    return true;
}

std::vector<Measurement> measurements(const ResultRecord &r, const QByteArray &profileText)
{
    std::vector<Measurement> out;
    const bool known = !profileText.isEmpty();
    const ProfileLimits *limits = known ? &limitsOf(profileText) : nullptr;
    Collector c(out, known);
    const auto none = std::optional<double>();

    if (r.electricPresent)
        c.add(item::Electric, keyOf(Current), double(r.currentMa[1]), none,
              limits ? std::optional<double>(limits->electric) : none);
    if (r.tbPresent) {
        std::optional<int> highest;
        for (const int v : r.tb) {
            if (v != TbNotReady)
                highest = highest ? std::max(*highest, v) : v;
        }
        if (highest)
            c.add(item::Tb, keyOf(Highest), *highest, limits ? std::optional<double>(limits->tb) : none,
                  none);
    }
    const OpenShortBlock &o = r.openShort;
    if (o.present && o.linesRead && o.differences >= 2)
        openShortLine(c, 'X', o.x, o.xDifferences, limits);
    if (o.present && o.linesRead && o.differences >= 3)
        openShortLine(c, 'Y', o.y, o.yDifferences, limits);
    if (limits) {
        if (r.rasterX.present)
            raster(c, item::RasterX, r.rasterX, limits->edgeX, *limits);
        if (r.rasterY.present)
            raster(c, item::RasterY, r.rasterY, limits->edgeY, *limits);
    }
    if (r.buttonsPresent) {
        for (std::size_t k = 0; k < r.buttons.size(); ++k)
            c.add(item::Buttons, keyOf(Key, k), r.buttons[k],
                  limits ? std::optional<double>(limits->buttonMin) : none,
                  limits ? std::optional<double>(limits->buttonMax) : none);
    }
    return out;
}

QString measurementUnit(const QString &item)
{
    return item == QLatin1String(item::Electric) ? QStringLiteral("mA") : QString();
}

bool upperLimitExcluded(const QString &item)
{
    return item == QLatin1String(item::Electric);
}

const std::vector<const char *> &measuredItems()
{
    static const std::vector<const char *> items{item::Electric,  item::Tb,      item::OpenShort,
                                                 item::RasterX,   item::RasterY, item::Buttons};
    return items;
}

} // namespace results
