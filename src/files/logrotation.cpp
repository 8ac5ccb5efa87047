#include "logrotation.h"

#include <QFile>
#include <QFileInfo>

namespace files {

namespace {

QString part(const QString &path, int n)
{
    return path + QLatin1Char('.') + QString::number(n);
}

} // namespace

bool rotate(const QString &path, int kept)
{
    if (kept < 1)
        return QFile::remove(path);
    QFile::remove(part(path, kept));
    for (int n = kept - 1; n >= 1; --n) {
        if (QFile::exists(part(path, n)))
            QFile::rename(part(path, n), part(path, n + 1));
    }
    return QFile::rename(path, part(path, 1));
}

bool rotateWhenFull(const QString &path, qint64 limit, int kept)
{
    const QFileInfo info(path);
    return info.isFile() && info.size() >= limit && rotate(path, kept);
}

void removeWithParts(const QString &path, int kept)
{
    QFile::remove(path);
    for (int n = 1; n <= kept; ++n)
        QFile::remove(part(path, n));
}

} // namespace files
