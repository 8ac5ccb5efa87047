// The reader of the profile's RowSetData, the per-electrode M0 limits.
//
// Input: the value text.
#include "fuzzinput.h"

#include "rowlimits.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray text = fuzz::rest(data, size, 0);
    production::RowLimits limits;
    limits.xMin.fill(7);
    limits.xMax.fill(7);
    limits.yMin.fill(7);
    limits.yMax.fill(7);
    const production::RowLimits before = limits;
    const bool read = production::readRowLimits(text, limits);

    const QList<QByteArray> parts = text.split('/');
    FUZZ_CHECK(read == (parts.size() == 4));
    if (!read) {
        FUZZ_CHECK(limits.xMin == before.xMin && limits.xMax == before.xMax);
        FUZZ_CHECK(limits.yMin == before.yMin && limits.yMax == before.yMax);
        return 0;
    }
    // Channels the part does not reach keep their values.
    const std::array<int, production::RowLimits::Channels> *tables[4] = {&limits.xMin, &limits.xMax,
                                                                         &limits.yMin, &limits.yMax};
    for (int p = 0; p < 4; ++p) {
        const qsizetype fields = parts[p].split(',').size();
        for (qsizetype j = fields; j < production::RowLimits::Channels; ++j)
            FUZZ_CHECK((*tables[p])[std::size_t(j)] == 7);
    }
    return 0;
}
