// The reader of ./log/baseline.csv that a run subtracts.
//
// Input: byte 0 XN, byte 1 YN (fuzz::electrodeCount), then the file.
#include "fuzzbaseline.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2)
        return 0;
    fuzz::PanelText input(data, size);
    production::Baseline baseline;
    const bool read = production::readBaseline(input.stream(), input.xn, input.yn, baseline);

    fuzz::checkPanelSized(baseline, input.xn, input.yn);
    if (!production::baselineSizeFits(input.xn, input.yn))
        FUZZ_CHECK(!read && baseline.x.empty() && baseline.raster.empty());
    return 0;
}
