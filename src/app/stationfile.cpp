#include "stationfile.h"

#include "durablefile.h"

#include <QFile>
#include <QSaveFile>
#include <QTextStream>

namespace station {

namespace {
// Key lengths, which are also the number of characters the reader skips.
constexpr int kSkip[5] = {10, 10, 12, 12, 11};
const char *const kKeys[5] = {"QuilexVID=", "QuilexPID=", "CustomerVID=", "CustomerPID=", "ConfigPath="};
} // namespace

bool readStationFile(const QString &fileName, const QString &workingDir, StationFile &out)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    QTextStream in(&file);
    readStationFile(in, workingDir, out);
    return true;
}

void readStationFile(QTextStream &in, const QString &workingDir, StationFile &out)
{
    QString values[5];
    for (int i = 0; i < 5; ++i) {
        const QString line = in.atEnd() ? QString() : in.readLine();
        values[i] = line.mid(kSkip[i]);
    }
    out.ids.makerVid = values[0].toLocal8Bit();
    out.ids.makerPid = values[1].toLocal8Bit();
    out.ids.customerVid = values[2].toLocal8Bit();
    out.ids.customerPid = values[3].toLocal8Bit();
    out.profilePath = workingDir + QLatin1Char('/') + values[4];
}

bool writeStationFile(const QString &fileName, const QString &workingDir, const StationFile &values)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    QString relative = values.profilePath;
    relative.remove(workingDir + QLatin1Char('/'), Qt::CaseSensitive);
    const QString texts[5] = {
        QString::fromLocal8Bit(values.ids.makerVid), QString::fromLocal8Bit(values.ids.makerPid),
        QString::fromLocal8Bit(values.ids.customerVid), QString::fromLocal8Bit(values.ids.customerPid),
        relative};
    QTextStream out(&file);
    for (int i = 0; i < 5; ++i)
        out << kKeys[i] << texts[i] << '\n';
    out.flush();
    if (!file.commit())
        return false;
    // The new file replaces the old by a rename, durable only with its folder.
    files::syncFolderOf(fileName);
    return true;
}

} // namespace station
