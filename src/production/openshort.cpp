#include "openshort.h"

#include "baseline.h"
#include "rowlimits.h"
#include "shortitems.h"

#include <climits>
#include <cmath>

namespace production {

namespace {

const QString Pass = QStringLiteral("PASS");
const QString Fail = QStringLiteral("FAIL");

float at(const std::vector<float> &table, std::size_t i)
{
    return i < table.size() ? table[i] : 0.0f;
}

bool outside(int v, int low, int high)
{
    return v < low || v > high;
}

// v above the band and w below it, or the other way round.
bool opposite(int v, int w, int m0Min, int m0Max)
{
    return (v > m0Max && w < m0Min) || (v < m0Min && w > m0Max);
}

QString pair(QChar letter, std::size_t a, std::size_t b)
{
    return QStringLiteral(",%1%2:%1%3").arg(letter).arg(a).arg(b);
}

} // namespace

int truncatedDifference(float value, float baseline)
{
    const float d = value - baseline;
    if (std::isnan(d))
        return 0;
    if (d >= float(INT_MAX))
        return INT_MAX;
    if (d <= float(INT_MIN))
        return INT_MIN;
    return static_cast<int>(d);
}

bool judgeElectrodeLine(QChar letter, const std::vector<int> &values, const std::vector<float> &baseline,
                        const int *min, const int *max, int windows, QString &failures)
{
    bool pass = true;
    for (std::size_t i = 0; i < values.size(); ++i) {
        const int d = truncatedDifference(float(values[i]), at(baseline, i));
        const bool haveWindow = int(i) < windows;
        if (haveWindow && !outside(d, min[i], max[i]))
            continue;
        failures += QStringLiteral("%2[%1]=%3 ,").arg(i).arg(letter).arg(values[i]);
        pass = false;
    }
    return pass;
}

QString openList(QChar letter, const std::vector<int> &values, int m0Min, int m0Max)
{
    QString text = QString(letter) + QStringLiteral("open:");
    for (std::size_t i = 0; i + 1 < values.size(); ++i) {
        if (opposite(values[i], values[i + 1], m0Min, m0Max))
            text += pair(letter, i + 1, i + 2);
    }
    return text + QLatin1Char('\n');
}

QString shortList(QChar letter, const std::vector<int> &values, int m0Min, int m0Max)
{
    QString text = QString(letter) + QStringLiteral("short:");
    for (std::size_t k = 1; k + 1 < values.size(); ++k) {
        const int v = values[k];
        if (v > m0Min && v < m0Max && opposite(values[k - 1], values[k + 1], m0Min, m0Max))
            text += pair(letter, k, k + 2);
    }
    return text + QLatin1Char('\n');
}

QString lineText(QChar letter, const std::vector<int> &values)
{
    QString text = QString(letter) + QLatin1Char(',');
    text.reserve(2 + 6 * int(values.size()));
    for (int v : values) {
        text += QString::number(v);
        text += QLatin1Char(',');
    }
    return text;
}

QString debugJitterText(const std::vector<int> &x, const std::vector<int> &y, const Baseline &baseline)
{
    const auto differences = [](const std::vector<int> &values, const std::vector<float> &base) {
        QString text;
        for (std::size_t i = 0; i < base.size() && i < values.size(); ++i)
            text += QLatin1Char(',') + resultNumber(float(values[i]) - base[i]);
        return text;
    };
    return QStringLiteral("DJitter:\nX") + differences(x, baseline.x) + QStringLiteral("\nY")
           + differences(y, baseline.y) + QLatin1Char('\n');
}

OpenShortRound judgeOpenShort(const std::vector<int> &x, const std::vector<int> &y, const Baseline &baseline,
                              const RowLimits &limits, int m0Min, int m0Max)
{
    OpenShortRound round;
    round.read = true;
    round.x = x;
    round.y = y;
    const bool xPass = judgeElectrodeLine(QLatin1Char('X'), x, baseline.x, limits.xMin.data(), limits.xMax.data(),
                                          RowLimits::Channels, round.failures);
    const bool yPass = judgeElectrodeLine(QLatin1Char('Y'), y, baseline.y, limits.yMin.data(), limits.yMax.data(),
                                          RowLimits::Channels, round.failures);
    round.pass = xPass && yPass;

    round.data = lineText(QLatin1Char('X'), x) + QLatin1Char('\n') + lineText(QLatin1Char('Y'), y)
                 + QLatin1Char('\n');
    if (!round.pass) {
        round.data += openList(QLatin1Char('X'), x, m0Min, m0Max) + shortList(QLatin1Char('X'), x, m0Min, m0Max)
                      + openList(QLatin1Char('Y'), y, m0Min, m0Max) + shortList(QLatin1Char('Y'), y, m0Min, m0Max);
    }
    round.data += debugJitterText(x, y, baseline);
    return round;
}

OpenShortOutcome openShortItem(const std::function<OpenShortRound()> &round, int rounds)
{
    OpenShortOutcome outcome;
    // Which round writes: counts up from 1 while rounds pass; the first failed
    // round writes (and stops any later one from writing), and so does the
    // last round when all before it passed.
    int n = 1;
    for (int i = 0; i < rounds; ++i) {
        const OpenShortRound r = round();
        ++outcome.rounds;
        if (!r.read) {
            outcome.pass = false;
            continue;
        }
        if ((!r.pass && n > 0) || n >= rounds) {
            outcome.block = QStringLiteral("OpenShort:,%1,%2\n").arg(r.pass ? Pass : Fail, r.failures) + r.data;
            n = -1;
        } else {
            ++n;
        }
        if (!r.pass)
            outcome.pass = false;
    }
    return outcome;
}

} // namespace production
