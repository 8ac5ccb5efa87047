#include "planeness.h"

#include "openshort.h"
#include "settings.h"
#include "shortitems.h"
#include "values.h"

namespace production {

namespace {

const QString Pass = QStringLiteral("PASS");
const QString Fail = QStringLiteral("FAIL");
constexpr int ResultLength = 4;
// "RasterX:," and "RasterY:,": the result and failure list go in behind it.
constexpr int HeaderLength = 9;

int storeInt(const Settings &store, const char *key)
{
    return profile::toInt(store.value(key));
}

float at(const std::vector<float> &row, std::size_t i)
{
    return i < row.size() ? row[i] : 0.0f;
}

QChar axisLetter(RasterAxis axis)
{
    return axis == RasterAxis::X ? QLatin1Char('X') : QLatin1Char('Y');
}

struct Waits
{
    int first, second, third;
};

Waits waitsOf(RasterAxis axis)
{
    return axis == RasterAxis::X ? Waits{50, 50, 30} : Waits{150, 30, 30};
}

} // namespace

RasterLimits RasterLimits::fromStore(const Settings &store)
{
    RasterLimits l;
    l.middleMin = storeInt(store, "M1_thr_min");
    l.middleMax = storeInt(store, "M1_thr_max");
    l.edgeCountX = storeInt(store, "RasterX_edge_count");
    l.edgeMinX = storeInt(store, "RasterX_edge_min");
    l.edgeMaxX = storeInt(store, "RasterX_edge_max");
    l.edgeCountY = storeInt(store, "RasterY_edge_count");
    l.edgeMinY = storeInt(store, "RasterY_edge_min");
    l.edgeMaxY = storeInt(store, "RasterY_edge_max");
    l.countThr = storeInt(store, "Count_thr");
    l.countThrMid = storeInt(store, "Count_thr_mid");
    const int ratio = storeInt(store, "Raster_edge_ratio");
    l.edgeRatio = ratio == 0 ? 1 : ratio;
    return l;
}

bool isOuterCell(int r, int l, int xn, int yn)
{
    return r == 0 || r == 1 || r == yn - 1 || r == yn || l == 0 || l == 1 || l == xn - 1 || l == xn;
}

bool isMiddleCell(int r, int l, int xn, int yn, int edgeCount)
{
    return edgeCount <= l && l <= xn - edgeCount && edgeCount <= r && r <= yn - edgeCount;
}

bool judgeRasterRow(RasterAxis axis, int r, const std::vector<int> &raw, int xn, int yn,
                    const RasterLimits &limits, const std::vector<float> &baselineRow,
                    std::vector<int> &stored, RasterCounts &counts)
{
    const bool x = axis == RasterAxis::X;
    const int edgeCount = x ? limits.edgeCountX : limits.edgeCountY;
    const int edgeMin = x ? limits.edgeMinX : limits.edgeMinY;
    const int edgeMax = x ? limits.edgeMaxX : limits.edgeMaxY;
    const int ratio = limits.edgeRatio == 0 ? 1 : limits.edgeRatio;

    bool middleFailed = false;
    QString entries;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const int l = int(i);
        int v = raw[i];
        if (isOuterCell(r, l, xn, yn))
            v /= ratio;
        if (i < stored.size())
            stored[i] = v;
        const int d = truncatedDifference(float(v), at(baselineRow, i));
        const bool middle = isMiddleCell(r, l, xn, yn, edgeCount);
        const bool out = middle ? (d < limits.middleMin || d > limits.middleMax) : (d < edgeMin || d > edgeMax);
        if (!out)
            continue;
        if (middle) {
            ++counts.middle;
            middleFailed = true;
        } else {
            ++counts.edge;
        }
        entries += QStringLiteral("Raster%1[%2][%3]=%4 ,").arg(axisLetter(axis)).arg(r).arg(l).arg(raw[i]);
    }
    counts.failures += entries;
    if (middleFailed)
        return false;
    return counts.edge <= limits.countThr && counts.middle <= limits.countThrMid;
}

QString rasterText(RasterAxis axis, bool pass, const std::vector<std::vector<int>> &storedRows,
                   const std::vector<std::vector<float>> &baselineRows)
{
    const QChar a = axisLetter(axis);
    QString text = (pass ? Pass : Fail) + QStringLiteral("Raster%1:,\n").arg(a);
    for (const std::vector<int> &row : storedRows) {
        for (int v : row) {
            text += QString::number(v);
            text += QLatin1Char(',');
        }
        text += QLatin1Char('\n');
    }
    text += QStringLiteral("RJitter%1:\n").arg(a);
    static const std::vector<float> none;
    for (std::size_t r = 0; r < storedRows.size(); ++r) {
        const std::vector<float> &base = r < baselineRows.size() ? baselineRows[r] : none;
        const std::vector<int> &row = storedRows[r];
        for (std::size_t l = 0; l < row.size(); ++l) {
            text += resultNumber(float(row[l]) - at(base, l));
            text += QLatin1Char(',');
        }
        text += QLatin1Char('\n');
    }
    return text;
}

RasterItemResult rasterItem(RasterAxis axis, const std::function<RasterAttempt()> &acquire,
                            const std::function<void(int)> &sleep)
{
    RasterItemResult result;
    const Waits waits = waitsOf(axis);
    const auto take = [&](int waitMs) {
        sleep(waitMs);
        ++result.acquisitions;
        return acquire();
    };

    const RasterAttempt first = take(waits.first);
    if (first.readFailed()) {
        result.readError = true;
        return result;
    }
    RasterAttempt kept = first;
    // The latest acquisition that read every row: a failed read later on must
    // not leave the result file with a block of nothing.
    RasterAttempt withData = first;
    if (!first.pass()) {
        const RasterAttempt second = take(waits.second);
        if (!second.readFailed())
            withData = second;
        kept = second;
        if (second.text.left(ResultLength) != Fail) {
            const RasterAttempt third = take(waits.third);
            if (!third.readFailed())
                withData = third;
            kept = third;
        }
    }

    result.pass = kept.pass();
    const QString shown = kept.readFailed() ? withData.text.mid(ResultLength) : kept.text.mid(ResultLength);
    const QString failures = kept.readFailed() ? withData.failures : kept.failures;
    result.block = shown;
    result.block.insert(HeaderLength, (result.pass ? Pass : Fail) + QLatin1Char(',') + failures);
    return result;
}

} // namespace production
