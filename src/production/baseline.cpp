#include "baseline.h"

#include "settings.h"
#include "values.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>
#include <QTextStream>

#include <algorithm>

namespace production {

bool baselineSizeFits(int xn, int yn)
{
    return xn <= Baseline::MaxElectrodes && yn <= Baseline::MaxElectrodes;
}

void Baseline::reset(int xn, int yn)
{
    fileText.clear();
    if (!baselineSizeFits(xn, yn)) {
        x.clear();
        y.clear();
        raster.clear();
        return;
    }
    // Every negative count sizes the tables as -1 does (all empty), without
    // the arithmetic below overflowing.
    xn = std::max(xn, -1);
    yn = std::max(yn, -1);
    const int xs = std::max(xn - 1, 0);
    const int ys = std::max(yn - 1, 0);
    const int rows = std::max(2 * yn + 2, 0);
    const int cells = std::max(xn + 1, 0);
    x.assign(std::size_t(xs), 0.0f);
    y.assign(std::size_t(ys), 0.0f);
    raster.assign(std::size_t(rows), std::vector<float>(std::size_t(cells), 0.0f));
}

namespace {

// The parts of a line, the text after the final "," (empty in a file the
// station wrote) dropped.
QStringList valuesOf(const QString &line)
{
    QStringList parts = line.split(QLatin1Char(','));
    parts.removeLast();
    return parts;
}

float integerOf(const QString &part)
{
    bool ok = false;
    const int v = part.trimmed().toInt(&ok);
    return ok ? float(v) : 0.0f;
}

// A raster row: as many values as the row holds, never past it.
void readRow(const QString &line, std::vector<float> &row)
{
    const QStringList parts = line.split(QLatin1Char(','));
    for (int i = 0; i < parts.size() && std::size_t(i) < row.size(); ++i)
        row[std::size_t(i)] = integerOf(parts[i]);
}

} // namespace

bool loadBaseline(const Settings &store, int xn, int yn, Baseline &baseline, QWidget *boxParent,
                  const QString &logFolder)
{
    baseline.reset(xn, yn);

    if (profile::isOn(store.value("baseline0"))) {
        QDir log(logFolder);
        const QFileInfoList files = log.entryInfoList(QDir::Files);
        if (files.size() > 50) {
            for (const QFileInfo &file : files) {
                if (!file.fileName().contains(QLatin1String("baseline")))
                    QFile::remove(file.absoluteFilePath());
            }
        }
        return true;
    }

    QFile file(logFolder + QStringLiteral("/baseline.csv"));
    if (!file.open(QIODevice::ReadOnly)) {
        QMessageBox::about(boxParent, QStringLiteral("error"), QStringLiteral("open baseline file error"));
        return false;
    }
    // Read whole, then as text, so that the bytes kept with the run are the
    // ones its tables came from.
    QByteArray text = file.readAll();
    QBuffer buffer(&text);
    buffer.open(QIODevice::ReadOnly | QIODevice::Text);
    QTextStream in(&buffer);
    if (!readBaseline(in, xn, yn, baseline)) {
        QMessageBox::about(boxParent, QStringLiteral("error"), QStringLiteral("please update baseline!!"));
        return false;
    }
    baseline.fileText = text;
    return true;
}

bool readBaseline(QTextStream &in, int xn, int yn, Baseline &baseline)
{
    baseline.reset(xn, yn);
    if (!baselineSizeFits(xn, yn))
        return false;
    const auto next = [&in] { return in.atEnd() ? QString() : in.readLine(); };

    next();
    const QStringList xs = valuesOf(next());
    if (xs.size() != int(baseline.x.size()))
        return false;
    for (int i = 0; i < xs.size(); ++i)
        baseline.x[std::size_t(i)] = integerOf(xs[i]);
    const QStringList ys = valuesOf(next());
    if (ys.size() != int(baseline.y.size()))
        return false;
    for (int i = 0; i < ys.size(); ++i)
        baseline.y[std::size_t(i)] = integerOf(ys[i]);

    next();
    for (int r = 0; r <= yn; ++r)
        readRow(next(), baseline.raster[std::size_t(r)]);
    next();
    for (int r = 0; r <= yn; ++r)
        readRow(next(), baseline.raster[std::size_t(yn + 1 + r)]);
    return true;
}

} // namespace production
