// The result-file reader of the baseline generation.
//
// Input: byte 0 XN, byte 1 YN (fuzz::electrodeCount), then one result file.
#include "fuzzbaseline.h"

#include "generatecsv.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2)
        return 0;
    fuzz::PanelText input(data, size);
    const int yn = input.yn;
    production::Baseline values;
    const bool complete = tools::readResultValues(input.stream(), input.xn, yn, values);

    fuzz::checkPanelSized(values, input.xn, yn);
    if (!production::baselineSizeFits(input.xn, yn))
        FUZZ_CHECK(!complete);

    // The text of baseline.csv from what was read: every cell a whole number,
    // one line per table row, each cell followed by a comma.
    if (complete) {
        const QByteArray text = tools::baselineText(values, yn);
        const QList<QByteArray> lines = text.split('\n');
        // Three headers, the two lines, the rows and the empty text after the last "\n".
        FUZZ_CHECK(lines.size() == qsizetype(values.raster.size()) + 6);
        for (const std::vector<float> &row : values.raster)
            for (float cell : row)
                FUZZ_CHECK(std::isfinite(cell) && cell == std::ceil(cell));
    }
    return 0;
}
