#include "resultfile.h"

#include "durablefile.h"

#include "settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QSaveFile>

namespace production {

namespace {

// "./resultsPASS" and "./resultsFAIL": what a log folder replaces.
constexpr int ResultsFolderLength = 13;

// Enough for every panel of a shift under one name; a bound so that a folder
// that refuses every copy cannot keep the station looping.
constexpr int MaxSuffix = 9999;

bool forbiddenInName(QChar c)
{
    static const QString windowsReserved = QStringLiteral("<>:\"/\\|?*");
    return c.unicode() < 0x20 || c.category() == QChar::Other_Control || windowsReserved.contains(c);
}

QString passOrFail(const QString &verdict)
{
    return verdict == QLatin1String("PASS") ? QStringLiteral("Pass") : QStringLiteral("Fail");
}

} // namespace

QString safeNamePart(const QString &text)
{
    QString safe;
    safe.reserve(text.size());
    for (const QChar c : text)
        safe += forbiddenInName(c) ? QChar(u'_') : c;
    safe.replace(QLatin1String(".."), QLatin1String("_"));
    return safe;
}

QString autoWorkingName(const QDateTime &now)
{
    return QStringLiteral("./%1.csv").arg(now.toString(QStringLiteral("MM-dd-hh-mm-ss")));
}

QString manualWorkingName(const QString &lot, const QString &worker, const QString &barcode)
{
    return QStringLiteral("./%1-%2-%3.csv")
        .arg(safeNamePart(lot), safeNamePart(worker), safeNamePart(barcode));
}

QString barcodeWorkingName()
{
    return QStringLiteral("./test.csv");
}

QString storedName(StartMode mode, const QString &workingName, const QString &verdict,
                   const QString &barcode, const QDateTime &filedAt, Ending ending)
{
    if (mode != StartMode::Barcode) {
        QString name = workingName;
        return name.insert(2, QStringLiteral("results") + verdict + QLatin1Char('/'));
    }
    // Put together piece by piece: arg() would take the "%300" of the Attb
    // form for a place marker, and a "%1" typed into a barcode too.
    const QString head = QStringLiteral("./results") + verdict + QLatin1Char('/') + safeNamePart(barcode);
    if (ending == Ending::Attb)
        return head + QLatin1Char('-') + filedAt.toString(QStringLiteral("MM-dd-hh-mm-ss"))
               + QStringLiteral("00-00-") + passOrFail(verdict) + QStringLiteral(".csv");
    return head + QLatin1Char('-') + filedAt.toString(QStringLiteral("yyyyMMddhhmmss"))
           + QStringLiteral("-00-00-") + passOrFail(verdict) + QStringLiteral(".csv");
}

QString logFolder(const Settings &store, const QString &verdict)
{
    const QByteArray key = verdict == QLatin1String("PASS") ? QByteArrayLiteral("LogPASS_Path")
                                                           : QByteArrayLiteral("LogFAIL_Path");
    QString folder = QString::fromLocal8Bit(store.value(key));
    folder.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return folder;
}

QStringList runFolders(const Settings &store)
{
    QStringList folders{QStringLiteral("."), QStringLiteral("./resultsPASS"), QStringLiteral("./resultsFAIL"),
                        QStringLiteral("./log")};
    for (const QString &verdict : {QStringLiteral("PASS"), QStringLiteral("FAIL")}) {
        const QString folder = logFolder(store, verdict);
        if (!folder.isEmpty())
            folders << folder;
    }
    return folders;
}

bool appendToFile(const QString &fileName, const QString &text)
{
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        return false;
    const qint64 before = file.size();
    const QByteArray bytes = text.toLatin1();
    const bool written = file.write(bytes) == bytes.size() && file.flush();
    if (!written)
        file.resize(before);
    file.close();
    return written;
}

bool copyWithoutReplacing(const QString &from, const QString &to)
{
    // Never replaces, appears under its name only when complete, and is on the
    // disk with its name before the caller deletes what it came from.
    return files::durableCopy(from, to);
}

QString withSuffix(const QString &fileName, int n)
{
    const int slash = fileName.lastIndexOf(QLatin1Char('/'));
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString suffix = QStringLiteral("-%1").arg(n);
    if (dot <= slash + 1)
        return fileName + suffix;
    QString name = fileName;
    return name.insert(dot, suffix);
}

ResultFile::ResultFile(QWidget *window, QObject *parent) : QObject(parent), m_window(window) {}

ResultFile::Start ResultFile::begin(StartMode mode, const QString &lot, const QString &worker,
                                    const QString &barcode, const QDateTime &now)
{
    QString name;
    switch (mode) {
    case StartMode::Auto:
        name = autoWorkingName(now);
        break;
    case StartMode::Manual:
        if (lot.isEmpty() || worker.isEmpty() || barcode.isEmpty())
            return Start::NoInput;
        name = manualWorkingName(lot, worker, barcode);
        if (QFile::exists(name))
            return Start::Repeated;
        break;
    case StartMode::Barcode:
        if (barcode.isEmpty())
            return Start::NoInput;
        name = barcodeWorkingName();
        break;
    }
    if (mode != StartMode::Manual)
        QFile::remove(name);
    m_mode = mode;
    m_workingName = name;
    m_barcode = barcode;
    m_heldForLog.reset();
    return Start::Ready;
}

bool ResultFile::exists() const
{
    return !m_workingName.isEmpty() && QFile::exists(m_workingName);
}

bool ResultFile::appendResultLine(const QString &text)
{
    if (!m_workingName.isEmpty() && appendToFile(m_workingName, text))
        return true;
    QMessageBox::about(m_window, QStringLiteral("error"), tr("open csv file fail!\r\n"));
    emit appendFailed();
    return false;
}

StoreOutcome ResultFile::storeResultFile(const Settings &store, const QString &verdict,
                                         Ending ending, const QDateTime &filedAt)
{
    StoreOutcome outcome;
    if (!exists())
        return outcome;

    const QString stored = storedName(m_mode, m_workingName, verdict, m_barcode, filedAt, ending);
    const QString folder = logFolder(store, verdict);
    QString target;
    if (!folder.isEmpty()) {
        const QString inLogFolder = folder + stored.mid(ResultsFolderLength);
        if (copyWithoutReplacing(m_workingName, inLogFolder))
            target = inLogFolder;
    }
    if (target.isEmpty() && copyWithoutReplacing(m_workingName, stored))
        target = stored;

    if (target.isEmpty()) {
        // The name is taken (the same panel again, the same second) or the
        // folder is gone: the result still has to be kept somewhere findable.
        // A folder gone missing is made again and gets the plain name.
        QDir().mkpath(QFileInfo(stored).path());
        for (int n = 0; n <= MaxSuffix && target.isEmpty(); ++n) {
            const QString candidate = n == 0 ? stored : withSuffix(stored, n);
            if (QFile::exists(candidate))
                continue;
            if (!copyWithoutReplacing(m_workingName, candidate))
                break;
            target = candidate;
        }
        if (!target.isEmpty() && target != stored)
            outcome.paneLine = QStringLiteral("Result file name already used; stored as %1").arg(target);
    }

    if (target.isEmpty()) {
        // Nothing in the results folder would take it. Move it aside rather
        // than leave it under the working name, which the next run clears.
        for (int n = 1; n <= MaxSuffix && target.isEmpty(); ++n) {
            const QString candidate = withSuffix(m_workingName, n);
            if (!QFile::exists(candidate) && QFile::rename(m_workingName, candidate)) {
                files::syncFolderOf(candidate);
                target = candidate;
            }
        }
        outcome.stored = !target.isEmpty();
        outcome.path = outcome.stored ? target : m_workingName;
        outcome.paneLine = QStringLiteral("Result file could not be filed; kept as %1").arg(outcome.path);
        return outcome;
    }

    QFile::remove(m_workingName);
    outcome.stored = true;
    outcome.path = target;
    return outcome;
}

void ResultFile::holdForLog()
{
    QFile file(m_workingName);
    if (!m_workingName.isEmpty() && file.open(QIODevice::ReadOnly))
        m_heldForLog = file.readAll();
}

bool ResultFile::copyToLog()
{
    const QString log = QStringLiteral("./log");
    const QString target = log + QLatin1Char('/') + QFileInfo(m_workingName).fileName();
    if (!m_heldForLog) {
        if (!exists())
            return false;
        QDir().mkpath(log);
        return copyWithoutReplacing(m_workingName, target);
    }
    if (m_workingName.isEmpty() || QFile::exists(target))
        return false;
    QDir().mkpath(log);
    QSaveFile copy(target);
    if (!copy.open(QIODevice::WriteOnly) || copy.write(*m_heldForLog) != m_heldForLog->size() || !copy.commit())
        return false;
    files::syncFolderOf(target);
    return true;
}

void ResultFile::discard()
{
    if (!m_workingName.isEmpty())
        QFile::remove(m_workingName);
}

} // namespace production
