#include "paneltests.h"

#include "baseline.h"
#include "bridgereport.h"
#include "devicelink.h"
#include "rowlimits.h"
#include "settings.h"
#include "streamrecord.h"
#include "values.h"

#include <QThread>

#include <algorithm>

namespace production {

namespace bridge = device::bridge;
namespace record = device::record;

namespace {

// Baseline and limits the run has not handed over yet: judge against nothing.
const Baseline &noBaseline()
{
    static const Baseline empty;
    return empty;
}

const RowLimits &noLimits()
{
    static const RowLimits none;
    return none;
}

} // namespace

void PanelTests::begin(const Settings &store, int xn, int yn, int registerMapSelector, const Baseline &baseline,
                       const RowLimits &limits)
{
    m_xn = xn;
    m_yn = yn;
    m_registerMapSelector = registerMapSelector;
    m_m0Min = profile::toInt(store.value("M0_thr_min"));
    m_m0Max = profile::toInt(store.value("M0_thr_max"));
    m_limits = RasterLimits::fromStore(store);
    m_baseline = &baseline;
    m_rowLimits = &limits;
    // Fresh rows every run: a run never sees the cells of the one before.
    const int rows = std::max(2 * yn + 2, 0);
    const int cells = std::max(xn + 1, 0);
    m_rasterRows.assign(std::size_t(rows), std::vector<int>(std::size_t(cells), 0));
    m_counts = RasterCounts();
    m_lastRound = OpenShortRound();
}

bool PanelTests::readValues(int offset, int count, std::vector<int> &values) const
{
    values.clear();
    if (count <= 0)
        return true;
    const std::uint8_t window = bridge::registerMap(m_registerMapSelector).window;
    bridge::Report answer{};
    for (const record::Chunk &c : record::blockChunks(offset, 2 * count)) {
        const auto reg = static_cast<std::uint8_t>(window + c.offset);
        if (!bridge::transfer(bridge::i2cRead(reg, c.count), ChunkWaitMs, &answer).ok())
            return false;
        for (std::size_t i = 1; i + 1 <= c.count; i += 2)
            values.push_back(record::rawValue(answer[i], answer[i + 1]));
    }
    return true;
}

OpenShortRound PanelTests::openShortRound()
{
    OpenShortRound failed;
    // Without a board there is nothing to judge, and nothing must pass.
    if (device::link::connected() != 1 || !record::streamableCount(m_xn) || !record::streamableCount(m_yn)) {
        m_lastRound = failed;
        return failed;
    }
    std::vector<int> x, y;
    if (!readValues(0, m_xn - 1, x) || !readValues(2 * (m_xn - 1), m_yn - 1, y)) {
        m_lastRound = failed;
        return failed;
    }
    m_lastRound = judgeOpenShort(x, y, m_baseline ? *m_baseline : noBaseline(),
                                 m_rowLimits ? *m_rowLimits : noLimits(), m_m0Min, m_m0Max);
    return m_lastRound;
}

OpenShortOutcome PanelTests::openShort()
{
    // A round the board left unanswered is failed; the rounds after it are
    // not asked for, so a silent board costs one time-out, not three.
    const device::link::Watch link;
    return openShortItem([this, &link] { return link.held() ? openShortRound() : OpenShortRound(); });
}

RasterAttempt PanelTests::acquireXRaster()
{
    return acquire(RasterAxis::X);
}

RasterAttempt PanelTests::acquireYRaster()
{
    return acquire(RasterAxis::Y);
}

RasterAttempt PanelTests::acquire(RasterAxis axis)
{
    m_counts = RasterCounts();
    RasterAttempt failed{QStringLiteral("FAIL"), QString()};
    if (device::link::connected() != 1 || !record::streamableCount(m_xn) || !record::streamableCount(m_yn)
        || m_rasterRows.size() < std::size_t(2 * m_yn + 2))
        return failed;

    const Baseline &baseline = m_baseline ? *m_baseline : noBaseline();
    const int first = axis == RasterAxis::X ? 0 : m_yn + 1;
    const std::uint8_t rowSelect = bridge::registerMap(m_registerMapSelector).rowSelect;
    static const std::vector<float> none;
    bool pass = true;
    std::vector<int> raw;
    for (int r = 0; r <= m_yn; ++r) {
        // The answer to the row select says nothing; the row read decides.
        bridge::transfer(bridge::i2cWrite(rowSelect, {static_cast<std::uint8_t>(r), 0x00}), RowSelectWaitMs);
        if (!readValues(0, m_xn + 1, raw)) {
            failed.failures = m_counts.failures;
            return failed;
        }
        const std::size_t row = std::size_t(first + r);
        const std::vector<float> &base = row < baseline.raster.size() ? baseline.raster[row] : none;
        if (!judgeRasterRow(axis, r, raw, m_xn, m_yn, m_limits, base, m_rasterRows[row], m_counts))
            pass = false;
    }

    const auto from = m_rasterRows.begin() + first;
    const std::vector<std::vector<int>> stored(from, from + m_yn + 1);
    std::vector<std::vector<float>> baseRows;
    for (int r = 0; r <= m_yn; ++r) {
        const std::size_t row = std::size_t(first + r);
        baseRows.push_back(row < baseline.raster.size() ? baseline.raster[row] : none);
    }
    return RasterAttempt{rasterText(axis, pass, stored, baseRows), m_counts.failures};
}

RasterItemResult PanelTests::rasterItem(RasterAxis axis, const std::function<void(int)> &sleep)
{
    const std::function<void(int)> wait = sleep ? sleep : [](int ms) {
        if (ms > 0)
            QThread::msleep(static_cast<unsigned long>(ms));
    };
    return production::rasterItem(axis, [this, axis] { return acquire(axis); }, wait);
}

} // namespace production
