#include "runcontext.h"

#include "linesettings.h"
#include "resultreader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSysInfo>
#include <QUuid>

namespace results {

namespace {

QString verdictFromPlace(const QFileInfo &file, const QString &passFolder, const QString &failFolder)
{
    const QString folder = file.absoluteDir().absolutePath();
    const auto same = [&folder](const QString &other) {
        return !other.isEmpty() && QDir(other).absolutePath() == folder;
    };
    // A profile may send both verdicts to one folder: the folder then tells nothing.
    const bool passPlace = same(passFolder) || file.absoluteDir().dirName() == QLatin1String("resultsPASS");
    const bool failPlace = same(failFolder) || file.absoluteDir().dirName() == QLatin1String("resultsFAIL");
    if (passPlace != failPlace)
        return passPlace ? QStringLiteral("PASS") : QStringLiteral("FAIL");
    const QString base = file.completeBaseName();
    if (base.endsWith(QLatin1String("-Pass")))
        return QStringLiteral("PASS");
    if (base.endsWith(QLatin1String("-Fail")))
        return QStringLiteral("FAIL");
    if (!passPlace)
        return QString();
    // Neither folder nor name: the file's own lines, failed when any of them says so.
    std::string bytes;
    ResultRecord r;
    if (!readResultFile(QFile::encodeName(file.absoluteFilePath()).toStdString(), bytes, r))
        return QString();
    const bool failed = (r.electricPresent && !r.electricPass) || (r.usbVersion.present && !r.usbVersion.pass)
                        || (r.crcVersion.present && !r.crcVersion.pass)
                        || (r.eepromVersion.present && !r.eepromVersion.pass) || (r.tbPresent && !r.tbPass)
                        || (r.attb.present && !r.attb.pass) || (r.openShort.present && !r.openShort.pass)
                        || (r.rasterX.present && !r.rasterX.pass) || (r.rasterY.present && !r.rasterY.pass)
                        || (r.reset.present && !r.reset.pass)
                        // a button data line without values is a read that failed
                        || (r.buttonsPresent && r.buttons.empty());
    return failed ? QStringLiteral("FAIL") : QStringLiteral("PASS");
}

// A UUID whose first 48 bits are a time in milliseconds (version 7), so that
// ids made one after another sort one after another: the stores' indexes on
// run_id then grow at one end instead of being written all over.
QString timeOrdered(QUuid id, qint64 ms)
{
    const quint64 t = quint64(ms) & 0xFFFFFFFFFFFFull;
    id.data1 = uint(t >> 16);
    id.data2 = ushort(t & 0xFFFF);
    id.data3 = ushort((id.data3 & 0x0FFF) | (7 << 12));
    return id.toString(QUuid::WithoutBraces);
}

// "yyyyMMddhhmmss" as local time; read digit by digit, for Qt's reading of
// a format took a tenth of an import's time.
QDateTime digitsTime(QStringView digits)
{
    const auto number = [&digits](int from, int count) {
        int n = 0;
        for (int i = from; i < from + count; ++i)
            n = n * 10 + (digits.at(i).unicode() - '0');
        return n;
    };
    const QDate date(number(0, 4), number(4, 2), number(6, 2));
    const QTime time(number(8, 2), number(10, 2), number(12, 2));
    return date.isValid() && time.isValid() ? QDateTime(date, time) : QDateTime();
}

// The namespace of the station's name-based run ids.
const QUuid FiledRuns(0x6b1d52a4, 0x93e1, 0x4c57, 0x9a, 0x0e, 0x51, 0x7f, 0x22, 0xc8, 0x03, 0x4d);

} // namespace

QString stationId(const QString &lineSettings)
{
    const QString id = readLineSettings(lineSettings).station;
    return id.isEmpty() ? QSysInfo::machineHostName() : id;
}

QString newRunId()
{
    return timeOrdered(QUuid::createUuid(), QDateTime::currentMSecsSinceEpoch());
}

QString fileRunId(const QString &station, const QString &fileName, const QByteArray &sha1)
{
    // Each part's length first, so that no two triples give one name.
    QByteArray name;
    for (const QByteArray &part : {station.toUtf8(), fileName.toUtf8(), sha1}) {
        name += QByteArray::number(part.size());
        name += ':';
        name += part;
    }
    return QUuid::createUuidV5(FiledRuns, name).toString(QUuid::WithoutBraces);
}

RunContext contextFromFile(const QString &path, const QString &station, const QString &passFolder,
                           const QString &failFolder)
{
    const QFileInfo file(path);
    RunContext context;
    context.station = station;
    context.path = file.absoluteFilePath();
    context.verdict = verdictFromPlace(file, passFolder, failFolder);
    context.endedAt = file.lastModified();
    context.startedAt = context.endedAt;

    const QString base = file.completeBaseName();
    static const QRegularExpression barcodeName(
        QStringLiteral(R"(^(.*)-(\d{14})-00-00-(Pass|Fail)$)"));
    static const QRegularExpression attbName(
        QStringLiteral(R"(^(.*)-(\d\d-\d\d-\d\d-\d\d-\d\d)00-00-(Pass|Fail)$)"));
    static const QRegularExpression autoName(QStringLiteral(R"(^\d\d-\d\d-\d\d-\d\d-\d\d$)"));
    if (const QRegularExpressionMatch m = barcodeName.match(base); m.hasMatch()) {
        context.startMode = QStringLiteral("Barcode");
        context.barcode = m.captured(1);
        const QDateTime at = digitsTime(m.capturedView(2));
        if (at.isValid())
            context.startedAt = context.endedAt = at;
    } else if (const QRegularExpressionMatch a = attbName.match(base); a.hasMatch()) {
        context.startMode = QStringLiteral("Barcode");
        context.barcode = a.captured(1);
    } else if (autoName.match(base).hasMatch()) {
        context.startMode = QStringLiteral("Auto");
        const QDateTime at = QDateTime::fromString(QString::number(context.endedAt.date().year()) + QLatin1Char('-')
                                                       + base,
                                                   QStringLiteral("yyyy-MM-dd-hh-mm-ss"));
        if (at.isValid())
            context.startedAt = at;
    } else {
        const QStringList parts = base.split(QLatin1Char('-'));
        if (parts.size() >= 3) {
            context.startMode = QStringLiteral("Manual");
            context.lot = parts.at(0);
            context.worker = parts.at(1);
            context.barcode = parts.mid(2).join(QLatin1Char('-'));
        }
    }
    return context;
}

} // namespace results
