#include "commands.h"
#include "output.h"

#include "resultstore.h"
#include "runcontext.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>

#include <algorithm>

#include <unistd.h>

namespace results::cli {

namespace {

// A bar on stderr while someone watches a terminal; a log or a pipe gets only
// the messages.
class Progress
{
public:
    explicit Progress(qsizetype total) : m_total(total), m_shown(total > 0 && ::isatty(STDERR_FILENO) == 1)
    {
        m_clock.start();
    }

    void step(qsizetype done)
    {
        if (!m_shown || (done != m_total && m_clock.elapsed() - m_drawnAt < 100))
            return;
        m_drawnAt = m_clock.elapsed();
        constexpr int Width = 30;
        const int filled = int(qint64(Width) * done / m_total);
        err(QStringLiteral("\rimport [%1%2] %3/%4 files")
                .arg(QString(filled, QLatin1Char('#')), QString(Width - filled, QLatin1Char('.')))
                .arg(done)
                .arg(m_total));
        m_drawn = true;
    }

    // Gives the line back to a message.
    void clear()
    {
        if (m_drawn)
            err(QStringLiteral("\r\x1b[K"));
        m_drawn = false;
        m_drawnAt = -1000;
    }

private:
    qsizetype m_total;
    bool m_shown;
    bool m_drawn = false;
    qint64 m_drawnAt = -1000;
    QElapsedTimer m_clock;
};

struct Counts
{
    qsizetype imported = 0;
    qsizetype known = 0;
};

// Every file under the arguments, each once, in name order so that an import
// is repeatable. False when an argument names nothing.
bool collectFiles(const QStringList &arguments, QStringList &files)
{
    for (const QString &argument : arguments) {
        const QFileInfo info(argument);
        if (info.isDir()) {
            QDirIterator it(argument, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
            while (it.hasNext())
                files << QDir::cleanPath(QFileInfo(it.next()).absoluteFilePath());
        } else if (info.exists()) {
            files << QDir::cleanPath(info.absoluteFilePath());
        } else {
            err(QStringLiteral("import: no such file or folder: %1\n").arg(argument));
            return false;
        }
    }
    files.sort();
    files.removeDuplicates();
    return true;
}

} // namespace

int importFiles(const Invocation &invocation, ResultStore &store)
{
    QStringList files;
    if (!collectFiles(invocation.arguments, files))
        return ExitFailure;
    const QString station = invocation.station.isEmpty() ? stationId() : invocation.station;
    // The line's server is where the outbox sends to; runs imported there
    // directly must not be sent again.
    const bool queueForLine = !invocation.line;

    Counts committed, pending;
    qsizetype skipped = 0;
    bool unreadable = false;
    Progress progress(files.size());
    QElapsedTimer batchClock;
    QString error;
    const auto summary = [&] {
        progress.clear();
        out(QStringLiteral("imported %1, known %2, skipped %3\n").arg(committed.imported).arg(committed.known).arg(skipped));
    };
    const auto commit = [&] {
        if (!store.commitBatch(&error))
            return false;
        committed.imported += pending.imported;
        committed.known += pending.known;
        pending = Counts();
        return true;
    };

    bool ok = true;
    for (qsizetype i = 0; ok && i < files.size(); ++i) {
        const QString &path = files.at(i);
        if (!store.inBatch()) {
            if (!(ok = store.beginBatch(&error)))
                break;
            batchClock.start();
        }
        // Result files are always filed as .csv; anything else is not read.
        const Recorded recorded = path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive)
                                      ? store.record(contextFromFile(path, station, invocation.passFolder,
                                                                     invocation.failFolder),
                                                     &error, queueForLine)
                                      : Recorded::NotAResult;
        switch (recorded) {
        case Recorded::Added:
            ++pending.imported;
            break;
        case Recorded::Known:
            ++pending.known;
            break;
        case Recorded::NotAResult:
            progress.clear();
            err(QStringLiteral("skipped, not a result file: %1\n").arg(path));
            ++skipped;
            break;
        case Recorded::Unreadable:
            progress.clear();
            err(QStringLiteral("skipped, cannot be read: %1\n").arg(path));
            ++skipped;
            unreadable = true;
            break;
        case Recorded::Failed:
            error = QStringLiteral("%1: %2").arg(path, error);
            ok = false;
            break;
        }
        // Short transactions: the station's own recorder may be waiting to
        // write to the same file.
        if (ok && (batchClock.elapsed() >= 250 || pending.imported + pending.known >= 1000))
            ok = commit();
        progress.step(i + 1);
    }
    ok = ok && commit();
    if (!ok) {
        store.rollbackBatch();
        progress.clear();
        err(QStringLiteral("import: the store refused a write: %1\n").arg(error));
    }
    summary();
    return ok && !unreadable ? ExitOk : ExitFailure;
}

} // namespace results::cli
