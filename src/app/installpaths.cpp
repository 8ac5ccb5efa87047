#include "installpaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#ifndef KAVEL_BIN_TO_DATA
#error "KAVEL_BIN_TO_DATA (the data folder relative to the executable's) must be defined by the build"
#endif

namespace installpaths {

QString dataDir(const QString &applicationDir)
{
    if (applicationDir.isEmpty())
        return {};
    const QFileInfo dir(QDir(applicationDir).filePath(QStringLiteral(KAVEL_BIN_TO_DATA)));
    return dir.isDir() ? QDir::cleanPath(dir.absoluteFilePath()) : QString();
}

QString locate(const QString &name, const QString &installedSubdir, const QString &workingDir,
               const QString &applicationDir)
{
    const QString local = QDir(workingDir).filePath(name);
    if (QFileInfo(local).isFile())
        return local;
    const QString data = dataDir(applicationDir);
    if (!data.isEmpty()) {
        const QString installed =
            QDir(installedSubdir.isEmpty() ? data : QDir(data).filePath(installedSubdir)).filePath(name);
        if (QFileInfo(installed).isFile())
            return installed;
    }
    return local;
}

QString styleSheet()
{
    return locate(QStringLiteral("css.qss"), QString(), QDir::currentPath(),
                  QCoreApplication::applicationDirPath());
}

QString translation(const QString &qmFile)
{
    return locate(qmFile, QStringLiteral("translations"), QDir::currentPath(),
                  QCoreApplication::applicationDirPath());
}

} // namespace installpaths
