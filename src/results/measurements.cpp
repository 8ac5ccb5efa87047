#include "measurements.h"

#include "settings.h"
#include "values.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>

namespace results {

namespace {

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

    void add(const char *item, const QString &name, double value, std::optional<double> lower,
             std::optional<double> upper, bool known = true)
    {
        Measurement m;
        m.item = item;
        m.name = name;
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
        c.add(item::OpenShort, QStringLiteral("%1[%2]").arg(QLatin1Char(letter)).arg(i), d,
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
    const auto add = [&](const char *name, std::optional<int> value, int limit, bool upper) {
        if (value)
            c.add(item, QLatin1String(name), *value, upper ? std::nullopt : std::optional<double>(limit),
                  upper ? std::optional<double>(limit) : std::nullopt);
    };
    add("middle max", middle[1], limits.middleMax, true);
    add("middle min", middle[0], limits.middleMin, false);
    add("edge max", border[1], edge.max, true);
    add("edge min", border[0], edge.min, false);
}

} // namespace

std::vector<Measurement> measurements(const ResultRecord &r, const QByteArray &profileText)
{
    std::vector<Measurement> out;
    const bool known = !profileText.isEmpty();
    const ProfileLimits *limits = known ? &limitsOf(profileText) : nullptr;
    Collector c(out, known);
    const auto none = std::optional<double>();

    if (r.electricPresent)
        c.add(item::Electric, QStringLiteral("current"), double(r.currentMa[1]), none,
              limits ? std::optional<double>(limits->electric) : none);
    if (r.tbPresent) {
        std::optional<int> highest;
        for (const int v : r.tb) {
            if (v != TbNotReady)
                highest = highest ? std::max(*highest, v) : v;
        }
        if (highest)
            c.add(item::Tb, QStringLiteral("highest"), *highest, limits ? std::optional<double>(limits->tb) : none,
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
            c.add(item::Buttons, QStringLiteral("Btn[%1]").arg(k), r.buttons[k],
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
