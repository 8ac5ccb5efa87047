// The reader of ./log/baseline.csv that a run subtracts.
//
// Input: byte 0 XN, byte 1 YN (fuzz::electrodeCount), then the file.
#include "fuzzinput.h"

#include "baseline.h"

#include <QBuffer>
#include <QTextStream>

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

    production::Baseline baseline;
    const bool read = production::readBaseline(in, xn, yn, baseline);

    // Whatever the text, the tables have the panel's size (none for a size
    // beyond any panel), so the judging never reads past them.
    production::Baseline sized;
    sized.reset(xn, yn);
    FUZZ_CHECK(baseline.x.size() == sized.x.size());
    FUZZ_CHECK(baseline.y.size() == sized.y.size());
    FUZZ_CHECK(baseline.raster.size() == sized.raster.size());
    for (std::size_t r = 0; r < baseline.raster.size(); ++r)
        FUZZ_CHECK(baseline.raster[r].size() == sized.raster[r].size());
    if (!production::baselineSizeFits(xn, yn))
        FUZZ_CHECK(!read && baseline.x.empty() && baseline.raster.empty());
    return 0;
}
