// The .qlx firmware reader: section selection, limits, record checks.
//
// Input: byte 0 is the length n (0..15) of the bootloader code that follows;
// the rest is the file.
#include "fuzzinput.h"

#include "firmwareimage.h"

#include <QBuffer>

using namespace device::firmware;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    const std::size_t codeLength = std::min<std::size_t>(data[0] % 16, size - 1);
    const QString code = QString::fromLatin1(reinterpret_cast<const char *>(data + 1),
                                             static_cast<qsizetype>(codeLength));
    QByteArray file = fuzz::rest(data, size, 1 + codeLength);
    QBuffer in(&file);
    in.open(QIODevice::ReadOnly);
    const ReadResult result = read(in, code);

    const Image &image = result.image;
    FUZZ_CHECK(image.lines.size() <= std::size_t(MaxSelectedLines));
    FUZZ_CHECK(image.dataLines <= MaxDataLines + 1);
    int dataLines = 0;
    int lastLine = 0;
    for (const Line &line : image.lines) {
        FUZZ_CHECK(line.fileLine > lastLine);
        lastLine = line.fileLine;
        if (line.kind == Line::Data)
            ++dataLines;
        else
            FUZZ_CHECK(!line.sent);
    }
    switch (result.outcome) {
    case Outcome::Ok:
        FUZZ_CHECK(!image.lines.empty());
        FUZZ_CHECK(dataLines == image.dataLines);
        FUZZ_CHECK(image.dataLines <= MaxDataLines);
        break;
    case Outcome::NothingSelected:
        FUZZ_CHECK(image.lines.empty());
        break;
    case Outcome::TooManyLines:
    case Outcome::TooManyDataLines:
    case Outcome::BadRecord:
        // Refused at a line of the file, before anything was sent.
        FUZZ_CHECK(result.fileLine > 0);
        break;
    case Outcome::CannotOpen:
        FUZZ_CHECK(false);
        break;
    }

    // The record decoder alone, on the start of the file.
    Record record{};
    const int digits = static_cast<int>(std::min<qsizetype>(file.size(), RecordHexDigits + 2));
    if (decodeRecord(file.constData(), digits, record))
        FUZZ_CHECK(digits >= RecordHexDigits);
    sentType(file.constData(), static_cast<int>(std::min<qsizetype>(file.size(), 2)));
    return 0;
}
