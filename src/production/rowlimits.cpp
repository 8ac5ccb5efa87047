#include "rowlimits.h"

#include "values.h"

#include <algorithm>

namespace production {

namespace {

void fill(const std::vector<int> &fields, std::array<int, RowLimits::Channels> &channels)
{
    const std::size_t n = std::min<std::size_t>(fields.size(), RowLimits::Channels);
    std::copy_n(fields.begin(), n, channels.begin());
}

} // namespace

bool readRowLimits(const QByteArray &rowSetData, RowLimits &limits)
{
    const auto parts = profile::rowSetParts(rowSetData);
    if (!parts)
        return false;
    fill((*parts)[0], limits.xMin);
    fill((*parts)[1], limits.xMax);
    fill((*parts)[2], limits.yMin);
    fill((*parts)[3], limits.yMax);
    return true;
}

} // namespace production
