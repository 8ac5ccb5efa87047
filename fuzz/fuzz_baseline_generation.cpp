// The result-file reader of the baseline generation.
//
// Input: byte 0 XN, byte 1 YN (fuzz::electrodeCount), then one result file.
#include "fuzzinput.h"

#include "baseline.h"
#include "generatecsv.h"

#include <QBuffer>
#include <QTextStream>

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2)
        return 0;
    const int xn = fuzz::electrodeCount(data[0]);
    const int yn = fuzz::electrodeCount(data[1]);
    QByteArray file = fuzz::rest(data, size, 2);
    QBuffer buffer(&file);
    buffer.open(QIODevice::ReadOnly | QIODevice::Text);
    QTextStream in(&buffer);

    production::Baseline values;
    const bool complete = tools::readResultValues(in, xn, yn, values);

    production::Baseline sized;
    sized.reset(xn, yn);
    FUZZ_CHECK(values.x.size() == sized.x.size());
    FUZZ_CHECK(values.y.size() == sized.y.size());
    FUZZ_CHECK(values.raster.size() == sized.raster.size());
    for (std::size_t r = 0; r < values.raster.size(); ++r)
        FUZZ_CHECK(values.raster[r].size() == sized.raster[r].size());
    if (!production::baselineSizeFits(xn, yn))
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
