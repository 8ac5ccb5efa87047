// The text records the streams build from raw 64-byte input reports: touch,
// key code, debug X/Y lines and raster S/R rows, and the chunking of a block
// read. Each record is then fed to the display parser that takes it.
//
// Input: a sequence of 64-byte reports (a short last one is zero-filled). Of
// each report, byte 0 is the block start and byte 63 picks the count the data
// window was asked for (0..63; the builders never take more than 60 bytes).
#include "fuzzinput.h"
#include "silentwindow.h"

#include "coredebug.h"
#include "corenormal.h"
#include "coreraster.h"
#include "streamrecord.h"

#include <QString>
#include <QStringList>

#include <algorithm>
#include <optional>

using namespace device;

namespace {

// The decimal numbers of a record and their commas.
void checkNumbers(const QString &text, int skip, qsizetype expectedValues, int low, int high)
{
    FUZZ_CHECK(text.size() >= skip);
    const QString numbers = text.mid(skip);
    FUZZ_CHECK(numbers.isEmpty() || numbers.endsWith(QLatin1Char(',')));
    const QStringList fields = numbers.split(QLatin1Char(','), Qt::SkipEmptyParts);
    FUZZ_CHECK(fields.size() == expectedValues);
    for (const QString &field : fields) {
        bool ok = false;
        const int v = field.toInt(&ok, 10);
        FUZZ_CHECK(ok && v >= low && v <= high);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzz::SilentWindow window;
    window.settings()->set("x_electrodes", "29");
    window.settings()->set("y_electrodes", "3");
    quilex_gui::CoreNormal normal(&window);
    quilex_gui::CoreDebug debug(&window);
    quilex_gui::CoreRaster raster(&window);

    for (std::size_t at = 0; at < size; at += record::Report().size()) {
        record::Report report{};
        std::copy(data + at, data + std::min(size, at + report.size()), report.begin());

        // Touch record: nothing for a count above five, else the count and 5 slots.
        if (const std::optional<QString> touch = record::touchRecord(report)) {
            FUZZ_CHECK(report[1] <= 5);
            checkNumbers(*touch, 0, 16, 0, 65535);
            normal.input(touch->toLatin1().constData());
        } else {
            FUZZ_CHECK(report[1] > 5);
        }

        const QString key = record::keyCodeText(report);
        FUZZ_CHECK(key.toInt() == report[2]);

        // One chunk of a debug block (clamped) and of a raster row (as it is).
        const int count = report[63] % 64;
        const qsizetype values = std::min(count, record::ChunkBytes) / 2;
        QString x = QStringLiteral("X");
        record::appendValues(x, report, count, true);
        checkNumbers(x, 1, values, -255, 255);
        QString y = QStringLiteral("Y");
        record::appendValues(y, report, count, true);
        debug.input(x.toLatin1().constData());
        debug.input(y.toLatin1().constData());

        QString row = report[3] & 1 ? QStringLiteral("S") : QStringLiteral("R");
        record::appendValues(row, report, count, false);
        checkNumbers(row, 1, values, -32768, 32767);
        raster.input(row.toLatin1().constData());

        // The requests of a block: they cover it exactly, in order, 60 bytes at most each.
        const int start = report[0];
        const int length = static_cast<std::int16_t>(report[4] | report[5] << 8);
        const std::vector<record::Chunk> chunks = record::blockChunks(start, length);
        if (length < 0) {
            FUZZ_CHECK(chunks.empty());
        } else {
            FUZZ_CHECK(!chunks.empty());
            int covered = 0;
            for (std::size_t j = 0; j < chunks.size(); ++j) {
                FUZZ_CHECK(chunks[j].offset == start + covered);
                FUZZ_CHECK(chunks[j].count <= record::ChunkBytes);
                const bool last = j + 1 == chunks.size();
                FUZZ_CHECK(last || chunks[j].count == record::ChunkBytes);
                covered += last ? length % record::ChunkBytes : chunks[j].count;
            }
            FUZZ_CHECK(covered == length);
        }
    }
    return 0;
}
