#include "rowlimits.h"

#include <QList>

namespace production {

namespace {

void fill(const QByteArray &part, std::array<int, RowLimits::Channels> &channels)
{
    const QList<QByteArray> fields = part.split(',');
    const int n = std::min<int>(static_cast<int>(fields.size()), RowLimits::Channels);
    for (int j = 0; j < n; ++j)
        channels[static_cast<std::size_t>(j)] = fields[j].toInt(nullptr, 10);
}

} // namespace

bool readRowLimits(const QByteArray &rowSetData, RowLimits &limits)
{
    const QList<QByteArray> parts = rowSetData.split('/');
    if (parts.size() != 4)
        return false;
    fill(parts[0], limits.xMin);
    fill(parts[1], limits.xMax);
    fill(parts[2], limits.yMin);
    fill(parts[3], limits.yMax);
    return true;
}

} // namespace production
