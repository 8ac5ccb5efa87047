// The reader of the station file ./config.txt and the id parser the
// discovery applies to its ids.
//
// Input: the file.
#include "fuzzinput.h"

#include "myusbhid.h"
#include "stationfile.h"

#include <QBuffer>
#include <QTextStream>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QByteArray file = fuzz::rest(data, size, 0);
    QBuffer buffer(&file);
    buffer.open(QIODevice::ReadOnly | QIODevice::Text);
    QTextStream in(&buffer);

    station::StationFile values;
    const QString workingDir = QStringLiteral("/station");
    station::readStationFile(in, workingDir, values);

    // The profile path stays under the working directory's prefix.
    FUZZ_CHECK(values.profilePath.startsWith(workingDir + QLatin1Char('/')));
    for (const QByteArray *id : {&values.ids.makerVid, &values.ids.makerPid, &values.ids.customerVid,
                                 &values.ids.customerPid}) {
        FUZZ_CHECK(!id->contains('\n'));
        FUZZ_CHECK(MyUsbHid::parseId(*id) <= 0xFFFF);
    }
    return 0;
}
