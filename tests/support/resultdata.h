#ifndef RESULTDATA_H
#define RESULTDATA_H

#include <QByteArray>
#include <QFile>
#include <QString>

// A result file the station filed, kept under tests/data/tools (run-pass-30x20.csv,
// run-fail-30x20.csv, ...); empty when it cannot be read.
inline QByteArray stationResultFile(const QString &name)
{
    QFile f(QStringLiteral(KAVEL_SOURCE_DIR "/tests/data/tools/") + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

#endif
