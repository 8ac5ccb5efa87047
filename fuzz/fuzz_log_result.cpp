// The log viewer's reader of a stored result file.
//
// Input: the file as the viewer reads it (all bytes).
#include "fuzzinput.h"

#include "logresult.h"

#include <climits>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray content = fuzz::rest(data, size, 0);
    LogData log;
    const bool read = readResultText(content, log);

    // The counts follow the lines, and the rows never outnumber the two
    // sections of yn + 1 rows each, whatever the file claims.
    if (read || !log.xLine.isEmpty() || !log.yLine.isEmpty()) {
        FUZZ_CHECK(log.xn == log.xLine.size() + 1);
        FUZZ_CHECK(log.yn == log.yLine.size() + 1);
    }
    FUZZ_CHECK(log.rasterRows.size() <= 2 * (qsizetype(log.yn) + 1));
    // Nothing is made up: no line holds more values than the file has commas and fields.
    FUZZ_CHECK(log.xLine.size() <= content.size());
    FUZZ_CHECK(log.buttons.size() <= content.size());

    resultFields(content);
    return 0;
}
